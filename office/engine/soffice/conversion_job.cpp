#include "office/engine/soffice/conversion_job.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace vexlo::engine {

StoreFormat FormatOfPath(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == ".pdf") return StoreFormat::kPdf;
  if (ext == ".doc") return StoreFormat::kDoc;
  if (ext == ".rtf") return StoreFormat::kRtf;
  if (ext == ".odt") return StoreFormat::kOdt;
  if (ext == ".xlsx") return StoreFormat::kXlsx;
  return StoreFormat::kDocx;
}

const char* ExtensionOf(StoreFormat format) {
  switch (format) {
    case StoreFormat::kPdf: return ".pdf";
    case StoreFormat::kDoc: return ".doc";
    case StoreFormat::kDocx: return ".docx";
    case StoreFormat::kRtf: return ".rtf";
    case StoreFormat::kOdt: return ".odt";
    case StoreFormat::kXlsx: return ".xlsx";
    case StoreFormat::kText: return ".txt";
  }
  return "";
}

const char* FilterName(StoreFormat format) {
  switch (format) {
    case StoreFormat::kPdf: return "writer_pdf_Export";
    case StoreFormat::kDoc: return "MS Word 97";
    case StoreFormat::kDocx: return "MS Word 2007 XML";
    case StoreFormat::kRtf: return "Rich Text Format";
    case StoreFormat::kOdt: return "writer8";
    case StoreFormat::kXlsx: return "Calc MS Excel 2007 XML";
    case StoreFormat::kText: return "Text (encoded)";
  }
  return "";
}

bool OnlyFormat(const ConversionJob& job, StoreFormat format) {
  return !job.targets.empty() && std::all_of(job.targets.begin(), job.targets.end(),
                                             [format](const StoreTarget& t) { return t.format == format; });
}

bool HasFormat(const ConversionJob& job, StoreFormat format) {
  return std::any_of(job.targets.begin(), job.targets.end(),
                     [format](const StoreTarget& t) { return t.format == format; });
}

StoreFormat PdfRoute(const ConversionJob& job) {
  for (const StoreTarget& t : job.targets) {
    if ((t.format == StoreFormat::kPdf || t.format == StoreFormat::kText) && t.via != StoreFormat::kDocx) return t.via;
  }
  return StoreFormat::kDocx;
}

bool OnlyThrough(const ConversionJob& job, StoreFormat via) {
  return std::all_of(job.targets.begin(), job.targets.end(), [via](const StoreTarget& t) {
    return t.format == via || ((t.format == StoreFormat::kPdf || t.format == StoreFormat::kText) && t.via == via);
  });
}

bool MakesFormat(const ConversionJob& job, StoreFormat format) {
  return HasFormat(job, format) || (format != StoreFormat::kDocx && PdfRoute(job) == format);
}

}  // namespace vexlo::engine
