#include "engine/application/object_directory.h"

#include "engine/storage/text_codec.h"

namespace engine::vba {

namespace {
constexpr size_t kHeaderSize = 4;
constexpr size_t kNumberSize = 4;
}  // namespace

std::vector<DirectoryEntry> ParseObjectDirectory(ByteView dirData) {
  std::vector<DirectoryEntry> entries;
  if (dirData.size() < kHeaderSize) return entries;
  size_t pos = kHeaderSize;
  while (pos < dirData.size()) {
    const size_t size = dirData.U8(pos + 1);
    if (size < kNumberSize) ThrowCorrupt("object directory entry too short");
    ByteView body = dirData.Sub(pos + 2, size);
    DirectoryEntry e;
    e.name = DecodeUcs2(body.Sub(0, size - kNumberSize));
    e.storage = body.U32(size - kNumberSize);
    entries.push_back(std::move(e));
    pos += 2 + size;
  }
  return entries;
}

}  // namespace engine::vba
