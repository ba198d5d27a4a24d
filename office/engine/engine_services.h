// EngineServices: everything the engine keeps working in the background for one program, owned
// in one place: the warm offices (office pool), the output queue of PDF exports and prints, the
// conversions of saved files and of templates, and the word server's deferred work. Each main()
// makes one before the engine is used; it is the engine's for as long as it lives. Its end
// (Shutdown, else the destructor) first writes the documents' saves still held, then ends the
// offices, waits for every thread that works for it and removes its temporary files, so that a
// program ends its background work before main returns, while everything that work uses still
// exists. One at a time; UI thread only, except what each part allows itself.
// Convention: raises app::RuntimeError, the program's error record, for a save still held at the
// end.
#ifndef VEXLO_OFFICE_ENGINE_ENGINE_SERVICES_H_
#define VEXLO_OFFICE_ENGINE_ENGINE_SERVICES_H_

#include "office/engine/output/office_output_queue.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/word/deferred_output.h"
#include "office/engine/word/doc_conversion.h"
#include "office/engine/word/held_saves.h"

namespace vexlo::engine {

class EngineServices {
 public:
  explicit EngineServices(OfficePoolOptions pool_options = {});
  // Calls Shutdown when main did not; a failure is then reported through the run-time error
  // route when a host is installed, else on stderr.
  ~EngineServices();
  EngineServices(const EngineServices&) = delete;
  EngineServices& operator=(const EngineServices&) = delete;

  OfficePool& pool() { return pool_; }
  OutputQueue& output_queue() { return replaced_queue_ ? *replaced_queue_ : office_queue_; }
  word::ConversionBacklog& conversions() { return conversions_; }
  office::DeferredWork& deferred_work() { return deferred_; }
  word::HeldSaves& held_saves() { return held_saves_; }

  // The orderly end, called by main where a run-time error still reaches the user: writes the
  // saves still held (a .doc one through an office, so before the offices stop) and waits for
  // them, then ends the offices. Raises app::RuntimeError naming the file of the first save that
  // failed, once everything has ended. A later call only writes saves held since (a .doc one
  // then fails: the offices have ended).
  void Shutdown();

  // Puts `queue` in place of the office output queue (tests); nullptr restores it.
  void ReplaceOutputQueue(OutputQueue* queue) { replaced_queue_ = queue; }

 private:
  // Declared in the order of their dependence: each is destroyed before what it uses.
  OfficePool pool_;
  OfficeOutputQueue office_queue_{pool_};
  OutputQueue* replaced_queue_ = nullptr;
  word::ConversionBacklog conversions_;
  word::WordDeferredWork deferred_;
  word::HeldSaves held_saves_;
  bool shut_down_ = false;
};

// The services of this program; raises std::logic_error when main made none.
EngineServices& Services();

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_ENGINE_SERVICES_H_
