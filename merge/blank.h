// The merge engine's blank test: a text is blank when it is null or when nothing but spaces
// (code 32 only; tabs and other white space count as content) is left of it.
// Convention: cannot fail.
#ifndef VEXLO_MERGE_BLANK_H_
#define VEXLO_MERGE_BLANK_H_

#include <optional>
#include <string>
#include <string_view>

namespace vexlo::merge {

inline bool IsBlank(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

inline bool IsBlank(const std::string& text) { return IsBlank(std::string_view(text)); }
inline bool IsBlank(const char* text) { return IsBlank(std::string_view(text)); }

inline bool IsBlank(const std::optional<std::string>& text) {
  return !text || IsBlank(std::string_view(*text));
}

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_BLANK_H_
