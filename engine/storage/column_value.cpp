#include "engine/storage/column_value.h"

#include "engine/storage/long_value.h"
#include "engine/catalogue/table_definition.h"

namespace engine {

std::optional<int64_t> ColumnValues::Int(const ColumnDef* c) const {
  if (!c) return std::nullopt;
  if (c->type == kColBoolean) return row_.BoolValue(*c) ? 1 : 0;
  if (row_.IsNull(*c)) return std::nullopt;
  ByteView b = row_.Bytes(*c);
  switch (c->type) {
    case kColByte: return b.U8(0);
    case kColInteger: return b.I16(0);
    case kColLong: return b.I32(0);
    default: return std::nullopt;
  }
}

std::optional<double> ColumnValues::Double(const ColumnDef* c) const {
  if (!c || row_.IsNull(*c)) return std::nullopt;
  if (c->type != kColDateTime && c->type != kColDouble) return std::nullopt;
  return row_.Bytes(*c).F64(0);
}

std::optional<std::string> ColumnValues::Text(const ColumnDef* c) const {
  if (!c || row_.IsNull(*c)) return std::nullopt;
  if (c->type == kColText) return codec_.Decode(row_.Bytes(*c));
  if (c->type == kColMemo) {
    std::string raw = ReadLongValue(pages_, row_.Bytes(*c));
    return codec_.Decode(ByteView(reinterpret_cast<const uint8_t*>(raw.data()), raw.size()));
  }
  return std::nullopt;
}

std::optional<std::string> ColumnValues::Binary(const ColumnDef* c) const {
  if (!c || row_.IsNull(*c)) return std::nullopt;
  if (c->type == kColOle) return ReadLongValue(pages_, row_.Bytes(*c));
  return row_.Bytes(*c).Str();
}

}  // namespace engine
