#include "ui/main/w_vexlo.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QToolTip>
#include <QGuiApplication>
#include <QValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QWheelEvent>
#include <QScreen>
#include <QWindow>
#include <filesystem>

#include "app/event_guard.h"
#include "app/globals.h"
#include "app/host.h"
#include "app/post_queue.h"
#include "app/version.h"
#include "merge/merge_session.h"
#include "merge/run_checks.h"
#include "ui/chrome/mouse_capture.h"
#include "ui/chrome/nvo_drawroundrectwin.h"
#include "ui/main/banner.h"
#include "ui/main/commands.h"
#include "ui/main/remembered_inputs.h"
#include "ui/main/settings_file.h"
#include "ui/main/sheet_list.h"
#include "ui/main/presence_check.h"
#include "ui/main/preview_window.h"
#include "ui/main/record_options.h"
#include "ui/main/skin.h"
#include "ui/main/skin_palette.h"
#include "ui/main/template_readiness.h"
#include "ui/main/web_panel.h"
#include "ui/main/window_merge_observer.h"
#include "ui/mail/mail_command.h"
#include "ui/widgets/uo_icobutton.h"
#include "ui/widgets/uo_picbutton2.h"

namespace vexlo::ui {
namespace {

using vexlo::ui::palette::kBlue;
using vexlo::ui::palette::kGreen;
using vexlo::ui::palette::kOrange;

const QColor kRed(255, 0, 0);
const QColor kDesignGrey(160, 160, 164);
const QColor kWarningText(255, 251, 240);
const QColor kFieldText(128, 128, 128);

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
    return n >= 1 && n <= 50 ? Acceptable : Intermediate;
  }
};

}  // namespace

const char* const kCopiesRefused = "打印份数只能是1到50之间的整数";

namespace {

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
    setText(QString::number(std::clamp(text().toInt() + by, 1, 50)));
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

// The mark around the control that has the keyboard focus after Tab: the skin's controls draw
// none of their own.
class FocusMark : public QWidget {
 public:
  explicit FocusMark(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
  }
  void Around(const QWidget* control) {
    setGeometry(control->geometry().adjusted(-2, -2, 2, 2));
    raise();
    show();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QPen pen(QColor(255, 160, 0), 2, Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(rect().adjusted(1, 1, -1, -1));
  }
};

template <typename W>
W* Make(QWidget* parent, const char* name, QRect geometry) {
  auto* w = new W(parent);
  w->setObjectName(name);
  w->setGeometry(geometry);
  // A press on a control never reaches the window (and so never drags it).
  w->setAttribute(Qt::WA_NoMousePropagation);
  return w;
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

uo_icobutton* MakeButton(QWidget* parent, const char* name, QRect geometry,
                         uo_icobutton::Values values) {
  if (values.s_up3.empty()) values.s_up3 = values.s_up1;
  auto* button = new uo_icobutton(parent, std::move(values));
  button->setObjectName(name);
  button->setGeometry(geometry);
  button->setAttribute(Qt::WA_NoMousePropagation);
  button->p_1->owner_window = std::string("w_vexlo.") + name;
  button->setFocusPolicy(Qt::TabFocus);
  return button;
}

}  // namespace

w_vexlo::w_vexlo(QWidget* parent) : QWidget(parent) {
  setObjectName("w_vexlo");
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setWindowTitle(app::kProductName);
  setWindowIcon(ApplicationIcon());
  setFixedSize(714, 508);
  SetColours(this, palette().color(QPalette::WindowText), palette().color(QPalette::Button));
  setAcceptDrops(true);
  CreateControls();
  template_readiness = new TemplateReadiness(this, [this](const std::string& text) {
    ShowStatus(text);
  });
  ConnectCommands();
}

void w_vexlo::ShowStatus(const std::string& text) {
  st_6->setText(QString::fromStdString(text.empty() ? BannerText(GetDesktopFacts()) : text));
}

w_vexlo::~w_vexlo() = default;

void w_vexlo::CreateControls() {
  st_ver = MakeText(this, "st_ver", {299, 5, 44, 24}, "2.6", ArialBold(18), Qt::white,
                    palette().color(QPalette::Button), Qt::AlignHCenter);
  st_7 = MakeText(this, "st_7", {0, 480, 712, 27}, "", SongTi(12), Qt::white, kRed,
                  Qt::AlignLeft);
  uo_10 = MakeButton(this, "uo_10", {609, 260, 32, 32},
                     {"resource/slb.jpg", "resource/slb2.jpg", "", "示例", ""});
  uo_9 = MakeButton(this, "uo_9", {609, 180, 32, 32},
                    {"resource/sl.jpg", "resource/sl2.jpg", "", "示例", ""});
  uo_8 = MakeButton(this, "uo_8", {573, 298, 32, 32},
                    {"resource/openb.jpg", "resource/openb2.jpg", "", "打开", ""});
  ole_1 = Make<WebPanel>(this, "ole_1", {431, 85, 267, 41});
  uo_7 = MakeButton(this, "uo_7", {677, 1, 32, 32},
                    {"resource/close.jpg", "resource/close2.jpg", "", "关闭", ""});
  uo_6 = MakeButton(this, "uo_6", {296, 397, 129, 54},
                    {"resource/ks.jpg", "resource/ks2.jpg", "", "", "开始制作"});
  cbx_3 = MakeCheck(this, "cbx_3", {224, 340, 90, 15}, "可见生成过程", true);
  em_1 = Make<CopiesField>(this, "em_1", {481, 340, 32, 15});
  em_1->setText("1");
  em_1->setValidator(new CopiesValidator(em_1));
  em_1->setMaxLength(2);
  em_1->setAlignment(Qt::AlignCenter);
  em_1->setFrame(false);
  em_1->setFont(SongTi(9));
  em_1->setAcceptDrops(false);
  em_1->setToolTip("打印份数：1到50");
  {
    // White like the path fields, so that it reads as a place to type.
    QPalette p = em_1->palette();
    p.setColor(QPalette::Text, Qt::black);
    p.setColor(QPalette::Base, Qt::white);
    em_1->setPalette(p);
  }
  st_5 = MakeText(this, "st_5", {514, 340, 31, 15}, "份", SongTi(9), Qt::white, kDesignGrey,
                  Qt::AlignLeft);
  cbx_2 = MakeCheck(this, "cbx_2", {365, 340, 114, 15}, "输出后打印  打印", false);
  cbx_4 = MakeCheck(this, "cbx_4", {365, 362, 120, 15}, "同时输出为PDF文件", false);
  cbx_1 = MakeCheck(this, "cbx_1", {224, 362, 114, 15}, "输出到同一个文件", false);
  cbx_5 = MakeCheck(this, "cbx_5", {492, 362, 110, 15}, "数值按表格格式", false);
  cbx_5->setToolTip("按单元格在表格中显示的样子输出数值（如 5,600.20、15%、000123），不勾选时输出原始值");
  cbx_6 = MakeCheck(this, "cbx_6", {556, 340, 84, 15}, "含页眉页脚", false);
  cbx_6->setToolTip("页眉、页脚和脚注中写着的列标题也换成记录的值（不勾选时保留原样）");
  cb_1 = new QPushButton("预览", this);
  cb_1->setObjectName("cb_1");
  cb_1->setGeometry(446, 411, 64, 26);
  cb_1->setFont(SongTi(10));
  cb_1->setCursor(Qt::PointingHandCursor);
  cb_1->setAttribute(Qt::WA_NoMousePropagation);
  cb_1->setStyleSheet(
      "QPushButton{color:white;background:transparent;border:1px solid white;border-radius:4px}"
      "QPushButton:hover{background:rgba(255,255,255,40)}");
  cb_1->setToolTip("开始前先看看某条记录生成的文档，以及检查发现的问题");
  cbx_7 = MakeCheck(this, "cbx_7", {224, 381, 66, 15}, "发送邮件", false);
  cbx_7->setToolTip("文件全部生成后，把每条记录的文件发到该记录的邮件地址（见“邮件设置”）");
  pb_mail = Make<QPushButton>(this, "pb_mail", {492, 379, 72, 19});
  pb_mail->setText("邮件设置…");
  pb_mail->setFont(SongTi(9));
  pb_mail->setCursor(Qt::PointingHandCursor);
  pb_mail->setStyleSheet(cb_1->styleSheet());  // drawn like 预览 over the skin
  connect(pb_mail, &QPushButton::clicked, this,
          [this] { app::RunGuarded({"w_vexlo", "pb_mail", "clicked"}, [this] { OpenMailSettings(this); }); });
  uo_5 = MakeButton(this, "uo_5", {536, 298, 32, 32},
                    {"resource/mlb.jpg", "resource/mlb2.jpg", "", "选择输出目录", ""});
  uo_4 = MakeButton(this, "uo_4", {573, 260, 32, 32},
                    {"resource/openb.jpg", "resource/openb2.jpg", "", "编辑", ""});
  uo_3 = MakeButton(this, "uo_3", {536, 260, 32, 32},
                    {"resource/mlb.jpg", "resource/mlb2.jpg", "", "选择WORD模板文件", ""});
  uo_2 = MakeButton(this, "uo_2", {573, 180, 32, 32},
                    {"resource/open.jpg", "resource/open2.jpg", "", "编辑", ""});
  uo_1 = MakeButton(this, "uo_1", {536, 180, 32, 32},
                    {"resource/ml.jpg", "resource/ml2.jpg", "", "选择EXCEL数据文件", ""});
  sle_3 = MakeField(this, "sle_3", {224, 304, 301, 21});
  sle_2 = MakeField(this, "sle_2", {224, 265, 301, 21});
  st_3 = MakeText(this, "st_3", {116, 306, 105, 16}, "输出路径：", SongTi(10), Qt::white,
                  kDesignGrey, Qt::AlignRight);
  st_2 = MakeText(this, "st_2", {116, 267, 105, 16}, "Word模版文件：", SongTi(10), Qt::white,
                  kDesignGrey, Qt::AlignRight);
  st_1 = MakeText(this, "st_1", {116, 189, 105, 16}, "Excel数据文件：", SongTi(10), Qt::white,
                  kDesignGrey, Qt::AlignRight);
  sle_1 = MakeField(this, "sle_1", {224, 185, 301, 21});
  // Below the data field, in the spreadsheet's band: which sheet of the workbook holds the data.
  st_8 = MakeText(this, "st_8", {116, 213, 105, 16}, "工作表：", SongTi(10), Qt::white,
                  kDesignGrey, Qt::AlignRight);
  ddlb_1 = Make<QComboBox>(this, "ddlb_1", {224, 211, 160, 20});
  ddlb_1->setFont(SongTi(10));
  ddlb_1->setEnabled(false);
  ddlb_1->setToolTip("数据所在的工作表（选择数据文件后列出它的全部工作表）");
  p_1 = new Picture(this);
  p_1->setObjectName("p_1");
  p_1->setGeometry(0, 0, 712, 481);
  p_1->setPixmap(BackgroundPicture());
  p_1->setEnabled(false);
  // The picture takes no mouse input: presses and moves over it reach the window.
  p_1->setAttribute(Qt::WA_TransparentForMouseEvents);
  st_6 = MakeText(this, "st_6", {13, 484, 357, 18}, BannerText(GetDesktopFacts()).c_str(),
                  SongTi(12, true), kWarningText, kRed, Qt::AlignHCenter);

  record_options = new RecordOptions(this, [this] { return sle_1->text().toStdString(); }, cbx_4);

  p_1->lower();
  st_6->raise();

  focus_mark_ = new FocusMark(this);
  // Tab order: row by row, each field before its buttons, then the options, the start button,
  // the web panel and the close button.
  QList<QWidget*> order = {sle_1, uo_1, uo_2,  uo_9,  ddlb_1, sle_2, uo_3,  uo_4,  uo_10,
                           sle_3, uo_5, uo_8,  cbx_3, cbx_2,  em_1,  cbx_1, cbx_4, cbx_5, cbx_6,
                           cbx_7, pb_mail};
  order += record_options->TabStops();
  order += {uo_6, cb_1, ole_1, uo_7};
  QWidget* previous = nullptr;
  for (QWidget* w : order) {
    if (previous != nullptr) QWidget::setTabOrder(previous, w);
    previous = w;
    w->installEventFilter(this);
    if (w->focusProxy() != nullptr) w->focusProxy()->installEventFilter(this);
  }
}

void w_vexlo::OnClicked(uo_icobutton* button, const char* control,
                        std::function<void()> command) {
  connect(button, &uo_icobutton::ue_clicked, this, [control, command = std::move(command)] {
    app::RunGuarded({"w_vexlo", control, "ue_clicked"}, command);
  });
}

void w_vexlo::ConnectCommands() {
  OnClicked(uo_1, "uo_1", [] { ChooseDataFile(); });
  OnClicked(uo_2, "uo_2", [this] { OpenDataFile(excelserver); });
  OnClicked(uo_9, "uo_9", [this] { UseExampleData(excelserver); });
  OnClicked(uo_3, "uo_3", [] { ChooseTemplate(); });
  // Opening a .doc template waits, without blocking, until LibreOffice has read it.
  const OpenGate when_read = [this](const std::string& file, std::function<void()> open) {
    template_readiness->WhenReady(file, std::move(open));
  };
  OnClicked(uo_4, "uo_4", [this, when_read] { OpenTemplate(wordserver, when_read); });
  OnClicked(uo_10, "uo_10", [this, when_read] { UseExampleTemplate(wordserver, when_read); });
  OnClicked(uo_5, "uo_5", [] { ChooseOutputFolder(); });
  OnClicked(uo_8, "uo_8", [] { ShowOutputFolder(); });
  OnClicked(uo_7, "uo_7", [this] { close(); });
  // A run asked for while the template is being read starts once it is read, as the fields
  // stand then.
  OnClicked(uo_6, "uo_6", [this] {
    RememberInputs();
    if (!record_options->Ready()) return;
    template_readiness->WhenReady(sle_2->text().toStdString(), [this] {
      const merge::MergeRequest request = RequestFromWindow(*this);
      WindowMergeObserver observer(*this, request);
      merge::RunMergeSession(request, observer, {excelserver, wordserver, wordserver2});
    });
  });
  connect(cb_1, &QPushButton::clicked, this, [this] {
    app::RunGuarded({"w_vexlo", "cb_1", "clicked"}, [this] {
      template_readiness->WhenReady(sle_2->text().toStdString(), [this] {
        const merge::MergeRequest request = RequestFromWindow(*this);
        WindowMergeObserver observer(*this, request);
        std::string filetype;
        if (merge::RunChecks(request, observer).Inputs(filetype)) ShowPreview(request, this);
      });
    });
  });
  // Every way a path reaches the data field lists that workbook's sheets.
  connect(sle_1, &QLineEdit::textChanged, this, [this](const QString& text) {
    app::RunGuarded({"w_vexlo", "sle_1", "modified"},
                    [&] { FillSheetList(*ddlb_1, text.toStdString()); });
  });
  // Every way a path reaches the template field (dialog, drop, paste, example) starts reading it.
  connect(sle_2, &QLineEdit::textChanged, this, [this](const QString& text) {
    app::RunGuarded({"w_vexlo", "sle_2", "modified"},
                    [&] { template_readiness->Chosen(text.toStdString()); });
  });
  connect(cbx_2, &QCheckBox::clicked, this,
          [] { app::RunGuarded({"w_vexlo", "cbx_2", "clicked"}, [] { ToggleCopies(); }); });
}

void w_vexlo::OpenWindow() {
  app::RunGuarded({"w_vexlo", "", "open"}, [this] { open(); });
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  show();
  // The first stop of the tab order, not whichever control was made first (the web panel would
  // keep Enter for its links).
  sle_1->setFocus(Qt::OtherFocusReason);
}

void w_vexlo::open() {
  SetColours(st_ver, Qt::white, kOrange);
  SetColours(st_1, Qt::white, kGreen);
  SetColours(st_8, Qt::white, kGreen);
  for (QWidget* w : std::initializer_list<QWidget*>{st_2, st_3, cbx_3, cbx_2, st_5, cbx_1, cbx_4,
                                                    cbx_5, cbx_6, cbx_7}) {
    SetColours(w, Qt::white, kBlue);
  }
  uo_drawroundrectwin = std::make_unique<nvo_drawroundrectwin>();
  uo_drawroundrectwin->of_drawroundrect(this, 80);
  sle_3->setText(QString::fromStdString(app::as_currentpath));
  if (RestoreInputs()) ToggleCopies();  // the copies field follows a remembered 输出后打印
  app::Post({"w_vexlo", "", "ue_opened"}, [this] { ue_opened(); });
  // A settings file that could not be used is said once, when the window is up.
  if (std::string note = CheckSettingsFile(); !note.empty()) {
    app::Post({"w_vexlo", "", "ue_settings"}, [note] { app::host().MessageBox("操作提示", note); });
  }
}

void w_vexlo::ue_opened() {
  setFixedSize(p_1->width(), p_1->height() + 27);
  ole_1->navigate(app::as_datapath + "/html/bottom.html");
  // Starting the servers may take a moment: let the window paint itself first.
  app::host().KeepAlive(0, -1);
  OfficePresenceCheck(excelserver, wordserver, wordserver2);
  // LibreOffice starts in the background once the window is up, so that the first .doc or PDF
  // run finds it running.
  if (OfficeStarter()) app::Post({"w_vexlo", "", "ue_warmup"}, [] { OfficeStarter()(); });
}

void w_vexlo::mousemove(uint32_t flags, int16_t, int16_t) {
  if (flags != 1) return;
  releasecapture();
  // The window system moves the window as if its title bar had been pressed.
  QWindow* handle = windowHandle();
  move_fallback_ = handle == nullptr || !handle->startSystemMove();
}

void w_vexlo::mousePressEvent(QMouseEvent* event) {
  press_offset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
  move_fallback_ = false;
  event->accept();
}

void w_vexlo::mouseMoveEvent(QMouseEvent* event) {
  const uint32_t flags = MouseKeyState(*event);
  if (move_fallback_ && flags == 1) {
    // No window manager to move us: follow the pointer ourselves.
    move(event->globalPosition().toPoint() - press_offset_);
    return;
  }
  const auto x = static_cast<int16_t>(event->position().x());
  const auto y = static_cast<int16_t>(event->position().y());
  app::RunGuarded({"w_vexlo", "", "mousemove"}, [&] { mousemove(flags, x, y); });
}

void w_vexlo::mouseReleaseEvent(QMouseEvent* event) {
  move_fallback_ = false;
  event->accept();
}

bool w_vexlo::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    auto* control = static_cast<QWidget*>(watched);
    while (control->parentWidget() != nullptr && control->parentWidget() != this) {
      control = control->parentWidget();
    }
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
      static_cast<FocusMark*>(focus_mark_)->Around(control);
    } else {
      focus_mark_->hide();
    }
  } else if (event->type() == QEvent::FocusOut) {
    focus_mark_->hide();
  }
  return QWidget::eventFilter(watched, event);
}

void w_vexlo::keyPressEvent(QKeyEvent* event) {
  // Enter that no control used (a focused button takes it itself) starts the run.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    if (!event->isAutoRepeat()) emit uo_6->ue_clicked();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

namespace {
std::vector<std::string> LocalPaths(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  return paths;
}
}  // namespace

void w_vexlo::dragEnterEvent(QDragEnterEvent* event) {
  for (const std::string& path : LocalPaths(event->mimeData())) {
    std::error_code error;
    if (!DropTarget(path, std::filesystem::is_directory(path, error)).empty()) {
      event->acceptProposedAction();
      return;
    }
  }
  event->ignore();
}

void w_vexlo::dropEvent(QDropEvent* event) {
  const std::vector<std::string> paths = LocalPaths(event->mimeData());
  app::RunGuarded({"w_vexlo", "", "dragdrop"}, [&] {
    if (DropPaths(paths) > 0) event->acceptProposedAction();
  });
  activateWindow();
}

void w_vexlo::closeEvent(QCloseEvent* event) {
  app::RunGuarded({"w_vexlo", "", "close"}, [this] {
    RememberInputs();
    template_readiness->Drop();
    excelserver.reset();
    wordserver.reset();
    wordserver2.reset();
  });
  event->accept();
}

}  // namespace vexlo::ui
