#include "engine/crypto/rc4.h"

#include <string.h>  // explicit_bzero

#include <utility>

namespace engine {

Rc4::Rc4(const uint8_t* key, size_t keyLength) {
  for (int k = 0; k < 256; ++k) state_[k] = static_cast<uint8_t>(k);
  uint8_t j = 0;
  for (size_t k = 0; k < 256; ++k) {
    j = static_cast<uint8_t>(j + state_[k] + key[k % keyLength]);
    std::swap(state_[k], state_[j]);
  }
}

Rc4::~Rc4() {
  explicit_bzero(state_, sizeof state_);
  i_ = j_ = 0;
}

void Rc4::Apply(uint8_t* data, size_t length) {
  for (size_t n = 0; n < length; ++n) {
    i_ = static_cast<uint8_t>(i_ + 1);
    j_ = static_cast<uint8_t>(j_ + state_[i_]);
    std::swap(state_[i_], state_[j_]);
    data[n] ^= state_[static_cast<uint8_t>(state_[i_] + state_[j_])];
  }
}

void Rc4DecodeWithKey32(uint32_t key, uint8_t* data, size_t length) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(key), static_cast<uint8_t>(key >> 8),
                            static_cast<uint8_t>(key >> 16), static_cast<uint8_t>(key >> 24)};
  Rc4 rc4(bytes, sizeof bytes);
  rc4.Apply(data, length);
}

}  // namespace engine
