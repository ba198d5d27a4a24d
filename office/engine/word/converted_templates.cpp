#include "office/engine/word/converted_templates.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include <QCryptographicHash>

#include "app/runtime_error.h"
#include "office/engine/package/atomic_file.h"
#include "office/engine/soffice/soffice.h"

namespace vexlo::engine::word {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kDigestLength = 64;
constexpr std::string_view kEntryExtension = ".docx";
constexpr std::string_view kNoteExtension = ".note";

bool IsDigest(std::string_view text) {
  return text.size() == kDigestLength &&
         text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// The digest of the bytes that an entry named "<key>.<digest>.docx" holds; "" for other names
// (an entry of an older layout, which carries no digest and cannot be checked).
std::string_view DigestInName(std::string_view name) {
  if (name.size() != 2 * kDigestLength + 1 + kEntryExtension.size() ||
      !name.ends_with(kEntryExtension) || name[kDigestLength] != '.') {
    return {};
  }
  const std::string_view key = name.substr(0, kDigestLength);
  const std::string_view digest = name.substr(kDigestLength + 1, kDigestLength);
  return IsDigest(key) && IsDigest(digest) ? digest : std::string_view();
}

std::optional<std::string> ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  if (in.bad()) return std::nullopt;
  return bytes;
}

// The note kept beside the entry at `entry`.
fs::path NotePath(const fs::path& entry) {
  fs::path note = entry;
  return note.replace_extension(kNoteExtension);
}

// Removes an entry with its note (or any other file of ours).
void Remove(const fs::path& path) {
  std::error_code ec;
  fs::remove(path, ec);
  if (path.extension() == kEntryExtension) fs::remove(NotePath(path), ec);
}

struct EntryFile {
  fs::path path;
  std::uintmax_t size = 0;
  fs::file_time_type used;
};

}  // namespace

std::string ContentDigest(std::string_view bytes) {
  return QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())),
                                  QCryptographicHash::Sha256)
      .toHex()
      .toStdString();
}

ConvertedTemplates::ConvertedTemplates(std::string folder, ConvertedTemplatesLimits limits)
    : folder_(std::move(folder)), limits_(limits) {}

std::optional<std::string> ConvertedTemplates::ReadEntry(const std::string& path) {
  const std::string name = fs::path(path).filename().string();
  const std::string_view digest = DigestInName(name);
  std::optional<std::string> bytes = ReadWhole(path);
  if (!bytes) return std::nullopt;
  if (digest.empty() || ContentDigest(*bytes) != digest) {
    Remove(path);
    return std::nullopt;
  }
  return bytes;
}

std::optional<std::string> ConvertedTemplates::Find(const std::string& key) const {
  std::error_code ec;
  std::vector<fs::path> candidates;
  for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with(key + ".") && name.ends_with(kEntryExtension)) {
      candidates.push_back(it->path());
    }
  }
  for (const fs::path& candidate : candidates) {
    if (!ReadEntry(candidate.string())) continue;
    // Marked as used, so that trimming takes the entries used longest ago.
    fs::last_write_time(candidate, fs::file_time_type::clock::now(), ec);
    return candidate.string();
  }
  return std::nullopt;
}

std::string ConvertedTemplates::Store(const std::string& key, std::string_view docx) const {
  std::error_code ec;
  fs::create_directories(folder_, ec);
  const std::string path = folder_ + "/" + key + "." + ContentDigest(docx) + std::string(kEntryExtension);
  WriteFileAtomically(path, docx);
  // One entry per template content: an entry it replaces (a repaired conversion) goes.
  for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with(key + ".") && name.ends_with(kEntryExtension) && it->path() != fs::path(path)) {
      Remove(it->path());
    }
  }
  Trim(path);
  return path;
}

std::optional<std::string> ConvertedTemplates::ReadNote(const std::string& entry_path) {
  return ReadWhole(NotePath(entry_path).string());
}

void ConvertedTemplates::WriteNote(const std::string& entry_path, std::string_view note) {
  try {
    WriteFileAtomically(NotePath(entry_path).string(), note);
  } catch (const app::RuntimeError&) {
  }
}

void ConvertedTemplates::Trim(const std::string& keep) const {
  std::vector<EntryFile> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.ends_with(kNoteExtension) && !DigestInName(name.substr(0, name.size() - kNoteExtension.size()) +
                                                        std::string(kEntryExtension)).empty()) {
      // A note whose entry has gone goes too.
      if (!fs::exists(fs::path(folder_) / (name.substr(0, name.size() - kNoteExtension.size()) +
                                           std::string(kEntryExtension)), ec)) {
        Remove(it->path());
      }
      continue;
    }
    if (!name.ends_with(kEntryExtension) || !it->is_regular_file(ec)) continue;
    if (DigestInName(name).empty()) {
      // An older layout's entry ("<key>.docx") is never read again; any other file is not ours.
      const std::string_view stem = std::string_view(name).substr(0, name.size() - kEntryExtension.size());
      if (IsDigest(stem)) Remove(it->path());
      continue;
    }
    EntryFile entry{it->path(), it->file_size(ec), it->last_write_time(ec)};
    if (entry.path == fs::path(keep)) entry.used = fs::file_time_type::max();
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(),
            [](const EntryFile& a, const EntryFile& b) { return a.used > b.used; });
  std::uintmax_t bytes = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    bytes += entries[i].size;
    const bool within = i < limits_.max_entries && bytes <= limits_.max_bytes;
    if (!within && entries[i].path != fs::path(keep)) Remove(entries[i].path);
  }
}

ConvertedTemplates UserConvertedTemplates() { return ConvertedTemplates(DefaultProfileRoot() + "/templates"); }

}  // namespace vexlo::engine::word
