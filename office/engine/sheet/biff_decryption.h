// Decrypts a BIFF8 workbook stream protected with RC4 (its FILEPASS record names RC4 with MD5
// key derivation, or RC4 through CryptoAPI with SHA-1) under the default password. Record
// headers stay as they are, so do the records that are never encrypted (BOF, FILEPASS and the
// like) and the stream position that opens each BOUNDSHEET record; the key stream is keyed
// afresh every 1024 bytes of the stream and runs over the plain parts as well.
// Convention: raises app::RuntimeError (File or Format) naming the file: a reader reached from the
// servers' entry points.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_BIFF_DECRYPTION_H_
#define VEXLO_OFFICE_ENGINE_SHEET_BIFF_DECRYPTION_H_

#include <string>
#include <string_view>

namespace vexlo::engine::sheet {

// The stream with every record after the FILEPASS record (whose body is `filepass`, and which
// ends at `records_at`) decrypted. Raises app::RuntimeError::Format naming `display_name` when
// the file needs a password of its own or uses an encryption we do not read.
std::string DecryptBiffStream(std::string_view stream, size_t records_at, std::string_view filepass,
                              const std::string& display_name);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_BIFF_DECRYPTION_H_
