// tavrek-dump: the whole catalogue of an Access database, as text or as a JSON document.
//
// The JSON document is read by our tests and by outside scripts, so its shape is fixed:
//   {"format": "...", "properties": {...},
//    "tables": [{"name", "system", "linked", "recordCount", "dateCreated", "lastUpdated",
//      "properties": {...}, ("connect", "sourceTableName": linked tables only),
//      "fields": [{"name", "type", "size", "attributes", "required", "allowZeroLength",
//                  "properties": {...}}],
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
// are null when there is none. "references" is textual evidence (see documenter/references.h),
// one entry per table (not system) and query.
//
// A dump is all or nothing: if any table definition or query text cannot be read, nothing is
// printed on standard output and the engine's error is reported instead (exit status 2), because
// the callers rely on a complete document.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "documenter/names.h"
#include "engine/dao.h"

namespace tavrek::dump {

// What the command line asked for.
struct Options {
  std::optional<std::string> password;  // --password PW
  bool json = false;                    // --json
  bool help = false;                    // --help
  bool version = false;                 // --version
  std::string file;                     // the database file
  std::optional<std::string> pdf;       // --pdf OUT: the printed structure report into OUT
  std::vector<std::string> tables;      // --table NAME, repeatable: the tables of that report
  bool html = false;                    // --html: the data dictionary as one HTML page
  bool markdown = false;                // --markdown: the data dictionary as Markdown
  std::optional<std::string> output;    // -o / --output OUT: write into OUT instead of stdout
  bool showSecrets = false;             // --show-secrets: passwords of connect strings unmasked
  std::optional<std::string> vba;       // --vba DIR: each module's VBA source into DIR
  // Further output options (for example a printed report of chosen tables) are added here, to
  // the option table in dump.cpp, and to the output step of Run.
};

// Parses the arguments after the program name. On a usage error returns nullopt and sets `error`
// to a one-line message.
std::optional<Options> ParseArguments(const std::vector<std::string>& args, std::string& error);

// The text of --help.
std::string UsageText();

// JSON string literal (with the quotes) of UTF-8 text: quotes, backslash and control characters
// escaped, other characters passed through as UTF-8; invalid UTF-8 bytes become U+FFFD so the
// document is always valid.
std::string JsonString(const std::string& text);

// The JSON document of an open database. Raises dao::Error when part of the catalogue cannot be
// read; nothing has been written then.
// `showSecrets`: passwords of connect strings as stored instead of PWD=***.
std::string JsonDocument(dao::Database& db, bool showSecrets = false);

// The human-readable listing of an open database. Raises dao::Error as JsonDocument does.
std::string TextListing(dao::Database& db, bool showSecrets = false);

using tavrek::doc::FieldTypeName;

// A module name made fit for a file name: path separators, control characters and the characters
// Windows refuses become "_", and a leading "." too.
std::string SafeFileName(const std::string& name);

// The files --vba writes: (file name, source) for every module with source, standard modules as
// ".bas", class modules and those behind forms ("Form_…") and reports ("Report_…") as ".cls";
// names that would collide (ignoring case) get "~2", "~3"…
std::vector<std::pair<std::string, std::string>> VbaFiles(dao::Database& db);

// Writes `files` into `dir` (created when missing). False with a message when it cannot.
bool WriteVbaFiles(const std::string& dir,
                   const std::vector<std::pair<std::string, std::string>>& files,
                   std::string& error);

// Opens a database: path and connect string (";" + password, or none).
using Opener = std::function<std::shared_ptr<dao::Database>(
    const std::string& path, const std::optional<std::string>& connect)>;

// Writes the printed structure report of an open database into a PDF (--pdf): the options give
// the file, the output and the tables. Raises dao::Error; returns false with a message in `error`
// when the PDF could not be written. Only builds with the user interface have one.
using PdfWriter = std::function<bool(dao::Database& db, const Options& options, std::string& error)>;

// The whole program: parses `args`, opens the file with `open`, writes the dump to `out` (or, with
// --pdf, the report through `pdf`; without a writer --pdf is a usage error saying so).
// Returns the exit status: 0 success, 1 usage error, 2 engine error ("Errore N", a newline and the
// description on `err`), 3 the output could not be written.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const Opener& open, const PdfWriter& pdf = {});

}  // namespace tavrek::dump
