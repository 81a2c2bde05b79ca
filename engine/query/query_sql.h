// Rebuilding a stored query's SQL text, and its type, from its rows in the query catalogue
// (MSysQueries). Access keeps a query as rows of (attribute, expression, flag, name1, name2, order)
// rather than as text; the text shown to users is rebuilt from them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace engine {

// One row of MSysQueries belonging to one query (all rows whose ObjectId is the query's Id).
// Text columns are UTF-8; a NULL column is an empty optional.
struct QueryRow {
  int attribute = 0;                   // Attribute
  std::optional<std::string> expression;  // Expression
  std::optional<int> flag;             // Flag
  std::optional<std::string> name1;    // Name1
  std::optional<std::string> name2;    // Name2
  std::optional<std::string> order;    // Order: the raw bytes of the binary column
  std::optional<int32_t> lv_extra;     // LvExtra: on a parameter row, the size of a text
};

// The DAO type code of the query the rows describe (0 select, 16 crosstab, 32 delete, 48 update,
// 64 append, 80 make-table, 96 data-definition, 112 pass-through, 128 union). `object_flags` is
// the query's Flags in MSysObjects, whose bits 0xF0 repeat the type code: they make the query a
// pass-through one when they say 112, or 144 (a pass-through query that returns no records),
// and give the type when the rows carry no kind this reader knows. Rows in stored order.
int16_t QueryTypeFromRows(const std::vector<QueryRow>& rows, uint32_t object_flags = 0);

// The SQL text as Access shows it (QueryDef.SQL). A query Access rebuilds from its rows has its
// clauses joined by CR LF and ends with ";" and CR LF; a pass-through or data-definition query
// gives its text exactly as stored. Never fails: broken or unusual rows give a best-effort text.
// Rows in stored order; `object_flags` as for QueryTypeFromRows.
std::string BuildQuerySql(const std::vector<QueryRow>& rows, uint32_t object_flags = 0);

}  // namespace engine
