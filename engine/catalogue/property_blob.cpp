#include "engine/catalogue/property_blob.h"

#include <cstring>

namespace engine {

namespace {

constexpr size_t kSignatureSize = 4;
constexpr size_t kChunkHead = 6;  // 32-bit length, 16-bit kind
constexpr uint16_t kNameChunk = 0x80;
constexpr size_t kEntryHead = 8;  // length, flags, type, name number, value length

bool HasSignature(ByteView blob) {
  if (!blob.Has(0, kSignatureSize)) return false;
  const char* s = reinterpret_cast<const char*>(blob.data());
  return std::memcmp(s, "MR2\0", 4) == 0 || std::memcmp(s, "KKD\0", 4) == 0;
}

std::vector<std::string> ReadNames(ByteView chunk, const TextCodec& codec) {
  std::vector<std::string> names;
  size_t pos = 0;
  while (pos < chunk.size()) {
    const size_t length = chunk.U16(pos);
    names.push_back(codec.Decode(chunk.Sub(pos + 2, length)));
    pos += 2 + length;
  }
  return names;
}

PropertyBlock ReadValues(ByteView chunk, const std::vector<std::string>& names,
                         const TextCodec& codec) {
  PropertyBlock block;
  const size_t namePart = chunk.U32(0);
  if (namePart < 6 || !chunk.Has(0, namePart)) ThrowCorrupt("property chunk name out of bounds");
  block.target = codec.Decode(chunk.Sub(6, chunk.U16(4)));
  size_t pos = namePart;
  while (pos < chunk.size()) {
    const size_t length = chunk.U16(pos);
    if (length < kEntryHead || !chunk.Has(pos, length)) ThrowCorrupt("property entry out of bounds");
    ByteView entry = chunk.Sub(pos, length);
    StoredProperty p;
    p.flags = entry.U8(2);
    p.type = entry.U8(3);
    const size_t nameNumber = entry.U16(4);
    if (nameNumber >= names.size()) ThrowCorrupt("property name number out of range");
    p.name = names[nameNumber];
    p.value = entry.Sub(kEntryHead, entry.U16(6)).Str();
    block.properties.push_back(std::move(p));
    pos += length;
  }
  return block;
}

}  // namespace

std::vector<PropertyBlock> ParsePropertyBlob(ByteView blob, const TextCodec& codec) {
  std::vector<PropertyBlock> blocks;
  if (blob.empty()) return blocks;
  if (!HasSignature(blob)) ThrowCorrupt("property blob without its signature");
  std::vector<std::string> names;
  size_t pos = kSignatureSize;
  while (pos < blob.size()) {
    const size_t length = blob.U32(pos);
    if (length < kChunkHead || !blob.Has(pos, length)) ThrowCorrupt("property chunk out of bounds");
    const uint16_t kind = blob.U16(pos + 4);
    ByteView body = blob.Sub(pos + kChunkHead, length - kChunkHead);
    if (kind == kNameChunk)
      names = ReadNames(body, codec);
    else
      blocks.push_back(ReadValues(body, names, codec));
    pos += length;
  }
  return blocks;
}

}  // namespace engine
