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
};

// The DAO type code of the query the rows describe (0 select, 16 crosstab, 32 delete, 48 update,
// 64 append, 80 make-table, 96 data-definition, 112 pass-through, 128 union). Rows in stored order.
int16_t QueryTypeFromRows(const std::vector<QueryRow>& rows);

// The SQL text as Access shows it: clauses joined by CR LF, ending with ";". Never fails: broken
// or unusual rows give a best-effort text. Rows in stored order.
std::string BuildQuerySql(const std::vector<QueryRow>& rows);

}  // namespace engine
