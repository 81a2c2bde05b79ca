#include "documenter/listing.h"

#include <map>
#include <memory>
#include <sstream>
#include <variant>
#include <vector>

#include "documenter/catalogue_support.h"
#include "documenter/json.h"
#include "documenter/names.h"
#include "documenter/references.h"

namespace tavrek::doc {

namespace {

// Every part of the catalogue the dump shows, read once. Raises dao::Error.
struct TableDump {
  const dao::TableDef* def;
  std::shared_ptr<dao::Recordset> rs;  // null for a linked table
};

TableDump OpenTable(dao::Database& db, const dao::TableDef& t) {
  TableDump d{&t, nullptr};
  if (!t.IsLinked()) d.rs = db.OpenRecordset(t.Name(), dao::dbOpenTable);
  return d;
}

std::vector<TableDump> ReadTables(dao::Database& db) {
  std::vector<TableDump> tables;
  const auto& defs = db.TableDefs();
  for (int i = 0; i < defs.Count(); ++i) tables.push_back(OpenTable(db, defs.Item(i)));
  return tables;
}

void CloseAll(std::vector<TableDump>& tables) {
  for (auto& t : tables)
    if (t.rs) t.rs->Close();
}

// Italian words of the listing.
const char* KindWord(const std::string& kind) {
  static const std::map<std::string, const char*> kWords = {
      {"table", "tabella"}, {"query", "query"},   {"form", "maschera"}, {"report", "report"},
      {"macro", "macro"},   {"module", "modulo"}, {"bracketed", "tra parentesi"},
      {"name", "nome"},     {"recordSource", "origine dei record"}, {"rowSource", "origine riga"},
      {"controlSource", "origine controllo"}, {"subform", "sottomaschera"}};
  auto it = kWords.find(kind);
  return it != kWords.end() ? it->second : "";
}

size_t LineCount(const std::string& text) {
  if (text.empty()) return 0;
  size_t lines = 0;
  for (char c : text) lines += c == '\n';
  return text.back() == '\n' ? lines : lines + 1;
}

void ListContainers(dao::Database& db, std::ostream& o) {
  static const struct {
    const char* title;
    const char* container;
  } kGroups[] = {{"Maschere", "Forms"}, {"Report", "Reports"}, {"Macro", "Scripts"}, {"Moduli", "Modules"}};
  for (const auto& g : kGroups) {
    const dao::Container* c = FindContainer(db, g.container);
    o << '\n' << g.title << ": " << (c ? c->Documents().Count() : 0) << '\n';
    if (!c) continue;
    for (const auto& d : c->Documents()) {
      o << "  " << d.Name() << "  (modificato " << DisplayDate(d.LastUpdated()) << ')';
      if (!d.Kind().empty() && std::string(g.container) != "Scripts") o << "  " << d.Kind();
      if (!d.Text().empty())
        o << "  " << (std::string(g.container) == "Scripts" ? "definizione " : "codice VBA ")
          << LineCount(d.Text()) << " righe";
      if (!d.Error().empty()) o << "  [errore: " << d.Error() << ']';
      o << '\n';
    }
  }
}

void ListReferences(dao::Database& db, std::ostream& o) {
  std::vector<ReferenceEntry> entries = CrossReference(db);
  o << "\nRiferimenti (evidenza testuale, non prova: il nome compare nel testo)\n";
  std::vector<std::string> unused;
  for (const auto& e : entries) {
    if (e.usedBy.empty()) {
      unused.push_back(e.name);
      continue;
    }
    o << "  " << e.name << " (" << KindWord(e.kind) << "): ";
    for (size_t k = 0; k < e.usedBy.size(); ++k)
      o << (k ? "; " : "") << KindWord(e.usedBy[k].kind) << ' ' << e.usedBy[k].name << " ["
        << KindWord(e.usedBy[k].match) << ']';
    o << '\n';
  }
  o << "Non nominati da nulla: " << unused.size() << '\n';
  for (const auto& name : unused) o << "  " << name << '\n';
}

// A property value in the readable listing: text quoted, bytes by their count.
std::string DisplayValue(const dao::Property& p, const Secrets& secrets) {
  const dao::PropertyValue& v = p.Value();
  if (const bool* b = std::get_if<bool>(&v)) return *b ? "Sì" : "No";
  if (const std::string* s = std::get_if<std::string>(&v)) {
    std::string quoted(1, '"');
    quoted += secrets.Text(p.Name(), *s);
    quoted += '"';
    return quoted;
  }
  if (const dao::DateTime* t = std::get_if<dao::DateTime>(&v)) return DisplayDate(*t);
  if (const dao::Bytes* bytes = std::get_if<dao::Bytes>(&v)) {
    std::string count(1, '(');
    count += std::to_string(bytes->data.size());
    count += " byte)";
    return count;
  }
  if (const int64_t* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
  if (const double* d = std::get_if<double>(&v)) return JsonNumber(*d);
  return "Null";
}

// One line: "<indent>Proprietà: Name = value; Name = value", nothing when there are none.
void ListProperties(std::ostream& o, const dao::Properties& properties, const Secrets& secrets,
                    const char* indent) {
  if (properties.Count() == 0) return;
  o << indent << "Proprietà: ";
  bool first = true;
  for (const dao::Property& p : properties) {
    o << (first ? "" : "; ") << p.Name() << " = " << DisplayValue(p, secrets);
    first = false;
  }
  o << '\n';
}

// Index flags in the listing, in DAO's words.
std::string IndexFlags(const dao::Index& ix) {
  std::string flags;
  auto add = [&](bool on, const char* word) {
    if (!on) return;
    flags += flags.empty() ? "  [" : ", ";
    flags += word;
  };
  add(ix.Primary(), "primaria");
  add(ix.Unique(), "univoca");
  add(ix.IgnoreNulls(), "ignora Null");
  add(ix.Required(), "obbligatoria");
  add(ix.Foreign(), "esterna");
  add(ix.Clustered(), "cluster");
  return flags.empty() ? flags : flags + "]";
}

}  // namespace

std::string TextListing(dao::Database& db, bool showSecrets) {
  const Secrets secrets{showSecrets};
  std::vector<TableDump> tables = ReadTables(db);
  std::ostringstream o;
  o << "Database: " << db.Name() << "\nFormato: " << db.Format() << '\n';
  ListProperties(o, db.Properties(), secrets, "");
  o << "\nTabelle: " << tables.size() << '\n';
  for (const auto& td : tables) {
    const dao::TableDef& t = *td.def;
    o << "\n" << t.Name();
    if (t.IsSystem()) o << "  [sistema]";
    if (t.IsLinked()) {
      // For an ODBC link the source is its connect string, password included.
      o << "  [collegata: " << secrets.Connect(t.Info().linkSource);
      if (!t.Info().foreignName.empty()) o << " (" << t.Info().foreignName << ")";
      o << ']';
    }
    o << "\n  Creata: " << DisplayDate(t.DateCreated())
      << "  Ultima modifica: " << DisplayDate(t.LastUpdated()) << '\n';
    if (t.IsLinked())
      o << "  Connect: " << secrets.Connect(t.Connect()) << "\n  Tabella d'origine: "
        << t.SourceTableName() << '\n';
    ListProperties(o, t.Properties(), secrets, "  ");
    if (!td.rs) continue;
    const dao::Recordset& rs = *td.rs;
    o << "  Record: " << rs.RecordCount() << '\n';
    o << "  Campi: " << rs.Fields().Count() << '\n';
    for (const auto& f : rs.Fields()) {
      o << "    " << f.Name() << "  " << FieldTypeName(f.Type()) << " (" << f.Type() << ")  "
        << f.Size() << "  attributi " << f.Attributes();
      if (f.Required()) o << ", obbligatorio";
      if (f.AllowZeroLength()) o << ", lunghezza zero consentita";
      o << '\n';
      ListProperties(o, f.Properties(), secrets, "      ");
    }
    o << "  Indici: " << rs.Indexes().Count() << '\n';
    for (const auto& ix : rs.Indexes()) {
      o << "    " << ix.Name() << " (";
      for (int k = 0; k < ix.Fields().Count(); ++k)
        o << (k ? ", " : "") << ix.Fields().Item(k).Name()
          << (ix.Fields().Item(k).Descending() ? " DESC" : "");
      o << ")" << IndexFlags(ix) << '\n';
    }
  }
  const auto& queries = db.QueryDefs();
  o << "\nQuery: " << queries.Count() << '\n';
  for (const auto& q : queries) {
    o << "\n" << q.Name() << "  tipo " << q.Type() << "\n  Creata: " << DisplayDate(q.DateCreated())
      << "  Ultima modifica: " << DisplayDate(q.LastUpdated()) << '\n';
    for (const auto& p : q.Parameters())
      o << "  Parametro: " << p.Name() << "  " << FieldTypeName(p.Type()) << " (" << p.Type() << ")\n";
    ListProperties(o, q.Properties(), secrets, "  ");
    // The SQL text joins its lines with CR LF; indent each line.
    std::string sql = q.SQL();
    o << "    ";
    for (size_t i = 0; i < sql.size(); ++i) {
      if (sql[i] == '\r' && i + 1 < sql.size() && sql[i + 1] == '\n') continue;
      o << sql[i];
      if (sql[i] == '\n' && i + 1 < sql.size()) o << "    ";
    }
    if (sql.empty() || sql.back() != '\n') o << '\n';
  }
  const auto& relations = db.Relations();
  o << "\nRelazioni: " << relations.Count() << '\n';
  for (const auto& r : relations) {
    o << "\n" << r.Name() << "  attributi " << r.Attributes() << "\n  " << r.Table() << " (";
    for (int k = 0; k < r.Fields().Count(); ++k) o << (k ? ", " : "") << r.Fields().Item(k).Name();
    o << ") -> " << r.ForeignTable() << " (";
    for (int k = 0; k < r.Fields().Count(); ++k)
      o << (k ? ", " : "") << r.Fields().Item(k).ForeignName();
    o << ")\n";
  }
  ListContainers(db, o);
  ListReferences(db, o);
  CloseAll(tables);
  return o.str();
}

}  // namespace tavrek::doc
