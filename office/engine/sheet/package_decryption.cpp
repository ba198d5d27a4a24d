#include "office/engine/sheet/package_decryption.h"

#include <pugixml.hpp>

#include <cstring>
#include <optional>

#include "office/engine/package/little_endian.h"
#include "office/engine/sheet/crypto.h"
#include "office/engine/sheet/encryption_records.h"
#include "office/engine/sheet/workbook_protection.h"

namespace vexlo::engine::sheet {
namespace {

using crypto::HashKind;

constexpr size_t kAgileSegment = 4096;
constexpr uint32_t kStandardSpinCount = 50000;

constexpr auto& U32 = ReadLe32;
constexpr auto& U64 = ReadLe64;

// Base64 as the agile XML carries its salts and keys; nullopt on anything else.
std::optional<std::string> Base64(std::string_view text) {
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    int v;
    if (c >= 'A' && c <= 'Z') v = c - 'A';
    else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
    else if (c >= '0' && c <= '9') v = c - '0' + 52;
    else if (c == '+') v = 62;
    else if (c == '/') v = 63;
    else if (c == '=' || c == ' ' || c == '\r' || c == '\n' || c == '\t') continue;
    else return std::nullopt;
    bits = (bits << 6) | static_cast<uint32_t>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

// `bytes` cut or padded with `pad` to `size` (keys and IVs of the agile method).
std::string Fit(std::string bytes, size_t size, char pad) {
  bytes.resize(size, pad);
  return bytes;
}

// The password hash repeated `spins` times: H0 = H(salt + password), Hn = H(n-1 + Hn-1).
std::string SpunHash(HashKind kind, std::string_view salt, uint32_t spins) {
  std::string h = crypto::Hash(kind, {salt, crypto::Utf16Password(kDefaultPassword)});
  for (uint32_t i = 0; i < spins; ++i) h = crypto::Hash(kind, {crypto::LittleEndian32(i), h});
  return h;
}

class Decryptor {
 public:
  Decryptor(std::string_view info, std::string_view package, const std::string& display_name)
      : info_(info), package_(package), name_(display_name) {}

  std::string Run() {
    if (info_.size() < encryption_info::kHeaderSize || package_.size() < encrypted_package::kData) Corrupt();
    const uint16_t major = ReadLe16(info_, encryption_info::kMajor);
    const uint16_t minor = ReadLe16(info_, encryption_info::kMinor);
    if (major == 4 && minor == 4) return Agile();
    if (major >= 2 && major <= 4 && minor == 2) return Standard();
    RefuseEncryption(name_, "加密方式不受支持");
  }

 private:
  [[noreturn]] void Corrupt() const { RefuseEncryption(name_, "加密信息已损坏"); }

  // The declared size of the package and its encrypted bytes.
  uint64_t PlainSize() const {
    const uint64_t size = U64(package_, encrypted_package::kPlainSize);
    if (size > package_.size() - encrypted_package::kData) Corrupt();
    return size;
  }

  std::string Standard() {
    using namespace encryption_info;
    if (info_.size() < kHeader) Corrupt();
    const uint32_t header_size = U32(info_, kHeaderSize);
    if (header_size < encryption_header::kMinSize || header_size > info_.size() - kHeader) Corrupt();
    const std::string_view header = info_.substr(kHeader, header_size);
    const uint32_t alg = U32(header, encryption_header::kAlgorithm);
    const uint32_t key_bits = U32(header, encryption_header::kKeyBits);
    const bool aes = alg == 0x660E || alg == 0x660F || alg == 0x6610 ||
                     (alg == 0 && (U32(header, encryption_header::kFlags) & encryption_header::kFlagAes));
    if (!aes) RefuseEncryption(name_, "加密方式不受支持");
    if (key_bits != 128 && key_bits != 192 && key_bits != 256) Corrupt();
    using namespace encryption_verifier;
    const std::string_view verifier = info_.substr(kHeader + header_size);
    constexpr std::size_t kHashBytes = 32;  // SHA-1 padded to AES blocks
    if (verifier.size() < MinSize(kHashBytes) || U32(verifier, kSaltSize) != kSaltBytes) Corrupt();
    const std::string_view salt = verifier.substr(kSalt, kSaltBytes);

    const std::string h = SpunHash(HashKind::kSha1, salt, kStandardSpinCount);
    const std::string final_hash = crypto::Hash(HashKind::kSha1, {h, crypto::LittleEndian32(0)});
    std::string inner(64, '\x36'), outer(64, '\x5C');
    for (size_t i = 0; i < final_hash.size(); ++i) {
      inner[i] = static_cast<char>(inner[i] ^ final_hash[i]);
      outer[i] = static_cast<char>(outer[i] ^ final_hash[i]);
    }
    const std::string key = (crypto::Hash(HashKind::kSha1, {inner}) +
                             crypto::Hash(HashKind::kSha1, {outer})).substr(0, key_bits / 8);

    std::string check(verifier.substr(kVerifier, kVerifierBytes));
    std::string check_hash(verifier.substr(kHash, kHashBytes));
    if (!crypto::AesEcbDecrypt(key, check) || !crypto::AesEcbDecrypt(key, check_hash)) Corrupt();
    if (crypto::Hash(HashKind::kSha1, {check}) != check_hash.substr(0, 20)) {
      RefusePasswordProtected(name_);
    }
    const uint64_t size = PlainSize();
    const std::size_t data = encrypted_package::kData;
    std::string plain(package_.substr(data, (package_.size() - data) / 16 * 16));
    if (plain.size() < size || !crypto::AesEcbDecrypt(key, plain)) Corrupt();
    plain.resize(size);
    return plain;
  }

  // The attributes of the agile method's key data or password key encryptor.
  struct Parameters {
    HashKind hash = HashKind::kSha1;
    size_t hash_size = 0;
    size_t key_bytes = 0;
    size_t block_size = 0;
    size_t salt_size = 0;
    std::string salt;
  };

  Parameters ReadParameters(const pugi::xml_node& node) const {
    Parameters p;
    const auto hash = crypto::HashByName(node.attribute("hashAlgorithm").value());
    if (!hash) RefuseEncryption(name_, "加密方式不受支持");
    if (std::string_view(node.attribute("cipherAlgorithm").value()) != "AES" ||
        std::string_view(node.attribute("cipherChaining").value()) != "ChainingModeCBC") {
      RefuseEncryption(name_, "加密方式不受支持");
    }
    p.hash = *hash;
    p.hash_size = crypto::HashSize(*hash);
    p.key_bytes = node.attribute("keyBits").as_uint() / 8;
    p.block_size = node.attribute("blockSize").as_uint();
    p.salt_size = node.attribute("saltSize").as_uint();
    const auto salt = Base64(node.attribute("saltValue").value());
    if (!salt || salt->empty() || p.block_size != 16) Corrupt();
    if (p.key_bytes != 16 && p.key_bytes != 24 && p.key_bytes != 32) Corrupt();
    p.salt = *salt;
    return p;
  }

  // A value of the password key encryptor, decrypted with the key made for `block`.
  std::string PasswordValue(const Parameters& p, std::string_view spun, const char* block,
                            const pugi::xml_node& node, const char* attribute) const {
    const std::string block_key(block, 8);
    const std::string key = Fit(crypto::Hash(p.hash, {spun, block_key}), p.key_bytes, '\x36');
    auto value = Base64(node.attribute(attribute).value());
    if (!value || value->empty() ||
        !crypto::AesCbcDecrypt(key, Fit(p.salt, p.block_size, '\x36'), *value)) {
      Corrupt();
    }
    return *value;
  }

  std::string Agile() {
    pugi::xml_document doc;
    const std::string_view xml = info_.substr(encryption_info::kAgileXml);
    if (!doc.load_buffer(xml.data(), xml.size())) Corrupt();
    const pugi::xml_node root = doc.document_element();
    const pugi::xml_node key_data = LocalChild(root, "keyData");
    pugi::xml_node encrypted_key;
    for (pugi::xml_node e : LocalChild(root, "keyEncryptors").children()) {
      if (std::string_view(e.attribute("uri").value()).ends_with("/password")) {
        encrypted_key = LocalChild(e, "encryptedKey");
      }
    }
    if (!key_data || !encrypted_key) RefuseEncryption(name_, "加密方式不受支持");
    const Parameters data = ReadParameters(key_data);
    const Parameters password = ReadParameters(encrypted_key);
    const uint32_t spins = encrypted_key.attribute("spinCount").as_uint();
    if (spins > kMaxSpinCount) Corrupt();

    const std::string spun = SpunHash(password.hash, password.salt, spins);
    std::string input = PasswordValue(password, spun, "\xfe\xa7\xd2\x76\x3b\x4b\x9e\x79",
                                      encrypted_key, "encryptedVerifierHashInput");
    std::string value = PasswordValue(password, spun, "\xd7\xaa\x0f\x6d\x30\x61\x34\x4e",
                                      encrypted_key, "encryptedVerifierHashValue");
    input.resize(std::min(input.size(), password.salt_size));
    if (value.size() < password.hash_size ||
        crypto::Hash(password.hash, {input}) != value.substr(0, password.hash_size)) {
      RefusePasswordProtected(name_);
    }
    std::string secret = PasswordValue(password, spun, "\x14\x6e\x0b\xe7\xab\xac\xd0\xd6",
                                       encrypted_key, "encryptedKeyValue");
    if (secret.size() < data.key_bytes) Corrupt();
    secret.resize(data.key_bytes);
    return AgilePackage(data, secret);
  }

  // The package in segments of 4096 bytes, each with an IV from the key data's salt and its number.
  std::string AgilePackage(const Parameters& data, std::string_view secret) const {
    const uint64_t size = PlainSize();
    const std::string_view encrypted = package_.substr(encrypted_package::kData);
    std::string plain;
    plain.reserve(size + kAgileSegment);
    for (uint32_t i = 0; static_cast<uint64_t>(i) * kAgileSegment < size; ++i) {
      std::string segment(encrypted.substr(i * kAgileSegment, kAgileSegment));
      segment.resize(segment.size() / 16 * 16);
      const std::string iv = Fit(crypto::Hash(data.hash, {data.salt, crypto::LittleEndian32(i)}),
                                 data.block_size, '\x36');
      if (segment.empty() || !crypto::AesCbcDecrypt(secret, iv, segment)) Corrupt();
      plain += segment;
    }
    if (plain.size() < size) Corrupt();
    plain.resize(size);
    return plain;
  }

  static pugi::xml_node LocalChild(const pugi::xml_node& parent, std::string_view local) {
    for (pugi::xml_node n : parent.children()) {
      const char* colon = std::strchr(n.name(), ':');
      if ((colon ? std::string_view(colon + 1) : std::string_view(n.name())) == local) return n;
    }
    return {};
  }

  std::string_view info_;
  std::string_view package_;
  const std::string& name_;
};

}  // namespace

std::string DecryptPackage(std::string_view info, std::string_view package,
                           const std::string& display_name) {
  return Decryptor(info, package, display_name).Run();
}

}  // namespace vexlo::engine::sheet
