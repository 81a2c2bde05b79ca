// A row of MSysQueries as the query tests write them: attribute, flag, the two names and the
// expression (a null pointer leaves a column empty).
#pragma once

#include <optional>

#include "engine/query/query_sql.h"

namespace querytest {

inline engine::QueryRow Row(int attribute, std::optional<int> flag, const char* name1, const char* name2,
                            const char* expression) {
  engine::QueryRow row;
  row.attribute = attribute;
  row.flag = flag;
  if (name1) row.name1 = name1;
  if (name2) row.name2 = name2;
  if (expression) row.expression = expression;
  return row;
}

}  // namespace querytest
