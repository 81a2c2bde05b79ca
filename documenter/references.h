// Who names what: for every table and query of a database, the queries, forms, reports, macros
// and modules whose text names it. The match is textual and conservative: the name must stand as
// a whole token (not inside a longer identifier), bracketed as "[name]" or bare. It is evidence
// that an object may use another, not proof: a name can appear in a comment or a string that is
// never run, and code can build names at run time that no text shows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/dao.h"

namespace tavrek::doc {

// One object whose text names a table or query.
struct Reference {
  std::string kind;   // "query", "form", "report", "macro" or "module"
  std::string name;   // a module behind a form or report is named as VBA names it ("Form_frmX")
  std::string match;  // "bracketed" when "[name]" occurs, else "name"
  bool operator==(const Reference&) const = default;
};

struct ReferenceEntry {
  std::string kind;  // "table" or "query"
  std::string name;
  std::vector<Reference> usedBy;  // in the order the sources were given
};

// A text to search and the object it belongs to.
struct ReferenceSource {
  std::string kind;
  std::string name;
  std::string text;
};

// How `name` occurs in `text` as a token: "bracketed", "name", or "" when it does not. Letters are
// compared without regard to ASCII case; a token boundary is any character that cannot be part of
// a name (letters, digits, "_" and non-ASCII characters can).
std::string MatchName(std::string_view text, std::string_view name);

// The entries of `targets` (kind, name; usedBy ignored) searched in every source. A query does
// not count as naming itself. Several sources of one object (kind and name) make one reference,
// "bracketed" when any of them brackets the name.
std::vector<ReferenceEntry> CrossReference(std::vector<ReferenceEntry> targets,
                                           const std::vector<ReferenceSource>& sources);

// The cross-reference of a database: its tables (not the system ones) and queries, searched in the
// queries' SQL, the forms' and reports' stored definitions, the macros' text and every module's
// source (those behind forms and reports included). The hidden queries Access keeps for the SQL
// record sources of forms and reports and the row sources of their controls ("~sq_f…", "~sq_c…",
// "~sq_r…", "~sq_d…") are not listed themselves: their text counts as their form's or report's.
// Raises dao::Error as the collections do.
std::vector<ReferenceEntry> CrossReference(dao::Database& db);

}  // namespace tavrek::doc
