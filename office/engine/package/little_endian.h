// Little-endian numbers in binary file formats (workbook records, compound files, their
// encryption headers, Word's file structures): read from a byte string at an offset the caller
// has checked. Pure; any thread.
// Convention: cannot fail; callers check the bounds first.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_LITTLE_ENDIAN_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_LITTLE_ENDIAN_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vexlo::engine {

inline std::uint16_t ReadLe16(std::string_view d, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(d[at]) |
                                    (static_cast<std::uint8_t>(d[at + 1]) << 8));
}

inline std::uint32_t ReadLe32(std::string_view d, std::size_t at) {
  return ReadLe16(d, at) | (static_cast<std::uint32_t>(ReadLe16(d, at + 2)) << 16);
}

inline std::uint64_t ReadLe64(std::string_view d, std::size_t at) {
  return ReadLe32(d, at) | (static_cast<std::uint64_t>(ReadLe32(d, at + 4)) << 32);
}

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_LITTLE_ENDIAN_H_
