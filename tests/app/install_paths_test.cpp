// Where the program finds its own files: an installed prefix, a package unpacked anywhere, the
// build tree; never the current folder. And the user's folder for the error log.
#include "app/install_paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>

#include "tests/support/test_paths.h"

namespace vexlo::app {
namespace {

namespace fs = std::filesystem;

fs::path MakeDataFolder(const fs::path& folder) {
  fs::create_directories(folder / "resource");
  fs::create_directories(folder / "html");
  return folder;
}

TEST(FindDataFolder, InstalledPrefixAndUnpackedPackageUseShareBesideBin) {
  test::ScratchDir dir;
  // /usr as installed, and the same tree unpacked below a folder with spaces and Chinese.
  for (const fs::path& root : {dir / "usr", dir / "解包 目录" / "opt" / "usr"}) {
    fs::create_directories(root / "bin");
    const fs::path share = MakeDataFolder(root / "share" / "vexlo");
    EXPECT_EQ(FindDataFolder(root / "bin"), share) << root;
  }
}

TEST(FindDataFolder, FoldersBesideTheProgramServeTheBuildTreeAndPortableCopies) {
  test::ScratchDir dir;
  const fs::path build = MakeDataFolder(dir / "build");
  EXPECT_EQ(FindDataFolder(build), build);
}

TEST(FindDataFolder, TheCurrentFolderIsNeverUsed) {
  test::ScratchDir dir;
  const fs::path cwd = MakeDataFolder(dir / "cwd");
  fs::create_directories(dir / "bin");
  test::CurrentDirGuard in(cwd);
  // Nothing beside the program: the files count as missing, even though the current folder has
  // them.
  EXPECT_EQ(FindDataFolder(dir / "bin"), dir / "bin");
  // An executable whose folder cannot be told does not fall back to relative names.
  EXPECT_EQ(FindDataFolder({}), fs::path());
}

TEST(FindDataFolder, TheBuildTreeHoldsTheProgramsFiles) {
  const fs::path found = FindDataFolder(VEXLO_BINARY_DIR);
  EXPECT_EQ(found, fs::path(VEXLO_BINARY_DIR));
  for (const char* file : {"resource/ks.jpg", "resource/close2.jpg", "html/bottom.html",
                           "示例/模板.doc", "示例/数据.xls"}) {
    EXPECT_TRUE(fs::is_regular_file(found / file)) << file;
  }
}

class UserDataFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"XDG_DATA_HOME", "HOME"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name, value->c_str(), 1);
      } else {
        ::unsetenv(name);
      }
    }
  }
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(UserDataFolderTest, FollowsXdgDataHomeWhenAbsoluteElseHome) {
  ::setenv("HOME", "/home/用户", 1);
  ::setenv("XDG_DATA_HOME", "/data/用户", 1);
  EXPECT_EQ(UserDataFolder(), fs::path("/data/用户/vexlo"));
  ::setenv("XDG_DATA_HOME", "relative/data", 1);  // not absolute: ignored
  EXPECT_EQ(UserDataFolder(), fs::path("/home/用户/.local/share/vexlo"));
  ::unsetenv("XDG_DATA_HOME");
  ::unsetenv("HOME");
  EXPECT_EQ(UserDataFolder(), fs::path());
}

}  // namespace
}  // namespace vexlo::app
