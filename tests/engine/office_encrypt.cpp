#include "tests/engine/office_encrypt.h"

#include <openssl/evp.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>

namespace enginetest {

namespace {

using Bytes = std::vector<uint8_t>;
constexpr size_t kPage = 4096;

Bytes Filled(size_t n, uint8_t seed) {
  Bytes b(n);
  for (size_t k = 0; k < n; ++k) b[k] = static_cast<uint8_t>(seed + 37 * k);
  return b;
}

Bytes Le32(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }
Bytes Cat(Bytes a, const Bytes& b) {
  Append(a, b);
  return a;
}

// UTF-8 to UTF-16LE, for characters of the Basic Multilingual Plane.
Bytes Utf16(const std::string& utf8) {
  Bytes out;
  for (size_t k = 0; k < utf8.size();) {
    const auto b = static_cast<uint8_t>(utf8[k]);
    uint32_t cp = b;
    size_t n = 1;
    if (b >= 0xE0) {
      cp = b & 0x0F;
      n = 3;
    } else if (b >= 0xC0) {
      cp = b & 0x1F;
      n = 2;
    }
    for (size_t j = 1; j < n; ++j) cp = (cp << 6) | (static_cast<uint8_t>(utf8[k + j]) & 0x3F);
    k += n;
    out.push_back(static_cast<uint8_t>(cp));
    out.push_back(static_cast<uint8_t>(cp >> 8));
  }
  return out;
}

const EVP_MD* Md(const std::string& name) {
  if (name == "SHA1") return EVP_sha1();
  if (name == "SHA256") return EVP_sha256();
  if (name == "SHA384") return EVP_sha384();
  if (name == "SHA512") return EVP_sha512();
  throw std::invalid_argument("hash " + name);
}

Bytes Digest(const EVP_MD* md, const Bytes& data) {
  Bytes out(static_cast<size_t>(EVP_MD_get_size(md)));
  unsigned int n = 0;
  if (EVP_Digest(data.data(), data.size(), out.data(), &n, md, nullptr) != 1)
    throw std::runtime_error("digest");
  return out;
}

Bytes Fit(Bytes b, size_t n, uint8_t pad) {
  b.resize(n, pad);
  return b;
}

Bytes Spun(const EVP_MD* md, const Bytes& salt, const Bytes& password, uint32_t spins) {
  Bytes h = Digest(md, Cat(salt, password));
  for (uint32_t n = 0; n < spins; ++n) h = Digest(md, Cat(Le32(n), h));
  return h;
}

// AES without padding, in place; ECB when `iv` is empty.
void AesEncrypt(const Bytes& key, const Bytes& iv, uint8_t* data, size_t length) {
  const bool cbc = !iv.empty();
  const EVP_CIPHER* c = nullptr;
  switch (key.size()) {
    case 16: c = cbc ? EVP_aes_128_cbc() : EVP_aes_128_ecb(); break;
    case 24: c = cbc ? EVP_aes_192_cbc() : EVP_aes_192_ecb(); break;
    case 32: c = cbc ? EVP_aes_256_cbc() : EVP_aes_256_ecb(); break;
    default: throw std::invalid_argument("AES key size");
  }
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  int n = 0;
  int tail = 0;
  const bool ok = EVP_EncryptInit_ex(ctx, c, nullptr, key.data(), cbc ? iv.data() : nullptr) == 1 &&
                  EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
                  EVP_EncryptUpdate(ctx, data, &n, data, static_cast<int>(length)) == 1 &&
                  EVP_EncryptFinal_ex(ctx, data + n, &tail) == 1;
  EVP_CIPHER_CTX_free(ctx);
  if (!ok) throw std::runtime_error("AES");
}

Bytes AesEncrypted(const Bytes& key, const Bytes& iv, Bytes data) {
  AesEncrypt(key, iv, data.data(), data.size());
  return data;
}

// RC4 (OpenSSL keeps it out of its default provider).
void Rc4(const Bytes& key, uint8_t* data, size_t length) {
  uint8_t s[256];
  for (int k = 0; k < 256; ++k) s[k] = static_cast<uint8_t>(k);
  uint8_t j = 0;
  for (int k = 0; k < 256; ++k) {
    j = static_cast<uint8_t>(j + s[k] + key[static_cast<size_t>(k) % key.size()]);
    std::swap(s[k], s[j]);
  }
  uint8_t i = 0;
  j = 0;
  for (size_t n = 0; n < length; ++n) {
    i = static_cast<uint8_t>(i + 1);
    j = static_cast<uint8_t>(j + s[i]);
    std::swap(s[i], s[j]);
    data[n] ^= s[static_cast<uint8_t>(s[i] + s[j])];
  }
}

std::string Base64(const Bytes& b) {
  std::string out(4 * ((b.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), b.data(),
                                static_cast<int>(b.size()));
  out.resize(static_cast<size_t>(n));
  return out;
}

// EncryptionHeader + EncryptionVerifier of a binary scheme, after version and flags.
Bytes BinaryInfo(uint32_t flags, uint32_t algorithm, uint32_t keyBits, uint32_t provider,
                 const std::string& cspName, const Bytes& salt, const Bytes& encVerifier,
                 const Bytes& encVerifierHash) {
  Bytes header;
  for (uint32_t v : {flags, 0u, algorithm, 0x8004u, keyBits, provider, 0u, 0u})
    Append(header, Le32(v));
  Append(header, Utf16(cspName));
  Append(header, {0, 0});
  Bytes out = {4, 0, 2, 0};
  Append(out, Le32(flags));
  Append(out, Le32(static_cast<uint32_t>(header.size())));
  Append(out, header);
  Append(out, Le32(16));
  Append(out, salt);
  Append(out, encVerifier);
  Append(out, Le32(20));
  Append(out, encVerifierHash);
  return out;
}

// The page encryptor of a scheme: encrypts page `n` in place.
struct PageEncryptor {
  virtual ~PageEncryptor() = default;
  virtual void Encrypt(uint32_t n, uint8_t* page) = 0;
};

struct Rc4Encryptor : PageEncryptor {
  Bytes base;
  uint32_t keyBits;
  uint32_t dbKey;
  Bytes Key(const Bytes& block) const {
    Bytes k = Fit(Digest(EVP_sha1(), Cat(base, block)), keyBits / 8, 0);
    return keyBits == 40 ? Fit(k, 16, 0) : k;
  }
  void Encrypt(uint32_t n, uint8_t* page) override { Rc4(Key(Le32(dbKey ^ n)), page, kPage); }
};

struct StandardEncryptor : PageEncryptor {
  Bytes spun;
  uint32_t keyBits;
  uint32_t dbKey;
  Bytes Key(const Bytes& block) const {
    const Bytes h = Digest(EVP_sha1(), Cat(spun, block));
    Bytes a(64, 0x36);
    Bytes b(64, 0x5C);
    for (size_t k = 0; k < h.size(); ++k) {
      a[k] ^= h[k];
      b[k] ^= h[k];
    }
    return Fit(Cat(Digest(EVP_sha1(), a), Digest(EVP_sha1(), b)), keyBits / 8, 0);
  }
  void Encrypt(uint32_t n, uint8_t* page) override {
    AesEncrypt(Key(Le32(dbKey ^ n)), {}, page, kPage);
  }
};

struct AgileEncryptor : PageEncryptor {
  const EVP_MD* md;
  Bytes key;
  Bytes salt;
  uint32_t dbKey;
  void Encrypt(uint32_t n, uint8_t* page) override {
    AesEncrypt(key, Fit(Digest(md, Cat(salt, Le32(dbKey ^ n))), 16, 0x36), page, kPage);
  }
};

std::string CipherAttributes(const std::string& hash, size_t hashSize, uint32_t keyBits,
                             const Bytes& salt) {
  return "saltSize=\"" + std::to_string(salt.size()) + "\" blockSize=\"16\" keyBits=\"" +
         std::to_string(keyBits) + "\" hashSize=\"" + std::to_string(hashSize) +
         "\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"" + hash +
         "\" saltValue=\"" + Base64(salt) + "\"";
}

}  // namespace

std::vector<uint8_t> EncryptAccdb(const std::vector<uint8_t>& plain,
                                  const OfficeEncryptOptions& o) {
  if (plain.size() < 3 * kPage || plain.size() % kPage != 0) throw std::invalid_argument("plain");
  const Bytes password = Utf16(o.password);
  const Bytes salt = Filled(16, 0x11);
  const Bytes verifier = Filled(16, 0x5A);
  Bytes info;
  std::unique_ptr<PageEncryptor> pages;

  switch (o.scheme) {
    case OfficeScheme::kRc4CryptoApi: {
      auto e = std::make_unique<Rc4Encryptor>();
      e->base = Digest(EVP_sha1(), Cat(salt, password));
      e->keyBits = o.keyBits;
      e->dbKey = o.databaseKey;
      Bytes stream = Cat(verifier, Digest(EVP_sha1(), verifier));
      Rc4(e->Key(Le32(0)), stream.data(), stream.size());
      info = BinaryInfo(0x04, 0x6801, o.keyBits, 1, "Microsoft Enhanced Cryptographic Provider v1.0",
                        salt, Bytes(stream.begin(), stream.begin() + 16),
                        Bytes(stream.begin() + 16, stream.end()));
      pages = std::move(e);
      break;
    }
    case OfficeScheme::kStandard:
    case OfficeScheme::kNonStandardAes: {
      const bool standard = o.scheme == OfficeScheme::kStandard;
      auto e = std::make_unique<StandardEncryptor>();
      e->spun = Spun(EVP_sha1(), salt, password, standard ? 50000 : 0);
      e->keyBits = o.keyBits;
      e->dbKey = o.databaseKey;
      const Bytes key = e->Key(Le32(0));
      const uint32_t algorithm = o.keyBits == 128 ? 0x660E : (o.keyBits == 192 ? 0x660F : 0x6610);
      info = BinaryInfo(standard ? 0x24 : 0x0C, algorithm, o.keyBits, 0x18,
                        "Microsoft Enhanced RSA and AES Cryptographic Provider", salt,
                        AesEncrypted(key, {}, verifier),
                        AesEncrypted(key, {}, Fit(Digest(EVP_sha1(), verifier), 32, 0)));
      pages = std::move(e);
      break;
    }
    case OfficeScheme::kAgile: {
      const EVP_MD* md = Md(o.agileHash);
      const size_t hashSize = static_cast<size_t>(EVP_MD_get_size(md));
      const size_t keyBytes = o.keyBits / 8;
      auto e = std::make_unique<AgileEncryptor>();
      e->md = md;
      e->key = Filled(keyBytes, 0x77);
      e->salt = Filled(16, 0x33);
      e->dbKey = o.databaseKey;
      const Bytes spun = Spun(md, salt, password, o.spinCount);
      auto derived = [&](const Bytes& block) { return Fit(Digest(md, Cat(spun, block)), keyBytes, 0x36); };
      const Bytes iv = salt;
      const Bytes hashInput = AesEncrypted(derived({0xFE, 0xA7, 0xD2, 0x76, 0x3B, 0x4B, 0x9E, 0x79}), iv, verifier);
      const Bytes hashValue = AesEncrypted(derived({0xD7, 0xAA, 0x0F, 0x6D, 0x30, 0x61, 0x34, 0x4E}), iv,
                                           Fit(Digest(md, verifier), (hashSize + 15) / 16 * 16, 0));
      const Bytes keyValue = AesEncrypted(derived({0x14, 0x6E, 0x0B, 0xE7, 0xAB, 0xAC, 0xD0, 0xD6}), iv,
                                          Fit(e->key, (keyBytes + 15) / 16 * 16, 0));
      const std::string xml =
          "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
          "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
          "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
          "<keyData " + CipherAttributes(o.agileHash, hashSize, o.keyBits, e->salt) + "/>"
          "<keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
          "<p:encryptedKey spinCount=\"" + std::to_string(o.spinCount) + "\" " +
          CipherAttributes(o.agileHash, hashSize, o.keyBits, salt) +
          " encryptedVerifierHashInput=\"" + Base64(hashInput) +
          "\" encryptedVerifierHashValue=\"" + Base64(hashValue) +
          "\" encryptedKeyValue=\"" + Base64(keyValue) + "\"/>"
          "</keyEncryptor></keyEncryptors></encryption>";
      info = {4, 0, 4, 0, 0x40, 0, 0, 0};
      info.insert(info.end(), xml.begin(), xml.end());
      pages = std::move(e);
      break;
    }
  }

  Bytes out = plain;
  // The database key sits in the area masked with a fixed RC4 stream: XOR-ing the stored bytes
  // XORs the key (the plain file's key is zero).
  const Bytes key = Le32(o.databaseKey);
  for (size_t k = 0; k < 4; ++k) out[0x3E + k] ^= key[k];
  if (kEncryptionInfoOffset + info.size() > kPage) throw std::length_error("info");
  out[kEncryptionInfoLengthOffset] = static_cast<uint8_t>(info.size());
  out[kEncryptionInfoLengthOffset + 1] = static_cast<uint8_t>(info.size() >> 8);
  std::memcpy(out.data() + kEncryptionInfoOffset, info.data(), info.size());
  for (size_t n = 1; n < out.size() / kPage; ++n)
    pages->Encrypt(static_cast<uint32_t>(n), out.data() + n * kPage);
  return out;
}

}  // namespace enginetest
