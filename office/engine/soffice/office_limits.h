// Limits of the office's API that the pool's C++ and the Basic routine it installs in each office
// (edit_macro.cpp, which builds the routine's text from them) both keep to.
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_LIMITS_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_LIMITS_H_

#include <cstddef>

namespace vexlo::engine {

// The most characters the office's text cursor moves in one call (its count is a 16-bit number);
// a longer move goes in steps of at most this.
constexpr std::size_t kCursorStepMax = 32000;

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_LIMITS_H_
