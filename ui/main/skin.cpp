#include "ui/main/skin.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QPalette>
#include <QWidget>

#include "ui/images/images.h"

namespace vexlo::ui {
namespace {

int PointsToPixels(int points) { return (points * 96 + 36) / 72; }

// Check boxes as small as the skin's narrow option fields need.
class CompactCheckStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    switch (metric) {
      case PM_IndicatorWidth:
      case PM_IndicatorHeight:
        return 12;
      case PM_CheckBoxLabelSpacing:
        return 2;
      default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
  }
};

}  // namespace

void InitSkin() {
  InitImages();
  // The Chinese serif faces that may be installed, best first.
  QFont::insertSubstitutions("宋体", {"Noto Serif CJK SC", "Noto Sans CJK SC", "AR PL UMing CN",
                                     "WenQuanYi Zen Hei"});
  QFont::insertSubstitutions("Arial", {"Liberation Sans", "DejaVu Sans"});
}

QFont SongTi(int points, bool bold) {
  QFont font("宋体");
  font.setPixelSize(PointsToPixels(points));
  font.setBold(bold);
  font.setStyleHint(QFont::Serif);
  return font;
}

QFont ArialBold(int points) {
  QFont font("Arial");
  font.setPixelSize(PointsToPixels(points));
  font.setBold(true);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

void SetColours(QWidget* widget, const QColor& text, const QColor& background) {
  QPalette p = widget->palette();
  // Labels paint with the window roles, check boxes with the button roles.
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::Window, background);
  p.setColor(QPalette::Button, background);
  widget->setPalette(p);
  widget->setAutoFillBackground(true);
}

// Kept by the application, found by its name.
QStyle* CheckBoxStyle() {
  constexpr const char* kName = "vexlo-check-box-style";
  auto* style = qApp->findChild<QStyle*>(kName, Qt::FindDirectChildrenOnly);
  if (style == nullptr) {
    style = new CompactCheckStyle;
    style->setObjectName(kName);
    style->setParent(qApp);
  }
  return style;
}

Picture::Picture(QWidget* parent) : QWidget(parent) {}

void Picture::setPixmap(const QPixmap& pixmap) {
  pixmap_ = pixmap;
  update();
}

void Picture::paintEvent(QPaintEvent*) {
  // Drawn as it is also while disabled: the picture is disabled only to take no input.
  QPainter painter(this);
  painter.drawPixmap(0, 0, pixmap_);
}

QPixmap BackgroundPicture() {
  InitImages();
  return QPixmap(":/images/back.jpg");
}

QIcon ApplicationIcon() {
  InitImages();
  return QIcon(":/images/vexlo.png");
}

}  // namespace vexlo::ui
