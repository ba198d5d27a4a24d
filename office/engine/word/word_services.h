// What the word server and its documents use, all owned by the program (its EngineServices, or
// a test's own graph) and given to the server when it is registered: the offices, the queue of
// PDF exports and prints, the conversions of .doc files, the saves held for growing documents,
// the clipboard its instances share, and where a visible instance leaves its files. The server
// keeps these references for as long as it is registered; the owner outlives every instance.
#ifndef VEXLO_OFFICE_ENGINE_WORD_WORD_SERVICES_H_
#define VEXLO_OFFICE_ENGINE_WORD_WORD_SERVICES_H_

#include <memory>

#include "office/engine/output/desktop_handoff.h"

namespace vexlo::engine {
class OutputQueue;
}  // namespace vexlo::engine

namespace vexlo::engine::word {

class DocConversions;
class HeldSaves;
struct ClipContent;

// The engine's clipboard, shared by every instance of one program: what a selection's copy
// took, for its paste (empty: nothing copied).
struct WordClipboard {
  std::shared_ptr<const ClipContent> content;
};

struct WordServices {
  OutputQueue& output;
  DocConversions& conversions;
  HeldSaves& held_saves;
  WordClipboard& clipboard;
  DesktopHandoff handoff = {};  // empty: nothing is handed off
};

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_WORD_SERVICES_H_
