// Where tests find their committed fixtures and put their scratch files.
#ifndef VEXLO_TESTS_SUPPORT_TEST_PATHS_H_
#define VEXLO_TESTS_SUPPORT_TEST_PATHS_H_

#include <filesystem>
#include <string>

namespace vexlo::test {

// tests/data/<name> in the source tree.
std::filesystem::path DataFile(const std::string& name);

// A fresh, empty folder for one test, removed when the object dies.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Changes the working directory for the life of the object.
class CurrentDirGuard {
 public:
  explicit CurrentDirGuard(const std::filesystem::path& dir);
  ~CurrentDirGuard();

 private:
  std::filesystem::path saved_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_SUPPORT_TEST_PATHS_H_
