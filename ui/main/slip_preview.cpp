#include "ui/main/slip_preview.h"

#include "app/runtime_error.h"
#include "merge/document_generation.h"
#include "merge/pre_write_check.h"
#include "office/value.h"

namespace vexlo::ui {

using office::Value;

SlipPreview::~SlipPreview() { Quit(); }

void SlipPreview::Quit() {
  for (office::oleobject* instance : {&word2_, &word_, &excel_}) {
    try {
      if (instance->connected()) instance->get("application").call("quit");
    } catch (const app::RuntimeError&) {
      // Gone already: nothing is left to end.
    }
    instance->release();
  }
}

bool SlipPreview::Open(std::string& why) {
  try {
    if (excel_.start_new("excel.application") < 0 || word_.start_new("word.application") < 0 ||
        word2_.start_new("word.application") < 0) {
      why = "无法启动表格或文字处理程序。";
      return false;
    }
    excel_.get("application").get("workbooks").call("open", {Value(request_.data_path)});
    data_ = std::make_unique<merge::DataSource>(excel_, request_.as_shown);
    if (data_->ReadTitles() < 1) {
      why = "没有获取到任何标题数据！";
      return false;
    }
    titles_ = data_->TitleNames();
    records_ = data_->CountRecords();
    if (records_ == 0) {
      why = "数据表中没有记录（第 2 行第一列为空）。";
      return false;
    }
    // The records the run would make, with the names it would give them.
    plan_ = merge::PlanRecords(*data_, records_, request_);
    if (!plan_.refusal.empty()) {
      why = plan_.refusal;
      return false;
    }
    merge::PrepareDocuments(word_, word2_, request_.template_path);
    placeholders_ = merge::ReadPlaceholders(word_, titles_);
    merge::PrepareTemplate(word_, placeholders_);
    findings_ = merge::CheckTemplateAndData(word_, *data_, records_, placeholders_);
    findings_.chosen = plan_.chosen;
    records_ = static_cast<int>(plan_.records.size());
  } catch (const app::RuntimeError& e) {
    why = e.text() + "。";
    return false;
  }
  return true;
}

std::string SlipPreview::RecordName(int index) const {
  return plan_.records.at(static_cast<std::size_t>(index - 1)).wanted_name;
}

std::vector<std::string> SlipPreview::Paragraphs(int index) {
  const int row = plan_.records.at(static_cast<std::size_t>(index - 1)).row;
  // Each record is filled into a fresh document, as one document per record is made; the one
  // shown before is closed unsaved.
  if (word2_.get("documents").get("count").kind() == Value::Kind::kLong &&
      word2_.get("documents").get("count").long_value() > 0) {
    word2_.get("documents").call("item", {Value(1)}).call("close", {Value(false)});
  }
  merge::NewRecordDocument(word2_);
  merge::FillRecord(word_, word2_, titles_, [&](std::size_t k) {
    return data_->ReadFieldValue(static_cast<int>(k) + 1, row);
  }, placeholders_);
  const std::string text =
      office::ToText(word2_.get("activedocument").get("content").get("text")).value_or("");
  std::vector<std::string> paragraphs;
  std::size_t from = 0;
  for (std::size_t at = text.find('\r'); at != std::string::npos; at = text.find('\r', from)) {
    paragraphs.push_back(text.substr(from, at - from));
    from = at + 1;
  }
  if (from < text.size()) paragraphs.push_back(text.substr(from));
  return paragraphs;
}

}  // namespace vexlo::ui
