// The one place where an engine failure (a Status) becomes the program's error record (a
// RuntimeError): at the gateway calls and the servers' entry points that must surface it.
// Convention: raises app::RuntimeError.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_STATUS_ERROR_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_STATUS_ERROR_H_

#include <source_location>

#include "app/runtime_error.h"
#include "office/engine/package/status.h"

namespace vexlo::engine {

// The error record of failed `status`: its message, and the number of its kind (a file that
// cannot be read or written 6, one that is not what it should be 7, storing, exporting or
// printing 8, anything else 1).
app::RuntimeError ErrorRecordOf(const Status& status,
                                std::source_location where = std::source_location::current());

// Raises the error record of `status` unless it is ok.
void RaiseUnlessOk(const Status& status, std::source_location where = std::source_location::current());

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_STATUS_ERROR_H_
