#include "office/engine/sheet/biff_decryption.h"

#include <functional>
#include <memory>

#include "office/engine/package/little_endian.h"
#include "office/engine/sheet/biff_records.h"
#include "office/engine/sheet/crypto.h"
#include "office/engine/sheet/encryption_records.h"
#include "office/engine/sheet/workbook_protection.h"

namespace vexlo::engine::sheet {
namespace {

using crypto::HashKind;

constexpr size_t kBlockSize = 1024;

constexpr auto& U16 = ReadLe16;
constexpr auto& U32 = ReadLe32;

// Records whose bodies are never encrypted.
bool IsPlainRecord(uint16_t type) {
  switch (type) {
    case biff::kBof:
    case biff::kFilePass:
    case biff::kUsrExcl:
    case biff::kFileLock:
    case biff::kInterfaceHdr:
    case biff::kRrdInfo:
    case biff::kRrdHead:
      return true;
    default:
      return false;
  }
}

// The RC4 key of a block of the stream.
using BlockKey = std::function<std::string(uint32_t block)>;

// Checks the default password against the verifier and the hash of it that the file holds,
// both encrypted with the key of block 0.
bool VerifierMatches(const BlockKey& key, HashKind hash, std::string_view verifier,
                     std::string_view verifier_hash) {
  crypto::Rc4 rc4(key(0));
  std::string plain(verifier);
  std::string plain_hash(verifier_hash);
  rc4.Apply(plain);
  rc4.Apply(plain_hash);
  return crypto::Hash(hash, {plain}) == plain_hash.substr(0, crypto::HashSize(hash));
}

// RC4 with MD5: the password hash cut to 5 bytes, mixed 16 times with the salt.
BlockKey Md5Key(std::string_view salt) {
  const std::string h0 =
      crypto::Hash(HashKind::kMd5, {crypto::Utf16Password(kDefaultPassword)}).substr(0, 5);
  std::string mixed;
  for (int i = 0; i < 16; ++i) mixed += h0 + std::string(salt);
  const std::string h1 = crypto::Hash(HashKind::kMd5, {mixed}).substr(0, 5);
  return [h1](uint32_t block) {
    return crypto::Hash(HashKind::kMd5, {h1, crypto::LittleEndian32(block)});
  };
}

// RC4 through CryptoAPI: SHA-1 of salt and password, then of that and the block number, cut to
// the key size; a 40-bit key is padded with zeros to 128 bits.
BlockKey Sha1Key(std::string_view salt, size_t key_bytes) {
  const std::string h0 =
      crypto::Hash(HashKind::kSha1, {salt, crypto::Utf16Password(kDefaultPassword)});
  return [h0, key_bytes](uint32_t block) {
    std::string key = crypto::Hash(HashKind::kSha1, {h0, crypto::LittleEndian32(block)});
    key.resize(key_bytes);
    if (key_bytes == 5) key.resize(16, '\0');
    return key;
  };
}

class StreamDecryptor {
 public:
  StreamDecryptor(std::string_view stream, const std::string& name) : out_(stream), name_(name) {}

  std::string Run(size_t records_at, std::string_view filepass) {
    Apply(records_at, KeyFor(filepass));
    return std::move(out_);
  }

 private:
  BlockKey KeyFor(std::string_view filepass) const {
    using namespace biff::filepass;
    if (filepass.size() < kMinSize || U16(filepass, kKind) != kRc4) {
      RefuseEncryption(name_, "不支持这种加密方式");  // XOR obfuscation
    }
    const uint16_t major = U16(filepass, kMajor);
    if (major == 1) {
      if (filepass.size() < kMd5Size) RefuseEncryption(name_, "加密信息已损坏");
      BlockKey key = Md5Key(filepass.substr(kMd5Salt, 16));
      if (!VerifierMatches(key, HashKind::kMd5, filepass.substr(kMd5Verifier, 16),
                           filepass.substr(kMd5VerifierHash, 16))) {
        RefusePasswordProtected(name_);
      }
      return key;
    }
    if (major < 2 || major > 4 || filepass.size() < kCryptoHeader) RefuseEncryption(name_, "不支持这种加密方式");
    const uint32_t header_size = U32(filepass, kCryptoHeaderSize);
    if (header_size < encryption_header::kMinSize || header_size > filepass.size() - kCryptoHeader) {
      RefuseEncryption(name_, "加密信息已损坏");
    }
    const std::string_view header = filepass.substr(kCryptoHeader, header_size);
    const uint32_t stated_bits = U32(header, encryption_header::kKeyBits);
    const uint32_t key_bits = stated_bits == 0 ? 40 : stated_bits;
    if (key_bits < 40 || key_bits > 128 || key_bits % 8 != 0) RefuseEncryption(name_, "加密信息已损坏");
    using namespace encryption_verifier;
    const std::string_view verifier = filepass.substr(kCryptoHeader + header_size);
    constexpr std::size_t kHashBytes = 20;  // SHA-1
    if (verifier.size() < MinSize(kHashBytes) || U32(verifier, kSaltSize) != kSaltBytes) {
      RefuseEncryption(name_, "加密信息已损坏");
    }
    BlockKey key = Sha1Key(verifier.substr(kSalt, kSaltBytes), key_bits / 8);
    if (!VerifierMatches(key, HashKind::kSha1, verifier.substr(kVerifier, kVerifierBytes),
                         verifier.substr(kHash, kHashBytes))) {
      RefusePasswordProtected(name_);
    }
    return key;
  }

  // Decrypts the bodies of the records from `at` on, as far as the stream holds them.
  void Apply(size_t at, const BlockKey& key) {
    while (at + biff::kHeaderSize <= out_.size()) {
      const uint16_t type = U16(out_, at + biff::kTypeAt);
      const size_t body = at + biff::kHeaderSize;
      const size_t end = std::min(out_.size(), body + U16(out_, at + biff::kSizeAt));
      const size_t encrypted = type == biff::kBoundSheet ? body + biff::boundsheet::kPlainBytes : body;
      if (!IsPlainRecord(type)) XorKeyStream(encrypted, end, key);
      at = end;
    }
  }

  // XORs the key stream into [from, to); the stream's key belongs to the block of the position.
  void XorKeyStream(size_t from, size_t to, const BlockKey& key) {
    char skipped[kBlockSize];
    while (from < to) {
      const uint32_t block = static_cast<uint32_t>(from / kBlockSize);
      if (!rc4_ || block != block_) {
        rc4_ = std::make_unique<crypto::Rc4>(key(block));
        block_ = block;
        used_ = 0;
      }
      const size_t offset = from % kBlockSize;
      rc4_->Apply(skipped, offset - used_);
      const size_t n = std::min(to - from, kBlockSize - offset);
      rc4_->Apply(out_.data() + from, n);
      used_ = offset + n;
      from += n;
    }
  }

  std::string out_;
  const std::string& name_;
  std::unique_ptr<crypto::Rc4> rc4_;
  uint32_t block_ = 0;
  size_t used_ = 0;  // key stream bytes of the current block used or skipped
};

}  // namespace

std::string DecryptBiffStream(std::string_view stream, size_t records_at, std::string_view filepass,
                              const std::string& display_name) {
  return StreamDecryptor(stream, display_name).Run(records_at, filepass);
}

}  // namespace vexlo::engine::sheet
