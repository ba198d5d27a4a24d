// Whether two PDFs show the same thing: the same page count, outline, links (pdf_links.h), text,
// and the same pages drawn at a modest resolution, pixel for pixel (colours within a small
// tolerance).
#ifndef VEXLO_TESTS_ENGINE_ORACLE_PAGE_COMPARE_H_
#define VEXLO_TESTS_ENGINE_ORACLE_PAGE_COMPARE_H_

#include <filesystem>
#include <string>

namespace vexlo::oracle {

// The resolution the pages are drawn at, and how far a colour channel may stray before a pixel
// counts as different (smoothing of the same glyph differs by a few levels, nothing else does).
inline constexpr int kPageDpi = 50;
inline constexpr int kChannelTolerance = 24;

// How `pdf` differs from `reference` ("第2页 37 个像素不同", "文字不同：…"); empty when alike.
std::string PdfDifference(const std::filesystem::path& reference, const std::filesystem::path& pdf);

// The outline of `pdf`, one line an entry: its title and the page it opens, indented by depth.
std::string PdfOutline(const std::filesystem::path& pdf);

// One page drawn as 8-bit RGB.
struct PageImage {
  int width = 0, height = 0;
  std::string rgb;  // width * height * 3 bytes
};

// The pixels of `b` that differ from `a` by more than the tolerance in any channel; -1 when the
// sizes differ.
long DifferingPixels(const PageImage& a, const PageImage& b, int tolerance = kChannelTolerance);

// Reads a binary PPM (P6, 8 bits) as pdftoppm writes it; an empty image when it is not one.
PageImage ReadPpm(const std::string& bytes);

}  // namespace vexlo::oracle

#endif  // VEXLO_TESTS_ENGINE_ORACLE_PAGE_COMPARE_H_
