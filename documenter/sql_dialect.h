// The SQL targets of the DDL writer, as data: one descriptor per database server holding
// everything in which the servers differ (type names, quoting, identity columns, comments, what
// they support). The generator (ddl.h) reads these descriptors and never asks which server it is
// writing for.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tavrek::doc {

// The unit in which a server counts the length of an identifier.
enum class IdentifierUnit {
  kBytes,       // bytes of its UTF-8 form (PostgreSQL's NAMEDATALEN)
  kCharacters,  // characters (code points), whatever their encoding takes (MySQL)
};

// How an AutoNumber (Long, incrementing) column is declared.
enum class IdentityStyle {
  kRowidAlias,      // "INTEGER PRIMARY KEY AUTOINCREMENT" on a single-column key; plain otherwise
  kColumnSuffix,    // the type followed by `identitySuffix`
  kAutoIncrement,   // the type, NOT NULL, then `identitySuffix`; the column must lead a key
                    // declared in the CREATE TABLE itself (KEY / UNIQUE KEY inside it)
};

// Where column and table descriptions go.
enum class CommentStyle {
  kLineComment,   // "-- text" lines inside the CREATE TABLE
  kCommentOn,     // COMMENT ON TABLE/COLUMN statements after the table
  kInline,        // COMMENT 'text' after the column, COMMENT='text' after the table
};

// How a data script hands rows to the server.
enum class RowLoad {
  kInsertInTransaction,  // one INSERT per row, all inside one transaction (SQLite)
  kCopyText,             // COPY … FROM stdin in the text format (PostgreSQL)
  kMultiRowInsert,       // INSERT … VALUES (…), (…) in batches of `insertBatchBytes` (MySQL)
};

struct SqlDialect {
  std::string_view name;  // as given on the command line: "sqlite", "postgresql", "mysql"
  char quoteOpen;         // identifiers are written quoteOpen name quoteClose, the closing
  char quoteClose;        // character doubled inside
  // Longest identifier the server keeps, counted in `identifierUnit` (0: no limit). Longer names
  // are an error for tables and columns; generated names (indexes, constraints) are shortened.
  size_t maxIdentifierLength;
  IdentifierUnit identifierUnit;
  // Identifiers may only hold characters of Unicode's basic multilingual plane (MySQL keeps
  // them in a three-byte character set): an emoji in a name is an error.
  bool identifiersInBmpOnly;
  // Index and constraint names share one name space per schema (PostgreSQL, SQLite) instead of
  // one per table (MySQL indexes); then they are made unique by prefixing the table name.
  bool indexNamesPerSchema;
  // Foreign-key constraint names are unique per schema.
  bool constraintNamesPerSchema;

  // Type names. `{n}` is replaced by a length, `{p}` and `{s}` by precision and scale.
  std::string_view typeBoolean, typeByte, typeInteger, typeLong, typeBigInt, typeCurrency,
      typeSingle, typeDouble, typeDate, typeDateExtended, typeText, typeTextLong, typeMemo,
      typeBinary, typeLongBinary, typeGuid, typeDecimal;
  // A Decimal whose values each carry their own scale (a calculated Decimal: up to 29 digits,
  // up to 28 of them after the point): a type that holds every such value exactly.
  std::string_view typeDecimalPerValue;
  // Text longer than this many characters uses `typeTextLong` (0: never).
  int maxVarcharLength;

  IdentityStyle identity;
  std::string_view identitySuffix;
  // Default of a GUID AutoNumber (replication ID) and of Access's GenGUID(): a new GUID in the
  // column's type, empty when the server has no generator.
  std::string_view guidDefault;

  // Literals.
  std::string_view literalTrue, literalFalse;
  bool backslashEscapes;  // a backslash in a string literal must be doubled
  std::string_view currentTimestamp, currentDate;  // DEFAULT expressions for Now() and Date()
  bool longColumnDefaults;  // long text and binary columns may have a DEFAULT

  // Conditions (validation rules as CHECK constraints). `{}` in the literals is replaced by a
  // string literal; `{a}` and `{b}` in `concatenation` by the operands.
  std::string_view lengthFunction;   // characters in a text
  std::string_view likeOperator;     // LIKE that ignores case as Access's does
  std::string_view concatenation;
  std::string_view dateLiteral, timestampLiteral;
  // A CHECK may use a column that a foreign key's ON UPDATE CASCADE or ON DELETE SET NULL
  // changes (MySQL refuses it).
  bool checkOnCascadedColumns;

  CommentStyle comments;
  bool descendingIndexes;    // DESC on index keys
  // Prefix length required to index a long text or binary column (0: not required).
  int longColumnIndexPrefix;
  // FOREIGN KEY clauses may name tables created later (the server checks them only on use), so
  // no ALTER TABLE is needed to close a cycle.
  bool forwardReferences;
  // Limits on the declared size of a row (InnoDB): all columns with long text and binary counted
  // as `longColumnBytes`, and what stays in the page, where a column declared longer than
  // `offPageAboveBytes` counts as `offPageBytes`. When a table would exceed them, its widest
  // text columns that no index uses become long text. 0: no limit.
  size_t rowLimitBytes;
  size_t inlineRowLimitBytes;
  size_t longColumnBytes, offPageAboveBytes, offPageBytes;
  int bytesPerChar;  // the most a character of text takes in the table's character set
  bool transactionalDdl;     // the script is wrapped in BEGIN / COMMIT
  std::string_view preamble;     // statements before everything else (may be empty)
  std::string_view tableSuffix;  // after the closing parenthesis of CREATE TABLE
  // ALTER TABLE … ADD CONSTRAINT … FOREIGN KEY exists (SQLite has none: its keys stay in CREATE
  // TABLE, and a data script turns their checking off while rows are loaded).
  bool alterAddsForeignKeys;

  // Rows (the data scripts and the SQLite export; see data_script.h for the mappings).
  RowLoad rowLoad;
  size_t insertBatchBytes;          // kMultiRowInsert: a statement ends past this many bytes
  std::string_view dataPreamble;    // before the tables of a data script
  std::string_view dataEpilogue;    // at its very end
  std::string_view copyTrue, copyFalse;  // booleans in COPY text
  // Binary values: the bytes in hex between these (SQL literal, or COPY text for PostgreSQL).
  std::string_view bytesOpen, bytesClose;
  // Text holding any of the characters of `hexTextFor` is written as hex between these (SQLite:
  // NUL, which would end the statement, and CR, which its shell drops before a line feed).
  std::string_view hexTextFor;
  std::string_view hexTextOpen, hexTextClose;
  bool textHoldsNul;  // false: text with NUL is an error
  // Single is written as the shortest text of the float, or of the double it widens to exactly
  // (SQLite's REAL is a double; MySQL reads the literal as a double before it makes the float, so
  // the float's shortest text of FLT_MAX would be out of range).
  bool singleAsFloat;
  // A Decimal column keeps only its declared scale (the server would round a value with more
  // digits after the point: that is an error instead). SQLite's NUMERIC keeps what it is given.
  bool decimalScaleEnforced;
  // Oldest year the date-time columns take (MySQL DATETIME: 1000; Access itself keeps Date/Time
  // from the year 100, Date/Time Extended from 1); an older date is an error.
  int minYear;
  // Digits of the fraction of a second kept from Date/Time Extended's seven (the rest dropped).
  int extendedFractionDigits;
  // Literals of the doubles that are not numbers (empty: the server cannot hold them).
  std::string_view nanText, infinityText, minusInfinityText;
  // After a table's rows: restarts the identity past the largest key ({table} and {column}
  // quoted, {next} the largest key plus one); empty where the server does it by itself.
  std::string_view restartIdentity;
  // The GUID as text for the server: with braces and upper case as Access shows it, or bare.
  bool guidBraces;
};

// How Access queries become views on a server (view_translator.h reads it). Templates take the
// translated operands as $1, $2, … (each already self-contained: parenthesised when compound).

// An Access function and what it becomes: `name` in lower case, `arity` the number of arguments
// it applies to (-1: any), `sql` the template. An empty template means the server has no
// equivalent and the query stays a comment.
struct FunctionTemplate {
  std::string_view name;
  int arity;
  std::string_view sql;
};

// An interval of DateAdd/DateDiff/DatePart ("d", "m", "yyyy", …) in the server's words: `word`
// replaces $U in the dialect's dateAdd template, the count being multiplied by `multiplier`
// ("q" is 3 months, "ww" 7 days).
struct DateUnit {
  std::string_view access;
  std::string_view word;
  int multiplier;
};

// How a Like pattern with character classes ([a-z], [!x], # for a digit) is matched.
enum class PatternStyle {
  kRegex,      // a regular expression, `regexMatch` template ($1 value, $2 the expression)
  kUpperGlob,  // a GLOB pattern matched against the upper-cased value (`globMatch`)
};

// A piece of a Format pattern ("yyyy", "mmmm", "hh12" for the hour on a 12-hour clock, "ampm")
// and the text the server makes of it from the date $1.
struct FormatPart {
  std::string_view access;
  std::string_view sql;
};

// How the rows of a system table copied at migration are written as a SELECT of literals.
enum class LiteralRows {
  kUnionAll,       // SELECT … AS name UNION ALL SELECT … (MariaDB)
  kValuesNumbered, // SELECT column1 AS name, … FROM (VALUES (…), (…)) (SQLite)
  kValuesAliased,  // SELECT * FROM (VALUES (…), (…)) AS t(name, …) (PostgreSQL)
};

struct ViewDialect {
  std::string_view name;  // the SqlDialect's name
  std::span<const FunctionTemplate> functions;
  // Arithmetic: Access's / always divides as floating point; \ and Mod round both operands to
  // whole numbers first; ^ is a power.
  std::string_view divide, intDivide, modulo, power;
  // & joins texts treating Null as empty; + on texts joins them and gives Null when one is Null.
  std::string_view concatAmpersand, concatPlus;
  // Like with only * and ? as wildcards: `likeOperator` ("LIKE", or "ILIKE" where LIKE tells
  // case), the pattern with % and _; a pattern known only when the query runs goes through
  // `likeRuntime`.
  std::string_view likeOperator, likeRuntime;
  PatternStyle patterns;
  std::string_view regexMatch, globMatch;
  // A date literal; $1 is "YYYY-MM-DD hh:mm:ss".
  std::string_view dateLiteral;
  // The whole-number part toward zero, and a value rounded to a whole number (half away from
  // zero), for the half-to-even rounding Access does.
  std::string_view truncate, roundWhole;
  std::string_view limit;  // " LIMIT $1" after ORDER BY for TOP n
  // DateAdd(interval, n, date): $1 date, $2 the count times the unit's multiplier, $U the word.
  std::string_view dateAdd;
  std::span<const DateUnit> dateUnits;
  // DateDiff by interval code: $1 first date, $2 second (the templates' `name` is the code).
  std::span<const FunctionTemplate> dateDiff;
  // Arithmetic on dates as Access does it, in days: $1 date plus $2 days (a fraction is part of a
  // day), and the days from $2 to $1 as a number.
  std::string_view dateAddDays, dateDiffDays;
  // Format(value, pattern): the date parts of a pattern; numbers with {n} decimals, without and
  // with thousands separators ($1 the number).
  std::span<const FormatPart> dateFormat;
  std::string_view fixedNumber, groupedNumber;
  // A query with parameters becomes a function returning its rows (CREATE FUNCTION … RETURNS
  // TABLE … LANGUAGE sql); without, it stays a comment.
  bool parameterFunctions;
  LiteralRows literalRows;
  // Words the server reserves (lower case): a table or column so named needs quoting in every
  // statement written by hand.
  std::span<const std::string_view> reservedWords;
  // Text compared with regard to case (so "Rossi" and "ROSSI" are two keys), and the earliest
  // year a date column takes (0: any).
  bool caseSensitiveText;
  int minimumYear;
};

// The view descriptor of a dialect.
const ViewDialect& ViewDialectOf(const SqlDialect& dialect);

// The descriptor for a target name ("sqlite", "postgresql", "mysql"; "postgres", "pg" and
// "mariadb" are accepted as aliases), or nullptr for an unknown one.
const SqlDialect* FindSqlDialect(std::string_view name);

// The names FindSqlDialect accepts, for messages: "sqlite, postgresql, mysql".
std::string SqlDialectNames();

// The length of `name` as server `d` counts it (its identifierUnit).
size_t IdentifierLength(const SqlDialect& d, std::string_view name);

// Whether `name` is longer than server `d` keeps an identifier.
inline bool IdentifierTooLong(const SqlDialect& d, std::string_view name) {
  return d.maxIdentifierLength && IdentifierLength(d, name) > d.maxIdentifierLength;
}

}  // namespace tavrek::doc
