#include "tests/support/scripted_host.h"

namespace vexlo::test {


std::vector<std::string> ScriptedHost::Boxes() const {
  std::vector<std::string> boxes;
  for (const auto& line : log) {
    if (line.rfind("box ", 0) == 0) boxes.push_back(line);
  }
  return boxes;
}

void ScriptedHost::MessageBox(std::string_view title, std::string_view text) {
  log.push_back("box " + std::string(title) + "|" + std::string(text));
}

bool ScriptedHost::AskYesNo(std::string_view title, std::string_view text) {
  log.push_back("ask " + std::string(title) + "|" + std::string(text));
  if (while_asking) while_asking();
  if (yes_no_answers.empty()) return false;
  bool answer = yes_no_answers.front();
  yes_no_answers.pop_front();
  return answer;
}

void ScriptedHost::EndProgram() {
  ++end_program_calls;
  log.push_back("end");
}

std::string ScriptedHost::FileOpenDialog(std::string_view title, std::string_view default_ext,
                                         std::string_view filter, std::string_view start_folder) {
  dialog_folders.emplace_back(start_folder);
  log.push_back("dialog " + std::string(title) + "|" + std::string(default_ext) + "|" +
                std::string(filter));
  if (file_answers.empty()) return {};
  std::string answer = file_answers.front();
  file_answers.pop_front();
  return answer;
}

bool ScriptedHost::FolderDialog(std::string_view title, std::string& folder) {
  log.push_back("folder " + std::string(title) + "|" + folder);
  if (folder_answers.empty()) return false;
  std::string answer = folder_answers.front();
  folder_answers.pop_front();
  if (answer.empty()) return false;
  folder = answer;
  return true;
}

void ScriptedHost::ShellOpenFolder(std::string_view folder) {
  log.push_back("shell " + std::string(folder));
}

void ScriptedHost::KeepAlive(int, int) { ++keep_alive_calls; }

}  // namespace vexlo::test
