// Little-endian numbers in binary file formats (workbook records, compound files, their
// encryption headers, Word's file structures, zip headers): read from a byte string at an offset
// the caller has checked, written over bytes that are there, or appended. Pure; any thread.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_LITTLE_ENDIAN_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_LITTLE_ENDIAN_H_

#include <cstddef>
#include <cstdint>
#include <string>
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

inline void WriteLe16(std::string& d, std::size_t at, std::uint16_t v) {
  d[at] = static_cast<char>(v & 0xFF);
  d[at + 1] = static_cast<char>(v >> 8);
}

inline void WriteLe32(std::string& d, std::size_t at, std::uint32_t v) {
  WriteLe16(d, at, static_cast<std::uint16_t>(v & 0xFFFF));
  WriteLe16(d, at + 2, static_cast<std::uint16_t>(v >> 16));
}

inline void WriteLe64(std::string& d, std::size_t at, std::uint64_t v) {
  WriteLe32(d, at, static_cast<std::uint32_t>(v & 0xFFFFFFFF));
  WriteLe32(d, at + 4, static_cast<std::uint32_t>(v >> 32));
}

inline void AppendLe16(std::string& d, std::uint16_t v) {
  d.push_back(static_cast<char>(v & 0xFF));
  d.push_back(static_cast<char>(v >> 8));
}

inline void AppendLe32(std::string& d, std::uint32_t v) {
  AppendLe16(d, static_cast<std::uint16_t>(v & 0xFFFF));
  AppendLe16(d, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_LITTLE_ENDIAN_H_
