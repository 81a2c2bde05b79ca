#include "engine/query/query_sql.h"

#include "engine/query/query_from.h"
#include "engine/query/query_parts.h"
#include "engine/query/query_text.h"

namespace engine {

namespace {

bool HasBits(const std::optional<int>& flag, int bits) { return (flag.value_or(0) & bits) != 0; }

// A column with its alias: "expression AS alias". Column expressions are stored already quoted.
std::string ColumnText(const QueryRow& column) {
  std::string out = TextOf(column.expression);
  if (column.name1) out += " AS " + QuoteAlias(*column.name1);
  return out;
}

std::vector<std::string> ColumnTexts(const std::vector<QueryRow>& columns) {
  std::vector<std::string> out;
  for (const QueryRow& column : columns) out.push_back(ColumnText(column));
  return out;
}

std::vector<std::string> Expressions(const std::vector<QueryRow>& rows) {
  std::vector<std::string> out;
  for (const QueryRow& row : rows) out.push_back(TextOf(row.expression));
  return out;
}

// Names of parameter data types, by DAO type code.
const char* ParameterTypeName(const std::optional<int>& code) {
  switch (code.value_or(0)) {
    case 1: return "Bit";
    case 2: return "Byte";
    case 3: return "Short";
    case 4: return "Long";
    case 5: return "Currency";
    case 6: return "IEEESingle";
    case 7: return "IEEEDouble";
    case 8: return "DateTime";
    case 9: return "Binary";
    case 10: return "Text";
    case 11: return "LongBinary";
    case 12: return "LongText";
    case 15: return "Guid";
    case 20: return "Decimal";
    default: return "Value";  // 0, and the nearest reading of a code we do not know
  }
}

// DAO's code of a Text parameter; its row's LvExtra holds the declared size.
constexpr int kParameterText = 10;

// "name Type", the type of a text parameter with its size: "[User Name] Text ( 255 )". Without
// a size a text parameter is a bare "Text", which Access reads as a Memo.
std::string ParameterItem(const QueryRow& parameter) {
  std::string out = QuoteName(TextOf(parameter.name1)) + " " + ParameterTypeName(parameter.flag);
  if (parameter.flag.value_or(0) == kParameterText && parameter.lv_extra &&
      *parameter.lv_extra > 0) {
    out += " ( " + std::to_string(*parameter.lv_extra) + " )";
  }
  return out;
}

// "PARAMETERS a Type, b Type;" and a line break, or nothing.
std::string ParametersLine(const QueryParts& parts) {
  if (parts.parameters.empty()) return "";
  std::vector<std::string> items;
  for (const QueryRow& parameter : parts.parameters) items.push_back(ParameterItem(parameter));
  return "PARAMETERS " + JoinList(items) + ";" + kSqlNewline;
}

// The words after SELECT (or DELETE): "DISTINCT", "DISTINCTROW", "TOP n", "TOP n PERCENT".
std::string Predicate(const QueryParts& parts) {
  const int flags = parts.SelectFlags();
  std::vector<std::string> words;
  if (flags & kSelectDistinct) {
    words.push_back("DISTINCT");
  } else if (flags & kSelectDistinctRow) {
    words.push_back("DISTINCTROW");
  }
  if (flags & kSelectTop) {
    std::string top = "TOP " + (parts.flags ? TextOf(parts.flags->name1) : std::string());
    if (flags & kSelectPercent) top += " PERCENT";
    words.push_back(top);
  }
  return JoinList(words, " ");
}

// "KEYWORD predicate columns", with "*" last when the query shows all fields.
std::string SelectHead(const char* keyword, const QueryParts& parts,
                       const std::vector<QueryRow>& columns) {
  std::vector<std::string> items = ColumnTexts(columns);
  if (parts.SelectFlags() & kSelectStar) items.push_back("*");
  std::string out = keyword;
  const std::string predicate = Predicate(parts);
  if (!predicate.empty()) out += " " + predicate;
  return out + " " + JoinList(items);
}

// A line break and "ORDER BY a, b DESC", or nothing.
std::string OrderByClause(const QueryParts& parts) {
  if (parts.order_by.empty()) return "";
  std::vector<std::string> keys;
  for (const QueryRow& key : parts.order_by) {
    std::string text = TextOf(key.expression);
    const std::string direction = TextOf(key.name1);
    if (direction == "D" || direction == "d") text += " DESC";
    keys.push_back(text);
  }
  return kSqlNewline + std::string("ORDER BY ") + JoinList(keys);
}

// The clauses after the column list: FROM (with an external database), WHERE, GROUP BY,
// HAVING and ORDER BY, each on a line of its own.
std::string SelectTail(const QueryParts& parts, const std::vector<QueryRow>& group_by) {
  std::string out;
  const std::vector<std::string> from = BuildFromItems(parts.tables, parts.joins);
  if (!from.empty()) {
    out += kSqlNewline + std::string("FROM ") + JoinList(from);
    if (parts.remote_db) {
      out += RemoteDbSuffix(parts.remote_db->name1, parts.remote_db->expression);
    }
  }
  if (parts.where) out += kSqlNewline + std::string("WHERE ") + TextOf(parts.where->expression);
  if (!group_by.empty()) {
    out += kSqlNewline + std::string("GROUP BY ") + JoinList(Expressions(group_by));
  }
  if (parts.having) {
    out += kSqlNewline + std::string("HAVING ") + TextOf(parts.having->expression);
  }
  out += OrderByClause(parts);
  return out;
}

// The target of a make-table or append query: " IN '...' [type]" of its own database, if any.
std::string TargetDb(const QueryParts& parts) {
  if (!parts.type) return "";
  return RemoteDbSuffix(parts.type->name2, parts.type->expression);
}

std::string TargetTable(const QueryParts& parts) {
  return parts.type ? QuoteIdentifier(TextOf(parts.type->name1)) : std::string();
}

std::string SelectText(const QueryParts& parts) {
  return SelectHead("SELECT", parts, parts.columns) + SelectTail(parts, parts.group_by);
}

std::string MakeTableText(const QueryParts& parts) {
  return SelectHead("SELECT", parts, parts.columns) + " INTO " + TargetTable(parts) +
         TargetDb(parts) + SelectTail(parts, parts.group_by);
}

std::string DeleteText(const QueryParts& parts) {
  return SelectHead("DELETE", parts, parts.columns) + SelectTail(parts, parts.group_by);
}

std::string AppendText(const QueryParts& parts) {
  std::vector<std::string> targets;
  std::vector<std::string> values;
  std::vector<QueryRow> selected;
  for (const QueryRow& column : parts.columns) {
    if (column.name2) targets.push_back(QuoteIdentifier(*column.name2));
    if (HasBits(column.flag, kAppendValue)) {
      values.push_back(TextOf(column.expression));
    } else {
      selected.push_back(column);
    }
  }
  std::string out = "INSERT INTO " + TargetTable(parts);
  if (!targets.empty()) out += " ( " + JoinList(targets) + " )";
  out += TargetDb(parts) + kSqlNewline;
  if (!values.empty()) return out + "VALUES (" + JoinList(values) + ")";
  return out + SelectHead("SELECT", parts, selected) + SelectTail(parts, parts.group_by);
}

std::string UpdateText(const QueryParts& parts) {
  std::string out = "UPDATE " + JoinList(BuildFromItems(parts.tables, parts.joins));
  if (parts.remote_db) {
    out += RemoteDbSuffix(parts.remote_db->name1, parts.remote_db->expression);
  }
  std::vector<std::string> assignments;
  for (const QueryRow& column : parts.columns) {
    assignments.push_back(QuoteIdentifier(TextOf(column.name2)) + " = " +
                          TextOf(column.expression));
  }
  out += " SET " + JoinList(assignments);
  if (parts.where) out += kSqlNewline + std::string("WHERE ") + TextOf(parts.where->expression);
  return out;
}

std::string CrosstabText(const QueryParts& parts) {
  const QueryRow* value = nullptr;
  const QueryRow* pivot = nullptr;
  std::vector<QueryRow> headings;
  for (const QueryRow& column : parts.columns) {
    if (HasBits(column.flag, kCrosstabRowHead)) {
      headings.push_back(column);
    } else if (HasBits(column.flag, kCrosstabPivot)) {
      if (!pivot) pivot = &column;
    } else if (!value) {
      value = &column;
    }
  }
  std::vector<QueryRow> group_by;
  for (const QueryRow& key : parts.group_by) {
    if (HasBits(key.flag, kCrosstabRowHead)) group_by.push_back(key);
  }
  std::string out;
  if (value) out += "TRANSFORM " + ColumnText(*value) + kSqlNewline;
  out += SelectHead("SELECT", parts, headings) + SelectTail(parts, group_by);
  out += kSqlNewline + std::string("PIVOT ");
  if (pivot) {
    out += TextOf(pivot->expression);
    // Fixed column headings are part of the stored expression ("V.mese In ("Gen","Feb")"); the
    // row's Name1 is only the alias of the pivot column, which Access does not write.
  }
  return out;
}

// A union half exactly as stored: its blanks and line breaks are part of the text Access shows.
std::string UnionPart(const QueryParts& parts, const char* id) {
  for (const QueryRow& table : parts.tables) {
    if (table.name2 && *table.name2 == id) return TextOf(table.expression);
  }
  return "";
}

// "first UNION [ALL] second", UNION on a line of its own: the line break before it is added only
// when the first half does not already end with one, so a first half ending in a blank line
// keeps that blank line.
std::string UnionText(const QueryParts& parts) {
  std::string out = UnionPart(parts, kUnionPart1);
  if (out.empty() || out.back() != '\n') out += kSqlNewline;
  out += "UNION ";
  if (!(parts.SelectFlags() & kSelectDistinct)) out += "ALL ";
  out += UnionPart(parts, kUnionPart2);
  out += OrderByClause(parts);
  return out;
}

// Data-definition and pass-through queries keep their text as it was typed, in the type row
// (empty when that row is missing). The stored text may end with the terminating NUL of the
// string it was saved from; that is not part of it.
std::string StoredText(const QueryParts& parts) {
  std::string text = parts.type ? TextOf(parts.type->expression) : std::string();
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

}  // namespace

int16_t QueryTypeFromRows(const std::vector<QueryRow>& rows, uint32_t object_flags) {
  switch (QueryParts::Decode(rows).Kind(object_flags)) {
    case kKindMakeTable: return 80;
    case kKindAppend: return 64;
    case kKindUpdate: return 48;
    case kKindDelete: return 32;
    case kKindCrosstab: return 16;
    case kKindDataDefinition: return 96;
    case kKindPassThrough: return 112;
    case kKindUnion: return 128;
    default: return 0;  // select, and the best reading of an unknown kind
  }
}

std::string BuildQuerySql(const std::vector<QueryRow>& rows, uint32_t object_flags) {
  const QueryParts parts = QueryParts::Decode(rows);
  const int kind = parts.Kind(object_flags);
  if (kind == kKindDataDefinition || kind == kKindPassThrough) return StoredText(parts);

  std::string out = ParametersLine(parts);
  switch (kind) {
    case kKindMakeTable: out += MakeTableText(parts); break;
    case kKindAppend: out += AppendText(parts); break;
    case kKindUpdate: out += UpdateText(parts); break;
    case kKindDelete: out += DeleteText(parts); break;
    case kKindCrosstab: out += CrosstabText(parts); break;
    case kKindUnion: out += UnionText(parts); break;
    default: out += SelectText(parts); break;
  }
  if (parts.SelectFlags() & kSelectOwnerAccess) {
    out += kSqlNewline + std::string("WITH OWNERACCESS OPTION");
  }
  return out + ";" + kSqlNewline;
}

}  // namespace engine
