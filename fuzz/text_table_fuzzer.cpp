// Fuzzes the readers of data files that are text: the first byte chooses the name the input is
// loaded under (a .csv, or an .xls that may turn out to be a web page or separated text), the
// rest is the file, so that mutations reach the decoding, the CSV fields and the table walker.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/runtime_error.h"
#include "office/engine/sheet/workbook_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const char* name = (data[0] & 1) ? "fuzz.csv" : "fuzz.xls";
  std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    const auto book = vexlo::engine::sheet::LoadWorkbookBytes(std::move(bytes), name);
    for (const auto& [key, cell] : book.sheets[book.active_sheet].cells) {
      (void)vexlo::office::ToText(
          book.ValueAt(book.active_sheet, static_cast<uint32_t>(key >> 16), key & 0xFFFF));
    }
  } catch (const vexlo::app::RuntimeError&) {
  }
  return 0;
}
