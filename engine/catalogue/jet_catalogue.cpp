#include "engine/catalogue/jet_catalogue.h"

#include <algorithm>
#include <new>
#include <optional>
#include <stdexcept>
#include <unordered_map>

#include "engine/application/application_objects.h"
#include "engine/errors.h"
#include "engine/query/query_parameters.h"
#include "engine/storage/long_value.h"
#include "engine/catalogue/property_values.h"
#include "engine/catalogue/relationships.h"
#include "engine/catalogue/system_tables.h"
#include "engine/catalogue/table_rows.h"
#include "engine/application/access_objects.h"
#include "engine/application/access97_project.h"
#include "engine/application/vba_project.h"
#include "engine/application/compound_file.h"

namespace engine {

namespace {

constexpr uint32_t kTablePageMask = 0x00FFFFFF;
constexpr uint32_t kSystemFlags = 0x80000000u | 0x00000002u;

bool StartsWithMSys(const std::string& name) { return name.rfind("MSys", 0) == 0; }

// The DAO code of a multi-valued or attachment column, from the name of its template table.
int16_t ComplexTypeFromTemplate(const std::string& templateName) {
  static const struct {
    const char* suffix;
    int16_t type;
  } kTemplates[] = {
      {"Attachment", dao::dbAttachment},   {"UnsignedByte", dao::dbComplexByte},
      {"Short", dao::dbComplexInteger},    {"Long", dao::dbComplexLong},
      {"IEEESingle", dao::dbComplexSingle}, {"IEEEDouble", dao::dbComplexDouble},
      {"GUID", dao::dbComplexGUID},        {"Decimal", dao::dbComplexDecimal},
      {"Text", dao::dbComplexText},
  };
  // The version history of an append-only memo: its values are the memo's earlier texts.
  if (templateName.rfind("MSysComplexTypeVH_", 0) == 0) return dao::dbComplexText;
  const std::string prefix = "MSysComplexType_";
  if (templateName.rfind(prefix, 0) != 0) return 0;
  const std::string suffix = templateName.substr(prefix.size());
  for (const auto& t : kTemplates)
    if (suffix == t.suffix) return t.type;
  return 0;
}

// Runs `read`, turning the decoders' failures on a damaged file into the engine's error 3049.
template <class F>
auto Guarded(const std::string& path, F read) -> decltype(read()) {
  try {
    return read();
  } catch (const CorruptError&) {
    throw DamagedError(path);
  } catch (const std::bad_alloc&) {
    throw DamagedError(path);
  } catch (const std::length_error&) {
    throw DamagedError(path);
  }
}

const dao::PropertyInfo* Find(const std::vector<dao::PropertyInfo>& properties, const char* name) {
  for (const dao::PropertyInfo& p : properties)
    if (p.name == name) return &p;
  return nullptr;
}

bool BoolProperty(const std::vector<dao::PropertyInfo>& properties, const char* name) {
  const dao::PropertyInfo* p = Find(properties, name);
  if (!p) return false;
  if (const bool* b = std::get_if<bool>(&p->value)) return *b;
  if (const int64_t* i = std::get_if<int64_t>(&p->value)) return *i != 0;
  return false;
}

int64_t IntProperty(const std::vector<dao::PropertyInfo>& properties, const char* name) {
  const dao::PropertyInfo* p = Find(properties, name);
  if (!p) return 0;
  if (const int64_t* i = std::get_if<int64_t>(&p->value)) return *i;
  return 0;
}

std::string TextProperty(const std::vector<dao::PropertyInfo>& properties, const char* name) {
  const dao::PropertyInfo* p = Find(properties, name);
  if (!p) return {};
  if (const std::string* s = std::get_if<std::string>(&p->value)) return *s;
  return {};
}

int32_t FieldAttributes(const ColumnDef& c) {
  int32_t a = c.IsFixed() ? dao::dbFixedField : dao::dbVariableField;
  if (c.IsAutoNumber()) a |= dao::dbAutoIncrField;
  else if (c.flags & ColumnDef::kColumnUpdatable) a |= dao::dbUpdatableField;
  if (c.IsHyperlink()) a |= dao::dbHyperlinkField;
  return a;
}

}  // namespace

std::string LinkConnect(int objectType, const std::string& connect, const std::string& database) {
  if (objectType == kObjectOdbcTable) return connect;
  if (objectType == kObjectLinkedTable) return connect + ";DATABASE=" + database;
  return {};
}

dao::FieldInfo DescribeColumn(const ColumnDef& column, const FormatDescriptor& f,
                              const std::map<int32_t, int16_t>& complexTypes, int resultType) {
  dao::FieldInfo info;
  info.name = column.name;
  DescribeColumnType(column, f, complexTypes, resultType, info);
  return info;
}

void DescribeColumnType(const ColumnDef& stored, const FormatDescriptor& f,
                        const std::map<int32_t, int16_t>& complexTypes, int resultType,
                        dao::FieldInfo& info) {
  // A calculated column is described by its result: the type Access shows for it and the length
  // of the result without the header stored before it.
  struct {
    uint8_t type;
    uint16_t length;
    uint32_t misc;
  } c{stored.type, stored.length, stored.misc};
  if (stored.IsCalculated()) {
    if (resultType > 0 && resultType <= 0xFF) c.type = static_cast<uint8_t>(resultType);
    c.length = stored.length >= ColumnDef::kCalculatedHeaderSize
                   ? static_cast<uint16_t>(stored.length - ColumnDef::kCalculatedHeaderSize)
                   : 0;
  }
  switch (c.type) {
    case kColBoolean: info.type = dao::dbBoolean; info.size = 1; break;
    case kColByte: info.type = dao::dbByte; info.size = 1; break;
    case kColInteger: info.type = dao::dbInteger; info.size = 2; break;
    case kColLong: info.type = dao::dbLong; info.size = 4; break;
    case kColCurrency: info.type = dao::dbCurrency; info.size = 8; break;
    case kColSingle: info.type = dao::dbSingle; info.size = 4; break;
    case kColDouble: info.type = dao::dbDouble; info.size = 8; break;
    case kColDateTime: info.type = dao::dbDate; info.size = 8; break;
    case kColBinary: info.type = dao::dbBinary; info.size = c.length; break;
    case kColText:
      info.type = dao::dbText;
      info.size = f.text == TextStorage::kUcs2 ? c.length / 2 : c.length;
      break;
    case kColOle: info.type = dao::dbLongBinary; info.size = 0; break;
    case kColMemo: info.type = dao::dbMemo; info.size = 0; break;
    case kColGuid: info.type = dao::dbGUID; info.size = 16; break;
    case kColNumeric:
      info.type = dao::dbDecimal;
      info.size = 17;
      if (stored.IsCalculated()) {
        // The entry's precision and scale are 0: every stored result carries its own scale.
        info.precision = dao::FieldInfo::kCalculatedDecimalPrecision;
        info.scale = dao::FieldInfo::kScalePerValue;
        break;
      }
      // The column entry's misc bytes hold the precision, then the scale.
      info.precision = static_cast<int>(c.misc & 0xFF);
      info.scale = static_cast<int>((c.misc >> 8) & 0xFF);
      break;
    case kColBigInt: info.type = dao::dbBigInt; info.size = 8; break;
    case kColExtendedDateTime: info.type = dao::dbDateTimeExtended; info.size = c.length; break;
    case kColComplex: {
      auto it = complexTypes.find(static_cast<int32_t>(c.misc));
      // A complex column whose kind the catalogue does not say is shown as an attachment.
      info.type = it != complexTypes.end() ? it->second : static_cast<int16_t>(dao::dbAttachment);
      info.size = c.length;
      break;
    }
    default:
      // A type this reader does not know: keep the stored code and length.
      info.type = c.type;
      info.size = c.length;
      break;
  }
  info.attributes = FieldAttributes(stored);
}

JetCatalogue::JetCatalogue(std::string path, std::unique_ptr<PageReader> pages, uint16_t codePage,
                           std::vector<dao::TableInfo>& tables,
                           std::vector<dao::QueryInfo>& queries)
    : path_(std::move(path)),
      pages_(std::move(pages)),
      codePage_(codePage),
      codec_(pages_->Format().text, codePage) {
  std::vector<CatalogueObject> objects;
  try {
    objects = ReadCatalogue(*pages_, codec_);
  } catch (const CorruptError&) {
    throw DamagedCatalogueError(path_);
  }

  uint32_t queriesPage = 0;
  uint32_t complexPage = 0;
  for (const CatalogueObject& o : objects) {
    if (o.type != kObjectTable) continue;
    if (o.name == "MSysQueries") queriesPage = static_cast<uint32_t>(o.id) & kTablePageMask;
    if (o.name == "MSysComplexColumns") complexPage = static_cast<uint32_t>(o.id) & kTablePageMask;
    if (o.name == "MSysAccessStorage") storagePage_ = static_cast<uint32_t>(o.id) & kTablePageMask;
    if (o.name == "MSysAccessObjects")
      accessObjectsPage_ = static_cast<uint32_t>(o.id) & kTablePageMask;
    if (o.name == "MSysModules2") modules2Page_ = static_cast<uint32_t>(o.id) & kTablePageMask;
    if (o.name == "MSysRelationships")
      relationshipsPage_ = static_cast<uint32_t>(o.id) & kTablePageMask;
  }
  for (const CatalogueObject& o : objects)
    if (o.name == "MSysDb") databaseId_ = o.id;

  // Each query's rows, in stored order.
  std::unordered_map<int32_t, std::vector<QueryRow>> rowsByQuery;
  if (queriesPage != 0)
    for (StoredQueryRow& r : ReadQueryRows(*pages_, codec_, queriesPage))
      rowsByQuery[r.objectId].push_back(std::move(r.row));

  if (complexPage != 0) {
    for (const ComplexColumn& c : ReadComplexColumns(*pages_, codec_, complexPage)) {
      complexTables_[c.complexId] = {c.flatTableId, c.typeObjectId};
      for (const CatalogueObject& o : objects) {
        if (o.id != c.typeObjectId) continue;
        if (int16_t type = ComplexTypeFromTemplate(o.name)) complexTypes_[c.complexId] = type;
        break;
      }
    }
  }

  // Tables and queries in the catalogue's own order where its name index can be read.
  const std::vector<size_t> order = CatalogueNameOrder(*pages_, codec_, objects);
  inCatalogueOrder_ = order.size() == objects.size();
  for (size_t k = 0; k < objects.size(); ++k) {
    const CatalogueObject& o = objects[inCatalogueOrder_ ? order[k] : k];
    if (o.type == kObjectTable || o.type == kObjectLinkedTable || o.type == kObjectOdbcTable) {
      dao::TableInfo t;
      t.name = o.name;
      t.system = StartsWithMSys(o.name) || (o.flags & kSystemFlags) != 0;
      t.linked = o.type != kObjectTable;
      t.linkSource = o.type == kObjectOdbcTable ? o.connect : o.database;
      t.foreignName = o.foreignName;
      t.connect = LinkConnect(o.type, o.connect, o.database);
      t.dateCreated.days = o.dateCreated;
      t.lastUpdated.days = o.dateUpdated;
      tablePages_.push_back(t.linked ? 0 : (static_cast<uint32_t>(o.id) & kTablePageMask));
      tableIds_.push_back(o.id);
      tables.push_back(std::move(t));
    } else if (o.type == kObjectQuery) {
      std::vector<QueryRow> rows;
      if (auto found = rowsByQuery.find(o.id); found != rowsByQuery.end()) rows = std::move(found->second);
      dao::QueryInfo q;
      q.name = o.name;
      q.type = QueryTypeFromRows(rows, o.flags);
      q.dateCreated.days = o.dateCreated;
      q.lastUpdated.days = o.dateUpdated;
      queries.push_back(std::move(q));
      queryIds_.push_back(o.id);
      queryRows_.push_back(std::move(rows));
      queryFlags_.push_back(o.flags);
    }
  }
  objects_ = std::move(objects);
}

std::string JetCatalogue::Format() const { return pages_->Format().name; }

bool JetCatalogue::InCatalogueOrder() const { return inCatalogueOrder_; }

dao::TableDetail JetCatalogue::Describe(TableDefinition def,
                                        const std::vector<PropertyBlock>& properties) const {
  dao::TableDetail detail;
  detail.recordCount = static_cast<int32_t>(def.rowCount);
  std::vector<ColumnDef*> columns;
  columns.reserve(def.columns.size());
  for (ColumnDef& c : def.columns) columns.push_back(&c);
  auto byNumber = [](const ColumnDef* a, const ColumnDef* b) { return a->number < b->number; };
  // Most definitions list their columns in number order already.
  if (!std::is_sorted(columns.begin(), columns.end(), byNumber))
    std::stable_sort(columns.begin(), columns.end(), byNumber);
  detail.fields.reserve(columns.size());
  detail.indexes.reserve(def.indexes.size());
  // The indexes first: they name their columns, whose names the fields then take over.
  for (LogicalIndexDef& l : def.indexes) {
    const RealIndexDef& real = def.realIndexes[l.realIndex];
    dao::IndexInfo index;
    index.name = std::move(l.name);
    for (uint16_t number : real.columnNumbers) {
      const ColumnDef* c = def.ColumnByNumber(number);
      if (!c) ThrowCorrupt("index on a missing column");
      index.fields.push_back(c->name);
    }
    index.descending = real.descending;
    index.primary = l.type == LogicalIndexDef::kPrimaryKey;
    index.foreign = l.type == LogicalIndexDef::kForeignKey;
    index.unique = (real.flags & RealIndexDef::kIndexUnique) != 0;
    index.ignoreNulls = (real.flags & RealIndexDef::kIndexIgnoreNulls) != 0;
    index.required = (real.flags & RealIndexDef::kIndexRequired) != 0;
    // Jet and ACE have no clustered indexes: DAO reports Clustered as false for every index.
    index.clustered = false;
    detail.indexes.push_back(std::move(index));
  }
  for (ColumnDef* c : columns) {
    std::vector<dao::PropertyInfo> stored;
    for (const PropertyBlock& b : properties)
      if (b.target == c->name) stored = DescribeProperties(b.properties, codec_);
    // Built in place: a catalogue of thousands of tables describes tens of thousands of fields.
    dao::FieldInfo& info = detail.fields.emplace_back();
    info.name = std::move(c->name);
    DescribeColumnType(*c, pages_->Format(), complexTypes_,
                       static_cast<int>(IntProperty(stored, "ResultType")), info);
    if (!stored.empty()) {  // most columns of most files have no stored properties
      info.required = BoolProperty(stored, "Required");
      info.allowZeroLength = BoolProperty(stored, "AllowZeroLength");
      info.defaultValue = TextProperty(stored, "DefaultValue");
      info.validationRule = TextProperty(stored, "ValidationRule");
      info.validationText = TextProperty(stored, "ValidationText");
      info.properties = std::move(stored);
    }
  }
  return detail;
}

dao::TableDetail JetCatalogue::LoadTable(size_t index) {
  if (index >= tablePages_.size()) dao::ThrowItemNotFound();
  std::vector<PropertyBlock> properties = PropertyBlocks(tableIds_[index]);
  return Guarded(path_, [&] {
    return Describe(TableDefinition::Read(*pages_, tablePages_[index], codec_), properties);
  });
}

std::unique_ptr<dao::RowSource> JetCatalogue::LoadRows(size_t index, bool salvage) {
  if (index >= tablePages_.size()) dao::ThrowItemNotFound();
  const dao::TableDetail detail = LoadTable(index);
  return Guarded(path_, [&]() -> std::unique_ptr<dao::RowSource> {
    TableDefinition def = TableDefinition::Read(*pages_, tablePages_[index], codec_);
    std::map<int32_t, ComplexStore> stores;
    for (const ColumnDef& c : def.columns) {
      if (c.type != kColComplex) continue;
      auto tables = complexTables_.find(static_cast<int32_t>(c.misc));
      if (tables == complexTables_.end()) ThrowCorrupt("complex column missing from the catalogue");
      ComplexStore& store = stores[tables->first];
      store.flatPage = static_cast<uint32_t>(tables->second.flatTableId) & kTablePageMask;
      const TableDefinition shape = TableDefinition::Read(
          *pages_, static_cast<uint32_t>(tables->second.templateTableId) & kTablePageMask, codec_);
      std::vector<const ColumnDef*> user;
      for (const ColumnDef& u : shape.columns) user.push_back(&u);
      std::stable_sort(user.begin(), user.end(),
                       [](const ColumnDef* a, const ColumnDef* b) { return a->number < b->number; });
      for (const ColumnDef* u : user) store.userColumns.push_back(u->name);
    }
    std::string name;
    for (size_t k = 0; k < objects_.size(); ++k)
      if (objects_[k].id == tableIds_[index]) name = objects_[k].name;
    return std::make_unique<TableRows>(pages_, codePage_, name, std::move(def), detail.fields,
                                       stores, salvage);
  });
}

std::vector<PropertyBlock> JetCatalogue::PropertyBlocks(int32_t objectId) {
  // A table's blob is asked for twice in a row (its columns, then the table itself): the last
  // one decoded is kept.
  if (lastBlocks_ && lastBlocks_->first == objectId) return lastBlocks_->second;
  std::vector<PropertyBlock> blocks = Guarded(path_, [&] {
    if (!propertyFields_) propertyFields_ = ReadObjectFields(*pages_, codec_, "LvProp");
    auto it = propertyFields_->find(objectId);
    if (it == propertyFields_->end()) return std::vector<PropertyBlock>{};
    const std::string& field = it->second;
    std::string blob =
        ReadLongValue(*pages_, ByteView(reinterpret_cast<const uint8_t*>(field.data()), field.size()));
    return ParsePropertyBlob(ByteView(reinterpret_cast<const uint8_t*>(blob.data()), blob.size()),
                             codec_);
  });
  lastBlocks_.emplace(objectId, blocks);
  return blocks;
}

std::vector<dao::PropertyInfo> JetCatalogue::ObjectProperties(int32_t objectId) {
  std::vector<PropertyBlock> blocks = PropertyBlocks(objectId);
  return Guarded(path_, [&] {
    for (const PropertyBlock& b : blocks)
      if (b.target.empty()) return DescribeProperties(b.properties, codec_);
    return std::vector<dao::PropertyInfo>{};
  });
}

std::vector<dao::PropertyInfo> JetCatalogue::LoadDatabaseProperties() {
  if (databaseId_ == 0) return {};
  return ObjectProperties(databaseId_);
}

std::vector<dao::PropertyInfo> JetCatalogue::LoadTableProperties(size_t index) {
  if (index >= tableIds_.size()) dao::ThrowItemNotFound();
  return ObjectProperties(tableIds_[index]);
}

std::vector<dao::PropertyInfo> JetCatalogue::LoadQueryProperties(size_t index) {
  if (index >= queryIds_.size()) dao::ThrowItemNotFound();
  return ObjectProperties(queryIds_[index]);
}

std::vector<std::pair<std::string, std::vector<dao::PropertyInfo>>>
JetCatalogue::LoadQueryColumnProperties(size_t index) {
  if (index >= queryIds_.size()) dao::ThrowItemNotFound();
  std::vector<PropertyBlock> blocks = PropertyBlocks(queryIds_[index]);
  return Guarded(path_, [&] {
    std::vector<std::pair<std::string, std::vector<dao::PropertyInfo>>> columns;
    for (const PropertyBlock& b : blocks)
      if (!b.target.empty()) columns.emplace_back(b.target, DescribeProperties(b.properties, codec_));
    return columns;
  });
}

bool JetCatalogue::LoadQueryHasOperationRow(size_t index) {
  if (index >= queryRows_.size()) dao::ThrowItemNotFound();
  for (const QueryRow& r : queryRows_[index])
    if (r.attribute == 1) return true;
  return false;
}

std::string JetCatalogue::LoadQueryLayout(size_t index) {
  if (index >= queryIds_.size()) dao::ThrowItemNotFound();
  return Guarded(path_, [&] {
    if (!layoutFields_) layoutFields_ = ReadObjectFields(*pages_, codec_, "LvExtra");
    auto it = layoutFields_->find(queryIds_[index]);
    if (it == layoutFields_->end()) return std::string();
    const std::string& field = it->second;
    return ReadLongValue(*pages_,
                         ByteView(reinterpret_cast<const uint8_t*>(field.data()), field.size()));
  });
}

std::vector<dao::RelationInfo> JetCatalogue::LoadRelations() {
  if (relationshipsPage_ == 0) return {};
  std::vector<Relationship> stored =
      Guarded(path_, [&] { return ReadRelationships(*pages_, codec_, relationshipsPage_); });
  std::vector<dao::RelationInfo> relations;
  relations.reserve(stored.size());
  for (Relationship& r : stored) {
    dao::RelationInfo info;
    info.name = std::move(r.name);
    info.table = std::move(r.referencedTable);
    info.foreignTable = std::move(r.table);
    info.attributes = r.flags;
    for (Relationship::Pair& p : r.pairs)
      info.fields.push_back({std::move(p.referencedColumn), std::move(p.column)});
    relations.push_back(std::move(info));
  }
  return relations;
}

std::string JetCatalogue::LoadSql(size_t index) {
  if (index >= queryRows_.size()) dao::ThrowItemNotFound();
  return BuildQuerySql(queryRows_[index], queryFlags_[index]);
}

std::vector<QueryRow> JetCatalogue::LoadQueryRows(size_t index) {
  if (index >= queryRows_.size()) dao::ThrowItemNotFound();
  return queryRows_[index];
}

uint32_t JetCatalogue::LoadQueryObjectFlags(size_t index) {
  if (index >= queryFlags_.size()) dao::ThrowItemNotFound();
  return queryFlags_[index];
}

std::vector<dao::ParameterInfo> JetCatalogue::LoadParameters(size_t index) {
  if (index >= queryRows_.size()) dao::ThrowItemNotFound();
  return QueryParameters(queryRows_[index]);
}

std::vector<dao::ContainerInfo> JetCatalogue::LoadContainers() {
  std::vector<dao::ContainerInfo> containers = ListContainers(objects_);
  if (std::string(pages_->Format().name) == "Jet3") {
    LoadAccess97Application(containers);
    return containers;
  }
  // Access 2002 and later keep the application in MSysAccessStorage; Access 2000 in a compound
  // file cut into the rows of MSysAccessObjects (which later versions keep, empty, beside it).
  const bool storage = storagePage_ != 0;
  if (!storage && accessObjectsPage_ == 0) {
    ReadApplicationText(containers, nullptr);
    return containers;
  }
  const std::string damaged = storage ? "archivio MSysAccessStorage danneggiato"
                                      : "archivio MSysAccessObjects danneggiato";
  try {
    if (storage) {
      vba::StorageTree tree = vba::StorageTree::Read(*pages_, codec_, storagePage_);
      ReadApplicationText(containers, &tree);
    } else {
      const std::string file = vba::ReadAccessObjects(*pages_, codec_, accessObjectsPage_);
      vba::StorageTree tree = vba::ReadCompoundFile(
          ByteView(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
      ReadApplicationText(containers, &tree);
    }
  } catch (const CorruptError&) {
    MarkApplicationTextUnreadable(containers, damaged);
  } catch (const std::bad_alloc&) {
    MarkApplicationTextUnreadable(containers, damaged);
  } catch (const std::length_error&) {
    MarkApplicationTextUnreadable(containers, damaged);
  }
  return containers;
}

void JetCatalogue::LoadAccess97Application(std::vector<dao::ContainerInfo>& containers) {
  // Access 97 keeps its VBA project in MSysModules2.
  std::vector<vba::ModuleSource> own;
  bool found = false;
  std::string error;
  if (modules2Page_ != 0) {
    const std::string damaged = "tabella MSysModules2 danneggiata";
    std::vector<vba::Modules2Row> rows;
    try {
      rows = vba::ReadModules2Rows(*pages_, codec_, modules2Page_);
    } catch (const CorruptError&) {
      error = damaged;
    } catch (const std::bad_alloc&) {
      error = damaged;
    } catch (const std::length_error&) {
      error = damaged;
    }
    try {
      if (error.empty())
        if (std::optional<vba::StorageTree> tree = vba::Access97ProjectTree(rows)) {
          found = true;
          own = vba::ReadVbaProject(*tree);
        }
    } catch (const CorruptError&) {
      error = vba::kAccess97ProjectUnreadable;
    } catch (const std::bad_alloc&) {
      error = vba::kAccess97ProjectUnreadable;
    } catch (const std::length_error&) {
      error = vba::kAccess97ProjectUnreadable;
    }
  }
  // Access 2000 and later, opening the file without converting it, keep a copy of the project in
  // the compound file of MSysAccessObjects; a module the own project does not give comes from it.
  // Files Access 97 wrote itself may hold something else there, which is then left aside.
  std::vector<vba::ModuleSource> enabled;
  if (accessObjectsPage_ != 0) {
    try {
      const std::string file = vba::ReadAccessObjects(*pages_, codec_, accessObjectsPage_);
      enabled = vba::ReadVbaProject(vba::ReadCompoundFile(
          ByteView(reinterpret_cast<const uint8_t*>(file.data()), file.size())));
    } catch (const CorruptError&) {
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
  }
  if (!enabled.empty()) {
    found = true;
    error.clear();
  }
  ReadAccess97Application(containers, vba::MergeAccess97Modules(std::move(own), enabled), found,
                          error);
}

}  // namespace engine
