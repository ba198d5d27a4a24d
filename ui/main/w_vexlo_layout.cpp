// The main window's controls: where each one is, how it looks, and the tab order.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/main/banner.h"
#include "ui/main/record_options.h"
#include "ui/main/skin.h"
#include "ui/main/skin_palette.h"
#include "ui/main/w_vexlo.h"
#include "ui/main/web_panel.h"
#include "ui/main/window_controls.h"
#include "ui/mail/mail_command.h"
#include "ui/widgets/uo_icobutton.h"

namespace vexlo::ui {

void w_vexlo::CreateControls() {
  st_ver = MakeText(this, "st_ver", {299, 5, 44, 24}, "2.6", ArialBold(18), Qt::white,
                    palette().color(QPalette::Button), Qt::AlignHCenter);
  st_7 = MakeText(this, "st_7", {0, 480, 712, 27}, "", SongTi(12), Qt::white, kRed,
                  Qt::AlignLeft);
  app::Events& events = context_.events;
  const std::string& data = context_.state.as_datapath;
  uo_10 = MakeButton(this, events, data, "uo_10", {609, 260, 32, 32},
                     {"resource/slb.jpg", "resource/slb2.jpg", "", "示例", ""});
  uo_9 = MakeButton(this, events, data, "uo_9", {609, 180, 32, 32},
                    {"resource/sl.jpg", "resource/sl2.jpg", "", "示例", ""});
  uo_8 = MakeButton(this, events, data, "uo_8", {573, 298, 32, 32},
                    {"resource/openb.jpg", "resource/openb2.jpg", "", "打开", ""});
  ole_1 = new WebPanel(this, context_.host, events);
  ole_1->setObjectName("ole_1");
  ole_1->setGeometry(431, 85, 267, 41);
  ole_1->setAttribute(Qt::WA_NoMousePropagation);
  uo_7 = MakeButton(this, events, data, "uo_7", {677, 1, 32, 32},
                    {"resource/close.jpg", "resource/close2.jpg", "", "关闭", ""});
  uo_6 = MakeButton(this, events, data, "uo_6", {296, 397, 129, 54},
                    {"resource/ks.jpg", "resource/ks2.jpg", "", "", "开始制作"});
  cbx_3 = MakeCheck(this, "cbx_3", {224, 340, 90, 15}, "可见生成过程", true);
  em_1 = MakeCopiesField(this, "em_1", {481, 340, 32, 15});
  em_1->setText("1");
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
  connect(pb_mail, &QPushButton::clicked, this, [this] {
    context_.events.RunGuarded({"w_vexlo", "pb_mail", "clicked"},
                               [this] { OpenMailSettings(this, context_.mail_passwords); });
  });
  uo_5 = MakeButton(this, events, data, "uo_5", {536, 298, 32, 32},
                    {"resource/mlb.jpg", "resource/mlb2.jpg", "", "选择输出目录", ""});
  uo_4 = MakeButton(this, events, data, "uo_4", {573, 260, 32, 32},
                    {"resource/openb.jpg", "resource/openb2.jpg", "", "编辑", ""});
  uo_3 = MakeButton(this, events, data, "uo_3", {536, 260, 32, 32},
                    {"resource/mlb.jpg", "resource/mlb2.jpg", "", "选择WORD模板文件", ""});
  uo_2 = MakeButton(this, events, data, "uo_2", {573, 180, 32, 32},
                    {"resource/open.jpg", "resource/open2.jpg", "", "编辑", ""});
  uo_1 = MakeButton(this, events, data, "uo_1", {536, 180, 32, 32},
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
  st_6 = MakeText(this, "st_6", {13, 484, 357, 18}, BannerText(context_.facts).c_str(),
                  SongTi(12, true), kWarningText, kRed, Qt::AlignHCenter);

  record_options = new RecordOptions(
      this, context_.host, context_.settings, [this] { return sle_1->text().toStdString(); },
      cbx_4);

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

}  // namespace vexlo::ui
