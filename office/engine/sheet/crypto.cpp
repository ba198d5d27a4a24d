#include "office/engine/sheet/crypto.h"

#include <gcrypt.h>

#include <cstring>
#include <stdexcept>

#include "office/engine/package/little_endian.h"

namespace vexlo::engine::sheet::crypto {
namespace {

// libgcrypt wants its version check once before first use; no secure memory is needed, the
// only secret is the well-known default password.
void EnsureInitialized() {
  static const bool ready = [] {
    if (!gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P)) {
      gcry_check_version(nullptr);
      gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
      gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    }
    return true;
  }();
  (void)ready;
}

int Algorithm(HashKind kind) {
  switch (kind) {
    case HashKind::kMd5:
      return GCRY_MD_MD5;
    case HashKind::kSha1:
      return GCRY_MD_SHA1;
    case HashKind::kSha256:
      return GCRY_MD_SHA256;
    case HashKind::kSha384:
      return GCRY_MD_SHA384;
    case HashKind::kSha512:
      return GCRY_MD_SHA512;
  }
  return GCRY_MD_SHA1;
}

int AesAlgorithm(size_t key_size) {
  switch (key_size) {
    case 16:
      return GCRY_CIPHER_AES128;
    case 24:
      return GCRY_CIPHER_AES192;
    case 32:
      return GCRY_CIPHER_AES256;
    default:
      return 0;
  }
}

bool AesDecrypt(std::string_view key, std::string_view iv, int mode, std::string& data) {
  EnsureInitialized();
  const int algorithm = AesAlgorithm(key.size());
  if (algorithm == 0 || data.size() % 16 != 0) return false;
  gcry_cipher_hd_t handle = nullptr;
  if (gcry_cipher_open(&handle, algorithm, mode, 0) != 0) return false;
  bool ok = gcry_cipher_setkey(handle, key.data(), key.size()) == 0;
  if (ok && mode == GCRY_CIPHER_MODE_CBC) ok = gcry_cipher_setiv(handle, iv.data(), iv.size()) == 0;
  if (ok && !data.empty()) ok = gcry_cipher_decrypt(handle, data.data(), data.size(), nullptr, 0) == 0;
  gcry_cipher_close(handle);
  return ok;
}

}  // namespace

std::optional<HashKind> HashByName(std::string_view name) {
  std::string folded;
  for (char c : name) {
    if (c != '-') folded += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  if (folded == "SHA1") return HashKind::kSha1;
  if (folded == "SHA256") return HashKind::kSha256;
  if (folded == "SHA384") return HashKind::kSha384;
  if (folded == "SHA512") return HashKind::kSha512;
  if (folded == "MD5") return HashKind::kMd5;
  return std::nullopt;
}

size_t HashSize(HashKind kind) { return gcry_md_get_algo_dlen(Algorithm(kind)); }

std::string Hash(HashKind kind, std::initializer_list<std::string_view> pieces) {
  EnsureInitialized();
  gcry_md_hd_t handle = nullptr;
  if (gcry_md_open(&handle, Algorithm(kind), 0) != 0) throw std::runtime_error("gcry_md_open");
  for (std::string_view piece : pieces) gcry_md_write(handle, piece.data(), piece.size());
  const auto* digest = reinterpret_cast<const char*>(gcry_md_read(handle, 0));
  std::string out(digest, HashSize(kind));
  gcry_md_close(handle);
  return out;
}

std::string LittleEndian32(uint32_t value) {
  std::string out;
  AppendLe32(out, value);
  return out;
}

bool AesEcbDecrypt(std::string_view key, std::string& data) {
  return AesDecrypt(key, {}, GCRY_CIPHER_MODE_ECB, data);
}

bool AesCbcDecrypt(std::string_view key, std::string_view iv, std::string& data) {
  if (iv.size() != 16) return false;
  return AesDecrypt(key, iv, GCRY_CIPHER_MODE_CBC, data);
}

struct Rc4::Handle {
  gcry_cipher_hd_t cipher = nullptr;
};

Rc4::Rc4(std::string_view key) : handle_(std::make_unique<Handle>()) {
  EnsureInitialized();
  if (gcry_cipher_open(&handle_->cipher, GCRY_CIPHER_ARCFOUR, GCRY_CIPHER_MODE_STREAM, 0) != 0 ||
      gcry_cipher_setkey(handle_->cipher, key.data(), key.size()) != 0) {
    throw std::runtime_error("RC4 key");
  }
}

Rc4::~Rc4() {
  if (handle_->cipher) gcry_cipher_close(handle_->cipher);
}

void Rc4::Apply(char* data, size_t size) {
  if (size > 0) gcry_cipher_encrypt(handle_->cipher, data, size, nullptr, 0);
}

std::string Utf16Password(std::u16string_view password) {
  std::string out;
  for (char16_t c : password) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

}  // namespace vexlo::engine::sheet::crypto
