// The DDL writer: CREATE TABLE statements for every table of an Access database (its own, not
// the linked or system ones), for one SQL target described by a SqlDialect.
//
// What is written: columns with their types mapped to the target, NOT NULL from Required,
// AutoNumber as the target's identity, DEFAULT where the Access expression has a meaning in SQL
// (a comment where it does not), primary keys, unique and plain indexes (with descending keys),
// foreign keys from the enforced relations (ON UPDATE / ON DELETE actions included) and the
// descriptions as comments; validation rules as CHECK constraints where they translate (comments
// where they do not), captions and formats as comments. Tables come in an order where every
// foreign key points to a table already created; a cycle is closed by ALTER TABLE statements at
// the end. Relations Access does not enforce, and those that cannot be expressed, are listed as
// comments. The stored queries follow as views, in dependency order, or as comments saying why
// not (view_translator.h).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "documenter/sql_dialect.h"
#include "engine/dao.h"

namespace tavrek::doc {

// The database cannot be written for the target: two names the server would take for one (they
// differ only in case, or are longer than the server keeps). The message (Italian) names both.
class DdlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A Required field whose stored rows break the requirement: Access checks it only on rows added or
// edited after the field was made Required, and keeps the older ones.
struct RequiredGap {
  std::string table, column;
  int64_t nulls = 0;    // rows with no value
  int64_t empties = 0;  // rows with "" where AllowZeroLength is No
};

struct DdlOptions {
  bool showSecrets = false;  // linked tables' connect strings unmasked in the comments
  // Only these tables (compared without regard to case; empty: all), and only their names and
  // the relations among them are written and must suit the server: a relation to a table left
  // out is not written, not even as a comment. A name that is not a local table raises DdlError.
  std::vector<std::string> tables;
  bool views = true;         // the stored queries as views after the tables (view_translator.h)
  // Required fields written without NOT NULL (nulls) or without their CHECK against "" (empties),
  // each with a comment beside the column saying why: the data outputs fill these (FindRequiredGaps
  // in data_script.h) so that every stored row goes in. Empty for the structure alone.
  std::vector<RequiredGap> requiredGaps;
};

// The script in pieces, for the writers that put rows between the tables and their indexes.
struct DdlTable {
  std::string name;
  std::string create;     // CREATE TABLE with its comments (foreign keys only where the server
                          // has no ALTER TABLE for them)
  std::string indexes;    // CREATE INDEX statements
  std::string identity;   // the AutoNumber column, empty for none
  std::vector<std::string> notNull;  // the columns declared NOT NULL
  std::vector<std::pair<std::string, int>> decimalScales;  // Decimal columns and their scale
  std::vector<std::string> primaryKey, primaryKeyTypes;  // key columns and their types
};
struct DdlParts {
  std::string header;      // comment lines: the database, the linked tables left out
  std::vector<DdlTable> tables;  // in creation order
  std::string foreignKeys; // ALTER TABLE … ADD CONSTRAINT … FOREIGN KEY statements
  std::string notes;       // relations not written, as comment lines
  // The stored queries as views (or comments saying why not), after everything else; empty with
  // `views` off or when only some tables are written (a view may read any of them).
  std::string views;
};

// The parts of the script for `db`; raises as WriteDdl.
DdlParts WriteDdlParts(dao::Database& db, const SqlDialect& dialect, const DdlOptions& options = {});

// The server's type of a column of DAO type `type` and size `size` (Decimal: `precision` and
// `scale`, Access's 18,0 when not known), as CREATE TABLE writes it; empty for the complex types.
std::string SqlColumnType(const SqlDialect& dialect, int type, int size, int precision = 0,
                          int scale = 0);

// `name` quoted for the server (the closing quote doubled inside); DdlError for a name it cannot
// take (MySQL: characters beyond U+FFFF).
std::string QuoteIdentifier(const SqlDialect& dialect, std::string_view name);

// `text` as a string literal for the server: quotes doubled, and backslashes too where the server
// reads them as escapes.
std::string QuoteLiteral(const SqlDialect& dialect, std::string_view text);

// The whole script for `db` in `dialect`, ending with a newline. Raises dao::Error when part of
// the catalogue cannot be read and DdlError when the names collide; nothing is returned then.
std::string WriteDdl(dao::Database& db, const SqlDialect& dialect, const DdlOptions& options = {});

}  // namespace tavrek::doc
