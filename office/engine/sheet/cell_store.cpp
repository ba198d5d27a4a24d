#include "office/engine/sheet/cell_store.h"

#include <algorithm>

namespace vexlo::engine::sheet {
namespace {

bool KeyLess(const CellStore::Entry& a, const CellStore::Entry& b) { return a.first < b.first; }

}  // namespace

Cell* CellStore::Last(uint64_t key) {
  return !entries_.empty() && entries_.back().first == key ? &entries_.back().second : nullptr;
}

void CellStore::Seal() {
  if (sealed_) return;
  sealed_ = true;
  // Files mostly list cells in order: then there is nothing to sort (and no buffer to sort in).
  if (!std::is_sorted(entries_.begin(), entries_.end(), KeyLess)) {
    std::stable_sort(entries_.begin(), entries_.end(), KeyLess);
  }
  size_t kept = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (i + 1 < entries_.size() && entries_[i + 1].first == entries_[i].first) continue;
    entries_[kept++] = entries_[i];
  }
  entries_.resize(kept);
}

const Cell* CellStore::Find(uint64_t key) const {
  if (!sealed_) {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
      if (it->first == key) return &it->second;
    }
    return nullptr;
  }
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), Entry{key, Cell{}}, KeyLess);
  return it != entries_.end() && it->first == key ? &it->second : nullptr;
}

}  // namespace vexlo::engine::sheet
