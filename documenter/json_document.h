// The JSON document of a whole database: every table, query, relation, the application objects
// and the cross-reference.
//
// The document is read by our tests and by outside scripts, so its shape is fixed:
//   {"format": "...", "properties": {...},
//    "tables": [{"name", "system", "linked", "recordCount", "dateCreated", "lastUpdated",
//      "properties": {...}, ("connect", "sourceTableName": linked tables only),
//      "fields": [{"name", "type", "size", "attributes", "required", "allowZeroLength",
//                  ("precision", "scale": Decimal fields only), "properties": {...}}],
//      "indexes": [{"name", "fields": [...], "primary", "unique", "ignoreNulls", "required",
//                   "foreign", "clustered", "descending": [bool parallel to "fields"]}]}],
//    "queries": [{"name", "type", "dateCreated", "lastUpdated", "sql", "properties": {...},
//                 "parameters": [{"name", "type"}]}],
//    "relations": [{"name", "table", "foreignTable", "attributes",
//                   "fields": [{"name", "foreignName"}]}],
//    "containers": {"forms": [{"name", "dateCreated", "lastUpdated", "source", "error"}],
//     "reports": [same as forms], "macros": [{"name", "dateCreated", "lastUpdated", "text", "error"}],
//     "modules": [{"name", "dateCreated", "lastUpdated", "kind", "source", "error"}]},
//    "references": [{"name", "kind", "usedBy": [{"kind", "name", "match"}]}]}
// keys in that order, tables, queries and relations in the engine's collection order; `recordCount`,
// `fields` and `indexes` are null for linked tables. A "properties" object holds every stored
// property in stored order: text as strings, numbers as numbers, Yes/No as booleans, dates as ISO
// text, bytes as "0x" and lower-case hex, Null as null. Passwords in connect strings ("connect",
// and properties whose name contains "Connect") are written as PWD=*** unless secrets are shown.
// A form's or report's "source" is the VBA of the module behind it; "source", "text" and "error"
// are null when there is none. A Decimal field's "scale" is null when each value carries its own
// (a calculated Decimal). "references" is textual evidence (see documenter/references.h),
// one entry per table (not system), query, form and report.
//
// A dump is all or nothing: if any table definition or query text cannot be read, nothing is
#pragma once

#include <string>

#include "documenter/text_out.h"
#include "engine/dao.h"

namespace tavrek::doc {

// A guess at the size of a database's JSON document, to reserve its buffer.
size_t ExpectedJsonSize(dao::Database& db);

// Writes the JSON document of an open database into `o`. Raises dao::Error when part of the
// catalogue cannot be read; what was written by then is to be thrown away.
// `showSecrets`: passwords of connect strings as stored instead of PWD=***.
void WriteJsonDocument(TextOut& o, dao::Database& db, bool showSecrets = false);

// The same document as a string.
std::string JsonDocument(dao::Database& db, bool showSecrets = false);

}  // namespace tavrek::doc
