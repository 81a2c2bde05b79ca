#include "engine/query/query_words.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace engine {

namespace {

// Upper case, sorted for binary search.
constexpr std::string_view kReservedWords[] = {
    "ABSOLUTE", "ACTION", "ADD", "ADMINDB", "ALL", "ALLOCATE", "ALPHANUMERIC", "ALTER", "AND",
    "ANY", "ARE", "AS", "ASC", "ASSERTION", "AT", "AUTHORIZATION", "AUTOINCREMENT", "AVG",
    "BAND", "BEGIN", "BETWEEN", "BINARY", "BIT", "BIT_LENGTH", "BNOT", "BOR", "BOTH", "BXOR",
    "BY", "BYTE", "CASCADE", "CASCADED", "CASE", "CAST", "CATALOG", "CHAR", "CHARACTER",
    "CHARACTER_LENGTH", "CHAR_LENGTH", "CHECK", "CLOSE", "COALESCE", "COLLATE", "COLLATION",
    "COLUMN", "COMMIT", "COMP", "COMPRESSION", "CONNECT", "CONNECTION", "CONSTRAINT",
    "CONSTRAINTS", "CONTAINER", "CONTINUE", "CONVERT", "CORRESPONDING", "COUNT", "COUNTER",
    "CREATE", "CREATEDB", "CROSS", "CURRENCY", "CURRENT", "CURRENT_DATE", "CURRENT_TIME",
    "CURRENT_TIMESTAMP", "CURRENT_USER", "CURSOR", "DATABASE", "DATE", "DATETIME", "DAY",
    "DEALLOCATE", "DEC", "DECIMAL", "DECLARE", "DEFAULT", "DEFERRABLE", "DEFERRED", "DELETE",
    "DESC", "DESCRIBE", "DESCRIPTOR", "DIAGNOSTICS", "DISALLOW", "DISCONNECT", "DISTINCT",
    "DISTINCTROW", "DOMAIN", "DOUBLE", "DROP", "ELSE", "END", "END-EXEC", "ESCAPE", "EXCEPT",
    "EXCEPTION", "EXCLUSIVECONNECT", "EXEC", "EXECUTE", "EXISTS", "EXTERNAL", "EXTRACT",
    "FALSE", "FETCH", "FIRST", "FLOAT", "FLOAT4", "FLOAT8", "FOR", "FOREIGN", "FOUND", "FROM",
    "FULL", "GENERAL", "GET", "GLOBAL", "GO", "GOTO", "GRANT", "GROUP", "GUID", "HAVING",
    "HOUR", "IDENTITY", "IEEEDOUBLE", "IEEESINGLE", "IGNORE", "IMAGE", "IMMEDIATE", "IN",
    "INDEX", "INDICATOR", "INHERITABLE", "INITIALLY", "INNER", "INPUT", "INSENSITIVE", "INSERT",
    "INT", "INTEGER", "INTEGER1", "INTEGER2", "INTEGER4", "INTERSECT", "INTERVAL", "INTO", "IS",
    "ISOLATION", "JOIN", "KEY", "LANGUAGE", "LAST", "LEADING", "LEFT", "LEVEL", "LIKE", "LOCAL",
    "LOGICAL", "LOGICAL1", "LONG", "LONGBINARY", "LONGCHAR", "LONGTEXT", "LOWER", "MATCH",
    "MAX", "MEMO", "MIN", "MINUTE", "MODULE", "MONEY", "MONTH", "NAMES", "NATIONAL", "NATURAL",
    "NCHAR", "NEXT", "NO", "NOT", "NOTE", "NULL", "NULLIF", "NUMBER", "NUMERIC", "OBJECT",
    "OCTET_LENGTH", "OF", "OLEOBJECT", "ON", "ONLY", "OPEN", "OPTION", "OR", "ORDER", "OUTER",
    "OUTPUT", "OVERLAPS", "OWNERACCESS", "PAD", "PARAMETERS", "PARTIAL", "PASSWORD", "PERCENT",
    "PIVOT", "POSITION", "PRECISION", "PREPARE", "PRESERVE", "PRIMARY", "PRIOR", "PRIVILEGES",
    "PROC", "PROCEDURE", "PUBLIC", "READ", "REAL", "REFERENCES", "RELATIVE", "RESTRICT",
    "REVOKE", "RIGHT", "ROLLBACK", "ROWS", "SCHEMA", "SCROLL", "SECOND", "SECTION", "SELECT",
    "SELECTSCHEMA", "SELECTSECURITY", "SESSION", "SESSION_USER", "SET", "SHORT", "SINGLE",
    "SIZE", "SMALLINT", "SOME", "SPACE", "SQL", "SQLCODE", "SQLERROR", "SQLSTATE", "STDEV",
    "STDEVP", "STRING", "SUBSTRING", "SUM", "SYSTEM_USER", "TABLE", "TABLEID", "TEMPORARY",
    "TEXT", "THEN", "TIME", "TIMESTAMP", "TIMEZONE_HOUR", "TIMEZONE_MINUTE", "TO", "TOP",
    "TRAILING", "TRANSACTION", "TRANSFORM", "TRANSLATE", "TRANSLATION", "TRIM", "TRUE", "UNION",
    "UNIQUE", "UNIQUEIDENTIFIER", "UNKNOWN", "UPDATE", "UPDATEIDENTITY", "UPDATEOWNER",
    "UPDATESECURITY", "UPPER", "USAGE", "USER", "USING", "VALUE", "VALUES", "VAR", "VARBINARY",
    "VARCHAR", "VARP", "VARYING", "VIEW", "WHEN", "WHENEVER", "WHERE", "WITH", "WORK", "WRITE",
    "YEAR", "YESNO", "ZONE",
};

// The aggregate functions of Access SQL. They are in the documented reserved list, but Access's
// parser takes them as functions only when an opening parenthesis follows, and Access does not
// bracket them as aliases. Evidence: among the texts Access itself wrote for 283 real queries
// (SaveAsText exports kept beside their databases), an alias named like one of them is bare
// ("Var(x) AS Var"), while data type names are bracketed in the same position ("AS [Currency]",
// "AS [Date]" in public projects that commit their SaveAsText query exports, beside bare
// aliases that are no reserved words: "AS Status", "AS Category").
constexpr std::string_view kAggregateFunctions[] = {"AVG",   "COUNT", "FIRST", "LAST",
                                                    "MAX",   "MIN",   "STDEV", "STDEVP",
                                                    "SUM",   "VAR",   "VARP"};

std::string Upper(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

}  // namespace

bool IsReservedAlias(std::string_view name) {
  if (!IsReservedWord(name)) return false;
  const std::string upper = Upper(name);
  return std::find(std::begin(kAggregateFunctions), std::end(kAggregateFunctions), upper) ==
         std::end(kAggregateFunctions);
}

bool IsReservedWord(std::string_view name) {
  if (name.empty() || name.size() > 20) return false;
  const std::string upper = Upper(name);
  return std::binary_search(std::begin(kReservedWords), std::end(kReservedWords),
                            std::string_view(upper));
}

}  // namespace engine
