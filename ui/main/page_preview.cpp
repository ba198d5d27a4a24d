#include "ui/main/page_preview.h"

#include <QFileInfo>
#include <QPainter>
#include <QTextLayout>
#include <QStringList>
#include <algorithm>
#include <memory>

#include "ui/main/docx_paragraphs.h"
#include "ui/main/skin.h"

namespace vexlo::ui {
namespace {

// Lays `text` out in `width` pixels from `top`, the lines past `bottom` left out; returns the
// height used.
double LayOut(QTextLayout& layout, double left, double top, double width, double bottom) {
  double y = top;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    if (y + line.height() > bottom) {
      line.setPosition(QPointF(left, bottom + 100000));  // outside the clip
      break;
    }
    line.setPosition(QPointF(left, y));
    y += line.height();
  }
  layout.endLayout();
  return y - top;
}

// One table row: its cells side by side in equal columns, framed; returns the row's height.
double DrawRow(QPainter& p, const std::string& row, const QFont& font, QPaintDevice* device,
               const QRectF& area, double top) {
  const QStringList cells = QString::fromStdString(row.substr(1)).split(QChar(kCellSeparator));
  const double width = area.width() / static_cast<double>(cells.size());
  const double pad = std::max(1.0, width / 40);
  std::vector<std::unique_ptr<QTextLayout>> layouts;
  double height = QFontMetrics(font).height();
  for (qsizetype c = 0; c < cells.size(); ++c) {
    layouts.push_back(std::make_unique<QTextLayout>(cells[c], font, device));
    const double left = area.left() + c * width + pad;
    height = std::max(height, LayOut(*layouts.back(), left, top + pad,
                                     std::max(1.0, width - 2 * pad), area.bottom()));
  }
  height += 2 * pad;
  const QRectF clip(area.left(), top, area.width(), std::min(height, area.bottom() - top));
  for (const auto& layout : layouts) layout->draw(&p, QPointF(0, 0), {}, clip);
  p.save();
  p.setPen(QColor(90, 90, 90));
  p.setClipRect(clip.adjusted(0, 0, 1, 1));
  for (qsizetype c = 0; c < cells.size(); ++c) {
    p.drawRect(QRectF(area.left() + c * width, top, width, height));
  }
  p.restore();
  return height;
}

}  // namespace

QImage TextPage(const std::string& heading, const std::vector<std::string>& paragraphs,
                const QSize& size) {
  // A4 is 210 × 297 mm; the page keeps that shape inside `size`.
  QSize page(size.width(), size.width() * 297 / 210);
  if (page.height() > size.height()) page = QSize(size.height() * 210 / 297, size.height());
  QImage image(page.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::TextAntialiasing);
  // Margins of 20 mm, text at about 10.5 pt on a page of this size.
  const int margin = std::max(4, page.width() * 20 / 210);
  const int text_width = page.width() - 2 * margin;
  QFont font = SongTi(9);
  font.setPixelSize(std::max(6, page.width() * 37 / 1000));
  QFont small = font;
  small.setPixelSize(std::max(5, font.pixelSize() * 3 / 4));
  p.setPen(QColor(150, 150, 150));
  p.setFont(small);
  p.drawText(QRect(margin, margin / 3, text_width, margin / 2),
             Qt::AlignLeft | Qt::AlignVCenter,
             QFontMetrics(small).elidedText(QString::fromStdString(heading), Qt::ElideMiddle,
                                             text_width));
  p.setPen(Qt::black);
  double y = margin;
  const double bottom = page.height() - margin;
  const QRectF area(margin, margin, text_width, bottom - margin);
  for (const std::string& paragraph : paragraphs) {
    if (!paragraph.empty() && paragraph[0] == kCellSeparator) {
      y += DrawRow(p, paragraph, font, &image, area, y);  // rows of a table touch
    } else {
      QTextLayout layout(QString::fromStdString(paragraph), font, &image);
      y += LayOut(layout, margin, y, text_width, bottom);
      layout.draw(&p, QPointF(0, 0), {}, area);
      y += QFontMetrics(font).height() * 0.4;
    }
    if (y >= bottom) break;
  }
  p.setPen(QColor(200, 200, 200));
  p.drawRect(image.rect().adjusted(0, 0, -1, -1));
  return image;
}

QImage TextPagePreview::Render(const std::string& document, const QSize& size) {
  if (!reader_ || !QFileInfo(QString::fromStdString(document)).isFile()) return {};
  const std::vector<std::string> paragraphs = reader_(document);
  if (paragraphs.empty()) return {};
  return TextPage(QFileInfo(QString::fromStdString(document)).fileName().toStdString(),
                  paragraphs, size);
}


std::vector<std::string> FillParagraphs(const std::vector<std::string>& paragraphs,
                                        const std::vector<std::string>& titles,
                                        const std::vector<std::string>& values) {
  std::vector<std::size_t> order;
  for (std::size_t k = 0; k < titles.size() && k < values.size(); ++k) {
    if (!QString::fromStdString(titles[k]).trimmed().isEmpty()) order.push_back(k);
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return titles[a].size() > titles[b].size();
  });
  std::vector<std::string> out;
  for (const std::string& paragraph : paragraphs) {
    // Replaced parts are marked so that a value is never searched again for a later title.
    QString text = QString::fromStdString(paragraph);
    std::vector<QString> marks;
    for (std::size_t k : order) {
      const QString mark = QString(QChar(0xE000 + static_cast<int>(marks.size() % 6000)));
      const QString before = text;
      text.replace(QString::fromStdString(titles[k]), mark, Qt::CaseInsensitive);
      marks.push_back(text == before ? QString() : QString::fromStdString(values[k]));
    }
    for (std::size_t m = 0; m < marks.size(); ++m) {
      if (!marks[m].isNull()) text.replace(QChar(0xE000 + static_cast<int>(m % 6000)), marks[m]);
    }
    out.push_back(text.toStdString());
  }
  return out;
}

}  // namespace vexlo::ui
