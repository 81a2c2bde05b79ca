#include "engine/crypto/libcrypto.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

namespace engine::crypto {

namespace {

constexpr const char* kLibrary = "libcrypto.so.3";

template <class F>
void Bind(void* library, const char* name, F& call) {
  void* symbol = ::dlsym(library, name);
  if (!symbol) throw std::runtime_error(std::string(kLibrary) + " lacks " + name);
  call = reinterpret_cast<F>(symbol);
}

LibCrypto Load() {
  // Never closed: the calls stay valid for the rest of the process.
  void* library = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (!library) throw std::runtime_error(std::string("cannot load ") + kLibrary);
  LibCrypto c{};
  Bind(library, "EVP_CIPHER_CTX_new", c.CipherCtxNew);
  Bind(library, "EVP_CIPHER_CTX_free", c.CipherCtxFree);
  Bind(library, "EVP_CIPHER_CTX_set_padding", c.CipherCtxSetPadding);
  Bind(library, "EVP_CIPHER_CTX_get_key_length", c.CipherCtxGetKeyLength);
  Bind(library, "EVP_DecryptInit_ex", c.DecryptInit);
  Bind(library, "EVP_DecryptUpdate", c.DecryptUpdate);
  Bind(library, "EVP_DecryptFinal_ex", c.DecryptFinal);
  Bind(library, "EVP_aes_128_ecb", c.Aes128Ecb);
  Bind(library, "EVP_aes_192_ecb", c.Aes192Ecb);
  Bind(library, "EVP_aes_256_ecb", c.Aes256Ecb);
  Bind(library, "EVP_aes_128_cbc", c.Aes128Cbc);
  Bind(library, "EVP_aes_192_cbc", c.Aes192Cbc);
  Bind(library, "EVP_aes_256_cbc", c.Aes256Cbc);
  Bind(library, "EVP_MD_fetch", c.MdFetch);
  Bind(library, "EVP_MD_free", c.MdFree);
  Bind(library, "EVP_MD_get_size", c.MdGetSize);
  Bind(library, "EVP_MD_CTX_new", c.MdCtxNew);
  Bind(library, "EVP_MD_CTX_free", c.MdCtxFree);
  Bind(library, "EVP_DigestInit_ex2", c.DigestInit);
  Bind(library, "EVP_DigestUpdate", c.DigestUpdate);
  Bind(library, "EVP_DigestFinal_ex", c.DigestFinal);
  Bind(library, "CRYPTO_memcmp", c.ConstantTimeCompare);
  return c;
}

}  // namespace

const LibCrypto& LibCrypto::Get() {
  // A failed load throws out of the initialisation, which is tried again on the next call.
  static const LibCrypto loaded = Load();
  return loaded;
}

}  // namespace engine::crypto
