#include "documenter/markdown.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include "documenter/names.h"
#include "documenter/secrets.h"
#include "documenter/utf8.h"

namespace tavrek::doc {

namespace {

const char* YesNo(bool b) { return b ? "S\xC3\xAC" : ""; }

// A fence of backticks longer than any run of backticks in `text` (at least three).
std::string FenceFor(const std::string& text) {
  size_t longest = 0, run = 0;
  for (char c : text) {
    run = c == '`' ? run + 1 : 0;
    if (run > longest) longest = run;
  }
  return std::string(longest >= 3 ? longest + 1 : 3, '`');
}

// Multi-line text for a fenced block: CR LF and CR as line feeds, valid UTF-8, ending in one
// line feed.
std::string BlockText(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  out = ValidUtf8(out);
  if (out.empty() || out.back() != '\n') out += '\n';
  return out;
}

// A quoted Mermaid entity name or relation label: the characters Mermaid's grammar refuses there
// (quote, percent, backslash, control characters) as '_'.
std::string MermaidQuoted(const std::string& text) {
  std::string out = "\"";
  for (char c : ValidUtf8(text)) {
    const unsigned char u = static_cast<unsigned char>(c);
    out += (c == '"' || c == '%' || c == '\\' || u < 0x20 || u == 0x7F) ? '_' : c;
  }
  return out + "\"";
}

// A quoted attribute comment: Mermaid takes any character there but the quote (and line breaks).
std::string MermaidComment(const std::string& text) {
  std::string out = "\"";
  for (char c : ValidUtf8(text)) {
    const unsigned char u = static_cast<unsigned char>(c);
    out += (c == '"' || u < 0x20 || u == 0x7F) ? '_' : c;
  }
  return out + "\"";
}

// A Mermaid attribute word (type or name). Mermaid 11's erDiagram takes ASCII letters, digits,
// '_' and '-', and every character from U+00C0 up (Latin letters with accents, Greek, Cyrillic,
// CJK, ...), starting with a letter, '_' or such a character; anything else becomes '_'.
std::string MermaidWord(const std::string& text) {
  const std::string valid = ValidUtf8(text);
  std::string out;
  for (size_t i = 0; i < valid.size();) {
    const unsigned char u = static_cast<unsigned char>(valid[i]);
    const size_t n = std::max<size_t>(1, Utf8SequenceLength(valid, i));
    if (u >= 0x80) {
      // Two-byte sequences below U+00C0 start with 0xC2.
      out += u == 0xC2 ? std::string("_") : valid.substr(i, n);
    } else {
      const char c = valid[i];
      const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-';
      out += ok ? c : '_';
    }
    i += n;
  }
  if (out.empty()) return "_";
  const char first = out[0];
  if (!((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z') || first == '_' ||
        static_cast<unsigned char>(first) >= 0x80))
    out.insert(out.begin(), '_');
  return out;
}

// The diagram without the tables that no relation touches, edges renumbered.
Diagram RelatedTablesOnly(const Diagram& diagram) {
  std::vector<size_t> position(diagram.tables.size(), SIZE_MAX);
  for (const DiagramEdge& e : diagram.edges) position[e.table] = position[e.foreignTable] = 0;
  Diagram out;
  for (size_t i = 0; i < diagram.tables.size(); ++i) {
    if (position[i] == SIZE_MAX) continue;
    position[i] = out.tables.size();
    out.tables.push_back(diagram.tables[i]);
  }
  for (DiagramEdge e : diagram.edges) {
    e.table = position[e.table];
    e.foreignTable = position[e.foreignTable];
    out.edges.push_back(std::move(e));
  }
  return out;
}

class Document {
 public:
  Document(const Dictionary& d, const MarkdownOptions& o) : d_(d), o_(o) {}

  std::string Build() {
    Header();
    Contents();
    DatabaseProperties();
    DiagramSection();
    for (size_t i = 0; i < d_.tables.size(); ++i) Table(i);
    if (!d_.queries.empty()) {
      out_ += "<a id=\"query\"></a>\n\n## Query\n\n";
      for (size_t i = 0; i < d_.queries.size(); ++i) Query(i);
    }
    Application();
    Code();
    References();
    return std::move(out_);
  }

 private:
  std::string E(const std::string& s) const { return MarkdownEscape(s); }
  std::string Connect(const std::string& c) const { return o_.showSecrets ? c : MaskConnectSecrets(c); }
  static std::string TableId(size_t i) { return "t" + std::to_string(i + 1); }
  static std::string QueryId(size_t i) { return "q" + std::to_string(i + 1); }
  void Row(const std::vector<std::string>& cells) {
    out_ += "|";
    for (const auto& c : cells) out_ += " " + c + " |";
    out_ += "\n";
  }
  void Item(const char* term, const std::string& value) {
    out_ += std::string("- **") + term + ":** " + value + "\n";
  }
  std::string TableLink(const std::string& name) const {
    const int i = FindTable(d_, name);
    if (i < 0) return E(name);
    return "[" + E(name) + "](#" + TableId(static_cast<size_t>(i)) + ")";
  }

  void Header() {
    out_ += "# Dizionario dei dati\n\n" + E(d_.name) + "\n\n";
    Item("Formato", E(d_.format));
    Item("Tabelle", std::to_string(d_.tables.size()));
    Item("Query", std::to_string(d_.queries.size()));
    Item("Relazioni", std::to_string(d_.relations.size()));
    out_ += "\n";
    if (d_.systemTables > 0)
      out_ += std::to_string(d_.systemTables) + " tabelle di sistema non sono elencate.\n\n";
  }

  void Contents() {
    out_ += "## Sommario\n\n- [Propriet\xC3\xA0 del database](#proprieta)\n"
            "- [Diagramma delle relazioni](#diagramma)\n";
    if (!d_.tables.empty()) {
      out_ += "- Tabelle\n";
      for (size_t i = 0; i < d_.tables.size(); ++i)
        out_ += "  - [" + E(d_.tables[i].def->Name()) + "](#" + TableId(i) + ")\n";
    }
    if (!d_.queries.empty()) {
      out_ += "- [Query](#query)\n";
      for (size_t i = 0; i < d_.queries.size(); ++i)
        out_ += "  - [" + E(d_.queries[i].def->Name()) + "](#" + QueryId(i) + ")\n";
    }
    out_ += "- [Oggetti dell'applicazione](#applicazione)\n- [Codice VBA e macro](#codice)\n"
            "- [Riferimenti](#riferimenti)\n";
    out_ += "\n";
  }

  void DatabaseProperties() {
    out_ += "<a id=\"proprieta\"></a>\n\n## Propriet\xC3\xA0 del database\n\n";
    if (!d_.properties || d_.properties->Count() == 0) {
      out_ += "Il file non registra propriet\xC3\xA0 del database.\n\n";
      return;
    }
    Row({"Nome", "Tipo", "Valore"});
    Row({"---", "---", "---"});
    for (const dao::Property& p : *d_.properties) {
      std::string value = PropertyText(p.Value());
      if (p.Name() == "Connect") value = Connect(value);
      Row({E(p.Name()), E(FieldTypeName(p.Type())) + " (" + std::to_string(p.Type()) + ")", E(value)});
    }
    out_ += "\n";
  }

  void DiagramSection() {
    out_ += "<a id=\"diagramma\"></a>\n\n## Diagramma delle relazioni\n\n";
    if (d_.tables.empty()) {
      out_ += "Nessuna tabella.\n\n";
      return;
    }
    if (d_.relations.empty()) out_ += "Il file non registra relazioni tra le tabelle.\n\n";
    // Mermaid refuses a diagram longer than its limit: the tables without relations go first,
    // then the whole diagram.
    Diagram diagram = BuildDiagram(d_);
    std::string text = MermaidErDiagram(diagram);
    if (text.size() > kMermaidTextLimit) {
      const size_t before = diagram.tables.size();
      diagram = RelatedTablesOnly(diagram);
      text = MermaidErDiagram(diagram);
      if (before > diagram.tables.size())
        out_ += "Le " + std::to_string(before - diagram.tables.size()) +
                " tabelle senza relazioni non sono nel diagramma: Mermaid non disegna testi di oltre " +
                std::to_string(kMermaidTextLimit) + " caratteri.\n\n";
    }
    if (diagram.tables.empty()) return;
    if (text.size() > kMermaidTextLimit) {
      out_ += "Il diagramma, di " + std::to_string(text.size()) +
              " caratteri, \xC3\xA8 troppo grande per Mermaid e non \xC3\xA8 incluso.\n\n";
      return;
    }
    out_ += "```mermaid\n" + text + "```\n\n";
  }

  void Fields(const dao::Recordset& rs) {
    out_ += "### Campi\n\n";
    Row({"#", "Nome", "Tipo", "Codice DAO", "Dimensione", "Obbligatorio", "Predefinito", "Convalida",
         "Descrizione"});
    Row({"--:", "---", "---", "--:", "--:", "---", "---", "---", "---"});
    int position = 0;
    for (const dao::Field& f : rs.Fields()) {
      std::string validation = E(f.ValidationRule());
      if (!f.ValidationText().empty())
        validation += (validation.empty() ? "" : "<br>") + E(f.ValidationText());
      Row({std::to_string(++position), E(f.Name()), E(FieldTypeText(f)), std::to_string(f.Type()),
           std::to_string(f.Size()), YesNo(f.Required()), E(f.DefaultValue()), validation,
           E(DescriptionOf(f.Properties()))});
    }
    out_ += "\n";
  }

  void Indexes(const dao::Recordset& rs) {
    out_ += "### Indici\n\n";
    if (rs.Indexes().Count() == 0) {
      out_ += "Nessun indice.\n\n";
      return;
    }
    Row({"Nome", "Campi", "Primario", "Univoco", "Ignora Null", "Obbligatorio", "Esterno", "Cluster"});
    Row({"---", "---", "---", "---", "---", "---", "---", "---"});
    for (const dao::Index& ix : rs.Indexes()) {
      std::string keys;
      for (int k = 0; k < ix.Fields().Count(); ++k) {
        const dao::IndexField& f = ix.Fields().Item(k);
        keys += (k ? ", " : "") + E(f.Name()) + (f.Descending() ? " (decrescente)" : "");
      }
      Row({E(ix.Name()), keys, YesNo(ix.Primary()), YesNo(ix.Unique()), YesNo(ix.IgnoreNulls()),
           YesNo(ix.Required()), YesNo(ix.Foreign()), YesNo(ix.Clustered())});
    }
    out_ += "\n";
  }

  void Relations(const std::vector<const dao::Relation*>& relations, bool outgoing) {
    out_ += outgoing ? "### Relazioni verso altre tabelle\n\n" : "### Relazioni da altre tabelle\n\n";
    Row({"Relazione", outgoing ? "Tabella riferita" : "Tabella che riferisce", "Campi",
         "Cardinalit\xC3\xA0", "Attributi"});
    Row({"---", "---", "---", "---", "---"});
    for (const dao::Relation* r : relations) {
      std::string pairs;
      for (int k = 0; k < r->Fields().Count(); ++k) {
        const auto& p = r->Fields().Item(k);
        pairs += (k ? ", " : "") + E(r->ForeignTable() + "." + p.ForeignName()) + " \xE2\x86\x92 " +
                 E(r->Table() + "." + p.Name());
      }
      Row({E(r->Name()), TableLink(outgoing ? r->Table() : r->ForeignTable()), pairs,
           Cardinality(*r), RelationFlags(*r)});
    }
    out_ += "\n";
  }

  void Table(size_t i) {
    const DictionaryTable& t = d_.tables[i];
    const dao::TableDef& def = *t.def;
    out_ += "<a id=\"" + TableId(i) + "\"></a>\n\n## " +
            (def.IsLinked() ? "Tabella collegata " : "Tabella ") + E(def.Name()) + "\n\n";
    if (!t.description.empty()) out_ += "*" + E(t.description) + "*\n\n";
    if (t.rs) Item("Record", std::to_string(t.rs->RecordCount()));
    Item("Creata", DateText(def.DateCreated()));
    Item("Ultima modifica", DateText(def.LastUpdated()));
    if (def.IsLinked()) {
      if (!def.Info().linkSource.empty()) Item("Origine", E(Connect(def.Info().linkSource)));
      if (!def.Connect().empty() && def.Connect() != def.Info().linkSource)
        Item("Connect", E(Connect(def.Connect())));
      if (!def.SourceTableName().empty()) Item("Tabella di origine", E(def.SourceTableName()));
    }
    out_ += "\n";
    if (t.rs) {
      Fields(*t.rs);
      Indexes(*t.rs);
    } else {
      out_ += "La struttura di una tabella collegata \xC3\xA8 nel database di origine.\n\n";
    }
    if (!t.outgoing.empty()) Relations(t.outgoing, true);
    if (!t.incoming.empty()) Relations(t.incoming, false);
  }

  void Query(size_t i) {
    const DictionaryQuery& q = d_.queries[i];
    const dao::QueryDef& def = *q.def;
    out_ += "<a id=\"" + QueryId(i) + "\"></a>\n\n### " + E(def.Name()) + "\n\n";
    if (!q.description.empty()) out_ += "*" + E(q.description) + "*\n\n";
    Item("Tipo", QueryTypeName(def.Type()) + " (" + std::to_string(def.Type()) + ")");
    Item("Creata", DateText(def.DateCreated()));
    Item("Ultima modifica", DateText(def.LastUpdated()));
    if (const dao::Property* c = dao::FindProperty(def.Properties(), "Connect"))
      if (const auto* text = std::get_if<std::string>(&c->Value()); text && !text->empty())
        Item("Connect", E(Connect(*text)));
    const std::string sql = BlockText(q.sql);
    const std::string fence = FenceFor(sql);
    out_ += "\n" + fence + "sql\n" + sql + fence + "\n\n";
    const auto& params = def.Parameters();
    if (params.Count() > 0) {
      Row({"Parametro", "Tipo", "Codice DAO", "Dimensione"});
      Row({"---", "---", "--:", "--:"});
      for (const dao::Parameter& p : params)
        Row({E(p.Name()), E(FieldTypeName(p.Type())), std::to_string(p.Type()),
             p.Size() ? std::to_string(p.Size()) : ""});
      out_ += "\n";
    }
  }

  // Forms, reports, macros and modules: names, dates, what could be read of them.
  void Application() {
    out_ += "<a id=\"applicazione\"></a>\n\n## Oggetti dell'applicazione\n\n";
    bool any = false;
    for (const ApplicationGroup& g : ApplicationGroups(d_)) {
      const int n = g.container ? g.container->Documents().Count() : 0;
      if (n == 0) continue;  // a group without objects is left out
      any = true;
      out_ += std::string("### ") + g.title + " (" + std::to_string(n) + ")\n\n";
      Row({"Nome", "Creato", "Ultima modifica", "Tipo", "Righe", "Errore"});
      Row({"---", "---", "---", "---", "--:", "---"});
      for (const dao::Document& doc : g.container->Documents()) {
        size_t lines = 0;
        for (char c : doc.Text()) lines += c == '\n';
        Row({E(doc.Name()), DateText(doc.DateCreated()), DateText(doc.LastUpdated()), E(doc.Kind()),
             doc.Text().empty() ? "" : std::to_string(lines), E(doc.Error())});
      }
      out_ += "\n";
    }
    if (!any) out_ += std::string(kNoApplication) + "\n\n";
  }

  void CodeBlock(const std::string& title, const std::string& text, const char* language) {
    const std::string body = BlockText(text);
    const std::string fence = FenceFor(body);
    out_ += "### " + E(title) + "\n\n" + fence + language + "\n" + body + fence + "\n\n";
  }

  // The source of every module and the definition of every macro.
  void Code() {
    out_ += "<a id=\"codice\"></a>\n\n## Codice VBA e macro\n\n";
    const size_t empty = out_.size();
    for (const auto& [name, doc] : CodeModules(d_)) CodeBlock(name, doc->Text(), "vb");
    if (d_.macros)
      for (const dao::Document& m : d_.macros->Documents())
        if (!m.Text().empty()) CodeBlock("Macro " + m.Name(), m.Text(), m.Kind() == "xml" ? "xml" : "");
    if (out_.size() == empty) out_ += std::string(kNoCode) + "\n\n";
  }

  // Who names each table and query, and what nothing names.
  void References() {
    out_ += "<a id=\"riferimenti\"></a>\n\n## Riferimenti\n\n"
            "Evidenza testuale, non prova: il nome compare, tra parentesi quadre o come parola "
            "intera, nel testo di query, maschere, report, macro o moduli (anche in un commento); "
            "un nome composto mentre il codice gira non compare.\n\n";
    std::vector<const ReferenceEntry*> unused;
    std::vector<std::vector<std::string>> rows;
    for (const ReferenceEntry& e : d_.references) {
      if (e.usedBy.empty()) {
        unused.push_back(&e);
        continue;
      }
      std::string by;
      for (size_t k = 0; k < e.usedBy.size(); ++k)
        by += (k ? "; " : "") + ReferenceWord(e.usedBy[k].kind) + " " + E(e.usedBy[k].name) + " (" +
              ReferenceWord(e.usedBy[k].match) + ")";
      rows.push_back({E(e.name), ReferenceWord(e.kind), by});
    }
    if (rows.empty()) {
      out_ += std::string(kNothingNamed) + "\n";
    } else {
      Row({"Oggetto", "Tipo", "Nominato da"});
      Row({"---", "---", "---"});
      for (const auto& r : rows) Row(r);
    }
    out_ += "\n### Non nominati da nulla (" + std::to_string(unused.size()) + ")\n\n";
    if (unused.empty()) out_ += "Nessuno.\n";
    for (const ReferenceEntry* e : unused) out_ += "- " + E(e->name) + " (" + ReferenceWord(e->kind) + ")\n";
    out_ += "\n";
  }

  const Dictionary& d_;
  const MarkdownOptions& o_;
  std::string out_;
};

}  // namespace

std::string MarkdownEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  const std::string valid = ValidUtf8(text);
  for (size_t i = 0; i < valid.size(); ++i) {
    const char c = valid[i];
    switch (c) {
      case '\\': case '`': case '*': case '_': case '[': case ']': case '<': case '>': case '|':
      case '~': case '#': case '&':
        out += '\\';
        out += c;
        break;
      case '\r':
        out += "<br>";
        if (i + 1 < valid.size() && valid[i + 1] == '\n') ++i;
        break;
      case '\n':
        out += "<br>";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) break;
        out += c;
    }
  }
  return out;
}

std::string MarkdownDictionary(const Dictionary& d, const MarkdownOptions& options) {
  return Document(d, options).Build();
}

std::string MermaidErDiagram(const Diagram& diagram) {
  std::string out = "erDiagram\n";
  // Names as Mermaid will see them: two tables that differ only in replaced characters must
  // stay two entities.
  std::vector<std::string> names;
  std::set<std::string> used;
  for (const DiagramTable& t : diagram.tables) {
    std::string name = MermaidQuoted(t.name);
    for (int n = 2; used.count(name); ++n) name = MermaidQuoted(t.name + " (" + std::to_string(n) + ")");
    used.insert(name);
    names.push_back(name);
  }
  for (size_t i = 0; i < diagram.tables.size(); ++i) {
    const DiagramTable& t = diagram.tables[i];
    if (t.columns.empty()) {
      out += "    " + names[i] + "\n";
      continue;
    }
    out += "    " + names[i] + " {\n";
    for (const DiagramColumn& c : t.columns) {
      const std::string word = MermaidWord(c.name);
      out += "        " + MermaidWord(c.type.empty() ? "unknown" : c.type) + " " + word;
      if (c.primary && c.foreign) out += " PK, FK";
      else if (c.primary) out += " PK";
      else if (c.foreign) out += " FK";
      if (word != c.name) out += " " + MermaidComment(c.name);
      out += "\n";
    }
    out += "    }\n";
  }
  for (const DiagramEdge& e : diagram.edges) {
    out += "    " + names[e.table] + " ||" + (e.enforced ? "--" : "..") + (e.oneToOne ? "o|" : "o{") +
           " " + names[e.foreignTable] + " : " + MermaidQuoted(e.name.empty() ? "relazione" : e.name) +
           "\n";
  }
  return out;
}

}  // namespace tavrek::doc
