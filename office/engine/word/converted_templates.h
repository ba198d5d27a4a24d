// The templates that LibreOffice converted to .docx, kept in a folder of the user's cache so that
// a template is converted once per content. An entry's name holds the digest of the template's
// content (its key) and the digest of the entry's own bytes; every read checks the latter, so an
// entry changed, swapped or cut short after it was written is removed and the template is
// converted again instead of being used or blamed on the user's template. The folder is bounded:
// beyond its limits the entries used longest ago go. Entries are written atomically. Any thread;
// several processes may share the folder.
#ifndef VEXLO_OFFICE_ENGINE_WORD_CONVERTED_TEMPLATES_H_
#define VEXLO_OFFICE_ENGINE_WORD_CONVERTED_TEMPLATES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexlo::engine::word {

// The SHA-256 digest of `bytes` as 64 lower-case hex digits.
std::string ContentDigest(std::string_view bytes);

struct ConvertedTemplatesLimits {
  std::size_t max_entries = 100;
  std::uintmax_t max_bytes = 200ull << 20;
};

class ConvertedTemplates {
 public:
  explicit ConvertedTemplates(std::string folder, ConvertedTemplatesLimits limits = {});

  // The path of a sound entry for template content `key` (a ContentDigest), marked as just used;
  // nullopt when there is none. Damaged entries of the key are removed on the way.
  std::optional<std::string> Find(const std::string& key) const;

  // Stores `docx` as the entry of `key` (in place of any other entry of it), then trims the
  // folder to its limits (the new entry stays). Returns the entry's path. Raises
  // app::RuntimeError::File when it cannot be written.
  std::string Store(const std::string& key, std::string_view docx) const;

  // A short note kept beside the entry at `entry_path` (what proving the entry found), going
  // with it; nullopt when there is none. Writing it is best effort: a note that could not be
  // written is made again next time.
  static std::optional<std::string> ReadNote(const std::string& entry_path);
  static void WriteNote(const std::string& entry_path, std::string_view note);

  // The bytes of the entry at `path` when they still match the digest in its name; nullopt (and
  // the entry removed) otherwise.
  static std::optional<std::string> ReadEntry(const std::string& path);

 private:
  void Trim(const std::string& keep) const;

  std::string folder_;
  ConvertedTemplatesLimits limits_;
};

// The user's cache of converted templates (~/.cache/vexlo/templates).
ConvertedTemplates UserConvertedTemplates();

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_CONVERTED_TEMPLATES_H_
