#include "engine/storage/bytes.h"

#include <cstring>

namespace engine {

void ThrowCorrupt(const std::string& what) { throw CorruptError(what); }

uint32_t ByteView::U24(size_t offset) const {
  Check(offset, 3);
  return static_cast<uint32_t>(data_[offset]) | (static_cast<uint32_t>(data_[offset + 1]) << 8) |
         (static_cast<uint32_t>(data_[offset + 2]) << 16);
}

uint32_t ByteView::U24Be(size_t offset) const {
  Check(offset, 3);
  return (static_cast<uint32_t>(data_[offset]) << 16) |
         (static_cast<uint32_t>(data_[offset + 1]) << 8) | static_cast<uint32_t>(data_[offset + 2]);
}

uint32_t ByteView::U32Be(size_t offset) const {
  Check(offset, 4);
  return (static_cast<uint32_t>(data_[offset]) << 24) |
         (static_cast<uint32_t>(data_[offset + 1]) << 16) |
         (static_cast<uint32_t>(data_[offset + 2]) << 8) | static_cast<uint32_t>(data_[offset + 3]);
}

double ByteView::F64(size_t offset) const {
  Check(offset, 8);
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | data_[offset + static_cast<size_t>(i)];
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

ByteView ByteView::Sub(size_t offset, size_t length) const {
  Check(offset, length);
  return ByteView(data_ + offset, length);
}

ByteView ByteView::From(size_t offset) const {
  Check(offset, 0);
  return ByteView(data_ + offset, size_ - offset);
}

}  // namespace engine
