// The compression Office uses for VBA project streams: a signature byte 0x01 followed by chunks
// of at most 4096 decompressed bytes, each either stored as is or as a sequence of literal bytes
// and back-references whose offset and length share a 16-bit token, the split between the two
// depending on how far into the chunk the decompressor is.
#pragma once

#include <string>

#include "engine/storage/bytes.h"

namespace engine::vba {

// The bytes a compressed container holds, decompressed. Raises CorruptError when the signature
// byte is not 0x01, a chunk header does not carry its fixed signature bits, or a back-reference
// points before the start of its chunk. A chunk whose stated size runs past the end of the
// container is read as far as the container goes, as Office itself does for a stream's last
// chunk. The output is never larger than 4096 bytes per chunk.
std::string DecompressContainer(ByteView container);

}  // namespace engine::vba
