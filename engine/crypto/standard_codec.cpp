#include "engine/crypto/standard_codec.h"

#include "engine/crypto/aes.h"
#include "engine/crypto/digest.h"
#include "engine/crypto/secret.h"

namespace engine::crypto {

namespace {

// The key for `block` (four bytes): the SHA-1 of the spun hash and the block, widened through the
// two pads of the CryptoAPI key derivation and cut to the key size.
Secret DeriveKey(const Secret& spun, ByteView block, size_t keyBytes) {
  const Secret h = Hash(HashAlgorithm::kSha1, {spun.View(), block});
  Secret inner(64);
  Secret outer(64);
  for (size_t k = 0; k < 64; ++k) {
    const uint8_t v = k < h.size() ? h[k] : 0;
    inner[k] = static_cast<uint8_t>(v ^ 0x36);
    outer[k] = static_cast<uint8_t>(v ^ 0x5C);
  }
  const Secret x1 = Hash(HashAlgorithm::kSha1, {inner.View()});
  const Secret x2 = Hash(HashAlgorithm::kSha1, {outer.View()});
  Secret key(x1.size() + x2.size());
  for (size_t k = 0; k < x1.size(); ++k) key[k] = x1[k];
  for (size_t k = 0; k < x2.size(); ++k) key[x1.size() + k] = x2[k];
  key.FitTo(keyBytes, 0);
  return key;
}

class StandardCodec : public PageCodec {
 public:
  StandardCodec(Secret spun, size_t keyBytes, uint32_t databaseKey, const Secret& firstKey)
      : spun_(std::move(spun)),
        keyBytes_(keyBytes),
        databaseKey_(databaseKey),
        aes_(AesMode::kEcb, firstKey.View()) {}

  void Decode(uint32_t number, uint8_t* page, size_t length) override {
    const auto block = PageKeyBytes(databaseKey_, number);
    aes_.Rekey(DeriveKey(spun_, ByteView(block.data(), block.size()), keyBytes_).View());
    aes_.Decrypt(nullptr, page, length);
  }

 private:
  Secret spun_;
  size_t keyBytes_;
  uint32_t databaseKey_;
  AesDecryptor aes_;
};

}  // namespace

std::unique_ptr<PageCodec> OpenStandard(const BinaryDescription& d, ByteView password,
                                        uint32_t databaseKey, uint32_t spins) {
  const size_t keyBytes = d.keyBits / 8;
  Secret spun = SpunPasswordHash(HashAlgorithm::kSha1, ByteView(d.salt.data(), d.salt.size()),
                                 password, spins);
  // The verifier is encrypted with the key of block 0 (not the key of page 0).
  const uint8_t zero[4] = {0, 0, 0, 0};
  const Secret key = DeriveKey(spun, ByteView(zero, 4), keyBytes);
  Secret verifier(d.encryptedVerifier.data(), d.encryptedVerifier.size());
  Secret verifierHash(d.encryptedVerifierHash.data(), d.encryptedVerifierHash.size());
  AesDecryptor aes(AesMode::kEcb, key.View());
  aes.Decrypt(nullptr, verifier.data(), verifier.size());
  aes.Decrypt(nullptr, verifierHash.data(), verifierHash.size());
  verifierHash.FitTo(d.verifierHashSize, 0);
  const Secret expected = Hash(HashAlgorithm::kSha1, {verifier.View()});
  if (!SameBytes(expected.View(), verifierHash.View())) return nullptr;
  return std::make_unique<StandardCodec>(std::move(spun), keyBytes, databaseKey, key);
}

}  // namespace engine::crypto
