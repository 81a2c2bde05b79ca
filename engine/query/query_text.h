// Small text helpers shared by the pieces that rebuild a query's SQL.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// Line break between the clauses of a query's SQL text.
inline constexpr const char* kSqlNewline = "\r\n";

// The text of a column, empty when it is NULL.
std::string TextOf(const std::optional<std::string>& value);

// Whether Access writes `name` in brackets: when it is not in brackets already and holds a
// character other than letters, digits and underscores, starts with a digit, or is a reserved
// word of Access SQL (IsReservedWord). Bytes of non-ASCII UTF-8 characters count as letters.
// An empty name is never bracketed.
bool NeedsBrackets(std::string_view name);

// A name as Access writes it: in brackets when NeedsBrackets says so, otherwise as it is
// ("Some.Alias" -> "[Some.Alias]", "Year" -> "[Year]", "Total" -> "Total").
std::string QuoteName(std::string_view name);

// A column's alias as Access writes it after AS: as QuoteName, except that a reserved word that
// Access leaves bare there (IsReservedAlias: the aggregate function names) stays bare.
std::string QuoteAlias(std::string_view name);

// A dotted name (table, or table.column) with each part quoted as by QuoteName. Dots inside
// brackets do not split ("[a.b].c" stays as it is).
std::string QuoteIdentifier(std::string_view identifier);

// The items joined with `separator` (", " by default).
std::string JoinList(const std::vector<std::string>& items, std::string_view separator = ", ");

// " IN 'path'" followed by " [type]" when the type is given; empty when both are missing.
std::string RemoteDbSuffix(const std::optional<std::string>& path,
                           const std::optional<std::string>& type);

}  // namespace engine
