// vexlo-merge on a .doc notice whose converted .docx loses something the repairs do not mend (here
// the empty paragraph before its section break, with the repairs turned off): the template is
// filled in the office itself instead of through the .docx. Every output, one document per
// record with its PDF (a value left empty too) and one file for all, shows what the office shows of the template with the
// record's values, paragraph for paragraph and with the template's page count; the check before
// writing says the template is filled directly, the log which way the template went.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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

struct Record {
  std::string name, department, id, file;
};
const std::vector<Record> kRecords = {
    {"张三", "销售部", "A001", "张三"}, {"李四", "技术部", "A002", "李四"}, {"王/五", "财务部", "A003", "王_五"}};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

class DocDirectFillBinaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::RegisterEmbeddedServers(test::Engine());
    if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers";
    if (engine::SofficeProgram().empty()) GTEST_SKIP() << "no LibreOffice";
    fs::copy_file(test::DataFile("word/section_gap.doc"), dir_ / "通知.doc");
    fs::copy_file(test::DataFile("merge/数据.xlsx"), dir_ / "数据.xlsx");
  }

  // The office's own file of `document` in `format` ("txt:…", "pdf"), made alone.
  fs::path Converted(const fs::path& document, const std::string& format, const std::string& extension) {
    const fs::path folder = dir_.path() / "office";
    engine::RunSofficeConvert({document.string()}, format, folder.string(), (dir_.path() / "profile").string());
    return folder / (document.stem().string() + extension);
  }
  std::string Text(const fs::path& document) {
    std::string text = test::ReadFile(Converted(document, "txt:Text (encoded):UTF8", ".txt"));
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    return text;
  }

  test::ScratchDir dir_;
};

TEST_F(DocDirectFillBinaryTest, ALossTheRepairsCannotMendNeverReachesTheOutputs) {
  // What the office shows of the template, and that text with a record's values.
  const std::string shown = Text(dir_ / "通知.doc");
  ASSERT_NE(shown.find("第一节。\n\n第二节"), std::string::npos) << shown;
  const int template_pages = engine::PdfPageCount(Converted(dir_ / "通知.doc", "pdf", ".pdf").string());
  ASSERT_EQ(template_pages, 2);
  const auto filled = [&](const Record& r) {
    return Replaced(Replaced(Replaced(shown, "姓名", r.name), "部门", r.department), "ID", r.id);
  };
  const std::string env = "VEXLO_LOG=1 VEXLO_TEST_NO_DETOUR_REPAIR=1 XDG_CACHE_HOME='" +
                          (dir_.path() / "cache").string() + "'";

  const test::ProgramResult r =
      test::RunMergeProgram(dir_.path(), "--data 数据.xlsx --template 通知.doc --pdf --out 逐份", env);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("改为在 LibreOffice 中直接填写原文件"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("改为在 LibreOffice 中直接填写原 .doc 模板"), std::string::npos) << r.err;
  for (const Record& record : kRecords) {
    SCOPED_TRACE(record.file);
    const fs::path doc = dir_ / "逐份" / (record.file + ".doc");
    EXPECT_EQ(Text(doc), filled(record));
    EXPECT_EQ(engine::PdfPageCount(Converted(doc, "pdf", ".pdf").string()), template_pages);
    EXPECT_EQ(engine::PdfPageCount(fs::path(doc).replace_extension(".pdf").string()), template_pages);
  }

  // Enough records for several offices at once, the first with a value left empty: its title's
  // text goes from the original, nothing else does.
  std::string csv = "姓名,部门,ID\n赵六,,A004\n";
  std::vector<Record> many = {{"赵六", "", "A004", "赵六"}};
  for (int i = 1; i <= 15; ++i) {
    many.push_back({"员工" + std::to_string(i), "部" + std::to_string(i), "B" + std::to_string(100 + i),
                    "员工" + std::to_string(i)});
    csv += many.back().name + "," + many.back().department + "," + many.back().id + "\n";
  }
  test::WriteFile(dir_ / "多人.csv", csv);
  const test::ProgramResult more =
      test::RunMergeProgram(dir_.path(), "--data 多人.csv --template 通知.doc --pdf --out 多人", env);
  ASSERT_EQ(more.status, 0) << more.err;
  for (const Record& record : many) {
    SCOPED_TRACE(record.file);
    EXPECT_EQ(Text(dir_ / "多人" / (record.file + ".doc")), filled(record));
    EXPECT_EQ(engine::PdfPageCount((dir_ / "多人" / (record.file + ".pdf")).string()), template_pages);
  }

  const test::ProgramResult one =
      test::RunMergeProgram(dir_.path(), "--data 数据.xlsx --template 通知.doc --pdf --one-file --out 合并", env);
  ASSERT_EQ(one.status, 0) << one.err;
  const fs::path merged = dir_ / "合并" / "合并输出.doc";
  std::string all;
  for (const Record& record : kRecords) all += filled(record);
  EXPECT_EQ(Text(merged), all);
  // The office lays the joined copies out as it does: the PDF has the pages of its .doc.
  const int merged_pages = engine::PdfPageCount(Converted(merged, "pdf", ".pdf").string());
  EXPECT_GE(merged_pages, 3);
  EXPECT_EQ(engine::PdfPageCount((dir_ / "合并" / "合并输出.pdf").string()), merged_pages);
}

}  // namespace
}  // namespace vexlo::cli
