#include "engine/crypto/rc4_cryptoapi_codec.h"

#include "engine/crypto/digest.h"
#include "engine/crypto/secret.h"
#include "engine/crypto/rc4.h"

namespace engine::crypto {

namespace {

// The RC4 key for `block`: the first keyBits of SHA-1(base hash + block); a 40-bit key is used as
// 128 bits with zeros after it, as CryptoAPI does.
Secret DeriveKey(const Secret& base, ByteView block, uint32_t keyBits) {
  Secret key = Hash(HashAlgorithm::kSha1, {base.View(), block});
  key.FitTo(keyBits / 8, 0);
  if (keyBits == 40) key.FitTo(16, 0);
  return key;
}

class Rc4CryptoApiCodec : public PageCodec {
 public:
  Rc4CryptoApiCodec(Secret base, uint32_t keyBits, uint32_t databaseKey)
      : base_(std::move(base)), keyBits_(keyBits), databaseKey_(databaseKey) {}

  void Decode(uint32_t number, uint8_t* page, size_t length) override {
    const auto block = PageKeyBytes(databaseKey_, number);
    const Secret key = DeriveKey(base_, ByteView(block.data(), block.size()), keyBits_);
    Rc4 rc4(key.data(), key.size());
    rc4.Apply(page, length);
  }

 private:
  Secret base_;
  uint32_t keyBits_;
  uint32_t databaseKey_;
};

}  // namespace

std::unique_ptr<PageCodec> OpenRc4CryptoApi(const BinaryDescription& d, ByteView password,
                                            uint32_t databaseKey) {
  Secret base = Hash(HashAlgorithm::kSha1, {ByteView(d.salt.data(), d.salt.size()), password});
  const uint8_t zero[4] = {0, 0, 0, 0};
  const Secret key = DeriveKey(base, ByteView(zero, 4), d.keyBits);
  // One key stream runs over the verifier and then its hash.
  Secret verifier(d.encryptedVerifier.data(), d.encryptedVerifier.size());
  Secret verifierHash(d.encryptedVerifierHash.data(), d.encryptedVerifierHash.size());
  Rc4 rc4(key.data(), key.size());
  rc4.Apply(verifier.data(), verifier.size());
  rc4.Apply(verifierHash.data(), verifierHash.size());
  verifierHash.FitTo(d.verifierHashSize, 0);
  const Secret expected = Hash(HashAlgorithm::kSha1, {verifier.View()});
  if (!SameBytes(expected.View(), verifierHash.View())) return nullptr;
  return std::make_unique<Rc4CryptoApiCodec>(std::move(base), d.keyBits, databaseKey);
}

}  // namespace engine::crypto
