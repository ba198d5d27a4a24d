// ScriptedHost: the host of the tests. Records every box, question and dialog as a line of text
// and answers the questions and dialogs from scripts.
#ifndef VEXLO_TESTS_SUPPORT_SCRIPTED_HOST_H_
#define VEXLO_TESTS_SUPPORT_SCRIPTED_HOST_H_

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/host.h"

namespace vexlo::test {

class ScriptedHost : public app::Host {
 public:
  // What happened, in order: "box 标题|正文", "ask 标题|正文", "end", "shell 路径",
  // "dialog 标题".
  std::vector<std::string> log;
  // Answers to AskYesNo, front first; when empty the answer is No.
  std::deque<bool> yes_no_answers;
  // Runs while a question is open, before it is answered (the events a modal box would handle).
  std::function<void()> while_asking;
  // Answers to the file dialogs ("" = cancel) and folder dialogs (nullopt-like: "" = cancel).
  std::deque<std::string> file_answers;
  std::vector<std::string> dialog_folders;  // where each file dialog started
  std::deque<std::string> folder_answers;
  int end_program_calls = 0;
  int keep_alive_calls = 0;

  // Only the "box ..." lines of the log.
  std::vector<std::string> Boxes() const;

  void MessageBox(std::string_view title, std::string_view text) override;
  bool AskYesNo(std::string_view title, std::string_view text) override;
  void EndProgram() override;
  std::string FileOpenDialog(std::string_view title, std::string_view default_ext,
                             std::string_view filter, std::string_view start_folder) override;
  bool FolderDialog(std::string_view title, std::string& folder) override;
  void ShellOpenFolder(std::string_view folder) override;
  void KeepAlive(int done, int total) override;
};

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_SUPPORT_SCRIPTED_HOST_H_
