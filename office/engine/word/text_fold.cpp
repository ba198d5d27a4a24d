#include "office/engine/word/text_fold.h"

#include <QChar>

namespace vexlo::engine::word {

char32_t FoldCase(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  // CJK punctuation, kana and ideographs, and hangul have no case: most text of a Chinese
  // document never needs the table.
  if ((c >= 0x3000 && c < 0xA000) || (c >= 0xAC00 && c < 0xD7B0)) return c;
  return QChar::toCaseFolded(c);
}

bool IsWordChar(char32_t c) {
  if (c < 0x80) {
    // "_" joins words as in identifiers (TYPE_CONVERTED is one word).
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  }
  if (!QChar::isLetterOrNumber(c)) return false;
  switch (QChar::script(c)) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Hangul:
    case QChar::Script_Bopomofo:
    case QChar::Script_Yi:
      return false;
    default:
      return true;
  }
}

char32_t DecodeUtf8(std::string_view s, std::size_t& pos) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c0 = b(pos);
  if (c0 < 0x80) {
    ++pos;
    return c0;
  }
  int len = 0;
  char32_t cp = 0;
  if ((c0 & 0xE0) == 0xC0) {
    len = 2;
    cp = c0 & 0x1F;
  } else if ((c0 & 0xF0) == 0xE0) {
    len = 3;
    cp = c0 & 0x0F;
  } else if ((c0 & 0xF8) == 0xF0) {
    len = 4;
    cp = c0 & 0x07;
  } else {
    ++pos;
    return 0xFFFD;
  }
  if (pos + len > s.size()) {
    ++pos;
    return 0xFFFD;
  }
  for (int i = 1; i < len; ++i) {
    const unsigned char ci = b(pos + i);
    if ((ci & 0xC0) != 0x80) {
      ++pos;
      return 0xFFFD;
    }
    cp = (cp << 6) | (ci & 0x3F);
  }
  static const char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return 0xFFFD;
  }
  pos += len;
  return cp;
}

std::u32string FoldText(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  std::size_t pos = 0;
  while (pos < s.size()) out.push_back(FoldCase(DecodeUtf8(s, pos)));
  return out;
}

std::string CleanInsertedText(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t pos = 0;
  while (pos < s.size()) {
    const std::size_t start = pos;
    const char32_t c = DecodeUtf8(s, pos);
    if (c == '\r') {
      if (pos < s.size() && s[pos] == '\n') ++pos;
      out.push_back('\v');
    } else if (c == '\n') {
      out.push_back('\v');
    } else if (c < 0x20 && c != '\t') {
      continue;  // not allowed in XML
    } else if (c == 0xFFFE || c == 0xFFFF) {
      continue;
    } else if (c == 0xFFFD && !(pos - start == 3)) {
      out += "\xEF\xBF\xBD";  // U+FFFD for a malformed byte
    } else {
      out.append(s.substr(start, pos - start));
    }
  }
  return out;
}

}  // namespace vexlo::engine::word
