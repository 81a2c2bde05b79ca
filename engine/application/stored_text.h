// Text kept inside the binary definition (Blob stream) of a form, report or macro: the UTF-16
// strings of its properties (record source, row sources, control sources, captions, conditions,
// action arguments), and, for macros saved by Access 2010 and later, the macro's whole definition
// as XML, cut into pieces kept as comments of the action rows.
#pragma once

#include <string>
#include <vector>

#include "engine/storage/bytes.h"

namespace engine::vba {

// Every run of at least `minimum` printable UTF-16 little-endian characters (code units from
// U+0020 up, tab, CR and LF; no controls or surrogates), at any byte offset, in stored order, as
// UTF-8. A heuristic: it finds the strings a definition stores, and may find short runs of bytes
// that only look like text.
std::vector<std::string> StoredStrings(ByteView blob, size_t minimum = 2);

// The text properties of a form's or report's definition (record source, row and control sources,
// captions, event settings…): each is stored as a 32-bit kind 4, a 32-bit length in bytes and
// that many bytes of UTF-16. Only those of at least `minimum` printable characters are returned,
// in stored order.
std::vector<std::string> PropertyStrings(ByteView blob, size_t minimum = 2);

// The XML definition of a macro as Access 2010 and later save it beside the action rows: the
// pieces of text marked "_AXL:", joined in stored order. "" when the blob holds none.
std::string MacroXml(ByteView blob);

}  // namespace engine::vba
