#include "tests/merge/pdf_pages.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "office/engine/soffice/stored_check.h"
#include "tests/support/test_paths.h"

namespace vexlo::test {

namespace fs = std::filesystem;

namespace {

constexpr int kDpi = 50;
constexpr int kTolerance = 24;

// The pages of `pdf` drawn in grey as pdftoppm writes them (binary PGM), in page order.
std::vector<std::string> Pages(const fs::path& pdf) {
  const fs::path folder = pdf.string() + ".pages";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string cmd = "pdftoppm -gray -r " + std::to_string(kDpi) + " '" + pdf.string() + "' '" +
                          (folder / "p").string() + "'";
  std::vector<std::string> pages;
  if (std::system(cmd.c_str()) != 0) return pages;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(folder)) files.push_back(e.path());
  std::sort(files.begin(), files.end());  // the page numbers are padded to one width
  for (const fs::path& f : files) pages.push_back(ReadFile(f));
  fs::remove_all(folder);
  return pages;
}

// The pixels that differ by more than the tolerance; -1 when the pictures' sizes (or headers)
// differ. Both come from the same pdftoppm run settings, so equal headers mean equal layouts.
long DifferingPixels(const std::string& a, const std::string& b) {
  const std::size_t header = a.find("255\n");
  if (a.size() != b.size() || header == std::string::npos || a.compare(0, header, b, 0, header) != 0) return -1;
  long count = 0;
  for (std::size_t i = header + 4; i < a.size(); ++i) {
    count += std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i])) > kTolerance;
  }
  return count;
}

}  // namespace

std::string PageDifference(const fs::path& reference, const fs::path& pdf) {
  const int want = engine::PdfPageCount(reference.string());
  const int got = engine::PdfPageCount(pdf.string());
  if (want < 0) return "参照PDF不完整";
  if (got < 0) return "PDF不完整或不存在";
  if (want != got) return std::to_string(got) + " 页，参照有 " + std::to_string(want) + " 页";
  const std::vector<std::string> want_pages = Pages(reference), got_pages = Pages(pdf);
  if (want_pages.size() != static_cast<std::size_t>(want) || got_pages.size() != want_pages.size()) {
    return "无法绘出页面";
  }
  std::string out;
  for (std::size_t k = 0; k < want_pages.size(); ++k) {
    const long differing = DifferingPixels(want_pages[k], got_pages[k]);
    if (differing == 0) continue;
    out += (out.empty() ? "" : "；") + std::string("第") + std::to_string(k + 1) + "页" +
           (differing < 0 ? "大小不同" : " " + std::to_string(differing) + " 个像素不同");
  }
  return out;
}

}  // namespace vexlo::test
