// The rows of a user table as typed values: a RowSource (engine/rows.h) over a RowCursor, with
// the items of complex columns (attachments, multi-value fields, version histories) gathered from
// their hidden tables.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/catalogue/table_definition.h"
#include "engine/rows.h"
#include "engine/storage/page_reader.h"
#include "engine/storage/row_cursor.h"
#include "engine/storage/text_codec.h"

namespace engine {

// Where the values of a complex column live: the definition page of its hidden ("flat") table,
// and the user columns of its template (MSysComplexType_…), by name in the template's order.
struct ComplexStore {
  uint32_t flatPage = 0;
  std::vector<std::string> userColumns;
};

class TableRows : public dao::RowSource {
 public:
  // The rows of the table whose definition is `def`; `fields` is the object model's description
  // of its columns (in field order, as JetCatalogue::Describe gives them), `stores` the hidden
  // tables of its complex columns by complex id. `pages` is shared so that the rows stay readable
  // after the database is closed. Raises CorruptError when the usage map or a hidden table's
  // definition cannot be read.
  TableRows(std::shared_ptr<PageReader> pages, uint16_t codePage, std::string name,
            TableDefinition def, const std::vector<dao::FieldInfo>& fields,
            const std::map<int32_t, ComplexStore>& stores, bool salvage);

  const std::string& TableName() const override { return name_; }
  const std::vector<dao::RowColumn>& Columns() const override { return columns_; }
  bool Next(std::vector<dao::Value>& row) override;
  int64_t RowsRead() const override { return rowsRead_; }
  const std::vector<dao::LostRow>& Lost() const override { return lost_; }

 private:
  // A complex column's hidden table and, by complex value key, where its rows are.
  struct Complex {
    TableDefinition flat;
    std::vector<const ColumnDef*> parts;  // the user columns, in the order of RowColumn::parts
    const ColumnDef* key = nullptr;       // the column linking a row to its owner
    bool attachment = false;              // FileData holds a compressed file
    std::map<int32_t, std::vector<RowPointer>> rowsByKey;  // filled before the first row
    bool indexed = false;
  };
  void Index(Complex& complex);
  void ReadItems(Complex& complex, int32_t key, std::vector<dao::ComplexItem>& items);
  void ReadRow(std::vector<dao::Value>& row);
  // Salvaging, after the last row: records the rows the definition counts that were neither read
  // nor reported lost.
  void CountMissing();

  std::shared_ptr<PageReader> pages_;
  TextCodec codec_;
  std::string name_;
  TableDefinition def_;
  std::vector<const ColumnDef*> order_;  // def_'s columns in field order
  std::vector<int> resultTypes_;         // per column: a calculated column's DAO result type
  std::vector<dao::RowColumn> columns_;
  std::map<size_t, Complex> complexes_;  // by position in order_
  RowCursor cursor_;
  bool salvage_;
  int64_t rowsRead_ = 0;
  bool counted_ = false;  // CountMissing has run
  std::vector<dao::LostRow> lost_;
};

}  // namespace engine
