#include "engine/query/query_layout.h"

#include "engine/storage/text_codec.h"

namespace engine {

namespace {

constexpr size_t kHeaderSize = 16;
constexpr size_t kNumbersSize = 13 * 4;
constexpr size_t kNameSize = 132;
constexpr size_t kTableSize = 5 * 4 + 2 * kNameSize;

// A NUL-padded UTF-16 field, up to its first NUL.
std::string PaddedName(ByteView field) {
  size_t length = 0;
  while (length + 1 < field.size() && (field.U8(length) | field.U8(length + 1)) != 0) length += 2;
  return DecodeUcs2(field.Sub(0, length));
}

}  // namespace

QueryLayout ParseQueryLayout(ByteView field) {
  if (!field.Has(0, kHeaderSize + kNumbersSize))
    throw CorruptError("disposizione della query: campo troncato");
  if (field.U32(0) != 0xACCE9999u) throw CorruptError("disposizione della query: intestazione sconosciuta");
  for (size_t i = 4; i < kHeaderSize; ++i)
    if (field.U8(i) != 0xAA) throw CorruptError("disposizione della query: intestazione sconosciuta");
  auto number = [&](size_t k) { return field.I32(kHeaderSize + 4 * k); };
  QueryLayout layout;
  layout.window = {number(0), number(1), number(2), number(3)};
  layout.state = number(4);
  layout.pane = {number(5), number(6), number(7), number(8)};
  layout.left = number(9);
  layout.top = number(10);
  layout.columnsShown = number(11);
  const int32_t count = number(12);
  const size_t first = kHeaderSize + kNumbersSize;
  if (count < 0 || static_cast<size_t>(count) > (field.size() - first) / kTableSize)
    throw CorruptError("disposizione della query: " + std::to_string(count) +
                       " tabelle non entrano nel campo");
  for (int32_t t = 0; t < count; ++t) {
    const ByteView record = field.Sub(first + static_cast<size_t>(t) * kTableSize, kTableSize);
    QueryLayoutTable table;
    table.box = {record.I32(0), record.I32(4), record.I32(8), record.I32(12)};
    table.scrollTop = record.I32(16);
    table.name = PaddedName(record.Sub(20, kNameSize));
    table.alias = PaddedName(record.Sub(20 + kNameSize, kNameSize));
    layout.tables.push_back(std::move(table));
  }
  return layout;
}

}  // namespace engine
