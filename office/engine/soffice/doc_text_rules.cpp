#include "office/engine/soffice/doc_text_rules.h"

#include <algorithm>
#include <cctype>

namespace vexlo::engine {

namespace {

// A character the office counts as a word of its own: CJK characters and full-width forms.
bool IsWordOfItsOwn(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}
bool IsSpace(char32_t c) { return c == ' ' || c == '\t' || c == 0x3000 || c == 0x0B || c == 0xA0; }

Script ScriptOf(char32_t c) {
  if (c == 0x20 || c == 0xA0 || (c >= 0x2000 && c <= 0x2BFF) || (c >= 0x1F000 && c <= 0x1FAFF)) return Script::kWeak;
  if ((c >= 0x21 && c <= 0x7E) || (c >= 0xA1 && c <= 0x24F) || (c >= 0x370 && c <= 0x4FF) ||
      (c >= 0x1E00 && c <= 0x1EFF)) {
    return Script::kLatin;
  }
  if ((c >= 0x2E80 && c <= 0x2FDF) || (c >= 0x3000 && c <= 0x31FF) || (c >= 0x3400 && c <= 0x4DBF) ||
      (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
      (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF)) {
    return Script::kAsian;
  }
  return Script::kUnknown;
}

}  // namespace

void Count(const std::u16string& text, Counts& counts) {
  bool in_word = false;
  counts.paragraphs += !text.empty();
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    ++counts.characters;
    if (IsSpace(c)) {
      in_word = false;
    } else if (IsWordOfItsOwn(c)) {
      ++counts.words;
      in_word = false;
    } else if (!in_word) {
      ++counts.words;
      in_word = true;
    }
  }
}

bool IsPlain(const std::u16string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0x20 || c == 0x7F || c == 0xAD || c == 0x2011 || c >= 0xFFF0) return false;
    if ((c >= 0x0590 && c <= 0x08FF) || (c >= 0xE000 && c <= 0xF8FF)) return false;
    if ((c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF) || (c >= 0x200E && c <= 0x200F) ||
        (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069)) {
      return false;
    }
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      if (text[i] == 0xD802 || text[i] == 0xD803 || text[i] == 0xD83A || text[i] == 0xD83B) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

bool IsKeptField(const std::u16string& code) {
  std::string word;
  for (char16_t c : code) {
    if (c == u' ' && word.empty()) continue;
    if (c == u' ' || c == u'\\' || c > 0x7F) break;
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return word == "HYPERLINK" || word == "PAGE" || word == "NUMPAGES" || word == "SECTIONPAGES" ||
         word == "DATE" || word == "TIME";
}

std::optional<ScriptRuns> ScriptRunsOf(const std::u16string& text) {
  std::vector<std::pair<Script, std::uint32_t>> strong;  // each strong character and its place
  std::vector<std::uint32_t> weak;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::uint32_t at = static_cast<std::uint32_t>(i);
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    const Script script = ScriptOf(c);
    if (script == Script::kUnknown) return std::nullopt;
    if (script == Script::kWeak) {
      weak.push_back(at);
    } else {
      strong.emplace_back(script, at);
    }
  }
  for (std::uint32_t at : weak) {
    const auto after = std::find_if(strong.begin(), strong.end(), [at](const auto& s) { return s.second > at; });
    if (after == strong.begin() || after == strong.end() || (after - 1)->first != after->first) return std::nullopt;
  }
  ScriptRuns runs;
  for (const auto& [script, at] : strong) {
    if (runs.scripts.empty() || runs.scripts.back() != script) {
      if (!runs.scripts.empty()) runs.starts.push_back(at);
      runs.scripts.push_back(script);
    }
  }
  return runs;
}

}  // namespace vexlo::engine
