// The FROM list of a query: its tables, with the joins between them nested the way Access
// writes them.
#pragma once

#include <string>
#include <vector>

#include "engine/query/query_sql.h"

namespace engine {

// Builds the items of the FROM clause from the table rows and the join rows (stored order).
//
// A table row names a table (Name1), maybe read from another source (Expression, written
// "[source].table"), maybe with an alias (Name2); a row with an Expression and no Name1 is a
// derived table, written "(SELECT …)  AS alias" as Access 2007 and later write it (Access
// 2000–2003 showed "[SELECT …]. AS alias"; the text depends on the Access that shows it, not on
// the file, so the current form is used for every format).
// Tables start as separate items in stored order. Each join row takes the item holding its first
// table and the item holding its second (a name no table row carries becomes a table of its own),
// removes both and appends "first KIND JOIN second ON condition", the inner joins in parentheses.
// A join row whose two tables already sit in one join adds its condition to that join; the
// conditions of a join are then written "(c2) AND (c1)", the later row first. Never fails.
std::vector<std::string> BuildFromItems(const std::vector<QueryRow>& tables,
                                        const std::vector<QueryRow>& joins);

}  // namespace engine
