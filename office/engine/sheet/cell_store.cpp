#include "office/engine/sheet/cell_store.h"

#include <algorithm>

namespace vexlo::engine::sheet {
namespace {

bool KeyLess(const CellStore::Entry& a, const CellStore::Entry& b) { return a.first < b.first; }

}  // namespace

Cell* CellStore::Last(uint64_t key) {
  if (empty() || entries_->back().first != key) return nullptr;
  return &entries_->back().second;
}

void CellStore::Seal() {
  if (sealed_) return;
  sealed_ = true;
  std::deque<Entry>& cells = *entries_;
  // Files mostly list cells in order: then there is nothing to sort (and no buffer to sort in).
  if (!std::is_sorted(cells.begin(), cells.end(), KeyLess)) {
    std::stable_sort(cells.begin(), cells.end(), KeyLess);
  }
  size_t kept = 0;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i + 1 < cells.size() && cells[i + 1].first == cells[i].first) continue;
    cells[kept++] = cells[i];
  }
  cells.resize(kept);
}

const Cell* CellStore::Find(uint64_t key) const {
  if (!entries_) return nullptr;
  const std::deque<Entry>& cells = *entries_;
  if (!sealed_) {
    for (auto it = cells.rbegin(); it != cells.rend(); ++it) {
      if (it->first == key) return &it->second;
    }
    return nullptr;
  }
  const auto it = std::lower_bound(cells.begin(), cells.end(), Entry{key, Cell{}}, KeyLess);
  return it != cells.end() && it->first == key ? &it->second : nullptr;
}

}  // namespace vexlo::engine::sheet
