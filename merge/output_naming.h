// Output names of a merge run: the documents' extension taken from the template, the output
// folder prefix, the record and merged names made unique, and the in-use check that swaps a name
// held by another program for a timestamped fallback. Any thread.
// Convention: cannot fail.
#ifndef VEXLO_MERGE_OUTPUT_NAMING_H_
#define VEXLO_MERGE_OUTPUT_NAMING_H_

#include <functional>
#include <optional>
#include <string>
#include <set>
#include <string_view>
#include <vector>

namespace vexlo::merge {

// `filetype`: the template's file name from its last "." on, when that is the dot and at least two
// more characters; otherwise ".doc".
std::string DeriveFiletype(std::string_view filenamew);

// `ls_path`: the output folder text with a separator appended. A blank text stands for
// `current_folder` (the start-up folder), so that names never lose their folder.
std::string OutputPrefix(std::string_view folder_text, std::string_view current_folder);

// A record name made safe as a file name inside the output folder: the characters a file name
// cannot hold (/ \ : * ? " < > |, control characters) become "_", and so do leading dots, so that
// no output lands outside the chosen folder or is hidden there.
std::string SafeFileName(std::string_view record_name);

// A file-name pattern is text with column titles in braces ("{工号}_{姓名}_2026年11月"); a brace
// without its partner is text. The titles it names, in order:
std::vector<std::string> PatternTitles(std::string_view pattern);
// The pattern with each "{title}" replaced by `value(title)` (the result still to be made safe).
std::string ExpandNamePattern(std::string_view pattern,
                              const std::function<std::string(const std::string&)>& value);

// The names of one run's outputs, each a stem in the output folder that takes the documents'
// extension and ".pdf". A stem is unique within the run, compared without regard to case (and
// after the "_" replacement), so no output replaces another; it never names the template or the
// data file (compared by resolved path), and it is shortened at a character boundary when the
// file system could not hold it with its extension. A taken stem gets " (2)", " (3)" ... .
class OutputNamer {
 public:
  // `ls_path`: the output folder with its separator; `inputs`: the files no output may replace.
  OutputNamer(std::string ls_path, std::string filetype, const std::vector<std::string>& inputs);

  // Reserves the stem for `wanted` (already a safe name) followed by `tail` (kept whole: a
  // shortened name loses characters of `wanted` only). With `avoid_held`, a name whose document
  // or PDF another program holds is passed over too.
  std::string Reserve(std::string_view wanted, std::string_view tail = {}, bool avoid_held = false);

  std::string Document(const std::string& stem) const { return ls_path_ + stem + filetype_; }
  std::string Pdf(const std::string& stem) const { return ls_path_ + stem + ".pdf"; }

  // The longest file name the output folder takes (bytes).
  std::size_t name_max() const { return name_max_; }

 private:
  bool Free(const std::string& stem, bool avoid_held) const;

  std::string ls_path_;
  std::string filetype_;
  std::vector<std::string> inputs_;  // resolved, folded
  std::set<std::string> taken_;      // folded stems
  std::size_t name_max_;
};

// "F" with `stamp` ("yyyymmddhhmmss", app::Stamp14) inserted before `ending`.
// REQUIRES: F ends in ending.
std::string FallbackName(const std::string& name, std::string_view ending, std::string_view stamp);

// The in-use check: true when a file `name` exists and another program holds it (a free one
// will be overwritten).
bool HeldByAnother(const std::string& name);
// What the user is told about it: "    无法创建“F”文件！\n文件将另存为B。"
std::string FallbackMessage(const std::string& name, const std::string& fallback);

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_OUTPUT_NAMING_H_
