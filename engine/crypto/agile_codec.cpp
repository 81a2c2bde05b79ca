#include "engine/crypto/agile_codec.h"

#include "engine/crypto/aes.h"
#include "engine/crypto/digest.h"

namespace engine::crypto {

namespace {

// The block keys that tell the three password-derived keys apart.
constexpr uint8_t kVerifierInputBlock[8] = {0xFE, 0xA7, 0xD2, 0x76, 0x3B, 0x4B, 0x9E, 0x79};
constexpr uint8_t kVerifierValueBlock[8] = {0xD7, 0xAA, 0x0F, 0x6D, 0x30, 0x61, 0x34, 0x4E};
constexpr uint8_t kKeyValueBlock[8] = {0x14, 0x6E, 0x0B, 0xE7, 0xAB, 0xAC, 0xD0, 0xD6};
// Hashes shorter than a key or an IV are padded with this byte.
constexpr uint8_t kPad = 0x36;

class AgileCodec : public PageCodec {
 public:
  AgileCodec(const Secret& key, const AgileCipher& keyData, uint32_t databaseKey)
      : aes_(AesMode::kCbc, key.View()),
        digester_(keyData.hash),
        keyData_(keyData),
        databaseKey_(databaseKey) {}

  void Decode(uint32_t number, uint8_t* page, size_t length) override {
    const auto block = PageKeyBytes(databaseKey_, number);
    Secret iv = digester_.Digest({ByteView(keyData_.salt.data(), keyData_.salt.size()),
                                  ByteView(block.data(), block.size())});
    iv.FitTo(keyData_.blockSize, kPad);
    aes_.Decrypt(iv.data(), page, length);
  }

 private:
  AesDecryptor aes_;
  Digester digester_;
  AgileCipher keyData_;
  uint32_t databaseKey_;
};

// Decrypts `encrypted` with the key derived from the spun password hash and `block`.
Secret Unwrap(const AgileCipher& cipher, const Secret& spun, const uint8_t (&block)[8],
              const std::vector<uint8_t>& encrypted) {
  Secret key = Hash(cipher.hash, {spun.View(), ByteView(block, sizeof block)});
  key.FitTo(cipher.keyBytes, kPad);
  Secret iv(cipher.salt.data(), cipher.salt.size());
  iv.FitTo(cipher.blockSize, kPad);
  Secret plain(encrypted.data(), encrypted.size());
  AesDecryptor(AesMode::kCbc, key.View()).Decrypt(iv.data(), plain.data(), plain.size());
  return plain;
}

}  // namespace

std::unique_ptr<PageCodec> OpenAgile(const AgileDescription& d, ByteView password,
                                     uint32_t databaseKey) {
  const AgileCipher& p = d.password;
  const Secret spun = SpunPasswordHash(
      p.hash, ByteView(p.salt.data(), p.salt.size()), password, d.spinCount);
  Secret input = Unwrap(p, spun, kVerifierInputBlock, d.encryptedVerifierHashInput);
  Secret value = Unwrap(p, spun, kVerifierValueBlock, d.encryptedVerifierHashValue);
  Secret key = Unwrap(p, spun, kKeyValueBlock, d.encryptedKeyValue);

  // The verifier input is the salt-sized random value; its hash is stored padded to whole blocks.
  input.FitTo(p.salt.size(), 0);
  const Secret expected = Hash(p.hash, {input.View()});
  value.FitTo(p.hashSize, 0);
  key.FitTo(d.keyData.keyBytes, 0);
  if (!SameBytes(expected.View(), value.View())) return nullptr;
  return std::make_unique<AgileCodec>(key, d.keyData, databaseKey);
}

}  // namespace engine::crypto
