// Who names what: for every table, query, form and report of a database, the queries, forms,
// reports, macros and modules whose text names it; for forms and reports also what their designs
// name as record source, row source, control source or subform. The match is textual and
// conservative: the name must stand as a whole token (not inside a longer identifier), bracketed
// as "[name]" or bare. It is evidence that an object may use another, not proof: a name can
// appear in a comment or a string that is never run, and code can build names at run time that no
// text shows.
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
  // How: "recordSource", "rowSource", "controlSource" or "subform" when a form's or report's
  // design names it there; else "bracketed" when "[name]" occurs in a text, else "name"
  std::string match;
  bool operator==(const Reference&) const = default;
};

struct ReferenceEntry {
  std::string kind;  // "table", "query", "form" or "report"
  std::string name;
  std::vector<Reference> usedBy;  // in the order the sources were given
};

// A text to search and the object it belongs to; `how`, when set, is what a match there is
// reported as (a part of a design: "recordSource", "rowSource"…), and `names`, when set, the only
// kind of target it can name ("data": a table or query; "form", "report").
struct ReferenceSource {
  std::string kind;
  std::string name;
  std::string text;
  std::string how{};
  std::string names{};
};

// How `name` occurs in `text` as a token: "bracketed", "name", or "" when it does not. Letters are
// compared without regard to ASCII case; a token boundary is any character that cannot be part of
// a name (letters, digits, "_" and non-ASCII characters can).
std::string MatchName(std::string_view text, std::string_view name);

// The entries of `targets` (kind, name; usedBy ignored) searched in every source. An object does
// not count as naming itself (nor a form or report through the module behind it). Several sources
// of one object (kind and name) make one reference: the first part of a design that names the
// target, else "bracketed" when any text brackets the name, else "name".
std::vector<ReferenceEntry> CrossReference(std::vector<ReferenceEntry> targets,
                                           const std::vector<ReferenceSource>& sources);

// The cross-reference of a database: its tables (not the system ones), queries, forms and reports,
// searched in the queries' SQL, the forms' and reports' designs (record source, row and control
// sources, subforms' source objects) and stored definitions, the macros' text and every module's
// source (those behind forms and reports included). The hidden queries Access keeps for the SQL
// record sources of forms and reports and the row sources of their controls ("~sq_f…", "~sq_c…",
// "~sq_r…", "~sq_d…") are not listed themselves: their text counts as their form's or report's
// record source or row source. Raises dao::Error as the collections do.
std::vector<ReferenceEntry> CrossReference(dao::Database& db);

}  // namespace tavrek::doc
