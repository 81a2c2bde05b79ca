#include "documenter/dictionary_walk.h"

#include <cctype>
#include <map>

#include "documenter/names.h"
#include "documenter/secrets.h"

namespace tavrek::doc {

using engine::vba::DesignObject;

Inline Plain(std::string text) { return {Span{Span::kText, std::move(text), {}}}; }
Inline Words(const char* wording) { return {Span{Span::kWording, wording, {}}}; }
Inline CodeText(std::string text) { return {Span{Span::kCode, std::move(text), {}}}; }

std::string LineFeeds(const std::string& text) {
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

std::vector<const DesignObject*> DesignControls(const DesignObject& section) {
  std::vector<const DesignObject*> out;
  auto add = [&](const DesignObject& o, auto& self) -> void {
    for (const DesignObject& c : o.children) {
      out.push_back(&c);
      self(c, self);
    }
  };
  add(section, add);
  return out;
}

std::string ControlShows(const DesignObject& control) {
  for (const char* p : {"ControlSource", "SourceObject", "Caption"}) {
    std::string v = control.TextOf(p);
    if (!v.empty()) return v;
  }
  return "";
}

namespace {

const char* YesNo(bool b) { return b ? "S\xC3\xAC" : ""; }

std::string TableId(size_t i) { return "t" + std::to_string(i + 1); }
std::string QueryId(size_t i) { return "q" + std::to_string(i + 1); }

// The anchor of a module's or macro's code: its name with every byte but ASCII letters and
// digits as '_'.
std::string CodeId(const std::string& module) {
  std::string id = "codice-";
  for (char c : module) id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return id;
}

bool IsEvent(const std::string& property) {
  return property.rfind("On", 0) == 0 || property.rfind("Before", 0) == 0 || property.rfind("After", 0) == 0;
}

// Whether `code` declares the procedure `name` ("Sub name(", letters in any case).
bool DeclaresProcedure(const std::string& code, const std::string& name) {
  auto lower = [](std::string t) {
    for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return t;
  };
  return lower(code).find("sub " + lower(name) + "(") != std::string::npos;
}

// The event settings of a form, report, section or control, one per line: "[Event Procedure]"
// as a link to the code behind (`module`, text `code`) named as VBA names the procedure (`owner`
// "_" the event without its "On": Form_Load, Detail_Format, btnOk_Click, cbx_AfterUpdate), or
// marked as missing when the code does not declare it; other settings (a macro, an expression)
// as written. Empty when it handles no event.
Inline EventsOf(const DesignObject& o, const std::string& owner, const std::string& module,
                const std::string& code) {
  Inline events;
  for (const auto& p : o.properties) {
    const std::string name = p.Name();
    if (!p.IsText() || !IsEvent(name)) continue;
    if (!events.empty()) events.push_back({Span::kBreak, {}, {}});
    events.push_back({Span::kText, name + ": ", {}});
    const std::string procedure = owner + "_" + (name.rfind("On", 0) == 0 ? name.substr(2) : name);
    if (p.Text() == "[Event Procedure]" && DeclaresProcedure(code, procedure))
      events.push_back({Span::kLink, procedure, "#" + CodeId(module)});
    else if (p.Text() == "[Event Procedure]")
      events.push_back({Span::kText, p.Text() + " (" + procedure + " assente dal codice)", {}});
    else
      events.push_back({Span::kText, p.Text(), {}});
  }
  return events;
}

class Walker {
 public:
  Walker(const Dictionary& d, DictionaryEmitter& out, const WalkOptions& o) : d_(d), out_(out), o_(o) {}

  void Walk();

 private:
  // How a part is framed: a section with its own heading, a bare heading (the part's entries
  // are sections themselves), or nothing (each entry carries its own heading).
  enum class Frame { kSection, kHeading, kNone };

  // A part of the dictionary. The parts are written in the order of kParts.
  struct Part {
    const char* id;        // its anchor ("" for none)
    const char* title;
    Frame frame;
    const char* cssClass;  // an extra class on the part's section, or null
    bool listed;           // in the table of contents
    bool (Walker::*shown)() const;  // whether the part is there at all; null: always
    std::vector<ContentsEntry> (Walker::*entries)() const;  // its lines in the contents, or null
    void (Walker::*body)();
  };
  static const Part kParts[];

  bool Shown(const Part& p) const { return !p.shown || (this->*p.shown)(); }

  std::string Connect(const std::string& c) const { return o_.showSecrets ? c : MaskConnectSecrets(c); }

  // A link to the user table of that name, or the plain name when it is not in the dictionary.
  Inline TableLink(const std::string& name) const {
    const int i = FindTable(d_, name);
    if (i < 0) return Plain(name);
    return {Span{Span::kLink, name, "#" + TableId(static_cast<size_t>(i))}};
  }

  void Header();
  void Contents();

  bool HasTables() const { return !d_.tables.empty(); }
  bool HasQueries() const { return !d_.queries.empty(); }
  bool HasDesigns() const;
  std::vector<ContentsEntry> TableEntries() const;
  std::vector<ContentsEntry> QueryEntries() const;

  void Properties();
  void DiagramPart();
  void Tables();
  void Queries();
  void Application();
  void Designs();
  void Code();
  void References();
  void Readiness();

  void Table(size_t i);
  void Fields(const dao::Recordset& rs);
  void Indexes(const dao::Recordset& rs);
  void Relations(const std::vector<const dao::Relation*>& relations, bool outgoing);
  void Query(size_t i);
  void Design(const dao::Document& doc, bool form);

  const Dictionary& d_;
  DictionaryEmitter& out_;
  const WalkOptions& o_;
};

// The dictionary, part by part. A new part is a row here and the member function it names.
const Walker::Part Walker::kParts[] = {
    {"proprieta", "Propriet\xC3\xA0 del database", Frame::kSection, nullptr, true, nullptr, nullptr,
     &Walker::Properties},
    {"diagramma", "Diagramma delle relazioni", Frame::kSection, "diagramma", true, nullptr, nullptr,
     &Walker::DiagramPart},
    {"", "Tabelle", Frame::kNone, nullptr, true, &Walker::HasTables, &Walker::TableEntries, &Walker::Tables},
    {"query", "Query", Frame::kHeading, nullptr, true, &Walker::HasQueries, &Walker::QueryEntries,
     &Walker::Queries},
    {"applicazione", "Oggetti dell'applicazione", Frame::kSection, nullptr, true, nullptr, nullptr,
     &Walker::Application},
    {"struttura", "Struttura di maschere e report", Frame::kSection, nullptr, false, &Walker::HasDesigns,
     nullptr, &Walker::Designs},
    {"codice", "Codice VBA e macro", Frame::kSection, nullptr, true, nullptr, nullptr, &Walker::Code},
    {"riferimenti", "Riferimenti", Frame::kSection, nullptr, true, nullptr, nullptr, &Walker::References},
    {"migrazione", "Preparazione alla migrazione", Frame::kSection, nullptr, true, nullptr, nullptr,
     &Walker::Readiness},
};

void Walker::Walk() {
  out_.Begin("Dizionario dei dati", d_.name);
  Header();
  Contents();
  for (const Part& p : kParts) {
    if (!Shown(p)) continue;
    switch (p.frame) {
      case Frame::kSection: out_.OpenPart(p.id, Words(p.title), p.cssClass); break;
      case Frame::kHeading: out_.Heading(2, p.id, Words(p.title)); break;
      case Frame::kNone: break;
    }
    (this->*p.body)();
    if (p.frame == Frame::kSection) out_.CloseSection();
  }
  out_.End();
}

void Walker::Header() {
  out_.OpenHeader("Dizionario dei dati", d_.name);
  out_.Meta({{"Formato", Plain(d_.format)},
             {"Tabelle", Plain(std::to_string(d_.tables.size()))},
             {"Query", Plain(std::to_string(d_.queries.size()))},
             {"Relazioni", Plain(std::to_string(d_.relations.size()))}});
  if (d_.systemTables > 0)
    out_.Paragraph(Plain(std::to_string(d_.systemTables) + " tabelle di sistema non sono elencate."),
                   ParagraphStyle::kNote);
  out_.CloseHeader();
}

void Walker::Contents() {
  std::vector<ContentsEntry> entries;
  for (const Part& p : kParts) {
    if (!p.listed || !Shown(p)) continue;
    ContentsEntry e{Words(p.title), *p.id ? std::string("#") + p.id : std::string(), {}};
    if (p.entries) e.children = (this->*p.entries)();
    entries.push_back(std::move(e));
  }
  out_.Contents("Sommario", "sommario", entries);
}

std::vector<ContentsEntry> Walker::TableEntries() const {
  std::vector<ContentsEntry> out;
  for (size_t i = 0; i < d_.tables.size(); ++i) out.push_back({Plain(d_.tables[i].def->Name()), "#" + TableId(i), {}});
  return out;
}

std::vector<ContentsEntry> Walker::QueryEntries() const {
  std::vector<ContentsEntry> out;
  for (size_t i = 0; i < d_.queries.size(); ++i) out.push_back({Plain(d_.queries[i].def->Name()), "#" + QueryId(i), {}});
  return out;
}

void Walker::Properties() {
  if (!d_.properties || d_.properties->Count() == 0) {
    out_.Paragraph(Words("Il file non registra propriet\xC3\xA0 del database."));
    return;
  }
  TableBlock t{"proprieta", {{"Nome"}, {"Tipo"}, {"Valore"}}, {}};
  for (const dao::Property& p : *d_.properties) {
    std::string value = PropertyText(p.Value());
    if (p.Name() == "Connect") value = Connect(value);
    t.rows.push_back({Plain(p.Name()), Plain(FieldTypeName(p.Type()) + " (" + std::to_string(p.Type()) + ")"),
                      Plain(value)});
  }
  out_.Table(t);
}

void Walker::DiagramPart() {
  if (d_.tables.empty()) {
    out_.Paragraph(Words("Nessuna tabella."));
    return;
  }
  if (d_.relations.empty()) out_.Paragraph(Words("Il file non registra relazioni tra le tabelle."));
  out_.Diagram(d_);
}

void Walker::Tables() {
  for (size_t i = 0; i < d_.tables.size(); ++i) Table(i);
}

void Walker::Table(size_t i) {
  const DictionaryTable& t = d_.tables[i];
  const dao::TableDef& def = *t.def;
  Inline title = Words(def.IsLinked() ? "Tabella collegata " : "Tabella ");
  title.push_back({Span::kText, def.Name(), {}});
  out_.OpenEntry("tabella", TableId(i), 2, title);
  if (!t.description.empty()) out_.Paragraph(Plain(t.description), ParagraphStyle::kDescription);
  std::vector<MetaItem> meta;
  if (t.rs) meta.push_back({"Record", Plain(std::to_string(t.rs->RecordCount()))});
  meta.push_back({"Creata", Plain(DateText(def.DateCreated()))});
  meta.push_back({"Ultima modifica", Plain(DateText(def.LastUpdated()))});
  if (def.IsLinked()) {
    if (!def.Info().linkSource.empty()) meta.push_back({"Origine", CodeText(Connect(def.Info().linkSource))});
    if (!def.Connect().empty() && def.Connect() != def.Info().linkSource)
      meta.push_back({"Connect", CodeText(Connect(def.Connect()))});
    if (!def.SourceTableName().empty()) meta.push_back({"Tabella di origine", Plain(def.SourceTableName())});
  }
  out_.Meta(meta);
  if (t.rs) {
    Fields(*t.rs);
    Indexes(*t.rs);
  } else {
    out_.Paragraph(Words("La struttura di una tabella collegata \xC3\xA8 nel database di origine."));
  }
  if (!t.outgoing.empty()) Relations(t.outgoing, true);
  if (!t.incoming.empty()) Relations(t.incoming, false);
  out_.CloseSection();
}

void Walker::Fields(const dao::Recordset& rs) {
  out_.Heading(3, "", Words("Campi"));
  TableBlock t{"campi",
               {{"#", true},
                {"Nome"},
                {"Tipo"},
                {"Codice DAO", true},
                {"Dimensione", true},
                {"Obbligatorio"},
                {"Predefinito"},
                {"Convalida"},
                {"Descrizione"}},
               {}};
  int position = 0;
  for (const dao::Field& f : rs.Fields()) {
    // The rule as code, then its message on a line of its own.
    Inline validation = CodeText(f.ValidationRule());
    if (!f.ValidationText().empty()) {
      if (!f.ValidationRule().empty()) validation.push_back({Span::kBreak, {}, {}});
      validation.push_back({Span::kText, f.ValidationText(), {}});
    }
    t.rows.push_back({Plain(std::to_string(++position)), Plain(f.Name()), Plain(FieldTypeText(f)),
                      Plain(std::to_string(f.Type())), Plain(std::to_string(f.Size())), Plain(YesNo(f.Required())),
                      CodeText(f.DefaultValue()), validation, Plain(DescriptionOf(f.Properties()))});
  }
  out_.Table(t);
}

void Walker::Indexes(const dao::Recordset& rs) {
  out_.Heading(3, "", Words("Indici"));
  if (rs.Indexes().Count() == 0) {
    out_.Paragraph(Words("Nessun indice."));
    return;
  }
  TableBlock t{"indici",
               {{"Nome"}, {"Campi"}, {"Primario"}, {"Univoco"}, {"Ignora Null"}, {"Obbligatorio"}, {"Esterno"}, {"Cluster"}},
               {}};
  for (const dao::Index& ix : rs.Indexes()) {
    std::string keys;
    for (int k = 0; k < ix.Fields().Count(); ++k) {
      const dao::IndexField& f = ix.Fields().Item(k);
      keys += (k ? ", " : "") + f.Name() + (f.Descending() ? " (decrescente)" : "");
    }
    t.rows.push_back({Plain(ix.Name()), Plain(keys), Plain(YesNo(ix.Primary())), Plain(YesNo(ix.Unique())),
                      Plain(YesNo(ix.IgnoreNulls())), Plain(YesNo(ix.Required())), Plain(YesNo(ix.Foreign())),
                      Plain(YesNo(ix.Clustered()))});
  }
  out_.Table(t);
}

// Relations of a table: `outgoing` lists the referenced table, `incoming` the referencing one.
void Walker::Relations(const std::vector<const dao::Relation*>& relations, bool outgoing) {
  out_.Heading(3, "", Words(outgoing ? "Relazioni verso altre tabelle" : "Relazioni da altre tabelle"));
  TableBlock t{"relazioni",
               {{"Relazione"},
                {outgoing ? "Tabella riferita" : "Tabella che riferisce"},
                {"Campi"},
                {"Cardinalit\xC3\xA0"},
                {"Attributi"}},
               {}};
  for (const dao::Relation* r : relations) {
    std::string pairs;
    for (int k = 0; k < r->Fields().Count(); ++k) {
      const auto& p = r->Fields().Item(k);
      pairs += (k ? ", " : "") + r->ForeignTable() + "." + p.ForeignName() + " \xE2\x86\x92 " + r->Table() + "." +
               p.Name();
    }
    t.rows.push_back({Plain(r->Name()), TableLink(outgoing ? r->Table() : r->ForeignTable()), Plain(pairs),
                      Plain(Cardinality(*r)), Plain(RelationFlags(*r))});
  }
  out_.Table(t);
}

void Walker::Queries() {
  for (size_t i = 0; i < d_.queries.size(); ++i) Query(i);
}

void Walker::Query(size_t i) {
  const DictionaryQuery& q = d_.queries[i];
  const dao::QueryDef& def = *q.def;
  out_.OpenEntry("query", QueryId(i), 3, Plain(def.Name()));
  if (!q.description.empty()) out_.Paragraph(Plain(q.description), ParagraphStyle::kDescription);
  std::vector<MetaItem> meta = {
      {"Tipo", Plain(QueryTypeName(def.Type()) + " (" + std::to_string(def.Type()) + ")")},
      {"Creata", Plain(DateText(def.DateCreated()))},
      {"Ultima modifica", Plain(DateText(def.LastUpdated()))}};
  if (const dao::Property* c = dao::FindProperty(def.Properties(), "Connect"))
    if (const auto* text = std::get_if<std::string>(&c->Value()); text && !text->empty())
      meta.push_back({"Connect", CodeText(Connect(*text))});
  out_.Meta(meta);
  out_.Code("sql", q.sql);
  const auto& params = def.Parameters();
  if (params.Count() > 0) {
    TableBlock t{"parametri", {{"Parametro"}, {"Tipo"}, {"Codice DAO", true}, {"Dimensione", true}}, {}};
    for (const dao::Parameter& p : params)
      t.rows.push_back({Plain(p.Name()), Plain(FieldTypeName(p.Type())), Plain(std::to_string(p.Type())),
                        Plain(p.Size() ? std::to_string(p.Size()) : "")});
    out_.Table(t);
  }
  out_.CloseSection();
}

// Forms, reports, macros and modules: names, dates, what could be read of them.
void Walker::Application() {
  bool any = false;
  for (const ApplicationGroup& g : ApplicationGroups(d_)) {
    const int n = g.container ? g.container->Documents().Count() : 0;
    if (n == 0) continue;  // a group without objects is left out
    any = true;
    out_.Heading(3, "", Plain(std::string(g.title) + " (" + std::to_string(n) + ")"));
    TableBlock t{"applicazione",
                 {{"Nome"}, {"Creato"}, {"Ultima modifica"}, {"Tipo"}, {"Righe", true}, {"Errore"}},
                 {}};
    for (const dao::Document& doc : g.container->Documents()) {
      size_t lines = 0;
      for (char c : doc.Text()) lines += c == '\n';
      t.rows.push_back({Plain(doc.Name()), Plain(DateText(doc.DateCreated())), Plain(DateText(doc.LastUpdated())),
                        Plain(doc.Kind()), Plain(doc.Text().empty() ? "" : std::to_string(lines)),
                        Plain(doc.Error())});
    }
    out_.Table(t);
  }
  if (!any) out_.Paragraph(Words(kNoApplication));
}

bool Walker::HasDesigns() const {
  for (const dao::Container* c : {d_.forms, d_.reports})
    if (c)
      for (const dao::Document& doc : c->Documents())
        if (doc.Design()) return true;
  return false;
}

// Per form and report with a design: its record source (with the query's SQL), a sketch of its
// layout and a table of its controls with what each shows and the events it handles.
void Walker::Designs() {
  for (const dao::Container* c : {d_.forms, d_.reports}) {
    if (!c) continue;
    for (const dao::Document& doc : c->Documents())
      if (doc.Design()) Design(doc, c == d_.forms);
  }
}

void Walker::Design(const dao::Document& doc, bool form) {
  const engine::vba::FormDesign& design = *doc.Design();
  const std::string module = (form ? "Form_" : "Report_") + doc.Name();
  out_.Heading(3, "", Plain((form ? "Maschera " : "Report ") + doc.Name()));
  const std::string source = design.root.TextOf("RecordSource");
  if (!source.empty()) {
    Inline text = Words("Origine dei record: ");
    text.push_back({Span::kCode, source, {}});
    out_.Paragraph(text);
    for (const DictionaryQuery& q : d_.queries)
      if (q.def && q.def->Name() == source) out_.Code("sql", q.sql);
  }
  std::vector<const DesignObject*> sections;
  for (const DesignObject& child : design.root.children)
    if (child.type >= 152) sections.push_back(&child);
  out_.Sketch(design.root, sections);
  // The events of the form or report itself and of its sections.
  TableBlock own{"eventi", {{"Parte"}, {"Eventi"}}, {}};
  const std::string& code = doc.Text();
  if (Inline e = EventsOf(design.root, form ? "Form" : "Report", module, code); !e.empty())
    own.rows.push_back({Plain(form ? "Maschera" : "Report"), e});
  for (const DesignObject* s : sections)
    if (Inline e = EventsOf(*s, s->TextOf("Name"), module, code); !e.empty())
      own.rows.push_back({Plain("Sezione " + s->TextOf("Name")), e});
  if (!own.rows.empty()) out_.Table(own);
  TableBlock t{"controlli",
               {{"Sezione"}, {"Tipo"}, {"Nome"}, {"Mostra"}, {"Origine riga"}, {"Posizione (twip)"}, {"Eventi"}},
               {}};
  for (const DesignObject* s : sections) {
    for (const DesignObject* ctl : DesignControls(*s)) {
      const Inline events = EventsOf(*ctl, ctl->TextOf("Name"), module, code);
      t.rows.push_back({Plain(s->TextOf("Name")), Plain(ctl->TypeName()), Plain(ctl->TextOf("Name")),
                        Plain(ControlShows(*ctl)), Plain(ctl->TextOf("RowSource")),
                        Plain(std::to_string(ctl->NumberOf("Left").value_or(0)) + ", " +
                              std::to_string(ctl->NumberOf("Top").value_or(0)) + " " +
                              std::to_string(ctl->NumberOf("Width").value_or(0)) + "\xC3\x97" +
                              std::to_string(ctl->NumberOf("Height").value_or(0))),
                        events});
    }
  }
  if (t.rows.empty())
    out_.Paragraph(Words("Controlli: nessuno"));
  else
    out_.Table(t);
}

// The source of every module and the definition of every macro.
void Walker::Code() {
  bool any = false;
  for (const auto& [name, doc] : CodeModules(d_)) {
    out_.Heading(3, CodeId(name), Plain(name));
    out_.Code("vb", doc->Text());
    any = true;
  }
  if (d_.macros)
    for (const dao::Document& m : d_.macros->Documents()) {
      if (m.Text().empty()) continue;
      const std::string title = "Macro " + m.Name();
      out_.Heading(3, CodeId(title), Plain(title));
      out_.Code(m.Kind() == "xml" ? "xml" : "", m.Text());
      any = true;
    }
  if (!any) out_.Paragraph(Words(kNoCode));
}

// Who names each table, query, form and report, and what nothing names.
void Walker::References() {
  out_.Paragraph(Words(
      "Evidenza testuale, non prova: il nome compare, tra parentesi quadre o come parola intera, nel testo di "
      "query, maschere, report, macro o moduli (anche in un commento), o nella struttura di una maschera o di "
      "un report come origine dei record, origine riga, origine controllo o sottomaschera; un nome composto "
      "mentre il codice gira non compare."));
  std::vector<Inline> unused;
  TableBlock t{"riferimenti", {{"Oggetto"}, {"Tipo"}, {"Nominato da"}}, {}};
  for (const ReferenceEntry& e : d_.references) {
    if (e.usedBy.empty()) {
      unused.push_back(Plain(e.name + " (" + ReferenceWord(e.kind) + ")"));
      continue;
    }
    std::string by;
    for (size_t k = 0; k < e.usedBy.size(); ++k)
      by += (k ? "; " : "") + ReferenceWord(e.usedBy[k].kind) + " " + e.usedBy[k].name + " (" +
            ReferenceWord(e.usedBy[k].match) + ")";
    t.rows.push_back({Plain(e.name), Plain(ReferenceWord(e.kind)), Plain(by)});
  }
  if (t.rows.empty())
    out_.Paragraph(Words(kNothingNamed));
  else
    out_.Table(t);
  out_.Heading(3, "", Plain("Non nominati da nulla (" + std::to_string(unused.size()) + ")"));
  if (unused.empty())
    out_.Paragraph(Words("Nessuno."));
  else
    out_.List(unused);
}

// What will not move by itself to the SQL servers: the counts per kind, then every finding with
// its object, linked to the object's entry.
void Walker::Readiness() {
  const ReadinessReport& r = d_.readiness;
  out_.Paragraph(Words(
      "Cosa non passa da solo a SQLite, PostgreSQL o MySQL/MariaDB e perch\xC3\xA9. "
      "Le righe non sono lette qui: valori che differiscono solo per maiuscole e date fuori intervallo "
      "sono nel rapporto di tavrek-dump --readiness."));
  if (r.findings.empty()) {
    out_.Paragraph(Words("Nessun problema trovato."));
    return;
  }
  out_.Meta({{"Oggetti che richiedono una persona", Plain(std::to_string(r.objectsNeedingPerson))},
             {"Tabelle", Plain(std::to_string(r.tables))},
             {"Query", Plain(std::to_string(r.queries))}});
  std::map<std::string, std::string> described;
  TableBlock counts{"migrazione", {{"Problema"}, {"Codice"}, {"Quanti", true}}, {}};
  for (const auto& [code, description] : ReadinessKinds()) {
    described[code] = description;
    auto it = r.counts.find(code);
    if (it == r.counts.end() || it->second == 0) continue;
    counts.rows.push_back({Plain(description), CodeText(code), Plain(std::to_string(it->second))});
  }
  out_.Table(counts);
  TableBlock findings{"migrazione", {{"Oggetto"}, {"Problema"}, {"Dettaglio"}, {"Server"}}, {}};
  for (const ReadinessFinding& f : r.findings) {
    Inline object = Words(f.objectKind == "query" ? "query " : "tabella ");
    Inline name = Plain(f.object);
    if (f.objectKind == "query") {
      for (size_t i = 0; i < d_.queries.size(); ++i) {
        if (d_.queries[i].def->Name() == f.object) name = {Span{Span::kLink, f.object, "#" + QueryId(i)}};
      }
    } else {
      name = TableLink(f.object);
    }
    object.insert(object.end(), name.begin(), name.end());
    std::string servers;
    for (const std::string& s : f.servers) servers += (servers.empty() ? "" : ", ") + s;
    const auto kind = described.find(f.kind);
    findings.rows.push_back({object, Plain(kind == described.end() ? f.kind : kind->second), Plain(f.detail),
                             Plain(servers)});
  }
  out_.Table(findings);
}

}  // namespace

void WalkDictionary(const Dictionary& d, DictionaryEmitter& out, const WalkOptions& options) {
  Walker(d, out, options).Walk();
}

}  // namespace tavrek::doc
