#include "ui/main/record_options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <filesystem>
#include <memory>

#include "app/host.h"
#include "merge/blank.h"
#include "merge/record_plan.h"
#include "ui/main/generation_window.h"
#include "ui/main/settings_file.h"
#include "ui/main/skin.h"
#include "ui/main/skin_palette.h"

namespace vexlo::ui {
namespace {

namespace fs = std::filesystem;

// The window's settings, or nullptr when the settings file is not to be touched this session.
std::unique_ptr<QSettings> Store() {
  if (!SettingsUsable()) return nullptr;
  return std::make_unique<QSettings>(QString::fromStdString(SettingsFilePath()), QSettings::IniFormat);
}

template <typename W, typename... Args>
W* Place(QWidget* window, const char* name, QRect geometry, Args&&... args) {
  auto* w = new W(window, std::forward<Args>(args)...);
  w->setObjectName(name);
  w->setGeometry(geometry);
  // A press on a control never reaches the window (and so never drags it).
  w->setAttribute(Qt::WA_NoMousePropagation);
  return w;
}

// A column list that reads the titles when it opens, keeping what was typed or chosen.
class TitleList : public QComboBox {
 public:
  TitleList(QWidget* parent, std::function<std::vector<std::string>()> titles)
      : QComboBox(parent), titles_(std::move(titles)) {}

  void showPopup() override {
    const QString current = currentText();
    clear();
    for (const std::string& t : titles_()) addItem(QString::fromStdString(t));
    setCurrentText(current);
    QComboBox::showPopup();
  }

 private:
  std::function<std::vector<std::string>()> titles_;
};

}  // namespace

RecordOptions::RecordOptions(QWidget* window, std::function<std::string()> data_path, QCheckBox* pdf_box)
    : QObject(window), data_path_(std::move(data_path)) {
  cb_records = Place<QPushButton>(window, "cb_records", {138, 398, 151, 24});
  cb_records->setText("选择记录和文件名…");
  cb_records->setFont(SongTi(9));
  cb_records->setToolTip("只制作部分记录（按列的值、行号，或不含合计行），或用几列的值组成文件名");
  connect(cb_records, &QPushButton::clicked, this, [this] { ChooseRecords(); });

  cbx_protect = Place<QCheckBox>(window, "cbx_protect", {20, 431, 116, 15});
  cbx_protect->setText("PDF加密，密码列");
  cbx_protect->setFont(SongTi(9));
  cbx_protect->setStyle(CheckBoxStyle());
  SetColours(cbx_protect, Qt::white, palette::kBlue);
  cbx_protect->setToolTip("每条记录的PDF要用该记录这一列的值才能打开；可以打印，不能修改");
  ddlb_password = Place<TitleList>(window, "ddlb_password", {138, 428, 84, 21}, [this] { return Titles(); });
  ddlb_password->setEditable(true);
  ddlb_password->setFont(SongTi(9));
  em_last = Place<QSpinBox>(window, "em_last", {225, 428, 64, 21});
  em_last->setRange(0, merge::kMaxPasswordLast);
  em_last->setSpecialValueText("全部");
  em_last->setPrefix("后 ");
  em_last->setSuffix(" 位");
  em_last->setFont(SongTi(9));
  em_last->setToolTip("密码取这一列的值的最后几位（身份证后六位：6）；“全部”为整个值");

  if (const std::unique_ptr<QSettings> store = Store()) {
    cbx_protect->setChecked(store->value("records/protect", false).toBool());
    ddlb_password->setCurrentText(store->value("records/password_column").toString());
    em_last->setValue(store->value("records/password_last", 0).toInt());
  }

  connect(cbx_protect, &QCheckBox::toggled, this, [this, pdf_box](bool on) {
    if (on && pdf_box != nullptr) pdf_box->setChecked(true);
    Remember();
  });
  connect(ddlb_password, &QComboBox::currentTextChanged, this, [this] { Remember(); });
  connect(em_last, &QSpinBox::valueChanged, this, [this] { Remember(); });
}

QList<QWidget*> RecordOptions::TabStops() const { return {cb_records, cbx_protect, ddlb_password, em_last}; }

void RecordOptions::Remember() const {
  const std::unique_ptr<QSettings> store = Store();
  if (!store) return;
  store->setValue("records/protect", cbx_protect->isChecked());
  store->setValue("records/password_column", ddlb_password->currentText().trimmed());
  store->setValue("records/password_last", em_last->value());
}

bool RecordOptions::Ready() {
  if (!cbx_protect->isChecked() || !ddlb_password->currentText().trimmed().isEmpty()) return true;
  app::host().MessageBox("操作提示", "请选择作PDF密码的列（如“身份证号”），或取消“PDF加密”。");
  ddlb_password->setFocus(Qt::OtherFocusReason);
  return false;
}

void RecordOptions::Apply(merge::MergeRequest& request) const {
  request.choice = selection_.choice;
  request.name_pattern = selection_.name_pattern;
  if (cbx_protect->isChecked()) {
    request.pdf_password_column = ddlb_password->currentText().trimmed().toStdString();
    request.password_last = em_last->value();
  }
}

void RecordOptions::SetSelection(const RecordSelection& selection) {
  selection_ = selection;
  cb_records->setText(selection_.any() ? "已选择记录和文件名…" : "选择记录和文件名…");
  std::string tip = selection_.choice.any() ? "只制作：" + merge::ChoiceText(selection_.choice) : "制作全部记录";
  if (!selection_.name_pattern.empty()) tip += "\n文件名：" + selection_.name_pattern;
  cb_records->setToolTip(QString::fromStdString(tip));
}

void RecordOptions::ChooseRecords() {
  RecordChoiceDialog dialog(Titles(), selection_, cb_records->window());
  if (dialog.exec() != QDialog::Accepted) return;
  if (std::optional<RecordSelection> chosen = dialog.Selection()) SetSelection(*chosen);
}

std::vector<std::string> RecordOptions::Titles() {
  const std::string path = data_path_ ? data_path_() : std::string();
  if (merge::IsBlank(path)) return {};
  std::error_code ec;
  const auto written = fs::last_write_time(path, ec);
  if (ec) return {};
  const std::string key = path + "|" + std::to_string(written.time_since_epoch().count());
  if (key != titles_of_) {
    titles_ = WorkbookSheet(path, false)->Titles();
    titles_of_ = key;
  }
  return titles_;
}

}  // namespace vexlo::ui
