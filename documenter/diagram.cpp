#include "documenter/diagram.h"

#include "documenter/graphviz_library.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "documenter/names.h"
#include "documenter/utf8.h"
#include "engine/catalogue/name_compare.h"

namespace tavrek::doc {

namespace {

// The column of that name in `t` (ASCII case ignored as Access does for names), adding it when a
// relation names a field the table's definition does not list (a linked table has none).
int ColumnOf(DiagramTable& t, const std::string& name) {
  for (size_t i = 0; i < t.columns.size(); ++i)
    if (t.columns[i].name == name) return static_cast<int>(i);
  auto lower = [](const std::string& s) { return engine::FoldName(s); };
  for (size_t i = 0; i < t.columns.size(); ++i)
    if (lower(t.columns[i].name) == lower(name)) return static_cast<int>(i);
  t.columns.push_back({name, "", false, false});
  return static_cast<int>(t.columns.size() - 1);
}

// Graphviz reports through a process-wide callback: one rendering at a time, and what it says
// goes into the message of the running one.
std::mutex graphvizMutex;
const GraphvizLibrary* gv = nullptr;  // set while a rendering runs

// Graphviz expands backslash sequences (\N, \G, ...) in tooltips: a literal backslash is doubled.
std::string TooltipText(const std::string& text) {
  std::string out;
  for (char c : ValidUtf8(text)) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

void Set(void* object, const char* name, const std::string& value) {
  gv->SafeSet(object, const_cast<char*>(name), const_cast<char*>(value.c_str()), const_cast<char*>(""));
}

std::string ColumnLabel(const DiagramColumn& c) {
  std::string text = c.name;
  if (!c.type.empty()) text += "  " + c.type;
  if (c.primary && c.foreign) text += "  PK FK";
  else if (c.primary) text += "  PK";
  else if (c.foreign) text += "  FK";
  return RecordLabelText(text) + "\\l";
}

std::string NodeLabel(const DiagramTable& t) {
  std::string label = RecordLabelText(t.linked ? t.name + " (collegata)" : t.name);
  for (size_t i = 0; i < t.columns.size(); ++i)
    label += "|<c" + std::to_string(i) + "> " + ColumnLabel(t.columns[i]);
  return label;
}

size_t RowLength(size_t count) {
  size_t n = 1;
  while (n * n < count) ++n;
  return n;
}

}  // namespace

size_t PackRowLength(size_t count) { return RowLength(count); }

// dot packs column by column before turning the drawing for a left-to-right layout, which shows
// its columns as rows from the bottom up. The nodes are created in the order that makes the rows
// read from the top down, the last row short; invisible padding fills the slots a short row
// leaves, so that every table keeps its place.
std::vector<size_t> PackOrder(size_t count) {
  const size_t perRow = RowLength(count);
  const size_t rows = (count + perRow - 1) / perRow;
  std::vector<size_t> order;
  for (size_t slot = 0; slot < rows * perRow; ++slot) {
    const size_t rowFromTop = rows - 1 - slot / perRow;
    const size_t item = rowFromTop * perRow + slot % perRow;
    order.push_back(item < count ? item : kPadding);
  }
  return order;
}

namespace {
}  // namespace

Diagram BuildDiagram(const Dictionary& d) {
  Diagram diagram;
  for (const DictionaryTable& t : d.tables) {
    DiagramTable node;
    node.name = t.def->Name();
    node.linked = t.def->IsLinked();
    if (t.rs) {
      std::vector<std::string> keyFields;
      for (const dao::Index& ix : t.rs->Indexes())
        if (ix.Primary())
          for (const dao::IndexField& f : ix.Fields()) keyFields.push_back(f.Name());
      std::vector<std::string> related;
      for (const dao::Relation* r : t.outgoing)
        for (const auto& f : r->Fields()) related.push_back(f.ForeignName());
      for (const dao::Relation* r : t.incoming)
        for (const auto& f : r->Fields()) related.push_back(f.Name());
      for (const dao::Field& f : t.rs->Fields()) {
        DiagramColumn c{f.Name(), FieldTypeName(f.Type()), false, false};
        for (const auto& k : keyFields) c.primary = c.primary || k == f.Name();
        bool isRelated = false;
        for (const auto& k : related) isRelated = isRelated || k == f.Name();
        if (c.primary || isRelated) node.columns.push_back(std::move(c));
      }
    }
    diagram.tables.push_back(std::move(node));
  }
  for (const dao::Relation* r : d.relations) {
    const int one = FindTable(d, r->Table());
    const int many = FindTable(d, r->ForeignTable());
    if (one < 0 || many < 0) continue;
    DiagramEdge e;
    e.name = r->Name();
    e.table = static_cast<size_t>(one);
    e.foreignTable = static_cast<size_t>(many);
    e.oneToOne = (r->Attributes() & dao::dbRelationUnique) != 0;
    e.enforced = (r->Attributes() & dao::dbRelationDontEnforce) == 0;
    for (int k = 0; k < r->Fields().Count(); ++k) {
      const auto& pair = r->Fields().Item(k);
      const int c = ColumnOf(diagram.tables[e.table], pair.Name());
      const int fc = ColumnOf(diagram.tables[e.foreignTable], pair.ForeignName());
      diagram.tables[e.foreignTable].columns[static_cast<size_t>(fc)].foreign = true;
      if (k == 0) {
        e.column = c;
        e.foreignColumn = fc;
      }
    }
    diagram.edges.push_back(std::move(e));
  }
  return diagram;
}

std::string RecordLabelText(const std::string& text) {
  std::string out;
  for (char ch : ValidUtf8(text)) {
    const unsigned char c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '{': case '}': case '|': case '<': case '>': case '"': case '\\':
        out += '\\';
        out += ch;
        break;
      case ' ':
        out += "\xC2\xA0";
        break;
      default:
        if (c < 0x20 || c == 0x7F) out += "\xC2\xA0";
        else out += ch;
    }
  }
  return out;
}

namespace {

Agnode_t* TableNode(Agraph_t* g, const DiagramTable& t, size_t i) {
  const std::string id = "t" + std::to_string(i);
  Agnode_t* n = gv->Node(g, const_cast<char*>(id.c_str()), 1);
  Set(n, "shape", "record");
  Set(n, "fontname", "Helvetica");
  Set(n, "fontsize", "10");
  Set(n, "style", "filled");
  Set(n, "fillcolor", t.linked ? "#f3efe4" : "#eef3f8");
  Set(n, "color", "#4a5a6a");
  Set(n, "label", NodeLabel(t));
  Set(n, "tooltip", TooltipText(t.name));
  return n;
}

void RelationEdge(Agraph_t* g, const DiagramEdge& e, size_t i, Agnode_t* from, Agnode_t* to) {
  const std::string key = "r" + std::to_string(i);
  Agedge_t* edge = gv->Edge(g, from, to, const_cast<char*>(key.c_str()), 1);
  if (e.column >= 0) Set(edge, "tailport", "c" + std::to_string(e.column));
  if (e.foreignColumn >= 0) Set(edge, "headport", "c" + std::to_string(e.foreignColumn));
  Set(edge, "label", e.oneToOne ? "1\xE2\x80\x93" "1" : "1\xE2\x80\x93\xE2\x88\x9E");
  Set(edge, "fontname", "Helvetica");
  Set(edge, "fontsize", "9");
  Set(edge, "dir", "both");
  Set(edge, "arrowtail", "tee");
  Set(edge, "arrowhead", e.oneToOne ? "tee" : "crow");
  Set(edge, "color", "#4a5a6a");
  if (!e.enforced) Set(edge, "style", "dashed");
  Set(edge, "tooltip", TooltipText(e.name));
}

// Lays out and draws one graph: the tables `shown` of the diagram with the edges between them,
// or (`packed`) the tables alone in rows. The SVG element gets the class `cssClass`.
std::optional<std::string> Render(GVC_t* gvc, const Diagram& diagram, const std::vector<size_t>& shown,
                                  bool packed, const char* cssClass, std::string& error) {
  Agraph_t* g = gv->Open(const_cast<char*>("relazioni"), gv->directed, nullptr);
  Set(g, "rankdir", "LR");
  Set(g, "charset", "UTF-8");
  Set(g, "fontname", "Helvetica");
  Set(g, "nodesep", "0.35");
  Set(g, "ranksep", "1.0");
  Set(g, "bgcolor", "transparent");
  std::vector<Agnode_t*> nodes(diagram.tables.size(), nullptr);
  if (packed) {
    // dot drops edge labels when it packs, hence only tables without relations are packed.
    Set(g, "pack", "16");
    Set(g, "packmode", "array_cu" + std::to_string(PackRowLength(shown.size())));  // u: creation order
    const std::vector<size_t> order = PackOrder(shown.size());
    for (size_t slot = 0; slot < order.size(); ++slot) {
      if (order[slot] == kPadding) {
        const std::string id = "p" + std::to_string(slot);
        Agnode_t* n = gv->Node(g, const_cast<char*>(id.c_str()), 1);
        Set(n, "style", "invis");
        Set(n, "shape", "point");
        Set(n, "width", "0.01");
      } else {
        const size_t i = shown[order[slot]];
        nodes[i] = TableNode(g, diagram.tables[i], i);
      }
    }
  } else {
    for (size_t i : shown) nodes[i] = TableNode(g, diagram.tables[i], i);
    for (size_t i = 0; i < diagram.edges.size(); ++i) {
      const DiagramEdge& e = diagram.edges[i];
      if (nodes[e.table] && nodes[e.foreignTable])
        RelationEdge(g, e, i, nodes[e.table], nodes[e.foreignTable]);
    }
  }

  std::optional<std::string> svg;
  if (gv->Layout(gvc, g, "dot") != 0) {
    error = "impaginazione del diagramma non riuscita";
  } else {
    char* data = nullptr;
    unsigned int length = 0;
    if (gv->RenderData(gvc, g, "svg", &data, &length) != 0 || !data) {
      error = "disegno del diagramma non riuscito";
    } else {
      std::string text(data, length);
      const size_t start = text.find("<svg");
      if (start == std::string::npos) error = "Graphviz non ha prodotto un SVG";
      else svg = "<svg class=\"" + std::string(cssClass) + "\"" + text.substr(start + 4);
    }
    if (data) gv->FreeRenderData(data);
    gv->FreeLayout(gvc, g);
  }
  gv->Close(g);
  return svg;
}

}  // namespace

std::optional<std::string> DiagramSvg(const Diagram& diagram, std::string& error) {
  std::vector<bool> related(diagram.tables.size(), false);
  for (const DiagramEdge& e : diagram.edges) related[e.table] = related[e.foreignTable] = true;
  std::vector<size_t> withRelations, alone;
  for (size_t i = 0; i < diagram.tables.size(); ++i) (related[i] ? withRelations : alone).push_back(i);

  std::lock_guard<std::mutex> lock(graphvizMutex);
  gv = GraphvizLibrary::Get(error);
  if (!gv) return std::nullopt;
  std::string messages;
  std::optional<GraphvizMessageCapture> capture(std::in_place, *gv, messages);
  // One context for the whole process: the text-measuring plugin keeps pointers into the fonts of
  // the context it last worked for, and a context freed and created again leaves them dangling.
  static GVC_t* const gvc = gv->Context();
  std::optional<std::string> svg = std::string();
  if (!withRelations.empty()) {
    std::optional<std::string> part = Render(gvc, diagram, withRelations, false, "relazioni", error);
    if (part) *svg += *part + "\n";
    else svg.reset();
  }
  if (svg && !alone.empty()) {
    std::optional<std::string> part = Render(gvc, diagram, alone, true, "isolate", error);
    if (part) *svg += *part + "\n";
    else svg.reset();
  }
  capture.reset();
  if (!svg && !messages.empty()) error += ": " + messages;
  while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) error.pop_back();
  return svg;
}

}  // namespace tavrek::doc
