// Fuzzes the .xls reader: an input with the compound document signature goes through the whole
// loader, any other input is read as a bare BIFF workbook stream.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/runtime_error.h"
#include "office/engine/package/compound_file.h"
#include "office/engine/sheet/workbook_loader.h"
#include "office/engine/sheet/xls_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vexlo::engine::sheet;
  std::string input(reinterpret_cast<const char*>(data), size);
  try {
    const WorkbookData book = vexlo::engine::CompoundFile::HasSignature(input)
                                  ? LoadWorkbookBytes(std::move(input), "fuzz.xls")
                                  : ReadXls(input, "fuzz.xls");
    for (const auto& [key, cell] : book.sheets[book.active_sheet].cells) {
      (void)vexlo::office::ToText(
          book.ValueAt(book.active_sheet, static_cast<uint32_t>(key >> 16), key & 0xFFFF));
    }
  } catch (const vexlo::app::RuntimeError&) {
  }
  return 0;
}
