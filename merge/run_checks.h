// What is checked before a run writes anything: the two input files (and the output extension
// the template gives), the output folder (made when missing, with its parents), the copies, the
// helpers that PDF, printing and .doc output need, and that no other run writes into the same
// folder. Every refusal is told through the observer, with the field to go back to.
#ifndef VEXLO_MERGE_RUN_CHECKS_H_
#define VEXLO_MERGE_RUN_CHECKS_H_

#include <string>
#include <string_view>

#include "merge/folder_lock.h"
#include "merge/merge_session.h"

namespace vexlo::merge {

// Copies per print job that a run accepts, in the window and on the command line.
constexpr int kMinCopies = 1;
constexpr int kMaxCopies = 50;
// "打印份数必须是 1 到 50 之间的整数", for the messages that refuse other counts.
std::string CopiesRangeText();

// The number of copies a copies text stands for ("3" -> 3; no number -> 0).
int CopiesValue(const std::string& text);
// A copies text that stands for kMinCopies to kMaxCopies copies: digits only, spaces around them
// allowed.
bool ValidCopies(std::string_view text);

// Where the outputs go.
struct OutputPlace {
  std::string ls_path;  // the folder with its separator
  std::string folder;
  bool locked = false;  // the folder's lock is held (false: it could not be taken, nor refused)
};

class RunChecks {
 public:
  RunChecks(const MergeRequest& request, MergeObserver& observer)
      : request_(request), observer_(observer) {}

  // The data file and the template; `filetype` gets the outputs' extension (".docx").
  bool Inputs(std::string& filetype);
  // The output side, for outputs of `filetype` (with PDFs when `pdf`); `lock` is taken.
  bool Output(const std::string& filetype, bool pdf, OutputPlace& place, FolderLock& lock);

 private:
  bool Input(const std::string& path, MergeField field, const char* choose_text);
  bool Folder(const std::string& folder);
  bool Helpers(const std::string& filetype, bool pdf);
  void Say(const char* title, const std::string& text) { observer_.Message(title, text); }
  void Refuse(const char* title, const std::string& text, MergeField field);

  const MergeRequest& request_;
  MergeObserver& observer_;
};

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_RUN_CHECKS_H_
