// Validation rules as SQL conditions for one server. The rules are read by the query parser
// (access_expr.h); the writer knows the common forms: comparisons, And / Or / Not, Between, In,
// Like with * and ?, Is [Not] Null, arithmetic and &, Len / UCase / LCase / Trim / Abs, numbers,
// "text", #dates#, True / False and [field] names. Every node is given the kind of value it
// gives, so that nothing is written that the server would refuse for mixing kinds; what has no
// SQL form is left untranslated (the caller writes it as a comment).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "documenter/access_expr.h"
#include "documenter/sql_dialect.h"

namespace tavrek::doc {

// The kind of value an expression gives.
enum class ValueKind { kUnknown, kNumber, kText, kDate, kBoolean };

// The kind of value a field of DAO type `type` holds.
ValueKind FieldValueKind(int type);

// Parses a whole expression ("[Prezzo] > 0 And Len([Nome]) > 0") with the query parser
// (access_expr.h). nullptr when the text is not an Access expression.
ExprPtr ParseRuleExpression(std::string_view text);

// Parses a field's validation rule, whose comparisons may leave out their left side, meaning the
// field (">0 And <100", "\"M\" Or \"F\"", "Is Null Or Between 1 And 9"): the field is put in as
// `field`. nullptr when the text is not a rule.
ExprPtr ParseFieldRule(std::string_view text, const std::string& field);

// What the writer needs to know of the table: the kind of each field (nullopt for a name that
// is not a field of the table) and how the server quotes names and text.
struct SqlContext {
  const SqlDialect& dialect;
  std::function<std::optional<ValueKind>(const std::string& field)> fieldKind;
  std::function<std::string(const std::string& name)> quoteName;  // the field's column, quoted
  std::function<std::string(const std::string& text)> literal;    // a string literal
};

// The expression as an SQL condition for `context`'s server, or nullopt when some part has no
// SQL form there (an unknown function or field, a pattern Like cannot express, kinds that do not
// go together, a condition that is not true or false).
std::optional<std::string> ConditionSql(const Expr& e, const SqlContext& context);

}  // namespace tavrek::doc
