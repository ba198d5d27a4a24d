// A merge run's inputs: the data workbook and its sheet, the template and its placeholders, the
// check before the first document and the plan of the records.
#include "merge/merge_session_steps.h"

namespace vexlo::merge::session {

bool MergeSession::OpenedUsersFile(const std::function<void()>& open, const char* advice,
                                   MergeField field) {
  try {
    open();
    return true;
  } catch (const app::RuntimeError& e) {
    if (e.number() != app::kErrFileFormat) throw;
    Refuse(kError, e.text() + "。\n" + advice, field);
    return false;
  }
}

bool MergeSession::OpenData() {
  const bool opened = OpenedUsersFile(
      [&] { excelserver_.get("application").get("workbooks").call("open", {request_.data_path}); },
      "请选择Excel工作簿（.xls、.xlsx）或CSV文件（.csv），或在表格软件中把它另存为.xlsx后再试。",
      MergeField::kData);
  if (!opened) QuitSpreadsheet();
  return opened;
}

void MergeSession::QuitSpreadsheet() {
  excelserver_.get("application").call("quit");
  excelserver_.release();
  started_.clear();
}

bool MergeSession::ChooseSheet() {
  if (IsBlank(request_.sheet) || ActivateWanted(excelserver_, request_.sheet, sheets_)) return true;
  Refuse(kError, UnknownSheetText(request_.data_path, request_.sheet, sheets_), MergeField::kSheet);
  QuitSpreadsheet();
  return false;
}

bool MergeSession::ReadData() {
  int titles = 0;
  try {
    titles = data_->ReadTitles();
    total_ = titles > 0 ? data_->CountRecords() : 0;
  } catch (const app::RuntimeError& e) {
    if (e.number() != app::kErrFileFormat) throw;
    Refuse(kError, e.text() + "。", MergeField::kData);
    QuitSpreadsheet();
    return false;
  }
  if (total_ > 0) return true;
  if (sheets_.names.empty()) {
    try {
      sheets_ = ListSheets(excelserver_);
    } catch (const app::RuntimeError&) {
      // A spreadsheet that cannot list its sheets: only the sheet used is spoken of.
    }
  }
  const std::optional<SheetRecords> other = OtherSheetWithRecords(excelserver_, sheets_, sheets_.active);
  if (!other && titles < 1) {
    Say(kGuidance, "没有获取到任何标题数据！");
  } else {
    Refuse(kGuidance, NoRecordsText(sheets_, other), other ? MergeField::kSheet : MergeField::kData);
  }
  QuitSpreadsheet();
  return false;
}

bool MergeSession::OpenTemplate() {
  return OpenedUsersFile(
      [&] { PrepareDocuments(wordserver_, wordserver2_, request_.template_path); },
      "请选择Word文档（.doc、.docx）作为模板，或在文字处理软件中把它另存为.docx后再试。",
      MergeField::kTemplate);
}

void MergeSession::ReadTemplatePlaceholders() {
  placeholders_ = ReadPlaceholders(wordserver_, data_->TitleNames());
  PrepareTemplate(wordserver_, placeholders_);
  // Bare title text outside the main text may be a label there (a header saying 姓名): it is
  // filled only when asked; a marked placeholder is always meant to be.
  fill_other_stories_ = placeholders_.in_other_stories &&
                        (placeholders_.mode != PlaceholderMode::kPlain || request_.all_stories);
  if (request_.one_file && fill_other_stories_) {
    // One document holds every record but has one set of headers, footers and notes.
    summary_.notes.push_back(
        "提示：所有记录输出到同一个文件时，页眉、页脚和脚注中的标题按第一条记录填写。");
  }
}

bool MergeSession::CheckBeforeTheFirstDocument() {
  ReadTemplatePlaceholders();
  summary_.findings = CheckTemplateAndData(wordserver_, *data_, records_in_sheet_, placeholders_);
  summary_.findings.chosen = plan_.chosen;
  CheckFindings& findings = summary_.findings;
  if (placeholders_.in_other_stories && !fill_other_stories_) {
    findings.other.push_back(
        "页眉、页脚或脚注中也写有列标题，它们按原样保留；如需一并替换，请选择“含页眉页脚”。");
  }
  if (auto loss = ConversionLossFinding(wordserver_)) findings.other.push_back(*std::move(loss));
  if (mail_ && !mail_->ReadAddresses(*data_, total_, findings)) return false;

  if (auto note = MissingTitlesNote(findings.unused_titles)) summary_.notes.push_back(*note);
  if (auto note = UnmatchedPlaceholdersNote(placeholders_.unmatched)) {
    summary_.notes.push_back(*std::move(note));
  }
  for (const std::string& line : SkippedLines(findings.skipped)) summary_.notes.push_back(line);
  if (!plan_.chosen.empty()) summary_.notes.push_back(plan_.chosen);
  if (!request_.as_shown && total_ > 0) {
    summary_.shown_difference = data_->FirstShownDifference(plan_.records.front().row);
  }
  return (findings.empty() && findings.chosen.empty()) || request_.check_only ||
         observer_.ConfirmCheck(findings);
}

bool MergeSession::PlanTheRecords() {
  records_in_sheet_ = total_;
  plan_ = PlanRecords(*data_, records_in_sheet_, request_);
  total_ = static_cast<int>(plan_.records.size());
  if (plan_.refusal.empty()) return true;
  Refuse(kError, plan_.refusal, plan_.field);
  return false;
}

}  // namespace vexlo::merge::session
