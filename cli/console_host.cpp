#include "cli/console_host.h"

#include <algorithm>

namespace vexlo::cli {
namespace {
constexpr int kBarWidth = 30;
}  // namespace

ConsoleHost::ConsoleHost(const CliOptions& options, std::FILE* out, std::FILE* err)
    : out_(out), err_(err) {
  texts_ = {{"sle_1", options.data},
            {"sle_2", options.templ},
            {"sle_3", options.out},
            {"em_1", std::to_string(options.copies > 0 ? options.copies : 1)}};
  checks_ = {{"cbx_1", options.one_file},
             {"cbx_2", options.copies > 0},
             {"cbx_3", options.visible},
             {"cbx_4", options.pdf}};
}

void ConsoleHost::MessageBox(std::string_view title, std::string_view text) {
  ClearBar();
  std::FILE* to = title == "错误提示" ? err_ : out_;
  std::fprintf(to, "%.*s：%.*s\n", static_cast<int>(title.size()), title.data(),
               static_cast<int>(text.size()), text.data());
  std::fflush(to);
}

bool ConsoleHost::AskYesNo(std::string_view title, std::string_view text) {
  ClearBar();
  std::fprintf(err_, "%.*s：%.*s\n", static_cast<int>(title.size()), title.data(),
               static_cast<int>(text.size()), text.data());
  std::fflush(err_);
  return false;
}

std::string ConsoleHost::Text(std::string_view control) {
  auto it = texts_.find(control);
  return it == texts_.end() ? std::string() : it->second;
}

void ConsoleHost::SetText(std::string_view control, std::string_view text) {
  texts_[std::string(control)] = std::string(text);
}

bool ConsoleHost::Checked(std::string_view control) {
  auto it = checks_.find(control);
  return it != checks_.end() && it->second;
}

void ConsoleHost::SetChecked(std::string_view control, bool checked) {
  checks_[std::string(control)] = checked;
}

void ConsoleHost::OpenProgress(std::string_view text) {
  std::fprintf(out_, "%.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(out_);
}

void ConsoleHost::CloseProgress() { ClearBar(); }

// The job reports records with total -1 (the number of records is the CLI's own count); the
// output queue reports finished PDFs and prints with their total.
void ConsoleHost::KeepAlive(int done, int total) {
  if (!show_progress_) return;
  const auto now = std::chrono::steady_clock::now();
  if (bar_drawn_ && now - last_draw_ < std::chrono::milliseconds(100)) return;
  last_draw_ = now;
  std::string label;
  int of = total;
  if (total < 0) {
    of = records_;
    label = of > 0 ? "记录 " + std::to_string(done) + "/" + std::to_string(of)
                   : "记录 " + std::to_string(done);
  } else {
    label = "PDF/打印 " + std::to_string(done) + "/" + std::to_string(total);
  }
  std::string bar;
  if (of > 0) {
    const int filled = std::clamp(done * kBarWidth / of, 0, kBarWidth);
    bar = "[" + std::string(static_cast<std::size_t>(filled), '#') +
          std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + "] ";
  }
  std::fprintf(err_, "\r\033[K%s%s", bar.c_str(), label.c_str());
  std::fflush(err_);
  bar_drawn_ = true;
}

void ConsoleHost::ClearBar() {
  if (!bar_drawn_) return;
  std::fputs("\r\033[K", err_);
  std::fflush(err_);
  bar_drawn_ = false;
}

}  // namespace vexlo::cli
