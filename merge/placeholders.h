// Placeholders: how a template marks the places where a record's values go. A template made for
// a word processor's mail merge holds merge fields (shown as «姓名»); others write the titles
// between «» or {} marks; the rest write the bare titles (whole words, case ignored). A template
// that marks its titles uses only the marked ones, so the word 姓名 in its ordinary text stays.
// Everything is asked of the template document through the automation gateway, in every story:
// the main text (with its tables and text boxes), each section's headers and footers, the notes.
// UI thread only; a failing call raises app::RuntimeError.
// Convention: a failing automation call raises app::RuntimeError, the program's error record.
#ifndef VEXLO_MERGE_PLACEHOLDERS_H_
#define VEXLO_MERGE_PLACEHOLDERS_H_

#include <optional>
#include <string>
#include <vector>

#include "office/oleobject.h"

namespace vexlo::merge {

enum class PlaceholderMode {
  kPlain,       // bare titles
  kFields,      // merge fields (turned into «» marked names before the first record)
  kGuillemets,  // «title» written as text
  kBraces,      // {title} written as text
};

// One text that stands for a title in the template, as the find call takes it.
struct SearchText {
  std::string text;
  bool whole_word = false;
};

struct TemplatePlaceholders {
  PlaceholderMode mode = PlaceholderMode::kPlain;
  std::vector<std::string> names;      // marked names and merge field names, as written, once each
  std::vector<std::string> unmatched;  // those of `names` that match no column title
  bool in_other_stories = false;       // headers, footers or notes hold a placeholder

  // The texts that stand for `title`: the title itself as a whole word, or the title between
  // the template's marks.
  std::vector<SearchText> SearchTexts(const std::string& title) const;
  // The titles (of `titles`) that no placeholder names; in plain mode, nothing (the whole-word
  // search of data_hints.h tells those).
  std::vector<std::string> TitlesWithoutPlaceholder(const std::vector<std::string>& titles) const;
};

// Reads the placeholders of the active document of `wordserver` (the template document) against
// the column titles.
TemplatePlaceholders ReadPlaceholders(const office::oleobject& wordserver,
                                      const std::vector<std::string>& titles);

// Turns every merge field of the template document into its name between «» marks, as plain
// text in the field result's formatting, so that each record fills it like any marked title and
// every copy of the template holds run texts only.
void PrepareTemplate(const office::oleobject& wordserver, const TemplatePlaceholders& placeholders);

// The stories of `document` besides its main text, as ranges: each section's own headers and
// footers (those linked to the previous section's are that one), then the footnotes and endnotes.
std::vector<office::Value> OtherStoryRanges(const office::Value& document);

// "模板中的以下占位符没有对应的列标题：……"; nullopt when every name matches a column.
std::optional<std::string> UnmatchedPlaceholdersNote(const std::vector<std::string>& unmatched);

// The name a MERGEFIELD instruction merges (" MERGEFIELD "姓 名" \* MERGEFORMAT " gives 姓 名);
// "" when `code` is no merge field.
std::string MergeFieldName(const std::string& code);

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_PLACEHOLDERS_H_
