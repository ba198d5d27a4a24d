// Appends a Unicode code point to a UTF-8 string; shared by the readers that decode UTF-16 text
// and "_xHHHH_" escapes.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_UTF8_H_
#define VEXLO_OFFICE_ENGINE_SHEET_UTF8_H_

#include <cstdint>
#include <string>

namespace vexlo::engine::sheet {

// REQUIRES: cp <= 0x10FFFF.
inline void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_UTF8_H_
