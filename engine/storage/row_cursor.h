// A pull iterator over the live rows of a table: the data pages its usage map names, row by row in
// stored order, deleted rows skipped and overflow rows followed. Only the page being read is held,
// so a walk over a table of any size needs the same memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/catalogue/table_definition.h"
#include "engine/storage/data_page.h"
#include "engine/storage/data_row.h"
#include "engine/storage/page_reader.h"

namespace engine {

class RowCursor {
 public:
  // A cursor before the first row of `def`, whose pages `pages` reads. Both must outlive it.
  // Raises CorruptError when the table's usage map cannot be read.
  RowCursor(PageReader& pages, const TableDefinition& def);

  // Moves to the next live row and returns true; false after the last. Raises CorruptError when
  // the row (or its page) cannot be read; the cursor has then moved past it (past the whole page
  // when the page itself is unreadable) and Next may be called again to go on.
  bool Next();
  // The current row, valid until the next call of Next.
  const DataRow& Row() const { return *row_; }
  // The position of the current row (or of the one that could not be read) among the table's
  // live rows, from 1 (after a page that failed whole, among the rows that could be counted).
  int64_t Position() const { return position_; }
  // Where the current row's slot is: its page and row number.
  RowPointer Where() const { return where_; }
  // After Next raised: whether the whole page failed (its rows are not counted in Position(), as
  // their number cannot be read), rather than one row.
  bool PageFailed() const { return pageFailed_; }

 private:
  PageReader& pages_;
  const TableDefinition& def_;
  std::vector<uint32_t> pageNumbers_;  // the pages of the usage map
  size_t nextPage_ = 0;                // the next entry of pageNumbers_ to read
  std::optional<DataPage> page_;       // the data page being read, when it belongs to the table
  size_t slot_ = 0;                    // the next slot of page_ to look at
  RowPointer where_;
  PagePtr keep_;                       // the page holding an overflow row's bytes
  std::optional<DataRow> row_;
  int64_t position_ = 0;
  bool pageFailed_ = false;
};

}  // namespace engine
