// The SQLite export (`--sqlite OUT`): one ready SQLite database with the schema of `--ddl sqlite`,
// every row of every local table (or of the chosen ones), the values of complex columns in child
// tables as the data scripts have them (data_script.h), then the indexes. Foreign keys are declared
// in the tables, as SQLite wants; they are not checked while the rows go in, and are checked
// (PRAGMA foreign_key_check) before the file is kept.
//
// Written through libsqlite3 with prepared statements, in one transaction, into a temporary file
// in OUT's folder that is renamed over OUT only when complete: OUT is never half-written and an
// existing OUT is replaced only by a whole database (and only when it is a regular file).
// Values are bound as the script writes them for SQLite: Yes/No 1/0, integers, Currency and
// Decimal as exact decimal text (SQLite's NUMERIC affinity then decides how to keep them), Single
// and Double as the double they are, dates as "YYYY-MM-DD hh:mm:ss", text with every byte (NUL
// included), binary as BLOB, GUIDs as "{…}".
#pragma once

#include <string>
#include <vector>

#include "documenter/data_script.h"

namespace tavrek::doc {

// Writes the database into `path`. Raises dao::Error when a table or row cannot be read and
// DdlError / DataError when the structure or a value cannot be written; returns false with an
// Italian message in `error` when the file cannot be written. Nothing is left at `path` but a
// complete database (or what was there before).
bool ExportSqlite(dao::Database& db, const RowOpener& open, const std::string& path,
                  const DataOptions& options, std::vector<TableReport>& reports, std::string& error);

}  // namespace tavrek::doc
