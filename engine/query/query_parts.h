// The rows of one stored query, sorted out by what they describe.
//
// MSysQueries keeps a query as rows tagged with an attribute code: one row for the query's kind,
// one for its select flags, one per parameter, table, output column, join, grouping and sort key,
// and one each for the WHERE and HAVING conditions. `QueryParts::Decode` files each row under its
// attribute, keeping the stored order within each group, and never rejects anything: rows with
// unknown attributes are ignored, repeated single rows keep the first, missing rows stay empty.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/query/query_sql.h"

namespace engine {

// Attribute codes of MSysQueries rows.
enum QueryAttribute : int {
  kAttrStart = 0,      // first row of every query
  kAttrType = 1,       // Flag: the kind of query; Name1/Name2/Expression: target table, its db
  kAttrParameter = 2,  // Name1: parameter name; Flag: its data type
  kAttrFlags = 3,      // Flag: select flags (kSelect*); Name1: the n of TOP n
  kAttrRemoteDb = 4,   // Name1: path of the external database; Expression: its connect type
  kAttrTable = 5,      // Name1: table; Name2: alias; Expression: source it is read from
  kAttrColumn = 6,     // Expression: output expression; Name1: alias; Name2: target column
  kAttrJoin = 7,       // Name1, Name2: the two tables; Flag: join kind; Expression: ON condition
  kAttrWhere = 8,      // Expression
  kAttrGroupBy = 9,    // Expression
  kAttrHaving = 10,    // Expression
  kAttrOrderBy = 11,   // Expression; Name1 "D" for descending
  kAttrEnd = 255,      // last row of every query
};

// Flag of the kAttrType row.
enum QueryKind : int {
  kKindSelect = 1,
  kKindMakeTable = 2,
  kKindAppend = 3,
  kKindUpdate = 4,
  kKindDelete = 5,
  kKindCrosstab = 6,
  kKindDataDefinition = 7,
  kKindPassThrough = 8,
  kKindUnion = 9,
  kKindPassThroughBulk = 10,  // a pass-through query that returns no records
};

// The bits of a query's Flags in MSysObjects that repeat its DAO type code.
inline constexpr uint32_t kObjectTypeBits = 0xF0;
// DAO's code for a pass-through query that returns no records (ReturnsRecords false).
inline constexpr uint32_t kObjectPassThroughBulk = 144;

// Bits of the kAttrFlags row's Flag.
enum SelectFlag : int {
  kSelectStar = 0x01,         // all fields ("*"); in a union query: unused
  kSelectDistinct = 0x02,     // DISTINCT; in a union query: UNION without ALL
  kSelectOwnerAccess = 0x04,  // WITH OWNERACCESS OPTION
  kSelectDistinctRow = 0x08,  // DISTINCTROW
  kSelectTop = 0x10,          // TOP n
  kSelectPercent = 0x20,      // TOP n PERCENT
};

// Bits of a column row's Flag in a crosstab query (neither bit: the TRANSFORM value).
enum CrosstabFlag : int {
  kCrosstabPivot = 0x01,    // the PIVOT column
  kCrosstabRowHead = 0x02,  // a row heading (SELECT column and GROUP BY key)
};

// Bit of a column row's Flag in an append query: the column is one of the VALUES.
inline constexpr int kAppendValue = 0x8000;

// Join kinds (Flag of a kAttrJoin row).
enum JoinKind : int { kJoinInner = 1, kJoinLeft = 2, kJoinRight = 3 };

// Names with which a union query files its two halves (Name2 of their table rows).
inline constexpr const char* kUnionPart1 = "X7YZ_____1";
inline constexpr const char* kUnionPart2 = "X7YZ_____2";

struct QueryParts {
  std::optional<QueryRow> type;       // kAttrType
  std::optional<QueryRow> flags;      // kAttrFlags
  std::optional<QueryRow> remote_db;  // kAttrRemoteDb
  std::vector<QueryRow> parameters;
  std::vector<QueryRow> tables;
  std::vector<QueryRow> columns;
  std::vector<QueryRow> joins;
  std::optional<QueryRow> where;
  std::vector<QueryRow> group_by;
  std::optional<QueryRow> having;
  std::vector<QueryRow> order_by;

  // Files `rows` (in stored order) by attribute. Never fails.
  static QueryParts Decode(const std::vector<QueryRow>& rows);

  // The kind of query: kKindPassThrough when `object_flags` (the query's Flags in MSysObjects)
  // say pass-through (type bits 112, or 144 for one that returns no records) or the kAttrType
  // row's Flag says either kind (8 or 10); otherwise that Flag when it is a kind listed above;
  // otherwise the kind the type bits of `object_flags` name; kKindSelect when nothing says more.
  // Never kKindPassThroughBulk.
  int Kind(uint32_t object_flags = 0) const;
  // The kAttrFlags row's Flag, 0 when missing or NULL.
  int SelectFlags() const;
};

}  // namespace engine
