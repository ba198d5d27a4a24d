// StringTable: the texts of a workbook's cells, packed. Short texts lie side by side in blocks
// of 1 MB that are never moved or grown; a long one becomes a block of its own, taken over
// without a copy. A text costs 8 bytes besides its characters (a std::string each would take 32),
// which keeps the memory of a sheet of millions of short texts near the size of its file.
// Plain data, no locking.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_STRING_TABLE_H_
#define VEXLO_OFFICE_ENGINE_SHEET_STRING_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace vexlo::engine::sheet {

class StringTable {
 public:
  // Adds a text and returns its index.
  uint32_t Add(std::string text);
  // The text at `index`; valid while the table lives. REQUIRES: index < size().
  std::string_view operator[](uint32_t index) const;
  size_t size() const { return refs_.size(); }
  // Forgets the texts from `count` on (their characters stay until the table goes).
  void Truncate(size_t count);

 private:
  static constexpr size_t kBlockBytes = 1 << 20;
  static constexpr size_t kOwnBlockBytes = 4096;  // texts this long get a block of their own
  static constexpr uint64_t kWholeBlock = (1 << 20) - 1;  // length field: the whole block

  std::vector<std::string> blocks_;
  size_t open_block_ = SIZE_MAX;  // the block short texts go into, SIZE_MAX before the first
  // Per text: block index << 40 | offset in the block << 20 | length (kWholeBlock: all of it).
  std::deque<uint64_t> refs_;  // a deque: growing never copies
};

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_STRING_TABLE_H_
