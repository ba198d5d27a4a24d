// The main window's inputs as values: the one place its controls are read into a request and
// the one place a request is written back into them.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "ui/mail/mail_store.h"
#include "ui/main/record_options.h"
#include "ui/main/w_vexlo.h"

namespace vexlo::ui {

merge::MergeRequest w_vexlo::ReadInputs() const {
  merge::MergeRequest inputs;
  inputs.data_path = sle_1->text().toStdString();
  inputs.template_path = sle_2->text().toStdString();
  inputs.output_folder = sle_3->text().toStdString();
  inputs.copies_text = em_1->text().toStdString();
  inputs.visible = cbx_3->isChecked();
  inputs.print = cbx_2->isChecked();
  inputs.pdf = cbx_4->isChecked();
  inputs.one_file = cbx_1->isChecked();
  inputs.as_shown = cbx_5->isChecked();
  inputs.all_stories = cbx_6->isChecked();
  if (ddlb_1->isEnabled()) inputs.sheet = ddlb_1->currentText().toStdString();
  record_options->Apply(inputs);
  if (cbx_7->isChecked()) inputs.mail = LoadMailSettings();
  return inputs;
}

void w_vexlo::WriteInputs(const merge::MergeRequest& inputs) {
  const auto set_text = [](QLineEdit* field, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (field->text() != value) field->setText(value);  // a path field reacts to changes only
  };
  // The data file first: its sheets are listed before one of them is chosen.
  set_text(sle_1, inputs.data_path);
  if (const int index = ddlb_1->findText(QString::fromStdString(inputs.sheet));
      !inputs.sheet.empty() && index >= 0) {
    ddlb_1->setCurrentIndex(index);
  }
  set_text(sle_2, inputs.template_path);
  set_text(sle_3, inputs.output_folder);
  set_text(em_1, inputs.copies_text);
  cbx_3->setChecked(inputs.visible);
  // The copies field follows 输出后打印 when that changes.
  if (cbx_2->isChecked() != inputs.print) {
    cbx_2->setChecked(inputs.print);
    em_1->setEnabled(inputs.print);
  }
  cbx_4->setChecked(inputs.pdf);
  cbx_1->setChecked(inputs.one_file);
  cbx_5->setChecked(inputs.as_shown);
  cbx_6->setChecked(inputs.all_stories);
  cbx_7->setChecked(inputs.mail.has_value());
}

void w_vexlo::FocusField(merge::MergeField field) {
  QWidget* target = nullptr;
  switch (field) {
    case merge::MergeField::kData: target = sle_1; break;
    case merge::MergeField::kTemplate: target = sle_2; break;
    case merge::MergeField::kOutput: target = sle_3; break;
    case merge::MergeField::kCopies: target = em_1; break;
    case merge::MergeField::kPrint: target = cbx_2; break;
    case merge::MergeField::kPdf: target = cbx_4; break;
    case merge::MergeField::kSheet: target = ddlb_1; break;
  }
  if (target != nullptr) target->setFocus(Qt::OtherFocusReason);
}

}  // namespace vexlo::ui
