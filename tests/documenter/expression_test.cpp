// Access validation rules as SQL conditions: each form the translator knows, for each server, and
// the forms it must leave alone (they become comments in the DDL).
#include "documenter/expression.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace tavrek::doc;

// Fields of a table: N number, T text, D date, B boolean.
const std::map<std::string, ValueKind> kFields = {
    {"n", ValueKind::kNumber}, {"m", ValueKind::kNumber},  {"t", ValueKind::kText},
    {"d", ValueKind::kDate},   {"b", ValueKind::kBoolean}, {"Città", ValueKind::kText}};

std::optional<std::string> Translate(const std::string& rule, const char* dialect,
                                     const std::string& field) {
  SqlContext context{*FindSqlDialect(dialect),
                     [](const std::string& name) -> std::optional<ValueKind> {
                       for (const auto& [f, kind] : kFields)
                         if (f == name || (f == "n" && name == "N")) return kind;
                       return std::nullopt;
                     },
                     [](const std::string& name) { return "\"" + name + "\""; },
                     [](const std::string& text) { return "'" + text + "'"; }};
  auto e = field.empty() ? ParseRuleExpression(rule) : ParseFieldRule(rule, field);
  if (!e) return std::nullopt;
  return ConditionSql(*e, context);
}

TEST(AccessExpression, RulesAsConditionsForEachServer) {
  const struct {
    const char* field;  // the field of a field rule; "" for a table rule
    const char* rule;
    const char* sqlite;  // nullptr: not translated
    const char* postgresql;
  } kCases[] = {
      {"n", ">0", "\"n\" > 0", "\"n\" > 0"},
      {"n", ">=0 And <100", "(\"n\" >= 0 AND \"n\" < 100)", "(\"n\" >= 0 AND \"n\" < 100)"},
      {"t", "\"M\" Or \"F\"", "(\"t\" = 'M' OR \"t\" = 'F')", "(\"t\" = 'M' OR \"t\" = 'F')"},
      {"t", "=\"M\" Or \"F\"", "(\"t\" = 'M' OR \"t\" = 'F')", "(\"t\" = 'M' OR \"t\" = 'F')"},
      {"n", "Between 1 And 9", "\"n\" BETWEEN 1 AND 9", "\"n\" BETWEEN 1 AND 9"},
      {"n", "Not Between 1 And 9", "\"n\" NOT BETWEEN 1 AND 9", "\"n\" NOT BETWEEN 1 AND 9"},
      {"t", "In (\"a\", \"b\")", "\"t\" IN ('a', 'b')", "\"t\" IN ('a', 'b')"},
      {"t", "Like \"A*\"", "\"t\" LIKE 'A%' ESCAPE '!'", "\"t\" ILIKE 'A%' ESCAPE '!'"},
      {"t", "Not Like \"?_%!\"", "\"t\" NOT LIKE '_!_!%!!' ESCAPE '!'",
       "\"t\" NOT ILIKE '_!_!%!!' ESCAPE '!'"},
      {"t", "Is Null Or Len([t])>2", "(\"t\" IS NULL OR length(\"t\") > 2)",
       "(\"t\" IS NULL OR char_length(\"t\") > 2)"},
      {"t", "Is Not Null", "\"t\" IS NOT NULL", "\"t\" IS NOT NULL"},
      {"t", "Not \"x\"", "NOT (\"t\" = 'x')", "NOT (\"t\" = 'x')"},
      {"d", ">=#1/31/2000#", "\"d\" >= '2000-01-31'", "\"d\" >= DATE '2000-01-31'"},
      {"d", "<#2000-01-31 08:05#", "\"d\" < '2000-01-31 08:05:00'",
       "\"d\" < TIMESTAMP '2000-01-31 08:05:00'"},
      {"b", "True", "\"b\" = 1", "\"b\" = TRUE"},
      {"", "[n] <= [m] * 2 And UCase([Città]) & \"x\" <> \"Y\"",
       "(\"n\" <= (\"m\" * 2) AND (UPPER(\"Città\") || 'x') <> 'Y')",
       "(\"n\" <= (\"m\" * 2) AND (UPPER(\"Città\") || 'x') <> 'Y')"},
      {"", "N > -1", "\"N\" > -1", "\"N\" > -1"},
      {"n", "(1 + [n]) > 2", "(1 + \"n\") > 2", "(1 + \"n\") > 2"},
      // Not translated: kinds that do not go together, Null, functions without an SQL form here,
      // patterns LIKE cannot say, unknown fields, damaged text, and what is no condition.
      {"n", ">\"a\"", nullptr, nullptr},
      {"n", "<>Null", nullptr, nullptr},
      {"d", ">Date()", nullptr, nullptr},
      {"t", "Like \"#*\"", nullptr, nullptr},
      {"t", "Like \"[A-C]*\"", nullptr, nullptr},
      {"", "[nessuno] > 0", nullptr, nullptr},
      {"t", "\"a", nullptr, nullptr},
      {"n", "> 0 And", nullptr, nullptr},
      {"", "[n] + 1", nullptr, nullptr},
      {"d", ">#31/31/2000#", nullptr, nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.field) + ": " + c.rule);
    auto lite = Translate(c.rule, "sqlite", c.field);
    auto pg = Translate(c.rule, "postgresql", c.field);
    EXPECT_EQ(lite.value_or("(non tradotta)"), c.sqlite ? c.sqlite : "(non tradotta)");
    EXPECT_EQ(pg.value_or("(non tradotta)"), c.postgresql ? c.postgresql : "(non tradotta)");
  }
  // MySQL's || is Or: text is joined with CONCAT.
  EXPECT_EQ(Translate("[t] & \"x\" = \"yx\"", "mysql", "").value_or(""),
            "CONCAT(\"t\", 'x') = 'yx'");
}

}  // namespace
