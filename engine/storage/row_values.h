// The typed value of one column of a data row, as the rows of a user table hand it over: numbers,
// exact Currency and Decimal, dates, text and memo (long values followed), binary and OLE bytes,
// GUIDs. Complex columns give the key that links the row to its hidden table's rows.
#pragma once

#include <cstdint>
#include <string>

#include "engine/catalogue/table_definition.h"
#include "engine/rows.h"
#include "engine/storage/data_row.h"
#include "engine/storage/page_reader.h"
#include "engine/storage/text_codec.h"

namespace engine {

// Fills `out` with the value of `column` in `row` (strings already in `out` lend their buffers).
// A complex column gives Kind::kInt with its complex value key; its items are the caller's.
// Raises CorruptError when the stored bytes cannot be that column's value.
void DecodeValue(const DataRow& row, const ColumnDef& column, PageReader& pages,
                 const TextCodec& codec, dao::Value& out);

// The exact decimal of a Jet4/ACE Decimal value: `bytes` is the stored 17-byte form (a sign byte,
// then the 128-bit magnitude as four little-endian 32-bit words, most significant first) and
// `scale` the column's scale. Raises CorruptError for a shorter value.
dao::Decimal DecimalFromStored(ByteView bytes, int scale);

// "YYYY-MM-DD hh:mm:ss.fffffff" from the text ACE keeps for a Date/Time Extended value (days since
// 1 January of year 1, a separator, seconds of the day, then ten-millionths). Raises CorruptError
// when the text is not of that form.
std::string ExtendedDateTimeText(ByteView stored);

// The bytes of an attachment's file from the stored FileData: a type word (0 stored as is,
// 1 deflate-compressed), the length of what follows once inflated, then a header (whose own
// length opens it, with the file's extension) and the file's bytes. Raises CorruptError for
// anything else.
std::string AttachmentFileBytes(ByteView stored);

}  // namespace engine
