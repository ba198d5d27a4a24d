// Builds a zip package in memory with every entry stored (no compression), so that a fuzzer can
// mutate the XML inside a workbook without breaking the package around it.
#ifndef VEXLO_FUZZ_STORED_ZIP_H_
#define VEXLO_FUZZ_STORED_ZIP_H_

#include <string>
#include <utility>
#include <vector>

namespace vexlo::fuzz {

std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace vexlo::fuzz

#endif  // VEXLO_FUZZ_STORED_ZIP_H_
