// ZipReader: read access to a zip package (.docx, .xlsx) with limits, so that a hostile file
// (zip bomb, absurd entry counts, lying sizes) fails with a clear error in bounded time and memory.
// Raises app::RuntimeError::Format naming the file. Not thread-safe; one reader per package.
// Convention: raises app::RuntimeError (File or Format) naming the file: a reader reached from the
// servers' entry points.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_ZIP_READER_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_ZIP_READER_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct zip;

namespace vexlo::engine {

struct ZipLimits {
  uint64_t max_entries = 20000;
  uint64_t max_entry_size = 256ull << 20;    // one inflated part
  uint64_t max_total_size = 1024ull << 20;   // everything read from one package
  uint64_t max_ratio = 1000;                 // inflated / compressed, for large entries
};

class ZipReader {
 public:
  // Opens the package at `path`, or the bytes in `data` (kept alive by the reader).
  // Raises RuntimeError::File when the file cannot be read, ::Format when it is not a zip.
  static std::unique_ptr<ZipReader> Open(const std::string& path, ZipLimits limits = {});
  static std::unique_ptr<ZipReader> FromBytes(std::string data, std::string display_name,
                                              ZipLimits limits = {});
  ~ZipReader();

  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // Entry names in the order of the central directory.
  const std::vector<std::string>& names() const { return names_; }
  bool Has(std::string_view name) const;
  // The inflated bytes of an entry, or nullopt when there is no such entry. Raises ::Format when
  // the entry is corrupt or breaks a limit.
  std::optional<std::string> Read(std::string_view name);
  // The entry's index in names() (the first of that name), or -1. Constant time: a package may
  // name thousands of parts, each looked up many times.
  int64_t IndexOf(std::string_view name) const;

  const std::string& display_name() const { return display_name_; }
  // The underlying libzip archive, for writers that copy entries without recompressing.
  zip* archive() const { return archive_; }

 private:
  ZipReader(zip* archive, std::string display_name, std::string data, ZipLimits limits);
  [[noreturn]] void Corrupt(std::string_view what) const;
  // Fills names_ from the central directory; refuses absurd entry counts.
  void ListEntries();

  zip* archive_;
  std::string display_name_;
  std::string data_;  // backing bytes for FromBytes
  ZipLimits limits_;
  std::vector<std::string> names_;
  std::unordered_map<std::string_view, size_t> index_;  // name -> first index in names_
  uint64_t total_read_ = 0;
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_ZIP_READER_H_
