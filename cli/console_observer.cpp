#include "cli/console_observer.h"

#include <algorithm>

#include "app/shown_text.h"

namespace vexlo::cli {
namespace {

constexpr int kBarWidth = 30;

// Text from files (names, paths) reaches the terminal with its control characters escaped.
void PrintLine(std::FILE* to, std::string_view title, std::string_view text) {
  const std::string shown = app::EscapeControls(text);
  std::fprintf(to, "%.*s：%s\n", static_cast<int>(title.size()), title.data(), shown.c_str());
  std::fflush(to);
}

}  // namespace

void ConsoleHost::MessageBox(std::string_view title, std::string_view text) {
  PrintLine(err_, title, text);
}

bool ConsoleHost::AskYesNo(std::string_view title, std::string_view text) {
  PrintLine(err_, title, text);
  return false;
}

ConsoleObserver::ConsoleObserver(std::FILE* out, std::FILE* err, bool show_progress,
                                 std::function<bool()> cancelled)
    : out_(out), err_(err), show_progress_(show_progress), cancelled_(std::move(cancelled)) {}

void ConsoleObserver::Message(std::string_view title, std::string_view text) {
  ClearBar();
  PrintLine(title == "错误提示" ? err_ : out_, title, text);
}

void ConsoleObserver::ProgressOpened(std::string_view text, int) {
  std::fprintf(out_, "%.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(out_);
}

void ConsoleObserver::Progress(int done, int total) {
  DrawBar(merge::MergeStage::kDocuments, done, total);
}

void ConsoleObserver::StageProgress(merge::MergeStage stage, int done, int total) {
  DrawBar(stage, done, total);
}

bool ConsoleObserver::ConfirmCheck(const merge::CheckFindings& findings) {
  ClearBar();
  for (const std::string& line : merge::FindingLines(findings)) {
    std::fprintf(err_, "%s\n", app::EscapeControls(line).c_str());
  }
  std::fflush(err_);
  return true;
}

bool ConsoleObserver::ConfirmPrint(const merge::PrintPlan& plan) {
  ClearBar();
  PrintLine(out_, "操作提示", merge::PrintPlanText(plan));
  return true;
}

// "[####      ] 正在生成PDF 第 i 个，共 n 个 还需约 m:ss", redrawn at most every 100 ms but at once
// for a new stage or its end.
void ConsoleObserver::DrawBar(merge::MergeStage stage, int done, int total) {
  const auto now = std::chrono::steady_clock::now();
  const std::optional<std::chrono::seconds> left = timer_.Report(stage, done, total, now);
  if (!show_progress_) return;
  const bool new_stage = stage != drawn_stage_;
  drawn_stage_ = stage;
  if (bar_drawn_ && !new_stage && done < total && now - last_draw_ < std::chrono::milliseconds(100)) {
    return;
  }
  last_draw_ = now;
  std::string bar;
  if (total > 0) {
    const int filled = std::clamp(done * kBarWidth / total, 0, kBarWidth);
    bar = "[" + std::string(static_cast<std::size_t>(filled), '#') +
          std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + "] ";
  }
  std::string label = merge::StageName(stage) + " " + merge::StageCountText(stage, done, total);
  if (left && done < total) label += " " + merge::RemainingText(*left);
  std::fprintf(err_, "\r\033[K%s%s", bar.c_str(), label.c_str());
  std::fflush(err_);
  bar_drawn_ = true;
}

void ConsoleObserver::ProgressClosed() { ClearBar(); }

bool ConsoleObserver::CancelRequested() { return cancelled_ && cancelled_(); }

void ConsoleObserver::Finished(const merge::MergeSummary& summary) {
  if (summary.outcome == merge::MergeOutcome::kChecked) {
    if (summary.findings.empty()) {
      if (!summary.findings.chosen.empty()) ConfirmCheck(summary.findings);
      PrintLine(out_, "操作提示", "检查完成，没有发现问题。");
    } else {
      ConfirmCheck(summary.findings);
    }
    return;
  }
  const merge::FinalMessage message = merge::FinalMessageOf(summary, "加上选项 --as-shown ");
  if (message.headline.empty()) return;
  PrintLine(out_, "操作提示", message.headline);
  for (const std::string& line : message.details) {
    std::fprintf(err_, "%s\n", app::EscapeControls(line).c_str());
  }
  std::fflush(err_);
}

void ConsoleObserver::ClearBar() {
  if (!bar_drawn_) return;
  std::fputs("\r\033[K", err_);
  std::fflush(err_);
  bar_drawn_ = false;
}

}  // namespace vexlo::cli
