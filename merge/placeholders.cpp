#include "merge/placeholders.h"

#include <algorithm>

#include "office/value.h"

namespace vexlo::merge {

using office::Value;

namespace {

// The object model's numbers: a merge field, and the story types of the notes.
constexpr int32_t kMergeFieldType = 59;
constexpr int32_t kFootnotesStory = 2;
constexpr int32_t kEndnotesStory = 3;

constexpr std::string_view kOpenGuillemet = "\xC2\xAB";   // «
constexpr std::string_view kCloseGuillemet = "\xC2\xBB";  // »
// A marked name longer than this is no title (a brace in ordinary text, far from its pair).
constexpr std::size_t kMaxNameBytes = 200;

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool SameName(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

bool IsTitle(const std::string& name, const std::vector<std::string>& titles) {
  return std::any_of(titles.begin(), titles.end(),
                     [&](const std::string& t) { return SameName(t, name); });
}

void AddOnce(std::vector<std::string>& names, const std::string& name) {
  if (std::none_of(names.begin(), names.end(), [&](const std::string& n) { return SameName(n, name); })) {
    names.push_back(name);
  }
}

// The names written between `open` and `close` in `text`, within one paragraph.
std::vector<std::string> MarkedNames(const std::string& text, std::string_view open,
                                     std::string_view close) {
  std::vector<std::string> names;
  std::size_t pos = 0;
  while ((pos = text.find(open, pos)) != std::string::npos) {
    const std::size_t start = pos + open.size();
    const std::size_t end = text.find(close, start);
    if (end == std::string::npos) break;
    const std::string name = text.substr(start, end - start);
    const bool plain = name.find_first_of("\r\v\t") == std::string::npos &&
                       name.find(open) == std::string::npos;
    if (plain && !name.empty() && name.size() <= kMaxNameBytes) {
      AddOnce(names, name);
      pos = end + close.size();
    } else {
      pos = start;
    }
  }
  return names;
}

std::vector<Value> AllStories(const Value& document) {
  std::vector<Value> stories{document.get("content")};
  for (Value& story : OtherStoryRanges(document)) stories.push_back(std::move(story));
  return stories;
}

}  // namespace

std::string MergeFieldName(const std::string& code) {
  std::size_t i = code.find_first_not_of(" \t");
  if (i == std::string::npos) return {};
  std::size_t j = code.find_first_of(" \t\\", i);
  if (Lower(code.substr(i, j == std::string::npos ? std::string::npos : j - i)) != "mergefield") {
    return {};
  }
  i = j == std::string::npos ? code.size() : code.find_first_not_of(" \t", j);
  if (i == std::string::npos || i >= code.size()) return {};
  if (code[i] == '"') {
    const std::size_t close = code.find('"', i + 1);
    return code.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
  }
  j = code.find_first_of(" \t\\", i);
  return code.substr(i, j == std::string::npos ? std::string::npos : j - i);
}

std::vector<SearchText> TemplatePlaceholders::SearchTexts(const std::string& title) const {
  switch (mode) {
    case PlaceholderMode::kPlain:
      return {{title, true}};
    case PlaceholderMode::kFields:
    case PlaceholderMode::kGuillemets:
      return {{std::string(kOpenGuillemet) + title + std::string(kCloseGuillemet), false}};
    case PlaceholderMode::kBraces:
      return {{"{" + title + "}", false}};
  }
  return {};
}

std::vector<std::string> TemplatePlaceholders::TitlesWithoutPlaceholder(
    const std::vector<std::string>& titles) const {
  std::vector<std::string> missing;
  if (mode == PlaceholderMode::kPlain) return missing;
  for (const std::string& title : titles) {
    if (!IsTitle(title, names)) missing.push_back(title);
  }
  return missing;
}

std::vector<Value> OtherStoryRanges(const Value& document) {
  std::vector<Value> stories;
  const Value sections = document.get("sections");
  const int32_t count = office::ArgLong(sections.get("count"), "count", 0);
  for (int32_t s = 1; s <= count; ++s) {
    const Value section = sections.call("item", {s});
    for (const char* kind : {"headers", "footers"}) {
      const Value headers = section.get(kind);
      for (int32_t k = 1; k <= 3; ++k) {
        const Value header = headers.call("item", {k});
        if (!office::ArgBool(header.get("exists"), "exists", 0)) continue;
        if (s > 1 && office::ArgBool(header.get("linktoprevious"), "linktoprevious", 0)) continue;
        stories.push_back(header.get("range"));
      }
    }
  }
  const auto notes = [&](const char* collection, int32_t story) {
    if (office::ArgLong(document.get(collection).get("count"), "count", 0) > 0) {
      stories.push_back(document.get("storyranges").call("item", {story}));
    }
  };
  notes("footnotes", kFootnotesStory);
  notes("endnotes", kEndnotesStory);
  return stories;
}

TemplatePlaceholders ReadPlaceholders(const office::oleobject& wordserver,
                                      const std::vector<std::string>& titles) {
  TemplatePlaceholders result;
  const Value document = wordserver.get("activedocument");
  const std::vector<Value> stories = AllStories(document);
  std::vector<std::string> fields, guillemets, braces;
  std::vector<bool> has_marks(stories.size());
  for (std::size_t i = 0; i < stories.size(); ++i) {
    const Value list = stories[i].get("fields");
    const int32_t count = office::ArgLong(list.get("count"), "count", 0);
    for (int32_t f = 1; f <= count; ++f) {
      const Value field = list.call("item", {f});
      if (office::ArgLong(field.get("type"), "type", 0) != kMergeFieldType) continue;
      const std::string name =
          MergeFieldName(office::ToText(field.get("code").get("text")).value_or(""));
      if (!name.empty()) AddOnce(fields, name);
      has_marks[i] = true;
    }
    const std::string text = office::ToText(stories[i].get("text")).value_or("");
    for (const std::string& n : MarkedNames(text, kOpenGuillemet, kCloseGuillemet)) {
      AddOnce(guillemets, n);
      has_marks[i] = true;
    }
    for (const std::string& n : MarkedNames(text, "{", "}")) {
      AddOnce(braces, n);
      if (IsTitle(n, titles)) has_marks[i] = true;
    }
  }
  const auto any_title = [&](const std::vector<std::string>& names) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return IsTitle(n, titles); });
  };
  // Marks count only where they name a column: a stray brace in a template of bare titles
  // must not switch those off.
  if (!fields.empty()) {
    result.mode = PlaceholderMode::kFields;
    result.names = fields;
    for (const std::string& n : guillemets) AddOnce(result.names, n);
  } else if (any_title(guillemets)) {
    result.mode = PlaceholderMode::kGuillemets;
    result.names = guillemets;
  } else if (any_title(braces)) {
    result.mode = PlaceholderMode::kBraces;
    result.names = braces;
  }
  for (const std::string& n : result.names) {
    if (!IsTitle(n, titles)) result.unmatched.push_back(n);
  }
  if (result.mode != PlaceholderMode::kPlain) {
    result.in_other_stories = std::any_of(has_marks.begin() + 1, has_marks.end(), [](bool b) { return b; });
    return result;
  }
  // Bare titles: whether any other story holds one, as the replacement matches them.
  for (std::size_t i = 1; i < stories.size() && !result.in_other_stories; ++i) {
    for (const std::string& title : titles) {
      const Value found = stories[i].get("find").call(
          "execute", {Value(title), Value(false), Value(true), Value(false), Value(false),
                      Value(false), Value(true), Value(0), Value(false), Value(""), Value(0)});
      if (found.kind() != Value::Kind::kBool || found.boolean()) {
        result.in_other_stories = true;
        break;
      }
    }
  }
  return result;
}

void PrepareTemplate(const office::oleobject& wordserver, const TemplatePlaceholders& placeholders) {
  if (placeholders.mode != PlaceholderMode::kFields) return;
  const Value document = wordserver.get("activedocument");
  for (const Value& story : AllStories(document)) {
    const Value list = story.get("fields");
    // From the last: unlinking a field leaves the numbers of those before it as they were.
    for (int32_t f = office::ArgLong(list.get("count"), "count", 0); f >= 1; --f) {
      const Value field = list.call("item", {f});
      if (office::ArgLong(field.get("type"), "type", 0) != kMergeFieldType) continue;
      const std::string name =
          MergeFieldName(office::ToText(field.get("code").get("text")).value_or(""));
      if (name.empty()) continue;  // names nothing: left as the template has it
      field.get("result").set("text", std::string(kOpenGuillemet) + name + std::string(kCloseGuillemet));
      field.call("unlink");
    }
  }
}

std::optional<std::string> UnmatchedPlaceholdersNote(const std::vector<std::string>& unmatched) {
  if (unmatched.empty()) return std::nullopt;
  constexpr std::size_t kShown = 20;  // names shown at most
  std::string note = "模板中的以下占位符没有对应的列标题，将原样保留：";
  for (std::size_t i = 0; i < unmatched.size() && i < kShown; ++i) {
    note += (i > 0 ? "、“" : "“") + unmatched[i] + "”";
  }
  if (unmatched.size() > kShown) note += "等 " + std::to_string(unmatched.size()) + " 个";
  return note + "。请检查模板中的域名或标记与数据文件的列标题是否一致。";
}

}  // namespace vexlo::merge
