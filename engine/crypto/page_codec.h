// How the page reader turns the stored bytes of an encoded or encrypted page into the page: one
// codec per scheme, chosen when the database is opened and owned by the page reader.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace engine::crypto {

class PageCodec {
 public:
  virtual ~PageCodec() = default;
  // Decodes page `number` (never the header page, which is stored as it is) of `length` bytes in
  // place. Raises std::runtime_error only when the cryptographic library fails.
  virtual void Decode(uint32_t number, uint8_t* page, size_t length) = 0;
};

// The four bytes every scheme keys a page with: the database key from the header XOR the page
// number, little-endian.
inline std::array<uint8_t, 4> PageKeyBytes(uint32_t databaseKey, uint32_t number) {
  const uint32_t v = databaseKey ^ number;
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

}  // namespace engine::crypto
