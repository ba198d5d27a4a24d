#include "merge/record_choice.h"

#include <charconv>
#include <climits>

namespace vexlo::merge {
namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";  // U+3000

// `text` without any space (ASCII or ideographic) anywhere.
std::string WithoutSpaces(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, kIdeographicSpace.size()) == kIdeographicSpace) {
      i += kIdeographicSpace.size() - 1;
    } else if (text[i] != ' ' && text[i] != '\t') {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::optional<int> RowNumber(std::string_view text) {
  text = TrimSpaces(text);
  int n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || n < 2) {
    return std::nullopt;
  }
  return n;
}

std::string RangeText(const RowRange& r) {
  if (r.first == r.last) return std::to_string(r.first);
  return std::to_string(r.first) + "-" + (r.last == INT_MAX ? std::string() : std::to_string(r.last));
}

}  // namespace

std::string_view TrimSpaces(std::string_view text) {
  for (;;) {
    if (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' ||
                          text.front() == '\n')) {
      text.remove_prefix(1);
    } else if (text.substr(0, kIdeographicSpace.size()) == kIdeographicSpace) {
      text.remove_prefix(kIdeographicSpace.size());
    } else {
      break;
    }
  }
  for (;;) {
    if (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                          text.back() == '\n')) {
      text.remove_suffix(1);
    } else if (text.size() >= kIdeographicSpace.size() &&
               text.substr(text.size() - kIdeographicSpace.size()) == kIdeographicSpace) {
      text.remove_suffix(kIdeographicSpace.size());
    } else {
      break;
    }
  }
  return text;
}

std::optional<RecordFilter> ParseRecordFilter(std::string_view text) {
  const std::size_t at = text.find_first_of("=~");
  if (at == std::string_view::npos) return std::nullopt;
  RecordFilter filter;
  filter.title = std::string(TrimSpaces(text.substr(0, at)));
  filter.value = std::string(TrimSpaces(text.substr(at + 1)));
  filter.contains = text[at] == '~';
  if (filter.title.empty()) return std::nullopt;
  return filter;
}

std::optional<std::vector<RowRange>> ParseRowRanges(std::string_view text) {
  std::vector<RowRange> ranges;
  while (true) {
    const std::size_t comma = text.find(',');
    const std::string_view part = text.substr(0, comma);
    const std::size_t dash = part.find('-');
    RowRange range;
    if (dash == std::string_view::npos) {
      const std::optional<int> row = RowNumber(part);
      if (!row) return std::nullopt;
      range = {*row, *row};
    } else {
      const std::optional<int> first = RowNumber(part.substr(0, dash));
      const std::string_view rest = TrimSpaces(part.substr(dash + 1));
      const std::optional<int> last = rest.empty() ? std::optional<int>(INT_MAX) : RowNumber(rest);
      if (!first || !last || *last < *first) return std::nullopt;
      range = {*first, *last};
    }
    ranges.push_back(range);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return ranges;
}

bool IsTotalsRow(std::string_view name) {
  const std::string word = WithoutSpaces(name);
  return word == "合计" || word == "小计" || word == "总计";
}

bool MeetsFilter(const RecordFilter& filter, std::string_view value) {
  value = TrimSpaces(value);
  if (filter.contains) return value.find(filter.value) != std::string_view::npos;
  return value == filter.value;
}

std::string ChoiceText(const RecordChoice& choice) {
  std::string text;
  const auto add = [&](const std::string& part) { text += (text.empty() ? "" : "，") + part; };
  for (const RecordFilter& f : choice.filters) {
    add(f.title + (f.contains ? "包含“" : "为“") + f.value + "”");
  }
  if (!choice.rows.empty()) {
    std::string rows;
    for (const RowRange& r : choice.rows) rows += (rows.empty() ? "" : "、") + RangeText(r);
    add("第 " + rows + " 行");
  }
  if (choice.skip_totals) add("不含合计、小计、总计行");
  return text;
}

}  // namespace vexlo::merge
