// OpenSSL's libcrypto, loaded the first time a file needs it. Only encrypted .accdb files do, and
// loading the library (its relocations and its start-up) at every start of the programs costs
// more than describing many a small database takes.
#pragma once

#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace engine::crypto {

struct LibCrypto {
  decltype(&::EVP_CIPHER_CTX_new) CipherCtxNew;
  decltype(&::EVP_CIPHER_CTX_free) CipherCtxFree;
  decltype(&::EVP_CIPHER_CTX_set_padding) CipherCtxSetPadding;
  decltype(&::EVP_CIPHER_CTX_get_key_length) CipherCtxGetKeyLength;
  decltype(&::EVP_DecryptInit_ex) DecryptInit;
  decltype(&::EVP_DecryptUpdate) DecryptUpdate;
  decltype(&::EVP_DecryptFinal_ex) DecryptFinal;
  decltype(&::EVP_aes_128_ecb) Aes128Ecb;
  decltype(&::EVP_aes_192_ecb) Aes192Ecb;
  decltype(&::EVP_aes_256_ecb) Aes256Ecb;
  decltype(&::EVP_aes_128_cbc) Aes128Cbc;
  decltype(&::EVP_aes_192_cbc) Aes192Cbc;
  decltype(&::EVP_aes_256_cbc) Aes256Cbc;
  decltype(&::EVP_MD_fetch) MdFetch;
  decltype(&::EVP_MD_free) MdFree;
  decltype(&::EVP_MD_get_size) MdGetSize;
  decltype(&::EVP_MD_CTX_new) MdCtxNew;
  decltype(&::EVP_MD_CTX_free) MdCtxFree;
  decltype(&::EVP_DigestInit_ex2) DigestInit;
  decltype(&::EVP_DigestUpdate) DigestUpdate;
  decltype(&::EVP_DigestFinal_ex) DigestFinal;
  decltype(&::CRYPTO_memcmp) ConstantTimeCompare;

  // The library's calls, loaded on first use (thread-safe). Raises dao::Error 3170 (with the
  // dynamic linker's reason) when the system has no libcrypto of OpenSSL 3, or one without these
  // calls.
  static const LibCrypto& Get();
};

}  // namespace engine::crypto
