#include "engine/crypto/aes.h"

#include "engine/crypto/libcrypto.h"

#include <climits>
#include <stdexcept>

namespace engine::crypto {

namespace {

const EVP_CIPHER* CipherFor(AesMode mode, size_t keyBytes) {
  const LibCrypto& c = LibCrypto::Get();
  const bool cbc = mode == AesMode::kCbc;
  switch (keyBytes) {
    case 16: return cbc ? c.Aes128Cbc() : c.Aes128Ecb();
    case 24: return cbc ? c.Aes192Cbc() : c.Aes192Ecb();
    case 32: return cbc ? c.Aes256Cbc() : c.Aes256Ecb();
    default: return nullptr;
  }
}

}  // namespace

void AesDecryptor::CtxFree::operator()(evp_cipher_ctx_st* ctx) const {
  LibCrypto::Get().CipherCtxFree(ctx);
}

AesDecryptor::AesDecryptor(AesMode mode, ByteView key) : ctx_(LibCrypto::Get().CipherCtxNew()) {
  const LibCrypto& c = LibCrypto::Get();
  const EVP_CIPHER* cipher = CipherFor(mode, key.size());
  if (!ctx_ || !cipher || c.DecryptInit(ctx_.get(), cipher, nullptr, key.data(), nullptr) != 1 ||
      c.CipherCtxSetPadding(ctx_.get(), 0) != 1)
    throw std::runtime_error("AES set-up failed");
}

AesDecryptor::~AesDecryptor() = default;  // freeing the context wipes the key schedule

void AesDecryptor::Rekey(ByteView key) {
  const LibCrypto& c = LibCrypto::Get();
  if (static_cast<int>(key.size()) != c.CipherCtxGetKeyLength(ctx_.get()) ||
      c.DecryptInit(ctx_.get(), nullptr, nullptr, key.data(), nullptr) != 1)
    throw std::runtime_error("AES key change failed");
}

void AesDecryptor::Decrypt(const uint8_t* iv, uint8_t* data, size_t length) {
  if (length % kBlockSize != 0 || length > INT_MAX) throw std::runtime_error("AES length");
  const LibCrypto& c = LibCrypto::Get();
  int produced = 0;
  int tail = 0;
  if (c.DecryptInit(ctx_.get(), nullptr, nullptr, nullptr, iv) != 1 ||
      c.DecryptUpdate(ctx_.get(), data, &produced, data, static_cast<int>(length)) != 1 ||
      c.DecryptFinal(ctx_.get(), data + produced, &tail) != 1 ||
      static_cast<size_t>(produced + tail) != length)
    throw std::runtime_error("AES decryption failed");
}

}  // namespace engine::crypto
