// WordSelection, WordRange and WordFind: the "Selection" of a word-processor instance (the whole
// story or the insertion point at its end, in the active document) with wholestory, copy and
// paste through the engine's own clipboard (the desktop clipboard is left alone), start and end;
// a "Range" of a document's story; and the "Find" of either with execute and its eleven
// arguments. UI thread only; raises app::RuntimeError.
// Convention: raises app::RuntimeError, the program's error record: reached from the servers' entry
// points.
#ifndef VEXLO_OFFICE_ENGINE_WORD_WORD_SELECTION_H_
#define VEXLO_OFFICE_ENGINE_WORD_WORD_SELECTION_H_

#include <cstdint>
#include <functional>
#include <memory>

#include "office/automation_object.h"
#include "office/engine/word/document_model.h"
#include "office/engine/word/word_services.h"

namespace vexlo::engine::word {

class WordDocument;

// The active document of the instance, or a run-time error when none is open.
using ActiveDocument = std::function<std::shared_ptr<WordDocument>()>;

// Where a find looks: the whole story, or the copies of a range.
struct FindScope {
  std::shared_ptr<WordDocument> doc;
  bool range = false;
  BlockSpan span;
};

class WordFind : public office::AutomationObject {
 public:
  explicit WordFind(std::function<FindScope()> scope);

 private:
  std::function<FindScope()> scope_;
};

// A range of a document's main story: the whole story, or the pasted copies [first, end) of it
// (its ends lie at the start of the story, between two copies or at the end of the story; see
// DocumentModel::BlocksBetween). Like the word processor's ranges it follows the edits: its
// positions are worked out when they are read. The whole story also gives its text and fields. A range of copies made before the whole story
// was replaced raises on use.
class WordRange : public office::AutomationObject {
 public:
  WordRange(std::weak_ptr<WordDocument> doc, bool whole, BlockSpan span, uint64_t generation);

  bool whole() const { return whole_; }
  const BlockSpan& span() const { return span_; }
  uint64_t generation() const { return generation_; }

 private:
  std::shared_ptr<WordDocument> Document() const;

  std::weak_ptr<WordDocument> doc_;
  bool whole_;
  BlockSpan span_;
  uint64_t generation_;
  std::shared_ptr<WordFind> find_;  // made on first use
};

class WordSelection : public office::AutomationObject {
 public:
  WordSelection(ActiveDocument active, WordClipboard& clipboard);

 private:
  ActiveDocument active_;
  WordClipboard& clipboard_;
  std::shared_ptr<WordFind> find_;
  std::weak_ptr<WordDocument> whole_story_of_;  // the document whose whole story is selected
};

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_WORD_SELECTION_H_
