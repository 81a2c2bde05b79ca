// Access queries as views on real servers (SQLite through its shell, PostgreSQL and MariaDB
// started privately by sql_servers.sh as a CTest fixture).
//
// A small database with known rows, written by hand as INSERTs, and queries stored as MSysQueries
// rows covering the translated constructs: every view must return the rows worked out by hand, on
// all three servers. Then every database of the test data: each query that became a view must be
// created and read on all three servers, and the share of select and union queries that did is
// printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "documenter/data_script.h"
#include "documenter/ddl.h"
#include "documenter/view_translator.h"
#include "engine/dao.h"
#include "engine/query/query_parameters.h"
#include "engine/query/query_parts.h"
#include "engine/query/query_sql.h"
#include "tests/documenter/sample_db.h"
#include "tests/support/shell.h"

// The queries below name only the parts of StoredQuery they use.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

namespace fs = std::filesystem;
using namespace tavrek::doc;

std::string ServerFolder() {
  std::ifstream in(TAVREK_SQL_STATE);
  std::string dir;
  std::getline(in, dir);
  return dir;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

// A field as the servers print it, made comparable: MariaDB's NULL as empty, PostgreSQL's
// booleans t and f as the others' 1 and 0 (on every server's output alike), numbers with at most
// ten significant digits (SQLite prints 2.0 where the others print 2; sums of doubles may differ
// in the last bits, the documented tolerance).
std::string NormalField(const std::string& f) {
  if (f == "NULL") return "";
  if (f == "t" || f == "f") return f == "t" ? "1" : "0";
  char* end = nullptr;
  double v = std::strtod(f.c_str(), &end);
  if (!f.empty() && end && *end == '\0' && (std::isdigit(static_cast<unsigned char>(f[0])) || f[0] == '-')) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
  }
  return f;
}

std::string NormalRow(std::string row) {
  std::replace(row.begin(), row.end(), '\t', '|');
  std::string out;
  size_t start = 0;
  for (;;) {
    size_t bar = row.find('|', start);
    out += NormalField(row.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    out += '|';
    start = bar + 1;
  }
  return out;
}

class Server {
 public:
  virtual ~Server() = default;
  virtual const char* Dialect() const = 0;
  // Runs `sql` in database `db` (created by Create); the exit status and output.
  virtual testshell::CommandResult Run(const std::string& db, const std::string& sql) = 0;
  virtual bool Create(const std::string& db, std::string& output) = 0;
  virtual std::string QuoteName(const std::string& name) const = 0;

  // The rows of a view, normalized and sorted (a multiset).
  // The rows of `from`: a view's quoted name, or a function's call.
  std::vector<std::string> Rows(const std::string& db, const std::string& from, std::string& error) {
    auto r = Run(db, "SELECT * FROM " + from + ";");
    if (r.status != 0) {
      error = r.out;
      return {};
    }
    std::vector<std::string> rows;
    for (const auto& l : Lines(r.out)) rows.push_back(NormalRow(l));
    std::sort(rows.begin(), rows.end());
    return rows;
  }

 protected:
  static testshell::CommandResult Client(const std::string& command, const std::string& sql) {
    static int n = 0;
    std::string file = (fs::temp_directory_path() / ("tavrek-views-" + std::to_string(++n) + ".sql")).string();
    std::ofstream(file) << sql;
    auto r = testshell::RunCommand(command + " < " + testshell::ShellQuote(file) + " 2>&1");
    fs::remove(file);
    return r;
  }
};

class Sqlite : public Server {
 public:
  explicit Sqlite(std::string dir) : dir_(std::move(dir)) {}
  const char* Dialect() const override { return "sqlite"; }
  std::string QuoteName(const std::string& n) const override { return Quoted(n, '"'); }
  bool Create(const std::string& db, std::string& output) override {
    fs::remove(Path(db));
    output.clear();
    return true;
  }
  testshell::CommandResult Run(const std::string& db, const std::string& sql) override {
    return Client("sqlite3 -bail -batch " + testshell::ShellQuote(Path(db)), sql);
  }
  static std::string Quoted(const std::string& n, char q) {
    std::string out(1, q);
    for (char c : n) {
      out += c;
      if (c == q) out += c;
    }
    return out + q;
  }

 private:
  std::string Path(const std::string& db) const { return dir_ + "/" + db + ".sqlite"; }
  std::string dir_;
};

class Postgres : public Server {
 public:
  explicit Postgres(std::string dir) : dir_(std::move(dir)) {}
  const char* Dialect() const override { return "postgresql"; }
  std::string QuoteName(const std::string& n) const override { return Sqlite::Quoted(n, '"'); }
  bool Create(const std::string& db, std::string& output) override {
    auto r = Client(Command("postgres"), "DROP DATABASE IF EXISTS " + db + ";\nCREATE DATABASE " + db + ";");
    output = r.out;
    return r.status == 0;
  }
  testshell::CommandResult Run(const std::string& db, const std::string& sql) override {
    return Client(Command(db), sql);
  }

 private:
  std::string Command(const std::string& db) const {
    return "psql -X -q -At -v ON_ERROR_STOP=1 -h " + testshell::ShellQuote(dir_ + "/pg") +
           " -U postgres -d " + db;
  }
  std::string dir_;
};

class Mariadb : public Server {
 public:
  explicit Mariadb(std::string dir) : dir_(std::move(dir)) {}
  const char* Dialect() const override { return "mysql"; }
  std::string QuoteName(const std::string& n) const override { return Sqlite::Quoted(n, '`'); }
  bool Create(const std::string& db, std::string& output) override {
    auto r = Client(Command(""), "DROP DATABASE IF EXISTS " + db + "; CREATE DATABASE " + db + " CHARACTER SET utf8mb4;");
    output = r.out;
    return r.status == 0;
  }
  testshell::CommandResult Run(const std::string& db, const std::string& sql) override {
    return Client(Command(db), sql);
  }

 private:
  // --raw: values as stored, as the other clients print them (batch mode would write a backslash
  // in a value as two).
  std::string Command(const std::string& db) const {
    return "mariadb --no-defaults --default-character-set=utf8mb4 -N -B --raw -S " +
           testshell::ShellQuote(dir_ + "/my.sock") + " -u root " + db;
  }
  std::string dir_;
};

// ---------------------------------------------------------------------------------------------
// Queries as MSysQueries rows.

engine::QueryRow Row(int attribute, std::optional<int> flag, std::optional<std::string> name1,
                     std::optional<std::string> name2, std::optional<std::string> expression) {
  engine::QueryRow r;
  r.attribute = attribute;
  r.flag = flag;
  r.name1 = std::move(name1);
  r.name2 = std::move(name2);
  r.expression = std::move(expression);
  return r;
}

struct Join {
  std::string left, right;
  int kind;
  std::string on;
};

// A stored query: `tables` as "name" or "name AS alias" (a derived table as "(SELECT …) AS
// alias"); `columns` as {expression, alias, flag}.
struct StoredQuery {
  std::string name;
  int kind = engine::kKindSelect;
  int flags = 0;
  std::string top;
  std::vector<std::string> tables;
  std::vector<Join> joins;
  std::vector<std::tuple<std::string, std::string, int>> columns;
  std::string where;
  std::vector<std::pair<std::string, int>> groupBy;
  std::string having;
  std::vector<std::string> orderBy;  // "expr" or "expr DESC"
  std::vector<std::string> unionParts;
  std::vector<std::tuple<std::string, int, int>> parameters;  // name, DAO type, text size

  std::vector<engine::QueryRow> Rows() const {
    std::vector<engine::QueryRow> rows;
    rows.push_back(Row(engine::kAttrStart, {}, {}, {}, {}));
    rows.push_back(Row(engine::kAttrType, kind, {}, {}, {}));
    for (const auto& [name, type, size] : parameters) {
      rows.push_back(Row(engine::kAttrParameter, type, name, {}, {}));
      if (size) rows.back().lv_extra = size;
    }
    rows.push_back(Row(engine::kAttrFlags, flags, top.empty() ? std::nullopt : std::optional(top), {}, {}));
    for (size_t i = 0; i < unionParts.size(); ++i) {
      rows.push_back(Row(engine::kAttrTable, {}, {}, i == 0 ? engine::kUnionPart1 : engine::kUnionPart2,
                         unionParts[i]));
    }
    for (const auto& t : tables) {
      size_t as = t.rfind(" AS ");
      if (t[0] == '(') {
        rows.push_back(Row(engine::kAttrTable, {}, {}, t.substr(as + 4), t.substr(1, t.rfind(')') - 1)));
      } else if (as != std::string::npos) {
        rows.push_back(Row(engine::kAttrTable, {}, t.substr(0, as), t.substr(as + 4), {}));
      } else {
        rows.push_back(Row(engine::kAttrTable, {}, t, {}, {}));
      }
    }
    for (const auto& [expr, alias, flag] : columns) {
      rows.push_back(Row(engine::kAttrColumn, flag, alias.empty() ? std::nullopt : std::optional(alias), {}, expr));
    }
    for (const auto& j : joins) rows.push_back(Row(engine::kAttrJoin, j.kind, j.left, j.right, j.on));
    if (!where.empty()) rows.push_back(Row(engine::kAttrWhere, {}, {}, {}, where));
    for (const auto& [g, flag] : groupBy) rows.push_back(Row(engine::kAttrGroupBy, flag, {}, {}, g));
    if (!having.empty()) rows.push_back(Row(engine::kAttrHaving, {}, {}, {}, having));
    for (const auto& o : orderBy) {
      bool desc = o.size() > 5 && o.substr(o.size() - 5) == " DESC";
      rows.push_back(Row(engine::kAttrOrderBy, {}, desc ? std::optional<std::string>("D") : std::nullopt, {},
                         desc ? o.substr(0, o.size() - 5) : o));
    }
    rows.push_back(Row(engine::kAttrEnd, {}, {}, {}, {}));
    return rows;
  }
};

struct HandWorked {
  StoredQuery query;
  std::vector<std::string> rows;  // the expected result, sorted
  std::string arguments;          // with parameters: the call's arguments where it is a function
};

// Clienti and Ordini, with rows worked through by hand below.
// Names in double quotes, given the server's quote by RowsSql.
const char* kRowsSql =
    "INSERT INTO \"Clienti\" (\"ID\", \"Nome\", \"Citta\", \"Attivo\", \"Saldo\", \"Nato\") VALUES "
    "(1, 'Anna', 'Roma', TRUE, 10.5, '1980-05-17 00:00:00'), "
    "(2, 'bruno', 'Milano', FALSE, NULL, '1975-12-01 00:00:00'), "
    "(3, 'Carla', NULL, TRUE, 2.5, '2001-02-28 00:00:00'), "
    "(4, 'Dario', 'Roma', FALSE, 3.5, NULL);\n"
    "INSERT INTO \"Ordini\" (\"ID\", \"Cliente\", \"Totale\", \"Data\") VALUES "
    "(10, 1, 100, '2020-01-15 00:00:00'), (11, 1, 50, '2020-02-20 00:00:00'), "
    "(12, 3, 75.25, '2021-03-01 00:00:00'), (13, 2, 20, '2020-01-31 00:00:00');\n";

std::string RowsSql(const SqlDialect& d) {
  std::string out = kRowsSql;
  for (char& c : out) {
    if (c == '"') c = d.quoteOpen;
  }
  return out;
}

std::vector<HandWorked> HandWorkedQueries() {
  std::vector<HandWorked> q;
  {
    StoredQuery s{.name = "Testi", .tables = {"Clienti"}};
    s.columns = {{"ID", "", 0},
                 {"Left(Nome,2)", "L", 0},
                 {"Right([Nome],2)", "R", 0},
                 {"Mid(Nome,2,2)", "M", 0},
                 {"Len(Nome)", "N", 0},
                 {"InStr(Nome,\"a\")", "I", 0},
                 {"UCase(Nome)", "U", 0},
                 {"Nome & \"-\" & Citta", "C", 0},
                 {"Nome + \"/\" + Citta", "P", 0},
                 {"Nz(Citta,\"?\")", "Z", 0},
                 {"Trim(\"  x \") & Replace(Nome, \"a\", \"4\")", "T", 0}};
    q.push_back({s,
                 {"1|An|na|nn|4|1|ANNA|Anna-Roma|Anna/Roma|Roma|xAnn4",
                  "2|br|no|ru|5|0|BRUNO|bruno-Milano|bruno/Milano|Milano|xbruno",
                  "3|Ca|la|ar|5|2|CARLA|Carla-||?|xC4rl4",
                  "4|Da|io|ar|5|2|DARIO|Dario-Roma|Dario/Roma|Roma|xD4rio"}});
  }
  {
    StoredQuery s{.name = "Numeri", .tables = {"Clienti"}, .where = "ID <= 3"};
    s.columns = {{"ID", "", 0},
                 {"7 \\ 2", "D", 0},
                 {"7 Mod 3", "M", 0},
                 {"2 ^ 3", "P", 0},
                 {"7 / 2", "Q", 0},
                 {"Round(2.5)", "R1", 0},
                 {"Round(3.5)", "R2", 0},
                 {"Round(0.125, 2)", "R3", 0},
                 {"CInt(2.5)", "C", 0},
                 {"Int(-2.5)", "I", 0},
                 {"Fix(-2.5)", "F", 0},
                 {"Sgn(-4)", "S", 0},
                 {"IIf(Saldo > 3, \"alto\", \"basso\")", "H", 0},
                 {"Switch(ID = 1, \"uno\", ID = 2, \"due\")", "W", 0},
                 {"Choose(ID, \"a\", \"b\", \"c\")", "K", 0}};
    q.push_back({s,
                 {"1|3|1|8|3.5|2|4|0.12|2|-3|-2|-1|alto|uno|a",
                  "2|3|1|8|3.5|2|4|0.12|2|-3|-2|-1|basso|due|b",
                  "3|3|1|8|3.5|2|4|0.12|2|-3|-2|-1|basso||c"}});
  }
  {
    StoredQuery s{.name = "Date", .tables = {"Clienti"},
                  .where = "Nato Is Not Null And Nato < #1/1/2001#"};
    s.columns = {{"ID", "", 0},
                 {"Year(Nato)", "Y", 0},
                 {"Month(Nato)", "M", 0},
                 {"Day(Nato)", "G", 0},
                 {"DateSerial(2020, 14, 1)", "DS", 0},
                 {"DateAdd(\"m\", 1, Nato)", "DA", 0},
                 {"DateDiff(\"yyyy\", Nato, #2020-01-01#)", "DD", 0},
                 {"Weekday(Nato)", "W", 0}};
    q.push_back({s,
                 {"1|1980|5|17|2021-02-01 00:00:00|1980-06-17 00:00:00|40|7",
                  "2|1975|12|1|2021-02-01 00:00:00|1976-01-01 00:00:00|45|2"}});
  }
  {
    StoredQuery s{.name = "Filtri", .tables = {"Clienti"},
                  .where = "(Nome Like \"?a*\" Or Nome Like \"[b-c]*\") And Attivo = True And ID "
                           "Between 1 And 3 And ID In (1, 2, 3)"};
    s.columns = {{"Nome", "", 0}};
    q.push_back({s, {"Carla"}});
  }
  {
    StoredQuery s{.name = "Cifre", .tables = {"Ordini"},
                  .where = "CStr(Totale) Like \"#*\" And Not (CStr(ID) Like \"1[!0]\")"};
    s.columns = {{"ID", "", 0}};
    q.push_back({s, {"10"}});
  }
  {
    StoredQuery s{.name = "Aggregati", .tables = {"Ordini"}, .having = "Count(*) >= 1"};
    s.columns = {{"Cliente", "", 0}, {"Count(*)", "N", 0}, {"Sum(Totale)", "T", 0}};
    s.groupBy = {{"Cliente", 0}};
    s.orderBy = {"Cliente"};
    q.push_back({s, {"1|2|150", "2|1|20", "3|1|75.25"}});
  }
  {
    StoredQuery s{.name = "Unite", .tables = {"Clienti AS C", "Ordini AS O"},
                  .joins = {{"C", "O", engine::kJoinLeft, "C.ID = O.Cliente"}},
                  .where = "C.Citta = \"Roma\""};
    s.columns = {{"C.Nome", "", 0}, {"O.Totale", "", 0}};
    q.push_back({s, {"Anna|100", "Anna|50", "Dario|"}});
  }
  {
    StoredQuery s{.name = "Sottoquery", .tables = {"Clienti"},
                  .where = "ID In (SELECT Cliente FROM Ordini WHERE Totale > 60) And Exists "
                           "(SELECT * FROM Ordini WHERE Ordini.Cliente = Clienti.ID)"};
    s.columns = {{"Nome", "", 0}};
    q.push_back({s, {"Anna", "Carla"}});
  }
  {
    StoredQuery s{.name = "Derivata",
                  .tables = {"(SELECT Cliente, Sum(Totale) AS T FROM Ordini GROUP BY Cliente) AS D"},
                  .where = "D.T > 50"};
    s.columns = {{"D.Cliente", "", 0}, {"D.T", "", 0}};
    q.push_back({s, {"1|150", "3|75.25"}});
  }
  {
    StoredQuery s{.name = "Unione", .kind = engine::kKindUnion, .flags = engine::kSelectDistinct};
    s.unionParts = {"SELECT Nome FROM Clienti WHERE Citta = 'Roma'",
                    "SELECT Nome FROM Clienti WHERE Attivo = True"};
    s.orderBy = {"Nome"};
    q.push_back({s, {"Anna", "Carla", "Dario"}});
  }
  {
    // Read from the union: created after it whatever the names' order.
    StoredQuery s{.name = "SuUnione", .tables = {"Unione"}, .where = "Nome <> \"Anna\""};
    s.columns = {{"Nome", "", 0}};
    q.push_back({s, {"Carla", "Dario"}});
  }
  {
    StoredQuery s{.name = "Incrocio", .kind = engine::kKindCrosstab, .tables = {"Ordini"}};
    s.columns = {{"Sum(Totale)", "SommaDiTotale", 0},
                 {"Cliente", "", engine::kCrosstabRowHead},
                 {"Year(Data) In (2020, 2021)", "", engine::kCrosstabPivot}};
    s.groupBy = {{"Cliente", engine::kCrosstabRowHead}, {"Year(Data)", engine::kCrosstabPivot}};
    q.push_back({s, {"1|150|", "2|20|", "3||75.25"}});
  }
  {
    StoredQuery s{.name = "Primi", .flags = engine::kSelectTop, .top = "2", .tables = {"Ordini"}};
    s.columns = {{"ID", "", 0}, {"Totale", "", 0}};
    s.orderBy = {"Totale DESC"};
    q.push_back({s, {"10|100", "12|75.25"}});
  }
  {
    StoredQuery s{.name = "Formati", .tables = {"Clienti"}, .where = "Nato Is Not Null"};
    s.columns = {{"ID", "", 0},
                 {"Format(Nato, \"dddd, mmm d yyyy\")", "F1", 0},
                 {"Format(#1/2/2020 13:05:09#, \"Short Time\")", "F2", 0},
                 {"Format(#1/2/2020 13:05:09#, \"h:nn AM/PM\")", "F3", 0},
                 {"Format(Saldo, \"0.00\") & \" E\"", "F4", 0},  // not read as a number
                 {"Format(1234.5, \"#,##0.00\")", "F5", 0},
                 {"Format(0.125, \"0%\")", "F6", 0},
                 {"Format(Nato, \"yyyy-mm-dd\")", "F7", 0}};
    q.push_back({s,
                 {"1|Saturday, May 17 1980|13:05|1:05 PM|10.50 E|1,234.50|13%|1980-05-17",
                  "2|Monday, Dec 1 1975|13:05|1:05 PM| E|1,234.50|13%|1975-12-01",
                  "3|Wednesday, Feb 28 2001|13:05|1:05 PM|2.50 E|1,234.50|13%|2001-02-28"}});
  }
  {
    // Access counts dates in days.
    StoredQuery s{.name = "Giorni", .tables = {"Clienti"}, .where = "Nato - 1 < #1/1/2001#"};
    s.columns = {{"ID", "", 0}, {"Nato + 1", "Dopo", 0}, {"Nato - 0.5", "Prima", 0},
                 {"#2001-03-01# - Nato", "Giorni", 0}};
    q.push_back({s,
                 {"1|1980-05-18 00:00:00|1980-05-16 12:00:00|7593",
                  "2|1975-12-02 00:00:00|1975-11-30 12:00:00|9222"}});
  }
  {
    // 30 % of four rows is 1.2: Access gives two.
    StoredQuery s{.name = "Percento", .flags = engine::kSelectTop | engine::kSelectPercent, .top = "30",
                  .tables = {"Ordini"}};
    s.columns = {{"ID", "", 0}, {"Totale", "", 0}};
    s.orderBy = {"Totale DESC"};
    q.push_back({s, {"10|100", "12|75.25"}});
  }
  {
    StoredQuery s{.name = "ConParametri", .tables = {"Clienti"}, .where = "Citta = [Città] And Nato >= [Da]"};
    s.parameters = {{"Città", dao::dbText, 50}, {"Da", dao::dbDate, 0}};
    s.columns = {{"Nome", "", 0}};
    q.push_back({s, {"Anna"}, "'Roma', TIMESTAMP '1970-01-01 00:00:00'"});
  }
  {
    StoredQuery s{.name = "SiNo", .tables = {"Clienti"}, .where = "Attivo = -1 And Not IsNull(Saldo)"};
    s.columns = {{"Nome", "", 0}};
    q.push_back({s, {"Anna", "Carla"}});
  }
  return q;
}

std::shared_ptr<dao::Database> HandWorkedDatabase(const std::vector<HandWorked>& queries) {
  sample::SampleDb db;
  dao::TableDetail clienti;
  clienti.fields = {sample::Field("ID", dao::dbLong), sample::Field("Nome", dao::dbText, 50),
                    sample::Field("Citta", dao::dbText, 50), sample::Field("Attivo", dao::dbBoolean),
                    sample::Field("Saldo", dao::dbDouble), sample::Field("Nato", dao::dbDate)};
  clienti.indexes = {{.name = "PrimaryKey", .fields = {"ID"}, .primary = true, .unique = true}};
  db.AddTable("Clienti", clienti);
  dao::TableDetail ordini;
  ordini.fields = {sample::Field("ID", dao::dbLong), sample::Field("Cliente", dao::dbLong),
                   sample::Field("Totale", dao::dbDouble), sample::Field("Data", dao::dbDate)};
  ordini.indexes = {{.name = "PrimaryKey", .fields = {"ID"}, .primary = true, .unique = true}};
  db.AddTable("Ordini", ordini);
  for (const auto& h : queries) {
    auto rows = h.query.Rows();
    db.AddQuery(h.query.name, engine::BuildQuerySql(rows), engine::QueryTypeFromRows(rows));
    db.source->queryRows.push_back(rows);
    db.source->parameters.push_back(engine::QueryParameters(rows));  // as the file reader does
  }
  return db.Build();
}

class ViewsOnServers : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ServerFolder();
    if (dir_.empty()) GTEST_SKIP() << "no servers: run through ctest (fixture sql_servers)";
    servers_.push_back(std::make_unique<Sqlite>(dir_));
    servers_.push_back(std::make_unique<Postgres>(dir_));
    servers_.push_back(std::make_unique<Mariadb>(dir_));
  }
  std::string dir_;
  std::vector<std::unique_ptr<Server>> servers_;
  static inline int counter_ = 0;
};

TEST_F(ViewsOnServers, HandWorkedRows) {
  const auto queries = HandWorkedQueries();
  auto db = HandWorkedDatabase(queries);
  for (auto& server : servers_) {
    SCOPED_TRACE(server->Dialect());
    const SqlDialect& dialect = *FindSqlDialect(server->Dialect());
    DdlOptions options;
    options.views = false;
    const std::string tables = WriteDdl(*db, dialect, options);
    const auto views = TranslateQueries(*db, dialect);
    const std::string name = "hand" + std::to_string(++counter_);
    std::string out;
    ASSERT_TRUE(server->Create(name, out)) << out;
    auto r = server->Run(name, tables + RowsSql(dialect) + WriteViews(views));
    ASSERT_EQ(r.status, 0) << r.out << "\n" << WriteViews(views);
    // A view follows every view it reads.
    std::vector<std::string> order;
    for (const auto& v : views) order.push_back(v.name);
    EXPECT_LT(std::find(order.begin(), order.end(), "Unione"), std::find(order.begin(), order.end(), "SuUnione"));
    for (const auto& h : queries) {
      SCOPED_TRACE(h.query.name);
      auto it = std::find_if(views.begin(), views.end(), [&](const ViewTranslation& v) { return v.name == h.query.name; });
      ASSERT_NE(it, views.end());
      std::string read = server->QuoteName(h.query.name);
      if (!h.arguments.empty()) {
        // A view cannot ask for values: a function where the server has them, else a comment.
        if (!it->translated) {
          EXPECT_NE(it->reason.find("parametro"), std::string::npos) << it->reason;
          continue;
        }
        EXPECT_EQ(it->parameters.size(), h.query.parameters.size());
        read = server->QuoteName(h.query.name) + "(" + h.arguments + ")";
      }
      ASSERT_TRUE(it->translated) << it->reason;
      std::string error;
      std::vector<std::string> got = server->Rows(name, read, error);
      std::vector<std::string> want = h.rows;
      std::sort(want.begin(), want.end());
      EXPECT_EQ(got, want) << error << "\n" << it->sql;
    }
  }
}

// Every test database moved with its rows to the three servers: each query that became a view is
// created and read on all three, and the three must return the same multiset of rows (numbers to
// ten significant digits, see NormalField). A query with parameters, a function where the server
// has them, is called with Null for each. The share of select and union queries that ran
// everywhere is printed.
TEST_F(ViewsOnServers, EveryTestDatabaseSameRows) {
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(TAVREK_TEST_DATA)) {
    std::string ext = e.path().extension().string();
    if (ext == ".mdb" || ext == ".accdb") files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  dao::DBEngine engine;
  int selects = 0, everywhere = 0, onPostgres = 0, missing = 0, compared = 0, withoutRows = 0;
  for (const auto& f : files) {
    std::shared_ptr<dao::Database> db;
    try {
      db = engine.OpenDatabase(f.string());
    } catch (const dao::Error&) {
      continue;  // the protected files
    }
    if (db->QueryDefs().Count() == 0) continue;
    SCOPED_TRACE(f.filename().string());
    std::map<std::string, std::set<std::string>> ran;  // query -> servers it ran on
    std::map<std::string, std::map<std::string, std::vector<std::string>>> rows;  // view -> server -> rows
    std::vector<ViewTranslation> kinds;
    for (auto& server : servers_) {
      SCOPED_TRACE(server->Dialect());
      const SqlDialect& dialect = *FindSqlDialect(server->Dialect());
      DataOptions data;
      data.ddl.views = false;
      std::ostringstream script;
      try {
        WriteDataScript(*db, dialect, [&](const std::string& t) { return db->OpenRows(t); }, script, data);
      } catch (const DataError&) {
        // A value the server refuses (a date before its first year, NUL in text): the tables alone.
        ++withoutRows;
        script.str("");
        try {
          script << WriteDdl(*db, dialect, data.ddl);
        } catch (const DdlError&) {
          continue;
        }
      } catch (const DdlError&) {
        continue;  // names the server cannot take (tested with the DDL)
      }
      const auto views = TranslateQueries(*db, dialect);
      if (kinds.empty()) kinds = views;
      const std::string name = "db" + std::to_string(++counter_);
      std::string out;
      ASSERT_TRUE(server->Create(name, out)) << out;
      auto r = server->Run(name, script.str());
      ASSERT_EQ(r.status, 0) << r.out.substr(0, 4000);
      for (const auto& v : views) {
        if (!v.translated) {
          EXPECT_FALSE(v.reason.empty()) << v.name;
          continue;
        }
        std::string read = "SELECT COUNT(*) FROM " + server->QuoteName(v.name);
        if (!v.parameters.empty()) {
          read += "(";
          for (size_t i = 0; i < v.parameters.size(); ++i) read += i ? ", NULL" : "NULL";
          read += ")";
        }
        auto created = server->Run(name, v.sql + "\n" + read + ";");
        EXPECT_EQ(created.status, 0) << v.name << ": " << created.out << "\n" << v.sql;
        if (created.status != 0) continue;
        ran[v.name].insert(server->Dialect());
        if (!v.parameters.empty()) continue;
        std::string error;
        rows[v.name][server->Dialect()] = server->Rows(name, server->QuoteName(v.name), error);
        EXPECT_TRUE(error.empty()) << v.name << ": " << error;
      }
    }
    for (const auto& [view, byServer] : rows) {
      if (byServer.size() < 2) continue;
      ++compared;
      const auto& [firstServer, first] = *byServer.begin();
      for (const auto& [server, got] : byServer) {
        EXPECT_EQ(got, first) << view << ": " << server << " and " << firstServer << " differ";
      }
    }
    for (const auto& v : kinds) {
      if (v.kind != "select" && v.kind != "union") continue;
      ++selects;
      if (ran[v.name].size() == servers_.size()) ++everywhere;
      if (ran[v.name].count("postgresql")) ++onPostgres;
      if (v.missingSource) ++missing;
    }
  }
  ASSERT_GT(selects, 0);
  EXPECT_GT(compared, 0);
  std::printf("viste: %d query di selezione e unione, %d create e lette sui tre server (%.1f%%); "
              "%d leggono tabelle o query che il database non ha: delle altre %.1f%%; su PostgreSQL (viste "
              "o funzioni) %d; %d viste "
              "con le stesse righe su piu' server; %d caricamenti senza righe (valori rifiutati)\n",
              selects, everywhere, 100.0 * everywhere / selects, missing,
              selects > missing ? 100.0 * everywhere / (selects - missing) : 0.0, onPostgres, compared,
              withoutRows);
}

}  // namespace
