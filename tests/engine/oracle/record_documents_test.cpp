// The records' own files as a run makes them: headers, footers and footnotes that hold titles
// carry each record's values (the oracle then proves the fast paths equal to these files).
#include <gtest/gtest.h>

#include "tests/engine/oracle/oracle_cases.h"
#include "tests/engine/oracle/record_documents.h"
#include "tests/engine/word/word_test_util.h"
#include "tests/support/test_paths.h"

namespace vexlo::oracle {
namespace {

namespace fs = std::filesystem;

TEST(RecordDocumentsTest, HeadersFootersAndNotesHoldEachRecordsOwnValues) {
  const test::ScratchDir dir;
  for (const char* name : {"header-values", "footnotes"}) {
    SCOPED_TRACE(name);
    const OracleCase c = GeneratedCase(dir.path(), name);
    fs::create_directories(dir / name);
    const std::vector<fs::path> files = MakeRecordDocuments(dir / name, c.templ, c.titles, c.records);
    ASSERT_EQ(files.size(), c.records.size());
    for (std::size_t r = 0; r < files.size(); ++r) {
      const std::vector<std::string>& values = c.records[r];
      if (std::string(name) == "header-values") {
        const std::string header = test::Part(files[r].string(), "word/header1.xml");
        EXPECT_NE(header.find(">页眉 " + values[0] + "<"), std::string::npos) << header;
        const std::string footer = test::Part(files[r].string(), "word/footer1.xml");
        EXPECT_EQ(footer.find("部门 第"), std::string::npos) << footer;
      } else {
        const std::string notes = test::Part(files[r].string(), "word/footnotes.xml");
        EXPECT_NE(notes.find("本人 " + values[0] + " 确认。"), std::string::npos) << notes;
        EXPECT_NE(notes.find("按月发放。"), std::string::npos);
      }
    }
  }
}

}  // namespace
}  // namespace vexlo::oracle
