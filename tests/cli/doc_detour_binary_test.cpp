// vexlo-merge on a .doc report whose table of contents is named in German and whose first
// section ends with an empty paragraph: both are lost when the office reads the template's
// converted .docx back, so the conversion is repaired before any record is filled. Every
// output, one document per record and one file, shows the entries and the empty paragraph as the
// template does, and its PDF has the pages of its document; the run's log says which way the
// template went.
#include <gtest/gtest.h>

#include <filesystem>

#include "office/engine/register_servers.h"
#include "office/engine/soffice/soffice.h"
#include "office/engine/soffice/stored_check.h"
#include "office/server_registry.h"
#include "tests/cli/merge_program.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::cli {
namespace {

namespace fs = std::filesystem;

// The template's text with a record's values, as the office shows it.
std::string Report(const std::string& name, const std::string& department, const std::string& id) {
  return "季度报告 " + name + "\n目录\n第一章 概况\t1\n第二章 数据\t2\n第一章 概况\n" + department +
         " 的情况说明。\n\n第二章 数据\n工号 " + id + " 的数据。";
}

class DocDetourBinaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::RegisterEmbeddedServers(vexlo::test::Engine());
    if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers";
    if (engine::SofficeProgram().empty()) GTEST_SKIP() << "no LibreOffice";
    fs::copy_file(test::DataFile("word/toc_localised.doc"), dir_ / "报告.doc");
    fs::copy_file(test::DataFile("merge/数据.xlsx"), dir_ / "数据.xlsx");
  }

  // The office's own file of `document` in `format` ("txt:…", "pdf"), made alone.
  fs::path Converted(const fs::path& document, const std::string& format, const std::string& extension) {
    const fs::path folder = dir_.path() / "office";
    engine::RunSofficeConvert({document.string()}, format, folder.string(), (dir_.path() / "profile").string());
    return folder / (document.stem().string() + extension);
  }

  test::ScratchDir dir_;
};

TEST_F(DocDetourBinaryTest, TheTableOfContentsAndTheEmptyParagraphReachEveryOutput) {
  for (const bool one_file : {false, true}) {
    SCOPED_TRACE(one_file ? "one file" : "per record");
    const std::string out = one_file ? "合并" : "逐份";
    const test::ProgramResult r = test::RunMergeProgram(
        dir_.path(), "--data 数据.xlsx --template 报告.doc --pdf --out " + out + (one_file ? " --one-file" : ""),
        "VEXLO_LOG=1 XDG_CACHE_HOME='" + (dir_.path() / "cache").string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    // The second run finds the verdict in the cache and says the same.
    EXPECT_NE(r.err.find(".doc模板经转换填写：转换丢失的内容已修复，核对一致（第 3 段原为“第一章 概况\t1”"),
              std::string::npos)
        << r.err;
    const fs::path doc = dir_ / out / (one_file ? "合并输出.doc" : "张三.doc");
    const std::string text = test::ReadFile(Converted(doc, "txt:Text (encoded):UTF8", ".txt"));
    EXPECT_NE(text.find(Report("张三", "销售部", "A001")), std::string::npos) << text;
    if (one_file) EXPECT_NE(text.find(Report("李四", "技术部", "A002")), std::string::npos) << text;
    const int pages = engine::PdfPageCount(Converted(doc, "pdf", ".pdf").string());
    EXPECT_GE(pages, 2);
    EXPECT_EQ(engine::PdfPageCount(fs::path(doc).replace_extension(".pdf").string()), pages);
  }
}

}  // namespace
}  // namespace vexlo::cli
