// tavrek-dump: the whole catalogue of an Access database, as text or as a JSON document.
//
// The options are read here; each output is written by its writer in documenter/ (the JSON
// document's shape is described in documenter/json_document.h).
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

#include "documenter/json_document.h"
#include "documenter/listing.h"
#include "documenter/names.h"
#include "documenter/save_as_text.h"
#include "documenter/vba_files.h"
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
  std::optional<std::string> output;    // -o OUT: the output into OUT (written whole, then renamed)
  bool showSecrets = false;             // --show-secrets: connect-string passwords unmasked
  std::optional<std::string> ddl;       // --ddl DIALECT: CREATE statements for that SQL server
  bool noViews = false;                 // --no-views: --ddl without the queries as views
  std::optional<std::string> readiness; // --readiness OUT: the migration readiness report
  bool diff = false;                    // --diff FILE_A FILE_B: what differs in structure
  std::string fileB;                    // with --diff: the second file
  std::optional<std::string> passwordA, passwordB;  // --password-a / --password-b
  bool counts = false;                  // --counts: with --diff, record counts and dates too
  bool system = false;                  // --system: with --diff, relations of system tables too
  std::optional<std::string> inventory; // --inventory DIR: every Access file under DIR
  int jobs = 0;                         // --jobs N: with --inventory, worker threads (0: cores)
  std::optional<std::string> vba;       // --vba DIR: each module's VBA source into DIR
  std::optional<std::string> csv;       // --csv DIR: every table's rows, one CSV file each
  bool salvage = false;                 // --salvage: unreadable rows left out and reported
  std::optional<std::string> sqlite;    // --sqlite OUT: the tables and their rows as one SQLite file
  bool data = false;                    // --data: with --ddl, the rows too (one loadable script)
  std::optional<std::string> saveAsText;  // --saveastext DIR: objects as Access exports them
  // Further output options (for example a printed report of chosen tables) are added here, to
  // the option table in dump.cpp, and to the output step of Run.
};

// Parses the arguments after the program name. On a usage error returns nullopt and sets `error`
// to a one-line message.
std::optional<Options> ParseArguments(const std::vector<std::string>& args, std::string& error);

// The text of --help.
std::string UsageText();

// JSON string literal (with the quotes) of UTF-8 text; see doc::JsonString.
std::string JsonString(const std::string& text);

// The writers tavrek-dump calls, under the names its callers know.
using tavrek::doc::FieldTypeName;
using tavrek::doc::JsonDocument;
using tavrek::doc::SafeFileName;
using tavrek::doc::TextListing;
using tavrek::doc::VbaFiles;
using tavrek::doc::WriteVbaFiles;

// Opens a database: path and connect string (";" + password, or none).
using Opener = std::function<std::shared_ptr<dao::Database>(
    const std::string& path, const std::optional<std::string>& connect)>;

// Writes the printed structure report of an open database into the PDF file `path` (a new file in
// a private temporary folder; Run then puts it at --pdf OUT): the options give the database file
// and the tables. Raises dao::Error; returns false with a message in `error` when the PDF could not
// be written. Only builds with the user interface have one.
using PdfWriter = std::function<bool(dao::Database& db, const Options& options, const std::string& path,
                                     std::string& error)>;

// The whole program: parses `args`, opens the file with `open`, writes the dump to `out` (or, with
// --pdf, the report through `pdf`, then to OUT as -o writes; without a writer --pdf is a usage error
// saying so; OUT is untouched when the report fails).
// Returns the exit status: 0 success, 1 usage error, 2 engine error ("Errore N", a newline and the
// description on `err`), 3 the output could not be written, 4 (--ddl) the structure cannot be
// written for that server (names that collide). --diff answers as diff(1) does: 0 same,
// 1 different, 2 trouble of any kind (usage errors included). Never raises: anything unexpected is
// reported on `err` and is status 2.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const Opener& open, const PdfWriter& pdf = {});

}  // namespace tavrek::dump
