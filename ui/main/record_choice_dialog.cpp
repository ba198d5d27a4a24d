#include "ui/main/record_choice_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <climits>

namespace vexlo::ui {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.trimmed().toStdString(); }

constexpr int kContains = 1;  // the index of 包含 in ddlb_how

}  // namespace

RecordChoiceDialog::RecordChoiceDialog(const std::vector<std::string>& titles,
                                       const RecordSelection& selection, QWidget* parent)
    : QDialog(parent) {
  setObjectName("w_records");
  setWindowTitle("选择记录和文件名");
  auto* form = new QFormLayout;

  ddlb_column = new QComboBox(this);
  ddlb_column->setObjectName("ddlb_column");
  ddlb_column->setEditable(true);
  ddlb_column->addItem("");
  for (const std::string& t : titles) ddlb_column->addItem(Q(t));
  ddlb_how = new QComboBox(this);
  ddlb_how->setObjectName("ddlb_how");
  ddlb_how->addItems({"等于", "包含"});
  sle_value = new QLineEdit(this);
  sle_value->setObjectName("sle_value");
  auto* condition = new QHBoxLayout;
  condition->addWidget(ddlb_column, 2);
  condition->addWidget(ddlb_how, 1);
  condition->addWidget(sle_value, 3);
  form->addRow("按列筛选", condition);

  sle_rows = new QLineEdit(this);
  sle_rows->setObjectName("sle_rows");
  sle_rows->setPlaceholderText("如 2-50 或 2-10,20-（表格的行号，留空为全部）");
  form->addRow("只制作这些行", sle_rows);

  cbx_totals = new QCheckBox("不制作第一列为“合计”“小计”“总计”的行", this);
  cbx_totals->setObjectName("cbx_totals");
  form->addRow("", cbx_totals);

  sle_pattern = new QLineEdit(this);
  sle_pattern->setObjectName("sle_pattern");
  sle_pattern->setPlaceholderText("如 {工号}_{姓名}_2026年11月（留空时用第一列）");
  ddlb_insert = new QComboBox(this);
  ddlb_insert->setObjectName("ddlb_insert");
  ddlb_insert->addItem("插入标题");
  for (const std::string& t : titles) ddlb_insert->addItem(Q(t));
  connect(ddlb_insert, &QComboBox::activated, this, [this](int index) {
    if (index > 0) sle_pattern->insert("{" + ddlb_insert->itemText(index) + "}");
    ddlb_insert->setCurrentIndex(0);
    sle_pattern->setFocus();
  });
  auto* pattern = new QHBoxLayout;
  pattern->addWidget(sle_pattern, 3);
  pattern->addWidget(ddlb_insert, 1);
  form->addRow("文件名", pattern);

  st_error = new QLabel(this);
  st_error->setObjectName("st_error");
  st_error->setStyleSheet("color: #c00000;");
  st_error->setWordWrap(true);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton("确定", QDialogButtonBox::AcceptRole);
  buttons->addButton("取消", QDialogButtonBox::RejectRole);
  QPushButton* clear = buttons->addButton("全部清除", QDialogButtonBox::ResetRole);
  connect(clear, &QPushButton::clicked, this, [this] { Clear(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (Selection()) accept();
  });

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(st_error);
  layout->addWidget(buttons);
  setMinimumWidth(520);
  Fill(selection);
}

void RecordChoiceDialog::Fill(const RecordSelection& selection) {
  const merge::RecordChoice& choice = selection.choice;
  if (!choice.filters.empty()) {
    const merge::RecordFilter& f = choice.filters.front();
    ddlb_column->setCurrentText(Q(f.title));
    ddlb_how->setCurrentIndex(f.contains ? kContains : 0);
    sle_value->setText(Q(f.value));
  }
  std::string rows;
  for (const merge::RowRange& r : choice.rows) {
    if (!rows.empty()) rows += ",";
    rows += std::to_string(r.first);
    if (r.last != r.first) rows += "-" + (r.last == INT_MAX ? std::string() : std::to_string(r.last));
  }
  sle_rows->setText(Q(rows));
  cbx_totals->setChecked(choice.skip_totals);
  sle_pattern->setText(Q(selection.name_pattern));
}

void RecordChoiceDialog::Clear() {
  ddlb_column->setCurrentText("");
  ddlb_how->setCurrentIndex(0);
  sle_value->clear();
  sle_rows->clear();
  cbx_totals->setChecked(false);
  sle_pattern->clear();
  st_error->clear();
}

std::optional<RecordSelection> RecordChoiceDialog::Selection() {
  RecordSelection selection;
  const std::string column = S(ddlb_column->currentText());
  if (!column.empty()) {
    selection.choice.filters.push_back(
        {column, S(sle_value->text()), ddlb_how->currentIndex() == kContains});
  } else if (!S(sle_value->text()).empty()) {
    st_error->setText("请选择要按哪一列选择记录。");
    ddlb_column->setFocus();
    return std::nullopt;
  }
  const std::string rows = S(sle_rows->text());
  if (!rows.empty()) {
    const auto ranges = merge::ParseRowRanges(rows);
    if (!ranges) {
      st_error->setText("行范围应写成“2-50”“7”或用逗号隔开的几段，行号从 2 起。");
      sle_rows->setFocus();
      return std::nullopt;
    }
    selection.choice.rows = *ranges;
  }
  selection.choice.skip_totals = cbx_totals->isChecked();
  selection.name_pattern = S(sle_pattern->text());
  st_error->clear();
  return selection;
}

}  // namespace vexlo::ui
