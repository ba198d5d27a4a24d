// The records of standard (CryptoAPI) encryption that protected workbooks hold, in a .xls's
// FILEPASS record and in the EncryptionInfo stream of an encrypted .xlsx alike: the encryption
// header and the verifier that follows it. Their offsets are named here once; all numbers are
// little-endian.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_ENCRYPTION_RECORDS_H_
#define VEXLO_OFFICE_ENGINE_SHEET_ENCRYPTION_RECORDS_H_

#include <cstddef>
#include <cstdint>

namespace vexlo::engine::sheet {

// The EncryptionInfo stream of an encrypted .xlsx: its version, then (standard encryption) the
// size of the header, the header and the verifier.
namespace encryption_info {
constexpr std::size_t kMajor = 0;  // 16-bit
constexpr std::size_t kMinor = 2;  // 16-bit
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kHeader = 12;
constexpr std::size_t kAgileXml = 8;  // agile encryption: an XML description from here
}  // namespace encryption_info

// The EncryptedPackage stream: the size of the plain package (64-bit), then the cipher text.
namespace encrypted_package {
constexpr std::size_t kPlainSize = 0;
constexpr std::size_t kData = 8;
}  // namespace encrypted_package

// The encryption header: flags, the cipher and the key size.
namespace encryption_header {
constexpr std::size_t kFlags = 0;
constexpr std::size_t kAlgorithm = 8;
constexpr std::size_t kKeyBits = 16;  // 0 stands for 40 in RC4
constexpr std::size_t kMinSize = 32;
constexpr std::uint32_t kFlagAes = 0x20;
}  // namespace encryption_header

// The verifier: a salt, an encrypted random block and the encrypted hash of that block.
namespace encryption_verifier {
constexpr std::size_t kSaltSize = 0;  // 16
constexpr std::size_t kSalt = 4;
constexpr std::size_t kVerifier = 20;
constexpr std::size_t kHash = 40;
constexpr std::uint32_t kSaltBytes = 16;
constexpr std::size_t kVerifierBytes = 16;
constexpr std::size_t MinSize(std::size_t hash_bytes) { return kHash + hash_bytes; }
}  // namespace encryption_verifier

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_ENCRYPTION_RECORDS_H_
