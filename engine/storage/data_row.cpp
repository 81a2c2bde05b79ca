#include "engine/storage/data_row.h"

namespace engine {

namespace {

// Jet3 rows keep one-byte offsets. Rows longer than 255 bytes add a jump table: each entry names
// the first variable column whose offset has passed one more multiple of 256.
std::vector<uint16_t> OneByteOffsets(ByteView row, size_t maskSize) {
  const size_t size = row.size();
  if (size < maskSize + 2) ThrowCorrupt("row too short for its offset table");
  const size_t varLenPos = size - maskSize - 1;
  const size_t varLen = row.U8(varLenPos);
  size_t jumps = (size - 1) / 256;
  if (varLenPos < jumps + 1 + varLen) ThrowCorrupt("row offset table outside the row");
  const size_t tableEnd = varLenPos - jumps - 1;  // entry 0 of the offset table
  // The last jump entry may be a filler when the offsets never reach its multiple of 256.
  if ((tableEnd - varLen) / 256 < jumps) --jumps;
  std::vector<uint16_t> offsets(varLen + 1);
  size_t used = 0;
  for (size_t i = 0; i <= varLen; ++i) {
    while (used < jumps && i == row.U8(varLenPos - 1 - used)) ++used;
    offsets[i] = static_cast<uint16_t>(row.U8(tableEnd - i) + 256 * used);
  }
  return offsets;
}

std::vector<uint16_t> TwoByteOffsets(ByteView row, size_t maskSize) {
  const size_t size = row.size();
  if (size < maskSize + 2) ThrowCorrupt("row too short for its offset table");
  const size_t varLenPos = size - maskSize - 2;
  const size_t varLen = row.U16(varLenPos);
  if (varLenPos < 2 * (varLen + 1)) ThrowCorrupt("row offset table outside the row");
  std::vector<uint16_t> offsets(varLen + 1);
  for (size_t i = 0; i <= varLen; ++i) offsets[i] = row.U16(varLenPos - 2 * (i + 1));
  return offsets;
}

}  // namespace

DataRow DataRow::Parse(ByteView row, const TableDefinition& def, const FormatDescriptor& f) {
  DataRow r;
  r.row_ = row;
  r.fixedStart_ = f.rowColumnCountSize;
  r.columnCount_ = f.rowColumnCountSize == 1 ? row.U8(0) : row.U16(0);
  const size_t maskSize = (r.columnCount_ + 7) / 8;
  if (row.size() < f.rowColumnCountSize + maskSize) ThrowCorrupt("row shorter than its null mask");
  r.mask_ = row.Sub(row.size() - maskSize, maskSize);
  if (def.varColumnCount > 0) {
    r.varOffsets_ = f.rowOffsets == RowOffsets::kOneByteWithJumps ? OneByteOffsets(row, maskSize)
                                                                  : TwoByteOffsets(row, maskSize);
  }
  return r;
}

bool DataRow::MaskBit(uint16_t number) const {
  if (number >= columnCount_) return false;
  return (mask_.U8(number / 8) >> (number % 8)) & 1;
}

bool DataRow::IsNull(const ColumnDef& column) const {
  if (column.type == kColBoolean) return false;
  if (!MaskBit(column.number)) return true;
  if (!column.IsFixed() && static_cast<size_t>(column.varIndex) + 1 >= varOffsets_.size())
    return true;  // added after this row was written
  return false;
}

ByteView DataRow::Bytes(const ColumnDef& column) const {
  if (IsNull(column) || column.type == kColBoolean) return {};
  if (column.IsFixed()) return row_.Sub(fixedStart_ + column.fixedOffset, column.length);
  const size_t start = varOffsets_[column.varIndex];
  const size_t end = varOffsets_[column.varIndex + 1u];
  if (end < start) ThrowCorrupt("variable column ends before it starts");
  return row_.Sub(start, end - start);
}

}  // namespace engine
