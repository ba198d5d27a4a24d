#include "office/engine/engine_services.h"

#include <stdexcept>

#include "office/engine/package/made_files.h"

namespace vexlo::engine {
namespace {
EngineServices* installed = nullptr;
}  // namespace

EngineServices::EngineServices(OfficePoolOptions pool_options) : pool_(std::move(pool_options)) {
  if (installed != nullptr) throw std::logic_error("EngineServices: a program makes only one");
  installed = this;
  office::SetDeferredWork(&deferred_);
}

EngineServices::~EngineServices() {
  office::SetDeferredWork(nullptr);
  // The offices end first, by force: what still waits on them (template conversions, queued
  // exports) then fails at once, and the members below end without waiting for an office.
  pool_.Shutdown(/*at_exit=*/true);
  installed = nullptr;
  CloseMadeFilesList();
}

EngineServices& Services() {
  if (installed == nullptr) throw std::logic_error("EngineServices: main made none");
  return *installed;
}

}  // namespace vexlo::engine
