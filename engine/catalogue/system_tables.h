// The system tables the catalogue is read from: MSysObjects (every object of the database, its
// table definition always on page 2), MSysQueries (the stored queries, as rows) and, in ACE files,
// MSysComplexColumns (what each multi-valued or attachment column holds).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/storage/data_page.h"
#include "engine/storage/page_reader.h"
#include "engine/query/query_sql.h"
#include "engine/storage/text_codec.h"

namespace engine {

// Object types of MSysObjects.
enum ObjectType : int {
  kObjectTable = 1,
  kObjectOdbcTable = 4,
  kObjectQuery = 5,
  kObjectLinkedTable = 6,
};

constexpr uint32_t kCatalogueDefinitionPage = 2;

struct CatalogueObject {
  int32_t id = 0;
  int32_t parentId = 0;
  std::string name;
  int type = 0;
  double dateCreated = 0;
  double dateUpdated = 0;
  uint32_t flags = 0;
  std::string database;     // linked tables: the source database's path
  std::string connect;      // ODBC-linked tables: the connect string
  std::string foreignName;  // linked tables: the name in the source
  RowPointer location;      // where the row is stored
};

// Every live row of MSysObjects, in stored order.
std::vector<CatalogueObject> ReadCatalogue(PageReader& pages, const TextCodec& codec);

// The long-value field `column` of MSysObjects ("LvProp": properties, "LvExtra": a query's design
// layout) of every object that has one, by object id: the field as the row holds it, to be
// resolved with ReadLongValue when asked for. Empty when the table has no such column.
std::unordered_map<int32_t, std::string> ReadObjectFields(PageReader& pages, const TextCodec& codec,
                                                          const char* column);

// Positions in `objects` (as ReadCatalogue returns them) in the order of MSysObjects' index on
// (ParentId, Name): the objects of each container by name, in the database's own sort order,
// whatever that is. Empty when the index is missing, damaged or does not name every object.
std::vector<size_t> CatalogueNameOrder(PageReader& pages, const TextCodec& codec,
                                       const std::vector<CatalogueObject>& objects);

struct StoredQueryRow {
  int32_t objectId = 0;
  QueryRow row;
};

// Every live row of MSysQueries (whose definition starts on `definitionPage`), in stored order.
std::vector<StoredQueryRow> ReadQueryRows(PageReader& pages, const TextCodec& codec,
                                          uint32_t definitionPage);

struct ComplexColumn {
  std::string columnName;
  int32_t complexId = 0;
  int32_t typeObjectId = 0;     // MSysObjects id of the template table (MSysComplexType_…)
  int32_t conceptualTableId = 0;
  int32_t flatTableId = 0;      // MSysObjects id of the hidden table holding the values
};

std::vector<ComplexColumn> ReadComplexColumns(PageReader& pages, const TextCodec& codec,
                                              uint32_t definitionPage);

}  // namespace engine
