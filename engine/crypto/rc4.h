// The RC4 stream cipher, as Jet uses it to mask the header page and to encode whole databases.
#pragma once

#include <cstddef>
#include <cstdint>

namespace engine {

class Rc4 {
 public:
  // Schedules `key` (1 to 256 bytes).
  Rc4(const uint8_t* key, size_t keyLength);
  // Wipes the key schedule.
  ~Rc4();
  Rc4(const Rc4&) = delete;
  Rc4& operator=(const Rc4&) = delete;
  // XORs `length` bytes at `data` with the next bytes of the key stream, in place.
  void Apply(uint8_t* data, size_t length);

 private:
  uint8_t state_[256];
  uint8_t i_ = 0;
  uint8_t j_ = 0;
};

// Decodes `length` bytes in place with a fresh stream keyed by the four little-endian bytes of
// `key`: the form Jet uses for the header (fixed key) and for the pages of an encoded database.
void Rc4DecodeWithKey32(uint32_t key, uint8_t* data, size_t length);

}  // namespace engine
