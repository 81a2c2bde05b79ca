// The hash functions the Office encryption descriptions name, through OpenSSL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>

#include "engine/storage/bytes.h"
#include "engine/crypto/secret.h"

namespace engine::crypto {

enum class HashAlgorithm { kSha1, kSha256, kSha384, kSha512, kMd5 };

// The algorithm an agile description names ("SHA512", "SHA-1", ...), or false when it is not one
// we compute.
bool HashAlgorithmFromName(std::string_view name, HashAlgorithm& out);

// Size in bytes of the algorithm's digest.
size_t DigestSize(HashAlgorithm algorithm);

// The digest of the concatenation of `parts`.
Secret Hash(HashAlgorithm algorithm, std::initializer_list<ByteView> parts);

// One algorithm's digests, computed again and again with the same context: what a page codec
// uses for every page.
class Digester {
 public:
  explicit Digester(HashAlgorithm algorithm);
  ~Digester();
  Digester(const Digester&) = delete;
  Digester& operator=(const Digester&) = delete;

  size_t Size() const { return size_; }
  // Writes the digest of the concatenation of `parts` to `out` (Size() bytes). `out` may be one of
  // the parts.
  void Digest(std::initializer_list<ByteView> parts, uint8_t* out);
  Secret Digest(std::initializer_list<ByteView> parts);

 private:
  struct State;
  std::unique_ptr<State> state_;
  size_t size_;
};

// The password hash of the Office key derivations: H0 = H(salt + password), then `spins` rounds of
// Hn = H(little-endian 32-bit n + Hn-1). Returns the last one.
Secret SpunPasswordHash(HashAlgorithm algorithm, ByteView salt, ByteView password,
                        uint32_t spins);

}  // namespace engine::crypto
