#include "documenter/diagram.h"

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>

#include <memory>
#include <mutex>

#include "documenter/names.h"
#include "documenter/utf8.h"

namespace tavrek::doc {

namespace {

// The column of that name in `t` (ASCII case ignored as Access does for names), adding it when a
// relation names a field the table's definition does not list (a linked table has none).
int ColumnOf(DiagramTable& t, const std::string& name) {
  for (size_t i = 0; i < t.columns.size(); ++i)
    if (t.columns[i].name == name) return static_cast<int>(i);
  auto lower = [](std::string s) {
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
  };
  for (size_t i = 0; i < t.columns.size(); ++i)
    if (lower(t.columns[i].name) == lower(name)) return static_cast<int>(i);
  t.columns.push_back({name, "", false, false});
  return static_cast<int>(t.columns.size() - 1);
}

// Graphviz reports through a process-wide callback: one rendering at a time, and what it says
// goes into the message of the running one.
std::mutex graphvizMutex;
std::string* graphvizMessages = nullptr;

int CollectGraphvizMessage(char* text) {
  if (graphvizMessages && text) *graphvizMessages += text;
  return 0;
}

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
  agsafeset(object, const_cast<char*>(name), const_cast<char*>(value.c_str()), const_cast<char*>(""));
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
        out += "\\ ";
        break;
      default:
        if (c < 0x20 || c == 0x7F) out += "\\ ";
        else out += ch;
    }
  }
  return out;
}

std::optional<std::string> DiagramSvg(const Diagram& diagram, std::string& error) {
  std::lock_guard<std::mutex> lock(graphvizMutex);
  std::string messages;
  graphvizMessages = &messages;
  agusererrf previousHandler = agseterrf(CollectGraphvizMessage);
  agseterr(AGERR);

  std::unique_ptr<GVC_t, int (*)(GVC_t*)> gvc(gvContext(), gvFreeContext);
  Agraph_t* g = agopen(const_cast<char*>("relazioni"), Agdirected, nullptr);
  Set(g, "rankdir", "LR");
  Set(g, "charset", "UTF-8");
  Set(g, "fontname", "Helvetica");
  Set(g, "nodesep", "0.35");
  Set(g, "ranksep", "1.0");
  Set(g, "bgcolor", "transparent");
  std::vector<Agnode_t*> nodes;
  for (size_t i = 0; i < diagram.tables.size(); ++i) {
    const DiagramTable& t = diagram.tables[i];
    const std::string id = "t" + std::to_string(i);
    Agnode_t* n = agnode(g, const_cast<char*>(id.c_str()), 1);
    Set(n, "shape", "record");
    Set(n, "fontname", "Helvetica");
    Set(n, "fontsize", "10");
    Set(n, "style", "filled");
    Set(n, "fillcolor", t.linked ? "#f3efe4" : "#eef3f8");
    Set(n, "color", "#4a5a6a");
    Set(n, "label", NodeLabel(t));
    Set(n, "tooltip", TooltipText(t.name));
    nodes.push_back(n);
  }
  for (size_t i = 0; i < diagram.edges.size(); ++i) {
    const DiagramEdge& e = diagram.edges[i];
    const std::string key = "r" + std::to_string(i);
    Agedge_t* edge = agedge(g, nodes[e.table], nodes[e.foreignTable], const_cast<char*>(key.c_str()), 1);
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

  std::optional<std::string> svg;
  if (gvLayout(gvc.get(), g, "dot") != 0) {
    error = "impaginazione del diagramma non riuscita";
  } else {
    char* data = nullptr;
    unsigned int length = 0;
    if (gvRenderData(gvc.get(), g, "svg", &data, &length) != 0 || !data) {
      error = "disegno del diagramma non riuscito";
    } else {
      std::string text(data, length);
      const size_t start = text.find("<svg");
      if (start == std::string::npos) error = "Graphviz non ha prodotto un SVG";
      else svg = text.substr(start);
    }
    if (data) gvFreeRenderData(data);
    gvFreeLayout(gvc.get(), g);
  }
  agclose(g);
  agseterrf(previousHandler);
  graphvizMessages = nullptr;
  if (!svg && !messages.empty()) error += ": " + messages;
  while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) error.pop_back();
  return svg;
}

}  // namespace tavrek::doc
