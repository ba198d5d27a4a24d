#include "office/engine/soffice/stored_check.h"

// The handles of qpdf 11 are std::shared_ptr based.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <exception>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace vexlo::engine {

namespace fs = std::filesystem;

namespace {

// The first `count` bytes of the file and the last `count` (fewer when it is shorter).
std::pair<std::string, std::string> HeadAndTail(const std::string& path, std::size_t count) {
  std::ifstream in(path, std::ios::binary);
  std::string head(count, '\0'), tail(count, '\0');
  in.read(head.data(), static_cast<std::streamsize>(count));
  head.resize(static_cast<std::size_t>(in.gcount()));
  in.clear();
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  const std::streamoff from = size > static_cast<std::streamoff>(count) ? size - static_cast<std::streamoff>(count) : 0;
  in.seekg(from);
  in.read(tail.data(), static_cast<std::streamsize>(count));
  tail.resize(static_cast<std::size_t>(in.gcount()));
  return {head, tail};
}

}  // namespace

int PdfPageCount(const std::string& path) {
  // A PDF cut short has lost its end marker, and its cross-reference table with it; the pages are
  // only counted in one that reads without repairs.
  const auto [head, tail] = HeadAndTail(path, 1024);
  if (head.rfind("%PDF-", 0) != 0 || tail.find("%%EOF") == std::string::npos) return -1;
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.setAttemptRecovery(false);
    pdf.processFile(path.c_str());
    return static_cast<int>(QPDFPageDocumentHelper(pdf).getAllPages().size());
  } catch (const std::exception&) {
    return -1;
  }
}

std::string CheckStored(const std::string& path, StoreFormat format, int pages) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) == 0) return "没有生成文件";
  const std::string head = HeadAndTail(path, 8).first;
  const auto starts = [&](std::string_view sig) { return std::string_view(head).substr(0, sig.size()) == sig; };
  switch (format) {
    case StoreFormat::kPdf: {
      const int n = PdfPageCount(path);
      if (n < 0) return "生成的PDF文件不完整";
      if (pages > 0 && n != pages) {
        return "生成的PDF文件有 " + std::to_string(n) + " 页，文档有 " + std::to_string(pages) + " 页";
      }
      return "";
    }
    case StoreFormat::kDoc:
      return starts("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") ? "" : "生成的 .doc 文件不完整";
    case StoreFormat::kDocx:
    case StoreFormat::kOdt:
    case StoreFormat::kXlsx:
      return starts("PK\x03\x04") ? "" : "生成的文件不完整";
    case StoreFormat::kRtf:
      return starts("{\\rtf") ? "" : "生成的 .rtf 文件不完整";
    case StoreFormat::kText:
      return "";
  }
  return "";
}

}  // namespace vexlo::engine
