// Output names of a merge run: the documents' extension taken from the template, the output
// folder prefix, the merged and per-record names, and the in-use check that swaps a name held by
// another program for a timestamped fallback. Any thread.
#ifndef VEXLO_MERGE_OUTPUT_NAMING_H_
#define VEXLO_MERGE_OUTPUT_NAMING_H_

#include <optional>
#include <string>
#include <string_view>

namespace vexlo::merge {

// `filetype`: the template's file name from its last "." on, when that is the dot and at least two
// more characters; otherwise ".doc".
std::string DeriveFiletype(std::string_view filenamew);

// `ls_path`: the output folder text with a separator appended. A blank text stands for the
// start-up folder, so that names never lose their folder.
std::string OutputPrefix(std::string_view folder_text);

// A record name made safe as a file name inside the output folder: the characters a file name
// cannot hold (/ \ : * ? " < > |, control characters) become "_", and so does a name made only of
// dots ("." or ".."), so that no output lands outside the chosen folder.
std::string SafeFileName(std::string_view record_name);

struct MergedNames {
  std::string document;  // ls_filename
  std::string pdf;       // ls_filenamepdf
};
MergedNames FormMergedNames(const std::string& ls_path, const std::string& filetype);

struct RecordNames {
  std::string document;  // ls_filename2
  std::string pdf;       // ls_filenamepdf2
};
RecordNames FormRecordNames(const std::string& ls_path, std::string_view record_name,
                            const std::string& filetype);

// "F" with the stamp "yyyymmddhhmmss" of now inserted before `ending`. REQUIRES: F ends in ending.
std::string FallbackName(const std::string& name, std::string_view ending);

// The in-use check: nothing when no file `name` exists or when it is free (it will be
// overwritten); otherwise the fallback name B that is used instead.
std::optional<std::string> FallbackIfInUse(const std::string& name, std::string_view ending);
// What the user is told about it: "    无法创建“F”文件！\n文件将另存为B。"
std::string FallbackMessage(const std::string& name, const std::string& fallback);

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_OUTPUT_NAMING_H_
