// WordSelection, WordRange and WordFind: the "Selection" of a word-processor instance (the whole
// story or the insertion point at its end, in the active document) with wholestory, copy and
// paste through the engine's own clipboard (the desktop clipboard is left alone), start and end;
// a "Range" of a document between two character positions; and the "Find" of either with execute
// and its eleven arguments. UI thread only; raises app::RuntimeError.
#ifndef VEXLO_OFFICE_ENGINE_WORD_WORD_SELECTION_H_
#define VEXLO_OFFICE_ENGINE_WORD_WORD_SELECTION_H_

#include <cstdint>
#include <functional>
#include <memory>

#include "office/automation_object.h"

namespace vexlo::engine::word {

class WordDocument;

// The active document of the instance, or a run-time error when none is open.
using ActiveDocument = std::function<std::shared_ptr<WordDocument>()>;

// Where a find looks: the whole document, or the range [start, end) of it.
struct FindScope {
  std::shared_ptr<WordDocument> doc;
  bool range = false;
  int64_t start = 0;
  int64_t end = 0;
};

class WordFind : public office::AutomationObject {
 public:
  explicit WordFind(std::function<FindScope()> scope);

 private:
  std::function<FindScope()> scope_;
};

// A range keeps the positions it was made with; edits do not move it. Callers make a fresh one
// after the text has changed. Its ends must lie at the start of the story, between two pasted
// copies or at the end of the story (see DocumentModel::BlocksBetween).
class WordRange : public office::AutomationObject {
 public:
  WordRange(std::weak_ptr<WordDocument> doc, int64_t start, int64_t end);

 private:
  std::weak_ptr<WordDocument> doc_;
  int64_t start_, end_;
};

class WordSelection : public office::AutomationObject {
 public:
  explicit WordSelection(ActiveDocument active);

 private:
  ActiveDocument active_;
  std::shared_ptr<WordFind> find_;
  std::weak_ptr<WordDocument> whole_story_of_;  // the document whose whole story is selected
};

// Empties the engine's clipboard (tests).
void ClearEngineClipboard();

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_WORD_SELECTION_H_
