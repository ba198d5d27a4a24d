// vexlo-merge: the merge without a window, for scripts and machines without a display.
#include <unistd.h>

#include <QCoreApplication>

#include "app/host.h"
#include "cli/run_cli.h"
#include "office/engine/register_servers.h"

int main(int argc, char** argv) {
  QCoreApplication qt(argc, argv);
  qt.setApplicationName("vexlo");
  vexlo::engine::RegisterEmbeddedServers();
  std::vector<std::string> args(argv + 1, argv + argc);
  return vexlo::cli::RunCli(args, stdout, stderr, ::isatty(STDERR_FILENO) == 1);
}
