// AES decryption without padding, through OpenSSL: whole pages and the small encrypted fields of
// the encryption descriptions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/storage/bytes.h"

struct evp_cipher_ctx_st;

namespace engine::crypto {

enum class AesMode { kEcb, kCbc };

class AesDecryptor {
 public:
  static constexpr size_t kBlockSize = 16;

  // True for the key sizes AES has (16, 24 or 32 bytes).
  static bool ValidKeySize(size_t bytes) { return bytes == 16 || bytes == 24 || bytes == 32; }

  // A decryptor for `key` (ValidKeySize). Raises std::runtime_error when OpenSSL refuses.
  AesDecryptor(AesMode mode, ByteView key);
  ~AesDecryptor();
  AesDecryptor(const AesDecryptor&) = delete;
  AesDecryptor& operator=(const AesDecryptor&) = delete;

  // Replaces the key (same size as before).
  void Rekey(ByteView key);
  // Decrypts `length` bytes in place, a whole number of blocks; `iv` (16 bytes) only for CBC,
  // where each call starts a fresh chain.
  void Decrypt(const uint8_t* iv, uint8_t* data, size_t length);

 private:
  struct CtxFree {
    void operator()(evp_cipher_ctx_st* ctx) const;
  };
  std::unique_ptr<evp_cipher_ctx_st, CtxFree> ctx_;
};

}  // namespace engine::crypto
