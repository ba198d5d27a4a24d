// WordSelection and WordFind: the "Selection" of a word-processor instance (the whole story or
// the insertion point at its end, in the active document) with wholestory, copy and paste
// through the engine's own clipboard (the desktop clipboard is left alone), and its "Find" with
// execute and its eleven arguments. UI thread only; raises app::RuntimeError.
#ifndef VEXLO_OFFICE_ENGINE_WORD_WORD_SELECTION_H_
#define VEXLO_OFFICE_ENGINE_WORD_WORD_SELECTION_H_

#include <functional>
#include <memory>

#include "office/automation_object.h"

namespace vexlo::engine::word {

class WordDocument;

// The active document of the instance, or a run-time error when none is open.
using ActiveDocument = std::function<std::shared_ptr<WordDocument>()>;

class WordFind : public office::AutomationObject {
 public:
  explicit WordFind(ActiveDocument active);

 private:
  ActiveDocument active_;
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
