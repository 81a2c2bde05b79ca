// The structure diff: what differs between two Access databases — tables, fields (type, size,
// flags, default, validation, stored properties), indexes, relations and queries (type, SQL
// text, parameters) added, removed or changed; record counts and dates only when asked. Binary
// properties (identities such as a table's GUID) are not compared.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/dao.h"

namespace tavrek::doc {

// One difference. `kind` is "table", "field", "index", "relation" or "query"; `table` is the
// table of a field or index (empty otherwise); `change` is "added", "removed" or "changed"; for a
// change, `property` names what changed ("type", "size", "sql", "property:Description", ...) and
// `a` / `b` are its values in the first and second database: none where that database does not
// have the property at all (which is not the same as an empty value). Attributes are given by
// their DAO names ("dbFixedField + dbAutoIncrField").
struct StructureChange {
  std::string kind;
  std::string table;
  std::string name;
  std::string change;
  std::string property{};
  std::optional<std::string> a{};
  std::optional<std::string> b{};
};

struct DiffOptions {
  bool counts = false;       // compare record counts and creation / modification dates too
  bool showSecrets = false;  // linked tables' connect strings unmasked
  bool system = false;       // relations between system tables too
};

// The differences from `a` to `b`, tables first (each followed by its fields and indexes), then
// relations, then queries; names are matched as Access compares them (engine::FoldName). Indexes
// whose names Access made up (a GUID in the name) are matched by their key fields when no index
// has the same name. Relations with a system table are left out unless `options.system`. Raises
// dao::Error when either catalogue cannot be read.
std::vector<StructureChange> DiffStructure(dao::Database& a, dao::Database& b,
                                           const DiffOptions& options = {});

// A readable listing of `changes` ("+" added, "-" removed, "~" changed; a changed SQL text as
// removed and added lines; a property that is not there as "(assente)"). Empty when there are none.
std::string DiffText(const std::vector<StructureChange>& changes, const std::string& nameA,
                     const std::string& nameB);

// The JSON document: {"a": ..., "b": ..., "same": bool, "changes": [{"kind", "table", "name",
// "change", "property", "a", "b"}]}, followed by a newline; a value that is not there is null.
std::string DiffJson(const std::vector<StructureChange>& changes, const std::string& nameA,
                     const std::string& nameB);

}  // namespace tavrek::doc
