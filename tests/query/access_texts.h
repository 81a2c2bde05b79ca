// What Access shows for the queries of the queryTest databases.
#pragma once

#include <cstdint>

namespace tavrek_test {

struct AccessText {
  const char* name;
  int16_t type;
  const char* sql;
};

// The SQL texts and type codes Access shows for the nine queries of each queryTest database
// (jet3/queryTestV1997.mdb, jet4/queryTestV2000.mdb, ace/queryTestV2007.accdb).
//
// These texts first came from Jackcess's own test suite, which renders some forms its own way.
// Where that rendering contradicts what Access itself writes (as its SaveAsText exports of real
// databases show, see tests/query/access_export_test.cpp) they were changed to Access's form:
// every rebuilt text ends with ";" and CR LF (stored pass-through and data-definition texts do
// not); UPDATE keeps "SET …" on the line of "UPDATE table"; an INSERT INTO column list has blanks
// inside its parentheses, "( a, b )"; a text parameter without a stored size is a bare "Text"
// and a parameter name with a blank is bracketed.
inline const AccessText kAccessTexts[] = {
    {"SelectQuery", 0,
     "SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3\r\n"
     "FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 ON "
     "(Table3.col1 = Table2.col2) AND (Table3.col1 = Table2.col1)\r\n"
     "WHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))\r\n"
     "ORDER BY Table2.col1;\r\n"},
    {"DeleteQuery", 32,
     "DELETE Table1.col1, Table1.col2, Table1.col3\r\n"
     "FROM Table1\r\n"
     "WHERE (((Table1.col1)>\"blah\"));\r\n"},
    {"AppendQuery", 64,
     "INSERT INTO Table3 ( col2, col2, col3 )\r\n"
     "SELECT [Table1].[col2], [Table2].[col2], [Table2].[col3]\r\n"
     "FROM Table3, Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1];\r\n"},
    {"UpdateQuery", 48,
     "PARAMETERS [User Name] Text;\r\n"
     "UPDATE Table1 SET Table1.col1 = \"foo\", Table1.col2 = [Table2].[col3], [Table2].[col1] = [User Name]\r\n"
     "WHERE ((([Table2].[col1]) Is Not Null));\r\n"},
    {"MakeTableQuery", 80,
     "SELECT Max(Table2.col1) AS MaxOfcol1, Table2.col2, Table3.col2 INTO Table4\r\n"
     "FROM (Table2 INNER JOIN Table1 ON Table2.col1 = Table1.col2) RIGHT JOIN Table3 ON "
     "Table1.col2 = Table3.col3\r\n"
     "GROUP BY Table2.col2, Table3.col2\r\n"
     "HAVING (((Max(Table2.col1))=\"buzz\") AND ((Table2.col2)<>\"blah\"));\r\n"},
    {"CrosstabQuery", 16,
     "TRANSFORM Count([Table2].[col2]) AS CountOfcol2\r\n"
     "SELECT Table2_1.col1, [Table2].[col3], Avg(Table2_1.col2) AS AvgOfcol2\r\n"
     "FROM (Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1]) INNER JOIN Table2 AS "
     "Table2_1 ON [Table2].[col1]=Table2_1.col3\r\n"
     "WHERE ((([Table1].[col1])>\"10\") And ((Table2_1.col1) Is Not Null) And "
     "((Avg(Table2_1.col2))>\"10\"))\r\n"
     "GROUP BY Table2_1.col1, [Table2].[col3]\r\n"
     "ORDER BY [Table2].[col3]\r\n"
     "PIVOT [Table1].[col1];\r\n"},
    {"UnionQuery", 128,
     "Select Table1.col1, Table1.col2\r\n"
     "where Table1.col1 = \"foo\"\r\n"
     "UNION\r\n"
     "Select Table2.col1, Table2.col2\r\n"
     "UNION ALL Select Table3.col1, Table3.col2\r\n"
     "where Table3.col3 > \"blah\";\r\n"},
    {"PassthroughQuery", 112, "ALTER TABLE Table4 DROP COLUMN col5;"},
    {"DataDefinitionQuery", 96, "CREATE TABLE Table5 (col1 CHAR, col2 CHAR);"},
};

}  // namespace tavrek_test
