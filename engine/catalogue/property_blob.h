// The property blob of a catalogue object (MSysObjects.LvProp): the stored properties of a table
// and of each of its columns, of a query, or of the database itself.
//
// Layout: a 4-byte signature ("MR2\0"; "KKD\0" in Jet3 files), then chunks, each a 32-bit length
// (counting its own 6-byte head) and a 16-bit kind. The name chunk (kind 0x80) lists every
// property name once, each as a 16-bit byte length and the text; the value chunks (any other kind)
// open with a 32-bit length of their name part and the 16-bit length and text of the name of the
// object they describe (empty: the object itself; otherwise one of its columns), then one entry a
// property: 16-bit entry length, a flag byte, the DAO type code, the 16-bit number of the name in
// the name chunk, the 16-bit value length and the value's bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/bytes.h"
#include "engine/storage/text_codec.h"

namespace engine {

struct StoredProperty {
  std::string name;
  uint8_t type = 0;    // DAO type code of the value
  uint8_t flags = 0;   // as stored (set for properties created by DDL)
  std::string value;   // the value's raw bytes
};

// The properties one value chunk holds.
struct PropertyBlock {
  std::string target;  // empty: the object itself; otherwise the column's name
  std::vector<StoredProperty> properties;  // stored order
};

// Every value chunk of `blob`, in stored order. An empty blob has none. Raises CorruptError when
// the signature is unknown, a length leaves its chunk or a name number is out of range.
std::vector<PropertyBlock> ParsePropertyBlob(ByteView blob, const TextCodec& codec);

}  // namespace engine
