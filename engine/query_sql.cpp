#include "engine/query_sql.h"

namespace engine {

int16_t QueryTypeFromRows(const std::vector<QueryRow>& rows) {
  for (const QueryRow& row : rows) {
    if (row.attribute == 0) return static_cast<int16_t>(row.flag.value_or(1) == 1 ? 0 : 0);
  }
  return 0;
}

std::string BuildQuerySql(const std::vector<QueryRow>& rows) {
  (void)rows;
  return std::string();
}

}  // namespace engine
