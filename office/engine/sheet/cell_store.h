// CellStore: the non-empty cells of one sheet by CellKey, 24 bytes each (a hash map took about
// 60), in a deque so that growing never holds the old and the new copy at once; the deque is
// made with the first cell, so that the many empty sheets a workbook may list cost nothing. Readers put
// cells in the order of the file, a later one for a cell replacing the earlier, and seal the
// store when the sheet is read; lookups then search the sorted cells.
// Plain data, no locking; a sealed store may be read from several threads.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_CELL_STORE_H_
#define VEXLO_OFFICE_ENGINE_SHEET_CELL_STORE_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <utility>

namespace vexlo::engine::sheet {

// One stored cell. Text and error cells point into WorkbookData::strings.
struct Cell {
  enum class Kind : uint8_t { kNumber, kDate, kBool, kText, kError };
  Kind kind = Kind::kNumber;
  uint16_t format = 0;  // index into WorkbookData::formats (0: General)
  uint32_t text = 0;    // kText, kError: index into strings
  double number = 0;    // kNumber, kDate (workbook serial, 1900 system), kBool (0/1)
};

class CellStore {
 public:
  using Entry = std::pair<uint64_t, Cell>;

  // Adds a cell; counts toward size() until Seal() drops the cells it replaces.
  void Put(uint64_t key, const Cell& cell) {
    if (!entries_) entries_ = std::make_unique<std::deque<Entry>>();
    entries_->push_back({key, cell});
    sealed_ = false;
  }
  // The cell put last, when it has this key; else null. For records that add to the cell just
  // stored (its number format).
  Cell* Last(uint64_t key);
  // Orders the cells by key, keeping the last one put for each key.
  void Seal();
  // The cell, null when it is empty. Binary search once sealed (a linear search before).
  const Cell* Find(uint64_t key) const;

  size_t size() const { return entries_ ? entries_->size() : 0; }
  bool empty() const { return size() == 0; }
  void clear() {
    entries_.reset();
    sealed_ = true;
  }
  // Value-initialised iterators of a store without cells compare equal.
  std::deque<Entry>::const_iterator begin() const {
    return entries_ ? entries_->cbegin() : std::deque<Entry>::const_iterator();
  }
  std::deque<Entry>::const_iterator end() const {
    return entries_ ? entries_->cend() : std::deque<Entry>::const_iterator();
  }

 private:
  std::unique_ptr<std::deque<Entry>> entries_;  // null until the first cell
  bool sealed_ = true;
};

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_CELL_STORE_H_
