#include "engine/crypto/secret.h"

#include <string.h>  // explicit_bzero

#include "engine/crypto/libcrypto.h"

namespace engine::crypto {

Secret& Secret::operator=(const Secret& other) {
  if (this != &other) {
    Wipe();
    bytes_ = other.bytes_;
  }
  return *this;
}

Secret& Secret::operator=(Secret&& other) noexcept {
  if (this != &other) {
    Wipe();
    bytes_ = std::move(other.bytes_);
  }
  return *this;
}

void Secret::FitTo(size_t size, uint8_t pad) {
  if (size < bytes_.size()) explicit_bzero(bytes_.data() + size, bytes_.size() - size);
  if (size > bytes_.capacity()) {
    // Growing in place would leave the old buffer behind unwiped.
    std::vector<uint8_t> grown;
    grown.reserve(size);
    grown.assign(bytes_.begin(), bytes_.end());
    Wipe();
    bytes_ = std::move(grown);
  }
  bytes_.resize(size, pad);
}

void Secret::Wipe() {
  // Everything the vector ever held lives in its current buffer: FitTo and the assignments wipe
  // before they replace it.
  if (!bytes_.empty()) explicit_bzero(bytes_.data(), bytes_.size());
  bytes_.clear();
}

bool SameBytes(ByteView a, ByteView b) {
  if (a.size() != b.size()) return false;
  if (a.empty()) return true;
  return LibCrypto::Get().ConstantTimeCompare(a.data(), b.data(), a.size()) == 0;
}

}  // namespace engine::crypto
