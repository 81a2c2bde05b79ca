// The forms Access gives the SQL it rebuilds, one construct at a time. Each expected text is what
// Access itself wrote (SaveAsText exports of real databases) for stored rows of the same shape;
// the rows here follow the real ones, shortened.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/query/query_parameters.h"
#include "engine/query/query_sql.h"
#include "engine/query/query_text.h"
#include "tests/query/query_row.h"

namespace {

using engine::BuildQuerySql;
using engine::QueryRow;
using engine::QueryTypeFromRows;

using querytest::Row;

QueryRow Start() { return Row(0, 0, nullptr, nullptr, nullptr); }
QueryRow End() { return Row(255, std::nullopt, nullptr, nullptr, nullptr); }

TEST(AccessForms, DerivedTableInParenthesesWithTwoBlanksBeforeAs) {
  // A make-table query over a subquery; Access 2007 and later write "(SELECT …)  AS alias".
  const std::vector<QueryRow> rows = {
      Start(), End(), Row(1, 2, "temp_New", nullptr, nullptr), Row(3, 1, nullptr, nullptr, nullptr),
      Row(5, std::nullopt, nullptr, "%$##@_Alias",
          "SELECT ac.*, td.Detected\r\nFROM temp_Table td\r\nINNER JOIN temp_Cover ac\r\nON\r\n"
          "td.Code = ac.Code\r\n")};
  EXPECT_EQ(BuildQuerySql(rows),
            "SELECT * INTO temp_New\r\nFROM (SELECT ac.*, td.Detected\r\nFROM temp_Table td\r\n"
            "INNER JOIN temp_Cover ac\r\nON\r\ntd.Code = ac.Code\r\n)  AS [%$##@_Alias];\r\n");

  // Beside a table, joined to nothing, and without an alias.
  const std::vector<QueryRow> beside = {
      Row(1, 1, nullptr, nullptr, nullptr), Row(3, 1, nullptr, nullptr, nullptr),
      Row(5, std::nullopt, "T", nullptr, nullptr),
      Row(5, std::nullopt, nullptr, "s", "SELECT * FROM U WHERE Park = 'CARE'"),
      Row(5, std::nullopt, nullptr, nullptr, "SELECT 1")};
  EXPECT_EQ(BuildQuerySql(beside),
            "SELECT *\r\nFROM T, (SELECT * FROM U WHERE Park = 'CARE')  AS s, (SELECT 1);\r\n");
}

TEST(AccessForms, DerivedTableJoinedByItsAlias) {
  const std::vector<QueryRow> rows = {
      Row(1, 1, nullptr, nullptr, nullptr), Row(3, 1, nullptr, nullptr, nullptr),
      Row(5, std::nullopt, "Photo", nullptr, nullptr),
      Row(5, std::nullopt, nullptr, "HaveID", "SELECT ImageID FROM Detections"),
      Row(7, 2, "Photo", "HaveID", "Photo.ImageID = HaveID.ImageID")};
  EXPECT_EQ(BuildQuerySql(rows),
            "SELECT *\r\nFROM Photo LEFT JOIN (SELECT ImageID FROM Detections)  AS HaveID ON "
            "Photo.ImageID = HaveID.ImageID;\r\n");
}

// Pass-through queries: the type row's Flag is 8, or 10 for one that returns no records (whose
// MSysObjects Flags say 144); either is a pass-through query (112) whose text is exactly as
// stored, without the CR LF that ends a rebuilt text.
TEST(AccessForms, PassThroughQueriesKeepTheirStoredText) {
  const char* text = "select a.id into tempPointer from D_address a\r\nUpdate main Set x = 1";
  std::vector<QueryRow> rows = {Start(), End(),
                                Row(1, 10, "ODBC;DSN=address;DATABASE=Address", nullptr, text)};
  for (uint32_t flags : {144u, 0u}) {
    SCOPED_TRACE(flags);
    EXPECT_EQ(QueryTypeFromRows(rows, flags), 112);
    EXPECT_EQ(BuildQuerySql(rows, flags), text);
  }
  rows[2].flag = 8;
  EXPECT_EQ(QueryTypeFromRows(rows, 112), 112);
  EXPECT_EQ(BuildQuerySql(rows, 112), text);
  // The object's flags alone make it pass-through, whatever the type row says.
  rows[2].flag.reset();
  EXPECT_EQ(QueryTypeFromRows(rows, 144), 112);
  EXPECT_EQ(BuildQuerySql(rows, 144), text);
  rows[2].flag = 1;
  EXPECT_EQ(QueryTypeFromRows(rows, 0x10000000u | 144), 112);
}

// Every value the type bits (0xF0) of a query's MSysObjects Flags can take, with the other bits
// a query carries (hidden, system, the high bits Access sets): with a type row the rows decide,
// except that pass-through flags win; without one the flags give the type when they name one.
TEST(AccessForms, EveryObjectFlagCombination) {
  const std::vector<QueryRow> update = {Start(), End(), Row(1, 4, nullptr, nullptr, nullptr),
                                        Row(5, std::nullopt, "Q", nullptr, nullptr),
                                        Row(6, 0, nullptr, "x", "0")};
  std::vector<QueryRow> untyped = update;
  untyped.erase(untyped.begin() + 2);
  for (uint32_t type = 0; type <= 0xF0; type += 0x10) {
    for (uint32_t other : {0x0u, 0x3u, 0x8u, 0x10000000u}) {
      const uint32_t flags = type | other;
      SCOPED_TRACE(flags);
      const bool pass_through = type == 112 || type == 144;
      EXPECT_EQ(QueryTypeFromRows(update, flags), pass_through ? 112 : 48);
      const bool known = type <= 128 || type == 144;
      EXPECT_EQ(QueryTypeFromRows(untyped, flags), pass_through ? 112 : known ? type : 0);
      // A pass-through text lives in the type row's Expression, empty here.
      const std::string sql = BuildQuerySql(update, flags);
      if (pass_through) {
        EXPECT_EQ(sql, "");
      } else {
        EXPECT_EQ(sql, "UPDATE Q SET x = 0;\r\n");
      }
      EXPECT_NO_THROW(BuildQuerySql(untyped, flags));
    }
  }
}

TEST(AccessForms, UpdateSetOnTheFirstLine) {
  const std::vector<QueryRow> rows = {Start(), End(), Row(1, 4, nullptr, nullptr, nullptr),
                                      Row(5, std::nullopt, "Quadrat", nullptr, nullptr),
                                      Row(6, 0, nullptr, "NoExotics", "0"),
                                      Row(8, std::nullopt, nullptr, nullptr,
                                          "NoExotics = 1 AND IsSampled = 0")};
  EXPECT_EQ(BuildQuerySql(rows),
            "UPDATE Quadrat SET NoExotics = 0\r\nWHERE NoExotics = 1 AND IsSampled = 0;\r\n");

  const std::vector<QueryRow> aliased = {
      Start(), Row(1, 4, nullptr, nullptr, nullptr),
      Row(5, std::nullopt, "temp_Cover", "ac", nullptr),
      Row(6, 0, nullptr, "ac.Detected", "(\r\nSELECT td.Detected\r\nFROM td\r\n)")};
  EXPECT_EQ(BuildQuerySql(aliased),
            "UPDATE temp_Cover AS ac SET ac.Detected = (\r\nSELECT td.Detected\r\nFROM td\r\n);"
            "\r\n");
}

TEST(AccessForms, InsertIntoColumnListWithBlanksInside) {
  const std::vector<QueryRow> rows = {
      Start(), End(), Row(1, 3, "tsys_Link_dbs", nullptr, nullptr),
      Row(5, std::nullopt, "q", nullptr, nullptr), Row(6, 0, nullptr, "Link_db", "q.CurrDb"),
      Row(6, 0, nullptr, "Server", "q.CurrServer"),
      Row(6, 0, "Backup", "Backups", "Not ([ODBC])")};
  EXPECT_EQ(BuildQuerySql(rows),
            "INSERT INTO tsys_Link_dbs ( Link_db, Server, Backups )\r\n"
            "SELECT q.CurrDb, q.CurrServer, Not ([ODBC]) AS Backup\r\nFROM q;\r\n");
}

// Which names Access brackets, one by one: reserved words of Access SQL (any case), names with
// blanks or punctuation, names starting with a digit. Ordinary words that only look special
// (Name, Description, Code, Total…) stay bare, as do names already in brackets.
TEST(AccessForms, NamesAccessBrackets) {
  const struct {
    const char* name;
    const char* written;
  } cases[] = {
      {"Year", "[Year]"},         {"year", "[year]"},
      {"Month", "[Month]"},       {"Date", "[Date]"},
      {"Level", "[Level]"},       {"Value", "[Value]"},
      {"Position", "[Position]"}, {"Note", "[Note]"},
      {"Text", "[Text]"},         {"Count", "[Count]"},
      {"Sum", "[Sum]"},           {"Percent", "[Percent]"},
      {"Section", "[Section]"},   {"Password", "[Password]"},
      {"Order", "[Order]"},       {"Select", "[Select]"},
      {"Key", "[Key]"},           {"User", "[User]"},
      {"Name", "Name"},           {"Description", "Description"},
      {"Code", "Code"},           {"Total", "Total"},
      {"Park", "Park"},           {"Route", "Route"},
      {"Backup", "Backup"},       {"Years", "Years"},
      {"Visit_Year", "Visit_Year"}, {"Sort_Seq", "Sort_Seq"},
      {"1st", "[1st]"},           {"2014", "[2014]"},
      {"A1", "A1"},               {"User Name", "[User Name]"},
      {"Mfg-Name", "[Mfg-Name]"}, {"Alive?", "[Alive?]"},
      {"%$##@_Alias", "[%$##@_Alias]"}, {"Già", "Già"},
      {"[Year]", "[Year]"},       {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(engine::QuoteName(c.name), c.written) << c.name;
  }
  // After AS, the names of aggregate functions stay bare; other reserved words do not.
  const struct {
    const char* name;
    const char* written;
  } aliases[] = {{"Var", "Var"},         {"VarP", "VarP"},           {"Count", "Count"},
                 {"Sum", "Sum"},         {"StDev", "StDev"},         {"Currency", "[Currency]"},
                 {"Date", "[Date]"},     {"Year", "[Year]"},         {"Status", "Status"},
                 {"Var x", "[Var x]"},   {"1Var", "[1Var]"}};
  for (const auto& c : aliases) EXPECT_EQ(engine::QuoteAlias(c.name), c.written) << c.name;
  // In a query: "AS [Year]" in the column list.
  const std::vector<QueryRow> rows = {Row(1, 1, nullptr, nullptr, nullptr),
                                      Row(5, std::nullopt, "tbl_Events", nullptr, nullptr),
                                      Row(6, 0, "Year", nullptr, "Year([Start_Date])"),
                                      Row(6, 0, "Visit_Year", nullptr, "Year([Start_Date])")};
  EXPECT_EQ(BuildQuerySql(rows),
            "SELECT Year([Start_Date]) AS [Year], Year([Start_Date]) AS Visit_Year\r\n"
            "FROM tbl_Events;\r\n");
}

TEST(QueryParameters, NameTypeAndTextSizeFromTheRows) {
  std::vector<QueryRow> rows = {Start(), Row(1, 1, nullptr, nullptr, nullptr),
                                Row(2, 10, "park", nullptr, nullptr),
                                Row(2, 3, "tgtYear", nullptr, nullptr),
                                Row(2, 8, "[Da data]", nullptr, nullptr),
                                Row(2, std::nullopt, "Anything", nullptr, nullptr),
                                Row(2, 10, "Memo like", nullptr, nullptr),
                                Row(2, 4, "[Forms]![Main]![Id]", nullptr, nullptr), End()};
  rows[2].lv_extra = 255;
  rows[3].lv_extra = 255;  // stored on a Short too; a size only means something for text
  const std::vector<dao::ParameterInfo> parameters = engine::QueryParameters(rows);
  ASSERT_EQ(parameters.size(), 6u);
  EXPECT_EQ(parameters[0].name, "park");
  EXPECT_EQ(parameters[0].type, 10);
  EXPECT_EQ(parameters[0].size, 255);
  EXPECT_EQ(parameters[1].name, "tgtYear");
  EXPECT_EQ(parameters[1].type, 3);
  EXPECT_EQ(parameters[1].size, 0);
  EXPECT_EQ(parameters[2].name, "Da data");
  EXPECT_EQ(parameters[2].type, 8);
  EXPECT_EQ(parameters[3].type, 0);
  EXPECT_EQ(parameters[4].size, 0);
  EXPECT_EQ(parameters[5].name, "[Forms]![Main]![Id]");
  // In the text such a reference keeps its brackets, a name with a blank gets them.
  EXPECT_EQ(BuildQuerySql(rows),
            "PARAMETERS park Text ( 255 ), tgtYear Short, [Da data] DateTime, Anything Value, "
            "[Memo like] Text, [Forms]![Main]![Id] Long;\r\nSELECT ;\r\n");
  EXPECT_TRUE(engine::QueryParameters({}).empty());
}

}  // namespace
