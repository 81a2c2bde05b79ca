#include "engine/application/compression.h"

#include <algorithm>

namespace engine::vba {

namespace {

constexpr size_t kChunkSize = 4096;
constexpr uint8_t kContainerSignature = 0x01;

// Number of offset bits of a back-reference token made `distance` bytes into a chunk: the fewest
// bits able to address every byte decompressed so far, at least 4 and at most 12.
unsigned OffsetBits(size_t distance) {
  unsigned bits = 4;
  while (bits < 12 && (size_t{1} << bits) < distance) ++bits;
  return bits;
}

// Decompresses the token sequences of one chunk, `data` being the chunk's bytes after its header.
void DecompressChunk(ByteView data, std::string& out) {
  const size_t start = out.size();
  size_t pos = 0;
  while (pos < data.size()) {
    const uint8_t flags = data.U8(pos++);
    for (int bit = 0; bit < 8 && pos < data.size(); ++bit) {
      if (((flags >> bit) & 1) == 0) {
        out.push_back(static_cast<char>(data.U8(pos++)));
      } else {
        const uint16_t token = data.U16(pos);
        pos += 2;
        const size_t distance = out.size() - start;
        const unsigned offsetBits = OffsetBits(distance);
        const unsigned lengthBits = 16 - offsetBits;
        const size_t length = (token & ((1u << lengthBits) - 1)) + 3;
        const size_t offset = (token >> lengthBits) + 1;
        if (offset > distance) ThrowCorrupt("VBA back-reference before its chunk");
        // The source may overlap what is being written: copy byte by byte.
        for (size_t k = 0; k < length; ++k) out.push_back(out[out.size() - offset]);
      }
      if (out.size() - start > kChunkSize) ThrowCorrupt("VBA chunk larger than 4096 bytes");
    }
  }
}

}  // namespace

std::string DecompressContainer(ByteView container) {
  if (container.empty() || container.U8(0) != kContainerSignature)
    ThrowCorrupt("VBA compressed container without its signature");
  std::string out;
  size_t pos = 1;
  while (pos < container.size()) {
    const uint16_t header = container.U16(pos);
    if (((header >> 12) & 0x7) != 0x3) ThrowCorrupt("VBA chunk header without its signature");
    const bool compressed = (header & 0x8000) != 0;
    const size_t size = (header & 0x0FFF) + 3;  // the whole chunk, header included
    const size_t available = container.size() - pos;
    ByteView body = container.Sub(pos + 2, std::min(size, available) - 2);
    if (compressed) {
      DecompressChunk(body, out);
    } else {
      // A stored chunk holds 4096 bytes as they are.
      ByteView raw = body.Sub(0, std::min(body.size(), kChunkSize));
      out.append(reinterpret_cast<const char*>(raw.data()), raw.size());
    }
    pos += std::min(size, available);
  }
  return out;
}

}  // namespace engine::vba
