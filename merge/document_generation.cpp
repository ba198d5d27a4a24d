#include "merge/document_generation.h"

namespace vexlo::merge {

using office::Value;

namespace {

// Each title is first replaced by a marker of its own and every marker by its value only once
// all titles are done, so no title is ever matched against text that a value put in. A marker
// is one character of the supplementary private use area A (U+F0000 + k; a sheet has at most
// 16384 columns). It is neither letter nor digit, so whole-word matching of the later titles
// sees it as a boundary, just as it saw the title it stands for.
constexpr char32_t kFirstMarker = 0xF0000;

std::string Marker(std::size_t k) {
  const char32_t c = kFirstMarker + static_cast<char32_t>(k);
  return {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
          static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
}

// The value as it is put in. Characters of the markers' area (U+F0000 to U+FFFFF, UTF-8
// F3 B0 80 80 to F3 BF BF BF) are left out: a marker inside a value would be replaced by a
// later value.
std::string WithoutMarkers(const std::string& value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    const auto byte = [&](std::size_t j) { return static_cast<unsigned char>(value[j]); };
    if (byte(i) == 0xF3 && i + 3 < value.size() && byte(i + 1) >= 0xB0 && byte(i + 1) <= 0xBF) {
      i += 3;  // the whole four-byte character
      continue;
    }
    out.push_back(value[i]);
  }
  return out;
}

std::string AsciiLower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// Replaces the placeholders of every title in the range `range` gives by the record's values.
void FillStory(const std::function<Value()>& range, const std::vector<std::string>& titles,
               const std::vector<std::string>& values, const TemplatePlaceholders& placeholders) {
  const auto replace_all = [&](const std::string& find, bool whole_word, const std::string& with) {
    // Find text, match case, whole word, wildcards, sounds like, all word forms, forward,
    // wrap (0: stop at the end of the range), format, replace with, replace (2: all).
    const Value found = range().get("find").call(
        "execute", {Value(find), Value(false), Value(whole_word), Value(false), Value(false),
                    Value(false), Value(true), Value(0), Value(true), Value(with), Value(2)});
    return found.kind() != Value::Kind::kBool || found.boolean();
  };
  std::vector<bool> found(titles.size());
  for (std::size_t k : ReplacementOrder(titles)) {
    for (const SearchText& search : placeholders.SearchTexts(titles[k])) {
      if (replace_all(search.text, search.whole_word, Marker(k))) found[k] = true;
    }
  }
  // A marker can only stand where a title was: it is matched wherever it is, whatever its
  // neighbours (a word processor may count a private character as part of a word).
  for (std::size_t k = 0; k < titles.size(); ++k) {
    if (found[k]) replace_all(Marker(k), false, values[k]);
  }
}

}  // namespace

std::vector<std::size_t> ReplacementOrder(const std::vector<std::string>& titles) {
  std::vector<std::string> folded;
  folded.reserve(titles.size());
  for (const std::string& t : titles) folded.push_back(AsciiLower(t));
  const auto contains = [&](std::size_t outer, std::size_t inner) {
    return folded[outer].size() > folded[inner].size() && !folded[inner].empty() &&
           folded[outer].find(folded[inner]) != std::string::npos;
  };
  std::vector<std::size_t> order;
  order.reserve(titles.size());
  std::vector<bool> placed(titles.size());
  // Places title k after every title that contains it (those first, in column order); a longer
  // title is always longer than what it contains, so this ends.
  const auto place = [&](auto& self, std::size_t k) -> void {
    if (placed[k]) return;
    for (std::size_t j = 0; j < titles.size(); ++j) {
      if (!placed[j] && contains(j, k)) self(self, j);
    }
    placed[k] = true;
    order.push_back(k);
  };
  for (std::size_t k = 0; k < titles.size(); ++k) place(place, k);
  return order;
}

void PrepareDocuments(const office::oleobject& wordserver, const office::oleobject& wordserver2,
                      const std::string& filenamew) {
  wordserver.get("documents").call("add", {Value(filenamew), Value(false), Value(0)});
  wordserver2.get("documents").call("add", {Value(""), Value(false), Value(0)});
}

void NewRecordDocument(const office::oleobject& wordserver2) {
  wordserver2.get("documents").call("add", {Value(""), Value(false), Value(0)});
}

void FillRecord(const office::oleobject& wordserver, const office::oleobject& wordserver2,
                const std::vector<std::string>& titles, const FieldValue& value,
                const TemplatePlaceholders& placeholders, bool other_stories) {
  wordserver.get("selection").get("wholestory");
  wordserver.get("selection").get("copy");
  // The copy goes in at the insertion point; from there to the end of the document is this
  // record's copy, and nothing before it is searched (earlier records in one file).
  const Value start = wordserver2.get("selection").get("start");
  wordserver2.get("selection").get("paste");
  const Value document = wordserver2.get("activedocument");
  std::vector<std::string> values;
  for (std::size_t k = 0; k < titles.size(); ++k) values.push_back(WithoutMarkers(value(k)));
  // Every replacement moves the end: the copy's range is asked for again for each call.
  FillStory([&] { return document.call("range", {start, document.get("content").get("end")}); },
            titles, values, placeholders);
  if (!other_stories) return;
  for (const Value& story : OtherStoryRanges(document)) {
    FillStory([&] { return story; }, titles, values, placeholders);
  }
}

}  // namespace vexlo::merge
