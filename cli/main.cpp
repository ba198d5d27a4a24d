// vexlo-merge: the merge without a window, for scripts and machines without a display.
// SIGINT, SIGTERM and SIGHUP stop the run after the record being made (exit status 4).
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>

#include "cli/run_cli.h"
#include "office/engine/engine_services.h"
#include "office/engine/package/temp_folder.h"
#include "office/engine/register_servers.h"

namespace {

volatile sig_atomic_t stop_signal = 0;

void OnStopSignal(int signal) { stop_signal = signal; }

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  vexlo::engine::StartTempFolderReaper();  // before any thread
  QCoreApplication qt(argc, argv);
  qt.setApplicationName("vexlo");
  CatchStopSignals();
  // The application: the console host, its state and the event dispatch.
  vexlo::cli::CliProgram program(stderr);
  // The engine: offices, conversions, output queue and held saves, given to the servers it
  // registers. They end with `services`, before the program's static state goes.
  vexlo::engine::EngineServices services;
  vexlo::engine::RegisterEmbeddedServers(services, &program.events);
  std::vector<std::string> args(argv + 1, argv + argc);
  const int status = vexlo::cli::RunCli(
      program, args, stdout, stderr, ::isatty(STDERR_FILENO) == 1, [] { return stop_signal != 0; },
      {.warm_up =
           [&services](const std::string& templ, bool needs_pdf) {
             services.conversions().WarmUpFor(templ, needs_pdf);
           },
       .at_end = [&services] { services.Shutdown(); },
       .deferred = &services.deferred_work()});
  return status;
}
