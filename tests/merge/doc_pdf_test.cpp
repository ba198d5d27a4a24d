// The PDFs of a .doc template's records show what the office shows of each record's .doc: every
// PDF the merge wrote against the office's own PDF of the .doc beside it (a fresh load, no fast
// path), page count, text and pages drawn, for the bundled example and a template of the corpus with
// pictures and drawings, and for one file of all the example's records.
#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <vector>

#include "merge/merge_session.h"
#include "office/engine/register_servers.h"
#include "office/engine/soffice/office_pool.h"
#include "office/server_registry.h"
#include "tests/engine/oracle/page_compare.h"
#include "tests/merge/recording_observer.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::merge {
namespace {

namespace fs = std::filesystem;

class DocPdfTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    profiles_ = new test::ScratchDir;
    reference_ = new engine::OfficePool({.offices = 1, .profile_root = profiles_->path().string(),
                                         .keep_documents = false, .join_records = false, .doc_from_base = false});
  }
  static void TearDownTestSuite() {
    delete reference_;
    delete profiles_;
  }
  void SetUp() override {
    engine::RegisterEmbeddedServers(test::Engine());
    if (!office::IsServerRegistered("word.application") || !engine::OfficePool::Available()) {
      GTEST_SKIP() << "the embedded servers or LibreOffice are missing";
    }
  }

  // Merges `data` into `tpl` (both copied into the test's folder) with PDFs into folder `out`;
  // the run's documents.
  std::vector<fs::path> Merge(const fs::path& data, const fs::path& tpl, const std::string& out, bool one_file) {
    for (const fs::path& f : {data, tpl}) {
      fs::copy_file(f, dir_ / f.filename(), fs::copy_options::overwrite_existing);
    }
    fs::create_directories(dir_ / out);
    MergeRequest request;
    request.data_path = (dir_ / data.filename()).string();
    request.template_path = (dir_ / tpl.filename()).string();
    request.output_folder = (dir_ / out).string();
    request.copies_text = "1";
    request.pdf = true;
    request.one_file = one_file;
    request.deferred = &test::Engine().deferred_work();
    test::RecordingObserver observer;
    EXPECT_EQ(RunMergeSession(request, observer, {excel_, word_, word2_}).outcome, MergeOutcome::kSucceeded);
    std::vector<fs::path> docs;
    for (const auto& e : fs::directory_iterator(dir_ / out)) {
      if (e.path().extension() == ".doc") docs.push_back(e.path());
    }
    return docs;
  }

  // Each document's PDF against the office's own PDF of the document.
  void ExpectPdfsShowTheirDocuments(const std::vector<fs::path>& docs) {
    std::vector<std::shared_future<engine::ConversionOutcome>> made;
    for (const fs::path& doc : docs) {
      made.push_back(reference_->Submit(
          {doc.string(), false, {{Reference(doc).string(), engine::StoreFormat::kPdf}}, doc.filename().string()}));
    }
    for (std::size_t i = 0; i < docs.size(); ++i) {
      ASSERT_TRUE(made[i].get().ok()) << made[i].get().message();
      const fs::path pdf = fs::path(docs[i]).replace_extension(".pdf");
      EXPECT_EQ(oracle::PdfDifference(Reference(docs[i]), pdf), "") << pdf;
    }
  }

  // Where the office's own PDF of `doc` goes.
  fs::path Reference(const fs::path& doc) const { return references_ / (doc.stem().string() + ".pdf"); }

  static test::ScratchDir* profiles_;
  static engine::OfficePool* reference_;
  test::ScratchDir dir_;
  test::ScratchDir references_;
  std::unique_ptr<office::oleobject> excel_, word_, word2_;
};

test::ScratchDir* DocPdfTest::profiles_ = nullptr;
engine::OfficePool* DocPdfTest::reference_ = nullptr;

const fs::path kExamples = fs::path(VEXLO_SOURCE_DIR) / "示例";

TEST_F(DocPdfTest, EachRecordsPdfShowsItsDoc) {
  const std::vector<fs::path> pay_slips = Merge(kExamples / "数据.xls", kExamples / "模板.doc", "示例", false);
  EXPECT_EQ(pay_slips.size(), 10u);
  ExpectPdfsShowTheirDocuments(pay_slips);

  const std::vector<fs::path> drawings = Merge(test::DataFile("corpus/corpus_data.xlsx"),
                                               test::DataFile("corpus/drawings.doc"), "图形", false);
  EXPECT_EQ(drawings.size(), 3u);
  ExpectPdfsShowTheirDocuments(drawings);
}

TEST_F(DocPdfTest, OneFilesPdfShowsTheOneFile) {
  const std::vector<fs::path> merged = Merge(kExamples / "数据.xls", kExamples / "模板.doc", "合并", true);
  ASSERT_EQ(merged.size(), 1u);
  EXPECT_EQ(merged[0].filename(), "合并输出.doc");
  ExpectPdfsShowTheirDocuments(merged);
}

}  // namespace
}  // namespace vexlo::merge
