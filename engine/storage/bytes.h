// Little-endian decoding of on-disk bytes, with every read checked against the bounds of the
// buffer. All multi-byte values of the file are read through ByteView; a read outside the view
// means the file is damaged and raises CorruptError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace engine {

// Raised by the decoders when the file's content is structurally impossible. The reader turns it
// into the engine error 3049 at its public boundary, where the database's name is known.
class CorruptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void ThrowCorrupt(const std::string& what);

class ByteView {
 public:
  ByteView() = default;
  ByteView(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  // The bytes of a string that holds raw bytes (a long value, a stream read into memory); the
  // string must outlive the view.
  static ByteView Of(std::string_view bytes) {
    return ByteView(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // True when [offset, offset + length) lies inside the view.
  bool Has(size_t offset, size_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }

  // The readers are inline: table definitions and rows are decoded field by field, and the
  // bounds check costs less than a call.
  uint8_t U8(size_t offset) const {
    Check(offset, 1);
    return data_[offset];
  }
  uint16_t U16(size_t offset) const {
    Check(offset, 2);
    return static_cast<uint16_t>(data_[offset] | (data_[offset + 1] << 8));
  }
  uint32_t U24(size_t offset) const;
  uint32_t U32(size_t offset) const {
    Check(offset, 4);
    return static_cast<uint32_t>(data_[offset]) | (static_cast<uint32_t>(data_[offset + 1]) << 8) |
           (static_cast<uint32_t>(data_[offset + 2]) << 16) |
           (static_cast<uint32_t>(data_[offset + 3]) << 24);
  }
  // Big-endian reads, for the few structures stored most significant byte first (index entries).
  uint32_t U24Be(size_t offset) const;
  uint32_t U32Be(size_t offset) const;
  int16_t I16(size_t offset) const { return static_cast<int16_t>(U16(offset)); }
  int32_t I32(size_t offset) const { return static_cast<int32_t>(U32(offset)); }
  double F64(size_t offset) const;
  // The bytes [offset, offset + length); raises CorruptError when they leave the view.
  ByteView Sub(size_t offset, size_t length) const;
  // From offset to the end of the view.
  ByteView From(size_t offset) const;
  std::string Str() const { return std::string(reinterpret_cast<const char*>(data_), size_); }

 private:
  void Check(size_t offset, size_t length) const {
    if (!Has(offset, length)) [[unlikely]] ThrowCorrupt("read outside a structure");
  }
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace engine
