// The table directory of a TrueType font program: reading its tables, writing a program anew from
// them, and the big-endian numbers they are made of. Used by truetype_font.cpp.
// Convention: std::optional, nullopt where the input cannot be read (the caller refuses it as a
// whole).
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_TRUETYPE_TABLES_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_TRUETYPE_TABLES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexlo::engine::truetype {

std::uint32_t U32(const std::string& s, std::size_t at);
std::uint16_t U16(const std::string& s, std::size_t at);
void Put32(std::string& s, std::uint32_t v);
void Put16(std::string& s, std::uint16_t v);
// Overwrites the two bytes at `at`.
void Set16(std::string& s, std::size_t at, std::uint16_t v);

struct Table {
  std::string tag;
  std::string data;
};

// The tables of a program with TrueType outlines, in directory order; nullopt when it cannot be
// read.
std::optional<std::vector<Table>> ReadTables(const std::string& font);

// The table called `tag`; nullptr when there is none.
const std::string* Find(const std::vector<Table>& tables, const char* tag);
std::string* Find(std::vector<Table>& tables, const char* tag);

// A program of `tables` with the header of `original`: directory, checksums, tables on 4-byte
// boundaries, the whole-font checksum in head.
std::string WriteTables(const std::string& original, std::vector<Table> tables);

}  // namespace vexlo::engine::truetype

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_TRUETYPE_TABLES_H_
