#include "engine/crypto/aes.h"

#include <openssl/evp.h>

#include <climits>
#include <stdexcept>

namespace engine::crypto {

namespace {

const EVP_CIPHER* CipherFor(AesMode mode, size_t keyBytes) {
  const bool cbc = mode == AesMode::kCbc;
  switch (keyBytes) {
    case 16: return cbc ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
    case 24: return cbc ? EVP_aes_192_cbc() : EVP_aes_192_ecb();
    case 32: return cbc ? EVP_aes_256_cbc() : EVP_aes_256_ecb();
    default: return nullptr;
  }
}

}  // namespace

void AesDecryptor::CtxFree::operator()(evp_cipher_ctx_st* ctx) const { EVP_CIPHER_CTX_free(ctx); }

AesDecryptor::AesDecryptor(AesMode mode, ByteView key) : ctx_(EVP_CIPHER_CTX_new()) {
  const EVP_CIPHER* cipher = CipherFor(mode, key.size());
  if (!ctx_ || !cipher ||
      EVP_DecryptInit_ex(ctx_.get(), cipher, nullptr, key.data(), nullptr) != 1 ||
      EVP_CIPHER_CTX_set_padding(ctx_.get(), 0) != 1)
    throw std::runtime_error("AES set-up failed");
}

AesDecryptor::~AesDecryptor() = default;  // EVP_CIPHER_CTX_free wipes the key schedule

void AesDecryptor::Rekey(ByteView key) {
  if (static_cast<int>(key.size()) != EVP_CIPHER_CTX_get_key_length(ctx_.get()) ||
      EVP_DecryptInit_ex(ctx_.get(), nullptr, nullptr, key.data(), nullptr) != 1)
    throw std::runtime_error("AES key change failed");
}

void AesDecryptor::Decrypt(const uint8_t* iv, uint8_t* data, size_t length) {
  if (length % kBlockSize != 0 || length > INT_MAX) throw std::runtime_error("AES length");
  int produced = 0;
  int tail = 0;
  if (EVP_DecryptInit_ex(ctx_.get(), nullptr, nullptr, nullptr, iv) != 1 ||
      EVP_DecryptUpdate(ctx_.get(), data, &produced, data, static_cast<int>(length)) != 1 ||
      EVP_DecryptFinal_ex(ctx_.get(), data + produced, &tail) != 1 ||
      static_cast<size_t>(produced + tail) != length)
    throw std::runtime_error("AES decryption failed");
}

}  // namespace engine::crypto
