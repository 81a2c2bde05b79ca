#include "engine/catalogue/table_definition.h"

#include <unordered_set>

namespace engine {

namespace {

constexpr size_t kTdefNextPage = 4;
constexpr size_t kTdefPageHeader = 8;  // header repeated on every page of a definition
constexpr int kKeyColumnSlots = 10;
constexpr uint16_t kNoColumn = 0xFFFF;
constexpr uint8_t kAscendingKey = 0x01;  // order byte of a key column
// Far beyond the largest definition Access can write (255 columns, 32 indexes).
constexpr size_t kMaxDefinitionPages = 256;

// The definition's bytes: the first page itself when the definition fits on it (most do), else
// its pages joined into `joined`, the header of each following page left out. `first` keeps the
// first page alive.
ByteView DefinitionBytes(PageReader& pages, uint32_t firstNumber, PagePtr& first,
                         std::vector<uint8_t>& joined) {
  first = pages.Read(firstNumber);
  if (first->Type() != kPageTableDefinition) ThrowCorrupt("not a table definition page");
  ByteView view = first->View();
  uint32_t number = view.U32(kTdefNextPage);
  if (number == 0) return view;

  joined.assign(view.data(), view.data() + view.size());
  std::unordered_set<uint32_t> seen = {firstNumber};
  while (number != 0) {
    if (!seen.insert(number).second) ThrowCorrupt("loop in a table definition's pages");
    if (seen.size() > kMaxDefinitionPages) ThrowCorrupt("table definition too long");
    PagePtr page = pages.Read(number);
    if (page->Type() != kPageTableDefinition) ThrowCorrupt("not a table definition page");
    ByteView body = page->View().From(kTdefPageHeader);
    joined.insert(joined.end(), body.data(), body.data() + body.size());
    number = page->View().U32(kTdefNextPage);
  }
  return ByteView(joined.data(), joined.size());
}

// A name with its length prefix at `pos`; advances `pos` past it.
std::string ReadName(ByteView buf, size_t& pos, const FormatDescriptor& f, const TextCodec& codec) {
  size_t length = f.nameLengthSize == 1 ? buf.U8(pos) : buf.U16(pos);
  pos += f.nameLengthSize;
  std::string name = codec.Decode(buf.Sub(pos, length));
  pos += length;
  return name;
}

// Checks that `count` entries of `size` bytes fit at `pos` before anything is allocated for them.
void CheckRoom(ByteView buf, size_t pos, size_t count, size_t size) {
  if (!buf.Has(pos, count * size)) ThrowCorrupt("table definition shorter than its entries");
}

}  // namespace

TableDefinition TableDefinition::Read(PageReader& pages, uint32_t page, const TextCodec& codec) {
  const FormatDescriptor& f = pages.Format();
  PagePtr first;
  std::vector<uint8_t> joined;
  const ByteView buf = DefinitionBytes(pages, page, first, joined);

  TableDefinition def;
  def.page = page;
  def.rowCount = buf.U32(f.tdefRowCount);
  def.varColumnCount = buf.U16(f.tdefVarColumns);
  const size_t columnCount = buf.U16(f.tdefColumnCount);
  const size_t indexCount = buf.U32(f.tdefIndexCount);
  const size_t realIndexCount = buf.U32(f.tdefRealIndexCount);
  def.usageMap = buf.U32(f.tdefUsageMap);

  size_t pos = f.tdefBlockEnd;
  CheckRoom(buf, pos, realIndexCount, f.realIndexCountEntrySize);
  pos += realIndexCount * f.realIndexCountEntrySize;

  CheckRoom(buf, pos, columnCount, f.columnEntrySize);
  def.columns.resize(columnCount);
  for (ColumnDef& c : def.columns) {
    ByteView e = buf.Sub(pos, f.columnEntrySize);
    c.type = e.U8(f.columnType);
    c.number = e.U16(f.columnNumber);
    c.varIndex = e.U16(f.columnVarIndex);
    c.misc = e.Has(f.columnMisc, 4) ? e.U32(f.columnMisc) : e.U16(f.columnMisc);
    c.flags = e.U8(f.columnFlags);
    if (f.columnExtraFlags != 0) c.extraFlags = e.U8(f.columnExtraFlags);
    c.fixedOffset = e.U16(f.columnFixedOffset);
    c.length = e.U16(f.columnLength);
    pos += f.columnEntrySize;
  }
  for (ColumnDef& c : def.columns) c.name = ReadName(buf, pos, f, codec);

  CheckRoom(buf, pos, realIndexCount, f.realIndexEntrySize);
  def.realIndexes.resize(realIndexCount);
  for (RealIndexDef& r : def.realIndexes) {
    ByteView e = buf.Sub(pos, f.realIndexEntrySize);
    for (int k = 0; k < kKeyColumnSlots; ++k) {
      const size_t slot = f.realIndexColumns + static_cast<size_t>(k) * 3;
      uint16_t number = e.U16(slot);
      if (number == kNoColumn) continue;
      r.columnNumbers.push_back(number);
      r.descending.push_back((e.U8(slot + 2) & kAscendingKey) == 0);
    }
    r.flags = e.U8(f.realIndexFlags);
    r.firstPage = e.U32(f.realIndexFirstPage);
    pos += f.realIndexEntrySize;
  }

  CheckRoom(buf, pos, indexCount, f.indexEntrySize);
  def.indexes.resize(indexCount);
  for (LogicalIndexDef& l : def.indexes) {
    ByteView e = buf.Sub(pos, f.indexEntrySize);
    l.realIndex = e.U32(f.indexRealIndex);
    l.type = e.U8(f.indexType);
    l.relatedTableType = e.U8(f.indexRelatedTableType);
    if (l.realIndex >= realIndexCount) ThrowCorrupt("index refers to a missing physical index");
    pos += f.indexEntrySize;
  }
  for (LogicalIndexDef& l : def.indexes) l.name = ReadName(buf, pos, f, codec);
  return def;
}

const ColumnDef* TableDefinition::ColumnByNumber(uint16_t number) const {
  for (const ColumnDef& c : columns)
    if (c.number == number) return &c;
  return nullptr;
}

const ColumnDef* TableDefinition::ColumnByName(const std::string& name) const {
  for (const ColumnDef& c : columns)
    if (c.name == name) return &c;
  return nullptr;
}

}  // namespace engine
