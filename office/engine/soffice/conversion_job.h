// What the office pool is asked for: a document to load and the files to store from it, and what
// became of the request. Plain values; any thread.
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_CONVERSION_JOB_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_CONVERSION_JOB_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vexlo::engine {

// The formats the offices store. kText: the text the document shows, as UTF-8 lines (one per
// paragraph), to compare what two files show; only made through a stored file (`via`).
enum class StoreFormat { kPdf, kDoc, kDocx, kRtf, kOdt, kXlsx, kText };

// The format of a file name's extension (".pdf", ".doc", ...); kDocx for anything else.
StoreFormat FormatOfPath(const std::string& path);

// The extension a stored file of `format` gets (".pdf", ...).
const char* ExtensionOf(StoreFormat format);
// The name of the office's filter that stores `format` ("MS Word 97", ...).
const char* FilterName(StoreFormat format);

struct StoreTarget {
  std::string path;   // where the finished file goes (replaced atomically)
  StoreFormat format = StoreFormat::kPdf;
  std::uint64_t order = 0;  // set by the pool: a later request for the same path wins
  // For a PDF (or text), what it shows: kDocx, the loaded document itself; kDoc (kRtf, kOdt), the document
  // as the office shows it once saved in that format and loaded again (the PDF of a record
  // whose own file is a .doc must look like that file).
  StoreFormat via = StoreFormat::kDocx;
  // For a PDF: the password that opening it needs ("" for none). The file is encrypted as it is
  // delivered; the password lives only in memory, with the target.
  std::string password;
};

// What became of one conversion.
struct ConversionOutcome {
  bool ok = false;
  int pages = 0;       // pages of the loaded document
  std::string error;   // Chinese, naming the document (when !ok)
  bool stopped = false;  // not (fully) tried: the pool was cancelled or is shutting down

  static ConversionOutcome Succeeded() {
    ConversionOutcome o;
    o.ok = true;
    return o;
  }
  static ConversionOutcome Failed(std::string error) {
    ConversionOutcome o;
    o.error = std::move(error);
    return o;
  }
  static ConversionOutcome Stopped(std::string error) {
    ConversionOutcome o = Failed(std::move(error));
    o.stopped = true;
    return o;
  }
};

struct ConversionJob {
  std::string source;        // the document to load
  bool take_source = false;  // delete `source` once done with it
  std::vector<StoreTarget> targets;
  std::string label;         // the document's name in messages ("张伟.docx")
  // A workbook: every formula is calculated after loading, before anything is stored.
  bool recalculate = false;
  // No later job is to share its load (it is waited for before the next is asked): an office
  // takes it at once instead of holding it back for a twin.
  bool unshared = false;
};

// Whether every target of `job` (at least one) is of `format`.
bool OnlyFormat(const ConversionJob& job, StoreFormat format);
// Whether some target of `job` is of `format`.
bool HasFormat(const ConversionJob& job, StoreFormat format);
// The format `job`'s PDFs (and text) are made through (StoreTarget::via); kDocx when none is.
StoreFormat PdfRoute(const ConversionJob& job);
// Whether every target of `job` is a file of `via` or a PDF (text) made through one (such
// targets are made from one load).
bool OnlyThrough(const ConversionJob& job, StoreFormat via);
// Whether `job` makes a file of `format`: a target of it, or one its PDFs are made through.
bool MakesFormat(const ConversionJob& job, StoreFormat format);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_CONVERSION_JOB_H_
