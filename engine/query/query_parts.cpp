#include "engine/query/query_parts.h"

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

namespace {

// The kind a DAO type code names (the type bits of an object's Flags), 0 when none.
int KindOfTypeCode(uint32_t code) {
  switch (code) {
    case 0: return kKindSelect;
    case 16: return kKindCrosstab;
    case 32: return kKindDelete;
    case 48: return kKindUpdate;
    case 64: return kKindAppend;
    case 80: return kKindMakeTable;
    case 96: return kKindDataDefinition;
    case 112: return kKindPassThrough;
    case 128: return kKindUnion;
    case kObjectPassThroughBulk: return kKindPassThrough;
    default: return 0;
  }
}

}  // namespace

int QueryParts::Kind(uint32_t object_flags) const {
  const int from_object = KindOfTypeCode(object_flags & kObjectTypeBits);
  if (from_object == kKindPassThrough) return kKindPassThrough;
  if (type && type->flag) {
    if (*type->flag == kKindPassThroughBulk) return kKindPassThrough;
    if (*type->flag >= kKindSelect && *type->flag <= kKindUnion) return *type->flag;
  }
  return from_object != 0 ? from_object : kKindSelect;
}

int QueryParts::SelectFlags() const {
  if (flags && flags->flag) return *flags->flag;
  return 0;
}

}  // namespace engine
