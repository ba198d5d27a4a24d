#include "cli/run_cli.h"

#include <memory>

#include "app/application.h"
#include "app/event_guard.h"
#include "app/host.h"
#include "app/post_queue.h"
#include "cli/cli_options.h"
#include "cli/console_host.h"
#include "merge/blank.h"
#include "office/engine/word/doc_conversion.h"
#include "merge/file_probe.h"
#include "merge/merge_job.h"
#include "office/oleobject.h"
#include "office/value.h"

namespace vexlo::cli {
namespace {

// Counts the records for the progress bar with an instance of its own: rows from 2 on until the
// first blank first cell. Best effort: any failure leaves the count unknown.
int CountRecords(const std::string& data) {
  if (!merge::FileExists(data) || merge::ProbeFile(data) < 1) return -1;
  office::oleobject excel;
  if (excel.start_new("excel.application") < 0) return -1;
  int records = -1;
  try {
    office::Value app = excel.get("application");
    app.get("workbooks").call("open", {data});
    office::Value sheet = app.get("activesheet");
    records = 0;
    while (records < 999 &&
           !merge::IsBlank(office::ToText(
               sheet.call("range", {"a" + std::to_string(records + 2)}).get("value")))) {
      ++records;
    }
    app.call("quit");
  } catch (...) {
  }
  return records;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, bool interactive) {
  std::string usage_error;
  const std::optional<CliOptions> options = ParseCliOptions(args, usage_error);
  if (!options) {
    std::fprintf(err, "vexlo-merge：%s\n请用 vexlo-merge --help 查看用法。\n", usage_error.c_str());
    return kExitUsage;
  }
  if (options->help) {
    std::fputs(HelpText().c_str(), out);
    return kExitSuccess;
  }

  // LibreOffice starts while the data is read and the first records are made.
  engine::word::WarmUpFor(options->templ, options->pdf || options->copies > 0);
  ConsoleHost host(*options, out, err);
  app::SetHost(&host);
  app::Application vexlo([] {});
  app::RunGuarded({"vexlo", "", "create"}, [&] { vexlo.create(); });
  app::RunGuarded({"vexlo", "", "open"}, [&] { vexlo.open(""); });

  if (interactive) {
    host.SetShowProgress(true);
    host.SetRecordCount(CountRecords(options->data));
  }
  std::unique_ptr<office::oleobject> excelserver, wordserver, wordserver2;
  merge::MergeOutcome outcome = merge::MergeOutcome::kStopped;
  const bool ran = app::RunGuarded({"w_vexlo", "uo_6", "ue_clicked"}, [&] {
    outcome = merge::RunMergeJob({excelserver, wordserver, wordserver2});
  });
  app::DrainPosted();  // the progress window's posted close
  app::RunGuarded({"vexlo", "", "destroy"}, [&] { vexlo.destroy(); });
  app::SetHost(nullptr);

  if (!ran) return kExitRuntimeError;
  return outcome == merge::MergeOutcome::kSucceeded ? kExitSuccess : kExitMessage;
}

}  // namespace vexlo::cli
