#include "tools/dump.h"

#include "documenter/dictionary.h"
#include "documenter/html.h"
#include "documenter/markdown.h"
#include "documenter/ddl.h"
#include "documenter/readiness.h"
#include "documenter/diff.h"
#include "documenter/inventory.h"
#include "documenter/json.h"
#include "documenter/json_document.h"
#include "documenter/listing.h"
#include "documenter/vba_files.h"
#include "documenter/sql_dialect.h"
#include "documenter/names.h"
#include "documenter/references.h"
#include "documenter/secrets.h"
#include "documenter/text_out.h"
#include "documenter/output_file.h"
#include "documenter/csv.h"
#include "documenter/data_script.h"
#include "documenter/sqlite_export.h"

#include <stdlib.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
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
  kDdl, kDiff, kPasswordA, kPasswordB, kCounts, kInventory, kJobs, kVba, kCsv, kSalvage, kSqlite, kData,
  kSaveAsText, kNoViews, kReadiness, kSystem
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
    {"--saveastext", true, Opt::kSaveAsText},
    {"--show-secrets", false, Opt::kShowSecrets},
    {"--ddl", true, Opt::kDdl},
    {"--no-views", false, Opt::kNoViews},
    {"--readiness", true, Opt::kReadiness},
    {"--diff", false, Opt::kDiff},
    {"--password-a", true, Opt::kPasswordA},
    {"--password-b", true, Opt::kPasswordB},
    {"--counts", false, Opt::kCounts},
    {"--system", false, Opt::kSystem},
    {"--inventory", true, Opt::kInventory},
    {"--jobs", true, Opt::kJobs},
    {"--csv", true, Opt::kCsv},
    {"--salvage", false, Opt::kSalvage},
    {"--sqlite", true, Opt::kSqlite},
    {"--data", false, Opt::kData},
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
    case Opt::kSaveAsText: o.saveAsText = value; break;
    case Opt::kShowSecrets: o.showSecrets = true; break;
    case Opt::kDdl: o.ddl = value; break;
    case Opt::kNoViews: o.noViews = true; break;
    case Opt::kReadiness: o.readiness = value; break;
    case Opt::kDiff: o.diff = true; break;
    case Opt::kSystem: o.system = true; break;
    case Opt::kPasswordA: o.passwordA = value; break;
    case Opt::kPasswordB: o.passwordB = value; break;
    case Opt::kCounts: o.counts = true; break;
    case Opt::kInventory: o.inventory = value; break;
    case Opt::kCsv: o.csv = value; break;
    case Opt::kSalvage: o.salvage = true; break;
    case Opt::kSqlite: o.sqlite = value; break;
    case Opt::kData: o.data = true; break;
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

}  // namespace

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
  const int modes = (o.readiness ? 1 : 0) + (o.ddl ? 1 : 0) + (o.diff ? 1 : 0) + (o.inventory ? 1 : 0) +
                    (o.pdf ? 1 : 0) + (o.html ? 1 : 0) + (o.markdown ? 1 : 0) + (o.csv ? 1 : 0) +
                    (o.sqlite ? 1 : 0);
  if (modes > 1) {
    error = "--ddl, --diff, --inventory, --html, --markdown, --pdf, --csv e --sqlite non si combinano";
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
  if ((o.passwordA || o.passwordB || o.counts || o.system) && !o.diff) {
    error = "--password-a, --password-b, --counts e --system valgono solo con --diff";
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
  if (o.readiness) {
    if (o.output) {
      error = "--readiness scrive nel suo file: non vale con -o";
      return std::nullopt;
    }
    o.output = o.readiness;
  }
  if (o.noViews && !o.ddl) {
    error = "--no-views vale solo con --ddl";
    return std::nullopt;
  }
  if (o.data && !o.ddl) {
    error = "--data vale solo con --ddl";
    return std::nullopt;
  }
  const bool rows = o.csv || o.sqlite || o.data;
  if (!o.tables.empty() && !o.pdf && !rows) {
    error = "--table vale solo con --pdf, --csv, --sqlite e --ddl --data";
    return std::nullopt;
  }
  if (o.salvage && !rows) {
    error = "--salvage vale solo con --csv, --sqlite e --ddl --data";
    return std::nullopt;
  }
  if (o.sqlite && (o.json || o.output)) {
    error = "--sqlite scrive nel suo file: non vale con --json o -o";
    return std::nullopt;
  }
  if (o.csv && (o.json || o.output)) {
    error = "--csv scrive nella sua cartella: non vale con --json o -o";
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
         "     tavrek-dump [--password PW] --ddl sqlite|postgresql|mysql [--no-views] [--data [--table NOME]...\n"
         "                 [--salvage]] [-o OUT] FILE\n"
         "     tavrek-dump [--password PW] --sqlite OUT [--table NOME]... [--salvage] FILE\n"
         "     tavrek-dump [--password PW] --readiness OUT [--json] FILE\n"
         "     tavrek-dump --diff [--password-a PW] [--password-b PW] [--json] [--counts] [--system]\n"
         "                 FILE_A FILE_B\n"
         "     tavrek-dump --inventory CARTELLA [--jobs N] [-o OUT]\n"
         "     tavrek-dump [--password PW] --csv CARTELLA [--table NOME]... [--salvage] FILE\n"
         "Elenca il catalogo di un database Access (.mdb, .accdb): tabelle, campi, indici e query.\n"
         "\n"
         "  --password PW  password del database\n"
         "  --json         documento JSON invece dell'elenco leggibile\n"
         "  --help         questo aiuto\n"
         "  --version      versione del programma\n"
         "  --pdf OUT      la stampa della struttura delle tabelle nel file PDF OUT\n"
         "  --table NOME   con --pdf, --csv, --sqlite e --data: solo questa tabella (ripetibile;\n"
         "                 senza, tutte)\n"
         "  --html         dizionario dei dati in una pagina HTML autonoma, con il diagramma\n"
         "                 delle relazioni\n"
         "  --markdown     dizionario dei dati in Markdown (diagramma Mermaid)\n"
         "  -o, --output OUT  scrive in OUT (per intero, poi rinominato; i permessi di un file\n"
         "                 esistente restano) invece che sullo standard output; un dispositivo,\n"
         "                 una pipe o - (standard output) sono scritti direttamente\n"
         "  --vba DIR      scrive il codice VBA di ogni modulo in DIR/<nome>.bas o .cls\n"
         "  --saveastext DIR  maschere, report, macro, query e moduli come li esporta\n"
         "                 SaveAsText di Access: DIR/forms, reports, macros, queries, modules\n"
         "  --show-secrets le password delle stringhe di connessione in chiaro (altrimenti PWD=***)\n"
         "  --ddl DIALETTO le CREATE TABLE delle tabelle per sqlite, postgresql o mysql\n"
         "                 (tipi, chiavi, indici, chiavi esterne dalle relazioni, commenti),\n"
         "                 poi le query come viste (o come commenti che dicono perché no)\n"
         "  --no-views     con --ddl: senza le viste\n"
         "  --readiness OUT  in OUT, per tabella e query, cosa non passa da solo a SQLite,\n"
         "                 PostgreSQL o MySQL e perché, con un riepilogo (JSON con --json)\n"
         "  --diff         le differenze di struttura fra FILE_A e FILE_B: tabelle, campi,\n"
         "                 indici, relazioni e query aggiunti, tolti o cambiati\n"
         "  --password-a PW, --password-b PW  con --diff: le password dei due file\n"
         "  --counts       con --diff: confronta anche numero di record e date\n"
         "  --system       con --diff: anche le relazioni fra tabelle di sistema\n"
         "  --inventory CARTELLA  una riga JSON per ogni database Access sotto CARTELLA\n"
         "                 (riconosciuto dall'intestazione o dal nome .mdb, .mde, .accdb,\n"
         "                 .accde; con il suo errore se illeggibile) e una riga di riepilogo\n"
         "  --jobs N       con --inventory: file esaminati in parallelo (di norma tutti i core)\n"
         "  --csv CARTELLA i dati: un file CSV (RFC 4180, UTF-8, righe chiuse da CR LF) per\n"
         "                 tabella in CARTELLA, con la riga dei nomi dei campi; date ISO 8601,\n"
         "                 Currency e Decimal esatti, dati binari (Binary, OLE, allegati) in\n"
         "                 esadecimale; i file compaiono solo a lettura completa\n"
         "  --data         con --ddl: anche le righe, in un solo script per sqlite3, psql o\n"
         "                 mysql (COPY per PostgreSQL, INSERT a più righe per MySQL), poi\n"
         "                 contatori, indici e chiavi esterne; allegati e campi multivalore in\n"
         "                 tabelle figlie \"<tabella>_<campo>\"\n"
         "  --sqlite OUT   le tabelle e le loro righe in un database SQLite OUT, scritto per\n"
         "                 intero e poi rinominato\n"
         "  --salvage      con --csv, --sqlite e --data: scrive le righe leggibili e riporta\n"
         "                 per tabella quelle perse e perché (senza, una riga illeggibile\n"
         "                 ferma tutto)\n"
         "\n"
         "Stato di uscita: 0 riuscito, 1 argomenti errati, 2 errore del motore di database\n"
         "(\"Errore N\" e la descrizione sullo standard error), 3 uscita non scrivibile,\n"
         "4 (--ddl, --sqlite) struttura o valore non esprimibile per quel server (nomi in conflitto\n"
         "o non ammessi, una data prima del 1000 per MySQL, il carattere NUL per PostgreSQL).\n"
         "Con --diff, come diff(1): 0 strutture uguali, 1 diverse, 2 qualsiasi problema.\n"
         "Con --inventory: 0 cartella esaminata (i file illeggibili sono nelle righe JSON),\n"
         "2 cartella non leggibile, 3 uscita non scrivibile.\n"
         "Se una parte del catalogo (una tabella, il testo di una query) non si può leggere,\n"
         "non viene stampato nulla: l'elenco è completo o assente.\n";
}

std::string JsonString(const std::string& text) { return tavrek::doc::JsonString(text); }

namespace {

// Writes a finished output to -o OUT or to `out` ("-o -" is `out` too). Returns 0, or 3 with the
// message on `err`.
int Emit(std::string_view text, const Options& o, std::ostream& out, std::ostream& err) {
  std::string error;
  if (o.output && *o.output != "-") {
    if (!tavrek::doc::WriteOutputFile(*o.output, text, {o.showSecrets}, error)) {
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
    options.system = o.system;
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

// A folder of our own under the system's temporary folder, removed with what it holds.
class PrivateFolder {
 public:
  PrivateFolder() {
    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "tavrek-dump-XXXXXX").string();
    if (ec) pattern = "/tmp/tavrek-dump-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data())) path_ = name.data();
    else error_ = errno;
  }
  ~PrivateFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  const std::string& path() const { return path_; }  // empty when it could not be made
  int error() const { return error_; }

 private:
  std::string path_;
  int error_ = 0;
};

// --pdf: the report drawn into a private temporary file and read back, so that OUT is written only
// once the report is whole (and as -o writes: through a device or pipe, keeping a file's mode).
// nullopt with `error` when it could not be drawn; raises dao::Error from the engine.
std::optional<std::string> PdfReport(dao::Database& db, const Options& o, const PdfWriter& pdf,
                                     std::string& error) {
  PrivateFolder folder;
  if (folder.path().empty()) {
    error = std::string("impossibile creare una cartella temporanea: ") + std::strerror(folder.error());
    return std::nullopt;
  }
  const std::string path = folder.path() + "/report.pdf";
  if (!pdf(db, o, path, error)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (!in || !bytes) {
    error = "impossibile rileggere il PDF temporaneo " + path;
    return std::nullopt;
  }
  return std::move(bytes).str();
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
  const bool toFile = o.output && *o.output != "-";
  std::ostream& sink = toFile ? static_cast<std::ostream&>(gathered) : out;
  try {
    tavrek::doc::RunInventory(*o.inventory, options, openFile, sink, err);
  } catch (const std::runtime_error& e) {
    err << "tavrek-dump: " << e.what() << '\n';
    return 2;
  }
  if (toFile) return Emit(gathered.str(), o, out, err);
  out.flush();
  if (!out) {
    err << "tavrek-dump: impossibile scrivere l'uscita\n";
    return 3;
  }
  return 0;
}

// --sqlite and --ddl … --data: the rows of the tables, streamed. Engine and DDL errors are left to
// the caller.
int RunData(const Options& o, dao::Database& db, std::ostream& out, std::ostream& err) {
  tavrek::doc::DataOptions options;
  options.ddl.showSecrets = o.showSecrets;
  options.ddl.tables = o.tables;
  if (&err == &std::cerr && ::isatty(STDERR_FILENO)) options.progress = tavrek::doc::ProgressLine(err);
  const bool salvage = o.salvage;
  auto rows = [&db, salvage](const std::string& table) { return db.OpenRows(table, salvage); };
  std::vector<tavrek::doc::TableReport> reports;
  std::string error;
  bool written = true;
  if (o.sqlite) {
    written = tavrek::doc::ExportSqlite(db, rows, *o.sqlite, options, reports, error);
  } else if (o.output) {
    tavrek::doc::AtomicFile file;
    written = file.Open(*o.output, error);
    if (written) {
      tavrek::doc::AtomicFileStream stream(file);
      reports = tavrek::doc::WriteDataScript(db, *tavrek::doc::FindSqlDialect(*o.ddl), rows, stream,
                                             options);
      stream.flush();
      if (!stream) error = stream.Error();
      written = stream && file.Close(error) && file.Publish(error);
    }
  } else {
    reports = tavrek::doc::WriteDataScript(db, *tavrek::doc::FindSqlDialect(*o.ddl), rows, out,
                                           options);
    out.flush();
    if (!out) {
      written = false;
      error = "impossibile scrivere l'uscita";
    }
  }
  if (options.progress) err << '\n';
  tavrek::doc::ReportRequiredGaps(reports, err);
  tavrek::doc::ReportLostRows(reports, err);
  db.Close();
  if (!written) {
    err << "tavrek-dump: " << error << '\n';
    return 3;
  }
  return 0;
}

}  // namespace


namespace {

int RunArguments(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
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
      std::optional<std::string> report = PdfReport(*db, *opts, pdf, error);
      db->Close();
      if (!report || !tavrek::doc::WriteOutputFile(*opts->pdf, *report, {}, error)) {
        err << "tavrek-dump: " << error << '\n';
        return 3;
      }
      return 0;
    }
    if (opts->csv) {
      tavrek::doc::CsvOptions options;
      options.tables = opts->tables;
      options.salvage = opts->salvage;
      options.progress = &err == &std::cerr && ::isatty(STDERR_FILENO);
      std::string error;
      const bool written = tavrek::doc::WriteCsvFiles(*db, *opts->csv, options, err, error);
      db->Close();
      if (!written) {
        err << "tavrek-dump: " << error << '\n';
        return 3;
      }
      return 0;
    }
    if (opts->sqlite || (opts->ddl && opts->data)) return RunData(*opts, *db, out, err);
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
      options.views = !opts->noViews;
      text = tavrek::doc::WriteDdl(*db, *tavrek::doc::FindSqlDialect(*opts->ddl), options);
    } else if (opts->readiness) {
      const tavrek::doc::ReadinessReport report = tavrek::doc::BuildReadiness(*db);
      text = opts->json ? tavrek::doc::ReadinessJson(report) : tavrek::doc::ReadinessText(report);
    } else if (opts->json) {
      json.emplace(tavrek::doc::ExpectedJsonSize(*db));
      tavrek::doc::WriteJsonDocument(*json, *db, opts->showSecrets);
    } else {
      text = TextListing(*db, opts->showSecrets);
    }
    std::vector<std::pair<std::string, std::string>> vbaFiles;
    if (opts->vba) vbaFiles = VbaFiles(*db);
    std::vector<std::pair<std::string, std::string>> exportFiles;
    std::vector<std::string> skipped;
    if (opts->saveAsText) exportFiles = tavrek::doc::SaveAsTextFiles(*db, skipped);
    db->Close();
    if (opts->vba) {
      std::string error;
      if (!WriteVbaFiles(*opts->vba, vbaFiles, error)) {
        err << "tavrek-dump: " << error << '\n';
        return 3;
      }
    }
    if (opts->saveAsText) {
      std::string error;
      if (!tavrek::doc::WriteSaveAsTextFiles(*opts->saveAsText, exportFiles, error)) {
        err << "tavrek-dump: " << error << '\n';
        return 3;
      }
      for (const std::string& s : skipped) err << "tavrek-dump: non esportato: " << s << '\n';
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

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const Opener& open, const PdfWriter& pdf) {
  // The last word on anything the modes above did not expect: reported, never an abort.
  try {
    return RunArguments(args, out, err, open, pdf);
  } catch (const dao::Error& e) {
    err << "Errore " << e.Number() << '\n' << e.Description() << '\n';
  } catch (const std::exception& e) {
    err << "tavrek-dump: errore inatteso: " << e.what() << '\n';
  } catch (...) {
    err << "tavrek-dump: errore inatteso\n";
  }
  return 2;
}

}  // namespace tavrek::dump
