// Hints the final message gives about the data and the template, found before the first record
// is written: column titles that occur nowhere in the template (a misspelt title is caught on the
// first run), and a value that the sheet shows otherwise than the raw value the run writes.
// UI thread only.
// Convention: a failing automation call raises app::RuntimeError, the program's error record.
#ifndef VEXLO_MERGE_DATA_HINTS_H_
#define VEXLO_MERGE_DATA_HINTS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "merge/data_source.h"
#include "office/oleobject.h"

namespace vexlo::merge {

// The titles that the active document of `wordserver` (the template) holds nowhere, matched as
// the merge replaces them: whole words, case ignored. A word processor that cannot search
// without replacing raises the gateway's run-time error.
std::vector<std::string> TitlesMissingFromTemplate(const office::oleobject& wordserver,
                                                   const std::vector<std::string>& titles);

// “甲”、“乙”、“丙”, at most 20 of them and then how many there are in all.
std::string QuotedNames(const std::vector<std::string>& names);

// "以下列标题在模板中没有出现：……"; nullopt when none is missing.
std::optional<std::string> MissingTitlesNote(const std::vector<std::string>& missing);

// The line that names the option for values as shown, with one example; `how` says how to
// choose it where the user is ("勾选“数值按表格格式”", or the command-line option).
std::string ShownValueNote(const DataSource::ShownDifference& difference, std::string_view how);

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_DATA_HINTS_H_
