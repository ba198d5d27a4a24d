// A protected PDF opens only with its password, is encrypted with AES-256 (revision 6), keeps its
// pages and allows printing but no changes to whoever opens it; delivery protects exactly the
// targets that carry a password, and a PDF that cannot be protected never reaches its name.
#include "office/engine/package/pdf_protect.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

#include "office/engine/soffice/delivery.h"
#include "tests/engine/soffice/test_pdf.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;

// What a reader gets from `path` with `password`.
struct Opened {
  bool opens = false;
  int revision = 0;
  int pages = 0;
  bool print_high = false, modify = false, annotate = false, assemble = false;
};

Opened Open(const fs::path& path, const std::string& password) {
  Opened o;
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.c_str(), password.c_str());
    int permissions = 0;
    pdf.isEncrypted(o.revision, permissions);
    o.pages = static_cast<int>(QPDFPageDocumentHelper(pdf).getAllPages().size());
    o.print_high = pdf.allowPrintHighRes();
    o.modify = pdf.allowModifyOther();
    o.annotate = pdf.allowModifyAnnotation();
    o.assemble = pdf.allowModifyAssembly();
    o.opens = true;
  } catch (const std::exception&) {
  }
  return o;
}

TEST(PdfProtectTest, OpensOnlyWithItsPasswordAllowsPrintingButNoChanges) {
  test::ScratchDir dir;
  test::MakePdf(dir / "plain.pdf", 3);
  for (const std::string password : {"011234", "张伟-11010119900101123X"}) {
    const fs::path locked = dir / "locked.pdf";
    const Status is_protected = ProtectPdf((dir / "plain.pdf").string(), locked.string(), password);
    ASSERT_TRUE(is_protected.ok()) << password << ": " << is_protected.message();
    EXPECT_FALSE(Open(locked, "").opens);
    EXPECT_FALSE(Open(locked, password + "0").opens);
    const Opened o = Open(locked, password);
    ASSERT_TRUE(o.opens) << password;
    EXPECT_EQ(o.revision, 6);
    EXPECT_EQ(o.pages, 3);
    EXPECT_TRUE(o.print_high);
    EXPECT_FALSE(o.modify);
    EXPECT_FALSE(o.annotate);
    EXPECT_FALSE(o.assemble);
  }
}

TEST(PdfProtectTest, WhatIsNoPdfGivesAReasonAndNoFile) {
  test::ScratchDir dir;
  test::WriteFile(dir / "half.pdf", test::MakePdf(dir / "whole.pdf", 1).substr(0, 40));
  for (const char* source : {"half.pdf", "none.pdf"}) {
    const Status is_protected = ProtectPdf((dir / source).string(), (dir / "out.pdf").string(), "pw");
    EXPECT_FALSE(is_protected.ok()) << source;
    EXPECT_NE(is_protected.message(), "") << source;
    EXPECT_FALSE(fs::exists(dir / "out.pdf")) << source;
  }
  EXPECT_FALSE(ProtectPdf((dir / "whole.pdf").string(), (dir / "out.pdf").string(), "").ok());
  EXPECT_FALSE(fs::exists(dir / "out.pdf"));
}

class ProtectedDeliveryTest : public ::testing::Test {
 protected:
  std::vector<StoreTarget> Request(const std::vector<std::pair<std::string, std::string>>& paths) {
    std::vector<StoreTarget> targets;
    for (const auto& [p, password] : paths) {
      targets.push_back({.path = (dir_ / p).string(), .format = StoreFormat::kPdf, .password = password});
    }
    auto task = MakeTask({"src", false, targets, "src"}, "bytes");
    std::lock_guard lock(mutex_);
    queue_.Add(task);
    queue_.TakeTask(PoolClock::now() + std::chrono::hours(1));  // in progress
    return task->job.targets;
  }
  std::string Made(const std::string& name) {
    fs::create_directories(dir_ / "work");
    test::MakePdf(dir_ / "work" / name, 2);
    return (dir_ / "work" / name).string();
  }
  bool WorkEmpty() const { return fs::is_empty(dir_ / "work"); }

  test::ScratchDir dir_;
  std::mutex mutex_;
  JobQueue queue_{QueueRules{.join_records = false}};
  Delivery delivery_{mutex_, queue_};
};

TEST_F(ProtectedDeliveryTest, OnlyTargetsWithAPasswordAreProtectedAndNoScratchIsLeft) {
  const auto one = Request({{"张三.pdf", "123456"}});
  EXPECT_TRUE(delivery_.PutFile(one[0], Made("a")).ok());
  EXPECT_FALSE(Open(dir_ / "张三.pdf", "").opens);
  EXPECT_EQ(Open(dir_ / "张三.pdf", "123456").pages, 2);
  EXPECT_TRUE(WorkEmpty());

  const auto two = Request({{"李四.pdf", "654321"}, {"公开.pdf", ""}});
  const std::string part = Made("b");
  EXPECT_TRUE(delivery_.CopyFile(two, part).ok());
  EXPECT_FALSE(Open(dir_ / "李四.pdf", "").opens);
  EXPECT_EQ(Open(dir_ / "李四.pdf", "654321").revision, 6);
  EXPECT_EQ(test::ReadFile(dir_ / "公开.pdf"), test::ReadFile(part));
  fs::remove(part);
  EXPECT_TRUE(WorkEmpty());
}

TEST_F(ProtectedDeliveryTest, APdfThatCannotBeProtectedLeavesTheEarlierFile) {
  test::WriteFile(dir_ / "王五.pdf", "earlier");
  const auto targets = Request({{"王五.pdf", "888888"}});
  fs::create_directories(dir_ / "work");
  test::WriteFile(dir_ / "work" / "broken", "%PDF-1.7 not really");
  const Status put = delivery_.PutFile(targets[0], (dir_ / "work" / "broken").string());
  EXPECT_EQ(put.code(), StatusCode::kOutput);
  EXPECT_NE(put.message().find("无法加密PDF文件"), std::string::npos) << put.message();
  EXPECT_EQ(test::ReadFile(dir_ / "王五.pdf"), "earlier");
  EXPECT_TRUE(WorkEmpty());
}

}  // namespace
}  // namespace vexlo::engine
