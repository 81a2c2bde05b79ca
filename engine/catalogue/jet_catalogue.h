// The catalogue of an open Access file: the tables and queries listed in MSysObjects, turned into
// the object model's descriptions, with each table's definition and each query's SQL text read
// when the object model asks for them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/dao.h"
#include "engine/storage/page_reader.h"
#include "engine/catalogue/property_blob.h"
#include "engine/query/query_sql.h"
#include "engine/catalogue/system_tables.h"
#include "engine/catalogue/table_definition.h"
#include "engine/storage/text_codec.h"

namespace engine {

class JetCatalogue : public dao::CatalogueSource {
 public:
  // Reads MSysObjects (and MSysQueries, MSysComplexColumns) from `pages`. Fills `tables` and
  // `queries` with the descriptions, in the order the source indexes refer to: that of
  // MSysObjects' name index when it can be read, else the stored order. Raises CorruptError.
  JetCatalogue(std::string path, std::unique_ptr<PageReader> pages, uint16_t codePage,
               std::vector<dao::TableInfo>& tables, std::vector<dao::QueryInfo>& queries);

  std::string Format() const override;
  bool InCatalogueOrder() const override;
  // Raise dao::Error 3049 when the file is damaged.
  dao::TableDetail LoadTable(size_t index) override;
  std::string LoadSql(size_t index) override;
  // Containers and documents from MSysObjects; module, macro and definition texts from
  // MSysAccessStorage. A damaged storage is said on each document; never raises for it.
  std::vector<dao::ContainerInfo> LoadContainers() override;
  std::vector<dao::ParameterInfo> LoadParameters(size_t index) override;
  std::vector<QueryRow> LoadQueryRows(size_t index) override;
  uint32_t LoadQueryObjectFlags(size_t index) override;
  std::string LoadQueryLayout(size_t index) override;
  std::vector<dao::PropertyInfo> LoadDatabaseProperties() override;
  std::vector<dao::PropertyInfo> LoadTableProperties(size_t index) override;
  std::vector<dao::PropertyInfo> LoadQueryProperties(size_t index) override;
  std::vector<std::pair<std::string, std::vector<dao::PropertyInfo>>> LoadQueryColumnProperties(
      size_t index) override;
  bool LoadQueryHasOperationRow(size_t index) override;
  std::vector<dao::RelationInfo> LoadRelations() override;
  // The rows of table `index` (engine/catalogue/table_rows.h). Raises dao::Error 3049 when its
  // definition or usage map cannot be read.
  std::unique_ptr<dao::RowSource> LoadRows(size_t index, bool salvage) override;

  // The object model's description of a table definition (exposed for tests of the mapping),
  // with the column properties of `properties` (the table's property blocks).
  dao::TableDetail Describe(TableDefinition def,
                            const std::vector<PropertyBlock>& properties = {}) const;

 private:
  // The property blocks of the catalogue object `objectId` (none when it has no blob).
  std::vector<PropertyBlock> PropertyBlocks(int32_t objectId);
  // The application of an Access 97 file (its VBA project in MSysModules2) into `containers`.
  void LoadAccess97Application(std::vector<dao::ContainerInfo>& containers);
  // The properties the object itself holds (its block with no column name).
  std::vector<dao::PropertyInfo> ObjectProperties(int32_t objectId);

  std::string path_;
  std::shared_ptr<PageReader> pages_;  // shared with the row sources, which outlive a close
  uint16_t codePage_;
  TextCodec codec_;
  std::vector<uint32_t> tablePages_;               // per table; 0 for linked tables
  std::vector<int32_t> tableIds_;                  // per table: its MSysObjects id
  std::vector<int32_t> queryIds_;                  // per query
  int32_t databaseId_ = 0;                         // MSysDb, the database's own properties
  uint32_t relationshipsPage_ = 0;
  // LvProp of every object, read on the first request for any properties.
  std::optional<std::unordered_map<int32_t, std::string>> propertyFields_;
  std::optional<std::unordered_map<int32_t, std::string>> layoutFields_;  // LvExtra
  std::optional<std::pair<int32_t, std::vector<PropertyBlock>>> lastBlocks_;  // last decoded
  std::vector<std::vector<QueryRow>> queryRows_;   // per query, in stored order
  std::vector<uint32_t> queryFlags_;               // per query: its Flags in MSysObjects
  std::map<int32_t, int16_t> complexTypes_;        // complex id -> DAO type code
  struct ComplexTables {
    int32_t flatTableId = 0;      // the hidden table holding the values
    int32_t templateTableId = 0;  // MSysComplexType_…, whose columns are the user's
  };
  std::map<int32_t, ComplexTables> complexTables_;  // complex id -> its tables
  bool inCatalogueOrder_ = false;
  std::vector<CatalogueObject> objects_;           // every MSysObjects row, for the containers
  uint32_t storagePage_ = 0;                       // MSysAccessStorage's definition; 0: none
  uint32_t accessObjectsPage_ = 0;                 // MSysAccessObjects' definition; 0: none
  uint32_t modules2Page_ = 0;                      // MSysModules2's (Access 97 VBA); 0: none
};

// DAO's Connect of a linked table from its MSysObjects row: an ODBC link (object type 4) keeps its
// stored connect string; a link to an Access file (type 6) is the stored options (empty, or a
// password as "MS Access;PWD=…") followed by ";DATABASE=" and the file. Empty for other objects.
std::string LinkConnect(int objectType, const std::string& connect, const std::string& database);

// DAO's type code and size for a column. `resultType` is a calculated column's ResultType
// property (a column type code; 0 when none is stored).
dao::FieldInfo DescribeColumn(const ColumnDef& column, const FormatDescriptor& format,
                              const std::map<int32_t, int16_t>& complexTypes,
                              int resultType = 0);
// The same, into `info`, leaving its name as it is.
void DescribeColumnType(const ColumnDef& column, const FormatDescriptor& format,
                        const std::map<int32_t, int16_t>& complexTypes, int resultType,
                        dao::FieldInfo& info);

}  // namespace engine
