#include "office/engine/package/compound_file.h"

#include <algorithm>
#include <cstring>

#include "app/runtime_error.h"
#include "office/engine/package/little_endian.h"

namespace vexlo::engine {
namespace {

constexpr char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr uint32_t kMaxSector = 0xFFFFFFFA;
constexpr uint32_t kMiniSectorSize = 64;
constexpr size_t kHeaderDifatEntries = 109;
constexpr uint8_t kTypeStream = 2;
constexpr uint8_t kTypeRoot = 5;

// The file header, in the first 512 bytes.
namespace header {
constexpr size_t kSize = 512;
constexpr size_t kSectorShift = 0x1E;     // 16-bit: 9 (512-byte sectors) or 12 (4096)
constexpr size_t kFatSectors = 0x2C;      // sectors of the allocation table
constexpr size_t kDirectoryStart = 0x30;  // the directory's first sector
constexpr size_t kTransaction = 0x34;
constexpr size_t kMiniCutoff = 0x38;      // streams smaller than this live in the mini stream
constexpr size_t kMiniFatStart = 0x3C;
constexpr size_t kMiniFatSectors = 0x40;
constexpr size_t kDifatStart = 0x44;      // the chain of further allocation table locations
constexpr size_t kDifatSectors = 0x48;
constexpr size_t kDifat = 0x4C;           // the first 109 allocation table locations
}  // namespace header

// A directory entry: a storage or stream of the file.
namespace entry {
constexpr size_t kSize = 128;
constexpr size_t kNameBytes = 64;  // 16-bit: bytes of the UTF-16 name, its final 0 included
constexpr size_t kMaxNameBytes = 64;
constexpr size_t kType = 66;
constexpr size_t kLeft = 68;   // the tree of a storage's children
constexpr size_t kRight = 72;
constexpr size_t kChild = 76;
constexpr size_t kStart = 116;  // first sector
constexpr size_t kStreamSize = 120;  // 64-bit
}  // namespace entry

}  // namespace

bool CompoundFile::HasSignature(std::string_view bytes) {
  return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

void CompoundFile::Corrupt(std::string_view what) const {
  throw app::RuntimeError::Format(display_name_,
                                  "已损坏或不是有效的" + kind_ + "：" + std::string(what));
}

uint32_t CompoundFile::Read32(uint64_t offset) const {
  // Only called inside the header or a sector that exists: bytes past the end of the file belong
  // to a short last sector and read as zeros.
  if (offset + 4 <= bytes_.size()) return ReadLe32(bytes_, static_cast<size_t>(offset));
  std::string tail(4, '\0');
  if (offset < bytes_.size()) tail.replace(0, bytes_.size() - offset, bytes_.substr(offset));
  return ReadLe32(tail, 0);
}

CompoundFile::CompoundFile(std::string_view bytes, std::string display_name, std::string kind)
    : bytes_(bytes), display_name_(std::move(display_name)), kind_(std::move(kind)) {
  if (bytes_.size() < header::kSize || !HasSignature(bytes_)) Corrupt("文件头无效");
  const uint16_t shift = ReadLe16(bytes_, header::kSectorShift);
  if (shift != 9 && shift != 12) Corrupt("扇区大小无效");
  sector_size_ = 1u << shift;
  mini_cutoff_ = Read32(header::kMiniCutoff);
  if (bytes_.size() < sector_size_) Corrupt("文件被截断");
  // Some writers end the file inside its last sector; that sector still counts, and its missing
  // tail reads as zeros. A sector that does not begin before the end of the file does not exist.
  sector_count_ = (bytes_.size() - 1) / sector_size_;
  const uint32_t per_sector = sector_size_ / 4;

  // The allocation table's own sectors: 109 in the header, the rest in a chain of DIFAT sectors.
  const uint32_t fat_sectors = Read32(header::kFatSectors);
  if (fat_sectors > sector_count_) Corrupt("分配表大小无效");
  std::vector<uint32_t> fat_locations;
  for (size_t i = 0; i < kHeaderDifatEntries && fat_locations.size() < fat_sectors; ++i) {
    fat_locations.push_back(Read32(header::kDifat + 4 * i));
  }
  uint32_t difat = Read32(header::kDifatStart);
  uint64_t difat_steps = 0;
  while (fat_locations.size() < fat_sectors) {
    if (difat > kMaxSector || difat >= sector_count_ || ++difat_steps > sector_count_) {
      Corrupt("分配表链无效");
    }
    const uint64_t base = static_cast<uint64_t>(difat + 1) * sector_size_;
    for (uint32_t i = 0; i + 1 < per_sector && fat_locations.size() < fat_sectors; ++i) {
      fat_locations.push_back(Read32(base + 4 * i));
    }
    difat = Read32(base + 4 * (per_sector - 1));
  }
  fat_.reserve(static_cast<size_t>(fat_sectors) * per_sector);
  for (uint32_t location : fat_locations) {
    if (location >= sector_count_) Corrupt("分配表位置无效");
    const uint64_t base = static_cast<uint64_t>(location + 1) * sector_size_;
    for (uint32_t i = 0; i < per_sector; ++i) fat_.push_back(Read32(base + 4 * i));
  }

  // The directory: 128-byte entries in their own chain.
  const std::string directory = ReadChain(Read32(header::kDirectoryStart), UINT64_MAX, false);
  const size_t count = directory.size() / entry::kSize;
  entries_.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const std::string_view e = std::string_view(directory).substr(i * entry::kSize, entry::kSize);
    Entry found;
    const size_t name_bytes = std::min<size_t>(ReadLe16(e, entry::kNameBytes), entry::kMaxNameBytes);
    for (size_t k = 0; k + 1 < name_bytes; k += 2) {
      const uint16_t ch = ReadLe16(e, k);
      if (ch == 0) break;
      found.name += ch < 0x80 ? static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch) : '?';
      found.exact += ch < 0x80 ? static_cast<char>(ch) : '?';
    }
    found.type = static_cast<uint8_t>(e[entry::kType]);
    found.left = ReadLe32(e, entry::kLeft);
    found.right = ReadLe32(e, entry::kRight);
    found.child = ReadLe32(e, entry::kChild);
    found.start = ReadLe32(e, entry::kStart);
    found.size = ReadLe64(e, entry::kStreamSize);
    if (sector_size_ == 512) found.size &= 0xFFFFFFFFu;  // version 3 files leave the high half
    entries_.push_back(std::move(found));
  }
  if (entries_.empty() || entries_[0].type != kTypeRoot) Corrupt("目录无效");
  directory_ = directory.substr(0, count * entry::kSize);

  // The root storage's children form a tree through left/right; walk it without recursion.
  std::vector<bool> seen(entries_.size(), false);
  std::vector<uint32_t> stack = {entries_[0].child};
  while (!stack.empty()) {
    const uint32_t i = stack.back();
    stack.pop_back();
    if (i == kNoStream || i >= entries_.size() || seen[i]) continue;
    seen[i] = true;
    root_children_.push_back(i);
    stack.push_back(entries_[i].left);
    stack.push_back(entries_[i].right);
  }

  // The mini stream (small streams live there) hangs off the root entry.
  const uint32_t mini_fat_start = Read32(header::kMiniFatStart);
  if (mini_fat_start != kEndOfChain && mini_fat_start != kNoStream) {
    const std::string table = ReadChain(mini_fat_start, UINT64_MAX, false);
    mini_fat_.resize(table.size() / 4);
    for (size_t k = 0; k < mini_fat_.size(); ++k) mini_fat_[k] = ReadLe32(table, 4 * k);
    mini_stream_ = ReadChain(entries_[0].start, entries_[0].size, false);
  }
}

std::vector<uint32_t> CompoundFile::Chain(uint32_t start,
                                          const std::vector<uint32_t>& table) const {
  std::vector<uint32_t> chain;
  uint32_t s = start;
  while (s != kEndOfChain) {
    if (s >= table.size() || chain.size() >= table.size()) Corrupt("扇区链无效");
    chain.push_back(s);
    s = table[s];
  }
  return chain;
}

std::string CompoundFile::ReadChain(uint32_t start, uint64_t size, bool mini) const {
  const std::vector<uint32_t> chain = Chain(start, mini ? mini_fat_ : fat_);
  const uint32_t unit = mini ? kMiniSectorSize : sector_size_;
  const uint64_t available = static_cast<uint64_t>(chain.size()) * unit;
  if (size != UINT64_MAX && size > available) Corrupt("数据流被截断");
  const uint64_t wanted = size == UINT64_MAX ? available : size;
  std::string out;
  out.reserve(static_cast<size_t>(wanted));
  for (uint32_t s : chain) {
    if (out.size() >= wanted) break;
    const size_t take = static_cast<size_t>(std::min<uint64_t>(unit, wanted - out.size()));
    if (mini) {
      const uint64_t at = static_cast<uint64_t>(s) * kMiniSectorSize;
      if (at + take > mini_stream_.size()) Corrupt("小数据流被截断");
      out.append(mini_stream_, static_cast<size_t>(at), take);
    } else {
      if (s >= sector_count_) Corrupt("扇区位置超出文件");
      const uint64_t at = static_cast<uint64_t>(s + 1) * sector_size_;
      const std::string_view present = bytes_.substr(static_cast<size_t>(at), take);
      out.append(present);
      out.append(take - present.size(), '\0');
    }
  }
  return out;
}

const CompoundFile::Entry* CompoundFile::Find(std::string_view name) const {
  for (uint32_t i : root_children_) {
    const Entry& e = entries_[i];
    if (e.type != kTypeStream || e.name.size() != name.size()) continue;
    bool same = true;
    for (size_t k = 0; k < name.size() && same; ++k) {
      char c = name[k];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
      same = e.name[k] == c;
    }
    if (same) return &e;
  }
  return nullptr;
}

bool CompoundFile::HasStream(std::string_view name) const { return Find(name) != nullptr; }

std::optional<std::string> CompoundFile::ReadStream(std::string_view name) const {
  const Entry* e = Find(name);
  if (e == nullptr) return std::nullopt;
  if (e->size > bytes_.size()) Corrupt("数据流大小无效");
  return ReadChain(e->start, e->size, e->size < mini_cutoff_);
}

std::optional<std::string> CompoundFile::WithStreams(
    const std::map<std::string, std::string>& replaced) const {
  if (sector_size_ != 512) return std::nullopt;
  constexpr uint32_t kSector = 512;
  constexpr uint32_t kFatSector = 0xFFFFFFFD;
  constexpr uint32_t kFree = 0xFFFFFFFF;
  constexpr uint32_t kCutoff = 4096;
  // Every stream's bytes, in directory order.
  const size_t count = entries_.size();
  std::vector<std::string> data(count);
  for (size_t i = 1; i < count; ++i) {
    const Entry& e = entries_[i];
    if (e.type != kTypeStream) continue;
    const auto it = replaced.find(e.exact);
    const bool at_root = std::find(root_children_.begin(), root_children_.end(), i) != root_children_.end();
    if (it != replaced.end() && at_root) {
      data[i] = it->second;
    } else {
      if (e.size > bytes_.size()) Corrupt("数据流大小无效");
      data[i] = ReadChain(e.start, e.size, e.size < mini_cutoff_);
    }
  }
  // Small streams go to the mini stream in 64-byte units, the others to sectors of their own.
  std::string mini;
  std::vector<uint32_t> mini_fat;
  std::vector<uint32_t> start(count, kEndOfChain);
  std::vector<std::pair<size_t, uint32_t>> big;  // entry, first sector
  uint32_t sectors = 0;
  const auto units = [](uint64_t size, uint32_t unit) { return static_cast<uint32_t>((size + unit - 1) / unit); };
  for (size_t i = 1; i < count; ++i) {
    if (entries_[i].type != kTypeStream || data[i].empty()) continue;
    if (data[i].size() < kCutoff) {
      const uint32_t first = static_cast<uint32_t>(mini_fat.size());
      const uint32_t n = units(data[i].size(), kMiniSectorSize);
      for (uint32_t k = 0; k < n; ++k) mini_fat.push_back(k + 1 < n ? first + k + 1 : kEndOfChain);
      start[i] = first;
      mini += data[i];
      mini.resize(static_cast<size_t>(mini_fat.size()) * kMiniSectorSize, '\0');
    } else {
      start[i] = sectors;
      big.emplace_back(i, sectors);
      sectors += units(data[i].size(), kSector);
    }
  }
  const uint32_t mini_first = mini.empty() ? kEndOfChain : sectors;
  const uint32_t mini_sectors = units(mini.size(), kSector);
  sectors += mini_sectors;
  const uint32_t mini_fat_first = mini_fat.empty() ? kEndOfChain : sectors;
  const uint32_t mini_fat_sectors = units(mini_fat.size() * 4, kSector);
  sectors += mini_fat_sectors;
  const uint32_t dir_first = sectors;
  const uint32_t dir_sectors = units(directory_.size(), kSector);
  sectors += dir_sectors;
  uint32_t fat_sectors = 1;
  while (static_cast<uint64_t>(fat_sectors) * (kSector / 4) < sectors + fat_sectors) ++fat_sectors;
  if (fat_sectors > kHeaderDifatEntries) return std::nullopt;
  const uint32_t fat_first = sectors;
  sectors += fat_sectors;

  std::vector<uint32_t> fat(static_cast<size_t>(fat_sectors) * (kSector / 4), kFree);
  const auto chain = [&fat](uint32_t first, uint32_t n) {
    for (uint32_t k = 0; k < n; ++k) fat[first + k] = k + 1 < n ? first + k + 1 : kEndOfChain;
  };
  for (const auto& [i, first] : big) chain(first, units(data[i].size(), kSector));
  if (mini_sectors) chain(mini_first, mini_sectors);
  if (mini_fat_sectors) chain(mini_fat_first, mini_fat_sectors);
  chain(dir_first, dir_sectors);
  for (uint32_t k = 0; k < fat_sectors; ++k) fat[fat_first + k] = kFatSector;

  std::string out(kSector + static_cast<size_t>(sectors) * kSector, '\0');
  const auto sector = [](uint32_t s) { return kSector + static_cast<size_t>(s) * kSector; };
  // The header: the original's first part (signature, class id, versions, byte order, sizes),
  // then the new places.
  std::memcpy(out.data(), bytes_.data(), header::kFatSectors);
  WriteLe32(out, header::kFatSectors, fat_sectors);
  WriteLe32(out, header::kDirectoryStart, dir_first);
  WriteLe32(out, header::kTransaction, 0);
  WriteLe32(out, header::kMiniCutoff, kCutoff);
  WriteLe32(out, header::kMiniFatStart, mini_fat_first);
  WriteLe32(out, header::kMiniFatSectors, mini_fat_sectors);
  WriteLe32(out, header::kDifatStart, kEndOfChain);
  WriteLe32(out, header::kDifatSectors, 0);
  for (size_t k = 0; k < kHeaderDifatEntries; ++k) {
    WriteLe32(out, header::kDifat + 4 * k, k < fat_sectors ? fat_first + static_cast<uint32_t>(k) : kFree);
  }
  for (const auto& [i, first] : big) out.replace(sector(first), data[i].size(), data[i]);
  if (!mini.empty()) out.replace(sector(mini_first), mini.size(), mini);
  for (size_t k = 0; k < mini_fat.size(); ++k) WriteLe32(out, sector(mini_fat_first) + 4 * k, mini_fat[k]);
  std::string directory = directory_;
  for (size_t i = 0; i < count; ++i) {
    const size_t e = i * entry::kSize;
    uint32_t first = 0;
    uint64_t size = 0;
    if (i == 0) {
      first = mini_first;
      size = mini.size();
    } else if (entries_[i].type == kTypeStream) {
      first = start[i];
      size = data[i].size();
    } else {
      continue;
    }
    WriteLe32(directory, e + entry::kStart, first);
    WriteLe64(directory, e + entry::kStreamSize, size);
  }
  out.replace(sector(dir_first), directory.size(), directory);
  // Unused entries of the directory's last sector.
  for (size_t at = directory.size(); at < static_cast<size_t>(dir_sectors) * kSector; at += entry::kSize) {
    for (size_t k : {entry::kLeft, entry::kRight, entry::kChild}) WriteLe32(out, sector(dir_first) + at + k, kNoStream);
  }
  for (size_t k = 0; k < fat.size(); ++k) WriteLe32(out, sector(fat_first) + 4 * k, fat[k]);
  return out;
}

}  // namespace vexlo::engine
