#include "office/engine/engine_services.h"

#include <cstdio>
#include <optional>

#include "app/runtime_error.h"
#include "office/engine/package/made_files.h"

namespace vexlo::engine {

EngineServices::EngineServices(OfficePoolOptions pool_options, EngineHooks hooks)
    : hooks_(std::move(hooks)), pool_(std::move(pool_options)) {}

EngineServices::~EngineServices() {
  try {
    Shutdown();
  } catch (const app::RuntimeError& e) {
    // The programs end the engine themselves, where a failure is reported; this is the net.
    std::fprintf(stderr, "vexlo：%s\n", e.text().c_str());
  } catch (...) {
    std::fputs("vexlo：程序结束时保存失败\n", stderr);
  }
  CloseMadeFilesList();
}

void EngineServices::Shutdown() {
  // Saves held for documents that are still open are written now, while the offices that make
  // .doc files run, and awaited: at the end of the program nobody else would write them.
  std::optional<app::RuntimeError> failed = held_saves_.FlushAtEnd();
  try {
    conversions_.Flush();
  } catch (const app::RuntimeError& e) {
    if (!failed) failed = e;
  }
  if (!shut_down_) {
    shut_down_ = true;
    // The offices end then, by force: what still waits on them (template conversions, queued
    // exports) then fails at once, and the members end without waiting for an office.
    pool_.Shutdown(/*at_exit=*/true);
  }
  if (failed) throw *failed;
}

}  // namespace vexlo::engine
