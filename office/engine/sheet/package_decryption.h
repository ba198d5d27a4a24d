// Opens the package of a protected .xlsx: a compound file whose "EncryptionInfo" stream says how
// the "EncryptedPackage" stream was encrypted, with AES under a key derived from a password
// (the standard method with SHA-1 and ECB, or the agile one described in XML, with CBC and the
// hash it names). Only the default password is tried: a file protected against changes opens,
// one that needs a password of its own is refused with a message that says so.
// Convention: raises app::RuntimeError (File or Format) naming the file: a reader reached from the
// servers' entry points.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_PACKAGE_DECRYPTION_H_
#define VEXLO_OFFICE_ENGINE_SHEET_PACKAGE_DECRYPTION_H_

#include <string>
#include <string_view>

namespace vexlo::engine::sheet {

// The zip package held in `package` (the EncryptedPackage stream). Raises
// app::RuntimeError::Format naming `display_name` when it cannot be opened.
std::string DecryptPackage(std::string_view info, std::string_view package,
                           const std::string& display_name);

// Agile encryption repeats its hash this many times at most; a file asking for more is refused
// rather than keeping the reader busy for minutes.
inline constexpr uint32_t kMaxSpinCount = 10'000'000;

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_PACKAGE_DECRYPTION_H_
