#include "ui/main/window_controls.h"

#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolTip>
#include <QValidator>
#include <QWheelEvent>
#include <algorithm>

#include "merge/run_checks.h"
#include "ui/main/commands.h"
#include "ui/main/skin.h"
#include "ui/main/w_vexlo.h"
#include "ui/widgets/uo_picbutton2.h"

namespace vexlo::ui {

const char* const kCopiesRefused = "打印份数只能是1到50之间的整数";

namespace {

// The copies field takes up to two digits. A number outside 1 to 50 stays as typed (never
// changed behind the user's back): the start refuses it with the range message.
class CopiesValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    if (input.isEmpty()) return Intermediate;
    for (QChar c : input) {
      if (c < u'0' || c > u'9') return Invalid;
    }
    const int n = input.toInt();
    return n >= merge::kMinCopies && n <= merge::kMaxCopies ? Acceptable : Intermediate;
  }
};


// The copies field: digits only, 1 to 50, and the arrow keys or the wheel step it in that range.
class CopiesField : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Up) return Step(1);
    if (event->key() == Qt::Key_Down) return Step(-1);
    const QString before = text();
    QLineEdit::keyPressEvent(event);
    // A printable key that changed nothing was refused by the validator: say why.
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.front().isPrint() && text() == before) {
      QToolTip::showText(mapToGlobal(QPoint(0, height())), QString::fromUtf8(kCopiesRefused),
                         this);
    }
  }
  void wheelEvent(QWheelEvent* event) override {
    if (event->angleDelta().y() != 0) Step(event->angleDelta().y() > 0 ? 1 : -1);
    event->accept();
  }

 private:
  void Step(int by) {
    if (!isEnabled()) return;
    setText(QString::number(std::clamp(text().toInt() + by, merge::kMinCopies, merge::kMaxCopies)));
  }
};

// A path field: the user does not type into it, but may paste a path (Ctrl+V or the menu).
class PathField : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->matches(QKeySequence::Paste)) return Paste();
    QLineEdit::keyPressEvent(event);
  }
  void contextMenuEvent(QContextMenuEvent* event) override {
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* paste = menu->addAction("粘贴路径");
    paste->setEnabled(!QGuiApplication::clipboard()->text().trimmed().isEmpty());
    connect(paste, &QAction::triggered, this, [this] { Paste(); });
    menu->popup(event->globalPos());
  }

 private:
  void Paste() {
    const std::string path = PastedPath(QGuiApplication::clipboard()->text().toStdString());
    if (!path.empty()) setText(QString::fromStdString(path));
  }
};

}  // namespace

QLineEdit* MakeCopiesField(QWidget* parent, const char* name, QRect geometry) {
  QLineEdit* field = Make<CopiesField>(parent, name, geometry);
  field->setValidator(new CopiesValidator(field));
  return field;
}

QLabel* MakeText(QWidget* parent, const char* name, QRect geometry, const char* text,
                 const QFont& font, QColor fg, QColor bg, Qt::Alignment align) {
  auto* label = Make<QLabel>(parent, name, geometry);
  label->setText(QString::fromUtf8(text));
  label->setFont(font);
  label->setAlignment(align | Qt::AlignVCenter);
  SetColours(label, fg, bg);
  return label;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, QRect geometry, const char* text,
                     bool checked) {
  auto* box = Make<QCheckBox>(parent, name, geometry);
  box->setText(QString::fromUtf8(text));
  // The option texts are laid out for a face with half-width Latin letters; a hair of tracking
  // keeps "同时输出为PDF文件" inside its 120 pixels.
  QFont font = SongTi(9);
  font.setLetterSpacing(QFont::PercentageSpacing, 98);
  box->setFont(font);
  box->setStyle(CheckBoxStyle());
  box->setChecked(checked);
  SetColours(box, Qt::white, kDesignGrey);
  return box;
}

QLineEdit* MakeField(QWidget* parent, const char* name, QRect geometry) {
  auto* field = Make<PathField>(parent, name, geometry);
  field->setReadOnly(true);
  field->setFrame(false);
  field->setFont(SongTi(10));
  QPalette p = field->palette();
  p.setColor(QPalette::Text, kFieldText);
  p.setColor(QPalette::Base, Qt::white);
  field->setPalette(p);
  return field;
}

uo_icobutton* MakeButton(QWidget* parent, app::Events& events, const std::string& data_folder,
                         const char* name, QRect geometry, uo_icobutton::Values values) {
  if (values.s_up3.empty()) values.s_up3 = values.s_up1;
  auto* button = new uo_icobutton(parent, events, data_folder, std::move(values));
  button->setObjectName(name);
  button->setGeometry(geometry);
  button->setAttribute(Qt::WA_NoMousePropagation);
  button->p_1->set_owner_window(std::string("w_vexlo.") + name);
  button->setFocusPolicy(Qt::TabFocus);
  return button;
}

}  // namespace vexlo::ui
