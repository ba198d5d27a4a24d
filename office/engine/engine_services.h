// EngineServices: everything the engine keeps working in the background for one program, owned
// in one place: the warm offices (office pool), the output queue of PDF exports and prints, the
// conversions of saved files and of templates, the soffice conversions running, the saves held
// for growing documents and the word server's deferred work. Each main() makes one before the
// engine is used and hands its parts to what uses them (RegisterEmbeddedServers, the gateway's
// deferred work); nothing reaches it any other way. Its end
// (Shutdown, else the destructor) first writes the documents' saves still held, then ends the
// offices, waits for every thread that works for it and removes its temporary files, so that a
// program ends its background work before main returns, while everything that work uses still
// exists. UI thread only, except what each part allows itself.
// Convention: raises app::RuntimeError, the program's error record, for a save still held at the
// end.
#ifndef VEXLO_OFFICE_ENGINE_ENGINE_SERVICES_H_
#define VEXLO_OFFICE_ENGINE_ENGINE_SERVICES_H_

#include <functional>

#include "office/engine/output/desktop_handoff.h"
#include "office/engine/output/office_output_queue.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/soffice/soffice.h"
#include "office/engine/sheet/spreadsheet_server.h"
#include "office/engine/word/deferred_output.h"
#include "office/engine/word/doc_conversion.h"
#include "office/engine/word/held_saves.h"
#include "office/engine/word/word_services.h"

namespace vexlo::engine {

// How the engine reaches the program's user; both may be empty.
struct EngineHooks {
  // Called about every 100 ms while the UI thread waits for a conversion, so that the windows
  // repaint meanwhile.
  std::function<void()> conversion_wait;
  // Where a visible server instance leaves its files when its last handle goes.
  DesktopHandoff desktop_handoff;
};

class EngineServices {
 public:
  explicit EngineServices(OfficePoolOptions pool_options = {}, EngineHooks hooks = {});
  // Calls Shutdown when main did not; a failure is then reported through the run-time error
  // route when a host is installed, else on stderr.
  ~EngineServices();
  EngineServices(const EngineServices&) = delete;
  EngineServices& operator=(const EngineServices&) = delete;

  OfficePool& pool() { return pool_; }
  OutputQueue& output_queue() { return office_queue_; }
  word::DocConversions& conversions() { return conversions_; }
  office::DeferredWork& deferred_work() { return deferred_; }
  word::HeldSaves& held_saves() { return held_saves_; }
  word::WordClipboard& clipboard() { return clipboard_; }

  // What each embedded server is given when it is registered.
  sheet::SheetServices sheet() { return {&pool_, hooks_.desktop_handoff}; }
  word::WordServices word() {
    return {office_queue_, conversions_, held_saves_, clipboard_, hooks_.desktop_handoff};
  }

  // The orderly end, called by main where a run-time error still reaches the user: writes the
  // saves still held (a .doc one through an office, so before the offices stop) and waits for
  // them, then ends the offices. Raises app::RuntimeError naming the file of the first save that
  // failed, once everything has ended. A later call only writes saves held since (a .doc one
  // then fails: the offices have ended).
  void Shutdown();

 private:
  // Declared in the order of their dependence: each is destroyed before what it uses.
  const EngineHooks hooks_;
  OfficePool pool_;
  OfficeOutputQueue office_queue_{pool_};
  SofficeRuns soffice_runs_{hooks_.conversion_wait};
  word::DocConversions conversions_{pool_, soffice_runs_};
  word::HeldSaves held_saves_;
  word::WordClipboard clipboard_;
  word::WordDeferredWork deferred_{word()};
  bool shut_down_ = false;
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_ENGINE_SERVICES_H_
