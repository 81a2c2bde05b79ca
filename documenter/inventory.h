// The folder inventory: every file under a folder that looks like an Access database (by its
// header, or by its name: .mdb, .mde, .accdb, .accde), documented in parallel, one JSON line per
// file (with its error when it cannot be read, or is not a database after all) and a summary
// line at the end.
//
// A file line: {"path", "size", "format", "encrypted", "tables", "queries", "relations",
// "linked": [{"name", "connect", "source"}], "error", "errorText"} — `error` and `errorText` are
// null when the file was read; otherwise the engine's error number and description, with the
// counts null. The summary: {"summary": {"files", "read", "failed", "encrypted", "skipped",
// "seconds"}} — `skipped` counts folders and entries that could not be walked (their messages go
// to the error stream) and links that lead back into a folder already walked.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "engine/dao.h"

namespace tavrek::doc {

struct InventoryOptions {
  int jobs = 0;              // worker threads; 0: one per core
  bool showSecrets = false;  // connect strings unmasked
  bool progress = false;     // a progress line ("\r") on the error stream
};

struct InventorySummary {
  int files = 0;      // Access files found
  int read = 0;       // of which read without error
  int failed = 0;
  int encrypted = 0;
  int skipped = 0;    // entries that could not be walked, and link loops
};

// Opens one database file read-only; raises dao::Error. Called from several threads at once.
using InventoryOpener = std::function<std::shared_ptr<dao::Database>(const std::string& path)>;

// What the inventory says about one file.
struct InventoryRecord {
  bool access = false;     // the file has an Access header or name (otherwise nothing else is set)
  bool read = false;       // its catalogue was read
  bool encrypted = false;  // its pages are encoded or encrypted
  std::string json;        // its JSON line, without the newline
};

// Reads the header of `path` and, for a file with an Access header or name, opens it through
// `open` and counts its objects. Never raises: a file that cannot be read gets its error in the
// record.
InventoryRecord DocumentFile(const std::string& path, const InventoryOptions& options,
                             const InventoryOpener& open);

// Walks `root` (following links to folders, each folder walked once), documents the Access files
// on `options.jobs` threads and writes their lines to `out` in path order, as soon as each is
// ready, then the summary line. Problems of the walk go to `err`, one line each. Raises
// std::runtime_error (Italian message) when `root` is not a readable folder; nothing is written
// to `out` then.
InventorySummary RunInventory(const std::string& root, const InventoryOptions& options,
                              const InventoryOpener& open, std::ostream& out, std::ostream& err);

}  // namespace tavrek::doc
