// CSV output (--csv DIR): one RFC 4180 file per table, UTF-8, a header row of field names and one
// record per row, every line ended by CR LF. Fields holding a comma, a quote, CR or LF are quoted
// (quotes doubled); line breaks inside text are kept as they are stored.
//
// Values: Null is an empty field; Yes/No "true"/"false"; whole numbers in decimal; Currency and
// Decimal exactly, with the scale's digits ("12.3400"); Single and Double in the shortest form
// that reads back to the same number; Date/Time as ISO 8601 ("2024-05-01T13:45:00", ".fff" when
// there are milliseconds); Date/Time Extended as "YYYY-MM-DD hh:mm:ss.fffffff"; GUID as
// "{XXXXXXXX-…}"; binary (Binary, OLE Object) as lower-case hexadecimal, two digits per byte;
// attachments and multi-value fields as a JSON array (one value per item, or one object per item
// with its columns, attachment bytes in hexadecimal).
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dao.h"
#include "engine/rows.h"

namespace tavrek::doc {

// Appends the CSV text of `value` (before quoting) to `out`.
void AppendCsvValue(std::string& out, const dao::Value& value);

// Writes the header and every row of `rows` as CSV through `write` (which returns false when the
// output failed; writing stops then and false is returned). `progress` is called now and then
// with the rows done. Raises what the source raises.
bool WriteCsvRows(dao::RowSource& rows, const std::function<bool(std::string_view)>& write,
                  const std::function<void(int64_t)>& progress = {});

struct CsvOptions {
  std::vector<std::string> tables;  // empty: every local table that is not a system table
  bool salvage = false;             // leave out unreadable rows and report them on `err`
  bool progress = false;            // rows and tables done on `err`, on one rewritten line
};

// Writes one file per table into `dir` (created when missing): "<table>.csv", the name made safe
// for a file (names that collide ignoring case get "~2", "~3"…). Every file is written beside its
// target under a temporary name; the files are renamed into place only once every table has been
// read, so `dir` never holds part of an export. A table named in `options.tables` that does not
// exist raises 3078; a row that cannot be read raises 3049 naming the table and the row, unless
// salvaging. Returns false with an Italian message in `error` when a file cannot be written.
bool WriteCsvFiles(dao::Database& db, const std::string& dir, const CsvOptions& options,
                   std::ostream& err, std::string& error);

}  // namespace tavrek::doc
