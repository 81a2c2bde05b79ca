#include "engine/crypto/digest.h"

#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

namespace engine::crypto {

namespace {

const EVP_MD* Md(HashAlgorithm algorithm) {
  switch (algorithm) {
    case HashAlgorithm::kSha1: return EVP_sha1();
    case HashAlgorithm::kSha256: return EVP_sha256();
    case HashAlgorithm::kSha384: return EVP_sha384();
    case HashAlgorithm::kSha512: return EVP_sha512();
    case HashAlgorithm::kMd5: return EVP_md5();
  }
  return EVP_sha1();
}

struct CtxFree {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using MdCtx = std::unique_ptr<EVP_MD_CTX, CtxFree>;

MdCtx NewCtx() {
  MdCtx ctx(EVP_MD_CTX_new());
  if (!ctx) throw std::bad_alloc();
  return ctx;
}

// Hashes `parts` with `ctx` into `out` (DigestSize bytes).
void Digest(EVP_MD_CTX* ctx, const EVP_MD* md, std::initializer_list<ByteView> parts,
            uint8_t* out) {
  bool ok = EVP_DigestInit_ex(ctx, md, nullptr) == 1;
  for (const ByteView& part : parts)
    ok = ok && EVP_DigestUpdate(ctx, part.data(), part.size()) == 1;
  unsigned int length = 0;
  ok = ok && EVP_DigestFinal_ex(ctx, out, &length) == 1;
  if (!ok) throw std::runtime_error("digest failed");
}

}  // namespace

bool HashAlgorithmFromName(std::string_view name, HashAlgorithm& out) {
  struct Known {
    std::string_view name;
    HashAlgorithm algorithm;
  };
  static constexpr Known kKnown[] = {
      {"SHA1", HashAlgorithm::kSha1},     {"SHA-1", HashAlgorithm::kSha1},
      {"SHA256", HashAlgorithm::kSha256}, {"SHA384", HashAlgorithm::kSha384},
      {"SHA512", HashAlgorithm::kSha512}, {"MD5", HashAlgorithm::kMd5},
  };
  for (const Known& k : kKnown) {
    if (k.name == name) {
      out = k.algorithm;
      return true;
    }
  }
  return false;
}

size_t DigestSize(HashAlgorithm algorithm) {
  return static_cast<size_t>(EVP_MD_get_size(Md(algorithm)));
}

Secret Hash(HashAlgorithm algorithm, std::initializer_list<ByteView> parts) {
  MdCtx ctx = NewCtx();
  Secret out(DigestSize(algorithm));
  Digest(ctx.get(), Md(algorithm), parts, out.data());
  return out;
}

Secret SpunPasswordHash(HashAlgorithm algorithm, ByteView salt, ByteView password,
                        uint32_t spins) {
  const EVP_MD* md = Md(algorithm);
  MdCtx ctx = NewCtx();
  Secret h(DigestSize(algorithm));
  Digest(ctx.get(), md, {salt, password}, h.data());
  for (uint32_t n = 0; n < spins; ++n) {
    const uint8_t counter[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                                static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
    // The digest is written over its own input only after the input has been consumed.
    Digest(ctx.get(), md, {ByteView(counter, 4), h.View()}, h.data());
  }
  return h;
}

}  // namespace engine::crypto
