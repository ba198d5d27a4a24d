// The operations of a PDF content stream read straight from its bytes, without building an object
// for every number and operator as libqpdf's parser does: what finding the text a page shows
// needs, fast. Only the syntax the office writes is read; anything else (an inline image, a
// brace, a string or dictionary left open) makes the scan give up, and the caller reads that
// content with libqpdf. Pure; any thread.
// Convention: std::optional, nullopt where the scan gives up.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_PDF_CONTENT_SCAN_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_PDF_CONTENT_SCAN_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexlo::engine {

// An operand: where its bytes lie in the content (a whole array or dictionary for those), and
// for a name the name as a resource dictionary knows it ("/F1", #xx escapes undone).
struct ContentOperand {
  enum class Kind { kOther, kName, kString, kArray, kDictionary };
  Kind kind = Kind::kOther;
  std::size_t offset = 0;
  std::size_t length = 0;
  std::string name;
};

struct ContentOperation {
  std::string op;
  std::vector<ContentOperand> operands;
};

std::optional<std::vector<ContentOperation>> ScanContent(std::string_view bytes);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_PDF_CONTENT_SCAN_H_
