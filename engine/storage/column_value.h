// Typed reading of one column of a data row: numbers, dates, text (with long values followed)
// and raw binary. A missing column (nullptr) reads as NULL.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/storage/data_row.h"
#include "engine/storage/page_reader.h"
#include "engine/storage/text_codec.h"

namespace engine {

class ColumnValues {
 public:
  ColumnValues(const DataRow& row, PageReader& pages, const TextCodec& codec)
      : row_(row), pages_(pages), codec_(codec) {}

  // Boolean, Byte, Integer and Long columns.
  std::optional<int64_t> Int(const ColumnDef* column) const;
  // Date/Time and Double columns.
  std::optional<double> Double(const ColumnDef* column) const;
  // Text and Memo columns, as UTF-8.
  std::optional<std::string> Text(const ColumnDef* column) const;
  // Binary and OLE columns, raw bytes (any other column: its stored bytes).
  std::optional<std::string> Binary(const ColumnDef* column) const;

 private:
  const DataRow& row_;
  PageReader& pages_;
  const TextCodec& codec_;
};

}  // namespace engine
