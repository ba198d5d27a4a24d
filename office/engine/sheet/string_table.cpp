#include "office/engine/sheet/string_table.h"

namespace vexlo::engine::sheet {

uint32_t StringTable::Add(std::string text) {
  uint64_t ref;
  if (text.size() >= kOwnBlockBytes) {
    ref = (static_cast<uint64_t>(blocks_.size()) << 40) | kWholeBlock;
    blocks_.push_back(std::move(text));
  } else {
    if (open_block_ == SIZE_MAX || blocks_[open_block_].size() + text.size() > kBlockBytes) {
      open_block_ = blocks_.size();
      blocks_.emplace_back().reserve(kBlockBytes);  // filled in place, never reallocated
    }
    std::string& block = blocks_[open_block_];
    ref = (static_cast<uint64_t>(open_block_) << 40) | (static_cast<uint64_t>(block.size()) << 20) |
          text.size();
    block += text;
  }
  refs_.push_back(ref);
  return static_cast<uint32_t>(refs_.size() - 1);
}

std::string_view StringTable::operator[](uint32_t index) const {
  const uint64_t ref = refs_[index];
  const std::string& block = blocks_[ref >> 40];
  const uint64_t length = ref & kWholeBlock;
  if (length == kWholeBlock) return block;
  return std::string_view(block).substr((ref >> 20) & kWholeBlock, length);
}

void StringTable::Truncate(size_t count) {
  if (count < refs_.size()) refs_.resize(count);
}

}  // namespace vexlo::engine::sheet
