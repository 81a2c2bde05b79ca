// The migration readiness report: per table and query of an Access database, what will not move
// to SQLite, PostgreSQL or MySQL/MariaDB by itself, and why.
//
// It looks at the catalogue (keys, names, validation rules, linked and complex columns), at each
// query as the view translator sees it for each server (view_translator.h), and, when asked, at
// the rows (text values that differ only by case, dates a server cannot hold).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engine/dao.h"

namespace tavrek::doc {

struct ReadinessFinding {
  std::string objectKind;  // "tabella" or "query"
  std::string object;      // its name
  std::string kind;        // one of the codes listed by ReadinessKinds()
  std::string detail;      // what and why (Italian)
  std::vector<std::string> servers;  // the targets concerned, by dialect name
};

struct ReadinessReport {
  std::string database;
  int tables = 0;
  int queries = 0;
  std::vector<ReadinessFinding> findings;  // by object, in catalogue order
  std::map<std::string, int> counts;       // findings per kind
  // Tables and queries with at least one finding of a kind a person has to deal with (every kind
  // but reserved words, which the generated SQL already quotes).
  int objectsNeedingPerson = 0;
};

// The kinds of finding, code and Italian description, in the order reports list them.
const std::vector<std::pair<std::string, std::string>>& ReadinessKinds();

// The report for `db`. With `readRows` every local table's rows are read (case-only duplicates,
// dates out of range). Raises dao::Error when the catalogue or a row cannot be read.
ReadinessReport BuildReadiness(dao::Database& db, bool readRows = true);

// The report as text (Italian), and as one JSON document.
std::string ReadinessText(const ReadinessReport& report);
std::string ReadinessJson(const ReadinessReport& report);

}  // namespace tavrek::doc
