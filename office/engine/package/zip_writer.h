// ZipWriter: builds a zip package in memory. Entries read raw from another package (RawEntry) are
// copied with their compressed bytes as they are, so unchanged parts are never recompressed;
// new parts are deflated here. No zip64: a package over 4 GB or 65535 entries raises
// app::RuntimeError::Output. Not thread-safe.
// Convention: raises app::RuntimeError when a package cannot be written.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_ZIP_WRITER_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_ZIP_WRITER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexlo::engine {

class ZipReader;

// One entry as stored in a package: its compressed bytes and what the central directory says.
struct RawEntry {
  std::string name;
  uint16_t method = 0;  // 0 stored, 8 deflated
  uint32_t crc = 0;
  uint64_t size = 0;    // inflated size
  std::string data;     // the stored (compressed) bytes
};

// Reads every file entry of `reader` raw, after checking that each one inflates to its declared
// size and checksum (libzip checks the CRC on a full read). Directories are skipped; entries in
// a method other than store/deflate are re-deflated. Raises RuntimeError::Format for encrypted,
// corrupt or duplicated entries. `inflated` receives the inflated bytes of each entry, in order.
// `package_size` (the size of the package file) bounds what an entry may claim to hold stored.
std::vector<RawEntry> ReadRawEntries(ZipReader& reader, uint64_t package_size,
                                     std::vector<std::string>* inflated);

// Deflates `data` into a RawEntry named `name` (level: zlib level, 1 = fastest).
RawEntry MakeEntry(std::string name, std::string_view data, int level = 1);

class ZipWriter {
 public:
  ZipWriter();
  void Add(const RawEntry& entry);
  // Deflates and adds.
  void Add(std::string_view name, std::string_view data, int level = 1);
  // The finished package bytes. The writer is empty afterwards.
  std::string Finish();

 private:
  struct Central {
    std::string name;
    uint16_t method;
    uint32_t crc;
    uint32_t csize;
    uint32_t size;
    uint32_t offset;
  };
  void AddParts(std::string_view name, uint16_t method, uint32_t crc, uint64_t size,
                std::string_view data);

  std::string out_;
  std::vector<Central> central_;
  uint16_t dos_time_ = 0;
  uint16_t dos_date_ = 0;
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_ZIP_WRITER_H_
