#include "engine/crypto/libcrypto.h"

#include "engine/optional_library.h"

namespace engine::crypto {

namespace {

LibCrypto Load() {
  static OptionalLibrary library("libcrypto.so.3");
  LibCrypto c{};
  library.Bind("EVP_CIPHER_CTX_new", c.CipherCtxNew)
      .Bind("EVP_CIPHER_CTX_free", c.CipherCtxFree)
      .Bind("EVP_CIPHER_CTX_set_padding", c.CipherCtxSetPadding)
      .Bind("EVP_CIPHER_CTX_get_key_length", c.CipherCtxGetKeyLength)
      .Bind("EVP_DecryptInit_ex", c.DecryptInit)
      .Bind("EVP_DecryptUpdate", c.DecryptUpdate)
      .Bind("EVP_DecryptFinal_ex", c.DecryptFinal)
      .Bind("EVP_aes_128_ecb", c.Aes128Ecb)
      .Bind("EVP_aes_192_ecb", c.Aes192Ecb)
      .Bind("EVP_aes_256_ecb", c.Aes256Ecb)
      .Bind("EVP_aes_128_cbc", c.Aes128Cbc)
      .Bind("EVP_aes_192_cbc", c.Aes192Cbc)
      .Bind("EVP_aes_256_cbc", c.Aes256Cbc)
      .Bind("EVP_MD_fetch", c.MdFetch)
      .Bind("EVP_MD_free", c.MdFree)
      .Bind("EVP_MD_get_size", c.MdGetSize)
      .Bind("EVP_MD_CTX_new", c.MdCtxNew)
      .Bind("EVP_MD_CTX_free", c.MdCtxFree)
      .Bind("EVP_DigestInit_ex2", c.DigestInit)
      .Bind("EVP_DigestUpdate", c.DigestUpdate)
      .Bind("EVP_DigestFinal_ex", c.DigestFinal)
      .Bind("CRYPTO_memcmp", c.ConstantTimeCompare);
  if (!library.Usable()) throw library.Error();
  return c;
}

}  // namespace

const LibCrypto& LibCrypto::Get() {
  // The library is tried once; a failure is raised again at every call.
  static const LibCrypto loaded = Load();
  return loaded;
}

}  // namespace engine::crypto
