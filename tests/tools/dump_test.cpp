// tavrek-dump's logic on databases built in memory: the JSON document's shape and escaping, the
// text listing, the command line and the all-or-nothing error handling.
#include "tools/dump.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "tests/support/dump_run.h"
#include "tests/support/sample_catalogue.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/json.h"

namespace {

namespace dump = tavrek::dump;

dao::DateTime Date(double days) { return dao::DateTime{days}; }

using FakeDb = tavrek::doc::sample::SampleDb;

// Two local tables given out of order (the engine sorts them), one linked table, two queries.
FakeDb SampleDb() {
  FakeDb f;
  f.path = "C:\\dati\\prova.mdb";
  f.source->format = "Jet4";
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

using RunResult = testsupport::DumpResult;

RunResult RunWith(FakeDb& f, const std::vector<std::string>& args) { return testsupport::RunDumpOn(f.Build(), args); }

TEST(DumpJson, DocumentHasTheFixedShapeInEngineOrder) {
  FakeDb f = SampleDb();
  auto db = f.Build();
  testjson::Value doc = testjson::Parse(tavrek::dump::JsonDocument(*db));

  EXPECT_EQ(doc.Keys(), (std::vector<std::string>{"format", "properties", "tables", "queries",
                                                 "relations", "containers", "references"}));
  EXPECT_EQ(doc["format"].string, "Jet4");

  const auto& tables = doc["tables"].array;
  ASSERT_EQ(tables.size(), 3u);
  EXPECT_EQ(tables[0]["name"].string, "Clienti");
  EXPECT_EQ(tables[1]["name"].string, "MSysObjects");
  EXPECT_EQ(tables[2]["name"].string, "ordini");
  EXPECT_EQ(tables[0].Keys(), (std::vector<std::string>{"name", "system", "linked", "recordCount",
                                                        "dateCreated", "lastUpdated", "properties",
                                                        "connect", "sourceTableName", "fields",
                                                        "indexes"}));
  for (size_t i = 1; i < tables.size(); ++i)
    EXPECT_EQ(tables[i].Keys(), (std::vector<std::string>{"name", "system", "linked",
                                                          "recordCount", "dateCreated",
                                                          "lastUpdated", "properties", "fields",
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
  EXPECT_EQ(orders["fields"][1].Keys(),
            (std::vector<std::string>{"name", "type", "size", "attributes", "required",
                                      "allowZeroLength", "properties"}));
  EXPECT_EQ(orders["fields"][1]["name"].string, "Descrizione \"breve\"");
  EXPECT_EQ(orders["fields"][1]["type"].number, 10);
  EXPECT_EQ(orders["fields"][1]["size"].number, 50);
  EXPECT_EQ(orders["fields"][2]["type"].number, 12);
  ASSERT_EQ(orders["indexes"].array.size(), 2u);
  EXPECT_EQ(orders["indexes"][1].Keys(),
            (std::vector<std::string>{"name", "fields", "primary", "unique", "ignoreNulls",
                                      "required", "foreign", "clustered", "descending"}));
  EXPECT_EQ(orders["indexes"][1]["name"].string, "Composto");
  ASSERT_EQ(orders["indexes"][1]["fields"].array.size(), 2u);
  EXPECT_EQ(orders["indexes"][1]["fields"][0].string, "Nota");
  EXPECT_EQ(orders["indexes"][1]["fields"][1].string, "ID");

  const auto& queries = doc["queries"].array;
  ASSERT_EQ(queries.size(), 2u);
  // Symbols sort before letters, as Access lists "~sq_" queries first.
  EXPECT_EQ(queries[0]["name"].string, "~sq_cForm");
  EXPECT_EQ(queries[1]["name"].string, "Aggiorna");
  EXPECT_EQ(queries[1].Keys(),
            (std::vector<std::string>{"name", "type", "dateCreated", "lastUpdated", "sql",
                                      "properties", "parameters"}));
  EXPECT_EQ(queries[1]["type"].number, 48);
  EXPECT_EQ(queries[1]["sql"].string, "UPDATE ordini SET Nota = \"x\\y\"\r\nWHERE ID=1;");
  EXPECT_EQ(queries[1]["dateCreated"].string, "2000-03-17T12:00:00");
}

TEST(DumpJson, EmptyDatabaseIsAValidDocument) {
  FakeDb f;
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
  RunResult r = testsupport::RunDump({"--json", "x.mdb"}, [](const std::string&, const std::optional<std::string>&)
                                                              -> std::shared_ptr<dao::Database> {
    throw dao::Error(dao::kErrBadPassword, "Password non valida.");
  });
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Errore 3031\nPassword non valida.\n");
}

// Whatever an open raises, in every mode, ends as a report and status 2, never as an abort.
TEST(DumpRun, AnythingUnexpectedIsReportedNeverAnAbort) {
  struct Case {
    std::function<void()> raise;
    std::string err;
  };
  const std::vector<Case> cases = {
      {[] { throw std::runtime_error("guasto"); }, "tavrek-dump: errore inatteso: guasto\n"},
      {[] { throw 42; }, "tavrek-dump: errore inatteso\n"},
      {[] { throw dao::Error(3170, "Libreria mancante."); }, "Errore 3170\nLibreria mancante.\n"},
  };
  const std::vector<std::vector<std::string>> modes = {
      {"x.mdb"}, {"--json", "x.mdb"}, {"--ddl", "sqlite", "x.mdb"}, {"--html", "x.mdb"}, {"--diff", "x.mdb", "y.mdb"}};
  for (const Case& c : cases) {
    for (const auto& args : modes) {
      RunResult r = testsupport::RunDump(
          args, [&c](const std::string&, const std::optional<std::string>&) -> std::shared_ptr<dao::Database> {
            c.raise();
            return nullptr;
          });
      EXPECT_EQ(r.status, 2) << args[0];
      EXPECT_EQ(r.out, "");
      EXPECT_NE(r.err.find(c.err), std::string::npos) << args[0] << ": " << r.err;
    }
  }
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
    RunResult r = testsupport::RunDump(args, never);
    EXPECT_EQ(r.status, 1) << (args.empty() ? "" : args[0]);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Uso: tavrek-dump"), std::string::npos);
  }
  RunResult version = testsupport::RunDump({"--version"}, never);
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "tavrek-dump 2.0.0\n");
  RunResult help = testsupport::RunDump({"--help"}, never);
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Uso: tavrek-dump [--password PW] [--json] [--show-secrets] FILE\n", 0), 0u);

  std::string error;
  auto o = tavrek::dump::ParseArguments({"--password=pw", "f.mdb"}, error);
  ASSERT_TRUE(o.has_value()) << error;
  EXPECT_EQ(o->password, "pw");

  // --readiness takes its file and --json in any order; --no-views belongs to --ddl.
  auto r = tavrek::dump::ParseArguments({"f.mdb", "--json", "--readiness", "r.json"}, error);
  ASSERT_TRUE(r.has_value()) << error;
  EXPECT_EQ(r->readiness.value_or(""), "r.json");
  EXPECT_EQ(r->output.value_or(""), "r.json");
  EXPECT_TRUE(r->json);
  EXPECT_FALSE(tavrek::dump::ParseArguments({"--readiness", "r", "-o", "o", "f.mdb"}, error));
  EXPECT_FALSE(tavrek::dump::ParseArguments({"--no-views", "f.mdb"}, error));
  EXPECT_NE(error.find("--ddl"), std::string::npos);
  auto v = tavrek::dump::ParseArguments({"--no-views", "--ddl", "pg", "f.mdb"}, error);
  ASSERT_TRUE(v.has_value()) << error;
  EXPECT_TRUE(v->noViews);
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

// A database with every kind of property value, a linked table whose connect string carries a
// password, two relations and a query parameter.
FakeDb StructureDb() {
  FakeDb f = SampleDb();
  f.tables[2].connect = "ODBC;DSN=vendite;UID=sa;PWD=s3greto;DATABASE=v";
  f.tables[2].linkSource = f.tables[2].connect;
  f.tables[2].foreignName = "dbo.Clienti";
  f.source->databaseProps = {{"AccessVersion", dao::dbText, std::string("09.50")},
                                  {"Build", dao::dbLong, int64_t{1150}},
                                  {"Ratio", dao::dbDouble, 0.5},
                                  {"Made", dao::dbDate, dao::DateTime{36526.5}},
                                  {"Stamp", dao::dbBinary, dao::Bytes{{0x0A, 0xCC, 0x00}}},
                                  {"Shown", dao::dbBoolean, true},
                                  {"Empty", dao::dbText, std::monostate{}}};
  f.source->tableProps.resize(3);
  f.source->tableProps[0] = {{"Description", dao::dbMemo, std::string("Gli ordini")}};
  // "Clienti" is the table with source index 2.
  f.source->tableProps[2] = {{"ODBCConnectStr", dao::dbText, std::string("ODBC;PWD=x1;")}};
  f.source->details[0].fields[1].attributes = dao::dbVariableField | dao::dbUpdatableField;
  f.source->details[0].fields[1].required = true;
  f.source->details[0].fields[1].properties = {{"Caption", dao::dbText, std::string("Descr.")}};
  f.source->details[0].indexes[0].primary = true;
  f.source->details[0].indexes[0].unique = true;
  f.source->details[0].indexes[0].required = true;
  f.source->details[0].indexes[1].descending = {true, false};
  f.source->details[0].indexes[1].ignoreNulls = true;
  f.source->parameters.resize(2);
  f.source->parameters[1] = {{"[Quale ID?]", dao::dbLong, 0}};
  f.source->queryProps.resize(2);
  f.source->queryProps[1] = {{"RecordLocks", dao::dbByte, int64_t{2}}};
  f.source->relations = {
      {"ClientiOrdini", "Clienti", "ordini", dao::dbRelationDeleteCascade,
       {{"ID", "IDCliente"}, {"Sede", "SedeCliente"}}},
      {"Vuota", "a", "b", dao::dbRelationDontEnforce, {{"x", "y"}}}};
  return f;
}

TEST(DumpJson, PropertiesAttributesRelationsAndParameters) {
  FakeDb f = StructureDb();
  auto db = f.Build();
  testjson::Value doc = testjson::Parse(tavrek::dump::JsonDocument(*db));

  const auto& dbp = doc["properties"];
  EXPECT_EQ(dbp.Keys(), (std::vector<std::string>{"AccessVersion", "Build", "Ratio", "Made",
                                                  "Stamp", "Shown", "Empty"}));
  EXPECT_EQ(dbp["AccessVersion"].string, "09.50");
  EXPECT_EQ(dbp["Build"].number, 1150);
  EXPECT_EQ(dbp["Ratio"].number, 0.5);
  EXPECT_EQ(dbp["Made"].string, "2000-01-01T12:00:00");
  EXPECT_EQ(dbp["Stamp"].string, "0x0acc00");
  EXPECT_EQ(dbp["Shown"].kind, testjson::Value::kBool);
  EXPECT_TRUE(dbp["Shown"].boolean);
  EXPECT_TRUE(dbp["Empty"].IsNull());

  const auto& linked = doc["tables"][0];
  EXPECT_EQ(linked["connect"].string, "ODBC;DSN=vendite;UID=sa;PWD=***;DATABASE=v");
  EXPECT_EQ(linked["sourceTableName"].string, "dbo.Clienti");
  EXPECT_EQ(linked["properties"]["ODBCConnectStr"].string, "ODBC;PWD=***;");

  const auto& orders = doc["tables"][2];
  EXPECT_EQ(orders["properties"]["Description"].string, "Gli ordini");
  const auto& field = orders["fields"][1];
  EXPECT_EQ(field["attributes"].number, dao::dbVariableField | dao::dbUpdatableField);
  EXPECT_TRUE(field["required"].boolean);
  EXPECT_FALSE(field["allowZeroLength"].boolean);
  EXPECT_EQ(field["properties"]["Caption"].string, "Descr.");
  const auto& pk = orders["indexes"][0];
  EXPECT_TRUE(pk["primary"].boolean);
  EXPECT_TRUE(pk["unique"].boolean);
  EXPECT_TRUE(pk["required"].boolean);
  EXPECT_FALSE(pk["foreign"].boolean);
  ASSERT_EQ(pk["descending"].array.size(), 1u);
  EXPECT_FALSE(pk["descending"][0].boolean);
  const auto& composite = orders["indexes"][1];
  EXPECT_TRUE(composite["ignoreNulls"].boolean);
  ASSERT_EQ(composite["descending"].array.size(), 2u);
  EXPECT_TRUE(composite["descending"][0].boolean);
  EXPECT_FALSE(composite["descending"][1].boolean);

  // Queries are in catalogue order ("~sq_" names first): "Aggiorna" is source query 1.
  const auto& update = doc["queries"][1];
  ASSERT_EQ(update["parameters"].array.size(), 1u);
  EXPECT_EQ(update["parameters"][0]["name"].string, "[Quale ID?]");
  EXPECT_EQ(update["parameters"][0]["type"].number, dao::dbLong);
  EXPECT_EQ(update["properties"]["RecordLocks"].number, 2);
  EXPECT_TRUE(doc["queries"][0]["parameters"].array.empty());

  const auto& relations = doc["relations"].array;
  ASSERT_EQ(relations.size(), 2u);
  EXPECT_EQ(relations[0].Keys(),
            (std::vector<std::string>{"name", "table", "foreignTable", "attributes", "fields"}));
  EXPECT_EQ(relations[0]["table"].string, "Clienti");
  EXPECT_EQ(relations[0]["foreignTable"].string, "ordini");
  EXPECT_EQ(relations[0]["attributes"].number, dao::dbRelationDeleteCascade);
  ASSERT_EQ(relations[0]["fields"].array.size(), 2u);
  EXPECT_EQ(relations[0]["fields"][1]["name"].string, "Sede");
  EXPECT_EQ(relations[0]["fields"][1]["foreignName"].string, "SedeCliente");
}

TEST(DumpRun, ConnectPasswordsOnlyWithShowSecrets) {
  for (bool json : {true, false}) {
    for (bool show : {false, true}) {
      FakeDb f = StructureDb();
      std::vector<std::string> args = {"x.mdb"};
      if (json) args.insert(args.begin(), "--json");
      if (show) args.insert(args.begin(), "--show-secrets");
      RunResult r = RunWith(f, args);
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.out.find("s3greto") != std::string::npos, show) << json;
      EXPECT_EQ(r.out.find("x1") != std::string::npos, show) << json;
      EXPECT_EQ(r.out.find("PWD=***") != std::string::npos, !show) << json;
    }
  }
}

TEST(DumpRun, ListingShowsTheStructureCompactly) {
  FakeDb f = StructureDb();
  RunResult r = RunWith(f, {"x.mdb"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string& t = r.out;
  EXPECT_NE(t.find("Formato: Jet4\nProprietà: AccessVersion = \"09.50\"; Build = 1150; "
                   "Ratio = 0.5; Made = 2000-01-01 12:00:00; Stamp = (3 byte); Shown = Sì; "
                   "Empty = Null\n"),
            std::string::npos);
  EXPECT_NE(t.find("      Proprietà: Caption = \"Descr.\"\n"), std::string::npos);
  EXPECT_NE(t.find("  Connect: ODBC;DSN=vendite;UID=sa;PWD=***;DATABASE=v\n"), std::string::npos);
  EXPECT_NE(t.find("Descrizione \"breve\"  Text (10)  50  attributi 34, obbligatorio\n"),
            std::string::npos);
  EXPECT_NE(t.find("PrimaryKey (ID)  [primaria, univoca, obbligatoria]"), std::string::npos);
  EXPECT_NE(t.find("Composto (Nota DESC, ID)  [ignora Null]"), std::string::npos);
  EXPECT_NE(t.find("Parametro: [Quale ID?]  Long (4)"), std::string::npos);
  EXPECT_NE(t.find("Relazioni: 2\n"), std::string::npos);
  EXPECT_NE(t.find("ClientiOrdini  attributi 4096\n  Clienti (ID, Sede) -> ordini (IDCliente, SedeCliente)\n"),
            std::string::npos);
}

TEST(DumpRun, UnreadableRelationshipsFailTheWholeDump) {
  FakeDb f = StructureDb();
  f.source->failRelations = true;
  RunResult r = RunWith(f, {"--json", "x.mdb"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
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
            (std::vector<std::string>{"name", "dateCreated", "lastUpdated", "source", "design",
                                      "designError", "error"}));
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

  // Tables (not the system one), queries, forms and reports, each with who names it.
  const auto& refs = doc["references"].array;
  std::vector<std::string> names;
  for (const auto& r : refs) names.push_back(r["name"].string);
  EXPECT_EQ(names, (std::vector<std::string>{"Clienti", "ordini", "Aggiorna", "Ordini", "Vuota"}));
  EXPECT_EQ(refs[1].Keys(), (std::vector<std::string>{"name", "kind", "usedBy"}));
  // In the order of the query collection, then the containers: the form comes in through the
  // hidden query ~sq_cForm, a control's row source.
  std::set<std::string> usedBy;
  for (const auto& u : refs[1]["usedBy"].array)
    usedBy.insert(u["kind"].string + " " + u["name"].string + " " + u["match"].string);
  EXPECT_EQ(usedBy, (std::set<std::string>{"query Aggiorna name", "form Form rowSource",
                                            "module Funzioni name"}));
  ASSERT_EQ(refs[1]["usedBy"].array.size(), 3u);
  // Sources in catalogue order: the hidden query ~sq_cForm comes before "Aggiorna".
  EXPECT_EQ(refs[1]["usedBy"][0]["kind"].string, "form");  // through the hidden query ~sq_cForm
  EXPECT_EQ(refs[1]["usedBy"][0]["name"].string, "Form");
  EXPECT_EQ(refs[1]["usedBy"][1]["name"].string, "Aggiorna");
  EXPECT_EQ(refs[1]["usedBy"][2]["name"].string, "Funzioni");
  EXPECT_TRUE(refs[0]["usedBy"].array.empty());
}

TEST(DumpRun, VbaFilesAndTheListingOfTheApplication) {
  testsupport::TempDir dir;
  const std::string folder = dir.Path().string();
  FakeDb f = AppDb();
  RunResult r = RunWith(f, {"--vba", folder + "/codice", "x.accdb"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto read = [&](const std::string& name) {
    std::ifstream in(folder + "/codice/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(read("Funzioni.bas").substr(0, 27), "Attribute VB_Name = \"Funzio");
  EXPECT_EQ(read("Classe.cls"), "Option Explicit\r\n");
  EXPECT_EQ(read("Form_Ordini.cls"), "Private Sub Form_Open()\r\nEnd Sub\r\n");
  EXPECT_EQ(read("a_b_c.bas"), "x\r\n");     // "a/b:c" made safe
  EXPECT_EQ(read("A_B_C~2.bas"), "y\r\n");   // then the names that collide with it
  EXPECT_EQ(read("a_b_c~3.bas"), "z\r\n");
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder + "/codice")) ++files;
  EXPECT_EQ(files, 6u);  // no file for a module without text or a form without code

  const std::string& t = r.out;
  EXPECT_NE(t.find("\nMaschere: 2\n  Ordini  (modificato 2014-12-28 06:00:00)  document  codice VBA 2 righe\n"),
            std::string::npos);
  EXPECT_NE(t.find("\nMacro: 1\n  Avvio"), std::string::npos);
  EXPECT_NE(t.find("Rotto  (modificato 2014-12-28 06:00:00)  standard  [errore: testo del modulo danneggiato]"),
            std::string::npos);
  EXPECT_NE(t.find("evidenza testuale"), std::string::npos);
  const size_t line = t.find("\n  ordini (tabella): ");
  ASSERT_NE(line, std::string::npos);
  const std::string refs = t.substr(line, t.find('\n', line + 1) - line);
  EXPECT_NE(refs.find("query Aggiorna [nome]"), std::string::npos);
  EXPECT_NE(refs.find("maschera Form [origine riga]"), std::string::npos);
  EXPECT_NE(refs.find("; modulo Funzioni [nome]"), std::string::npos);
  // A form that shares its name with a table is not named by a row source (which names data).
  EXPECT_NE(t.find("\n  Ordini (maschera): query Aggiorna [nome]; modulo Funzioni [nome]\n"), std::string::npos);
  EXPECT_NE(t.find("Non nominati da nulla: 3\n  Clienti\n  Aggiorna\n  Vuota\n"), std::string::npos);
}

TEST(DumpRun, VbaFolderThatCannotBeMadeIsAnOutputError) {
  testsupport::TempDir dir;
  const std::string folder = dir.Path().string();
  { std::ofstream(folder + "/file") << "x"; }
  FakeDb f = AppDb();
  RunResult r = RunWith(f, {"--vba", folder + "/file/sotto", "x.accdb"});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("impossibile creare la cartella"), std::string::npos);
}

}  // namespace
