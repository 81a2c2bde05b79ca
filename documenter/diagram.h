// The relationship diagram of a database's user tables: which tables and key fields it shows and
// which relations join them (shared by the HTML and Markdown writers), and its layout as SVG by
// Graphviz's dot.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "documenter/dictionary.h"

namespace tavrek::doc {

// A field a diagram shows: part of the primary key, or of a relation on either side.
struct DiagramColumn {
  std::string name;
  std::string type;  // English type name
  bool primary = false;
  bool foreign = false;  // the referencing side of some relation
};

struct DiagramTable {
  std::string name;
  bool linked = false;
  std::vector<DiagramColumn> columns;  // in the table's column order
};

// One relation: from the referenced ("one") table to the referencing table, with the positions
// of the first field pair's columns in the two tables' `columns` (-1 when the field is unknown).
struct DiagramEdge {
  std::string name;
  size_t table = 0;         // the referenced table, index into Diagram::tables
  size_t foreignTable = 0;  // the referencing table
  int column = -1;
  int foreignColumn = -1;
  bool oneToOne = false;
  bool enforced = true;
};

struct Diagram {
  std::vector<DiagramTable> tables;  // the dictionary's user tables, in its order
  std::vector<DiagramEdge> edges;    // one per relation whose two tables are both shown
};

// The diagram of a dictionary: every user table with its key fields, every relation between two
// of them.
Diagram BuildDiagram(const Dictionary& d);

// `text` escaped for a field of a Graphviz record label: braces, bar, angle brackets, quote and
// backslash behind a backslash, spaces as "\ " so that they are kept, control characters as
// spaces.
std::string RecordLabelText(const std::string& text);

// How the tables without relations are packed into rows: `count` tables, the smallest n with
// n² ≥ count per row, and the order in which to create their nodes so that they read in rows
// from the top left; kPadding marks the slots of a short last row, filled with invisible nodes.
constexpr size_t kPadding = SIZE_MAX;
size_t PackRowLength(size_t count);
std::vector<size_t> PackOrder(size_t count);

// The diagram laid out by dot (left to right) and drawn as SVG elements for inclusion in an HTML
// page (no XML prolog): first <svg class="relazioni"> with the tables that have relations, as
// record nodes headed by their name, and one edge per relation labelled with its cardinality,
// dashed when the relation is not enforced; then <svg class="isolate"> with the other tables
// packed in rows. Either is left out when it would be empty; an empty diagram gives "". nullopt
// with the reason in `error` when Graphviz fails.
std::optional<std::string> DiagramSvg(const Diagram& diagram, std::string& error);

}  // namespace tavrek::doc
