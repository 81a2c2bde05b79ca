#include "engine/catalogue/relationships.h"

#include <unordered_map>

#include "engine/storage/column_value.h"
#include "engine/storage/table_scan.h"

namespace engine {

namespace {

// Access allows at most ten fields on each side of a relationship; a damaged count must not make
// the reader allocate for it.
constexpr int32_t kMaxPairs = 32;

const ColumnDef* Require(const TableDefinition& def, const char* name) {
  const ColumnDef* c = def.ColumnByName(name);
  if (!c) ThrowCorrupt(std::string("MSysRelationships without its column ") + name);
  return c;
}

}  // namespace

std::vector<Relationship> GroupRelationships(const std::vector<RelationshipRow>& rows) {
  std::vector<Relationship> result;
  std::vector<std::vector<bool>> seen;
  std::unordered_map<std::string, size_t> byName;
  for (const RelationshipRow& row : rows) {
    if (row.pairCount < 1 || row.pairCount > kMaxPairs)
      ThrowCorrupt("relationship with an impossible number of fields");
    if (row.position < 0 || row.position >= row.pairCount)
      ThrowCorrupt("relationship field position out of range");
    auto [it, added] = byName.try_emplace(row.name, result.size());
    if (added) {
      Relationship r;
      r.name = row.name;
      r.referencedTable = row.referencedTable;
      r.table = row.table;
      r.flags = row.flags;
      r.pairs.resize(static_cast<size_t>(row.pairCount));
      result.push_back(std::move(r));
      seen.emplace_back(static_cast<size_t>(row.pairCount), false);
    }
    Relationship& r = result[it->second];
    if (r.table != row.table || r.referencedTable != row.referencedTable ||
        r.pairs.size() != static_cast<size_t>(row.pairCount))
      ThrowCorrupt("rows of one relationship disagree");
    std::vector<bool>& filled = seen[it->second];
    const size_t at = static_cast<size_t>(row.position);
    if (filled[at]) ThrowCorrupt("relationship field stored twice");
    filled[at] = true;
    r.pairs[at] = {row.referencedColumn, row.column};
  }
  for (const auto& filled : seen)
    for (bool f : filled)
      if (!f) ThrowCorrupt("relationship with a missing field");
  return result;
}

std::vector<Relationship> ReadRelationships(PageReader& pages, const TextCodec& codec,
                                            uint32_t definitionPage) {
  TableDefinition def = TableDefinition::Read(pages, definitionPage, codec);
  const ColumnDef* name = Require(def, "szRelationship");
  const ColumnDef* flags = Require(def, "grbit");
  const ColumnDef* count = Require(def, "ccolumn");
  const ColumnDef* position = Require(def, "icolumn");
  const ColumnDef* object = Require(def, "szObject");
  const ColumnDef* column = Require(def, "szColumn");
  const ColumnDef* referencedObject = Require(def, "szReferencedObject");
  const ColumnDef* referencedColumn = Require(def, "szReferencedColumn");

  std::vector<RelationshipRow> rows;
  ScanTable(pages, def, [&](const DataRow& row) {
    ColumnValues v(row, pages, codec);
    RelationshipRow r;
    r.name = v.Text(name).value_or("");
    r.flags = static_cast<int32_t>(v.Int(flags).value_or(0));
    r.pairCount = static_cast<int32_t>(v.Int(count).value_or(0));
    r.position = static_cast<int32_t>(v.Int(position).value_or(0));
    r.table = v.Text(object).value_or("");
    r.column = v.Text(column).value_or("");
    r.referencedTable = v.Text(referencedObject).value_or("");
    r.referencedColumn = v.Text(referencedColumn).value_or("");
    rows.push_back(std::move(r));
  });
  return GroupRelationships(rows);
}

}  // namespace engine
