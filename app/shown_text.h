// Text from outside (file and part names, cell values, paths) on its way to a person: in message
// boxes, on the terminal and in AppError.txt. Control characters are shown as escapes, so that an
// ESC or BEL in a file name cannot drive the terminal or hide part of a message. Any thread.
#ifndef VEXLO_APP_SHOWN_TEXT_H_
#define VEXLO_APP_SHOWN_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace vexlo::app {

// `text` with every control character except line feed and tab (C0, DEL, and the C1 range
// U+0080..U+009F) written as "\xHH" (for C1: "\u0085"); a backslash that would start such an
// escape is doubled. Everything else, line feeds included, is kept.
std::string EscapeControls(std::string_view text);

// The longest start of the UTF-8 text `text` that has at most `max_bytes` bytes and ends on a
// character boundary.
std::string_view Utf8Prefix(std::string_view text, std::size_t max_bytes);

}  // namespace vexlo::app

#endif  // VEXLO_APP_SHOWN_TEXT_H_
