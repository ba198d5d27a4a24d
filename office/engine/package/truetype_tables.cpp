#include "office/engine/package/truetype_tables.h"

namespace vexlo::engine::truetype {

std::uint32_t U32(const std::string& s, std::size_t at) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 8) |
         static_cast<unsigned char>(s[at + 3]);
}

std::uint16_t U16(const std::string& s, std::size_t at) {
  return static_cast<std::uint16_t>((static_cast<unsigned char>(s[at]) << 8) | static_cast<unsigned char>(s[at + 1]));
}

void Put32(std::string& s, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>((v >> shift) & 0xFF);
}

void Put16(std::string& s, std::uint16_t v) {
  s += static_cast<char>(v >> 8);
  s += static_cast<char>(v & 0xFF);
}

void Set16(std::string& s, std::size_t at, std::uint16_t v) {
  s[at] = static_cast<char>(v >> 8);
  s[at + 1] = static_cast<char>(v & 0xFF);
}

namespace {

std::uint32_t Checksum(const std::string& table) {
  std::string padded = table;
  padded.resize((padded.size() + 3) / 4 * 4, '\0');
  std::uint32_t sum = 0;
  for (std::size_t at = 0; at < padded.size(); at += 4) sum += U32(padded, at);
  return sum;
}

}  // namespace

std::optional<std::vector<Table>> ReadTables(const std::string& font) {
  using namespace offset_table;
  if (font.size() < kSize) return std::nullopt;
  const std::uint32_t version = U32(font, kVersion);
  if (version != kTrueType && version != kTrueTypeApple) return std::nullopt;  // TrueType outlines
  const std::size_t count = U16(font, kTableCount);
  if (kSize + kEntrySize * count > font.size()) return std::nullopt;
  std::vector<Table> tables;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = kSize + kEntrySize * i;
    const std::size_t offset = U32(font, entry + kEntryOffset);
    const std::size_t length = U32(font, entry + kEntryLength);
    if (offset > font.size() || length > font.size() - offset) return std::nullopt;
    // A tag twice: which of them a reader takes is anyone's guess.
    if (Find(tables, font.substr(entry, 4).c_str())) return std::nullopt;
    tables.push_back({font.substr(entry, 4), font.substr(offset, length)});
  }
  return tables;
}

const std::string* Find(const std::vector<Table>& tables, const char* tag) {
  for (const Table& t : tables) {
    if (t.tag == tag) return &t.data;
  }
  return nullptr;
}

std::string* Find(std::vector<Table>& tables, const char* tag) {
  for (Table& t : tables) {
    if (t.tag == tag) return &t.data;
  }
  return nullptr;
}

std::string WriteTables(const std::string& original, std::vector<Table> tables) {
  using head_table::kChecksumAdjustment;
  std::string* head = Find(tables, "head");
  const bool adjust = head && head->size() >= kChecksumAdjustment + 4;
  if (adjust) head->replace(kChecksumAdjustment, 4, std::string(4, '\0'));  // set below
  std::string font = original.substr(0, offset_table::kSize);
  std::size_t offset = offset_table::kSize + offset_table::kEntrySize * tables.size();
  for (const Table& t : tables) {
    font += t.tag;
    Put32(font, Checksum(t.data));
    Put32(font, static_cast<std::uint32_t>(offset));
    Put32(font, static_cast<std::uint32_t>(t.data.size()));
    offset += (t.data.size() + 3) / 4 * 4;
  }
  std::size_t head_at = 0;
  for (const Table& t : tables) {
    if (t.tag == "head") head_at = font.size();
    font += t.data;
    font.resize((font.size() + 3) / 4 * 4, '\0');
  }
  if (head_at > 0 && adjust) {
    std::string value;
    Put32(value, head_table::kChecksumMagic - Checksum(font));
    font.replace(head_at + kChecksumAdjustment, 4, value);
  }
  return font;
}

}  // namespace vexlo::engine::truetype
