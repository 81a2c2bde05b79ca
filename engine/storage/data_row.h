// One data row split into its columns: the column count, the fixed-length area, the
// variable-length columns located through the row's offset table, and the null mask.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/storage/bytes.h"
#include "engine/storage/format.h"
#include "engine/catalogue/table_definition.h"

namespace engine {

class DataRow {
 public:
  // Splits `row` (the row's bytes, which must outlive this object) by the table's definition.
  // Raises CorruptError when the row's own tables do not fit inside it.
  static DataRow Parse(ByteView row, const TableDefinition& def, const FormatDescriptor& format);

  // True when the column holds no value. For Boolean columns the null mask is the value itself,
  // so they are never null.
  bool IsNull(const ColumnDef& column) const;
  // The column's stored bytes (empty for a null value). Raises CorruptError when they leave the
  // row.
  ByteView Bytes(const ColumnDef& column) const;
  // The value of a Boolean column.
  bool BoolValue(const ColumnDef& column) const { return MaskBit(column.number); }

 private:
  bool MaskBit(uint16_t number) const;
  ByteView row_;
  size_t fixedStart_ = 0;
  size_t columnCount_ = 0;
  ByteView mask_;
  std::vector<uint16_t> varOffsets_;  // one per stored variable column, then the end offset
};

}  // namespace engine
