#include "documenter/html.h"

#include <algorithm>
#include <cctype>

#include "documenter/diagram.h"
#include "documenter/names.h"
#include "documenter/secrets.h"
#include "documenter/utf8.h"

namespace tavrek::doc {

namespace {

constexpr const char* kStyle = R"(
:root { color-scheme: light; }
body { font: 14px/1.45 "Liberation Sans", Arial, Helvetica, sans-serif; color: #1d232a;
       margin: 2em auto; max-width: 72em; padding: 0 1.5em; }
h1 { font-size: 1.8em; margin-bottom: .2em; }
h2 { font-size: 1.35em; border-bottom: 2px solid #4a5a6a; padding-bottom: .15em; margin-top: 2em; }
h3 { font-size: 1.05em; margin: 1.3em 0 .4em; color: #34404c; }
p.file { font-family: "Liberation Mono", monospace; color: #4a5a6a; margin-top: 0; word-break: break-all; }
p.descr { font-style: italic; }
p.nota { color: #6a5a3a; }
table { border-collapse: collapse; width: 100%; margin: .3em 0 1em; }
th, td { border: 1px solid #c4ccd4; padding: .25em .5em; text-align: left; vertical-align: top; }
th { background: #e8edf2; font-weight: 600; }
td.num { text-align: right; font-variant-numeric: tabular-nums; }
code, pre { font-family: "Liberation Mono", "DejaVu Sans Mono", monospace; font-size: .92em; }
pre.sql { background: #f5f7f9; border: 1px solid #d4dbe2; padding: .6em .8em; white-space: pre-wrap;
          word-break: break-word; }
dl.meta { display: grid; grid-template-columns: max-content auto; gap: .15em 1em; margin: .5em 0; }
dl.meta dt { font-weight: 600; }
dl.meta dd { margin: 0; word-break: break-word; }
nav ol ol { columns: 16em; column-gap: 2em; }
.diagramma { overflow-x: auto; }
.diagramma svg { display: block; margin: .5em 0; }
footer { margin-top: 3em; color: #6b7580; font-size: .85em; }
@page { size: A4; margin: 14mm; }
@media print {
  body { font-size: 9.5pt; margin: 0; max-width: none; padding: 0; }
  a { color: inherit; text-decoration: none; }
  nav, section.tabella, section.diagramma { break-before: page; }
  section.tabella, section.query { break-inside: avoid-page; }
  h2, h3 { break-after: avoid; }
  tr { break-inside: avoid; }
  thead { display: table-header-group; }
  .diagramma { overflow: visible; }
  .diagramma svg { max-width: 100%; max-height: 255mm; height: auto; }
}
)";

const char* YesNo(bool b) { return b ? "S\xC3\xAC" : ""; }

// SQL and other multi-line texts: CR LF and lone CR as line feeds.
std::string Lines(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

class Page {
 public:
  Page(const Dictionary& d, const HtmlOptions& o) : d_(d), o_(o) {}

  std::string Build() {
    Head();
    Header();
    Contents();
    DatabaseProperties();
    DiagramSection();
    for (size_t i = 0; i < d_.tables.size(); ++i) Table(i);
    if (!d_.queries.empty()) {
      out_ += "<h2 id=\"query\">Query</h2>\n";
      for (size_t i = 0; i < d_.queries.size(); ++i) Query(i);
    }
    Application();
    Designs();
    Code();
    References();
    out_ += "<footer>Generato da Tavrek in sola lettura: il file non \xC3\xA8 stato modificato.</footer>\n";
    out_ += "</body>\n</html>\n";
    return std::move(out_);
  }

 private:
  void Text(const std::string& s) { out_ += HtmlEscape(s); }
  void Cell(const std::string& s, const char* cls = nullptr) {
    out_ += cls ? std::string("<td class=\"") + cls + "\">" : std::string("<td>");
    Text(s);
    out_ += "</td>";
  }
  void CodeCell(const std::string& s) {
    out_ += "<td>";
    if (!s.empty()) {
      out_ += "<code>";
      Text(s);
      out_ += "</code>";
    }
    out_ += "</td>";
  }
  void Meta(const char* term, const std::string& value, bool code = false) {
    out_ += "<dt>";
    out_ += term;
    out_ += "</dt><dd>";
    if (code) out_ += "<code>";
    Text(value);
    if (code) out_ += "</code>";
    out_ += "</dd>\n";
  }
  std::string Connect(const std::string& c) const { return o_.showSecrets ? c : MaskConnectSecrets(c); }
  static std::string TableId(size_t i) { return "t" + std::to_string(i + 1); }
  static std::string QueryId(size_t i) { return "q" + std::to_string(i + 1); }
  // A link to the user table of that name, or the plain name when it is not in the dictionary.
  void TableLink(const std::string& name) {
    const int i = FindTable(d_, name);
    if (i < 0) {
      Text(name);
      return;
    }
    out_ += "<a href=\"#" + TableId(static_cast<size_t>(i)) + "\">";
    Text(name);
    out_ += "</a>";
  }

  void Head() {
    out_ +=
        "<!DOCTYPE html>\n<html lang=\"it\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
        "style-src 'unsafe-inline'; img-src data:\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<meta name=\"generator\" content=\"Tavrek\">\n<title>Dizionario dei dati \xE2\x80\x93 ";
    Text(d_.name);
    out_ += "</title>\n<style>";
    out_ += kStyle;
    out_ += "</style>\n</head>\n<body>\n";
  }

  void Header() {
    out_ += "<header>\n<h1>Dizionario dei dati</h1>\n<p class=\"file\">";
    Text(d_.name);
    out_ += "</p>\n<dl class=\"meta\">\n";
    Meta("Formato", d_.format);
    Meta("Tabelle", std::to_string(d_.tables.size()));
    Meta("Query", std::to_string(d_.queries.size()));
    Meta("Relazioni", std::to_string(d_.relations.size()));
    out_ += "</dl>\n";
    if (d_.systemTables > 0)
      out_ += "<p class=\"nota\">" + std::to_string(d_.systemTables) +
              " tabelle di sistema non sono elencate.</p>\n";
    out_ += "</header>\n";
  }

  void Contents() {
    out_ += "<nav id=\"sommario\">\n<h2>Sommario</h2>\n<ol>\n"
            "<li><a href=\"#proprieta\">Propriet\xC3\xA0 del database</a></li>\n"
            "<li><a href=\"#diagramma\">Diagramma delle relazioni</a></li>\n";
    if (!d_.tables.empty()) {
      out_ += "<li>Tabelle\n<ol>\n";
      for (size_t i = 0; i < d_.tables.size(); ++i) {
        out_ += "<li><a href=\"#" + TableId(i) + "\">";
        Text(d_.tables[i].def->Name());
        out_ += "</a></li>\n";
      }
      out_ += "</ol></li>\n";
    }
    if (!d_.queries.empty()) {
      out_ += "<li><a href=\"#query\">Query</a>\n<ol>\n";
      for (size_t i = 0; i < d_.queries.size(); ++i) {
        out_ += "<li><a href=\"#" + QueryId(i) + "\">";
        Text(d_.queries[i].def->Name());
        out_ += "</a></li>\n";
      }
      out_ += "</ol></li>\n";
    }
    out_ += "<li><a href=\"#applicazione\">Oggetti dell'applicazione</a></li>\n"
            "<li><a href=\"#codice\">Codice VBA e macro</a></li>\n"
            "<li><a href=\"#riferimenti\">Riferimenti</a></li>\n";
    out_ += "</ol>\n</nav>\n";
  }

  void PropertyTable(const dao::Properties& props) {
    out_ += "<table class=\"proprieta\">\n<thead><tr><th>Nome</th><th>Tipo</th><th>Valore</th></tr></thead>\n<tbody>\n";
    for (const dao::Property& p : props) {
      out_ += "<tr>";
      Cell(p.Name());
      Cell(FieldTypeName(p.Type()) + " (" + std::to_string(p.Type()) + ")");
      std::string value = PropertyText(p.Value());
      if (p.Name() == "Connect") value = Connect(value);
      Cell(value);
      out_ += "</tr>\n";
    }
    out_ += "</tbody>\n</table>\n";
  }

  void DatabaseProperties() {
    out_ += "<section id=\"proprieta\">\n<h2>Propriet\xC3\xA0 del database</h2>\n";
    if (!d_.properties || d_.properties->Count() == 0)
      out_ += "<p>Il file non registra propriet\xC3\xA0 del database.</p>\n";
    else
      PropertyTable(*d_.properties);
    out_ += "</section>\n";
  }

  void DiagramSection() {
    out_ += "<section id=\"diagramma\" class=\"diagramma\">\n<h2>Diagramma delle relazioni</h2>\n";
    if (d_.tables.empty()) {
      out_ += "<p>Nessuna tabella.</p>\n</section>\n";
      return;
    }
    if (d_.relations.empty()) out_ += "<p>Il file non registra relazioni tra le tabelle.</p>\n";
    std::string error;
    std::optional<std::string> svg = DiagramSvg(BuildDiagram(d_), error);
    if (svg) {
      // The tables without relations follow, in a drawing of their own.
      const size_t alone = svg->find("<svg class=\"isolate\"");
      if (alone != std::string::npos && alone > 0)
        svg->insert(alone, "<h3>Tabelle senza relazioni</h3>\n");
      out_ += *svg;
    } else {
      out_ += "<p class=\"nota\">Diagramma non disponibile: ";
      Text(error);
      out_ += "</p>\n";
    }
    out_ += "</section>\n";
  }

  void Fields(const dao::Recordset& rs) {
    out_ += "<h3>Campi</h3>\n<table class=\"campi\">\n<thead><tr><th>#</th><th>Nome</th><th>Tipo</th>"
            "<th>Codice DAO</th><th>Dimensione</th><th>Obbligatorio</th><th>Predefinito</th>"
            "<th>Convalida</th><th>Descrizione</th></tr></thead>\n<tbody>\n";
    int position = 0;
    for (const dao::Field& f : rs.Fields()) {
      out_ += "<tr>";
      Cell(std::to_string(++position), "num");
      Cell(f.Name());
      Cell(FieldTypeText(f));
      Cell(std::to_string(f.Type()), "num");
      Cell(std::to_string(f.Size()), "num");
      Cell(YesNo(f.Required()));
      CodeCell(f.DefaultValue());
      out_ += "<td>";
      if (!f.ValidationRule().empty()) {
        out_ += "<code>";
        Text(f.ValidationRule());
        out_ += "</code>";
      }
      if (!f.ValidationText().empty()) {
        if (!f.ValidationRule().empty()) out_ += "<br>";
        Text(f.ValidationText());
      }
      out_ += "</td>";
      Cell(DescriptionOf(f.Properties()));
      out_ += "</tr>\n";
    }
    out_ += "</tbody>\n</table>\n";
  }

  void Indexes(const dao::Recordset& rs) {
    out_ += "<h3>Indici</h3>\n";
    if (rs.Indexes().Count() == 0) {
      out_ += "<p>Nessun indice.</p>\n";
      return;
    }
    out_ += "<table class=\"indici\">\n<thead><tr><th>Nome</th><th>Campi</th><th>Primario</th>"
            "<th>Univoco</th><th>Ignora Null</th><th>Obbligatorio</th><th>Esterno</th>"
            "<th>Cluster</th></tr></thead>\n<tbody>\n";
    for (const dao::Index& ix : rs.Indexes()) {
      out_ += "<tr>";
      Cell(ix.Name());
      std::string keys;
      for (int k = 0; k < ix.Fields().Count(); ++k) {
        const dao::IndexField& f = ix.Fields().Item(k);
        keys += (k ? ", " : "") + f.Name() + (f.Descending() ? " (decrescente)" : "");
      }
      Cell(keys);
      Cell(YesNo(ix.Primary()));
      Cell(YesNo(ix.Unique()));
      Cell(YesNo(ix.IgnoreNulls()));
      Cell(YesNo(ix.Required()));
      Cell(YesNo(ix.Foreign()));
      Cell(YesNo(ix.Clustered()));
      out_ += "</tr>\n";
    }
    out_ += "</tbody>\n</table>\n";
  }

  // Relations of a table: `outgoing` lists the referenced table, `incoming` the referencing one.
  void Relations(const std::vector<const dao::Relation*>& relations, bool outgoing) {
    out_ += outgoing ? "<h3>Relazioni verso altre tabelle</h3>\n" : "<h3>Relazioni da altre tabelle</h3>\n";
    out_ += "<table class=\"relazioni\">\n<thead><tr><th>Relazione</th><th>";
    out_ += outgoing ? "Tabella riferita" : "Tabella che riferisce";
    out_ += "</th><th>Campi</th><th>Cardinalit\xC3\xA0</th><th>Attributi</th></tr></thead>\n<tbody>\n";
    for (const dao::Relation* r : relations) {
      out_ += "<tr>";
      Cell(r->Name());
      out_ += "<td>";
      TableLink(outgoing ? r->Table() : r->ForeignTable());
      out_ += "</td>";
      std::string pairs;
      for (int k = 0; k < r->Fields().Count(); ++k) {
        const auto& p = r->Fields().Item(k);
        pairs += (k ? ", " : "") + r->ForeignTable() + "." + p.ForeignName() + " \xE2\x86\x92 " +
                 r->Table() + "." + p.Name();
      }
      Cell(pairs);
      Cell(Cardinality(*r));
      Cell(RelationFlags(*r));
      out_ += "</tr>\n";
    }
    out_ += "</tbody>\n</table>\n";
  }

  void Table(size_t i) {
    const DictionaryTable& t = d_.tables[i];
    const dao::TableDef& def = *t.def;
    out_ += "<section class=\"tabella\" id=\"" + TableId(i) + "\">\n<h2>";
    out_ += def.IsLinked() ? "Tabella collegata " : "Tabella ";
    Text(def.Name());
    out_ += "</h2>\n";
    if (!t.description.empty()) {
      out_ += "<p class=\"descr\">";
      Text(t.description);
      out_ += "</p>\n";
    }
    out_ += "<dl class=\"meta\">\n";
    if (t.rs) Meta("Record", std::to_string(t.rs->RecordCount()));
    Meta("Creata", DateText(def.DateCreated()));
    Meta("Ultima modifica", DateText(def.LastUpdated()));
    if (def.IsLinked()) {
      if (!def.Info().linkSource.empty()) Meta("Origine", Connect(def.Info().linkSource), true);
      if (!def.Connect().empty() && def.Connect() != def.Info().linkSource)
        Meta("Connect", Connect(def.Connect()), true);
      if (!def.SourceTableName().empty()) Meta("Tabella di origine", def.SourceTableName());
    }
    out_ += "</dl>\n";
    if (t.rs) {
      Fields(*t.rs);
      Indexes(*t.rs);
    } else {
      out_ += "<p>La struttura di una tabella collegata \xC3\xA8 nel database di origine.</p>\n";
    }
    if (!t.outgoing.empty()) Relations(t.outgoing, true);
    if (!t.incoming.empty()) Relations(t.incoming, false);
    out_ += "</section>\n";
  }

  void Query(size_t i) {
    const DictionaryQuery& q = d_.queries[i];
    const dao::QueryDef& def = *q.def;
    out_ += "<section class=\"query\" id=\"" + QueryId(i) + "\">\n<h3>";
    Text(def.Name());
    out_ += "</h3>\n";
    if (!q.description.empty()) {
      out_ += "<p class=\"descr\">";
      Text(q.description);
      out_ += "</p>\n";
    }
    out_ += "<dl class=\"meta\">\n";
    Meta("Tipo", QueryTypeName(def.Type()) + " (" + std::to_string(def.Type()) + ")");
    Meta("Creata", DateText(def.DateCreated()));
    Meta("Ultima modifica", DateText(def.LastUpdated()));
    if (const dao::Property* c = dao::FindProperty(def.Properties(), "Connect"))
      if (const auto* text = std::get_if<std::string>(&c->Value()); text && !text->empty())
        Meta("Connect", Connect(*text), true);
    out_ += "</dl>\n<pre class=\"sql\">";
    Text(Lines(q.sql));
    out_ += "</pre>\n";
    const auto& params = def.Parameters();
    if (params.Count() > 0) {
      out_ += "<table class=\"parametri\">\n<thead><tr><th>Parametro</th><th>Tipo</th><th>Codice DAO</th>"
              "<th>Dimensione</th></tr></thead>\n<tbody>\n";
      for (const dao::Parameter& p : params) {
        out_ += "<tr>";
        Cell(p.Name());
        Cell(FieldTypeName(p.Type()));
        Cell(std::to_string(p.Type()), "num");
        Cell(p.Size() ? std::to_string(p.Size()) : "", "num");
        out_ += "</tr>\n";
      }
      out_ += "</tbody>\n</table>\n";
    }
    out_ += "</section>\n";
  }

  // Forms, reports, macros and modules: names, dates, what could be read of them.
  void Application() {
    out_ += "<section id=\"applicazione\">\n<h2>Oggetti dell'applicazione</h2>\n";
    bool any = false;
    for (const ApplicationGroup& g : ApplicationGroups(d_)) {
      const int n = g.container ? g.container->Documents().Count() : 0;
      if (n == 0) continue;  // a group without objects is left out
      any = true;
      out_ += std::string("<h3>") + g.title + " (" + std::to_string(n) + ")</h3>\n";
      out_ += "<table class=\"applicazione\">\n<thead><tr><th>Nome</th><th>Creato</th>"
              "<th>Ultima modifica</th><th>Tipo</th><th>Righe</th><th>Errore</th></tr></thead>\n<tbody>\n";
      for (const dao::Document& doc : g.container->Documents()) {
        out_ += "<tr>";
        Cell(doc.Name());
        Cell(DateText(doc.DateCreated()));
        Cell(DateText(doc.LastUpdated()));
        Cell(doc.Kind());
        size_t lines = 0;
        for (char c : doc.Text()) lines += c == '\n';
        Cell(doc.Text().empty() ? "" : std::to_string(lines), "num");
        Cell(doc.Error());
        out_ += "</tr>\n";
      }
      out_ += "</tbody>\n</table>\n";
    }
    if (!any) out_ += "<p>" + std::string(kNoApplication) + "</p>\n";
    out_ += "</section>\n";
  }

  static std::string CodeId(const std::string& module) {
    std::string id = "codice-";
    for (char c : module) id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return id;
  }

  static bool IsEvent(const std::string& property) {
    return property.rfind("On", 0) == 0 || property.rfind("Before", 0) == 0 ||
           property.rfind("After", 0) == 0;
  }

  // What a control shows: its source, the form it holds, or its caption.
  static std::string Shows(const engine::vba::DesignObject& c) {
    for (const char* p : {"ControlSource", "SourceObject", "Caption"}) {
      std::string v = c.TextOf(p);
      if (!v.empty()) return v;
    }
    return "";
  }

  // The controls of a section and those nested in them (attached labels, option buttons, pages).
  static void Controls(const engine::vba::DesignObject& o, std::vector<const engine::vba::DesignObject*>& out) {
    for (const auto& c : o.children) {
      out.push_back(&c);
      Controls(c, out);
    }
  }

  // A sketch of the layout: each section a band as high as it is, each control a box at its place
  // (twips, 15 to a pixel) with its name and what it shows.
  void Sketch(const engine::vba::DesignObject& root,
              const std::vector<const engine::vba::DesignObject*>& sections) {
    constexpr double kScale = 1.0 / 15;
    const double width = std::max<double>(static_cast<double>(root.NumberOf("Width").value_or(7200)), 1440) * kScale;
    double height = 0;
    for (const auto* s : sections) height += static_cast<double>(std::max<int64_t>(s->NumberOf("Height").value_or(0), 0)) * kScale + 16;
    out_ += "<svg class=\"schizzo\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
            std::to_string(static_cast<int>(width) + 2) + "\" height=\"" +
            std::to_string(static_cast<int>(height) + 2) + "\" font-size=\"9\">\n";
    double y = 0;
    for (const auto* s : sections) {
      const double h = static_cast<double>(std::max<int64_t>(s->NumberOf("Height").value_or(0), 0)) * kScale;
      out_ += "<rect x=\"0\" y=\"" + std::to_string(static_cast<int>(y)) + "\" width=\"" +
              std::to_string(static_cast<int>(width)) + "\" height=\"16\" fill=\"#ddd\"/>"
              "<text x=\"3\" y=\"" + std::to_string(static_cast<int>(y) + 12) + "\">";
      Text(s->TextOf("Name").empty() ? s->TypeName() : s->TextOf("Name"));
      out_ += "</text>\n";
      y += 16;
      std::vector<const engine::vba::DesignObject*> controls;
      Controls(*s, controls);
      for (const auto* c : controls) {
        const double cx = static_cast<double>(c->NumberOf("Left").value_or(0)) * kScale;
        const double cy = y + static_cast<double>(c->NumberOf("Top").value_or(0)) * kScale;
        const double cw = static_cast<double>(std::max<int64_t>(c->NumberOf("Width").value_or(0), 15)) * kScale;
        const double ch = static_cast<double>(std::max<int64_t>(c->NumberOf("Height").value_or(0), 15)) * kScale;
        out_ += "<g><title>";
        Text(c->TypeName() + " " + c->TextOf("Name") + (Shows(*c).empty() ? "" : ": " + Shows(*c)));
        out_ += "</title><rect x=\"" + std::to_string(static_cast<int>(cx)) + "\" y=\"" +
                std::to_string(static_cast<int>(cy)) + "\" width=\"" + std::to_string(static_cast<int>(cw)) +
                "\" height=\"" + std::to_string(static_cast<int>(ch)) +
                "\" fill=\"none\" stroke=\"#369\"/><text x=\"" + std::to_string(static_cast<int>(cx) + 2) +
                "\" y=\"" + std::to_string(static_cast<int>(cy) + 10) + "\">";
        Text(Shows(*c).empty() ? c->TextOf("Name") : Shows(*c));
        out_ += "</text></g>\n";
      }
      y += h;
    }
    out_ += "</svg>\n";
  }

  // Per form and report with a design: its record source (with the query's SQL), a sketch of its
  // layout and a table of its controls with what each shows and the events it handles.
  void Designs() {
    bool any = false;
    for (const dao::Container* c : {d_.forms, d_.reports})
      if (c)
        for (const dao::Document& doc : c->Documents()) any = any || doc.Design();
    if (!any) return;
    out_ += "<section id=\"struttura\">\n<h2>Struttura di maschere e report</h2>\n";
    for (const dao::Container* c : {d_.forms, d_.reports}) {
      if (!c) continue;
      const bool forms = c == d_.forms;
      for (const dao::Document& doc : c->Documents()) {
        const engine::vba::FormDesign* design = doc.Design();
        if (!design) continue;
        const std::string module = (forms ? "Form_" : "Report_") + doc.Name();
        out_ += "<h3>";
        Text((forms ? "Maschera " : "Report ") + doc.Name());
        out_ += "</h3>\n";
        const std::string source = design->root.TextOf("RecordSource");
        if (!source.empty()) {
          out_ += "<p>Origine dei record: <code>";
          Text(source);
          out_ += "</code></p>\n";
          for (const DictionaryQuery& q : d_.queries)
            if (q.def && q.def->Name() == source) {
              out_ += "<pre class=\"sql\">";
              Text(q.sql);
              out_ += "</pre>\n";
            }
        }
        std::vector<const engine::vba::DesignObject*> sections;
        for (const auto& child : design->root.children)
          if (child.type >= 152) sections.push_back(&child);
        Sketch(design->root, sections);
        size_t controlCount = 0;
        for (const auto* s : sections) {
          std::vector<const engine::vba::DesignObject*> controls;
          Controls(*s, controls);
          controlCount += controls.size();
        }
        if (controlCount == 0) {
          out_ += "<p>Controlli: nessuno</p>\n";
          continue;
        }
        out_ += "<table class=\"controlli\">\n<thead><tr><th>Sezione</th><th>Tipo</th><th>Nome</th>"
                "<th>Mostra</th><th>Origine riga</th><th>Posizione (twip)</th><th>Eventi</th></tr></thead>\n<tbody>\n";
        for (const auto* s : sections) {
          std::vector<const engine::vba::DesignObject*> controls;
          Controls(*s, controls);
          for (const auto* ctl : controls) {
            out_ += "<tr>";
            Cell(s->TextOf("Name"));
            Cell(ctl->TypeName());
            Cell(ctl->TextOf("Name"));
            Cell(Shows(*ctl));
            Cell(ctl->TextOf("RowSource"));
            Cell(std::to_string(ctl->NumberOf("Left").value_or(0)) + ", " +
                 std::to_string(ctl->NumberOf("Top").value_or(0)) + " " +
                 std::to_string(ctl->NumberOf("Width").value_or(0)) + "\xC3\x97" +
                 std::to_string(ctl->NumberOf("Height").value_or(0)));
            out_ += "<td>";
            bool first = true;
            for (const auto& p : ctl->properties) {
              const std::string name = p.Name();
              if (!p.IsText() || !IsEvent(name)) continue;
              out_ += first ? "" : "<br>";
              first = false;
              Text(name + ": ");
              if (p.Text() == "[Event Procedure]" && !doc.Text().empty()) {
                out_ += "<a href=\"#" + CodeId(module) + "\">";
                Text(ctl->TextOf("Name") + "_" + (name.size() > 2 ? name.substr(2) : name));
                out_ += "</a>";
              } else {
                Text(p.Text());
              }
            }
            out_ += "</td></tr>\n";
          }
        }
        out_ += "</tbody>\n</table>\n";
      }
    }
    out_ += "</section>\n";
  }

  void CodeBlock(const std::string& title, const std::string& text) {
    out_ += "<h3 id=\"" + CodeId(title) + "\">";
    Text(title);
    out_ += "</h3>\n<pre class=\"sql\">";
    std::string lf;
    for (size_t i = 0; i < text.size(); ++i)
      if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
    Text(lf);
    out_ += "</pre>\n";
  }

  // The source of every module and the definition of every macro.
  void Code() {
    out_ += "<section id=\"codice\">\n<h2>Codice VBA e macro</h2>\n";
    const size_t empty = out_.size();
    for (const auto& [name, doc] : CodeModules(d_)) CodeBlock(name, doc->Text());
    if (d_.macros)
      for (const dao::Document& m : d_.macros->Documents())
        if (!m.Text().empty()) CodeBlock("Macro " + m.Name(), m.Text());
    if (out_.size() == empty) out_ += "<p>" + std::string(kNoCode) + "</p>\n";
    out_ += "</section>\n";
  }

  // Who names each table and query, and what nothing names.
  void References() {
    out_ += "<section id=\"riferimenti\">\n<h2>Riferimenti</h2>\n<p>Evidenza testuale, non prova: "
            "il nome compare, tra parentesi quadre o come parola intera, nel testo di query, "
            "maschere, report, macro o moduli (anche in un commento); un nome composto mentre il "
            "codice gira non compare.</p>\n";
    std::vector<const ReferenceEntry*> unused;
    std::string rows;
    for (const ReferenceEntry& e : d_.references) {
      if (e.usedBy.empty()) {
        unused.push_back(&e);
        continue;
      }
      std::string by;
      for (size_t k = 0; k < e.usedBy.size(); ++k)
        by += (k ? "; " : "") + ReferenceWord(e.usedBy[k].kind) + " " + e.usedBy[k].name + " (" +
              ReferenceWord(e.usedBy[k].match) + ")";
      rows += "<tr><td>" + HtmlEscape(e.name) + "</td><td>" + HtmlEscape(ReferenceWord(e.kind)) +
              "</td><td>" + HtmlEscape(by) + "</td></tr>\n";
    }
    if (rows.empty())
      out_ += "<p>" + std::string(kNothingNamed) + "</p>\n";
    else
      out_ += "<table class=\"riferimenti\">\n<thead><tr><th>Oggetto</th><th>Tipo</th>"
              "<th>Nominato da</th></tr></thead>\n<tbody>\n" + rows + "</tbody>\n</table>\n";
    out_ += "<h3>Non nominati da nulla (" + std::to_string(unused.size()) + ")</h3>\n";
    if (unused.empty()) out_ += "<p>Nessuno.</p>\n";
    else out_ += "<ul>\n";
    for (const ReferenceEntry* e : unused) {
      out_ += "<li>";
      Text(e->name + " (" + ReferenceWord(e->kind) + ")");
      out_ += "</li>\n";
    }
    if (!unused.empty()) out_ += "</ul>\n";
    out_ += "</section>\n";
  }

  const Dictionary& d_;
  const HtmlOptions& o_;
  std::string out_;
};

}  // namespace

std::string HtmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : ValidUtf8(text)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default:
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') || c == 0x7F) break;
        out += c;
    }
  }
  return out;
}

std::string HtmlDictionary(const Dictionary& d, const HtmlOptions& options) {
  return Page(d, options).Build();
}

}  // namespace tavrek::doc
