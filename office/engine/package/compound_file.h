// CompoundFile: read access to the streams at the top level of a compound document (the
// container of .xls workbooks and of password-protected Office files). Sector chains are checked
// against the file's size and for loops, so a hostile file fails in bounded time and memory.
// Raises app::RuntimeError::Format naming the file. Holds a view of the caller's bytes. Can write
// the file again with some of its streams changed.
// Convention: raises app::RuntimeError (File or Format) naming the file: a reader reached from the
// servers' entry points.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_COMPOUND_FILE_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_COMPOUND_FILE_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexlo::engine {

class CompoundFile {
 public:
  // True when `bytes` start with the compound document signature.
  static bool HasSignature(std::string_view bytes);

  // Parses the header, allocation tables and directory of `bytes`, which must outlive the object.
  // `display_name` names the file in errors, and `kind` says what it should have been
  // ("已损坏或不是有效的<kind>").
  CompoundFile(std::string_view bytes, std::string display_name, std::string kind = "Office文件");

  // Whether a stream of that name (ASCII, case-insensitive) lies in the root storage.
  bool HasStream(std::string_view name) const;
  // The stream's bytes, or nullopt when there is no such stream.
  std::optional<std::string> ReadStream(std::string_view name) const;

  // The whole file again, with the named root streams (exact names) holding `replaced` instead:
  // the same directory (names, tree, class ids, times), its streams laid out afresh. nullopt when
  // the result would need more than the header's 109 allocation-table sectors (about 7 MB) or
  // the file has 4096-byte sectors.
  std::optional<std::string> WithStreams(const std::map<std::string, std::string>& replaced) const;

 private:
  struct Entry {
    std::string name;  // ASCII-folded lower case; other characters become '?'
    std::string exact;  // as stored, UTF-8 only for ASCII; others as '?'
    uint8_t type = 0;
    uint32_t start = 0;
    uint64_t size = 0;
    uint32_t left = 0, right = 0, child = 0;
  };

  [[noreturn]] void Corrupt(std::string_view what) const;
  std::string ReadChain(uint32_t start, uint64_t size, bool mini) const;
  std::vector<uint32_t> Chain(uint32_t start, const std::vector<uint32_t>& table) const;
  uint32_t Read32(uint64_t offset) const;
  const Entry* Find(std::string_view name) const;

  std::string_view bytes_;
  std::string display_name_;
  std::string kind_;
  uint32_t sector_size_ = 512;
  uint32_t mini_cutoff_ = 4096;
  uint64_t sector_count_ = 0;  // sectors after the header, the last one possibly short
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> mini_fat_;
  std::string mini_stream_;
  std::vector<Entry> entries_;
  std::string directory_;  // the directory's 128-byte entries as stored
  std::vector<uint32_t> root_children_;  // indexes into entries_
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_COMPOUND_FILE_H_
