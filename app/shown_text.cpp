#include "app/shown_text.h"

#include <cstdio>

namespace vexlo::app {

std::string EscapeControls(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  char buf[8];
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '\n' || byte == '\t') {
      shown += text[i];
    } else if (byte < 0x20 || byte == 0x7F) {
      std::snprintf(buf, sizeof buf, "\\x%02X", byte);
      shown += buf;
    } else if (byte == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned char>(text[i + 1]));
      shown += buf;
      ++i;
    } else if (byte == '\\' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'u')) {
      shown += "\\\\";
    } else {
      shown += text[i];
    }
  }
  return shown;
}

std::string_view Utf8Prefix(std::string_view text, std::size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  std::size_t end = max_bytes;
  // Back off continuation bytes (10xxxxxx) so the cut falls before a character's lead byte.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace vexlo::app
