// w_vexlo: the program's one window. Frameless and skinned over the background picture, with
// rounded corners, dragged by its background. Holds the three path fields, the list of the data
// workbook's sheets, the four options and
// the copies field, ten icon buttons wired to their commands, and the web panel. After it is on
// screen (posted ue_opened) it fits itself to its picture, shows the web page and checks that the
// spreadsheet and word-processor servers can be reached, then starts LibreOffice ahead of need.
// A .doc template is read in the background as soon as sle_2 names it; 编辑, 示例 and 开始 wait
// for it without blocking (template_readiness.h). Owns the three automation handles
// excelserver, wordserver and wordserver2 until its close event destroys them. UI thread only;
// every handler runs guarded.
#ifndef VEXLO_UI_MAIN_W_VEXLO_H_
#define VEXLO_UI_MAIN_W_VEXLO_H_

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "office/oleobject.h"
#include "ui/main/commands.h"
#include "ui/main/input_fields.h"
#include "ui/main/window_context.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vexlo::ui {

// The tooltip of the copies field when it refuses a key.
extern const char* const kCopiesRefused;

class nvo_drawroundrectwin;
class uo_icobutton;
class Picture;
class RecordOptions;
class TemplateReadiness;
class WebPanel;

class w_vexlo : public QWidget, public InputFields {
  Q_OBJECT

 public:
  static constexpr int32_t wm_nclbuttondown = 161;
  static constexpr int32_t htcaption = 2;

  explicit w_vexlo(WindowContext context, QWidget* parent = nullptr);
  ~w_vexlo() override;

  // Runs the open event, then shows the window centred on the screen.
  void OpenWindow();

  // Events.
  void open();       // recolours, rounds the corners, sets sle_3, posts ue_opened
  void ue_opened();  // fits to the picture, navigates the web panel, checks the servers
  void mousemove(uint32_t flags, int16_t xpos, int16_t ypos);

  // Null until the start-up check creates them.
  std::unique_ptr<office::oleobject> excelserver;
  std::unique_ptr<office::oleobject> wordserver;
  std::unique_ptr<office::oleobject> wordserver2;
  std::unique_ptr<nvo_drawroundrectwin> uo_drawroundrectwin;

  // Controls, in creation order.
  QLabel* st_ver = nullptr;
  QLabel* st_7 = nullptr;
  uo_icobutton* uo_10 = nullptr;
  uo_icobutton* uo_9 = nullptr;
  uo_icobutton* uo_8 = nullptr;
  WebPanel* ole_1 = nullptr;
  uo_icobutton* uo_7 = nullptr;
  uo_icobutton* uo_6 = nullptr;
  QCheckBox* cbx_3 = nullptr;
  QLineEdit* em_1 = nullptr;
  QLabel* st_5 = nullptr;
  QCheckBox* cbx_2 = nullptr;
  QCheckBox* cbx_4 = nullptr;
  QCheckBox* cbx_1 = nullptr;
  QCheckBox* cbx_5 = nullptr;  // 数值按表格格式
  QCheckBox* cbx_6 = nullptr;  // 含页眉页脚
  QPushButton* cb_1 = nullptr;  // 预览: a record's slip before the run
  QCheckBox* cbx_7 = nullptr;  // 发送邮件: each record's file to the address in its row
  QPushButton* pb_mail = nullptr;  // 邮件设置…
  uo_icobutton* uo_5 = nullptr;
  uo_icobutton* uo_4 = nullptr;
  uo_icobutton* uo_3 = nullptr;
  uo_icobutton* uo_2 = nullptr;
  uo_icobutton* uo_1 = nullptr;
  QLineEdit* sle_3 = nullptr;
  QLineEdit* sle_2 = nullptr;
  QLabel* st_3 = nullptr;
  QLabel* st_2 = nullptr;
  QLabel* st_1 = nullptr;
  QLineEdit* sle_1 = nullptr;
  QLabel* st_8 = nullptr;        // "工作表："
  QComboBox* ddlb_1 = nullptr;   // the sheets of sle_1's workbook; the chosen one is read
  Picture* p_1 = nullptr;
  QLabel* st_6 = nullptr;

  // The template of sle_2 being read by LibreOffice; what waits for it.
  TemplateReadiness* template_readiness = nullptr;
  // The records chosen, their names, the protection of their PDFs.
  RecordOptions* record_options = nullptr;

 // What main() gave the window (the host, the events, the folders, ...).
  const WindowContext& context() const { return context_; }

  // The controls' values (window_inputs.cpp).
  merge::MergeRequest ReadInputs() const override;
  void WriteInputs(const merge::MergeRequest& inputs) override;
  void FocusField(merge::MergeField field) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void CreateControls();
  void ConnectCommands();
  // Runs `command` as the ue_clicked handler of `control`.
  void OnClicked(uo_icobutton* button, const char* control, std::function<void()> command);
  // Shows `text` on the status strip; "" puts back the banner's hint.
  void ShowStatus(const std::string& text);

  WindowContext context_;
  Commands commands_;
  QWidget* focus_mark_ = nullptr;  // drawn around the control that Tab reached
  bool move_fallback_ = false;  // the window system could not move the window itself
  QPoint press_offset_;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_W_VEXLO_H_
