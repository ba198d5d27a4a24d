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
#include "ui/main/window_controls.h"
#include "ui/main/window_merge_observer.h"
#include "ui/mail/mail_command.h"
#include "ui/widgets/uo_icobutton.h"
#include "ui/widgets/uo_picbutton2.h"

namespace vexlo::ui {

using vexlo::ui::palette::kBlue;
using vexlo::ui::palette::kGreen;
using vexlo::ui::palette::kOrange;

w_vexlo::w_vexlo(WindowContext context, QWidget* parent)
    : QWidget(parent), context_(std::move(context)), commands_(context_.host, *this, context_.state, context_.settings) {
  setObjectName("w_vexlo");
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setWindowTitle(app::kProductName);
  setWindowIcon(ApplicationIcon());
  setFixedSize(714, 508);
  SetColours(this, palette().color(QPalette::WindowText), palette().color(QPalette::Button));
  setAcceptDrops(true);
  CreateControls();
  template_readiness = new TemplateReadiness(
      this, context_.host, context_.events, context_.template_preparer,
      [this](const std::string& text) { ShowStatus(text); },
      [this] { sle_2->setFocus(Qt::OtherFocusReason); });
  ConnectCommands();
}

void w_vexlo::ShowStatus(const std::string& text) {
  st_6->setText(QString::fromStdString(text.empty() ? BannerText(context_.facts) : text));
}

w_vexlo::~w_vexlo() = default;

void w_vexlo::OnClicked(uo_icobutton* button, const char* control,
                        std::function<void()> command) {
  connect(button, &uo_icobutton::ue_clicked, this, [this, control, command = std::move(command)] {
    context_.events.RunGuarded({"w_vexlo", control, "ue_clicked"}, command);
  });
}

void w_vexlo::ConnectCommands() {
  OnClicked(uo_1, "uo_1", [this] { commands_.ChooseDataFile(); });
  OnClicked(uo_2, "uo_2", [this] { commands_.OpenDataFile(excelserver); });
  OnClicked(uo_9, "uo_9", [this] { commands_.UseExampleData(excelserver); });
  OnClicked(uo_3, "uo_3", [this] { commands_.ChooseTemplate(); });
  // Opening a .doc template waits, without blocking, until LibreOffice has read it.
  const OpenGate when_read = [this](const std::string& file, std::function<void()> open) {
    template_readiness->WhenReady(file, std::move(open));
  };
  OnClicked(uo_4, "uo_4", [this, when_read] { commands_.OpenTemplate(wordserver, when_read); });
  OnClicked(uo_10, "uo_10", [this, when_read] { commands_.UseExampleTemplate(wordserver, when_read); });
  OnClicked(uo_5, "uo_5", [this] { commands_.ChooseOutputFolder(); });
  OnClicked(uo_8, "uo_8", [this] { commands_.ShowOutputFolder(); });
  OnClicked(uo_7, "uo_7", [this] { close(); });
  // A run asked for while the template is being read starts once it is read, as the fields
  // stand then.
  OnClicked(uo_6, "uo_6", [this] {
    RememberInputs(context_.settings, *this);
    if (!record_options->Ready()) return;
    template_readiness->WhenReady(sle_2->text().toStdString(), [this] {
      const merge::MergeRequest request = RequestFromWindow(*this);
      WindowMergeObserver observer(*this, request);
      merge::RunMergeSession(request, observer, {excelserver, wordserver, wordserver2});
    });
  });
  connect(cb_1, &QPushButton::clicked, this, [this] {
    context_.events.RunGuarded({"w_vexlo", "cb_1", "clicked"}, [this] {
      template_readiness->WhenReady(sle_2->text().toStdString(), [this] {
        const merge::MergeRequest request = RequestFromWindow(*this);
        WindowMergeObserver observer(*this, request);
        std::string filetype;
        if (merge::RunChecks(request, observer).Inputs(filetype)) {
          ShowPreview(context_.host, request, this);
        }
      });
    });
  });
  // Every way a path reaches the data field lists that workbook's sheets.
  connect(sle_1, &QLineEdit::textChanged, this, [this](const QString& text) {
    context_.events.RunGuarded({"w_vexlo", "sle_1", "modified"},
                    [&] { FillSheetList(*ddlb_1, text.toStdString()); });
  });
  // Every way a path reaches the template field (dialog, drop, paste, example) starts reading it.
  connect(sle_2, &QLineEdit::textChanged, this, [this](const QString& text) {
    context_.events.RunGuarded({"w_vexlo", "sle_2", "modified"},
                    [&] { template_readiness->Chosen(text.toStdString()); });
  });
  // The copies field is for printing: enabled exactly when 输出后打印 is ticked.
  connect(cbx_2, &QCheckBox::clicked, this, [this] {
    context_.events.RunGuarded({"w_vexlo", "cbx_2", "clicked"},
                               [this] { em_1->setEnabled(cbx_2->isChecked()); });
  });
}

void w_vexlo::OpenWindow() {
  context_.events.RunGuarded({"w_vexlo", "", "open"}, [this] { open(); });
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
  sle_3->setText(QString::fromStdString(context_.state.as_currentpath));
  // The copies field follows a remembered 输出后打印.
  if (RestoreInputs(context_.settings, *this)) em_1->setEnabled(cbx_2->isChecked());
  context_.events.Post({"w_vexlo", "", "ue_opened"}, [this] { ue_opened(); });
  // A settings file that could not be used is said once, when the window is up.
  if (std::optional<std::string> note = context_.settings.Check()) {
    context_.events.Post({"w_vexlo", "", "ue_settings"}, [this, note] {
      context_.host.MessageBox("操作提示", *note);
    });
  }
}

void w_vexlo::ue_opened() {
  setFixedSize(p_1->width(), p_1->height() + 27);
  ole_1->navigate(context_.state.as_datapath + "/html/bottom.html");
  // Starting the servers may take a moment: let the window paint itself first.
  context_.host.KeepAlive(0, -1);
  OfficePresenceCheck(context_.host, excelserver, wordserver, wordserver2);
  // LibreOffice starts in the background once the window is up, so that the first .doc or PDF
  // run finds it running.
  if (context_.office_starter) {
    context_.events.Post({"w_vexlo", "", "ue_warmup"}, [this] { context_.office_starter(); });
  }
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
  context_.events.RunGuarded({"w_vexlo", "", "mousemove"}, [&] { mousemove(flags, x, y); });
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
    if (DropTarget(path, std::filesystem::is_directory(path, error))) {
      event->acceptProposedAction();
      return;
    }
  }
  event->ignore();
}

void w_vexlo::dropEvent(QDropEvent* event) {
  const std::vector<std::string> paths = LocalPaths(event->mimeData());
  context_.events.RunGuarded({"w_vexlo", "", "dragdrop"}, [&] {
    if (commands_.DropPaths(paths) > 0) event->acceptProposedAction();
  });
  activateWindow();
}

void w_vexlo::closeEvent(QCloseEvent* event) {
  context_.events.RunGuarded({"w_vexlo", "", "close"}, [this] {
    RememberInputs(context_.settings, *this);
    template_readiness->Drop();
    excelserver.reset();
    wordserver.reset();
    wordserver2.reset();
  });
  event->accept();
}

}  // namespace vexlo::ui
