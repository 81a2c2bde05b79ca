// Long values (memo and OLE): a 12-byte field in the row that holds the value inline, or points to
// one row on a long-value page, or to the first row of a chain of such rows.
#pragma once

#include <cstdint>
#include <string>

#include "engine/storage/page_reader.h"

namespace engine {

// The whole value described by the 12-byte `field`. Raises CorruptError for a length that does
// not match the data or exceeds `maxLength` (16 MiB unless said: the catalogue's long values are
// short) or the file, a broken pointer or a loop in a chain.
std::string ReadLongValue(PageReader& pages, ByteView field, size_t maxLength = 16u << 20);

}  // namespace engine
