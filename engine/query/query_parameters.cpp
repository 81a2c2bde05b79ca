#include "engine/query/query_parameters.h"

#include "engine/query/query_parts.h"
#include "engine/query/query_text.h"

namespace engine {

namespace {

constexpr int16_t kTextParameter = 10;  // DAO's dbText

}  // namespace

std::vector<dao::ParameterInfo> QueryParameters(const std::vector<QueryRow>& rows) {
  std::vector<dao::ParameterInfo> out;
  for (const QueryRow& row : QueryParts::Decode(rows).parameters) {
    dao::ParameterInfo info;
    info.name = TextOf(row.name1);
    // "[Da data]" names "Da data"; "[Forms]![F]![x]" is a reference and stays whole.
    if (info.name.size() >= 2 && info.name.front() == '[' && info.name.back() == ']' &&
        info.name.find(']') == info.name.size() - 1) {
      info.name = info.name.substr(1, info.name.size() - 2);
    }
    info.type = static_cast<int16_t>(row.flag.value_or(0));
    if (info.type == kTextParameter && row.lv_extra && *row.lv_extra > 0) info.size = *row.lv_extra;
    out.push_back(std::move(info));
  }
  return out;
}

}  // namespace engine
