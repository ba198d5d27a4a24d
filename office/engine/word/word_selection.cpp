#include "office/engine/word/word_selection.h"

#include <algorithm>
#include <optional>

#include "app/runtime_error.h"
#include "office/engine/word/word_document.h"
#include "office/engine/word/word_stories.h"

namespace vexlo::engine::word {

using app::RuntimeError;
using office::Args;
using office::Value;

namespace {

// A position as an automation long; a story never comes near 2^31 characters.
Value Position(int64_t pos) {
  return Value(static_cast<int32_t>(std::min<int64_t>(pos, INT32_MAX)));
}

}  // namespace

WordFind::WordFind(std::function<FindScope()> scope)
    : AutomationObject("Find"), scope_(std::move(scope)) {
  // FindText, MatchCase, MatchWholeWord, MatchWildcards, MatchSoundsLike, MatchAllWordForms,
  // Forward, Wrap, Format, ReplaceWith, Replace, ...
  AddMethod("execute", 0, 15, [this](const Args& a) {
    const std::string text = a.Text(0, "");
    FindOptions options;
    options.match_case = a.Bool(1, false);
    options.whole_word = a.Bool(2, false);
    if (a.Bool(3, false)) {
      throw RuntimeError::Automation("自动化调用失败：查找不支持通配符（MatchWildcards）");
    }
    const FindScope scope = scope_();
    // A range is searched alone unless the search is to continue past its end (wrap 1); the
    // selection's find always covers the whole story.
    if (scope.range && a.Long(7, 0) != 1) {
      options.first_block = scope.span.first;
      options.end_block = scope.span.end;
    }
    const int32_t replace = a.Long(10, 0);
    DocumentModel& model = scope.doc->model();
    if (replace == 0) return Value(model.Replace(text, nullptr, options) > 0);
    const std::string with = a.Text(9, "");
    if (replace == 1) options.max_replacements = 1;
    return Value(model.Replace(text, &with, options) > 0);
  });
}

WordRange::WordRange(std::weak_ptr<WordDocument> doc, bool whole, BlockSpan span,
                     uint64_t generation)
    : AutomationObject("Range"),
      doc_(std::move(doc)),
      whole_(whole),
      span_(span),
      generation_(generation) {
  AddProperty("start", [this] {
    const std::shared_ptr<WordDocument> doc = Document();
    return Position(whole_ ? 0 : doc->model().BlockStart(span_.first));
  });
  AddProperty("end", [this] {
    const DocumentModel& model = Document()->model();
    return Position(whole_ || span_.end == model.block_count() ? model.ContentEnd()
                                                                : model.BlockStart(span_.end));
  });
  AddProperty("text", [this] {
    const DocumentModel& model = Document()->model();
    return whole_ ? Value(model.Text()) : Value(model.Text(span_.first, span_.end));
  });
  AddProperty("storytype", [] { return Value(kMainTextStory); });
  AddProperty("fields", [this] {
    if (!whole_) throw RuntimeError::Automation("自动化调用失败：这里只能取得整篇正文的域");
    return FieldsOf(Document(), "");
  });
  AddProperty("find", [this] {
    if (!find_) {
      find_ = std::make_shared<WordFind>([this] { return FindScope{Document(), !whole_, span_}; });
    }
    return Value(std::static_pointer_cast<office::Dispatch>(find_));
  });
}

std::shared_ptr<WordDocument> WordRange::Document() const {
  std::shared_ptr<WordDocument> doc = doc_.lock();
  if (!doc || doc->closed()) throw RuntimeError::Automation("自动化调用失败：区域所在的文档已经关闭");
  if (!whole_ && doc->model().generation() != generation_) {
    throw RuntimeError::Automation("自动化调用失败：区域已经失效：它所在的内容已被整篇替换");
  }
  return doc;
}

WordSelection::WordSelection(ActiveDocument active, WordClipboard& clipboard)
    : AutomationObject("Selection"),
      active_(std::move(active)),
      clipboard_(clipboard),
      find_(std::make_shared<WordFind>([this] { return FindScope{active_(), false, {}}; })) {
  AddMethod("wholestory", 0, 0, [this](const Args&) {
    whole_story_of_ = active_();
    return Value();
  });
  AddMethod("copy", 0, 0, [this](const Args&) {
    std::shared_ptr<WordDocument> doc = active_();
    if (whole_story_of_.lock() != doc) {
      throw RuntimeError::Automation("自动化调用失败：没有选定任何内容，无法复制");
    }
    clipboard_.content = std::make_shared<const ClipContent>(doc->model().Copy());
    return Value();
  });
  AddMethod("paste", 0, 0, [this](const Args&) {
    std::shared_ptr<WordDocument> doc = active_();
    if (!clipboard_.content) throw RuntimeError::Automation("自动化调用失败：剪贴板是空的，无法粘贴");
    if (whole_story_of_.lock() == doc) {
      // Pasting over the whole story replaces it.
      doc->FlushSave();
      doc->model().Clear();
    } else if (doc->model().blank()) {
      doc->FlushSave();
    }
    doc->model().Paste(*clipboard_.content);
    whole_story_of_.reset();  // the insertion point is now after the pasted text
    return Value();
  });
  AddProperty("find", [this] { return Value(std::static_pointer_cast<office::Dispatch>(find_)); });
  // The whole story when it is selected, else the insertion point after the last paste.
  AddProperty("start", [this] {
    std::shared_ptr<WordDocument> doc = active_();
    return Position(whole_story_of_.lock() == doc ? 0 : doc->model().InsertionPoint());
  });
  AddProperty("end", [this] {
    std::shared_ptr<WordDocument> doc = active_();
    return Position(whole_story_of_.lock() == doc ? doc->model().ContentEnd()
                                                  : doc->model().InsertionPoint());
  });
}

}  // namespace vexlo::engine::word
