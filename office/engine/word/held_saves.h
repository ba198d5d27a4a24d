// The documents whose save() is held (written later, at a flush point: a one-file merge would
// otherwise write its growing document after every record). Owned by the program's
// EngineServices, so that the saves still held when the program ends are written while the
// offices that write .doc files still run, and a failure is reported rather than dropped.
// UI thread only.
// Convention: raises app::RuntimeError, the program's error record, for the first save that fails.
#ifndef VEXLO_OFFICE_ENGINE_WORD_HELD_SAVES_H_
#define VEXLO_OFFICE_ENGINE_WORD_HELD_SAVES_H_

#include <memory>
#include <optional>
#include <vector>

#include "app/runtime_error.h"

namespace vexlo::engine::word {

class WordDocument;

class HeldSaves {
 public:
  // Lists `doc` as holding a save (once, however often it is held again).
  void Hold(const std::shared_ptr<WordDocument>& doc);

  // Writes every held save now. Raises app::RuntimeError for the first that fails; it and those
  // after it stay held for the next flush point.
  void Flush();

  // The last flush, as the program ends: writes every held save, going on past a failure, and
  // returns the first failure (nothing stays held).
  std::optional<app::RuntimeError> FlushAtEnd();

 private:
  std::vector<std::weak_ptr<WordDocument>> docs_;  // documents gone meanwhile are skipped
};

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_HELD_SAVES_H_
