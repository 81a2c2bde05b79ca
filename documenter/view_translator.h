// Access queries as views of another SQL server.
//
// Each stored query is read from its MSysQueries rows (QueryDef::StoredRows): the clauses come
// from the rows, the expressions and the SELECT texts Access keeps inside them are parsed by
// access_expr.h, and the tree is written for the target with the dialect's ViewDialect
// (functions, operators, Like patterns, date literals). Select, union and crosstab queries with
// fixed column headings become CREATE VIEW statements; action, data-definition and pass-through
// queries, and queries using something the target cannot express, stay comments that say why.
// Views come in dependency order: a view reading another view follows it. A query with
// parameters becomes a function where the dialect allows it (PostgreSQL). A system table a query
// reads (MSysObjects) is copied as a view of its rows as they are at migration, before the views.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "documenter/sql_dialect.h"
#include "engine/dao.h"

namespace tavrek::doc {

// The note a translation carries when a Yes/No value is used as a number.
extern const char* const kYesNoNote;
// The end of the note a view carries when it reads a system table copied at migration (the note
// begins with the table's name in brackets).
extern const char* const kSystemCopyNote;

// What became of one query.
struct ViewTranslation {
  std::string name;         // the query's name
  std::string kind;         // "select", "union", "crosstab", "action", "ddl", "passthrough";
                            // "system" for a system table copied as a view of its rows
  bool translated = false;  // a CREATE VIEW (or CREATE FUNCTION) statement in `sql`
  // With parameters, on a server whose dialect allows it: `sql` creates a function of these
  // arguments (in order) returning the query's rows.
  std::vector<std::string> parameters;
  std::string sql;          // the statement (no trailing newline), when translated
  std::string reason;       // why not (Italian), naming the construct
  std::string accessSql;    // the query's SQL in Access
  std::vector<std::string> notes;      // where the view behaves differently from Access
  std::vector<std::string> dependsOn;  // the queries it reads
  bool missingSource = false;  // it reads a table or query the database does not have
};

// Every stored query of `db` translated for `dialect`, views in dependency order (a view after
// every view it reads), then the queries left as comments in catalogue order. Raises dao::Error
// when part of the catalogue cannot be read.
std::vector<ViewTranslation> TranslateQueries(dao::Database& db, const SqlDialect& dialect);

// The views and comments as a block of the DDL script: each view's statement with a comment line
// before it, each untranslated query as comment lines with the reason and its Access SQL.
std::string WriteViews(const std::vector<ViewTranslation>& views);

// One expression translated outside any query (for tests and the readiness report): the Access
// text as the dialect writes it, with columns named as written. Raises AccessSyntaxError for
// text that is not an Access expression and std::runtime_error (naming the construct) for one the
// target cannot express.
std::string TranslateExpression(const std::string& access, const SqlDialect& dialect);

}  // namespace tavrek::doc
