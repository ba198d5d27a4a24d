// The message that ends a run that got through or was cancelled: what exists (documents, PDFs,
// print jobs sent) and where, the records whose file name differs from their text, the notes.
#include <filesystem>
#include <string>

#include "merge/data_hints.h"
#include "merge/mail_stage.h"
#include "merge/merge_session.h"

namespace vexlo::merge {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMergedName = "合并输出";
constexpr std::size_t kRenamedShown = 20;  // records listed in the final message at most

std::string FileName(const std::string& path) { return fs::path(path).filename().string(); }

std::string CountLine(const MergeSummary& summary) {
  const bool cancelled = summary.outcome == MergeOutcome::kCancelled;
  std::string count = (cancelled ? "已完成的 " : "共输出 ") + std::to_string(summary.documents) +
                      " 个文档";
  if (summary.pdfs > 0) count += "和 " + std::to_string(summary.pdfs) + " 个PDF文件";
  return count + "，保存在“" + summary.folder + "”。";
}

// Said whenever printing was asked, also when a cancel came before the first job was sent.
std::string PrintLine(const MergeSummary& summary) {
  return "已发送 " + std::to_string(summary.print_jobs) + " 个打印作业到打印机“" +
         summary.printer + "”，每个 " + std::to_string(summary.copies) + " 份。";
}

}  // namespace

std::string PrintPlanText(const PrintPlan& plan) {
  return "将在打印机“" + plan.printer + "”上打印 " + std::to_string(plan.documents) +
         " 个文档，每个 " + std::to_string(plan.copies) + " 份，共 " +
         std::to_string(plan.documents * plan.copies) + " 份。";
}

FinalMessage FinalMessageOf(const MergeSummary& summary, std::string_view as_shown_how) {
  FinalMessage message;
  if (summary.outcome == MergeOutcome::kStopped || summary.outcome == MergeOutcome::kChecked) {
    return message;
  }
  const bool cancelled = summary.outcome == MergeOutcome::kCancelled;
  const int skipped = summary.findings.skipped.total();
  const int unsent = summary.mail ? static_cast<int>(summary.mail->failed.size()) +
                                        summary.mail->not_sent
                                  : 0;
  // Success is claimed only when every row of the sheet became a document and every message
  // asked for went out, and no document is no success, whatever the outcome claims.
  message.headline = cancelled               ? "操作已取消。"
                     : summary.documents == 0 ? "没有输出任何文档。"
                     : skipped > 0            ? "操作已完成，但有 " + std::to_string(skipped) +
                                         " 行数据没有输出（见下）。"
                     : unsent > 0             ? "操作已完成，但有 " + std::to_string(unsent) +
                                        " 封邮件没有发出（见下）。"
                                              : "您已成功执行了操作！";
  message.details.push_back(CountLine(summary));
  if (summary.copies > 0) message.details.push_back(PrintLine(summary));
  if (summary.mail) {
    for (std::string& line : MailLines(*summary.mail)) message.details.push_back(std::move(line));
  }
  if (!summary.merged.empty() && FileName(summary.merged) != std::string(kMergedName) +
                                     fs::path(summary.merged).extension().string()) {
    message.details.push_back("合并输出的文档保存为“" + FileName(summary.merged) + "”。");
  }
  if (!summary.renamed.empty()) {
    message.details.push_back("以下记录的文件名与记录内容不同：");
    for (std::size_t i = 0; i < summary.renamed.size() && i < kRenamedShown; ++i) {
      const RecordResult& r = summary.renamed[i];
      message.details.push_back("  第 " + std::to_string(r.index) + " 条“" + r.name + "” → " +
                                FileName(r.document));
    }
    if (summary.renamed.size() > kRenamedShown) {
      message.details.push_back("  ……共 " + std::to_string(summary.renamed.size()) + " 条。");
    }
  }
  for (const std::string& note : summary.notes) message.details.push_back(note);
  if (summary.shown_difference) {
    message.details.push_back(ShownValueNote(*summary.shown_difference, as_shown_how));
  }
  return message;
}

}  // namespace vexlo::merge
