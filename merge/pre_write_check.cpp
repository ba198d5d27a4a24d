#include "merge/pre_write_check.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <utility>

#include "app/runtime_error.h"
#include "merge/data_hints.h"
#include "merge/document_generation.h"
#include "office/value.h"

namespace vexlo::merge {
namespace {

constexpr std::size_t kContextChars = 6;  // characters shown on each side of a title
constexpr std::size_t kPlacesShown = 20;  // places named at most

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The code point that starts at `pos` and where the next one starts.
char32_t CodePointAt(const std::string& s, std::size_t pos, std::size_t* next) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c0 = b(pos);
  std::size_t len = c0 < 0x80 ? 1 : (c0 & 0xE0) == 0xC0 ? 2 : (c0 & 0xF0) == 0xE0 ? 3 : 4;
  if (pos + len > s.size()) len = 1;
  char32_t c = len == 1 ? c0 : len == 2 ? (c0 & 0x1F) : len == 3 ? (c0 & 0x0F) : (c0 & 0x07);
  for (std::size_t i = 1; i < len; ++i) c = (c << 6) | (b(pos + i) & 0x3F);
  if (next) *next = pos + len;
  return c;
}

std::size_t PreviousStart(const std::string& s, std::size_t pos) {
  do {
    --pos;
  } while (pos > 0 && IsContinuation(static_cast<unsigned char>(s[pos])));
  return pos;
}

bool IsHan(char32_t c) {
  return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x2FFFF);
}

// Letters and digits that join into words where the word processor matches whole words: those
// of alphabetic scripts (a CJK character is a word of its own).
bool JoinsWords(char32_t c) {
  if (c < 0x80) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  }
  return (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) || (c >= 0x370 && c <= 0x52F);
}

bool EndsParagraph(char32_t c) {
  return c == '\r' || c == '\n' || c == '\t' || c == '\v' || c == 0x07;
}

std::string AsciiFolded(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

struct Place {
  std::size_t begin, end;
  std::size_t title;
};

// Replays the replacement over the text: titles in ReplacementOrder, each taking the whole-word
// places that no earlier title took. `covered` gets the titles that matched only where a longer
// title had already taken the text.
class Replay {
 public:
  Replay(const std::string& text, const std::vector<std::string>& titles)
      : text_(text), folded_(AsciiFolded(text)) {
    for (std::size_t k : ReplacementOrder(titles)) {
      const std::string key = AsciiFolded(titles[k]);
      if (key.empty()) continue;
      bool matched = false, taken = false;
      for (std::size_t at = folded_.find(key); at != std::string::npos;
           at = folded_.find(key, at + 1)) {
        if (IsContinuation(static_cast<unsigned char>(folded_[at]))) continue;
        const std::size_t end = at + key.size();
        if (Overlaps(at, end)) {
          // Gone once the longer title is replaced; as the template has it, is it a match?
          matched = matched || WholeWord(at, end, false);
          continue;
        }
        if (!WholeWord(at, end, true)) continue;
        matched = taken = true;
        places_.push_back({at, end, k});
        at = end - 1;
      }
      if (matched && !taken) covered_.push_back(titles[k]);
    }
  }

  const std::vector<Place>& places() const { return places_; }
  const std::vector<std::string>& covered() const { return covered_; }

  // The CJK character that touches a place on either side, if one does.
  bool TouchesHan(const Place& p) const {
    if (p.begin > 0 && !Taken(p.begin - 1)) {
      if (IsHan(CodePointAt(text_, PreviousStart(text_, p.begin), nullptr))) return true;
    }
    return p.end < text_.size() && !Taken(p.end) && IsHan(CodePointAt(text_, p.end, nullptr));
  }

  std::string Context(const Place& p) const {
    std::size_t from = p.begin;
    for (std::size_t n = 0; n < kContextChars && from > 0; ++n) {
      const std::size_t prev = PreviousStart(text_, from);
      if (EndsParagraph(CodePointAt(text_, prev, nullptr))) break;
      from = prev;
    }
    std::size_t to = p.end;
    for (std::size_t n = 0; n < kContextChars && to < text_.size(); ++n) {
      std::size_t next = to;
      if (EndsParagraph(CodePointAt(text_, to, &next))) break;
      to = next;
    }
    while (from < p.begin && text_[from] == ' ') ++from;
    while (to > p.end && text_[to - 1] == ' ') --to;
    return text_.substr(from, to - from);
  }

 private:
  // Whether [begin, end) is a whole word, in the text as the earlier titles left it (`replayed`:
  // a replaced place joins no word) or as the template has it.
  bool WholeWord(std::size_t begin, std::size_t end, bool replayed) const {
    if (begin > 0 && !(replayed && Taken(begin - 1))) {
      std::size_t first_end = 0;
      const char32_t first = CodePointAt(text_, begin, &first_end);
      if (JoinsWords(first) && JoinsWords(CodePointAt(text_, PreviousStart(text_, begin), nullptr))) {
        return false;
      }
    }
    if (end < text_.size() && !(replayed && Taken(end))) {
      const char32_t last = CodePointAt(text_, PreviousStart(text_, end), nullptr);
      if (JoinsWords(last) && JoinsWords(CodePointAt(text_, end, nullptr))) return false;
    }
    return true;
  }

  // A byte that an earlier title took: it stands for a value now, which joins no word.
  bool Taken(std::size_t pos) const {
    return std::any_of(places_.begin(), places_.end(),
                       [pos](const Place& p) { return pos >= p.begin && pos < p.end; });
  }

  bool Overlaps(std::size_t begin, std::size_t end) const {
    return std::any_of(places_.begin(), places_.end(),
                       [&](const Place& p) { return begin < p.end && p.begin < end; });
  }

  const std::string& text_;
  const std::string folded_;
  std::vector<Place> places_;
  std::vector<std::string> covered_;
};

}  // namespace

std::vector<TitleInText> TitlesInsideText(const std::string& text,
                                          const std::vector<std::string>& titles) {
  const Replay replay(text, titles);
  std::vector<TitleInText> found;
  std::map<std::pair<std::string, std::string>, std::size_t> seen;
  std::vector<Place> places = replay.places();
  std::sort(places.begin(), places.end(),
            [](const Place& a, const Place& b) { return a.begin < b.begin; });
  for (const Place& p : places) {
    if (!replay.TouchesHan(p)) continue;
    std::pair<std::string, std::string> key{titles[p.title], replay.Context(p)};
    const auto it = seen.find(key);
    if (it != seen.end()) {
      ++found[it->second].count;
      continue;
    }
    seen.emplace(key, found.size());
    found.push_back({key.first, key.second, 1});
  }
  return found;
}

std::vector<std::string> TitlesOnlyInsideLonger(const std::string& text,
                                                const std::vector<std::string>& titles) {
  return Replay(text, titles).covered();
}

CheckFindings CheckTemplateAndData(const office::oleobject& wordserver, const DataSource& data,
                                   int records, const TemplatePlaceholders& placeholders) {
  const std::vector<std::string> titles = data.TitleNames();
  CheckFindings findings;
  if (placeholders.mode == PlaceholderMode::kPlain) {
    const std::string text =
        office::ToText(wordserver.get("activedocument").get("content").get("text")).value_or("");
    findings.titles_in_text = TitlesInsideText(text, titles);
    findings.unused_titles = TitlesMissingFromTemplate(wordserver, titles);
    for (const std::string& title : TitlesOnlyInsideLonger(text, titles)) {
      findings.unused_titles.push_back(title);
    }
  } else {
    // Only the marked places are filled: a title in ordinary text stays as it is.
    findings.unused_titles = placeholders.TitlesWithoutPlaceholder(titles);
  }
  findings.unmatched_placeholders = placeholders.unmatched;
  findings.skipped = FindSkippedRows(data, records, DataSource::kLastRecordRow);
  return findings;
}

std::vector<TitlePlace> TitlePlaces(const std::string& text, const std::vector<std::string>& titles) {
  std::vector<TitlePlace> places;
  const Replay replay(text, titles);
  for (const Place& p : replay.places()) places.push_back({p.begin, p.end, p.title});
  std::sort(places.begin(), places.end(),
            [](const TitlePlace& a, const TitlePlace& b) { return a.begin < b.begin; });
  return places;
}

SkippedRows FindSkippedRows(const DataSource& data, int records, int last_record_row) {
  SkippedRows skipped;
  skipped.last_row = last_record_row;
  const int last_used = data.LastUsedRow();
  const int end_of_records = DataSource::kFirstRecordRow + records;  // first row not read
  if (end_of_records <= last_record_row) {
    skipped.blank_row = end_of_records;
    for (int row = end_of_records; row <= std::min(last_used, last_record_row); ++row) {
      if (data.RowHoldsData(row)) ++skipped.after_blank;
    }
    if (skipped.after_blank == 0) skipped.blank_row = 0;
  }
  for (int row = last_record_row + 1; row <= last_used; ++row) {
    if (data.RowHoldsData(row)) ++skipped.beyond_last;
  }
  return skipped;
}

std::vector<std::string> SkippedLines(const SkippedRows& skipped) {
  std::vector<std::string> lines;
  if (skipped.after_blank > 0) {
    lines.push_back("第 " + std::to_string(skipped.blank_row) + " 行第一列为空，数据在此结束：" +
                    "此后还有 " + std::to_string(skipped.after_blank) +
                    " 行数据没有输出。请删除空行或填写第一列后再试。");
  }
  if (skipped.beyond_last > 0) {
    lines.push_back("每次最多输出到第 " + std::to_string(skipped.last_row) + " 行：其后的 " +
                    std::to_string(skipped.beyond_last) +
                    " 行数据没有输出。请把它们另存为一个数据文件再制作一次。");
  }
  return lines;
}

std::vector<std::string> FindingLines(const CheckFindings& findings) {
  std::vector<std::string> lines;
  if (!findings.chosen.empty()) lines.push_back(findings.chosen);
  if (findings.empty()) return lines;
  lines.push_back("开始制作前检查发现：");
  if (!findings.titles_in_text.empty()) {
    lines.push_back("以下标题出现在更长的文字中间，替换后会与前后文字连在一起：");
    for (std::size_t i = 0; i < findings.titles_in_text.size() && i < kPlacesShown; ++i) {
      const TitleInText& t = findings.titles_in_text[i];
      std::string line = "  “" + t.title + "”在“" + t.context + "”中";
      if (t.count > 1) line += "（" + std::to_string(t.count) + " 处）";
      lines.push_back(line);
    }
    if (findings.titles_in_text.size() > kPlacesShown) {
      lines.push_back("  ……共 " + std::to_string(findings.titles_in_text.size()) + " 处。");
    }
  }
  if (auto note = UnmatchedPlaceholdersNote(findings.unmatched_placeholders)) {
    lines.push_back(*std::move(note));
  }
  if (auto note = MissingTitlesNote(findings.unused_titles)) lines.push_back(*std::move(note));
  for (const std::string& line : SkippedLines(findings.skipped)) lines.push_back(line);
  for (const std::string& line : findings.other) lines.push_back(line);
  return lines;
}

std::optional<std::string> ConversionLossFinding(const office::oleobject& wordserver) {
  std::string loss;
  try {
    // An engine property of its own: another word processor behind the gateway lacks it.
    const office::Value v = wordserver.get("activedocument").get("conversionloss");
    if (v.kind() == office::Value::Kind::kText) loss = office::ToText(v).value_or("");
  } catch (const app::RuntimeError&) {
    return std::nullopt;
  }
  if (loss.empty()) return std::nullopt;
  // Not a wrong result: the engine then fills the original .doc in the office, record by record.
  return "模板经 LibreOffice 转换后与原文件不一致（" + loss +
         "），因此改为在 LibreOffice 中直接填写原 .doc 模板，生成会慢一些；"
         "把模板另存为 .docx 格式可以避免。";
}

}  // namespace vexlo::merge
