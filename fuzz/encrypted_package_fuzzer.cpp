// Fuzzes the decryption of protected .xlsx packages: the input is split at the first "\n--\n"
// into the EncryptionInfo and the EncryptedPackage streams; what decrypts goes on to the .xlsx
// reader as the loader would hand it on. (Protected .xls streams go through xls_reader_fuzzer.)
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/runtime_error.h"
#include "office/engine/sheet/package_decryption.h"
#include "office/engine/sheet/workbook_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vexlo::engine::sheet;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t cut = input.find("\n--\n");
  if (cut == std::string_view::npos) return 0;
  try {
    std::string package = DecryptPackage(input.substr(0, cut), input.substr(cut + 4), "fuzz.xlsx");
    (void)LoadWorkbookBytes(std::move(package), "fuzz.xlsx");
  } catch (const vexlo::app::RuntimeError&) {
  }
  return 0;
}
