// Walks the live rows of a table: every data page of its usage map that belongs to it, row by row
// in stored order, skipping deleted rows and following overflow pointers.
#pragma once

#include <functional>

#include "engine/storage/data_page.h"
#include "engine/storage/data_row.h"
#include "engine/storage/page_reader.h"
#include "engine/catalogue/table_definition.h"

namespace engine {

// Calls `visit` for each live row of the table `def`, in page and row order. The row's bytes are
// valid during the call only.
void ScanTable(PageReader& pages, const TableDefinition& def,
               const std::function<void(const DataRow&)>& visit);

// As ScanTable, with where each row is (its page and row number, as index entries name it).
void ScanTableRows(PageReader& pages, const TableDefinition& def,
                   const std::function<void(const DataRow&, RowPointer)>& visit);

}  // namespace engine
