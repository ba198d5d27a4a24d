#include "office/engine/package/status_error.h"

namespace vexlo::engine {

namespace {

app::ErrorNumber FamilyOf(StatusCode code) {
  switch (code) {
    case StatusCode::kFile: return app::kErrFileAccess;
    case StatusCode::kFormat: return app::kErrFileFormat;
    case StatusCode::kOutput: return app::kErrOutput;
    case StatusCode::kOk:
    case StatusCode::kFailed:
    case StatusCode::kRefused:
    case StatusCode::kStopped: break;
  }
  return app::kErrOther;
}

}  // namespace

app::RuntimeError ErrorRecordOf(const Status& status, std::source_location where) {
  return app::RuntimeError::OfFamily(FamilyOf(status.code()), status.message(), where);
}

void RaiseUnlessOk(const Status& status, std::source_location where) {
  if (!status.ok()) throw ErrorRecordOf(status, where);
}

}  // namespace vexlo::engine
