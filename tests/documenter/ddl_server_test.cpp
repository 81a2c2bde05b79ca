// The DDL scripts loaded into real PostgreSQL and MariaDB servers (started privately by
// sql_servers.sh as a CTest fixture), and the catalogue read back from each server compared with
// what the database says: tables, columns, primary keys and foreign keys with their actions.
// Run for the in-memory order-entry schema and for every database file of the test data.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "documenter/ddl.h"
#include "engine/dao.h"
#include "tests/documenter/sample_db.h"
#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace tavrek::doc;
namespace sample = tavrek::doc::sample;

std::string ServerFolder() {
  std::ifstream in(TAVREK_SQL_STATE);
  std::string dir;
  std::getline(in, dir);
  return dir;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string SqlText(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += '\'';
    if (c == '\\') out += '\\';
    out += c;
  }
  return out + "'";
}

// What a server holds, each part as sorted "a|b|c" rows.
struct Catalogue {
  std::vector<std::string> tables;
  std::vector<std::string> columns;      // table|position-ordered column list
  std::vector<std::string> primaryKeys;  // table|columns
  std::vector<std::string> foreignKeys;  // child|parent|child columns|parent columns|update|delete
};

// The tables only: the script also creates the queries as views, which the catalogue lists too.
void Sort(Catalogue& c) {
  std::set<std::string> tables(c.tables.begin(), c.tables.end());
  std::erase_if(c.columns, [&](const std::string& row) { return !tables.count(row.substr(0, row.find('|'))); });
  for (auto* v : {&c.tables, &c.columns, &c.primaryKeys, &c.foreignKeys}) std::sort(v->begin(), v->end());
}

// A normalized referential action: no action and restrict are the same for a new database.
std::string Action(const std::string& rule) {
  if (rule == "c" || rule == "CASCADE") return "CASCADE";
  if (rule == "n" || rule == "SET NULL") return "SET NULL";
  return "NO ACTION";
}

// What the DDL of `db` must create, of the tables `chosen` (empty: all).
Catalogue Expected(dao::Database& db, const std::vector<std::string>& chosen = {}) {
  Catalogue c;
  std::set<std::string> local;
  for (const dao::TableDef& t : db.TableDefs()) {
    if (t.IsSystem() || t.IsLinked()) continue;
    if (!chosen.empty() && std::find(chosen.begin(), chosen.end(), t.Name()) == chosen.end()) continue;
    local.insert(t.Name());
    c.tables.push_back(t.Name());
    auto rs = db.OpenRecordset(t.Name());
    std::string cols;
    for (const dao::Field& f : rs->Fields())
      if (f.Type() < dao::dbAttachment) cols += (cols.empty() ? "" : ",") + f.Name();
    c.columns.push_back(t.Name() + "|" + cols);
    for (const dao::Index& ix : rs->Indexes()) {
      if (!ix.Primary()) continue;
      std::string keys;
      for (const auto& k : ix.Fields()) keys += (keys.empty() ? "" : ",") + k.Name();
      c.primaryKeys.push_back(t.Name() + "|" + keys);
    }
  }
  for (const dao::Relation& r : db.Relations()) {
    if ((r.Attributes() & dao::dbRelationDontEnforce) || !local.count(r.Table()) ||
        !local.count(r.ForeignTable()))
      continue;
    std::string from, to;
    for (const auto& f : r.Fields()) {
      from += (from.empty() ? "" : ",") + f.ForeignName();
      to += (to.empty() ? "" : ",") + f.Name();
    }
    std::string del = (r.Attributes() & dao::dbRelationDeleteCascade) ? "CASCADE"
                      : (r.Attributes() & 0x2000)                     ? "SET NULL"
                                                                       : "NO ACTION";
    c.foreignKeys.push_back(r.ForeignTable() + "|" + r.Table() + "|" + from + "|" + to + "|" +
                            Action((r.Attributes() & dao::dbRelationUpdateCascade) ? "CASCADE" : "") +
                            "|" + del);
  }
  Sort(c);
  return c;
}

class Server {
 public:
  virtual ~Server() = default;
  virtual const char* Dialect() const = 0;
  // Creates database `name` and loads `script` into it; the client's output on failure.
  virtual bool Load(const std::string& name, const std::string& script, std::string& output) = 0;
  virtual Catalogue Read(const std::string& name) = 0;

 protected:
  std::vector<std::string> Query(const std::string& client, const std::string& sql) {
    const std::string file = temp_.File("query.sql");
    std::ofstream(file) << sql;
    const testshell::CommandResult r = testshell::RunCommand(client + " < " + testshell::ShellQuote(file) + " 2>&1");
    EXPECT_EQ(r.status, 0) << r.out;
    std::vector<std::string> rows = SplitLines(r.out);
    for (auto& r : rows) std::replace(r.begin(), r.end(), '\t', '|');
    return rows;
  }
  // Several queries in one run of the client: their rows, query by query.
  std::vector<std::vector<std::string>> Queries(const std::string& client,
                                                const std::vector<std::string>& sqls) {
    std::string joined;
    for (const auto& q : sqls) joined += "SELECT '@@';\n" + q + "\n";
    std::vector<std::vector<std::string>> out;
    for (const auto& row : Query(client, joined)) {
      if (row == "@@") out.emplace_back();
      else if (!out.empty()) out.back().push_back(row);
    }
    out.resize(sqls.size());
    return out;
  }
  bool LoadWith(const std::string& client, const std::string& script, std::string& output) {
    const std::string file = temp_.File("script.sql");
    std::ofstream(file) << script;
    const testshell::CommandResult r = testshell::RunCommand(client + " < " + testshell::ShellQuote(file) + " 2>&1");
    output = r.out;
    return r.status == 0;
  }
  testsupport::TempDir temp_{"tavrek-ddl"};
};

class Postgres : public Server {
 public:
  explicit Postgres(std::string dir) : dir_(std::move(dir)) {}
  const char* Dialect() const override { return "postgresql"; }
  std::string Client() const {
    return "psql -X -q -At -v ON_ERROR_STOP=1 -h '" + dir_ + "/pg' -U postgres -d postgres";
  }
  // Each database in a schema of its own.
  bool Load(const std::string& name, const std::string& script, std::string& output) override {
    return LoadWith(Client(), "CREATE SCHEMA " + name + "; SET search_path TO " + name + ";\n" + script,
                    output);
  }
  Catalogue Read(const std::string& name) override {
    const std::string schema = SqlText(name);
    auto rows = Queries(
        Client(),
        {"SELECT table_name FROM information_schema.tables WHERE table_schema=" + schema +
             " AND table_type = 'BASE TABLE';",
         "SELECT table_name || '|' || string_agg(column_name, ',' ORDER BY ordinal_position) "
         "FROM information_schema.columns WHERE table_schema=" + schema + " GROUP BY table_name;",
         "SELECT t.relname || '|' || string_agg(a.attname, ',' ORDER BY array_position(i.indkey, a.attnum)) "
         "FROM pg_index i JOIN pg_class t ON t.oid = i.indrelid JOIN pg_attribute a "
         "ON a.attrelid = i.indrelid AND a.attnum = ANY(i.indkey) "
         "WHERE i.indisprimary AND t.relnamespace = " + schema + "::regnamespace GROUP BY t.relname;",
         "SELECT (SELECT relname FROM pg_class WHERE oid = c.conrelid), "
         "(SELECT relname FROM pg_class WHERE oid = c.confrelid), "
         "(SELECT string_agg(a.attname, ',' ORDER BY k.i) FROM unnest(c.conkey) WITH ORDINALITY k(n, i) "
         " JOIN pg_attribute a ON a.attrelid = c.conrelid AND a.attnum = k.n), "
         "(SELECT string_agg(a.attname, ',' ORDER BY k.i) FROM unnest(c.confkey) WITH ORDINALITY k(n, i) "
         " JOIN pg_attribute a ON a.attrelid = c.confrelid AND a.attnum = k.n), "
         "c.confupdtype, c.confdeltype FROM pg_constraint c WHERE c.contype = 'f' "
         "AND c.connamespace = " + schema + "::regnamespace;"});
    Catalogue c{rows[0], rows[1], rows[2], rows[3]};
    for (auto& fk : c.foreignKeys) {
      auto parts = SplitFields(fk);
      if (parts.size() == 6) fk = parts[0] + "|" + parts[1] + "|" + parts[2] + "|" + parts[3] + "|" +
                                 Action(parts[4]) + "|" + Action(parts[5]);
    }
    Sort(c);
    return c;
  }
  static std::vector<std::string> SplitFields(const std::string& row) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t bar = row.find('|'); ; bar = row.find('|', start)) {
      out.push_back(row.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
      if (bar == std::string::npos) break;
      start = bar + 1;
    }
    return out;
  }

 private:
  std::string dir_;
};

class Mariadb : public Server {
 public:
  explicit Mariadb(std::string dir) : dir_(std::move(dir)) {}
  const char* Dialect() const override { return "mysql"; }
  std::string Client() const {
    return "mariadb --no-defaults --default-character-set=utf8mb4 -N -B -S '" + dir_ + "/my.sock' -u root";
  }
  bool Load(const std::string& name, const std::string& script, std::string& output) override {
    return LoadWith(Client(), "CREATE DATABASE " + name + " CHARACTER SET utf8mb4; USE " + name + ";\n" + script,
                    output);
  }
  Catalogue Read(const std::string& name) override {
    const std::string schema = SqlText(name);
    auto rows = Queries(
        Client(),
        {"SELECT table_name FROM information_schema.tables WHERE table_schema=" + schema +
             " AND table_type = 'BASE TABLE';",
         "SET SESSION group_concat_max_len = 1000000; "
         "SELECT CONCAT(table_name, '|', GROUP_CONCAT(column_name ORDER BY ordinal_position)) "
         "FROM information_schema.columns WHERE table_schema=" + schema + " GROUP BY table_name;",
         "SELECT CONCAT(table_name, '|', GROUP_CONCAT(column_name ORDER BY ordinal_position)) "
         "FROM information_schema.key_column_usage WHERE table_schema=" + schema +
             " AND constraint_name='PRIMARY' GROUP BY table_name;",
         "SELECT CONCAT(k.table_name, '|', k.referenced_table_name, '|', "
         "GROUP_CONCAT(k.column_name ORDER BY k.ordinal_position), '|', "
         "GROUP_CONCAT(k.referenced_column_name ORDER BY k.ordinal_position), '|', "
         "IF(r.update_rule = 'RESTRICT', 'NO ACTION', r.update_rule), '|', "
         "IF(r.delete_rule = 'RESTRICT', 'NO ACTION', r.delete_rule)) "
         "FROM information_schema.key_column_usage k JOIN information_schema.referential_constraints r "
         "ON r.constraint_schema = k.constraint_schema AND r.constraint_name = k.constraint_name "
         "AND r.table_name = k.table_name WHERE k.table_schema=" + schema +
             " AND k.referenced_table_name IS NOT NULL "
         "GROUP BY k.constraint_name, k.table_name, k.referenced_table_name, r.update_rule, r.delete_rule;"});
    Catalogue c{rows[0], rows[1], rows[2], rows[3]};
    Sort(c);
    return c;
  }

 private:
  std::string dir_;
};

void ExpectSame(const Catalogue& want, const Catalogue& got) {
  EXPECT_EQ(want.tables, got.tables);
  EXPECT_EQ(want.columns, got.columns);
  EXPECT_EQ(want.primaryKeys, got.primaryKeys);
  EXPECT_EQ(want.foreignKeys, got.foreignKeys);
}

class DdlOnServers : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ServerFolder();
    if (dir_.empty()) GTEST_SKIP() << "no servers: run through ctest (fixture sql_servers)";
    servers_.push_back(std::make_unique<Postgres>(dir_));
    servers_.push_back(std::make_unique<Mariadb>(dir_));
  }
  // Loads the DDL of `db` (of the tables `chosen`; empty: all) into a database of its own on each
  // server and compares the catalogue; the servers in `refusedBy` must be refused by the writer
  // with a DdlError instead.
  void Check(dao::Database& db, const std::string& label, const std::vector<std::string>& refusedBy = {},
             const std::vector<std::string>& chosen = {}) {
    Catalogue want = Expected(db, chosen);
    for (auto& server : servers_) {
      SCOPED_TRACE(std::string(server->Dialect()) + " " + label);
      const bool refused = std::count(refusedBy.begin(), refusedBy.end(), server->Dialect()) > 0;
      std::string script;
      try {
        DdlOptions options;
        options.tables = chosen;
        script = WriteDdl(db, *FindSqlDialect(server->Dialect()), options);
      } catch (const tavrek::doc::DdlError& e) {
        EXPECT_TRUE(refused) << e.what();
        continue;
      }
      EXPECT_FALSE(refused) << script;
      std::string name = "t" + std::to_string(++counter_);
      std::string output;
      ASSERT_TRUE(server->Load(name, script, output)) << output << "\n" << script;
      ExpectSame(want, server->Read(name));
    }
  }
  std::string dir_;
  std::vector<std::unique_ptr<Server>> servers_;
  static inline int counter_ = 0;
};

TEST_F(DdlOnServers, OrderSchema) {
  auto sample = sample::OrderSchema();
  auto db = sample.Build();
  Catalogue want = Expected(*db);
  // The expectations themselves: five relations, one not enforced; both sides of the cycle.
  EXPECT_EQ(want.foreignKeys,
            (std::vector<std::string>{"Ordini|Clienti|Cliente|ID|NO ACTION|NO ACTION",
                                      "Reparti|Responsabili|Capo|ID|NO ACTION|NO ACTION",
                                      "Responsabili|Reparti|Reparto|ID|NO ACTION|NO ACTION",
                                      "Righe|Ordini|Anno,Numero|Anno,Numero|CASCADE|CASCADE"}));
  Check(*db, "schema ordini");
}

// Schemas a server once refused: each loads, or is refused by the writer with a message.
TEST_F(DdlOnServers, AwkwardSchemas) {
  for (const auto& c : sample::AwkwardSchemas()) {
    auto db = c.build().Build();
    Check(*db, c.label, c.refusedBy);
  }
}

// Every file of the test data, protected ones with their passwords. MySQL keeps identifiers in
// the Basic Multilingual Plane only: a database with emoji in its names is refused for it, with a
// message, rather than written as broken DDL; with its other tables chosen, it loads on every
// server, without the relation to the table left out.
TEST_F(DdlOnServers, EveryTestDatabase) {
  int checked = 0;
  dao::DBEngine engine;
  for (const auto& f : sample::EveryTestDatabase(TAVREK_TEST_DATA)) {
    auto db = engine.OpenDatabase(f.path, false, true, f.connect);
    const bool emoji = f.path.find("stress-e-unicode") != std::string::npos;
    Check(*db, f.path, emoji ? std::vector<std::string>{"mysql"} : std::vector<std::string>{});
    if (emoji) {
      std::vector<std::string> inPlane;
      for (const dao::TableDef& t : db->TableDefs())
        if (!t.IsSystem() && !t.IsLinked() && t.Name().find("\xF0") == std::string::npos)
          inPlane.push_back(t.Name());
      ASSERT_GE(inPlane.size(), 2u) << f.path;
      Check(*db, f.path + ", without the tables named with emoji", {}, inPlane);
    }
    ++checked;
  }
  EXPECT_GE(checked, 40);
}

}  // namespace
