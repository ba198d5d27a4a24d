// Files that are not readable workbooks: each gives the run-time error with a Chinese text that
// names the file, quickly, and never a crash.
#include <gtest/gtest.h>

#include "app/error_numbers.h"
#include "app/runtime_error.h"
#include "office/engine/sheet/workbook_loader.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine::sheet {
namespace {

using app::RuntimeError;

std::string Path(const std::string& name) { return test::DataFile("sheet/" + name).string(); }

// Loads `path` and returns the error text; fails the test when no RuntimeError is raised.
std::string LoadError(const std::string& path, int16_t number) {
  try {
    LoadWorkbookFile(path);
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), number) << e.text();
    EXPECT_NE(e.text().find("“" + path + "”"), std::string::npos) << e.text();
    return e.text();
  }
  ADD_FAILURE() << path << " loaded";
  return "";
}

TEST(BadWorkbook, MissingOrUnreadableFilesAreFileErrors) {
  test::ScratchDir dir;
  EXPECT_NE(LoadError((dir / "没有.xlsx").string(), app::kErrFileAccess).find("不存在"),
            std::string::npos);
  EXPECT_NE(LoadError(dir.path().string(), app::kErrFileAccess).find("文件夹"), std::string::npos);
}

TEST(BadWorkbook, WrongKindsAreNamed) {
  const struct {
    const char* file;
    const char* says;
  } cases[] = {
      {"empty.xls", "空文件"},
      {"not_a_workbook.xlsx", "文本文件"},
      {"renamed_docx.xlsx", "Word"},
      {"password.xls", "密码"},
      {"password.xlsx", "密码"},
      {"hostile_rows.xlsx", "行号"},
      {"hostile_sst_index.xlsx", "共享字符串"},
      {"zip_bomb.xlsx", "sharedStrings.xml"},
  };
  for (const auto& c : cases) {
    const std::string text = LoadError(Path(c.file), app::kErrFileFormat);
    EXPECT_NE(text.find(c.says), std::string::npos) << c.file << ": " << text;
  }
}

// How long these take is measured by bench/sheet_bench.
TEST(BadWorkbook, HostileXmlLoadsWithoutExpandingOrRecursing) {
  // Entities of a document type are not expanded: the text stays a short reference.
  const WorkbookData laughs = LoadWorkbookFile(Path("hostile_entities.xlsx"));
  const office::Value a1 = laughs.ValueAt(laughs.active_sheet, 0, 0);
  EXPECT_LT(office::ToText(a1).value_or("").size(), 100u);
  // 200000 nested unknown elements are skipped.
  const WorkbookData deep = LoadWorkbookFile(Path("hostile_deep.xlsx"));
  EXPECT_EQ(office::ToText(deep.ValueAt(deep.active_sheet, 0, 0)), "1");
  // A shared string count of four billion reserves nothing of that size.
  const WorkbookData sst = LoadWorkbookFile(Path("huge_sst_count.xls"));
  EXPECT_EQ(office::ToText(sst.ValueAt(sst.active_sheet, 0, 0)), "x");
}

// Every cut of a real workbook either loads or fails with the format error; none crashes.
TEST(BadWorkbook, TruncatedFilesFailCleanly) {
  for (const char* name : {"values.xlsx", "values.xls", "own_biff8.xls", "cp936_biff5.xls"}) {
    const std::string bytes = test::ReadFile(test::DataFile(std::string("sheet/") + name));
    int failed = 0;
    for (size_t cut = 0; cut < bytes.size(); cut += 97) {
      try {
        LoadWorkbookBytes(bytes.substr(0, cut), name);
      } catch (const RuntimeError& e) {
        ++failed;
        EXPECT_NE(e.text().find(name), std::string::npos) << e.text();
      }
    }
    EXPECT_GT(failed, 0) << name;
  }
}

// Flipping bytes all over a BIFF workbook never crashes or hangs the reader: each copy either
// loads into a workbook whose active sheet exists, or fails with the format error naming the file.
TEST(BadWorkbook, CorruptedBiffRecordsFailCleanly) {
  const std::string bytes = test::ReadFile(test::DataFile("sheet/own_biff8.xls"));
  uint32_t seed = 12345;
  int loaded = 0, failed = 0;
  for (int round = 0; round < 2000; ++round) {
    std::string copy = bytes;
    for (int k = 0; k < 4; ++k) {
      seed = seed * 1103515245 + 12345;
      copy[(seed >> 8) % copy.size()] = static_cast<char>(seed >> 24);
    }
    try {
      const WorkbookData book = LoadWorkbookBytes(std::move(copy), "corrupt.xls");
      ASSERT_LT(book.active_sheet, book.sheets.size()) << "round " << round;
      (void)book.ValueAt(book.active_sheet, 0, 0);
      ++loaded;
    } catch (const RuntimeError& e) {
      ++failed;
      ASSERT_EQ(e.number(), app::kErrFileFormat) << "round " << round << ": " << e.text();
      ASSERT_NE(e.text().find("corrupt.xls"), std::string::npos) << "round " << round << ": " << e.text();
    } catch (const std::exception& e) {
      FAIL() << "round " << round << ": " << e.what();
    }
  }
  // Both ways are taken: flips in cells' bytes load, flips in the structure fail.
  EXPECT_GT(loaded, 0);
  EXPECT_GT(failed, 0);
}

}  // namespace
}  // namespace vexlo::engine::sheet
