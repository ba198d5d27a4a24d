// vexlo-merge end to end on real files: each record's PDF protected with its own password by way
// of every route a PDF is made (records exported joined and cut, a .doc template's records through
// their .doc), checked with the qpdf and pdftotext programs; refusals before anything is written;
// the records chosen by conditions, rows and rows of totals, named from a pattern of titles.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "office/engine/register_servers.h"
#include "office/engine/soffice/soffice.h"
#include "office/server_registry.h"
#include "tests/cli/merge_program.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::cli {
namespace {

namespace fs = std::filesystem;

// What a command printed (stdout and stderr) and its exit status.
struct Command {
  int status = -1;
  std::string out;
};

Command Shell(const std::string& cmd) {
  Command c;
  std::FILE* pipe = ::popen((cmd + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return c;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) c.out.append(buffer, n);
  const int raw = ::pclose(pipe);
  c.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return c;
}

std::vector<std::string> FileNames(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

struct Person {
  std::string name, id, identity, password;
};

const std::vector<Person> kPeople = {
    {"张三", "A001", "110101199001011234", "011234"}, {"李四", "A002", "11010119900202567X", "02567X"},
    {"王五", "A003", "110101199003038888", "038888"}, {"赵六", "A004", "110101199004041111", "041111"},
    {"钱七", "A005", "110101199005052222", "052222"}, {"孙八", "A006", "110101199006063333", "063333"},
};

class ProtectedChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::RegisterEmbeddedServers(test::Engine());
    if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers yet";
    if (engine::SofficeProgram().empty()) GTEST_SKIP() << "no LibreOffice";
    if (Shell("qpdf --version").status != 0) GTEST_SKIP() << "no qpdf program";
    for (const char* name : {"模板.docx", "模板.doc"}) {
      fs::copy_file(test::DataFile(std::string("merge/") + name), dir_ / name);
    }
  }
  test::ProgramResult Run(const std::string& args) {
    return test::RunMergeProgram(dir_.path(), args, "XDG_CACHE_HOME='" + (dir_ / "cache").string() + "'");
  }
  void WriteData(const std::string& name, const std::vector<Person>& people) {
    std::string csv = "姓名,部门,ID,身份证号\n";
    for (const Person& p : people) csv += p.name + ",销售部," + p.id + "," + p.identity + "\n";
    test::WriteFile(dir_ / name, csv);
  }
  test::ScratchDir dir_;
};

TEST_F(ProtectedChoiceTest, EachPdfOpensOnlyWithItsOwnRecordsPassword) {
  WriteData("数据.csv", kPeople);
  for (const std::string templ : {"模板.docx", "模板.doc"}) {
    const std::string out = "输出" + templ;
    const auto r = Run("--data 数据.csv --template " + templ + " --out " + out +
                       " --pdf-password-column 身份证号 --password-last 6");
    ASSERT_EQ(r.status, 0) << templ << r.err;
    for (std::size_t i = 0; i < kPeople.size(); ++i) {
      const Person& p = kPeople[i];
      const std::string pdf = "'" + (dir_ / out / (p.name + ".pdf")).string() + "'";
      const Command shown = Shell("qpdf --show-encryption --password=" + p.password + " " + pdf);
      EXPECT_EQ(shown.status, 0) << templ << " " << p.name << shown.out;
      EXPECT_NE(shown.out.find("R = 6"), std::string::npos) << shown.out;
      EXPECT_NE(shown.out.find("file encryption method: AESv3"), std::string::npos) << shown.out;
      EXPECT_NE(shown.out.find("print high resolution: allowed"), std::string::npos) << shown.out;
      EXPECT_NE(shown.out.find("modify anything: not allowed"), std::string::npos) << shown.out;
      EXPECT_NE(Shell("qpdf --check " + pdf).status, 0) << "opens without a password: " << pdf;
      const std::string other = kPeople[(i + 1) % kPeople.size()].password;
      EXPECT_NE(Shell("qpdf --check --password=" + other + " " + pdf).status, 0) << pdf;
      const Command text = Shell("pdftotext -enc UTF-8 -upw " + p.password + " " + pdf + " -");
      EXPECT_EQ(text.status, 0) << text.out;
      EXPECT_NE(text.out.find(p.id), std::string::npos) << templ << " " << p.name << ": " << text.out;
      for (const Person& q : kPeople) {
        if (q.id != p.id) EXPECT_EQ(text.out.find(q.id), std::string::npos) << p.name << " shows " << q.id;
      }
    }
  }
}

TEST_F(ProtectedChoiceTest, MissingPasswordsAndOneFileAreRefusedBeforeAnyFile) {
  std::vector<Person> people = kPeople;
  people[1].identity = "";
  people[3].identity = "8888";
  WriteData("缺.csv", people);
  const auto missing = Run("--data 缺.csv --template 模板.docx --out 缺 --pdf-password-column 身份证号 --password-last 6");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("第 3 行“李四”：为空"), std::string::npos) << missing.err;
  EXPECT_NE(missing.err.find("第 5 行“赵六”：只有 4 位"), std::string::npos) << missing.err;
  EXPECT_EQ(missing.err.find("张三"), std::string::npos) << missing.err;
  EXPECT_EQ(FileNames(dir_ / "缺"), std::vector<std::string>{});

  WriteData("数据.csv", kPeople);
  const auto one_file = Run("--data 数据.csv --template 模板.docx --out 一 --one-file --pdf-password-column 身份证号");
  EXPECT_EQ(one_file.status, 1);
  EXPECT_NE(one_file.out.find("输出到同一个文件时不能给PDF加密"), std::string::npos) << one_file.out;
  EXPECT_EQ(FileNames(dir_ / "一"), std::vector<std::string>{});

  const auto unknown = Run("--data 数据.csv --template 模板.docx --out 二 --pdf-password-column 身份证");
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("PDF密码列“身份证”在数据中不存在"), std::string::npos) << unknown.err;
  EXPECT_EQ(Run("--data 数据.csv --template 模板.docx --out 三 --password-last 6").status, 2);
}

TEST_F(ProtectedChoiceTest, ChosenRecordsAreNumberedAndNamedFromThePattern) {
  test::WriteFile(dir_ / "名单.csv",
                  "姓名,ID,部门\n"
                  "张三,001,销售部\n"
                  "李四,002,技术部\n"
                  "王/五,003,华东销售部\n"
                  "赵六,004,销售部\n"
                  "张三,001,销售部\n"
                  "孙八,006,销售部\n"
                  "合  计,,销售部\n");
  const auto r = Run("--data 名单.csv --template 模板.docx --out 输出 --filter '部门~销售' --rows 2-6,8 "
                     "--skip-totals --name-pattern '{ID}_{姓名}_2026年11月'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(FileNames(dir_ / "输出"),
            (std::vector<std::string>{"001_张三_2026年11月 (2).docx", "001_张三_2026年11月.docx",
                                      "003_王_五_2026年11月.docx", "004_赵六_2026年11月.docx"}));
  EXPECT_NE(r.err.find("数据共 7 条记录，将制作其中 4 条"), std::string::npos) << r.err;
  // Numbered among the chosen records: 王/五 is the second, the second 张三 the fourth.
  EXPECT_NE(r.err.find("第 2 条“王/五” → 003_王_五_2026年11月.docx"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("第 4 条“张三” → 001_张三_2026年11月 (2).docx"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("共输出 4 个文档"), std::string::npos) << r.err;

  const auto none = Run("--data 名单.csv --template 模板.docx --out 空 --filter '部门=市场部'");
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("没有符合条件（部门为“市场部”）的记录"), std::string::npos) << none.err;
  EXPECT_EQ(FileNames(dir_ / "空"), std::vector<std::string>{});
  const auto unknown = Run("--data 名单.csv --template 模板.docx --out 空 --name-pattern '{工号}'");
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("文件名格式中的“{工号}”在数据中不存在"), std::string::npos) << unknown.err;
}

}  // namespace
}  // namespace vexlo::cli
