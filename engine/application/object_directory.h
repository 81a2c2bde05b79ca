// The DirData stream of a container's storage (Forms, Reports, Scripts…): which numbered child
// storage holds each object. After a 4-byte header, each entry is a kind byte, a size byte (the
// bytes that follow: the UTF-16 name and a 32-bit storage number) and those bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/bytes.h"

namespace engine::vba {

struct DirectoryEntry {
  std::string name;  // UTF-8
  uint32_t storage = 0;  // the child storage is named after this number in decimal
};

// Parses a DirData stream. Raises CorruptError when an entry runs past the end of the stream or
// is too short to hold its storage number.
std::vector<DirectoryEntry> ParseObjectDirectory(ByteView dirData);

}  // namespace engine::vba
