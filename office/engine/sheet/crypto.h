// The hashes and ciphers that protected workbooks use, taken from libgcrypt: MD5, SHA-1 and the
// SHA-2 family, AES (ECB and CBC, decryption) and RC4. Byte strings in and out; the workbook
// decryption builds its key derivations on these. Convention: CheckAvailable returns Status
// (status.h); once it is ok, the others cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_CRYPTO_H_
#define VEXLO_OFFICE_ENGINE_SHEET_CRYPTO_H_

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "office/engine/package/status.h"

namespace vexlo::engine::sheet::crypto {

// Ok when the system's libgcrypt gives every hash and cipher below (a system in FIPS mode
// refuses MD5 and RC4); otherwise why not. Asked before decrypting: where it fails, a hash is
// empty and an RC4 stream changes nothing, which no verifier matches.
Status CheckAvailable();

enum class HashKind { kMd5, kSha1, kSha256, kSha384, kSha512 };

// The hash named as the protected files name it ("SHA512", "SHA-1", ...), or nullopt.
std::optional<HashKind> HashByName(std::string_view name);
size_t HashSize(HashKind kind);

// The hash of the pieces joined.
std::string Hash(HashKind kind, std::initializer_list<std::string_view> pieces);

// A 32-bit number as four little-endian bytes (block and iteration numbers in key derivations).
std::string LittleEndian32(uint32_t value);

// AES decryption of whole 16-byte blocks; false when the key length is not 16, 24 or 32 bytes
// or the data is not a multiple of the block. `iv` (CBC) is 16 bytes.
bool AesEcbDecrypt(std::string_view key, std::string& data);
bool AesCbcDecrypt(std::string_view key, std::string_view iv, std::string& data);

// An RC4 key stream: Apply XORs the next bytes of the stream into `data`.
class Rc4 {
 public:
  explicit Rc4(std::string_view key);
  ~Rc4();
  Rc4(const Rc4&) = delete;
  Rc4& operator=(const Rc4&) = delete;
  void Apply(char* data, size_t size);
  void Apply(std::string& data) { Apply(data.data(), data.size()); }

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
};

// The password as the files hash it: UTF-16LE without a terminator.
std::string Utf16Password(std::u16string_view password);

}  // namespace vexlo::engine::sheet::crypto

#endif  // VEXLO_OFFICE_ENGINE_SHEET_CRYPTO_H_
