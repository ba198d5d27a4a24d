// ConsoleHost: the host of the headless merge. The window's fields and check boxes come from the
// command line; message boxes are printed (a box that would wait for OK just prints); a question
// is printed and answered No, so that the CLI itself decides how to end; the progress window
// becomes a line on the terminal, with a bar of record i of n when the terminal is interactive.
#ifndef VEXLO_CLI_CONSOLE_HOST_H_
#define VEXLO_CLI_CONSOLE_HOST_H_

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "app/host.h"
#include "cli/cli_options.h"

namespace vexlo::cli {

class ConsoleHost : public app::Host {
 public:
  // `out` takes guidance, `err` errors and the progress bar.
  ConsoleHost(const CliOptions& options, std::FILE* out, std::FILE* err);

  // The number of records, when known, for the progress bar.
  void SetRecordCount(int records) { records_ = records; }
  // Whether the progress bar is drawn (an interactive terminal).
  void SetShowProgress(bool show) { show_progress_ = show; }

  void MessageBox(std::string_view title, std::string_view text) override;
  bool AskYesNo(std::string_view title, std::string_view text) override;
  void EndProgram() override {}
  std::string Text(std::string_view control) override;
  void SetText(std::string_view control, std::string_view text) override;
  bool Checked(std::string_view control) override;
  void SetChecked(std::string_view control, bool checked) override;
  void OpenProgress(std::string_view text) override;
  void CloseProgress() override;
  void KeepAlive(int done, int total) override;

 private:
  void ClearBar();

  std::FILE* out_;
  std::FILE* err_;
  std::map<std::string, std::string, std::less<>> texts_;
  std::map<std::string, bool, std::less<>> checks_;
  int records_ = -1;
  bool show_progress_ = false;
  bool bar_drawn_ = false;
  std::chrono::steady_clock::time_point last_draw_{};
};

}  // namespace vexlo::cli

#endif  // VEXLO_CLI_CONSOLE_HOST_H_
