#include "tests/engine/oracle/page_compare.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <vector>

#include "office/engine/soffice/office_pool.h"
#include "tests/engine/oracle/pdf_links.h"

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

namespace vexlo::oracle {

namespace fs = std::filesystem;

namespace {

// Runs a poppler tool; its standard output, or nothing when it failed.
std::optional<std::string> Run(const char* tool, const QStringList& args) {
  QProcess process;
  process.start(QStandardPaths::findExecutable(tool), args);
  if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    return std::nullopt;
  }
  const QByteArray out = process.readAllStandardOutput();
  return std::string(out.constData(), static_cast<std::size_t>(out.size()));
}

QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every page of `pdf` drawn, in page order.
std::vector<PageImage> Pages(const fs::path& pdf) {
  const fs::path folder = pdf.string() + ".pages";
  std::error_code ec;
  fs::remove_all(folder, ec);
  fs::create_directories(folder, ec);
  std::vector<PageImage> pages;
  if (!Run("pdftoppm", {"-r", QString::number(kPageDpi), Q(pdf), Q(folder / "p")})) return pages;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(folder)) files.push_back(e.path());
  std::sort(files.begin(), files.end());  // pdftoppm pads the page numbers to one width
  for (const fs::path& f : files) pages.push_back(ReadPpm(ReadBytes(f)));
  fs::remove_all(folder, ec);
  return pages;
}

// The first line where two texts part, for the message.
std::string FirstDifferentLine(const std::string& a, const std::string& b) {
  std::size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  const std::size_t start = a.rfind('\n', at == 0 ? 0 : at - 1);
  const std::size_t from = start == std::string::npos ? 0 : start + 1;
  const auto line = [from](const std::string& s) { return s.substr(from, s.find('\n', from) - from); };
  return "“" + line(a) + "” 对 “" + line(b) + "”";
}

}  // namespace

PageImage ReadPpm(const std::string& bytes) {
  PageImage image;
  std::size_t at = 0;
  std::vector<long> fields;
  if (bytes.compare(0, 2, "P6") != 0) return image;
  at = 2;
  while (fields.size() < 3) {
    while (at < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[at]))) ++at;
    if (at < bytes.size() && bytes[at] == '#') {
      at = bytes.find('\n', at);
      if (at == std::string::npos) return image;
      continue;
    }
    const std::size_t start = at;
    while (at < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[at]))) ++at;
    if (at == start) return image;
    fields.push_back(std::atol(bytes.c_str() + start));
  }
  ++at;  // the one white space after the header
  const std::size_t size = static_cast<std::size_t>(fields[0] * fields[1] * 3);
  if (fields[2] != 255 || fields[0] <= 0 || fields[1] <= 0 || at + size > bytes.size()) return image;
  image.width = static_cast<int>(fields[0]);
  image.height = static_cast<int>(fields[1]);
  image.rgb = bytes.substr(at, size);
  return image;
}

long DifferingPixels(const PageImage& a, const PageImage& b, int tolerance) {
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) return -1;
  long count = 0;
  for (std::size_t i = 0; i + 2 < a.rgb.size(); i += 3) {
    for (std::size_t c = 0; c < 3; ++c) {
      if (std::abs(static_cast<unsigned char>(a.rgb[i + c]) - static_cast<unsigned char>(b.rgb[i + c])) > tolerance) {
        ++count;
        break;
      }
    }
  }
  return count;
}

namespace {

// One line an entry, indented by depth: "  标题 → 第2页".
void ListOutline(std::vector<QPDFOutlineObjectHelper> entries, const std::map<QPDFObjGen, int>& pages,
                 int depth, std::string& out) {
  for (QPDFOutlineObjectHelper& entry : entries) {
    const auto page = pages.find(entry.getDestPage().getObjGen());
    out += std::string(static_cast<std::size_t>(2 * depth), ' ') + entry.getTitle() + " → 第" +
           (page == pages.end() ? std::string("?") : std::to_string(page->second + 1)) + "页" +
           (entry.getCount() < 0 ? "（收起）" : "") + "\n";
    if (depth < 32) ListOutline(entry.getKids(), pages, depth + 1, out);
  }
}

}  // namespace

std::string PdfOutline(const fs::path& pdf) {
  try {
    QPDF doc;
    doc.setSuppressWarnings(true);
    doc.processFile(pdf.string().c_str());
    std::map<QPDFObjGen, int> pages;
    for (QPDFPageObjectHelper page : QPDFPageDocumentHelper(doc).getAllPages()) {
      pages.emplace(page.getObjectHandle().getObjGen(), static_cast<int>(pages.size()));
    }
    QPDFOutlineDocumentHelper outline(doc);
    std::string out;
    ListOutline(outline.getTopLevelOutlines(), pages, 0, out);
    return out;
  } catch (const std::exception& e) {
    return std::string("无法读出书签：") + e.what();
  }
}

std::string PdfDifference(const fs::path& reference, const fs::path& pdf) {
  const int want = engine::PdfPageCount(reference.string());
  const int got = engine::PdfPageCount(pdf.string());
  if (want < 0) return "参照PDF不完整";
  if (got < 0) return "PDF不完整或不存在";
  if (want != got) return std::to_string(got) + " 页，参照有 " + std::to_string(want) + " 页";
  if (const std::string want_outline = PdfOutline(reference), got_outline = PdfOutline(pdf);
      want_outline != got_outline) {
    return "书签不同：" + FirstDifferentLine(want_outline, got_outline);
  }
  // A link is not drawn: where each one sits and goes is compared apart.
  try {
    if (std::string links = LinkDifference(ReadPdfLinks(reference), ReadPdfLinks(pdf)); !links.empty()) {
      return "链接不同：" + links;
    }
  } catch (const std::exception& e) {
    return std::string("无法读出链接：") + e.what();
  }
  const std::optional<std::string> want_text = Run("pdftotext", {"-enc", "UTF-8", Q(reference), "-"});
  const std::optional<std::string> got_text = Run("pdftotext", {"-enc", "UTF-8", Q(pdf), "-"});
  if (!want_text || !got_text) return "无法读出文字";
  if (*want_text != *got_text) return "文字不同：" + FirstDifferentLine(*want_text, *got_text);
  const std::vector<PageImage> want_pages = Pages(reference), got_pages = Pages(pdf);
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

}  // namespace vexlo::oracle
