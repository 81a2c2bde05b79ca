#include "engine/catalogue/system_tables.h"

#include <algorithm>
#include <unordered_map>

#include "engine/storage/column_value.h"
#include "engine/storage/index_scan.h"
#include "engine/storage/table_scan.h"

namespace engine {

namespace {

const ColumnDef* Require(const TableDefinition& def, const char* name) {
  const ColumnDef* c = def.ColumnByName(name);
  if (!c) ThrowCorrupt(std::string("system table without its column ") + name);
  return c;
}

int32_t IntOr0(const std::optional<int64_t>& v) { return v ? static_cast<int32_t>(*v) : 0; }

}  // namespace

std::vector<CatalogueObject> ReadCatalogue(PageReader& pages, const TextCodec& codec) {
  TableDefinition def = TableDefinition::Read(pages, kCatalogueDefinitionPage, codec);
  const ColumnDef* id = Require(def, "Id");
  const ColumnDef* name = Require(def, "Name");
  const ColumnDef* type = Require(def, "Type");
  const ColumnDef* parentId = def.ColumnByName("ParentId");
  const ColumnDef* created = def.ColumnByName("DateCreate");
  const ColumnDef* updated = def.ColumnByName("DateUpdate");
  const ColumnDef* flags = def.ColumnByName("Flags");
  const ColumnDef* database = def.ColumnByName("Database");
  const ColumnDef* connect = def.ColumnByName("Connect");
  const ColumnDef* foreignName = def.ColumnByName("ForeignName");

  std::vector<CatalogueObject> objects;
  ScanTableRows(pages, def, [&](const DataRow& row, RowPointer at) {
    ColumnValues v(row, pages, codec);
    CatalogueObject o;
    o.location = at;
    o.id = IntOr0(v.Int(id));
    o.parentId = IntOr0(v.Int(parentId));
    o.name = v.Text(name).value_or("");
    o.type = IntOr0(v.Int(type));
    o.dateCreated = v.Double(created).value_or(0.0);
    o.dateUpdated = v.Double(updated).value_or(0.0);
    o.flags = static_cast<uint32_t>(IntOr0(v.Int(flags)));
    // Link details matter only for linked tables; other objects keep them unread.
    if (o.type == kObjectLinkedTable || o.type == kObjectOdbcTable) {
      o.database = v.Text(database).value_or("");
      o.connect = v.Text(connect).value_or("");
      o.foreignName = v.Text(foreignName).value_or("");
    }
    objects.push_back(std::move(o));
  });
  // Every catalogue lists itself, and holds as many rows as its definition counts. Without its
  // own row, or with fewer rows, pages of the catalogue were skipped (a damaged usage map or page
  // header): reading on would show a database with tables missing, or with none.
  const bool listsItself = std::any_of(objects.begin(), objects.end(), [](const CatalogueObject& o) {
    return o.type == kObjectTable &&
           (static_cast<uint32_t>(o.id) & 0x00FFFFFFu) == kCatalogueDefinitionPage;
  });
  if (!listsItself) ThrowCorrupt("the catalogue does not list itself");
  if (objects.size() < def.rowCount) ThrowCorrupt("rows of the catalogue are missing");
  return objects;
}

std::unordered_map<int32_t, std::string> ReadObjectFields(PageReader& pages, const TextCodec& codec,
                                                          const char* column) {
  TableDefinition def = TableDefinition::Read(pages, kCatalogueDefinitionPage, codec);
  const ColumnDef* id = Require(def, "Id");
  const ColumnDef* properties = def.ColumnByName(column);
  std::unordered_map<int32_t, std::string> fields;
  if (!properties) return fields;
  ScanTable(pages, def, [&](const DataRow& row) {
    if (row.IsNull(*properties)) return;
    ColumnValues v(row, pages, codec);
    fields[IntOr0(v.Int(id))] = row.Bytes(*properties).Str();
  });
  return fields;
}

std::vector<size_t> CatalogueNameOrder(PageReader& pages, const TextCodec& codec,
                                       const std::vector<CatalogueObject>& objects) {
  try {
    TableDefinition def = TableDefinition::Read(pages, kCatalogueDefinitionPage, codec);
    const ColumnDef* parentId = def.ColumnByName("ParentId");
    const ColumnDef* name = def.ColumnByName("Name");
    if (!parentId || !name) return {};
    const std::vector<uint16_t> key = {parentId->number, name->number};
    const RealIndexDef* index = nullptr;
    for (const RealIndexDef& r : def.realIndexes)
      if (r.columnNumbers == key) index = &r;
    if (!index) return {};

    std::unordered_map<uint32_t, size_t> byLocation;
    for (size_t i = 0; i < objects.size(); ++i)
      byLocation.emplace(objects[i].location.page << 8 | objects[i].location.row, i);
    std::vector<size_t> order;
    order.reserve(objects.size());
    for (RowPointer at : ReadIndexRows(pages, index->firstPage)) {
      auto it = byLocation.find(at.page << 8 | at.row);
      // Entries of rows deleted since are skipped; each row counts once.
      if (it == byLocation.end()) continue;
      order.push_back(it->second);
      byLocation.erase(it);
    }
    if (!byLocation.empty()) return {};
    return order;
  } catch (const CorruptError&) {
    return {};
  }
}

std::vector<StoredQueryRow> ReadQueryRows(PageReader& pages, const TextCodec& codec,
                                          uint32_t definitionPage) {
  TableDefinition def = TableDefinition::Read(pages, definitionPage, codec);
  const ColumnDef* objectId = Require(def, "ObjectId");
  const ColumnDef* attribute = Require(def, "Attribute");
  const ColumnDef* expression = def.ColumnByName("Expression");
  const ColumnDef* flag = def.ColumnByName("Flag");
  const ColumnDef* name1 = def.ColumnByName("Name1");
  const ColumnDef* name2 = def.ColumnByName("Name2");
  const ColumnDef* order = def.ColumnByName("Order");
  const ColumnDef* lvExtra = def.ColumnByName("LvExtra");

  std::vector<StoredQueryRow> rows;
  ScanTable(pages, def, [&](const DataRow& row) {
    ColumnValues v(row, pages, codec);
    StoredQueryRow r;
    r.objectId = IntOr0(v.Int(objectId));
    r.row.attribute = IntOr0(v.Int(attribute));
    r.row.expression = v.Text(expression);
    if (auto f = v.Int(flag)) r.row.flag = static_cast<int>(*f);
    r.row.name1 = v.Text(name1);
    r.row.name2 = v.Text(name2);
    r.row.order = v.Binary(order);
    if (auto extra = v.Int(lvExtra)) r.row.lv_extra = static_cast<int32_t>(*extra);
    rows.push_back(std::move(r));
  });
  return rows;
}

std::vector<ComplexColumn> ReadComplexColumns(PageReader& pages, const TextCodec& codec,
                                              uint32_t definitionPage) {
  TableDefinition def = TableDefinition::Read(pages, definitionPage, codec);
  const ColumnDef* columnName = Require(def, "ColumnName");
  const ColumnDef* complexId = Require(def, "ComplexID");
  const ColumnDef* typeObject = Require(def, "ComplexTypeObjectID");
  const ColumnDef* conceptual = def.ColumnByName("ConceptualTableID");
  const ColumnDef* flat = def.ColumnByName("FlatTableID");
  std::vector<ComplexColumn> columns;
  ScanTable(pages, def, [&](const DataRow& row) {
    ColumnValues v(row, pages, codec);
    ComplexColumn c;
    c.columnName = v.Text(columnName).value_or("");
    c.complexId = IntOr0(v.Int(complexId));
    c.typeObjectId = IntOr0(v.Int(typeObject));
    c.conceptualTableId = IntOr0(v.Int(conceptual));
    c.flatTableId = IntOr0(v.Int(flat));
    columns.push_back(std::move(c));
  });
  return columns;
}

}  // namespace engine
