// Conversion between UTF-8 (what vexlo holds in memory) and code page 936 (GBK), the 8-bit code
// page of the log file, of tooltip buffers and of old spreadsheet files.
#ifndef VEXLO_APP_CODEPAGE_H_
#define VEXLO_APP_CODEPAGE_H_

#include <optional>
#include <string>
#include <string_view>

namespace vexlo::app {

// Characters that code page 936 cannot hold become "?"; invalid UTF-8 bytes likewise.
std::string Utf8ToCp936(std::string_view utf8);
// Invalid or truncated byte sequences become U+FFFD.
std::string Cp936ToUtf8(std::string_view cp936);

// Converts from any code page iconv knows ("CP1252", "CP950", ...) to UTF-8; invalid sequences
// become U+FFFD. Returns false when iconv does not know the code page.
bool ToUtf8(std::string_view from_codepage, std::string_view bytes, std::string& utf8);

// The bytes converted to UTF-8, or nullopt when iconv does not know the code page or the bytes
// hold a sequence that is invalid or cut short in it: for judging which code page text is in.
std::optional<std::string> ToUtf8Exact(std::string_view from_codepage, std::string_view bytes);

}  // namespace vexlo::app

#endif  // VEXLO_APP_CODEPAGE_H_
