#include "engine/query_parts.h"

namespace engine {

namespace {

void KeepFirst(std::optional<QueryRow>& slot, const QueryRow& row) {
  if (!slot) slot = row;
}

}  // namespace

QueryParts QueryParts::Decode(const std::vector<QueryRow>& rows) {
  QueryParts parts;
  for (const QueryRow& row : rows) {
    switch (row.attribute) {
      case kAttrType: KeepFirst(parts.type, row); break;
      case kAttrParameter: parts.parameters.push_back(row); break;
      case kAttrFlags: KeepFirst(parts.flags, row); break;
      case kAttrRemoteDb: KeepFirst(parts.remote_db, row); break;
      case kAttrTable: parts.tables.push_back(row); break;
      case kAttrColumn: parts.columns.push_back(row); break;
      case kAttrJoin: parts.joins.push_back(row); break;
      case kAttrWhere: KeepFirst(parts.where, row); break;
      case kAttrGroupBy: parts.group_by.push_back(row); break;
      case kAttrHaving: KeepFirst(parts.having, row); break;
      case kAttrOrderBy: parts.order_by.push_back(row); break;
      default: break;  // start, end and anything unknown carry nothing to show
    }
  }
  return parts;
}

int QueryParts::Kind() const {
  if (type && type->flag) return *type->flag;
  return kKindSelect;
}

int QueryParts::SelectFlags() const {
  if (flags && flags->flag) return *flags->flag;
  return 0;
}

}  // namespace engine
