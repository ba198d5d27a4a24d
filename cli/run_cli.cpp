#include "cli/run_cli.h"

#include <memory>

#include "app/application.h"
#include "app/app_state.h"
#include "app/clock.h"
#include "app/event_guard.h"
#include "app/host.h"
#include "app/version.h"
#include "cli/cli_options.h"
#include "cli/console_observer.h"
#include "merge/merge_session.h"
#include "office/oleobject.h"

namespace vexlo::cli {

merge::MergeRequest RequestFromOptions(const CliOptions& options) {
  merge::MergeRequest request;
  request.data_path = options.data;
  request.template_path = options.templ;
  request.output_folder = options.out;
  request.copies_text = options.copies > 0 ? std::to_string(options.copies) : "1";
  request.visible = options.visible;
  request.print = options.copies > 0;
  request.pdf = options.pdf;
  request.one_file = options.one_file;
  request.as_shown = options.as_shown;
  request.check_only = options.check;
  request.choice = options.choice;
  request.name_pattern = options.name_pattern;
  // Protected PDFs are PDFs: the option brings --pdf with it.
  request.pdf_password_column = options.password_column;
  request.password_last = options.password_last;
  if (!options.password_column.empty()) request.pdf = true;
  request.all_stories = options.all_stories;
  request.sheet = options.sheet;
  return request;
}

int RunCli(CliProgram& program, const std::vector<std::string>& args, std::FILE* out,
           std::FILE* err, bool interactive, std::function<bool()> cancelled,
           const CliEngine& engine) {
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
  if (options->version) {
    std::fprintf(out, "vexlo-merge %s\n", app::Version());
    return kExitSuccess;
  }

  merge::MergeRequest request = RequestFromOptions(*options);
  if (options->mail.any) {
    std::string problem;
    request.mail = MailSettingsFrom(options->mail, options->check, problem);
    if (!request.mail) {
      std::fprintf(err, "错误提示：%s\n", problem.c_str());
      return kExitMessage;
    }
    // The attachments are the PDFs unless the documents are asked for.
    if (request.mail->attach == delivery::Attachment::kPdf) request.pdf = true;
  }
  // LibreOffice starts while the data is read and the first records are made.
  if (engine.warm_up) {
    engine.warm_up(options->templ, !options->check && (request.pdf || options->copies > 0));
  }
  app::Events& events = program.events;
  app::Application& vexlo = program.vexlo;
  events.RunGuarded({"vexlo", "", "create"}, [&] { vexlo.create(); });
  events.RunGuarded({"vexlo", "", "open"}, [&] { vexlo.open(""); });
  request.current_folder = program.state.as_currentpath;
  request.deferred = engine.deferred;

  ConsoleObserver observer(out, err, interactive, std::move(cancelled));
  std::unique_ptr<office::oleobject> excelserver, wordserver, wordserver2;
  merge::MergeSummary summary;
  const bool ran = events.RunGuarded({"vexlo-merge", "", "merge"}, [&] {
    summary = merge::RunMergeSession(request, observer, {excelserver, wordserver, wordserver2});
  });
  // The servers go while their failures can still be reported, then the engine ends.
  events.RunGuarded({"vexlo-merge", "", "release"}, [&] {
    excelserver.reset();
    wordserver.reset();
    wordserver2.reset();
  });
  events.RunGuarded({"vexlo", "", "destroy"}, [&] { vexlo.destroy(); });
  const bool ended = !engine.at_end || events.RunGuarded({"vexlo", "", "destroy"}, engine.at_end);

  if (!ran || !ended) return kExitRuntimeError;
  switch (summary.outcome) {
    case merge::MergeOutcome::kSucceeded:
      if (summary.findings.skipped.total() > 0) return kExitIncomplete;
      if (summary.mail && (!summary.mail->failed.empty() || summary.mail->not_sent > 0)) {
        return kExitMailFailed;
      }
      return kExitSuccess;
    case merge::MergeOutcome::kChecked:
      return summary.findings.empty() ? kExitSuccess : kExitMessage;
    case merge::MergeOutcome::kCancelled: return kExitCancelled;
    case merge::MergeOutcome::kStopped: break;
  }
  return kExitMessage;
}

}  // namespace vexlo::cli
