#include "office/engine/sheet/text_decoding.h"

#include <algorithm>
#include <cctype>

#include "app/codepage.h"

namespace vexlo::engine::sheet {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

// Length of a valid UTF-8 sequence at the start of `rest`, 0 when it is not one.
size_t Utf8SequenceLength(std::string_view rest) {
  const auto lead = static_cast<unsigned char>(rest[0]);
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint32_t min = 0;
  if ((lead & 0xE0) == 0xC0) length = 2, min = 0x80;
  else if ((lead & 0xF0) == 0xE0) length = 3, min = 0x800;
  else if ((lead & 0xF8) == 0xF0) length = 4, min = 0x10000;
  else return 0;
  if (rest.size() < length) return 0;
  uint32_t cp = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    const auto c = static_cast<unsigned char>(rest[i]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  while (!bytes.empty()) {
    const size_t length = Utf8SequenceLength(bytes);
    if (length == 0) return false;
    bytes.remove_prefix(length);
  }
  return true;
}

bool HasUtf16Bom(std::string_view bytes) {
  return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

std::string DecodeText(std::string_view bytes, std::string_view declared) {
  if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
  std::string utf8;
  if (HasUtf16Bom(bytes)) {
    const bool little = bytes[0] == '\xFF';
    bytes.remove_prefix(2);
    app::ToUtf8(little ? "UTF-16LE" : "UTF-16BE", bytes, utf8);
    return utf8;
  }
  const std::string charset = Lower(declared);
  const bool says_utf8 = charset == "utf-8" || charset == "utf8";
  // Pages that say gb2312 or gbk often hold characters only the larger GB18030 has.
  const bool says_gb = charset == "gb2312" || charset == "gbk" || charset == "x-gbk" ||
                       charset == "gb18030" || charset == "cp936";
  if (says_gb || (charset.empty() && !IsValidUtf8(bytes))) {
    app::ToUtf8("GB18030", bytes, utf8);
    return utf8;
  }
  if (!says_utf8 && !charset.empty() && app::ToUtf8(charset, bytes, utf8)) return utf8;
  if (IsValidUtf8(bytes)) return std::string(bytes);
  app::ToUtf8("GB18030", bytes, utf8);
  return utf8;
}

}  // namespace vexlo::engine::sheet
