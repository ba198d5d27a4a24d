// The output queue against the real LibreOffice and the local CUPS server (started by the test
// set-up with a virtual PDF printer as default): PDFs at their exact names with Chinese text,
// bounded batches spread over converters, every missing PDF reported, prints with their copies.
#include "office/engine/output/batch_output_queue.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/runtime_error.h"
#include "office/engine/output/cups_printer.h"
#include "tests/engine/output/cups_jobs.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;

std::string PdfText(const fs::path& pdf) {
  const fs::path txt = pdf.string() + ".txt";
  const std::string cmd = "pdftotext -enc UTF-8 '" + pdf.string() + "' '" + txt.string() + "'";
  if (std::system(cmd.c_str()) != 0) return "";
  return test::ReadFile(txt);
}

std::string PdfFonts(const fs::path& pdf) {
  const fs::path txt = pdf.string() + ".fonts";
  const std::string cmd = "pdffonts '" + pdf.string() + "' > '" + txt.string() + "'";
  if (std::system(cmd.c_str()) != 0) return "";
  return test::ReadFile(txt);
}

class OutputQueueTest : public ::testing::Test {
 protected:
  // A private copy of a fixture, as the word processor hands over a snapshot.
  std::string Snapshot(const std::string& fixture, const std::string& name) {
    const fs::path path = dir_ / name;
    fs::create_directories(path.parent_path());
    fs::copy_file(test::DataFile("output/" + fixture), path, fs::copy_options::overwrite_existing);
    return path.string();
  }

  test::ScratchDir dir_;
  test::ScratchDir profiles_;
  test::ScriptedHost host_;
};

TEST_F(OutputQueueTest, PdfsLandAtTheirNamesInBatchesWithChineseText) {
  BatchOutputQueue queue({.lanes = 2, .max_batch = 2, .min_batch = 2,
                          .profile_root = profiles_.path().string()});
  std::vector<std::string> sources;
  // Same file name in two folders: each PDF must come from its own source.
  sources.push_back(Snapshot("通知.docx", "a/snapshot.docx"));
  sources.push_back(Snapshot("通知.doc", "b/snapshot.docx"));
  sources.push_back(Snapshot("通知.doc", "c/老版本.doc"));
  sources.push_back(Snapshot("通知.docx", "d/x.docx"));
  sources.push_back(Snapshot("通知.docx", "e/y.docx"));
  fs::create_directory(dir_ / "输出");
  for (std::size_t i = 0; i < sources.size(); ++i) {
    queue.ExportPdf(sources[i], (dir_ / "输出" / ("张三" + std::to_string(i) + ".pdf")).string(),
                    i != 0);
  }
  int watched = 0;
  {
    ScopedFlushWatch watch([&](int, int total) {
      EXPECT_EQ(total, 5);
      ++watched;
      return false;
    });
    queue.Flush();
  }
  EXPECT_EQ(queue.converter_calls(), 3);  // 5 files in batches of at most 2
  EXPECT_GT(watched, 0);
  // Only the PDFs: nothing half-written or temporary beside them.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "输出"), fs::directory_iterator()), 5);
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const fs::path pdf = dir_ / "输出" / ("张三" + std::to_string(i) + ".pdf");
    ASSERT_TRUE(fs::exists(pdf)) << pdf;
    EXPECT_NE(PdfText(pdf).find("尊敬的张三：您已被销售部录用"), std::string::npos) << pdf;
    EXPECT_EQ(fs::exists(sources[i]), i == 0) << "only taken sources are removed";
  }
  EXPECT_NE(PdfFonts(dir_ / "输出" / "张三0.pdf").find("NotoSerifCJK"), std::string::npos);
}

TEST_F(OutputQueueTest, EveryMissingPdfIsReportedAndTheRestStillDelivered) {
  BatchOutputQueue queue({.lanes = 1, .max_batch = 10, .profile_root = profiles_.path().string()});
  const std::string good = Snapshot("通知.docx", "good.docx");
  queue.ExportPdf((dir_ / "gone.docx").string(), (dir_ / "gone.pdf").string(), false);
  queue.ExportPdf(good, (dir_ / "no-such-folder" / "x.pdf").string(), false);
  queue.ExportPdf(good, (dir_ / "good.pdf").string(), false);
  try {
    queue.Flush();
    FAIL() << "Flush must report the missing PDFs";
  } catch (const app::RuntimeError& e) {
    EXPECT_EQ(e.number(), app::kErrOutput);
    EXPECT_NE(e.text().find((dir_ / "gone.pdf").string()), std::string::npos) << e.text();
  }
  EXPECT_TRUE(fs::exists(dir_ / "good.pdf"));
  EXPECT_FALSE(fs::exists(dir_ / "gone.pdf"));
  EXPECT_EQ(queue.converter_calls(), 2);  // the skipped file is tried once more
  queue.Flush();                          // the failures were reported once; the queue is empty
}

TEST_F(OutputQueueTest, WithoutLibreOfficeTheExportFailsClearly) {
  BatchOutputQueue queue({.lanes = 1, .profile_root = profiles_.path().string()});
  const std::string saved = std::getenv("PATH");
  ::setenv("PATH", "/nonexistent", 1);
  queue.ExportPdf(Snapshot("通知.docx", "a.docx"), (dir_ / "a.pdf").string(), true);
  try {
    queue.Flush();
    ADD_FAILURE() << "no converter, no PDF";
  } catch (const app::RuntimeError& e) {
    EXPECT_NE(e.text().find("LibreOffice"), std::string::npos) << e.text();
  }
  ::setenv("PATH", saved.c_str(), 1);
  EXPECT_FALSE(fs::exists(dir_ / "a.docx"));  // a taken snapshot is not left behind
}

class PrintTest : public OutputQueueTest {
 protected:
  void SetUp() override {
    if (DefaultPrinter().empty()) GTEST_SKIP() << "no CUPS default printer (run scripts/services.sh)";
  }
};

TEST_F(PrintTest, DocumentsAreConvertedAndPrintedInOrderWithTheirCopies) {
  BatchOutputQueue queue({.lanes = 2, .profile_root = profiles_.path().string()});
  const int before = test::LastJobId();
  queue.Print(Snapshot("通知.docx", "李四.docx"), 3, true);
  const std::string pdf = (dir_ / "王五.pdf").string();
  {
    BatchOutputQueue converter({.lanes = 1, .profile_root = profiles_.path().string()});
    converter.ExportPdf(Snapshot("通知.doc", "src.doc"), pdf, true);
    converter.Flush();
  }
  queue.Print(pdf, 2, false);
  queue.Flush();
  const std::vector<test::PrintJob> jobs = test::JobsAfter(before, 2);
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].title, "李四.docx");
  EXPECT_EQ(jobs[0].copies, 3);
  EXPECT_EQ(jobs[1].title, "王五.pdf");
  EXPECT_EQ(jobs[1].copies, 2);
  EXPECT_FALSE(fs::exists(dir_ / "李四.docx"));
  EXPECT_TRUE(fs::exists(pdf));
}

TEST_F(OutputQueueTest, NoPrinterIsAClearRunTimeError) {
  BatchOutputQueue queue({.lanes = 1, .profile_root = profiles_.path().string()});
  cupsSetServer((dir_ / "no-cups.sock").c_str());
  const std::string doc = Snapshot("通知.docx", "a.docx");
  try {
    queue.Print(doc, 1, true);
    ADD_FAILURE() << "printing without a printer must fail";
  } catch (const app::RuntimeError& e) {
    EXPECT_EQ(e.number(), app::kErrOutput);
    EXPECT_NE(e.text().find("没有可用的打印机"), std::string::npos) << e.text();
  }
  cupsSetServer(nullptr);
  EXPECT_FALSE(fs::exists(doc));
}

}  // namespace
}  // namespace vexlo::engine
