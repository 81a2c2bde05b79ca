// tavrek-dump's logic on databases built in memory: the JSON document's shape and escaping, the
// text listing, the command line and the all-or-nothing error handling.
#include "tools/dump.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/tools/json.h"

namespace {

namespace dump = tavrek::dump;

dao::DateTime Date(double days) { return dao::DateTime{days}; }

// A catalogue source serving fixed definitions; a table or query index in `failTable` /
// `failQuery` raises a damaged-file error when loaded.
class FakeSource : public dao::CatalogueSource {
 public:
  std::string format = "Jet4";
  std::vector<dao::TableDetail> details;
  std::vector<std::string> sql;
  int failTable = -1;
  int failQuery = -1;
  std::vector<dao::ContainerInfo> containers;
  std::string Format() const override { return format; }
  std::vector<dao::ContainerInfo> LoadContainers() override { return containers; }
  dao::TableDetail LoadTable(size_t i) override {
    if (static_cast<int>(i) == failTable) throw dao::Error(dao::kErrCorrupt, "File danneggiato.");
    return details.at(i);
  }
  std::string LoadSql(size_t i) override {
    if (static_cast<int>(i) == failQuery) throw dao::Error(dao::kErrCorrupt, "File danneggiato.");
    return sql.at(i);
  }
};

struct FakeDb {
  std::vector<dao::TableInfo> tables;
  std::vector<dao::QueryInfo> queries;
  std::unique_ptr<FakeSource> source = std::make_unique<FakeSource>();
  std::shared_ptr<dao::Database> Build(const std::string& name = "C:\\dati\\prova.mdb") {
    return dao::Database::Create(name, tables, queries, std::move(source));
  }
};

// Two local tables given out of order (the engine sorts them), one linked table, two queries.
FakeDb SampleDb() {
  FakeDb f;
  dao::TableInfo orders{"ordini", false, false, "", "", Date(36526.5), Date(36527.75)};
  dao::TableInfo sys{"MSysObjects", true, false, "", "", Date(36526.0), Date(36526.0)};
  dao::TableInfo linked{"Clienti", false, true, "C:\\altro.mdb", "Anagrafica", Date(36530.25),
                        Date(36531.0)};
  f.tables = {orders, sys, linked};
  dao::TableDetail od;
  od.recordCount = 1234567;
  od.fields = {{"ID", dao::dbLong, 4}, {"Descrizione \"breve\"", dao::dbText, 50},
               {"Nota", dao::dbMemo, 0}};
  od.indexes = {{"PrimaryKey", {"ID"}}, {"Composto", {"Nota", "ID"}}};
  dao::TableDetail sd;
  sd.recordCount = 12;
  sd.fields = {{"Id", dao::dbLong, 4}};
  f.source->details = {od, sd, {}};
  f.queries = {{"~sq_cForm", dao::dbQSelect, Date(36600.0), Date(36601.0)},
               {"Aggiorna", dao::dbQUpdate, Date(36602.5), Date(36603.0)}};
  f.source->sql = {"SELECT *\r\nFROM ordini;", "UPDATE ordini SET Nota = \"x\\y\"\r\nWHERE ID=1;"};
  return f;
}

// A temporary folder removed with everything in it.
struct ScratchDir {
  std::string path;
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrek-dump-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~ScratchDir() { std::filesystem::remove_all(path); }
};

struct RunResult {
  int status;
  std::string out, err;
  std::optional<std::string> connect;
  std::string path;
};

RunResult RunWith(FakeDb& f, std::vector<std::string> args) {
  RunResult r;
  auto db = f.Build();
  std::ostringstream out, err;
  r.status = dump::Run(args, out, err, [&](const std::string& path, const std::optional<std::string>& c) {
    r.path = path;
    r.connect = c;
    return db;
  });
  r.out = out.str();
  r.err = err.str();
  return r;
}

TEST(DumpJson, DocumentHasTheFixedShapeInEngineOrder) {
  FakeDb f = SampleDb();
  auto db = f.Build();
  testjson::Value doc = testjson::Parse(tavrek::dump::JsonDocument(*db));

  EXPECT_EQ(doc.Keys(), (std::vector<std::string>{"format", "tables", "queries", "containers",
                                                 "references"}));
  EXPECT_EQ(doc["format"].string, "Jet4");

  const auto& tables = doc["tables"].array;
  ASSERT_EQ(tables.size(), 3u);
  EXPECT_EQ(tables[0]["name"].string, "Clienti");
  EXPECT_EQ(tables[1]["name"].string, "MSysObjects");
  EXPECT_EQ(tables[2]["name"].string, "ordini");
  for (const auto& t : tables)
    EXPECT_EQ(t.Keys(), (std::vector<std::string>{"name", "system", "linked", "recordCount",
                                                  "dateCreated", "lastUpdated", "fields",
                                                  "indexes"}));

  const auto& linked = tables[0];
  EXPECT_TRUE(linked["linked"].boolean);
  EXPECT_FALSE(linked["system"].boolean);
  EXPECT_TRUE(linked["recordCount"].IsNull());
  EXPECT_TRUE(linked["fields"].IsNull());
  EXPECT_TRUE(linked["indexes"].IsNull());
  EXPECT_EQ(linked["dateCreated"].string, "2000-01-05T06:00:00");

  EXPECT_TRUE(tables[1]["system"].boolean);
  EXPECT_EQ(tables[1]["recordCount"].number, 12);

  const auto& orders = tables[2];
  EXPECT_EQ(orders["recordCount"].number, 1234567);
  EXPECT_EQ(orders["dateCreated"].string, "2000-01-01T12:00:00");
  EXPECT_EQ(orders["lastUpdated"].string, "2000-01-02T18:00:00");
  ASSERT_EQ(orders["fields"].array.size(), 3u);
  EXPECT_EQ(orders["fields"][1].Keys(), (std::vector<std::string>{"name", "type", "size"}));
  EXPECT_EQ(orders["fields"][1]["name"].string, "Descrizione \"breve\"");
  EXPECT_EQ(orders["fields"][1]["type"].number, 10);
  EXPECT_EQ(orders["fields"][1]["size"].number, 50);
  EXPECT_EQ(orders["fields"][2]["type"].number, 12);
  ASSERT_EQ(orders["indexes"].array.size(), 2u);
  EXPECT_EQ(orders["indexes"][1].Keys(), (std::vector<std::string>{"name", "fields"}));
  EXPECT_EQ(orders["indexes"][1]["name"].string, "Composto");
  ASSERT_EQ(orders["indexes"][1]["fields"].array.size(), 2u);
  EXPECT_EQ(orders["indexes"][1]["fields"][0].string, "Nota");
  EXPECT_EQ(orders["indexes"][1]["fields"][1].string, "ID");

  const auto& queries = doc["queries"].array;
  ASSERT_EQ(queries.size(), 2u);
  EXPECT_EQ(queries[0]["name"].string, "Aggiorna");
  EXPECT_EQ(queries[0].Keys(),
            (std::vector<std::string>{"name", "type", "dateCreated", "lastUpdated", "sql"}));
  EXPECT_EQ(queries[0]["type"].number, 48);
  EXPECT_EQ(queries[0]["sql"].string, "UPDATE ordini SET Nota = \"x\\y\"\r\nWHERE ID=1;");
  EXPECT_EQ(queries[0]["dateCreated"].string, "2000-03-17T12:00:00");
  EXPECT_EQ(queries[1]["name"].string, "~sq_cForm");
}

TEST(DumpJson, EmptyDatabaseIsAValidDocument) {
  FakeDb f;
  f.source->format = "ACE12";
  auto db = f.Build();
  testjson::Value doc = testjson::Parse(tavrek::dump::JsonDocument(*db));
  EXPECT_EQ(doc["format"].string, "ACE12");
  EXPECT_EQ(doc["tables"].kind, testjson::Value::kArray);
  EXPECT_TRUE(doc["tables"].array.empty());
  EXPECT_TRUE(doc["queries"].array.empty());
}

TEST(DumpJson, StringEscaping) {
  using tavrek::dump::JsonString;
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString("r\r\nt\t"), "\"r\\r\\nt\\t\"");
  EXPECT_EQ(JsonString(std::string("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\x7f\"");
  EXPECT_EQ(JsonString(std::string("nul\0x", 5)), "\"nul\\u0000x\"");
  // Non-ASCII passes through as UTF-8, up to four-byte sequences.
  EXPECT_EQ(JsonString("Città €𝄞"), "\"Città €𝄞\"");
  // Invalid UTF-8 (a lone Latin-1 byte, a truncated sequence, an overlong form, a surrogate)
  // becomes U+FFFD so that the document stays valid.
  EXPECT_EQ(JsonString("caff\xE8"), "\"caff\xEF\xBF\xBD\"");
  EXPECT_EQ(JsonString("x\xE2\x82"), "\"x\xEF\xBF\xBD\xEF\xBF\xBD\"");
  EXPECT_EQ(JsonString("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
  EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");

  // Whatever the bytes, the result parses back; printable text survives unchanged.
  std::string all;
  for (int c = 1; c < 128; ++c) all += static_cast<char>(c);
  EXPECT_EQ(testjson::Parse(JsonString(all)).string, all);
}

TEST(DumpRun, JsonOnStdoutAndPasswordAsConnectString) {
  FakeDb f = SampleDb();
  RunResult r = RunWith(f, {"--password", " segreto ", "--json", "prova.mdb"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.path, "prova.mdb");
  ASSERT_TRUE(r.connect.has_value());
  EXPECT_EQ(*r.connect, "; segreto ");  // blanks are the engine's business, passed unchanged
  EXPECT_EQ(testjson::Parse(r.out)["tables"].array.size(), 3u);

  FakeDb g = SampleDb();
  RunResult r2 = RunWith(g, {"--json", "--", "-strano.mdb"});
  EXPECT_EQ(r2.status, 0);
  EXPECT_EQ(r2.path, "-strano.mdb");
  EXPECT_FALSE(r2.connect.has_value());
}

TEST(DumpRun, TableThatFailsToLoadFailsTheWholeDump) {
  for (bool json : {true, false}) {
    FakeDb f = SampleDb();
    f.source->failTable = 0;  // "ordini"
    std::vector<std::string> args = {"x.mdb"};
    if (json) args.insert(args.begin(), "--json");
    RunResult r = RunWith(f, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "") << "a partial document must not be printed";
    EXPECT_EQ(r.err, "Errore 3049\nFile danneggiato.\n");
  }
}

TEST(DumpRun, QueryTextThatFailsToLoadFailsTheWholeDump) {
  FakeDb f = SampleDb();
  f.source->failQuery = 1;
  RunResult r = RunWith(f, {"--json", "x.mdb"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Errore 3049\nFile danneggiato.\n");
}

TEST(DumpRun, OpenErrorIsReportedWithItsNumber) {
  std::ostringstream out, err;
  int status = dump::Run({"--json", "x.mdb"}, out, err,
                   [](const std::string&, const std::optional<std::string>&)
                       -> std::shared_ptr<dao::Database> {
                     throw dao::Error(dao::kErrBadPassword, "Password non valida.");
                   });
  EXPECT_EQ(status, 2);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "Errore 3031\nPassword non valida.\n");
}

TEST(DumpRun, CommandLineErrorsHelpAndVersion) {
  auto never = [](const std::string&, const std::optional<std::string>&)
      -> std::shared_ptr<dao::Database> {
    ADD_FAILURE() << "no database should be opened";
    return nullptr;
  };
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"--json"}, {"--password"}, {"--bogus", "x.mdb"}, {"a.mdb", "b.mdb"},
           {"--json=1", "x.mdb"}}) {
    std::ostringstream out, err;
    EXPECT_EQ(dump::Run(args, out, err, never), 1) << (args.empty() ? "" : args[0]);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("Uso: tavrek-dump"), std::string::npos);
  }
  std::ostringstream out, err;
  EXPECT_EQ(dump::Run({"--version"}, out, err, never), 0);
  EXPECT_EQ(out.str(), "tavrek-dump 2.0.0\n");
  std::ostringstream hout, herr;
  EXPECT_EQ(dump::Run({"--help"}, hout, herr, never), 0);
  EXPECT_EQ(hout.str().rfind("Uso: tavrek-dump [--password PW] [--json] FILE\n", 0), 0u);

  std::string error;
  auto o = tavrek::dump::ParseArguments({"--password=pw", "f.mdb"}, error);
  ASSERT_TRUE(o.has_value()) << error;
  EXPECT_EQ(o->password, "pw");
}

TEST(DumpRun, TextListingShowsEveryPartReadably) {
  FakeDb f = SampleDb();
  RunResult r = RunWith(f, {"x.mdb"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string& t = r.out;
  EXPECT_NE(t.find("Formato: Jet4"), std::string::npos);
  EXPECT_NE(t.find("Clienti  [collegata: C:\\altro.mdb (Anagrafica)]"), std::string::npos);
  EXPECT_NE(t.find("MSysObjects  [sistema]"), std::string::npos);
  EXPECT_NE(t.find("Record: 1234567"), std::string::npos);
  EXPECT_NE(t.find("Descrizione \"breve\"  Text (10)  50"), std::string::npos);
  EXPECT_NE(t.find("Composto (Nota, ID)"), std::string::npos);
  EXPECT_NE(t.find("Creata: 2000-01-01 12:00:00"), std::string::npos);
  // SQL lines are indented and carry no carriage returns.
  EXPECT_NE(t.find("    SELECT *\n    FROM ordini;\n"), std::string::npos);
  EXPECT_EQ(t.find('\r'), std::string::npos);
  // Tables come in engine order.
  EXPECT_LT(t.find("\nClienti"), t.find("\nMSysObjects"));
  EXPECT_LT(t.find("\nMSysObjects"), t.find("\nordini"));
}

TEST(DumpRun, WriteFailureIsNotReportedAsSuccess) {
  FakeDb f = SampleDb();
  auto db = f.Build();
  std::ostringstream out, err;
  out.setstate(std::ios::badbit);
  int status = dump::Run({"--json", "x.mdb"}, out, err,
                   [&](const std::string&, const std::optional<std::string>&) { return db; });
  EXPECT_EQ(status, 3);
}

// The sample database with an application: a form with code, a macro, a standard module, a class
// module and one whose name is no good as a file name, twice.
FakeDb AppDb() {
  FakeDb f = SampleDb();
  auto doc = [](std::string name, std::string kind, std::string text, std::string error = "") {
    dao::DocumentInfo d;
    d.name = std::move(name);
    d.dateCreated = Date(42000.5);
    d.lastUpdated = Date(42001.25);
    d.kind = std::move(kind);
    d.text = std::move(text);
    d.error = std::move(error);
    return d;
  };
  f.source->containers = {
      {"Forms", {doc("Ordini", "document", "Private Sub Form_Open()\r\nEnd Sub\r\n"), doc("Vuota", "", "")}},
      {"Reports", {}},
      {"Scripts", {doc("Avvio", "xml", "<UserInterfaceMacro/>")}},
      {"Modules",
       {doc("Funzioni", "standard", "Attribute VB_Name = \"Funzioni\"\r\nSub A()\r\n  DoCmd.OpenTable \"ordini\"\r\nEnd Sub\r\n"),
        doc("Classe", "class", "Option Explicit\r\n"), doc("a/b:c", "standard", "x\r\n"),
        doc("A_B_C", "standard", "y\r\n"), doc("a_b_c", "standard", "z\r\n"),
        doc("Rotto", "standard", "", "testo del modulo danneggiato")}},
  };
  return f;
}

TEST(DumpJson, ContainersAndReferences) {
  FakeDb f = AppDb();
  auto db = f.Build();
  testjson::Value doc = testjson::Parse(tavrek::dump::JsonDocument(*db));
  const auto& c = doc["containers"];
  EXPECT_EQ(c.Keys(), (std::vector<std::string>{"forms", "reports", "macros", "modules"}));
  ASSERT_EQ(c["forms"].array.size(), 2u);
  EXPECT_EQ(c["forms"][0].Keys(),
            (std::vector<std::string>{"name", "dateCreated", "lastUpdated", "source", "error"}));
  EXPECT_EQ(c["forms"][0]["source"].string, "Private Sub Form_Open()\r\nEnd Sub\r\n");
  EXPECT_TRUE(c["forms"][1]["source"].IsNull());
  EXPECT_TRUE(c["reports"].array.empty());
  EXPECT_EQ(c["macros"][0].Keys(),
            (std::vector<std::string>{"name", "dateCreated", "lastUpdated", "text", "error"}));
  EXPECT_EQ(c["macros"][0]["text"].string, "<UserInterfaceMacro/>");
  const auto& modules = c["modules"].array;
  ASSERT_EQ(modules.size(), 6u);
  EXPECT_EQ(modules[0].Keys(), (std::vector<std::string>{"name", "dateCreated", "lastUpdated",
                                                         "kind", "source", "error"}));
  EXPECT_EQ(modules[0]["dateCreated"].string, "2014-12-27T12:00:00");
  EXPECT_EQ(modules[1]["kind"].string, "class");
  EXPECT_TRUE(modules[5]["source"].IsNull());
  EXPECT_EQ(modules[5]["error"].string, "testo del modulo danneggiato");

  // Tables (not the system one) and queries, each with who names it.
  const auto& refs = doc["references"].array;
  std::vector<std::string> names;
  for (const auto& r : refs) names.push_back(r["name"].string);
  EXPECT_EQ(names, (std::vector<std::string>{"Clienti", "ordini", "Aggiorna"}));
  EXPECT_EQ(refs[1].Keys(), (std::vector<std::string>{"name", "kind", "usedBy"}));
  ASSERT_EQ(refs[1]["usedBy"].array.size(), 3u);
  EXPECT_EQ(refs[1]["usedBy"][0]["name"].string, "Aggiorna");
  EXPECT_EQ(refs[1]["usedBy"][1]["kind"].string, "form");  // through the hidden query ~sq_cForm
  EXPECT_EQ(refs[1]["usedBy"][1]["name"].string, "Form");
  EXPECT_EQ(refs[1]["usedBy"][2]["name"].string, "Funzioni");
  EXPECT_EQ(refs[1]["usedBy"][2]["match"].string, "name");
  EXPECT_TRUE(refs[0]["usedBy"].array.empty());
}

TEST(DumpRun, VbaFilesAndTheListingOfTheApplication) {
  ScratchDir dir;
  FakeDb f = AppDb();
  RunResult r = RunWith(f, {"--vba", dir.path + "/codice", "x.accdb"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto read = [&](const std::string& name) {
    std::ifstream in(dir.path + "/codice/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(read("Funzioni.bas").substr(0, 27), "Attribute VB_Name = \"Funzio");
  EXPECT_EQ(read("Classe.cls"), "Option Explicit\r\n");
  EXPECT_EQ(read("Form_Ordini.cls"), "Private Sub Form_Open()\r\nEnd Sub\r\n");
  EXPECT_EQ(read("a_b_c.bas"), "x\r\n");     // "a/b:c" made safe
  EXPECT_EQ(read("A_B_C~2.bas"), "y\r\n");   // then the names that collide with it
  EXPECT_EQ(read("a_b_c~3.bas"), "z\r\n");
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path + "/codice")) ++files;
  EXPECT_EQ(files, 6u);  // no file for a module without text or a form without code

  const std::string& t = r.out;
  EXPECT_NE(t.find("\nMaschere: 2\n  Ordini  (modificato 2014-12-28 06:00:00)  document  codice VBA 2 righe\n"),
            std::string::npos);
  EXPECT_NE(t.find("\nMacro: 1\n  Avvio"), std::string::npos);
  EXPECT_NE(t.find("Rotto  (modificato 2014-12-28 06:00:00)  standard  [errore: testo del modulo danneggiato]"),
            std::string::npos);
  EXPECT_NE(t.find("evidenza testuale"), std::string::npos);
  EXPECT_NE(t.find("  ordini (tabella): query Aggiorna [nome]; maschera Form [nome]; modulo Funzioni [nome]\n"),
            std::string::npos);
  EXPECT_NE(t.find("Non nominati da nulla: 2\n  Clienti\n  Aggiorna\n"), std::string::npos);
}

TEST(DumpRun, VbaFolderThatCannotBeMadeIsAnOutputError) {
  ScratchDir dir;
  { std::ofstream(dir.path + "/file") << "x"; }
  FakeDb f = AppDb();
  RunResult r = RunWith(f, {"--vba", dir.path + "/file/sotto", "x.accdb"});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("impossibile creare la cartella"), std::string::npos);
}

}  // namespace
