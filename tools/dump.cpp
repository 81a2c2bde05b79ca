#include "tools/dump.h"

#include "documenter/dictionary.h"
#include "documenter/html.h"
#include "documenter/markdown.h"
#include "documenter/ddl.h"
#include "documenter/diff.h"
#include "documenter/inventory.h"
#include "documenter/json.h"
#include "documenter/sql_dialect.h"
#include "documenter/names.h"
#include "documenter/references.h"
#include "documenter/secrets.h"
#include "documenter/text_out.h"
#include "tools/output_file.h"

#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>

namespace tavrek::dump {

namespace {

constexpr const char* kVersion = "2.0.0";

// The command-line options. A new option is one row here and one case in ApplyOption.
enum class Opt {
  kPassword, kJson, kHelp, kVersion, kPdf, kTable, kHtml, kMarkdown, kOutput, kShowSecrets,
  kDdl, kDiff, kPasswordA, kPasswordB, kCounts, kInventory, kJobs, kVba
};
struct OptionSpec {
  const char* name;
  bool takesValue;
  Opt id;
};
constexpr OptionSpec kOptionTable[] = {
    {"--password", true, Opt::kPassword},
    {"--json", false, Opt::kJson},
    {"--help", false, Opt::kHelp},
    {"--version", false, Opt::kVersion},
    {"--pdf", true, Opt::kPdf},
    {"--table", true, Opt::kTable},
    {"--html", false, Opt::kHtml},
    {"--markdown", false, Opt::kMarkdown},
    {"-o", true, Opt::kOutput},
    {"--output", true, Opt::kOutput},
    {"--vba", true, Opt::kVba},
    {"--show-secrets", false, Opt::kShowSecrets},
    {"--ddl", true, Opt::kDdl},
    {"--diff", false, Opt::kDiff},
    {"--password-a", true, Opt::kPasswordA},
    {"--password-b", true, Opt::kPasswordB},
    {"--counts", false, Opt::kCounts},
    {"--inventory", true, Opt::kInventory},
    {"--jobs", true, Opt::kJobs},
};

// Returns an error message, empty when the option was taken.
std::string ApplyOption(Opt id, const std::string& value, Options& o) {
  switch (id) {
    case Opt::kPassword: o.password = value; break;
    case Opt::kJson: o.json = true; break;
    case Opt::kHelp: o.help = true; break;
    case Opt::kVersion: o.version = true; break;
    case Opt::kPdf: o.pdf = value; break;
    case Opt::kTable: o.tables.push_back(value); break;
    case Opt::kHtml: o.html = true; break;
    case Opt::kMarkdown: o.markdown = true; break;
    case Opt::kOutput: o.output = value; break;
    case Opt::kVba: o.vba = value; break;
    case Opt::kShowSecrets: o.showSecrets = true; break;
    case Opt::kDdl: o.ddl = value; break;
    case Opt::kDiff: o.diff = true; break;
    case Opt::kPasswordA: o.passwordA = value; break;
    case Opt::kPasswordB: o.passwordB = value; break;
    case Opt::kCounts: o.counts = true; break;
    case Opt::kInventory: o.inventory = value; break;
    case Opt::kJobs: {
      char* end = nullptr;
      long n = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || n < 1 || n > 1024)
        return "--jobs vuole un numero da 1 a 1024: " + value;
      o.jobs = static_cast<int>(n);
      break;
    }
  }
  return {};
}

using tavrek::doc::Quoted;
using tavrek::doc::TextOut;

// A date as ISO text in quotes (digits only: nothing to escape).
TextOut& operator<<(TextOut& o, const dao::DateTime& d) { return o << '"' << d.Iso() << '"'; }

std::string DisplayDate(const dao::DateTime& d) {
  std::string iso = d.Iso();
  iso[10] = ' ';
  return iso;
}

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

const dao::Container* FindContainer(dao::Database& db, const std::string& name) {
  for (const auto& c : db.Containers())
    if (c.Name() == name) return &c;
  return nullptr;
}

// A text, or null when it is empty.
struct QuotedOrNull {
  const std::string& text;
};
TextOut& operator<<(TextOut& o, QuotedOrNull q) { return q.text.empty() ? o << "null" : o << Quoted(q.text); }

// The application objects: forms, reports, macros and modules with their text.
void WriteContainers(TextOut& o, dao::Database& db) {
  static const struct {
    const char* key;
    const char* container;
  } kGroups[] = {{"forms", "Forms"}, {"reports", "Reports"}, {"macros", "Scripts"}, {"modules", "Modules"}};
  o << '{';
  bool firstGroup = true;
  for (const auto& g : kGroups) {
    o << (firstGroup ? "" : ",") << "\n  \"" << g.key << "\": [";
    firstGroup = false;
    const dao::Container* c = FindContainer(db, g.container);
    int n = 0;
    if (c) {
      for (const auto& d : c->Documents()) {
        o << (n++ ? ",\n   " : "\n   ") << "{\"name\": " << Quoted(d.Name())
          << ", \"dateCreated\": " << d.DateCreated() << ", \"lastUpdated\": " << d.LastUpdated();
        const std::string key = g.key;
        if (key == "modules") {
          o << ", \"kind\": " << QuotedOrNull{d.Kind()} << ",\n    \"source\": " << QuotedOrNull{d.Text()};
        } else if (key == "macros") {
          o << ",\n    \"text\": " << QuotedOrNull{d.Text()};
        } else {
          o << ",\n    \"source\": " << QuotedOrNull{d.Text()};
        }
        o << ", \"error\": " << QuotedOrNull{d.Error()} << '}';
      }
    }
    o << (n ? "\n  ]" : "]");
  }
  o << "}";
}

void WriteReferences(TextOut& o, dao::Database& db) {
  o << '[';
  int n = 0;
  for (const auto& e : tavrek::doc::CrossReference(db)) {
    o << (n++ ? ",\n  " : "\n  ") << "{\"name\": " << Quoted(e.name) << ", \"kind\": " << Quoted(e.kind)
      << ", \"usedBy\": [";
    for (size_t k = 0; k < e.usedBy.size(); ++k)
      o << (k ? ", " : "") << "{\"kind\": " << Quoted(e.usedBy[k].kind)
        << ", \"name\": " << Quoted(e.usedBy[k].name) << ", \"match\": " << Quoted(e.usedBy[k].match)
        << '}';
    o << "]}";
  }
  o << (n ? "\n ]" : "]");
}

// Italian words of the listing.
const char* KindWord(const std::string& kind) {
  static const std::map<std::string, const char*> kWords = {
      {"table", "tabella"}, {"query", "query"},   {"form", "maschera"}, {"report", "report"},
      {"macro", "macro"},   {"module", "modulo"}, {"bracketed", "tra parentesi"},
      {"name", "nome"}};
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
  std::vector<tavrek::doc::ReferenceEntry> entries = tavrek::doc::CrossReference(db);
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

// How connect strings are written: masked unless the user asked for the secrets.
struct Secrets {
  bool show;
  std::string Connect(const std::string& connect) const {
    return show ? connect : tavrek::doc::MaskConnectSecrets(connect);
  }
  // Text properties that hold a connect string (Connect, ODBCConnectStr, …) are masked too.
  std::string Text(const std::string& name, const std::string& value) const {
    return HoldsConnect(name) ? Connect(value) : value;
  }
  static bool HoldsConnect(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) c = static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    return folded.find("connect") != std::string::npos;
  }
};

std::string JsonNumber(double d) {
  if (!std::isfinite(d)) return "null";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, r.ptr);
}

std::string Hex(const std::vector<uint8_t>& data) {
  static const char* kDigits = "0123456789abcdef";
  std::string out = "0x";
  out.reserve(2 + data.size() * 2);
  for (uint8_t b : data) {
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

void WriteValue(TextOut& o, const std::string& name, const dao::PropertyValue& v, const Secrets& secrets) {
  if (const bool* b = std::get_if<bool>(&v)) {
    o << (*b ? "true" : "false");
  } else if (const int64_t* i = std::get_if<int64_t>(&v)) {
    o << *i;
  } else if (const double* d = std::get_if<double>(&v)) {
    o << JsonNumber(*d);
  } else if (const std::string* s = std::get_if<std::string>(&v)) {
    if (Secrets::HoldsConnect(name)) o << Quoted(secrets.Connect(*s)); else o << Quoted(*s);
  } else if (const dao::DateTime* t = std::get_if<dao::DateTime>(&v)) {
    o << *t;
  } else if (const dao::Bytes* bytes = std::get_if<dao::Bytes>(&v)) {
    o << '"' << Hex(bytes->data) << '"';
  } else {
    o << "null";
  }
}

// Stored properties as one JSON object, in stored order: those of the object model
// (dao::Properties) or of a plain description (PropertyInfo).
template <class List>
struct JsonProperties {
  const List& properties;
  const Secrets& secrets;
};
template <class List>
JsonProperties(const List&, const Secrets&) -> JsonProperties<List>;

const std::string& NameOf(const dao::Property& p) { return p.Name(); }
const dao::PropertyValue& ValueOf(const dao::Property& p) { return p.Value(); }
const std::string& NameOf(const dao::PropertyInfo& p) { return p.name; }
const dao::PropertyValue& ValueOf(const dao::PropertyInfo& p) { return p.value; }

template <class List>
TextOut& operator<<(TextOut& o, JsonProperties<List> j) {
  o << '{';
  bool first = true;
  for (const auto& p : j.properties) {
    if (!first) o << ", ";
    first = false;
    o << Quoted(NameOf(p)) << ": ";
    WriteValue(o, NameOf(p), ValueOf(p), j.secrets);
  }
  return o << '}';
}

std::string_view JsonBool(bool b) { return b ? std::string_view("true") : std::string_view("false"); }

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

}  // namespace

std::string SafeFileName(const std::string& name) {
  std::string out;
  for (char ch : name) {
    const unsigned char c = static_cast<unsigned char>(ch);
    const bool bad = c < 0x20 || c == 0x7F || std::string_view("/\\:*?\"<>|").find(ch) != std::string_view::npos;
    out += bad ? '_' : ch;
  }
  if (out.empty() || out == "." || out == "..") out = "_" + out;
  if (out.front() == '.') out.front() = '_';
  return out;
}

std::vector<std::pair<std::string, std::string>> VbaFiles(dao::Database& db) {
  std::vector<std::pair<std::string, std::string>> files;
  std::map<std::string, int> taken;  // lower-case file names already used
  auto add = [&](const std::string& name, const std::string& kind, const std::string& text) {
    if (text.empty()) return;
    const std::string ext = kind == "standard" ? ".bas" : ".cls";
    std::string base = SafeFileName(name);
    std::string file = base + ext;
    auto lower = [](std::string s) {
      for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      return s;
    };
    for (int n = 2; taken.count(lower(file)); ++n) file = base + "~" + std::to_string(n) + ext;
    taken[lower(file)] = 1;
    files.emplace_back(file, text);
  };
  for (const char* container : {"Modules", "Forms", "Reports"}) {
    const dao::Container* c = FindContainer(db, container);
    if (!c) continue;
    const std::string prefix = std::string(container) == "Forms"     ? "Form_"
                               : std::string(container) == "Reports" ? "Report_"
                                                                     : "";
    for (const auto& d : c->Documents()) add(prefix + d.Name(), d.Kind(), d.Text());
  }
  return files;
}

std::optional<Options> ParseArguments(const std::vector<std::string>& args, std::string& error) {
  Options o;
  std::vector<std::string> files;
  bool haveFile = false;
  bool endOfOptions = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!endOfOptions && a == "--") {
      endOfOptions = true;
      continue;
    }
    if (!endOfOptions && a.size() > 1 && a[0] == '-') {
      std::string name = a, value;
      bool inlineValue = false;
      if (auto eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
        name = a.substr(0, eq);
        value = a.substr(eq + 1);
        inlineValue = true;
      }
      const OptionSpec* spec = nullptr;
      for (const auto& s : kOptionTable)
        if (name == s.name) spec = &s;
      if (!spec) {
        error = "opzione sconosciuta: " + a;
        return std::nullopt;
      }
      if (spec->takesValue && !inlineValue) {
        if (i + 1 >= args.size()) {
          error = "manca il valore di " + name;
          return std::nullopt;
        }
        value = args[++i];
      } else if (!spec->takesValue && inlineValue) {
        error = name + " non accetta un valore";
        return std::nullopt;
      }
      if (std::string e = ApplyOption(spec->id, value, o); !e.empty()) {
        error = e;
        return std::nullopt;
      }
      continue;
    }
    files.push_back(a);
  }
  haveFile = !files.empty();
  if (o.help || o.version) return o;
  const int modes = (o.ddl ? 1 : 0) + (o.diff ? 1 : 0) + (o.inventory ? 1 : 0) + (o.pdf ? 1 : 0) +
                    (o.html ? 1 : 0) + (o.markdown ? 1 : 0);
  if (modes > 1) {
    error = "--ddl, --diff, --inventory, --html, --markdown e --pdf non si combinano";
    return std::nullopt;
  }
  if (o.diff) {
    if (files.size() != 2) {
      error = "--diff vuole due file di database";
      return std::nullopt;
    }
    o.file = files[0];
    o.fileB = files[1];
  } else if (o.inventory) {
    if (haveFile) {
      error = "--inventory vuole una cartella, non altri file: " + files[0];
      return std::nullopt;
    }
  } else {
    if (!haveFile) {
      error = "manca il file di database";
      return std::nullopt;
    }
    if (files.size() > 1) {
      error = "un solo file di database, prego: " + files[1];
      return std::nullopt;
    }
    o.file = files[0];
  }
  if ((o.passwordA || o.passwordB || o.counts) && !o.diff) {
    error = "--password-a, --password-b e --counts valgono solo con --diff";
    return std::nullopt;
  }
  if (o.jobs && !o.inventory) {
    error = "--jobs vale solo con --inventory";
    return std::nullopt;
  }
  if (o.ddl && !tavrek::doc::FindSqlDialect(*o.ddl)) {
    error = "dialetto SQL sconosciuto: " + *o.ddl + " (noti: " + tavrek::doc::SqlDialectNames() + ")";
    return std::nullopt;
  }
  if (!o.tables.empty() && !o.pdf) {
    error = "--table vale solo con --pdf";
    return std::nullopt;
  }
  if (int(o.json) + int(o.html) + int(o.markdown) + int(o.pdf.has_value()) > 1) {
    error = "una sola uscita tra --json, --html, --markdown e --pdf";
    return std::nullopt;
  }
  if (o.output && o.pdf) {
    error = "-o non vale con --pdf (il PDF va nel file di --pdf)";
    return std::nullopt;
  }
  return o;
}

std::string UsageText() {
  return "Uso: tavrek-dump [--password PW] [--json] [--show-secrets] FILE\n"
         "     tavrek-dump [--password PW] FILE --pdf OUT [--table NOME]...\n"
         "     tavrek-dump [--password PW] (--html | --markdown) FILE [-o OUT]\n"
         "     tavrek-dump [--password PW] --ddl sqlite|postgresql|mysql [-o OUT] FILE\n"
         "     tavrek-dump --diff [--password-a PW] [--password-b PW] [--json] [--counts] FILE_A FILE_B\n"
         "     tavrek-dump --inventory CARTELLA [--jobs N] [-o OUT]\n"
         "Elenca il catalogo di un database Access (.mdb, .accdb): tabelle, campi, indici e query.\n"
         "\n"
         "  --password PW  password del database\n"
         "  --json         documento JSON invece dell'elenco leggibile\n"
         "  --help         questo aiuto\n"
         "  --version      versione del programma\n"
         "  --pdf OUT      la stampa della struttura delle tabelle nel file PDF OUT\n"
         "  --table NOME   con --pdf: stampa questa tabella (ripetibile; senza, tutte)\n"
         "  --html         dizionario dei dati in una pagina HTML autonoma, con il diagramma\n"
         "                 delle relazioni\n"
         "  --markdown     dizionario dei dati in Markdown (diagramma Mermaid)\n"
         "  -o, --output OUT  scrive in OUT (per intero, poi rinominato) invece che sullo\n"
         "                 standard output\n"
         "  --vba DIR      scrive il codice VBA di ogni modulo in DIR/<nome>.bas o .cls\n"
         "  --show-secrets le password delle stringhe di connessione in chiaro (altrimenti PWD=***)\n"
         "  --ddl DIALETTO le CREATE TABLE delle tabelle per sqlite, postgresql o mysql\n"
         "                 (tipi, chiavi, indici, chiavi esterne dalle relazioni, commenti)\n"
         "  --diff         le differenze di struttura fra FILE_A e FILE_B: tabelle, campi,\n"
         "                 indici, relazioni e query aggiunti, tolti o cambiati\n"
         "  --password-a PW, --password-b PW  con --diff: le password dei due file\n"
         "  --counts       con --diff: confronta anche numero di record e date\n"
         "  --inventory CARTELLA  una riga JSON per ogni database Access sotto CARTELLA\n"
         "                 (riconosciuto dall'intestazione) e una riga di riepilogo\n"
         "  --jobs N       con --inventory: file esaminati in parallelo (di norma tutti i core)\n"
         "\n"
         "Stato di uscita: 0 riuscito, 1 argomenti errati, 2 errore del motore di database\n"
         "(\"Errore N\" e la descrizione sullo standard error), 3 uscita non scrivibile,\n"
         "4 (--ddl) struttura non esprimibile per quel server (nomi in conflitto o non ammessi).\n"
         "Con --diff, come diff(1): 0 strutture uguali, 1 diverse, 2 qualsiasi problema.\n"
         "Con --inventory: 0 cartella esaminata (i file illeggibili sono nelle righe JSON),\n"
         "2 cartella non leggibile, 3 uscita non scrivibile.\n"
         "Se una parte del catalogo (una tabella, il testo di una query) non si può leggere,\n"
         "non viene stampato nulla: l'elenco è completo o assente.\n";
}

std::string JsonString(const std::string& text) { return tavrek::doc::JsonString(text); }

namespace {

void WriteFields(TextOut& o, const std::vector<dao::FieldInfo>& fields, const Secrets& secrets) {
  o << '[';
  for (size_t f = 0; f < fields.size(); ++f) {
    const dao::FieldInfo& fd = fields[f];
    o << (f ? ",\n    {\"name\": " : "\n    {\"name\": ") << Quoted(fd.name) << ", \"type\": " << fd.type
      << ", \"size\": " << fd.size << ", \"attributes\": " << fd.attributes
      << ", \"required\": " << JsonBool(fd.required) << ", \"allowZeroLength\": " << JsonBool(fd.allowZeroLength)
      << ", \"properties\": " << JsonProperties{fd.properties, secrets} << '}';
  }
  o << ']';
}

void WriteIndexes(TextOut& o, const std::vector<dao::IndexInfo>& indexes) {
  o << '[';
  for (size_t x = 0; x < indexes.size(); ++x) {
    const dao::IndexInfo& ix = indexes[x];
    o << (x ? ", {\"name\": " : "{\"name\": ") << Quoted(ix.name) << ", \"fields\": [";
    for (size_t k = 0; k < ix.fields.size(); ++k) o << (k ? ", " : "") << Quoted(ix.fields[k]);
    o << "], \"primary\": " << JsonBool(ix.primary) << ", \"unique\": " << JsonBool(ix.unique)
      << ", \"ignoreNulls\": " << JsonBool(ix.ignoreNulls) << ", \"required\": " << JsonBool(ix.required)
      << ", \"foreign\": " << JsonBool(ix.foreign) << ", \"clustered\": " << JsonBool(ix.clustered)
      << ", \"descending\": [";
    for (size_t k = 0; k < ix.fields.size(); ++k)
      o << (k ? ", " : "") << JsonBool(k < ix.descending.size() && ix.descending[k]);
    o << "]}";
  }
  o << ']';
}

void WriteTables(TextOut& o, dao::Database& db, const Secrets& secrets) {
  const auto& defs = db.TableDefs();
  o << '[';
  for (int i = 0; i < defs.Count(); ++i) {
    // One table at a time: a large database's definitions are not all held at once.
    const dao::TableDef& t = defs.Item(i);
    std::optional<dao::TableDetail> detail;
    if (!t.IsLinked()) detail = db.DescribeTable(t);
    o << (i ? ",\n  {\"name\": " : "\n  {\"name\": ") << Quoted(t.Name())
      << ", \"system\": " << JsonBool(t.IsSystem()) << ", \"linked\": " << JsonBool(t.IsLinked())
      << ", \"recordCount\": ";
    if (detail) o << detail->recordCount; else o << "null";
    o << ", \"dateCreated\": " << t.DateCreated() << ", \"lastUpdated\": " << t.LastUpdated()
      << ",\n   \"properties\": " << JsonProperties{t.Properties(), secrets};
    if (t.IsLinked())
      o << ",\n   \"connect\": " << Quoted(secrets.Connect(t.Connect()))
        << ", \"sourceTableName\": " << Quoted(t.SourceTableName());
    o << ",\n   \"fields\": ";
    if (detail) WriteFields(o, detail->fields, secrets); else o << "null";
    o << ",\n   \"indexes\": ";
    if (detail) WriteIndexes(o, detail->indexes); else o << "null";
    o << '}';
  }
  o << (defs.Count() == 0 ? "]" : "\n ]");
}

void WriteQueries(TextOut& o, dao::Database& db, const Secrets& secrets) {
  const auto& queries = db.QueryDefs();
  o << '[';
  for (int i = 0; i < queries.Count(); ++i) {
    const dao::QueryDef& q = queries.Item(i);
    o << (i ? ",\n  " : "\n  ") << "{\"name\": " << Quoted(q.Name()) << ", \"type\": " << q.Type()
      << ", \"dateCreated\": " << q.DateCreated() << ", \"lastUpdated\": " << q.LastUpdated()
      << ",\n   \"sql\": " << Quoted(q.SQL())
      << ",\n   \"properties\": " << JsonProperties{q.Properties(), secrets} << ", \"parameters\": [";
    const auto& parameters = q.Parameters();
    for (int k = 0; k < parameters.Count(); ++k)
      o << (k ? ", " : "") << "{\"name\": " << Quoted(parameters.Item(k).Name())
        << ", \"type\": " << parameters.Item(k).Type() << '}';
    o << "]}";
  }
  o << (queries.Count() ? "\n ]" : "]");
}

void WriteRelations(TextOut& o, dao::Database& db) {
  const auto& relations = db.Relations();
  o << '[';
  for (int i = 0; i < relations.Count(); ++i) {
    const dao::Relation& r = relations.Item(i);
    o << (i ? ",\n  " : "\n  ") << "{\"name\": " << Quoted(r.Name()) << ", \"table\": " << Quoted(r.Table())
      << ", \"foreignTable\": " << Quoted(r.ForeignTable()) << ", \"attributes\": " << r.Attributes()
      << ", \"fields\": [";
    for (int k = 0; k < r.Fields().Count(); ++k)
      o << (k ? ", " : "") << "{\"name\": " << Quoted(r.Fields().Item(k).Name())
        << ", \"foreignName\": " << Quoted(r.Fields().Item(k).ForeignName()) << '}';
    o << "]}";
  }
  o << (relations.Count() ? "\n ]" : "]");
}

}  // namespace

namespace {

// A guess at the size of a database's JSON document: two kibibytes a table is less than most
// tables take with their fields and indexes, enough to tell a catalogue of a thousand tables.
size_t ExpectedJsonSize(dao::Database& db) { return static_cast<size_t>(db.TableDefs().Count()) << 11; }

void WriteJsonDocument(TextOut& o, dao::Database& db, bool showSecrets) {
  const Secrets secrets{showSecrets};
  o << "{\"format\": " << Quoted(db.Format())
    << ",\n \"properties\": " << JsonProperties{db.Properties(), secrets} << ",\n \"tables\": ";
  WriteTables(o, db, secrets);
  o << ",\n \"queries\": ";
  WriteQueries(o, db, secrets);
  o << ",\n \"relations\": ";
  WriteRelations(o, db);
  o << ",\n \"containers\": ";
  WriteContainers(o, db);
  o << ",\n \"references\": ";
  WriteReferences(o, db);
  o << "}\n";
}

}  // namespace

std::string JsonDocument(dao::Database& db, bool showSecrets) {
  TextOut o(ExpectedJsonSize(db));
  WriteJsonDocument(o, db, showSecrets);
  return o.str();
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

namespace {

// Writes a finished output to -o OUT or to `out`. Returns 0, or 3 with the message on `err`.
int Emit(std::string_view text, const Options& o, std::ostream& out, std::ostream& err) {
  std::string error;
  if (o.output) {
    if (!WriteFileAtomically(*o.output, text, error)) {
      err << "tavrek-dump: " << error << '\n';
      return 3;
    }
    return 0;
  }
  out << text;
  out.flush();
  if (!out) {
    err << "tavrek-dump: impossibile scrivere l'uscita\n";
    return 3;
  }
  return 0;
}

std::optional<std::string> ConnectFor(const std::optional<std::string>& password) {
  if (!password) return std::nullopt;
  return ";" + *password;
}

// --diff: every trouble is status 2, as diff(1) has it.
int RunDiff(const Options& o, std::ostream& out, std::ostream& err, const Opener& open) {
  std::error_code ec;
  if (o.file == o.fileB || std::filesystem::equivalent(o.file, o.fileB, ec)) {
    err << "tavrek-dump: --diff: lo stesso file indicato due volte: " << o.file << '\n';
    return 2;
  }
  std::shared_ptr<dao::Database> a, b;
  try {
    a = open(o.file, ConnectFor(o.passwordA ? o.passwordA : o.password));
    try {
      b = open(o.fileB, ConnectFor(o.passwordB ? o.passwordB : o.password));
    } catch (const dao::Error&) {
      err << "tavrek-dump: " << o.fileB << '\n';
      throw;
    }
    tavrek::doc::DiffOptions options;
    options.counts = o.counts;
    options.showSecrets = o.showSecrets;
    auto changes = tavrek::doc::DiffStructure(*a, *b, options);
    a->Close();
    b->Close();
    std::string text = o.json ? tavrek::doc::DiffJson(changes, o.file, o.fileB)
                              : tavrek::doc::DiffText(changes, o.file, o.fileB);
    if (Emit(text, o, out, err) != 0) return 2;
    return changes.empty() ? 0 : 1;
  } catch (const dao::Error& e) {
    if (a) a->Close();
    if (b) b->Close();
    if (!a) err << "tavrek-dump: " << o.file << '\n';
    err << "Errore " << e.Number() << '\n' << e.Description() << '\n';
    return 2;
  }
}

int RunInventory(const Options& o, std::ostream& out, std::ostream& err, const Opener& open) {
  tavrek::doc::InventoryOptions options;
  options.jobs = o.jobs;
  options.showSecrets = o.showSecrets;
  options.progress = &err == &std::cerr && ::isatty(STDERR_FILENO);
  auto openFile = [&open](const std::string& path) { return open(path, std::nullopt); };
  // With -o the lines are gathered and the file written whole at the end; otherwise each line
  // goes out as soon as it is ready.
  std::ostringstream gathered;
  std::ostream& sink = o.output ? static_cast<std::ostream&>(gathered) : out;
  try {
    tavrek::doc::RunInventory(*o.inventory, options, openFile, sink, err);
  } catch (const std::runtime_error& e) {
    err << "tavrek-dump: " << e.what() << '\n';
    return 2;
  }
  if (o.output) return Emit(gathered.str(), o, out, err);
  out.flush();
  if (!out) {
    err << "tavrek-dump: impossibile scrivere l'uscita\n";
    return 3;
  }
  return 0;
}

}  // namespace

bool WriteVbaFiles(const std::string& dir,
                   const std::vector<std::pair<std::string, std::string>>& files,
                   std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    error = "impossibile creare la cartella " + dir + ": " + ec.message();
    return false;
  }
  for (const auto& [name, text] : files)
    if (!WriteFileAtomically((std::filesystem::path(dir) / name).string(), text, error)) return false;
  return true;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const Opener& open, const PdfWriter& pdf) {
  std::string usageError;
  std::optional<Options> opts = ParseArguments(args, usageError);
  if (!opts) {
    err << "tavrek-dump: " << usageError << "\n" << UsageText();
    // diff(1) reports every trouble as 2.
    for (const auto& a : args)
      if (a == "--diff") return 2;
    return 1;
  }
  if (opts->help) {
    out << UsageText();
    return 0;
  }
  if (opts->version) {
    out << "tavrek-dump " << kVersion << '\n';
    return 0;
  }
  if (opts->pdf && !pdf) {
    err << "tavrek-dump: --pdf non disponibile: programma compilato senza interfaccia grafica\n";
    return 1;
  }
  if (opts->diff) return RunDiff(*opts, out, err, open);
  if (opts->inventory) return RunInventory(*opts, out, err, open);
  std::shared_ptr<dao::Database> db;
  try {
    db = open(opts->file, ConnectFor(opts->password));
    if (opts->pdf) {
      std::string error;
      bool written = pdf(*db, *opts, error);
      db->Close();
      if (!written) {
        err << "tavrek-dump: " << error << '\n';
        return 3;
      }
      return 0;
    }
    // The whole output is built before anything is written: a dump is complete or absent.
    std::string text;
    std::optional<tavrek::doc::TextOut> json;  // a JSON document is written out from where it is built
    if (opts->html || opts->markdown) {
      const tavrek::doc::Dictionary dictionary = tavrek::doc::ReadDictionary(*db);
      text = opts->html ? tavrek::doc::HtmlDictionary(dictionary, {opts->showSecrets})
                        : tavrek::doc::MarkdownDictionary(dictionary, {opts->showSecrets});
    } else if (opts->ddl) {
      tavrek::doc::DdlOptions options;
      options.showSecrets = opts->showSecrets;
      text = tavrek::doc::WriteDdl(*db, *tavrek::doc::FindSqlDialect(*opts->ddl), options);
    } else if (opts->json) {
      json.emplace(ExpectedJsonSize(*db));
      WriteJsonDocument(*json, *db, opts->showSecrets);
    } else {
      text = TextListing(*db, opts->showSecrets);
    }
    std::vector<std::pair<std::string, std::string>> vbaFiles;
    if (opts->vba) vbaFiles = VbaFiles(*db);
    db->Close();
    if (opts->vba) {
      std::string error;
      if (!WriteVbaFiles(*opts->vba, vbaFiles, error)) {
        err << "tavrek-dump: " << error << '\n';
        return 3;
      }
    }
    return Emit(json ? json->view() : std::string_view(text), *opts, out, err);
  } catch (const dao::Error& e) {
    if (db) db->Close();
    err << "Errore " << e.Number() << '\n' << e.Description() << '\n';
    return 2;
  } catch (const tavrek::doc::DdlError& e) {
    if (db) db->Close();
    err << "tavrek-dump: " << e.what() << '\n';
    return 4;
  }
}

}  // namespace tavrek::dump
