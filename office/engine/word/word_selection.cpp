#include "office/engine/word/word_selection.h"

#include <optional>

#include "app/runtime_error.h"
#include "office/engine/word/word_document.h"

namespace vexlo::engine::word {

using app::RuntimeError;
using office::Args;
using office::Value;

namespace {

// The engine's clipboard, shared by every instance of the process.
std::optional<ClipContent>& Clipboard() {
  static std::optional<ClipContent> clip;
  return clip;
}

}  // namespace

void ClearEngineClipboard() { Clipboard().reset(); }

WordFind::WordFind(ActiveDocument active) : AutomationObject("Find"), active_(std::move(active)) {
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
    const int32_t replace = a.Long(10, 0);
    std::shared_ptr<WordDocument> doc = active_();
    if (replace == 0) return Value(doc->model().Replace(text, nullptr, options) > 0);
    const std::string with = a.Text(9, "");
    if (replace == 1) options.max_replacements = 1;
    return Value(doc->model().Replace(text, &with, options) > 0);
  });
}

WordSelection::WordSelection(ActiveDocument active)
    : AutomationObject("Selection"),
      active_(std::move(active)),
      find_(std::make_shared<WordFind>(active_)) {
  AddMethod("wholestory", 0, 0, [this](const Args&) {
    whole_story_of_ = active_();
    return Value();
  });
  AddMethod("copy", 0, 0, [this](const Args&) {
    std::shared_ptr<WordDocument> doc = active_();
    if (whole_story_of_.lock() != doc) {
      throw RuntimeError::Automation("自动化调用失败：没有选定任何内容，无法复制");
    }
    Clipboard() = doc->model().Copy();
    return Value();
  });
  AddMethod("paste", 0, 0, [this](const Args&) {
    std::shared_ptr<WordDocument> doc = active_();
    if (!Clipboard()) throw RuntimeError::Automation("自动化调用失败：剪贴板是空的，无法粘贴");
    if (whole_story_of_.lock() == doc) {
      // Pasting over the whole story replaces it.
      doc->FlushSave();
      doc->model().Clear();
    } else if (doc->model().blank()) {
      doc->FlushSave();
    }
    doc->model().Paste(*Clipboard());
    whole_story_of_.reset();  // the insertion point is now after the pasted text
    return Value();
  });
  AddProperty("find", [this] { return Value(std::static_pointer_cast<office::Dispatch>(find_)); });
}

}  // namespace vexlo::engine::word
