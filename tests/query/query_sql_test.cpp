// Rebuilding query text from MSysQueries rows: the queries of the queryTest databases, which must
// read exactly as Access shows them, then clause and flag combinations those files do not hold,
// then rows that are broken in various ways.
#include "engine/query/query_sql.h"
#include "tests/query/query_row.h"
#include "tests/query/access_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <vector>

namespace {

using engine::BuildQuerySql;
using engine::QueryRow;
using engine::QueryTypeFromRows;

using querytest::Row;

#include "tests/query/corpus_rows.inc"

using tavrek_test::kAccessTexts;
using tavrek_test::AccessText;

void ExpectCorpus(const std::map<std::string, const std::vector<QueryRow>*>& queries) {
  ASSERT_EQ(queries.size(), std::size(kAccessTexts));
  for (const AccessText& expected : kAccessTexts) {
    SCOPED_TRACE(expected.name);
    const auto it = queries.find(expected.name);
    ASSERT_NE(it, queries.end());
    EXPECT_EQ(BuildQuerySql(*it->second), expected.sql);
    EXPECT_EQ(QueryTypeFromRows(*it->second), expected.type);
  }
}

TEST(QuerySqlCorpus, Jet3AndAceRowsGiveAccessTexts) {
  ExpectCorpus({{"SelectQuery", &kJet3AceSelectQuery},
                {"DeleteQuery", &kJet3AceDeleteQuery},
                {"AppendQuery", &kJet3AceAppendQuery},
                {"UpdateQuery", &kJet3AceUpdateQuery},
                {"MakeTableQuery", &kJet3AceMakeTableQuery},
                {"CrosstabQuery", &kJet3AceCrosstabQuery},
                {"UnionQuery", &kJet3AceUnionQuery},
                {"PassthroughQuery", &kJet3AcePassthroughQuery},
                {"DataDefinitionQuery", &kJet3AceDataDefinitionQuery}});
}

TEST(QuerySqlCorpus, Jet4RowsInTheirOtherOrderGiveAccessTexts) {
  ExpectCorpus({{"SelectQuery", &kJet4SelectQuery},
                {"DeleteQuery", &kJet4DeleteQuery},
                {"AppendQuery", &kJet4AppendQuery},
                {"UpdateQuery", &kJet4UpdateQuery},
                {"MakeTableQuery", &kJet4MakeTableQuery},
                {"CrosstabQuery", &kJet4CrosstabQuery},
                {"UnionQuery", &kJet4UnionQuery},
                {"PassthroughQuery", &kJet4PassthroughQuery},
                {"DataDefinitionQuery", &kJet4DataDefinitionQuery}});
}

TEST(QuerySqlCorpus, StoredTextLosesItsTerminatingNul) {
  std::vector<QueryRow> rows = kJet4DataDefinitionQuery;
  for (QueryRow& row : rows) {
    if (row.attribute == 1) row.expression = std::string("DROP TABLE T;\0\0", 15);
  }
  EXPECT_EQ(BuildQuerySql(rows), "DROP TABLE T;");
}

// A select query on Table1 with the given extra rows.
std::vector<QueryRow> Select(std::vector<QueryRow> extra, int flags = 0) {
  std::vector<QueryRow> rows = {Row(0, 0, nullptr, nullptr, nullptr),
                                Row(1, 1, nullptr, nullptr, nullptr),
                                Row(3, flags, nullptr, nullptr, nullptr),
                                Row(5, std::nullopt, "Table1", nullptr, nullptr)};
  rows.insert(rows.end(), extra.begin(), extra.end());
  rows.push_back(Row(255, std::nullopt, nullptr, nullptr, nullptr));
  return rows;
}

QueryRow Column(const char* expression, const char* alias = nullptr) {
  return Row(6, 0, alias, nullptr, expression);
}

TEST(QuerySqlSelect, StarAliasesAndPredicates) {
  const std::vector<QueryRow> columns = {Column("Table1.id"), Column("Table1.col", "Some.Alias"),
                                         Column("Table1.x", "Plain_1"),
                                         Column("Table1.y", "[Già]")};
  EXPECT_EQ(BuildQuerySql(Select(columns, 0x01)),
            "SELECT Table1.id, Table1.col AS [Some.Alias], Table1.x AS Plain_1, "
            "Table1.y AS [Già], *\r\nFROM Table1;\r\n");
  EXPECT_EQ(BuildQuerySql(Select({Column("a")}, 0x08)), "SELECT DISTINCTROW a\r\nFROM Table1;\r\n");
  EXPECT_EQ(BuildQuerySql(Select({Column("a")}, 0x02 | 0x04)),
            "SELECT DISTINCT a\r\nFROM Table1\r\nWITH OWNERACCESS OPTION;\r\n");

  std::vector<QueryRow> top = Select({Column("a")}, 0x10 | 0x20);
  top[2].name1 = "5";
  EXPECT_EQ(BuildQuerySql(top), "SELECT TOP 5 PERCENT a\r\nFROM Table1;\r\n");
  top[2].flag = 0x10 | 0x02;
  top[2].name1 = "25";
  EXPECT_EQ(BuildQuerySql(top), "SELECT DISTINCT TOP 25 a\r\nFROM Table1;\r\n");
}

TEST(QuerySqlSelect, ParametersOfSeveralTypes) {
  const std::vector<QueryRow> rows = Select({
      Row(2, 3, "INT_VAL", nullptr, nullptr),
      Row(2, 10, "TextVal", nullptr, nullptr),
      Row(2, 0, "[Some Value]", nullptr, nullptr),
      Row(2, 8, "[Da data]", nullptr, nullptr),
      Row(2, 7, "Rate", nullptr, nullptr),
      Row(2, 1, "Flag", nullptr, nullptr),
      Row(2, 12, "Note", nullptr, nullptr),
      Column("Table1.id"),
  });
  EXPECT_EQ(BuildQuerySql(rows),
            "PARAMETERS INT_VAL Short, TextVal Text, [Some Value] Value, [Da data] DateTime, "
            "Rate IEEEDouble, Flag Bit, [Note] LongText;\r\n"
            "SELECT Table1.id\r\nFROM Table1;\r\n");
}

// A text parameter's stored size (LvExtra) is written the way Access 2007 and later write it;
// the same column on a parameter of another type is not shown. Names that need brackets get
// them. Access's own text, from a real export: "PARAMETERS park Text ( 255 ), tgtYear Short;".
TEST(QuerySqlSelect, TextParameterSizeAndBracketedNames) {
  std::vector<QueryRow> rows = Select({Row(2, 10, "park", nullptr, nullptr),
                                       Row(2, 3, "tgtYear", nullptr, nullptr),
                                       Row(2, 10, "User Name", nullptr, nullptr),
                                       Row(2, 10, "Year", nullptr, nullptr), Column("a")});
  rows[4].lv_extra = 255;
  rows[5].lv_extra = 255;
  rows[6].lv_extra = 50;
  EXPECT_EQ(BuildQuerySql(rows),
            "PARAMETERS park Text ( 255 ), tgtYear Short, [User Name] Text ( 50 ), [Year] Text;"
            "\r\nSELECT a\r\nFROM Table1;\r\n");
}

TEST(QuerySqlSelect, TablesAliasesAndExternalDatabase) {
  std::vector<QueryRow> rows = Select({
      Row(5, std::nullopt, "Table2", "Another Table", nullptr),
      Row(5, std::nullopt, "val", "Table3Val", "Select val from Table3"),
      Column("Table1.id"),
      Row(4, 2, "other_db.mdb", nullptr, nullptr),
  });
  EXPECT_EQ(BuildQuerySql(rows),
            "SELECT Table1.id\r\nFROM Table1, Table2 AS [Another Table], "
            "[Select val from Table3].val AS Table3Val IN 'other_db.mdb';\r\n");
  rows[rows.size() - 2] = Row(4, 2, nullptr, nullptr, "dBASE IV;");
  EXPECT_EQ(BuildQuerySql(rows),
            "SELECT Table1.id\r\nFROM Table1, Table2 AS [Another Table], "
            "[Select val from Table3].val AS Table3Val IN '' [dBASE IV;];\r\n");
}

TEST(QuerySqlSelect, WhereGroupByHavingOrderByDesc) {
  const std::vector<QueryRow> rows = Select({
      Column("Table1.id"),
      Column("Sum(Table1.val)", "Total"),
      Row(11, std::nullopt, nullptr, nullptr, "Table1.id"),
      Row(11, std::nullopt, "D", nullptr, "Sum(Table1.val)"),
      Row(10, std::nullopt, nullptr, nullptr, "(Sum(Table1.val)>500)"),
      Row(9, 0, nullptr, nullptr, "Table1.id"),
      Row(8, std::nullopt, nullptr, nullptr, "((Table1.col2)<13)"),
  });
  EXPECT_EQ(BuildQuerySql(rows),
            "SELECT Table1.id, Sum(Table1.val) AS Total\r\n"
            "FROM Table1\r\n"
            "WHERE ((Table1.col2)<13)\r\n"
            "GROUP BY Table1.id\r\n"
            "HAVING (Sum(Table1.val)>500)\r\n"
            "ORDER BY Table1.id, Sum(Table1.val) DESC;\r\n");
}

// Select * over the tables T1..Tn with the given joins (from, to, kind).
std::vector<QueryRow> JoinQuery(int tables, const std::vector<std::array<int, 3>>& joins) {
  static std::vector<std::string> names;  // keeps the c_str() pointers valid
  names.clear();
  names.reserve(3 * joins.size() + tables);
  std::vector<QueryRow> rows = {Row(1, 1, nullptr, nullptr, nullptr),
                                Row(3, 1, nullptr, nullptr, nullptr)};
  for (int i = 1; i <= tables; ++i) {
    names.push_back("T" + std::to_string(i));
    rows.push_back(Row(5, std::nullopt, names.back().c_str(), nullptr, nullptr));
  }
  for (std::size_t i = 0; i < joins.size(); ++i) {
    const auto& [from, to, kind] = joins[i];
    names.push_back("T" + std::to_string(from));
    const char* from_name = names.back().c_str();
    names.push_back("T" + std::to_string(to));
    const char* to_name = names.back().c_str();
    names.push_back("T" + std::to_string(from) + ".k" + std::to_string(i) + "=T" +
                    std::to_string(to) + ".k" + std::to_string(i));
    rows.push_back(Row(7, kind, from_name, to_name, names.back().c_str()));
  }
  return rows;
}

// Select * over Table1..Table<tables> (no table rows when 0) with the joins (from, to, kind),
// the i-th condition reading "TableA.f<3i> = TableB.f<3i>".
std::string NestedJoinSql(int tables, const std::vector<std::array<int, 3>>& joins) {
  std::vector<std::string> names;
  names.reserve(tables + 3 * joins.size());
  std::vector<QueryRow> rows = {Row(1, 1, nullptr, nullptr, nullptr),
                                Row(3, 1, nullptr, nullptr, nullptr)};
  for (int i = 1; i <= tables; ++i) {
    names.push_back("Table" + std::to_string(i));
    rows.push_back(Row(5, std::nullopt, names.back().c_str(), nullptr, nullptr));
  }
  for (std::size_t i = 0; i < joins.size(); ++i) {
    const std::string from = "Table" + std::to_string(joins[i][0]);
    const std::string to = "Table" + std::to_string(joins[i][1]);
    const std::string field = ".f" + std::to_string(3 * i);
    names.push_back(from);
    const char* from_name = names.back().c_str();
    names.push_back(to);
    const char* to_name = names.back().c_str();
    names.push_back(from + field + " = " + to + field);
    rows.push_back(Row(7, joins[i][2], from_name, to_name, names.back().c_str()));
  }
  return BuildQuerySql(rows);
}

TEST(QuerySqlJoins, ManyTablesNestAsAccessWritesThem) {
  EXPECT_EQ(NestedJoinSql(10, {{1, 2, 1}, {1, 3, 1}, {6, 3, 1}, {1, 9, 2}, {10, 9, 3},
                               {7, 8, 3}, {1, 8, 2}, {1, 4, 2}, {5, 4, 3}}),
            "SELECT *\r\nFROM Table5 RIGHT JOIN (((Table10 RIGHT JOIN ((Table6 INNER JOIN "
            "((Table1 INNER JOIN Table2 ON Table1.f0 = Table2.f0) INNER JOIN Table3 ON Table1.f3 "
            "= Table3.f3) ON Table6.f6 = Table3.f6) LEFT JOIN Table9 ON Table1.f9 = Table9.f9) ON "
            "Table10.f12 = Table9.f12) LEFT JOIN (Table7 RIGHT JOIN Table8 ON Table7.f15 = "
            "Table8.f15) ON Table1.f18 = Table8.f18) LEFT JOIN Table4 ON Table1.f21 = Table4.f21) "
            "ON Table5.f24 = Table4.f24;\r\n");
  EXPECT_EQ(NestedJoinSql(10, {{1, 2, 1}, {3, 4, 1}, {5, 6, 1}, {7, 8, 1}, {2, 3, 1},
                               {5, 8, 1}}),
            "SELECT *\r\nFROM Table9, Table10, (Table1 INNER JOIN Table2 ON Table1.f0 = "
            "Table2.f0) INNER JOIN (Table3 INNER JOIN Table4 ON Table3.f3 = Table4.f3) ON "
            "Table2.f12 = Table3.f12, (Table5 INNER JOIN Table6 ON Table5.f6 = Table6.f6) INNER "
            "JOIN (Table7 INNER JOIN Table8 ON Table7.f9 = Table8.f9) ON Table5.f15 = "
            "Table8.f15;\r\n");
}

TEST(QuerySqlJoins, JoinsAloneNameTheirTables) {
  EXPECT_EQ(NestedJoinSql(0, {{1, 2, 1}, {2, 3, 1}, {2, 4, 1}, {1, 4, 1}, {5, 3, 1}}),
            "SELECT *\r\nFROM Table5 INNER JOIN (((Table1 INNER JOIN Table2 ON Table1.f0 = "
            "Table2.f0) INNER JOIN Table3 ON Table2.f3 = Table3.f3) INNER JOIN Table4 ON "
            "(Table1.f9 = Table4.f9) AND (Table2.f6 = Table4.f6)) ON Table5.f12 = Table3.f12;\r\n");
}

TEST(QuerySqlJoins, ThreeTablesNestLeftToRight) {
  EXPECT_EQ(BuildQuerySql(JoinQuery(4, {{1, 2, 1}, {2, 3, 3}})),
            "SELECT *\r\nFROM T4, (T1 INNER JOIN T2 ON T1.k0=T2.k0) RIGHT JOIN T3 ON "
            "T2.k1=T3.k1;\r\n");
}

TEST(QuerySqlJoins, TwoJoinedPairsJoinEachOtherInParentheses) {
  EXPECT_EQ(BuildQuerySql(JoinQuery(5, {{1, 2, 1}, {3, 4, 2}, {2, 3, 3}})),
            "SELECT *\r\nFROM T5, (T1 INNER JOIN T2 ON T1.k0=T2.k0) RIGHT JOIN "
            "(T3 LEFT JOIN T4 ON T3.k1=T4.k1) ON T2.k2=T3.k2;\r\n");
}

TEST(QuerySqlJoins, LaterConditionOnSameJoinIsWrittenFirst) {
  EXPECT_EQ(BuildQuerySql(JoinQuery(2, {{1, 2, 1}, {2, 1, 1}, {1, 2, 1}})),
            "SELECT *\r\nFROM T1 INNER JOIN T2 ON (T1.k2=T2.k2) AND (T2.k1=T1.k1) AND "
            "(T1.k0=T2.k0);\r\n");
}

TEST(QuerySqlJoins, TableNamesMatchWithoutRegardToCase) {
  std::vector<QueryRow> rows = JoinQuery(2, {{1, 2, 2}});
  rows.back().name1 = "t1";
  EXPECT_EQ(BuildQuerySql(rows), "SELECT *\r\nFROM T1 LEFT JOIN T2 ON T1.k0=T2.k0;\r\n");
}

TEST(QuerySqlJoins, AliasNamesTheTableInJoins) {
  const std::vector<QueryRow> rows = {
      Row(1, 1, nullptr, nullptr, nullptr), Row(3, 1, nullptr, nullptr, nullptr),
      Row(5, std::nullopt, "Clienti", "C 1", nullptr),
      Row(5, std::nullopt, "Ordini", nullptr, nullptr),
      Row(7, 2, "C 1", "Ordini", "[C 1].id=Ordini.cliente")};
  EXPECT_EQ(BuildQuerySql(rows),
            "SELECT *\r\nFROM Clienti AS [C 1] LEFT JOIN Ordini ON [C 1].id=Ordini.cliente;\r\n");
}

// Make-table, append, update and delete forms beyond the corpus.
TEST(QuerySqlAction, MakeTableIntoExternalDatabase) {
  const std::vector<QueryRow> rows = {
      Row(1, 2, "Archivio 2024", "C:\\dati\\arch.mdb", nullptr),
      Row(3, 0, nullptr, nullptr, nullptr), Row(5, std::nullopt, "T", nullptr, nullptr),
      Column("T.a")};
  EXPECT_EQ(BuildQuerySql(rows),
            "SELECT T.a INTO [Archivio 2024] IN 'C:\\dati\\arch.mdb'\r\nFROM T;\r\n");
  EXPECT_EQ(QueryTypeFromRows(rows), 80);
}

TEST(QuerySqlAction, AppendValues) {
  const std::vector<QueryRow> rows = {
      Row(1, 3, "Table2", nullptr, nullptr),
      Row(6, -32768, nullptr, "ID", "54"),
      Row(6, -32768, nullptr, "Field 3", "'hello'"),
  };
  EXPECT_EQ(BuildQuerySql(rows), "INSERT INTO Table2 ( ID, [Field 3] )\r\nVALUES (54, 'hello');\r\n");
  std::vector<QueryRow> unnamed = rows;
  for (QueryRow& row : unnamed) row.name2.reset();
  EXPECT_EQ(BuildQuerySql(unnamed), "INSERT INTO Table2\r\nVALUES (54, 'hello');\r\n");
}

TEST(QuerySqlAction, DeleteDistinctRowStarWithJoin) {
  const std::vector<QueryRow> rows = {
      Row(1, 5, nullptr, nullptr, nullptr), Row(3, 0x08, nullptr, nullptr, nullptr),
      Row(5, std::nullopt, "A", nullptr, nullptr), Row(5, std::nullopt, "B", nullptr, nullptr),
      Row(6, 0, nullptr, nullptr, "A.*"), Row(7, 1, "A", "B", "A.id = B.id")};
  EXPECT_EQ(BuildQuerySql(rows),
            "DELETE DISTINCTROW A.*\r\nFROM A INNER JOIN B ON A.id = B.id;\r\n");
}

TEST(QuerySqlAction, UpdateOverJoinQuotesTargets) {
  const std::vector<QueryRow> rows = {
      Row(1, 4, nullptr, nullptr, nullptr), Row(5, std::nullopt, "A", nullptr, nullptr),
      Row(5, std::nullopt, "B", nullptr, nullptr), Row(7, 2, "A", "B", "A.id = B.id"),
      Row(6, 0, nullptr, "A.Nome cliente", "B.nome"),
      Row(6, 0, nullptr, "[A.b].c", "0")};
  EXPECT_EQ(BuildQuerySql(rows),
            "UPDATE A LEFT JOIN B ON A.id = B.id SET A.[Nome cliente] = B.nome, [A.b].c = 0;\r\n");
}

// Fixed column headings are part of the stored pivot expression; the pivot row's Name1 is the
// alias of the pivot column, which Access does not write (an earlier reading wrote it as a second
// "IN (…)" list after the headings).
TEST(QuerySqlCrosstab, FixedColumnHeadings) {
  const std::vector<QueryRow> rows = {
      Row(1, 6, nullptr, nullptr, nullptr), Row(5, std::nullopt, "V", nullptr, nullptr),
      Row(6, 0, "Tot", nullptr, "Sum(V.q)"), Row(6, 2, nullptr, nullptr, "V.zona"),
      Row(6, 1, "Mesi", nullptr, "V.mese In (\"Gen\",\"Feb\")"),
      Row(9, 2, nullptr, nullptr, "V.zona"), Row(9, 1, nullptr, nullptr, "V.mese")};
  EXPECT_EQ(BuildQuerySql(rows),
            "TRANSFORM Sum(V.q) AS Tot\r\nSELECT V.zona\r\nFROM V\r\nGROUP BY V.zona\r\n"
            "PIVOT V.mese In (\"Gen\",\"Feb\");\r\n");
}

TEST(QuerySqlUnion, DistinctUnionWithOrderBy) {
  const std::vector<QueryRow> rows = {
      Row(1, 9, nullptr, nullptr, nullptr), Row(3, 3, nullptr, nullptr, nullptr),
      Row(5, std::nullopt, nullptr, "X7YZ_____2", "SELECT b FROM U\n"),
      Row(5, std::nullopt, nullptr, "X7YZ_____1", "  SELECT a\r\n\r\nFROM T "),
      Row(11, std::nullopt, "D", nullptr, "a")};
  // Both halves exactly as stored, blanks and line breaks included.
  EXPECT_EQ(BuildQuerySql(rows),
            "  SELECT a\r\n\r\nFROM T \r\nUNION SELECT b FROM U\n\r\nORDER BY a DESC;\r\n");
}

// UNION starts a line: a first half that ends with a line break gets no other, one that ends
// with a blank line keeps it (as Access's exports show, "…\r\n\r\nUNION SELECT …").
TEST(QuerySqlUnion, LineBreakBeforeUnionOnlyWhenTheFirstHalfLacksOne) {
  std::vector<QueryRow> rows = {Row(1, 9, nullptr, nullptr, nullptr),
                                Row(3, 0, nullptr, nullptr, nullptr),
                                Row(5, std::nullopt, nullptr, "X7YZ_____1", "SELECT a FROM T\r\n"),
                                Row(5, std::nullopt, nullptr, "X7YZ_____2", "SELECT b FROM U")};
  EXPECT_EQ(BuildQuerySql(rows), "SELECT a FROM T\r\nUNION ALL SELECT b FROM U;\r\n");
  rows[2].expression = "SELECT a FROM T\r\n\r\n";
  EXPECT_EQ(BuildQuerySql(rows), "SELECT a FROM T\r\n\r\nUNION ALL SELECT b FROM U;\r\n");
  rows[2].expression = "SELECT a FROM T  ";
  EXPECT_EQ(BuildQuerySql(rows), "SELECT a FROM T  \r\nUNION ALL SELECT b FROM U;\r\n");
}

// Broken rows: always some text, never an exception.
TEST(QuerySqlMalformed, NoRowsAtAll) {
  EXPECT_EQ(QueryTypeFromRows({}), 0);
  EXPECT_EQ(BuildQuerySql({}), "SELECT ;\r\n");
}

TEST(QuerySqlMalformed, MissingStartAndTypeRowsReadAsSelect) {
  const std::vector<QueryRow> rows = {Row(5, std::nullopt, "T", nullptr, nullptr),
                                      Column("T.a")};
  EXPECT_EQ(QueryTypeFromRows(rows), 0);
  EXPECT_EQ(BuildQuerySql(rows), "SELECT T.a\r\nFROM T;\r\n");
}

TEST(QuerySqlMalformed, UnknownKindsAndAttributesAreReadAsBestTheyCan) {
  std::vector<QueryRow> rows = {Row(1, 42, nullptr, nullptr, nullptr),
                                Row(77, 3, "junk", "junk", "junk"),
                                Row(5, std::nullopt, "T", nullptr, nullptr),
                                Column("T.a"), Row(7, 9, "T", "U", "T.x=U.x")};
  EXPECT_EQ(QueryTypeFromRows(rows), 0);
  EXPECT_EQ(BuildQuerySql(rows), "SELECT T.a\r\nFROM T INNER JOIN U ON T.x=U.x;\r\n");
  rows[0].flag.reset();
  EXPECT_EQ(QueryTypeFromRows(rows), 0);
}

TEST(QuerySqlMalformed, JoinNamingNoTableOrNoNamesAtAll) {
  const std::vector<QueryRow> rows = {
      Row(1, 1, nullptr, nullptr, nullptr), Row(5, std::nullopt, "A", nullptr, nullptr),
      Row(5, std::nullopt, "B", nullptr, nullptr), Row(7, 1, "A", "B", "A.i=B.i"),
      Row(7, 2, "Bogus Table", "B", "x"), Row(7, std::nullopt, nullptr, nullptr, nullptr)};
  EXPECT_EQ(BuildQuerySql(rows),
            "SELECT \r\nFROM [Bogus Table] LEFT JOIN (A INNER JOIN B ON A.i=B.i) ON x, "
            " INNER JOIN  ON ;\r\n");
}

TEST(QuerySqlMalformed, ConflictingJoinKindKeepsTheCondition) {
  std::vector<QueryRow> rows = JoinQuery(2, {{1, 2, 1}, {1, 2, 2}});
  EXPECT_EQ(BuildQuerySql(rows), "SELECT *\r\nFROM T1 INNER JOIN T2 ON (T1.k1=T2.k1) AND (T1.k0=T2.k0);\r\n");
}

TEST(QuerySqlMalformed, TableJoinedToItself) {
  EXPECT_EQ(BuildQuerySql(JoinQuery(1, {{1, 1, 1}})),
            "SELECT *\r\nFROM T1 INNER JOIN T1 ON T1.k0=T1.k0;\r\n");
}

TEST(QuerySqlMalformed, NullExpressionsEverywhere) {
  std::vector<QueryRow> rows;
  for (int attribute : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 255}) {
    rows.push_back(Row(attribute, std::nullopt, nullptr, nullptr, nullptr));
  }
  EXPECT_EQ(BuildQuerySql(rows),
            "PARAMETERS  Value;\r\nSELECT \r\nFROM  INNER JOIN  ON \r\nWHERE \r\n"
            "GROUP BY \r\nHAVING \r\nORDER BY ;\r\n");
  for (int kind = 2; kind <= 9; ++kind) {
    rows[1].flag = kind;
    EXPECT_NO_THROW(BuildQuerySql(rows)) << kind;
  }
  rows[1].flag = 9;
  EXPECT_EQ(BuildQuerySql(rows), "PARAMETERS  Value;\r\n\r\nUNION ALL \r\nORDER BY ;\r\n");
  rows[1].flag = 7;
  EXPECT_EQ(BuildQuerySql(rows), "");
}

TEST(QuerySqlMalformed, DeepJoinChainAndManyRows) {
  std::vector<std::array<int, 3>> joins;
  for (int i = 1; i < 3000; ++i) joins.push_back({i, i + 1, 1});
  const std::string sql = BuildQuerySql(JoinQuery(3000, joins));
  EXPECT_EQ(sql.rfind("SELECT *\r\nFROM ", 0), 0u);
  EXPECT_NE(sql.find("T2999.k2998=T3000.k2998;\r\n"), std::string::npos);
  EXPECT_EQ(std::count(sql.begin(), sql.end(), '('), 2998);
}

}  // namespace
