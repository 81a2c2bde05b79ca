// The catalogue of an open Access file: the tables and queries listed in MSysObjects, turned into
// the object model's descriptions, with each table's definition and each query's SQL text read
// when the object model asks for them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "engine/page_reader.h"
#include "engine/query_sql.h"
#include "engine/system_tables.h"
#include "engine/table_definition.h"
#include "engine/text_codec.h"

namespace engine {

class JetCatalogue : public dao::CatalogueSource {
 public:
  // Reads MSysObjects (and MSysQueries, MSysComplexColumns) from `pages`. Fills `tables` and
  // `queries` with the descriptions, in the order the source indexes refer to. Raises
  // CorruptError.
  JetCatalogue(std::string path, std::unique_ptr<PageReader> pages, uint16_t codePage,
               std::vector<dao::TableInfo>& tables, std::vector<dao::QueryInfo>& queries);

  std::string Format() const override;
  // Raise dao::Error 3049 when the file is damaged.
  dao::TableDetail LoadTable(size_t index) override;
  std::string LoadSql(size_t index) override;
  // Containers and documents from MSysObjects; module, macro and definition texts from
  // MSysAccessStorage. A damaged storage is said on each document; never raises for it.
  std::vector<dao::ContainerInfo> LoadContainers() override;

  // The object model's description of a table definition (exposed for tests of the mapping).
  dao::TableDetail Describe(const TableDefinition& def) const;

 private:
  std::string path_;
  std::unique_ptr<PageReader> pages_;
  TextCodec codec_;
  std::vector<uint32_t> tablePages_;               // per table; 0 for linked tables
  std::vector<std::vector<QueryRow>> queryRows_;   // per query, in stored order
  std::map<int32_t, int16_t> complexTypes_;        // complex id -> DAO type code
  std::vector<CatalogueObject> objects_;           // every MSysObjects row, for the containers
  uint32_t storagePage_ = 0;                       // MSysAccessStorage's definition; 0: none
};

// DAO's type code and size for a column.
dao::FieldInfo DescribeColumn(const ColumnDef& column, const FormatDescriptor& format,
                              const std::map<int32_t, int16_t>& complexTypes);

}  // namespace engine
