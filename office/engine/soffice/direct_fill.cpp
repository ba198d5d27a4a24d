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

std::vector<DirectTemplate> DirectTemplates::All() const {
  std::lock_guard lock(mutex_);
  std::vector<DirectTemplate> all;
  for (const auto& [frame, tmpl] : templates_) all.push_back(tmpl);
  return all;
}

bool DirectTemplates::empty() const {
  std::lock_guard lock(mutex_);
  return templates_.empty();
}

DocxTexts Repeated(const DocxTexts& texts, std::size_t copies) {
  DocxTexts all = texts;
  for (std::size_t k = 1; k < copies; ++k) {
    all.paragraphs.insert(all.paragraphs.end(), texts.paragraphs.begin(), texts.paragraphs.end());
    all.spans.insert(all.spans.end(), texts.spans.begin(), texts.spans.end());
    all.marks.insert(all.marks.end(), texts.marks.begin(), texts.marks.end());
  }
  return all;
}

namespace {

constexpr char kNotInPlace[] = "有的值不能放在模板原有的文字位置上，不能在 LibreOffice 中直接按原 .doc 模板填写";

}  // namespace

std::optional<DirectPlan> PlanDirect(const DirectTemplates& templates, const DocxTexts& texts, std::string& why) {
  why.clear();
  if (!texts.ok) return std::nullopt;
  // One record: a package of the template's frame.
  if (const std::optional<DirectTemplate> tmpl = templates.Find(texts.frame)) {
    // A value left empty deletes its title's text in the original, as typing it there would.
    std::optional<std::vector<ParagraphEdits>> edits = RecordEdits(tmpl->texts, texts, true);
    if (!edits) {
      why = kNotInPlace;
      return std::nullopt;
    }
    return DirectPlan{tmpl->doc, 1, tmpl->texts.paragraphs, std::move(*edits)};
  }
  // Several records in one document: whole copies of a template's paragraphs, run for run.
  for (const DirectTemplate& tmpl : templates.All()) {
    const std::size_t count = tmpl.texts.paragraphs.size();
    if (count == 0 || texts.paragraphs.size() < 2 * count || texts.paragraphs.size() % count != 0) continue;
    const DocxTexts from = Repeated(tmpl.texts, texts.paragraphs.size() / count);
    if (std::optional<std::vector<ParagraphEdits>> edits = RecordEdits(from, texts, true)) {
      return DirectPlan{tmpl.doc, texts.paragraphs.size() / count, from.paragraphs, std::move(*edits)};
    }
  }
  // A document made from such a template otherwise (values in its headers or footers, ...) keeps
  // its properties: it is not made at all rather than made through the .docx that loses content.
  for (const DirectTemplate& tmpl : templates.All()) {
    if (tmpl.texts.properties == texts.properties) {
      why = "它的页眉、页脚或文字结构与模板不同，不能在 LibreOffice 中直接按原 .doc 模板填写";
      break;
    }
  }
  return std::nullopt;
}

}  // namespace vexlo::engine
