// The declared parameters of a stored query (QueryDef.Parameters), read from its rows.
#pragma once

#include <vector>

#include "engine/dao.h"
#include "engine/query/query_sql.h"

namespace engine {

// One entry per parameter row (attribute 2), in stored order: the name as stored (Name1, brackets
// removed when they enclose the whole name, as in "[Da data]", but not "[Forms]![F]![x]"), the DAO type code (Flag; 0 "Value" when NULL) and, for
// a text parameter, the declared size (LvExtra; 0 when none is stored). Never fails.
std::vector<dao::ParameterInfo> QueryParameters(const std::vector<QueryRow>& rows);

}  // namespace engine
