// How the engine reports failure: a status that keeps its kind through the layers that add their
// lead to its message, and becomes the error record with the number of that kind where a gateway
// surfaces it; the temporary folders say why they could not be made or written.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/error_numbers.h"
#include "app/runtime_error.h"
#include "office/engine/package/status.h"
#include "office/engine/package/status_error.h"
#include "office/engine/package/temp_folder.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;

TEST(StatusTest, AFailureKeepsItsKindUnderTheLeadOfEachLayer) {
  const Status stopped = Status::Stopped("已取消").Led("无法转换“张伟.docx”：");
  EXPECT_TRUE(stopped.stopped());
  EXPECT_EQ(stopped.message(), "无法转换“张伟.docx”：已取消");
  EXPECT_TRUE(Status::Ok().Led("无法转换：").ok());
  EXPECT_EQ(Status::Ok().Led("无法转换：").message(), "");

  const Result<std::vector<int>> pages = std::vector<int>{2, 3};
  ASSERT_TRUE(pages.ok());
  EXPECT_EQ(*pages, (std::vector<int>{2, 3}));
  const Result<std::vector<int>> refused = Status::Refused("PDF含有表单");
  EXPECT_FALSE(refused.ok());
  EXPECT_EQ(refused.status().code(), StatusCode::kRefused);
  EXPECT_EQ(refused.message(), "PDF含有表单");
}

TEST(StatusTest, TheErrorRecordTakesTheNumberOfTheFailuresKindAndItsTextAsItIs) {
  const struct {
    Status status;
    int number;
  } cases[] = {
      {Status::File("临时文件夹“/tmp/x”所在的磁盘已满"), app::kErrFileAccess},
      {Status::Format("生成的PDF文件不完整"), app::kErrFileFormat},
      {Status::Output("无法保存：没有生成文件"), app::kErrOutput},
      {Status::Failed("LibreOffice 启动超时"), app::kErrOther},
      {Status::Refused("含有域 NUMPAGES"), app::kErrOther},
      {Status::Stopped("已取消"), app::kErrOther},
  };
  for (const auto& c : cases) {
    const app::RuntimeError record = ErrorRecordOf(c.status);
    EXPECT_EQ(record.number(), c.number) << c.status.message();
    EXPECT_EQ(record.text(), c.status.message());
  }
  EXPECT_NO_THROW(RaiseUnlessOk(Status::Ok()));
  try {
    RaiseUnlessOk(Status::Output("无法打印：打印机没有响应"));
    ADD_FAILURE() << "no error record raised";
  } catch (const app::RuntimeError& e) {
    EXPECT_EQ(e.number(), app::kErrOutput);
    EXPECT_EQ(e.text(), "无法打印：打印机没有响应");
  }
}

TEST(StatusTest, ATemporaryFolderThatCannotBeMadeOrWrittenSaysWhy) {
  test::ScratchDir dir;
  const Result<std::string> made = MakePrivateTempFolderIn(dir.path().string(), "word");
  ASSERT_TRUE(made.ok()) << made.message();
  EXPECT_TRUE(fs::is_directory(*made));
  EXPECT_TRUE(CheckFolderWritable(*made).ok());

  EXPECT_FALSE(MakePrivateTempFolderIn(dir.path().string(), "unknown").ok());
  const std::string gone = (dir.path() / "gone").string();
  const Result<std::string> nowhere = MakePrivateTempFolderIn(gone, "word");
  EXPECT_EQ(nowhere.status().code(), StatusCode::kFile);
  EXPECT_NE(nowhere.message().find(gone), std::string::npos) << nowhere.message();
  const Status unwritable = CheckFolderWritable(gone);
  EXPECT_EQ(unwritable.code(), StatusCode::kFile);
  EXPECT_NE(unwritable.message().find("临时文件夹“" + gone + "”"), std::string::npos) << unwritable.message();
}

}  // namespace
}  // namespace vexlo::engine
