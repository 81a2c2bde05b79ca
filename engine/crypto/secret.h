// Bytes that are key material or derived from a password: wiped when they go away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/storage/bytes.h"

namespace engine::crypto {

class Secret {
 public:
  Secret() = default;
  explicit Secret(size_t size) : bytes_(size, 0) {}
  Secret(const uint8_t* data, size_t size) : bytes_(data, data + size) {}
  explicit Secret(ByteView view) : Secret(view.data(), view.size()) {}
  ~Secret() { Wipe(); }
  Secret(const Secret& other) : bytes_(other.bytes_) {}
  Secret& operator=(const Secret& other);
  Secret(Secret&& other) noexcept : bytes_(std::move(other.bytes_)) {}
  Secret& operator=(Secret&& other) noexcept;

  uint8_t* data() { return bytes_.data(); }
  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  uint8_t& operator[](size_t k) { return bytes_[k]; }
  uint8_t operator[](size_t k) const { return bytes_[k]; }
  ByteView View() const { return ByteView(bytes_.data(), bytes_.size()); }

  // Cuts to `size` bytes, or pads with `pad` up to it (the "fix to length" step of the Office
  // key derivations).
  void FitTo(size_t size, uint8_t pad);

 private:
  void Wipe();
  std::vector<uint8_t> bytes_;
};

// True when `a` and `b` hold the same bytes; the time taken does not depend on where they differ.
bool SameBytes(ByteView a, ByteView b);

}  // namespace engine::crypto
