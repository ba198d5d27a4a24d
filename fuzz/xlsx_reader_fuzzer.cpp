// Fuzzes the .xlsx reader. An input that starts with "PK" is taken as a whole package; any other
// input is split at "\n--\n" into the worksheet, the shared strings, the styles and the workbook
// parts of a package built around them, so that mutations reach the XML readers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/runtime_error.h"
#include "fuzz/stored_zip.h"
#include "office/engine/sheet/workbook_loader.h"

namespace {

constexpr char kDefaultWorkbook[] =
    "<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" r:id=\"rId1\"/></sheets></workbook>";
constexpr char kRels[] =
    "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/>"
    "<Relationship Id=\"rId3\" Type=\"x/styles\" Target=\"styles.xml\"/></Relationships>";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::string package;
  if (input.rfind("PK", 0) == 0) {
    package = std::move(input);
  } else {
    std::string parts[4];
    size_t at = 0;
    for (int i = 0; i < 4; ++i) {
      const size_t sep = input.find("\n--\n", at);
      parts[i] = input.substr(at, sep == std::string::npos ? std::string::npos : sep - at);
      if (sep == std::string::npos) break;
      at = sep + 4;
    }
    package = vexlo::fuzz::StoredZip({
        {"xl/workbook.xml", parts[3].empty() ? kDefaultWorkbook : parts[3]},
        {"xl/_rels/workbook.xml.rels", kRels},
        {"xl/worksheets/sheet1.xml", parts[0]},
        {"xl/sharedStrings.xml", parts[1]},
        {"xl/styles.xml", parts[2]},
    });
  }
  try {
    const auto book = vexlo::engine::sheet::LoadWorkbookBytes(std::move(package), "fuzz.xlsx");
    for (const auto& [key, cell] : book.sheets[book.active_sheet].cells) {
      (void)vexlo::office::ToText(
          book.ValueAt(book.active_sheet, static_cast<uint32_t>(key >> 16), key & 0xFFFF));
    }
  } catch (const vexlo::app::RuntimeError&) {
  }
  return 0;
}
