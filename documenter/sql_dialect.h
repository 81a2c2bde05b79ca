// The SQL targets of the DDL writer, as data: one descriptor per database server holding
// everything in which the servers differ (type names, quoting, identity columns, comments, what
// they support). The generator (ddl.h) reads these descriptors and never asks which server it is
// writing for.
#pragma once

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
};

// The descriptor for a target name ("sqlite", "postgresql", "mysql"; "postgres", "pg" and
// "mariadb" are accepted as aliases), or nullptr for an unknown one.
const SqlDialect* FindSqlDialect(std::string_view name);

// The names FindSqlDialect accepts, for messages: "sqlite, postgresql, mysql".
std::string SqlDialectNames();

}  // namespace tavrek::doc
