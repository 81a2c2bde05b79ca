#include "engine/crypto/digest.h"

#include "engine/crypto/libcrypto.h"

#include <stdexcept>

namespace engine::crypto {

namespace {

const char* Name(HashAlgorithm algorithm) {
  switch (algorithm) {
    case HashAlgorithm::kSha1: return "SHA1";
    case HashAlgorithm::kSha256: return "SHA256";
    case HashAlgorithm::kSha384: return "SHA384";
    case HashAlgorithm::kSha512: return "SHA512";
    case HashAlgorithm::kMd5: return "MD5";
  }
  return "SHA1";
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
  switch (algorithm) {
    case HashAlgorithm::kSha1: return 20;
    case HashAlgorithm::kSha256: return 32;
    case HashAlgorithm::kSha384: return 48;
    case HashAlgorithm::kSha512: return 64;
    case HashAlgorithm::kMd5: return 16;
  }
  return 0;
}

// The context, and the algorithm fetched once from the default provider.
struct Digester::State {
  EVP_MD* md = nullptr;
  EVP_MD_CTX* ctx = nullptr;
  ~State() {
    // Nothing was made when the library could not be loaded; asking for it again would raise
    // out of a destructor.
    if (!md && !ctx) return;
    const LibCrypto& c = LibCrypto::Get();
    c.MdCtxFree(ctx);
    c.MdFree(md);
  }
};

Digester::Digester(HashAlgorithm algorithm)
    : state_(std::make_unique<State>()), size_(DigestSize(algorithm)) {
  const LibCrypto& c = LibCrypto::Get();
  state_->md = c.MdFetch(nullptr, Name(algorithm), nullptr);
  state_->ctx = c.MdCtxNew();
  if (!state_->md || !state_->ctx || static_cast<size_t>(c.MdGetSize(state_->md)) != size_)
    throw std::runtime_error("digest set-up failed");
}

Digester::~Digester() = default;

void Digester::Digest(std::initializer_list<ByteView> parts, uint8_t* out) {
  const LibCrypto& c = LibCrypto::Get();
  bool ok = c.DigestInit(state_->ctx, state_->md, nullptr) == 1;
  for (const ByteView& part : parts) ok = ok && c.DigestUpdate(state_->ctx, part.data(), part.size()) == 1;
  unsigned int length = 0;
  ok = ok && c.DigestFinal(state_->ctx, out, &length) == 1;
  if (!ok) throw std::runtime_error("digest failed");
}

Secret Digester::Digest(std::initializer_list<ByteView> parts) {
  Secret out(size_);
  Digest(parts, out.data());
  return out;
}

Secret Hash(HashAlgorithm algorithm, std::initializer_list<ByteView> parts) {
  return Digester(algorithm).Digest(parts);
}

Secret SpunPasswordHash(HashAlgorithm algorithm, ByteView salt, ByteView password,
                        uint32_t spins) {
  Digester digester(algorithm);
  Secret h = digester.Digest({salt, password});
  for (uint32_t n = 0; n < spins; ++n) {
    const uint8_t counter[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                                static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
    // The digest is written over its own input only after the input has been consumed.
    digester.Digest({ByteView(counter, 4), h.View()}, h.data());
  }
  return h;
}

}  // namespace engine::crypto
