// Rows moved out of the database: the data script a server's own client loads (`--ddl DIALECT
// --data`: sqlite3, psql, mysql/mariadb) and what it shares with the SQLite export.
//
// The script: the tables of the DDL writer (ddl.h), each followed by its rows (SQLite: one INSERT
// per row, the whole script one transaction; PostgreSQL: COPY … FROM stdin in the text format,
// inside one transaction; MySQL: multi-row INSERT statements of about 1 MiB, under the default
// max_allowed_packet — a single row larger than the server's packet limit is refused by it), the
// AutoNumber restarted past the largest key, then every index and foreign key. Rows are read one
// at a time from a dao::RowSource and written out at once: memory does not grow with the tables.
//
// Values, per server (the mappings are data in SqlDialect):
//   Yes/No        PostgreSQL boolean, MySQL BOOLEAN (TINYINT(1)) 1/0, SQLite 1/0
//   Currency      exact decimal with four places, from the stored integer (never a double);
//                 SQLite has no exact decimal: NUMERIC affinity keeps whole amounts as integers
//                 and others as doubles (15 significant digits), as SQLite does for any value
//   Decimal       exact decimal with its scale; a value with more digits after the point than the
//                 column declares is an error (PostgreSQL and MySQL would round it)
//   Single        PostgreSQL: the shortest text of the float; SQLite and MySQL: of the double it
//                 widens to exactly (SQLite's REAL is a double; MySQL reads a double first);
//                 Double: the shortest text that reads back the same
//   NaN, ±∞       PostgreSQL NaN/Infinity, SQLite ±9e999 (no NaN: an error); MySQL: an error
//   Date/Time     "YYYY-MM-DD hh:mm:ss" (to the second, as the DDL's types keep it); a time
//                 without date is on 1899-12-30, Access's day 0. A date before the server's
//                 first year (MySQL DATETIME: 1000) is an error naming table, column and row.
//   Date/Time Extended  its text; PostgreSQL and MySQL keep microseconds: the seventh digit of
//                 the fraction is dropped (not rounded)
//   Text, Memo    UTF-8 as stored. PostgreSQL text cannot hold the character U+0000: such a
//                 value is an error naming table, column and row (never cut at the NUL). MySQL
//                 gets backslash escapes, the script setting sql_mode itself so that
//                 NO_BACKSLASH_ESCAPES is off; SQLite gets quotes doubled, and text with NUL as
//                 CAST(X'…' AS TEXT) so that every byte is kept; so does text with CR, which the
//                 sqlite3 shell would drop before a line feed.
//   Binary, OLE   PostgreSQL bytea hex (\x…), MySQL and SQLite X'…'
//   GUID          PostgreSQL uuid; MySQL and SQLite "{XXXXXXXX-…}" text as Access shows it
//   Attachments, multi-value fields, memo history: a child table per column, named
//                 "<table>_<column>", holding the parent row's primary key (or, for a table
//                 without one, "Riga": the row's position among the table's rows, from 1),
//                 "Elemento" (the item's position in its row, from 1) and the hidden table's user
//                 columns (an attachment's FileName, FileType, FileData…), keyed on both and with
//                 a foreign key to the parent row (ON UPDATE / ON DELETE CASCADE). With a
//                 salvaging source, "Riga" counts the rows written.
//   Required      Access checks a Required field only on rows added or edited after it was made
//                 Required, and keeps older rows with no value (or with "" where AllowZeroLength
//                 is No). Before a table is created its Required fields are read once (only
//                 tables that have one pay); a column whose rows hold Null is created without
//                 NOT NULL, one whose rows hold "" without its CHECK (<> ''), each with a
//                 comment beside the column and a line on standard error (ReportRequiredGaps):
//                 every row goes in. The structure alone (`--ddl` without `--data`) keeps both.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "documenter/ddl.h"
#include "documenter/sql_dialect.h"
#include "engine/rows.h"

namespace tavrek::doc {

// A value the server cannot hold (a date before its range, text with NUL for PostgreSQL, a NaN
// where there is none). The message (Italian) names the server, table, column and row.
class DataError : public DdlError {
 public:
  using DdlError::DdlError;
};

// Opens the rows of a local table by name (dao::Database::OpenRows, or rows built by hand).
using RowOpener = std::function<std::unique_ptr<dao::RowSource>(const std::string& table)>;

// Where a writer is, for a progress line.
struct DataProgress {
  std::string table;
  int64_t rows = 0;        // rows of `table` done so far
  size_t tablesDone = 0;   // tables finished
  size_t tables = 0;       // tables in all
};

struct DataOptions {
  DdlOptions ddl;  // secrets shown, the tables to move
  // Called every few thousand rows and at the end of each table (may be empty).
  std::function<void(const DataProgress&)> progress;
};

// What was moved from one table.
struct TableReport {
  std::string name;
  int64_t rows = 0;                 // rows written
  std::vector<RequiredGap> gaps;    // Required fields created without their constraint
  std::vector<dao::LostRow> lost;   // rows left out by a salvaging source, with why
};

// The child table of a complex column.
struct ChildTable {
  std::string name;                   // "<table>_<column>"
  size_t column = 0;                  // the complex column among the source's columns
  std::vector<std::string> keyNames;  // the parent's key columns, or {"Riga"}
  std::vector<size_t> keyColumns;     // their positions among the source's columns (empty: Riga)
  std::vector<dao::RowColumn> parts;  // the hidden table's user columns
  std::string create;                 // CREATE TABLE statement
  std::string foreignKey;             // ALTER TABLE … ADD … FOREIGN KEY (empty: in `create`)
  std::vector<std::string> columnNames;  // every column, in order (keys, Elemento, parts)
};

// The child tables of the complex columns of a table (none when it has none). DdlError when a
// name is too long for the server or taken by another table in `parts`.
std::vector<ChildTable> ChildTables(const SqlDialect& dialect, const DdlParts& parts,
                                    const DdlTable& table, const std::vector<dao::RowColumn>& columns);

// The Required fields of the tables `options` names (all local tables when none) whose stored
// rows break the requirement: Null, or "" in Required text with AllowZeroLength No. Only tables
// with such a field are read, once, through `open`. Raises dao::Error when a row cannot be read.
std::vector<RequiredGap> FindRequiredGaps(dao::Database& db, const RowOpener& open, const DdlOptions& options);

// The structure for a data output, shared by the script and the SQLite export: WriteDdlParts with
// the gaps of FindRequiredGaps, which are returned in `gaps`.
DdlParts DataDdlParts(dao::Database& db, const SqlDialect& dialect, const RowOpener& open,
                      const DdlOptions& options, std::vector<RequiredGap>& gaps);

// For each of `columns`: whether the table declares it NOT NULL. A Null there (a row the reader
// did not give while the gaps were sought) is an error naming table, column and row: the server
// would refuse the row anyway.
std::vector<bool> RequiredColumns(const DdlTable& table, const std::vector<dao::RowColumn>& columns);
void RefuseNull(const SqlDialect& dialect, const std::string& table, const std::string& column,
                int64_t row);

// For each of `columns`: the declared scale of a Decimal column where the server keeps only that
// (-1 otherwise). A value with non-zero digits past it is an error naming table, column and row,
// never rounded by the server.
std::vector<int> DecimalScales(const SqlDialect& dialect, const DdlTable& table,
                               const std::vector<dao::RowColumn>& columns);
void CheckDecimalScale(const SqlDialect& dialect, const dao::Value& value, int scale,
                       const std::string& table, const std::string& column, int64_t row);

// True for a column kept in a child table rather than in its own table's rows.
bool IsComplexColumn(const dao::RowColumn& column);

// Writes the whole script for the tables of `db` (or those of options.ddl.tables) into `out`,
// reading each table's rows through `open`. Raises dao::Error when a table or row cannot be read,
// DdlError / DataError when the structure or a value cannot be written for the server; `out`
// then holds a partial script, which the caller discards.
std::vector<TableReport> WriteDataScript(dao::Database& db, const SqlDialect& dialect,
                                         const RowOpener& open, std::ostream& out,
                                         const DataOptions& options = {});

// A progress reporter for DataOptions::progress writing "tabella N di M, righe R" over itself on
// `err` (a terminal); the caller ends the line when done.
std::function<void(const DataProgress&)> ProgressLine(std::ostream& err);

// One line on `err` for each Required field created without its constraint: "tabella 'T', colonna
// 'C': campo obbligatorio con N valori Null: creato senza NOT NULL" (or "… N stringhe vuote …").
void ReportRequiredGaps(const std::vector<TableReport>& reports, std::ostream& err);

// For each table that lost rows (a salvaging source): how many, how many were written, and each
// lost row with why, on `err`.
void ReportLostRows(const std::vector<TableReport>& reports, std::ostream& err);
// The same for one table: "tabella 'T': 3 righe non lette, 40 scritte" ("almeno 3" when a page's
// rows could not be counted), then one line per entry of `lost`. Nothing when `lost` is empty.
void ReportLostRows(const std::string& table, const std::vector<dao::LostRow>& lost, int64_t written,
                    std::ostream& err);

}  // namespace tavrek::doc
