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

// How far a declared charset is trusted.
enum class Declared {
  kNothing,     // none, UTF-8, or one that cannot be what an ASCII-readable page is in
  kGb,          // the GB family: read as GB18030
  kSingleByte,  // every byte is valid in it, so the bytes never contradict it: tried last
  kMultiByte,   // Big5, Shift_JIS, EUC-KR ...: tried before GB18030, when the bytes fit
};

Declared Classify(const std::string& charset) {
  if (charset.empty() || charset == "utf-8" || charset == "utf8") return Declared::kNothing;
  // A page whose "charset=" reads as ASCII is in no UTF-16 or UTF-32.
  if (charset.starts_with("utf-16") || charset.starts_with("utf-32") ||
      charset.starts_with("ucs-") || charset == "unicode") {
    return Declared::kNothing;
  }
  if (charset == "gb2312" || charset == "gbk" || charset == "x-gbk" || charset == "gb18030" ||
      charset == "cp936" || charset == "euc-cn" || charset == "x-euc-cn") {
    return Declared::kGb;
  }
  for (const char* prefix : {"iso-8859", "iso8859", "latin", "windows-12", "cp12", "us-ascii",
                             "ascii", "koi8", "macintosh", "x-mac"}) {
    if (charset.starts_with(prefix)) return Declared::kSingleByte;
  }
  return Declared::kMultiByte;
}

std::optional<std::string> Decode(std::string bytes, std::string_view declared) {
  if (std::string_view(bytes).starts_with(kUtf8Bom)) bytes.erase(0, kUtf8Bom.size());
  if (HasUtf16Bom(bytes)) {
    const bool little = bytes[0] == '\xFF';
    return app::ToUtf8Exact(little ? "UTF-16LE" : "UTF-16BE", std::string_view(bytes).substr(2));
  }
  if (IsValidUtf8(bytes)) return bytes;
  const std::string charset = Lower(declared);
  const Declared trust = Classify(charset);
  if (trust == Declared::kMultiByte) {
    if (auto text = app::ToUtf8Exact(charset, bytes)) return text;
  }
  if (auto text = app::ToUtf8Exact("GB18030", bytes)) return text;
  if (trust == Declared::kSingleByte) return app::ToUtf8Exact(charset, bytes);
  return std::nullopt;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  while (!bytes.empty()) {
    // Runs of ASCII are the bulk of most files: skip them without decoding.
    size_t ascii = 0;
    while (ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80) ++ascii;
    bytes.remove_prefix(ascii);
    if (bytes.empty()) break;
    const size_t length = Utf8SequenceLength(bytes);
    if (length == 0) return false;
    bytes.remove_prefix(length);
  }
  return true;
}

bool HasUtf16Bom(std::string_view bytes) {
  return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

bool HasOnlyTextControls(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\x1B';
  });
}

std::optional<std::string> DecodeText(std::string bytes, std::string_view declared) {
  std::optional<std::string> text = Decode(std::move(bytes), declared);
  if (text && !HasOnlyTextControls(*text)) return std::nullopt;
  return text;
}

std::string TextHead(std::string_view bytes, size_t limit) {
  if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
  if (!HasUtf16Bom(bytes)) return std::string(bytes.substr(0, limit));
  std::string head;
  const bool little = bytes[0] == '\xFF';
  app::ToUtf8(little ? "UTF-16LE" : "UTF-16BE", bytes.substr(2, limit / 2 * 2), head);
  return head;
}

}  // namespace vexlo::engine::sheet
