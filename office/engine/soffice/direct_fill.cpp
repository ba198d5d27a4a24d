#include "office/engine/soffice/direct_fill.h"

namespace vexlo::engine {

bool DirectTemplates::Add(const std::string& doc, const DocxTexts& texts) {
  if (!texts.ok || doc.empty()) return false;
  std::lock_guard lock(mutex_);
  templates_[texts.frame] = DirectTemplate{doc, texts};
  return true;
}

std::optional<DirectTemplate> DirectTemplates::Find(std::size_t frame) const {
  std::lock_guard lock(mutex_);
  const auto found = templates_.find(frame);
  if (found == templates_.end()) return std::nullopt;
  return found->second;
}

bool DirectTemplates::empty() const {
  std::lock_guard lock(mutex_);
  return templates_.empty();
}

std::optional<std::vector<ParagraphEdits>> DirectEdits(const DirectTemplate& tmpl, const DocxTexts& record,
                                                       std::string& why) {
  if (!record.ok || record.frame != tmpl.texts.frame) {
    why = "它与模板的结构不同，不能在 LibreOffice 中直接按原 .doc 模板填写";
    return std::nullopt;
  }
  std::optional<std::vector<ParagraphEdits>> edits = RecordEdits(tmpl.texts, record);
  // An empty value removes its run, and the run's formatting with it, which the original's own
  // run would not: such a record is not made rather than made otherwise.
  if (!edits) why = "有的值为空或不能放在模板原有的文字位置上，不能在 LibreOffice 中直接按原 .doc 模板填写";
  return edits;
}

}  // namespace vexlo::engine
