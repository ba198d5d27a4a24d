#include "office/engine/word/text_match.h"

#include <string_view>

#include "office/engine/word/text_fold.h"

namespace vexlo::engine::word {

namespace {

size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

FoldedPara FoldItems(std::span<const ParaItem> items, const std::vector<std::string>& texts,
                     bool fold) {
  FoldedPara f;
  size_t bytes = 0;
  for (const ParaItem& item : items) bytes += item.text < 0 ? 1 : texts[item.text].size();
  f.chars.reserve(bytes);
  f.text.reserve(bytes);
  f.off.reserve(bytes);
  for (const ParaItem& item : items) {
    if (item.text < 0) {
      f.chars.push_back(item.boundary);
      f.text.push_back(-1);
      f.off.push_back(0);
      continue;
    }
    const std::string& t = texts[item.text];
    size_t pos = 0;
    while (pos < t.size()) {
      const size_t at = pos;
      const char32_t c = DecodeUtf8(t, pos);
      f.chars.push_back(fold ? FoldCase(c) : c);
      f.text.push_back(item.text);
      f.off.push_back(static_cast<uint32_t>(at));
    }
  }
  return f;
}

std::vector<size_t> FindMatches(const FoldedPara& para, const std::u32string& key,
                                bool whole_word, int budget) {
  std::vector<size_t> matches;
  const std::u32string& chars = para.chars;
  const size_t n = key.size();
  if (n == 0 || chars.size() < n) return matches;
  size_t pos = 0;
  while (static_cast<int>(matches.size()) < budget &&
         (pos = std::u32string_view(chars).find(key, pos)) != std::u32string::npos) {
    bool ok = true;
    for (size_t i = pos; i < pos + n && ok; ++i) ok = para.text[i] >= 0;
    if (ok && whole_word) {
      if (pos > 0 && IsWordChar(chars[pos - 1]) && IsWordChar(chars[pos])) ok = false;
      if (pos + n < chars.size() && IsWordChar(chars[pos + n - 1]) && IsWordChar(chars[pos + n])) {
        ok = false;
      }
    }
    if (ok) {
      matches.push_back(pos);
      pos += n;
    } else {
      ++pos;
    }
  }
  return matches;
}

void ReplaceMatches(std::vector<std::string>& texts, const FoldedPara& para,
                    const std::vector<size_t>& matches, size_t length, const std::string& with) {
  for (auto it = matches.rbegin(); it != matches.rend(); ++it) {
    const size_t s = *it, e = *it + length - 1;
    const int32_t ts = para.text[s], te = para.text[e];
    const size_t off_s = para.off[s];
    const size_t off_e =
        para.off[e] + Utf8Length(static_cast<unsigned char>(texts[te][para.off[e]]));
    if (ts == te) {
      texts[ts].replace(off_s, off_e - off_s, with);
    } else {
      texts[te].erase(0, off_e);
      for (int32_t t = ts + 1; t < te; ++t) texts[t].clear();
      texts[ts].replace(off_s, std::string::npos, with);
    }
  }
}

}  // namespace vexlo::engine::word
