// Decoding of the file's text to UTF-8: UCS-2 with Jet4's compression, or a single-byte code page.
#pragma once

#include <cstdint>
#include <string>

#include "engine/storage/bytes.h"
#include "engine/storage/format.h"

namespace engine {

class TextCodec {
 public:
  // `codePage` is the database's code page from the header (used for single-byte text only);
  // 0 means 1252.
  TextCodec(TextStorage storage, uint16_t codePage);
  ~TextCodec();
  TextCodec(const TextCodec&) = delete;
  TextCodec& operator=(const TextCodec&) = delete;

  // The text stored in `bytes`, as UTF-8. Never fails: undecodable units become U+FFFD.
  std::string Decode(ByteView bytes) const;

 private:
  std::string DecodeSingleByte(ByteView bytes) const;
  TextStorage storage_;
  uint16_t codePage_;
  void* iconv_ = nullptr;  // iconv_t for code pages other than 1252
};

// UCS-2 / UTF-16 little-endian bytes, with or without the 0xFF 0xFE compression marker, to UTF-8.
std::string DecodeUcs2(ByteView bytes);
// Windows-1252 bytes to UTF-8.
std::string DecodeCp1252(ByteView bytes);
// Appends the UTF-8 form of `codePoint`.
void AppendUtf8(std::string& out, uint32_t codePoint);

}  // namespace engine
