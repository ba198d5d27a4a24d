#include "tests/support/test_paths.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>

namespace vexlo::test {

std::filesystem::path DataFile(const std::string& name) {
  return std::filesystem::path(VEXLO_SOURCE_DIR) / "tests" / "data" / name;
}

ScratchDir::ScratchDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "vexlo-test-XXXXXX").string();
  path_ = ::mkdtemp(tmpl.data());
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

CurrentDirGuard::CurrentDirGuard(const std::filesystem::path& dir)
    : saved_(std::filesystem::current_path()) {
  std::filesystem::current_path(dir);
}

CurrentDirGuard::~CurrentDirGuard() { std::filesystem::current_path(saved_); }

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace vexlo::test
