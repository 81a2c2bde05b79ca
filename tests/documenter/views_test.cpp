// The Access expression parser and the view translator, construct by construct, without servers
// (views_server_test.cpp runs the views): what each dialect writes, and what stops a query.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "documenter/access_expr.h"
#include "documenter/ddl.h"
#include "documenter/dictionary.h"
#include "documenter/html.h"
#include "documenter/markdown.h"
#include "documenter/readiness.h"
#include "documenter/view_translator.h"
#include "engine/dao.h"
#include "tests/documenter/sample_db.h"

namespace {

using namespace tavrek::doc;

// The tree in prefix form, to check precedence and grouping.
std::string Shape(const Expr& e) {
  switch (e.kind) {
    case Expr::Kind::kNumber: return e.text;
    case Expr::Kind::kString: return "'" + e.text + "'";
    case Expr::Kind::kDate: return "#" + e.text + "#";
    case Expr::Kind::kBool: return e.number ? "T" : "F";
    case Expr::Kind::kNull: return "null";
    case Expr::Kind::kStar: return "*";
    case Expr::Kind::kName: {
      std::string s;
      for (const auto& p : e.parts) s += (s.empty() ? "" : ".") + p;
      return s + (e.star ? ".*" : "");
    }
    default: break;
  }
  std::string head = e.kind == Expr::Kind::kCall      ? e.text
                     : e.kind == Expr::Kind::kLike    ? "like"
                     : e.kind == Expr::Kind::kIsNull  ? "isnull"
                     : e.kind == Expr::Kind::kBetween ? "between"
                     : e.kind == Expr::Kind::kIn      ? "in"
                     : e.kind == Expr::Kind::kSubquery ? "subquery"
                     : e.kind == Expr::Kind::kExists  ? "exists"
                                                      : e.op;
  if (e.negated) head = "not-" + head;
  std::string s = "(" + head;
  for (const auto& a : e.args) s += " " + Shape(*a);
  return s + ")";
}

TEST(AccessExpression, PrecedenceAndForms) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"1 + 2 * 3", "(+ 1 (* 2 3))"},
      {"-2 ^ 2", "(- (^ 2 2))"},
      {"a & b + c", "(& a (+ b c))"},
      {"7 \\ 2 Mod 3", "(MOD (\\ 7 2) 3)"},
      {"Not a = 1 And b Or c", "(OR (AND (NOT (= a 1)) b) c)"},
      {"x Between 1 And 2 And y", "(AND (between x 1 2) y)"},
      {"x Not In (1, \"a\")", "(not-in x 1 'a')"},
      {"[a b].[c] Is Not Null", "(not-isnull a b.c)"},
      {"n Not Like 'it''s*'", "(not-like n 'it's*')"},
      {"IIf([x]>0, True, False)", "(IIf (> x 0) T F)"},
      {"Count(*)", "(Count *)"},
      {"Left(a, 2)", "(Left a 2)"},
      {"[Forms]![F]![c]", "Forms.F.c"},
      {"#1/2/2003# <= d", "(<= #1/2/2003# d)"},
      {"\"say \"\"hi\"\"\"", "'say \"hi\"'"},
      {"x In (SELECT y FROM t)", "(in x)"},
      {"Exists (SELECT * FROM t WHERE t.a = b)", "(exists)"},
  };
  for (const auto& [text, shape] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Shape(*ParseAccessExpression(text)), shape);
  }
  for (const char* bad : {"1 +", "(a", "\"open", "[open", "a b", "x Not 3"}) {
    EXPECT_THROW(ParseAccessExpression(bad), AccessSyntaxError) << bad;
  }
}

TEST(AccessSelect, UnionsJoinsAndDerivedTables) {
  UnionStatement u = ParseAccessSelect(
      "PARAMETERS p Long; SELECT DISTINCT TOP 5 PERCENT a AS x, t.* FROM (t INNER JOIN u ON t.k = u.k) "
      "LEFT JOIN (SELECT k FROM v;) AS w ON w.k = t.k WHERE a > 1 GROUP BY a HAVING Count(*) > 1 "
      "UNION ALL SELECT b, c FROM z ORDER BY 1 DESC;");
  ASSERT_EQ(u.parts.size(), 2u);
  EXPECT_TRUE(u.all[1]);
  const SelectStatement& s = u.parts[0];
  EXPECT_TRUE(s.distinct);
  EXPECT_EQ(s.top.value_or(""), "5");
  EXPECT_TRUE(s.topPercent);
  EXPECT_EQ(s.items[0].alias, "x");
  EXPECT_TRUE(s.items[1].expr->star);
  ASSERT_EQ(s.from.size(), 1u);
  EXPECT_EQ(s.from[0].join, "LEFT");
  EXPECT_EQ(s.from[0].left->join, "INNER");
  EXPECT_EQ(s.from[0].right->kind, FromItem::Kind::kDerived);
  EXPECT_EQ(s.from[0].right->alias, "w");
  ASSERT_EQ(u.orderBy.size(), 1u);
  EXPECT_TRUE(u.orderBy[0].descending);
}

// What each server gets for one Access construct. Columns come out as "t"."name".
TEST(ViewTranslator, ConstructsPerDialect) {
  struct Case {
    const char* access;
    const char* sqlite;
    const char* postgresql;
    const char* mysql;
  };
  const Case cases[] = {
      {"[a] & \"x\"", "(COALESCE(\"t\".\"a\", '') || COALESCE('x', ''))", "CONCAT(\"t\".\"a\", 'x')",
       "CONCAT_WS('', `t`.`a`, 'x')"},
      {"\"x\" + [a]", "('x' || \"t\".\"a\")", "('x' || \"t\".\"a\")", "CONCAT('x', `t`.`a`)"},
      {"[a] + 1", "(\"t\".\"a\" + 1)", "(\"t\".\"a\" + 1)", "(`t`.`a` + 1)"},
      {"7 / 2", "(CAST(7 AS REAL) / 2)", "(CAST(7 AS DOUBLE PRECISION) / 2)", "(7 / 2)"},
      {"2 ^ 3", "POWER(2, 3)", "POWER(2, 3)", "POWER(2, 3)"},
      {"[n] Like \"A*?\"", "(\"t\".\"n\" LIKE 'A%_')", "(\"t\".\"n\" ILIKE 'A%_')", "(`t`.`n` LIKE 'A%_')"},
      {"[n] Like \"[!a-c]#*\"", "(UPPER(\"t\".\"n\") GLOB '[^A-C][0-9]*')", "(\"t\".\"n\" ~* '^[^a-c][0-9].*$')",
       "(`t`.`n` REGEXP '^[^a-c][0-9].*$')"},
      {"[n] Like \"50%\"", "(UPPER(\"t\".\"n\") GLOB '50%')", "(\"t\".\"n\" ~* '^50%$')", "(`t`.`n` REGEXP '^50%$')"},
      {"[d] > #12/31/1999 1:30:00 PM#", "(\"t\".\"d\" > '1999-12-31 13:30:00')",
       "(\"t\".\"d\" > TIMESTAMP '1999-12-31 13:30:00')", "(`t`.`d` > TIMESTAMP '1999-12-31 13:30:00')"},
      {"True", "1", "TRUE", "TRUE"},
      {"IIf([a] Is Null, 0, [a])", "(CASE WHEN (\"t\".\"a\" IS NULL) THEN 0 ELSE \"t\".\"a\" END)",
       "(CASE WHEN (\"t\".\"a\" IS NULL) THEN 0 ELSE \"t\".\"a\" END)",
       "(CASE WHEN (`t`.`a` IS NULL) THEN 0 ELSE `t`.`a` END)"},
      {"Len([s])", "LENGTH(\"t\".\"s\")", "CHAR_LENGTH(CAST(\"t\".\"s\" AS TEXT))", "CHAR_LENGTH(`t`.`s`)"},
      {"Year([d])", "CAST(STRFTIME('%Y', \"t\".\"d\") AS INTEGER)", "CAST(EXTRACT(YEAR FROM \"t\".\"d\") AS INTEGER)",
       "YEAR(`t`.`d`)"},
      {"DateAdd(\"q\", 1, [d])", "DATETIME(\"t\".\"d\", PRINTF('%+d months', (1 * 3)))",
       "(\"t\".\"d\" + (1 * 3) * INTERVAL '1 month')", "(`t`.`d` + INTERVAL (1 * 3) MONTH)"},
      {"'it''s \\ ok'", "'it''s \\ ok'", "'it''s \\ ok'", "'it''s \\\\ ok'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.access);
    EXPECT_EQ(TranslateExpression(c.access, *FindSqlDialect("sqlite")), c.sqlite);
    EXPECT_EQ(TranslateExpression(c.access, *FindSqlDialect("postgresql")), c.postgresql);
    EXPECT_EQ(TranslateExpression(c.access, *FindSqlDialect("mysql")), c.mysql);
  }
  // Access rounds half to even: the rounding is spelt out, with the server's truncation.
  EXPECT_EQ(TranslateExpression("Round([x])", *FindSqlDialect("mysql")),
            "(CASE WHEN ABS(`t`.`x` - TRUNCATE(`t`.`x`, 0)) = 0.5 THEN 2 * ROUND(`t`.`x` / 2) ELSE "
            "ROUND(`t`.`x`) END)");
}

TEST(ViewTranslator, WhatStopsAnExpression) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"[Forms]![Ordini]![Cliente]", "maschera"},
      {"MyVbaFunction([a])", "MyVbaFunction"},
      {"First([a])", "First"},
      {"StDev([a])", "StDev"},  // SQLite has no standard deviation
      {"DateAdd(\"x\", 1, [d])", "DateAdd"},
      {"[a] Xor [b]", "XOR"},
      {"Round([a], [b])", "Round"},
      {"Format([d], \"ww c\")", "ww c"},      // week numbers and Access's own date form
      {"Format([n], \"0.0#\")", "0.0#"},      // optional digits
      {"Format([n], [f])", "non costante"},
  };
  for (const auto& [text, construct] : cases) {
    SCOPED_TRACE(text);
    try {
      TranslateExpression(text, *FindSqlDialect("sqlite"));
      ADD_FAILURE() << "translated";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(construct), std::string::npos) << e.what();
    }
  }
  EXPECT_NO_THROW(TranslateExpression("StDev([a])", *FindSqlDialect("postgresql")));
}

// Queries on a database: kinds that stay comments, parameters, dependency order and naming.
TEST(ViewTranslator, QueriesOfADatabase) {
  sample::SampleDb db;
  dao::TableDetail t;
  t.fields = {sample::Field("ID", dao::dbLong), sample::Field("Nome", dao::dbText, 20)};
  db.AddTable("T", t);
  auto add = [&](const std::string& name, std::vector<engine::QueryRow> rows, int16_t type) {
    db.AddQuery(name, engine::BuildQuerySql(rows), type);
    db.source->queryRows.push_back(std::move(rows));
  };
  auto row = [](int attr, std::optional<int> flag, const char* n1, const char* n2, const char* expr) {
    engine::QueryRow r;
    r.attribute = attr;
    r.flag = flag;
    if (n1) r.name1 = n1;
    if (n2) r.name2 = n2;
    if (expr) r.expression = expr;
    return r;
  };
  // "A" reads "B", which reads T: B must come first.
  add("A", {row(1, 1, nullptr, nullptr, nullptr), row(5, {}, "B", nullptr, nullptr), row(6, {}, nullptr, nullptr, "Nome")}, 0);
  add("B", {row(1, 1, nullptr, nullptr, nullptr), row(5, {}, "T", nullptr, nullptr), row(6, {}, nullptr, nullptr, "T.Nome"),
            row(6, {}, nullptr, nullptr, "[ID] * 2"), row(8, {}, nullptr, nullptr, "ID > [Quale?]")},
      0);
  add("C", {row(1, 4, nullptr, nullptr, nullptr), row(5, {}, "T", nullptr, nullptr), row(6, {}, nullptr, "Nome", "\"x\"")}, 48);
  add("D", {row(1, 1, nullptr, nullptr, nullptr), row(5, {}, "T", nullptr, nullptr), row(6, {}, nullptr, nullptr, "ID"),
            row(6, {}, nullptr, nullptr, "ID * 2")},
      0);
  auto database = db.Build();
  auto views = TranslateQueries(*database, *FindSqlDialect("postgresql"));
  ASSERT_EQ(views.size(), 4u);
  // B asks for an undeclared parameter, so neither B nor A (which reads it) become views.
  EXPECT_EQ(views[0].name, "D");
  EXPECT_TRUE(views[0].translated);
  EXPECT_EQ(views[0].sql, "CREATE VIEW \"D\" AS\nSELECT \"T\".\"ID\" AS \"ID\", (\"T\".\"ID\" * 2) AS \"Expr1000\"\nFROM \"T\";");
  for (size_t i = 1; i < 4; ++i) EXPECT_FALSE(views[i].translated);
  EXPECT_NE(views[1].reason.find("[B]"), std::string::npos) << views[1].reason;  // A
  EXPECT_NE(views[2].reason.find("Quale?"), std::string::npos) << views[2].reason;  // B
  EXPECT_NE(views[3].reason.find("aggiornamento"), std::string::npos) << views[3].reason;  // C
  const std::string block = WriteViews(views);
  EXPECT_NE(block.find("--   UPDATE"), std::string::npos) << block;
  EXPECT_EQ(block.find("\nUPDATE"), std::string::npos) << block;
}

}  // namespace

namespace {

// The kinds a finding of `object` has, for the dialects it names.
std::string KindsOf(const tavrek::doc::ReadinessReport& r, const std::string& object) {
  std::string out;
  for (const auto& f : r.findings) {
    if (f.object != object) continue;
    out += (out.empty() ? "" : " ") + f.kind;
    if (f.servers.size() != 3) {
      for (const auto& s : f.servers) out += ":" + s;
    }
  }
  return out;
}

TEST(Readiness, EveryKindWhereItOccurs) {
  using namespace tavrek::doc;
  sample::SampleDb db;
  dao::TableDetail keyed;
  keyed.fields = {sample::Field("ID", dao::dbLong), sample::Field("Attivo", dao::dbBoolean),
                  sample::Field("Angolo", dao::dbInteger)};
  keyed.fields[2].validationRule = ">=0 And <=360";
  keyed.indexes = {{"PrimaryKey", {"ID"}, {}, true, true}};
  db.AddTable("Buona", keyed);
  dao::TableDetail loose;
  loose.fields = {sample::Field("Misura", dao::dbDouble), sample::Field("Foto", dao::dbAttachment),
                  sample::Field("Codice", dao::dbText, 10)};
  loose.fields[2].validationRule = "MiaFunzione([Codice])";
  loose.indexes = {{"Misura", {"Misura"}, {}, false, true}};
  db.AddTable("order", loose);
  dao::TableDetail bare;
  bare.fields = {sample::Field("X", dao::dbLong)};
  db.AddTable(std::string(70, 'n'), bare);
  db.AddLinked("Remota", ";DATABASE=C:\\altro.mdb", "Remota");
  auto add = [&](const std::string& name, const char* expression) {
    std::vector<engine::QueryRow> rows(3);
    rows[0].attribute = 1;
    rows[0].flag = 1;
    rows[1].attribute = 5;
    rows[1].name1 = "Buona";
    rows[2].attribute = 6;
    rows[2].expression = expression;
    db.AddQuery(name, engine::BuildQuerySql(rows), 0);
    db.source->queryRows.push_back(rows);
  };
  add("Maschera", "[Forms]![F]![c]");
  add("Vba", "MiaFunzione(ID)");
  add("SiNo", "Attivo * 2");
  auto database = db.Build();
  const ReadinessReport r = BuildReadiness(*database, false);
  EXPECT_EQ(KindsOf(r, "Buona"), "");  // its rule ">=0 And <=360" becomes a CHECK
  EXPECT_EQ(KindsOf(r, "order"),
            "parola_riservata chiave_virgola_mobile campo_complesso regola_non_traducibile");
  EXPECT_EQ(KindsOf(r, std::string(70, 'n')), "nome_troppo_lungo:postgresql:mysql senza_chiave");
  EXPECT_EQ(KindsOf(r, "Remota"), "tabella_collegata");
  EXPECT_EQ(KindsOf(r, "Maschera"), "riferimento_maschera");
  EXPECT_EQ(KindsOf(r, "Vba"), "funzione_vba");
  EXPECT_EQ(KindsOf(r, "SiNo"), "si_no_come_numero");
  // Reserved words alone need no person: every object above but Buona does.
  EXPECT_EQ(r.objectsNeedingPerson, 6);
  EXPECT_EQ(r.counts.at("senza_chiave"), 1);
  const std::string json = ReadinessJson(r);
  EXPECT_NE(json.find("\"objectsNeedingPerson\":6"), std::string::npos) << json;
  EXPECT_NE(ReadinessText(r).find("tabella \"order\""), std::string::npos);
}

// From the rows of a real file: text values that differ only by case.
TEST(Readiness, CaseOnlyDuplicatesFromTheRows) {
  using namespace tavrek::doc;
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(std::string(TAVREK_TEST_DATA) + "/access-sql/targetlists.accdb");
  const ReadinessReport r = BuildReadiness(*db);
  EXPECT_EQ(KindsOf(r, "tbl_Task_List"), "maiuscole_minuscole:sqlite:postgresql");
  EXPECT_EQ(KindsOf(r, "tlu_NCPN_Plants"), "tabella_collegata");
  EXPECT_EQ(KindsOf(r, "qryPlantSpecies"), "query_non_tradotta");
}

// The data dictionary's part on migration lists every finding of the report read without the
// rows, each linked to its table's or query's entry, in Markdown and HTML alike.
TEST(Readiness, PartOfTheDictionary) {
  using namespace tavrek::doc;
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(std::string(TAVREK_TEST_DATA) + "/access-sql/targetlists.accdb");
  const ReadinessReport r = BuildReadiness(*db, false);
  ASSERT_FALSE(r.findings.empty());
  const Dictionary d = ReadDictionary(*db);
  const std::string md = MarkdownDictionary(d);
  const size_t part = md.find("\n## Preparazione alla migrazione\n");
  ASSERT_NE(part, std::string::npos);
  size_t rows = 0;
  for (size_t at = md.find("\n| ", part); at != std::string::npos; at = md.find("\n| ", at + 1)) {
    const std::string row = md.substr(at + 3, md.find('\n', at + 1) - at - 3);
    if (row.rfind("tabella [", 0) == 0 || row.rfind("query [", 0) == 0) ++rows;
  }
  EXPECT_EQ(rows, r.findings.size());
  EXPECT_NE(md.find("| tabella [tlu\\_NCPN\\_Plants](#t22) | tabella collegata", part), std::string::npos);
  const std::string html = HtmlDictionary(d);
  const size_t section = html.find("<section id=\"migrazione\">");
  ASSERT_NE(section, std::string::npos);
  EXPECT_NE(html.find("href=\"#t22\"", section), std::string::npos);
  // A view over a system table copied at migration needs a person to say whether that will do.
  auto vba = engine.OpenDatabase(std::string(TAVREK_TEST_DATA) + "/app/Access_Example_VBA.accdb");
  EXPECT_EQ(KindsOf(BuildReadiness(*vba, false), "803a_Calendar_List_qry"), "tabella_di_sistema");
}

}  // namespace
