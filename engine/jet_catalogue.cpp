#include "engine/jet_catalogue.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "engine/application_objects.h"
#include "engine/errors.h"
#include "engine/system_tables.h"

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
  const std::string prefix = "MSysComplexType_";
  if (templateName.rfind(prefix, 0) != 0) return 0;
  const std::string suffix = templateName.substr(prefix.size());
  for (const auto& t : kTemplates)
    if (suffix == t.suffix) return t.type;
  return 0;
}

}  // namespace

dao::FieldInfo DescribeColumn(const ColumnDef& c, const FormatDescriptor& f,
                              const std::map<int32_t, int16_t>& complexTypes) {
  dao::FieldInfo info;
  info.name = c.name;
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
    case kColNumeric: info.type = dao::dbDecimal; info.size = 17; break;
    case kColBigInt: info.type = dao::dbBigInt; info.size = 8; break;
    case kColExtendedDateTime: info.type = dao::dbDate; info.size = 8; break;
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
  return info;
}

JetCatalogue::JetCatalogue(std::string path, std::unique_ptr<PageReader> pages, uint16_t codePage,
                           std::vector<dao::TableInfo>& tables,
                           std::vector<dao::QueryInfo>& queries)
    : path_(std::move(path)), pages_(std::move(pages)), codec_(pages_->Format().text, codePage) {
  std::vector<CatalogueObject> objects = ReadCatalogue(*pages_, codec_);

  uint32_t queriesPage = 0;
  uint32_t complexPage = 0;
  for (const CatalogueObject& o : objects) {
    if (o.type != kObjectTable) continue;
    if (o.name == "MSysQueries") queriesPage = static_cast<uint32_t>(o.id) & kTablePageMask;
    if (o.name == "MSysComplexColumns") complexPage = static_cast<uint32_t>(o.id) & kTablePageMask;
    if (o.name == "MSysAccessStorage") storagePage_ = static_cast<uint32_t>(o.id) & kTablePageMask;
  }

  std::vector<StoredQueryRow> queryRows;
  if (queriesPage != 0) queryRows = ReadQueryRows(*pages_, codec_, queriesPage);

  if (complexPage != 0) {
    for (const ComplexColumn& c : ReadComplexColumns(*pages_, codec_, complexPage)) {
      for (const CatalogueObject& o : objects) {
        if (o.id != c.typeObjectId) continue;
        if (int16_t type = ComplexTypeFromTemplate(o.name)) complexTypes_[c.complexId] = type;
        break;
      }
    }
  }

  for (const CatalogueObject& o : objects) {
    if (o.type == kObjectTable || o.type == kObjectLinkedTable || o.type == kObjectOdbcTable) {
      dao::TableInfo t;
      t.name = o.name;
      t.system = StartsWithMSys(o.name) || (o.flags & kSystemFlags) != 0;
      t.linked = o.type != kObjectTable;
      t.linkSource = o.type == kObjectOdbcTable ? o.connect : o.database;
      t.foreignName = o.foreignName;
      t.dateCreated.days = o.dateCreated;
      t.lastUpdated.days = o.dateUpdated;
      tablePages_.push_back(t.linked ? 0 : (static_cast<uint32_t>(o.id) & kTablePageMask));
      tables.push_back(std::move(t));
    } else if (o.type == kObjectQuery) {
      std::vector<QueryRow> rows;
      for (const StoredQueryRow& r : queryRows)
        if (r.objectId == o.id) rows.push_back(r.row);
      dao::QueryInfo q;
      q.name = o.name;
      q.type = QueryTypeFromRows(rows);
      q.dateCreated.days = o.dateCreated;
      q.lastUpdated.days = o.dateUpdated;
      queries.push_back(std::move(q));
      queryRows_.push_back(std::move(rows));
    }
  }
  objects_ = std::move(objects);
}

std::string JetCatalogue::Format() const { return pages_->Format().name; }

dao::TableDetail JetCatalogue::Describe(const TableDefinition& def) const {
  dao::TableDetail detail;
  detail.recordCount = static_cast<int32_t>(def.rowCount);
  std::vector<const ColumnDef*> columns;
  for (const ColumnDef& c : def.columns) columns.push_back(&c);
  std::stable_sort(columns.begin(), columns.end(),
                   [](const ColumnDef* a, const ColumnDef* b) { return a->number < b->number; });
  for (const ColumnDef* c : columns)
    detail.fields.push_back(DescribeColumn(*c, pages_->Format(), complexTypes_));
  for (const LogicalIndexDef& l : def.indexes) {
    dao::IndexInfo index;
    index.name = l.name;
    for (uint16_t number : def.realIndexes[l.realIndex].columnNumbers) {
      const ColumnDef* c = def.ColumnByNumber(number);
      if (!c) ThrowCorrupt("index on a missing column");
      index.fields.push_back(c->name);
    }
    detail.indexes.push_back(std::move(index));
  }
  return detail;
}

dao::TableDetail JetCatalogue::LoadTable(size_t index) {
  if (index >= tablePages_.size()) dao::ThrowItemNotFound();
  try {
    return Describe(TableDefinition::Read(*pages_, tablePages_[index], codec_));
  } catch (const CorruptError&) {
    throw DamagedError(path_);
  } catch (const std::bad_alloc&) {
    throw DamagedError(path_);
  } catch (const std::length_error&) {
    throw DamagedError(path_);
  }
}

std::string JetCatalogue::LoadSql(size_t index) {
  if (index >= queryRows_.size()) dao::ThrowItemNotFound();
  return BuildQuerySql(queryRows_[index]);
}

std::vector<dao::ContainerInfo> JetCatalogue::LoadContainers() {
  std::vector<dao::ContainerInfo> containers = ListContainers(objects_);
  if (storagePage_ == 0) {
    ReadApplicationText(containers, nullptr);
    return containers;
  }
  const std::string damaged = "archivio MSysAccessStorage danneggiato";
  try {
    vba::StorageTree tree = vba::StorageTree::Read(*pages_, codec_, storagePage_);
    ReadApplicationText(containers, &tree);
  } catch (const CorruptError&) {
    MarkApplicationTextUnreadable(containers, damaged);
  } catch (const std::bad_alloc&) {
    MarkApplicationTextUnreadable(containers, damaged);
  } catch (const std::length_error&) {
    MarkApplicationTextUnreadable(containers, damaged);
  }
  return containers;
}

}  // namespace engine
