// The engine's services own the background work of a program: their end (the end of main) ends
// the offices and the threads with queued work still in them, and nothing is left behind.
#include "office/deferred_work.h"
#include "office/engine/engine_services.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/host.h"
#include "app/runtime_error.h"
#include "merge/document_generation.h"
#include "office/engine/register_servers.h"
#include "office/engine/soffice/office_pool.h"
#include "office/oleobject.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;

// What the child found wrong, as its exit status (0: nothing).
enum ChildFault { kNone, kNoOffice, kOfficeLeft, kQueueWaiting };

// In a forked child that stands for a whole program: its services start an office, an export is
// queued, and the services end before the export can be made.
int ProgramEndingWithWorkQueued(const fs::path& dir) {
  test::EndEngineServices();  // the test program's own, inherited
  pid_t office = 0;
  {
    EngineServices services({.offices = 1, .profile_root = (dir / "profiles").string()});
    services.pool().Start(1);
    for (int i = 0; i < 1500 && services.pool().OfficePids().empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (services.pool().OfficePids().empty()) return kNoOffice;
    office = services.pool().OfficePids().front();
    fs::copy_file(test::DataFile("merge/模板.docx"), dir / "快照.docx");
    services.output_queue().ExportPdf((dir / "快照.docx").string(), (dir / "输出.pdf").string(),
                                      /*take_source=*/true, StoreFormat::kDocx);
  }
  if (::kill(office, 0) == 0 || errno != ESRCH) return kOfficeLeft;
  // The export failed with the end: its snapshot went, no PDF came.
  if (fs::exists(dir / "快照.docx") || fs::exists(dir / "输出.pdf")) return kQueueWaiting;
  return kNone;
}

TEST(EngineServicesTest, TheirEndEndsTheOfficesAndTheQueuedWork) {
  test::ScratchDir dir;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(ProgramEndingWithWorkQueued(dir.path()));
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), kNone);
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string cmdline = test::ReadFile(entry.path() / "cmdline");
    EXPECT_EQ(cmdline.find(dir.path().string()), std::string::npos) << entry.path();
  }
}

// Whether the .doc at `path` holds `text` (Word 97 keeps Chinese text as UTF-16LE).
bool DocHolds(const fs::path& path, const std::u16string& text) {
  const std::string bytes = test::ReadFile(path);
  std::string wide;
  for (const char16_t c : text) {
    wide += static_cast<char>(c & 0xff);
    wide += static_cast<char>(c >> 8);
  }
  return bytes.find(wide) != std::string::npos;
}

enum HeldFault { kHeldNone = 0, kHeldNoStart, kHeldLost, kHeldSilent, kHeldWrongError };

// A program whose document was saved as .doc and then saved again (a save held for the next
// flush point) ends without any flush point: its services' end writes the held save; and when
// that write fails (the folder went meanwhile) the end raises an error naming the file.
int ProgramEndingWithAHeldDocSave(const fs::path& dir) {
  test::EndEngineServices();
  const auto run = [&](const fs::path& doc, bool remove_folder) -> int {
    EngineServices services({.offices = 1, .profile_root = (dir / "profiles").string()});
    RegisterEmbeddedServers(services);
    office::oleobject word, word2;
    if (word.start_new("word.application") != 0 || word2.start_new("word.application") != 0) return kHeldNoStart;
    merge::PrepareDocuments(word, word2, test::DataFile("word/features.docx").string());
    merge::FillRecord(word, word2, {"姓名"}, [](std::size_t) { return std::string("第一条"); });
    const office::Value document = word2.get("documents").call("item", {office::Value(1)});
    document.call("saveas", {office::Value(doc.string())});
    office::FlushPoint(&services.deferred_work()).Flush(true);
    merge::FillRecord(word, word2, {"姓名"}, [](std::size_t) { return std::string("持有的保存"); });
    document.call("save");  // held: a .doc is written only at a flush point
    if (remove_folder) fs::remove_all(doc.parent_path());
    try {
      services.Shutdown();
    } catch (const app::RuntimeError& e) {
      if (!remove_folder) return kHeldLost;
      return e.text().find(doc.filename().string()) != std::string::npos ? kHeldNone : kHeldWrongError;
    }
    if (remove_folder) return kHeldSilent;
    return DocHolds(doc, u"持有的保存") ? kHeldNone : kHeldLost;
  };
  fs::create_directories(dir / "gone");
  if (const int fault = run(dir / "工资条.doc", false); fault != kHeldNone) return fault;
  return run(dir / "gone" / "通知.doc", true);
}

TEST(EngineServicesTest, AHeldDocSaveIsWrittenAtTheEndOrItsFailureRaised) {
  if (!OfficePool::Available()) GTEST_SKIP() << "no LibreOffice";
  test::ScratchDir dir;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(ProgramEndingWithAHeldDocSave(dir.path()));
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), kHeldNone);
}

}  // namespace
}  // namespace vexlo::engine
