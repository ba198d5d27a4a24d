#include "office/engine/soffice/office_link.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNameReplace.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/XChangesBatch.hpp>
#include <com/sun/star/util/XFlushable.hpp>
#include <cppuhelper/bootstrap.hxx>

#include "office/engine/soffice/edit_macro.h"
#include "office/engine/soffice/office.h"
#include "office/engine/soffice/office_pipe.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/soffice/pool_state.h"
#include "office/engine/soffice/soffice.h"
#include "office/engine/soffice/uno_calls.h"

namespace vexlo::engine {

namespace fs = std::filesystem;
namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using namespace std::chrono_literals;

namespace {

constexpr int kRestartExitCode = 81;  // a fresh profile wants one restart

// The process's own UNO context, made once; it only serves to reach the offices over pipes.
// Making it also makes the runtime's static state, which goes at exit in the reverse order of its
// making: every pool is shut down before main returns, ahead of it.
Result<Reference<css::uno::XComponentContext>> LocalContext(const std::string& office_binary) {
  // The bootstrap cannot be run twice in a process, so its outcome stays process-wide: leaked
  // (never destroyed), because the UNO runtime's own state goes at exit in an order of its own.
  static std::once_flag once;
  static auto* context = new Reference<css::uno::XComponentContext>;
  static auto* error = new std::string;
  std::call_once(once, [&] {
    const fs::path rc = fs::path(office_binary).parent_path() / "fundamentalrc";
    ::setenv("URE_BOOTSTRAP", ("vnd.sun.star.pathname:" + rc.string()).c_str(), 0);
    try {
      *context = cppu::defaultBootstrap_InitialComponentContext();
      // The machinery a connection uses is made now too: a first attempt to reach an office
      // that does not exist fails at once, after loading it. The name is a free one: a socket
      // someone else put there could hold the attempt forever.
      Reference<css::bridge::XUnoUrlResolver> resolver = css::bridge::UnoUrlResolver::create(*context);
      try {
        const Result<std::string> none = FreePipeName({});
        if (none.ok()) resolver->resolve(U("uno:pipe,name=" + *none + ";urp;StarOffice.ComponentContext"));
      } catch (const css::uno::Exception&) {
      }
    } catch (const css::uno::Exception& e) {
      *error = S(e.Message);
    }
  });
  if (!context->is()) return Status::Output("无法使用 LibreOffice 的 UNO 接口：" + *error);
  return *context;
}

css::uno::Sequence<css::uno::Any> ArgsOf(const css::beans::PropertyValue& p) {
  css::uno::Sequence<css::uno::Any> args(1);
  args.getArray()[0] <<= p;
  return args;
}

// Settings of the office's profile that cost time for nothing here: spelling checked in the
// background after every change (between the changes of every record), and the graphics tests
// that an office runs at every start until its profile records that this version has run (which
// only a visible window does). Written at once, so that the next start profits.
void SettleProfile(const Reference<css::uno::XComponentContext>& remote) {
  try {
    Reference<css::lang::XMultiServiceFactory> config(
        remote->getServiceManager()->createInstanceWithContext(
            U("com.sun.star.configuration.ConfigurationProvider"), remote),
        UNO_QUERY_THROW);
    const auto update = [&](const char* path) {
      return Reference<css::container::XNameReplace>(
          config->createInstanceWithArguments(
              U("com.sun.star.configuration.ConfigurationUpdateAccess"),
              ArgsOf(Prop("nodepath", css::uno::Any(U(path))))),
          UNO_QUERY_THROW);
    };
    Reference<css::container::XNameReplace> spelling = update("/org.openoffice.Office.Linguistic/SpellChecking");
    spelling->replaceByName(U("IsSpellAuto"), css::uno::Any(false));
    Reference<css::util::XChangesBatch>(spelling, UNO_QUERY_THROW)->commitChanges();
    Reference<css::container::XNameReplace> product = update("/org.openoffice.Setup/Product");
    Reference<css::container::XNameAccess> read(product, UNO_QUERY_THROW);
    const css::uno::Any version = read->getByName(U("ooSetupVersion"));
    if (read->getByName(U("ooSetupLastVersion")) != version) {
      product->replaceByName(U("ooSetupLastVersion"), version);
      Reference<css::util::XChangesBatch>(product, UNO_QUERY_THROW)->commitChanges();
    }
    Reference<css::util::XFlushable> flush(config, UNO_QUERY);
    if (flush.is()) flush->flush();
  } catch (const css::uno::Exception&) {
    // Only slower.
  }
}


// Whether the pool no longer wants `office` started: it is stopping, or was cancelled.
bool CalledOff(const Office& office, const PoolState& pool) {
  std::lock_guard lock(pool.mutex);
  return pool.stopping || pool.exiting || !office.want_running;
}

// Waits until the office started on `pipe` answers; null when it does not in time, ends first
// (`exit_code`: OfficeProcess::Poll's last word) or is no longer wanted (`exit_code`: kTakenAway).
Reference<css::uno::XComponentContext> Connect(const Reference<css::uno::XComponentContext>& local,
                                               const std::string& pipe, Office& office,
                                               const PoolState& pool, int& exit_code) {
  OfficeProcess& process = office.process;
  const std::chrono::milliseconds timeout = pool.options.start_timeout;
  Reference<css::bridge::XUnoUrlResolver> resolver = css::bridge::UnoUrlResolver::create(local);
  const auto end = std::chrono::steady_clock::now() + timeout;
  Reference<css::uno::XComponentContext> remote;
  exit_code = OfficeProcess::kRunning;
  while (std::chrono::steady_clock::now() < end) {
    try {
      remote.set(resolver->resolve(U("uno:pipe,name=" + pipe + ";urp;StarOffice.ComponentContext")),
                 UNO_QUERY);
      if (remote.is()) return remote;
    } catch (const css::connection::NoConnectException&) {
    } catch (const css::uno::Exception&) {
    }
    exit_code = process.Poll();
    if (exit_code != OfficeProcess::kRunning) return nullptr;
    if (CalledOff(office, pool)) {
      process.Kill();
      exit_code = OfficeProcess::kTakenAway;
      return nullptr;
    }
    std::this_thread::sleep_for(50ms);
  }
  return nullptr;
}

// Takes the connected office's desktop and edit routine.
Status Attach(Office& office, const Reference<css::uno::XComponentContext>& remote) {
  try {
    office.link->desktop = css::frame::Desktop::create(remote);
    office.link->edit_macro = EditMacro(remote);
    try {
      office.link->numbers.set(remote->getServiceManager()->createInstanceWithContext(
                                   U("com.sun.star.text.DefaultNumberingProvider"), remote),
                               UNO_QUERY);
    } catch (const css::uno::RuntimeException&) {
      // Without it a page count in another numbering than arabic is not joined.
    }
    SettleProfile(remote);
    return Status::Ok();
  } catch (const css::uno::Exception& e) {
    office.process.Kill();
    return Status::Failed("LibreOffice 没有响应：" + DescribeUnoError(e));
  }
}

// Starts the office and connects to it.
Status Launch(Office& office, const std::string& binary, const PoolState& pool) {
  if (binary.empty()) return Status::Failed("系统中没有安装 LibreOffice（找不到 soffice 程序）");
  const Result<Reference<css::uno::XComponentContext>> context = LocalContext(binary);
  if (!context.ok()) return context.status();
  const Reference<css::uno::XComponentContext>& local = *context;
  std::vector<std::string> env;
  if (!pool.fonts_env.empty()) env.push_back(pool.fonts_env);
  if (!office.work_dir.empty()) env.push_back("TMPDIR=" + office.work_dir);
  for (int start = 0; start < 2; ++start) {
    const Result<std::string> free_pipe = FreePipeName(pool.options.pipe_names);
    if (!free_pipe.ok()) return free_pipe.status();
    const std::string& pipe = *free_pipe;
    if (!office.process.Spawn(binary, pipe, env, pool.options.office_wrapper)) {
      return Status::Failed("无法启动 LibreOffice");
    }
    int exit_code = OfficeProcess::kRunning;
    const Reference<css::uno::XComponentContext> remote = Connect(local, pipe, office, pool, exit_code);
    if (remote.is()) return Attach(office, remote);
    if (exit_code == OfficeProcess::kTakenAway) return Status::Stopped("LibreOffice 已被终止");
    if (exit_code == kRestartExitCode) continue;
    office.process.Kill();
    return Status::Failed(exit_code == OfficeProcess::kRunning ? "LibreOffice 启动超时"
                                                               : "LibreOffice 启动后立即退出");
  }
  return Status::Failed("LibreOffice 无法启动");
}

}  // namespace

Office::Office(std::size_t index) : index(index), link(std::make_unique<OfficeLink>()) {}

Office::~Office() = default;

std::string Office::NewFile(const std::string& prefix, const std::string& ext) {
  return work_dir + "/" + prefix + std::to_string(++stored) + ext;
}

void LoadUnoRuntime() {
  const std::string binary = OfficeBinary();
  if (binary.empty()) return;
  // The bridge writes to the pipe of an office that may just have died or been killed (a crash,
  // a cancel, the program's end): that must fail the call, not end this process with SIGPIPE.
  static const bool ignored = [] {
    std::signal(SIGPIPE, SIG_IGN);
    return true;
  }();
  (void)ignored;
  // The worker that needs it reports why it could not be made.
  (void)LocalContext(binary);
}

Status StartOffice(Office& office, const PoolState& pool) {
  office.process.baseline_kb = 0;
  office.link->desktop.clear();
  office.link->edit_macro.clear();
  // A profile serves one office at a time: other offices and other vexlo processes take the
  // next free one.
  office.process.LockProfile(pool.options.profile_root, office.work_dir);
  const std::string binary = OfficeBinary();
  SeedProfile(office.process.profile(), binary);
  InstallEditMacro(office.process.profile());
  return Launch(office, binary, pool);
}

void EndOffice(Office& office, PoolState& pool) {
  OfficeLink& link = *office.link;
  if (office.process.Alive()) {
    link.kept.Close();
  } else {
    link.kept.Forget();
  }
  if (office.process.Alive() && link.desktop.is()) {
    pool.BeginJob(office, JobKind::kEnding, 1, 5s);
    try {
      link.desktop->terminate();
    } catch (const css::uno::Exception&) {
    }
    office.process.WaitEnded(3s);
  }
  link.desktop.clear();
  link.edit_macro.clear();
  link.numbers.clear();
  office.process.Kill();
  std::lock_guard lock(pool.mutex);
  pool.EndJob(office, false);
  office.ready = false;
}

void DropOffice(Office& office) {
  office.process.Kill();
  office.link->desktop.clear();
  office.link->edit_macro.clear();
  office.link->numbers.clear();
  office.link->kept.Forget();
}

void CloseKeptDocument(Office& office) { office.link->kept.Close(); }

}  // namespace vexlo::engine
