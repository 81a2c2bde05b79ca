// The words of Access SQL that a name may not be written as without brackets.
#pragma once

#include <string_view>

namespace engine {

// True when `name` (compared without regard to ASCII case) is a reserved word of Access SQL:
// the keywords of its own dialect (DISTINCTROW, PIVOT, TRANSFORM, OWNERACCESS…), its data type
// names and synonyms (TEXT, LONG, YESNO, IEEEDOUBLE…) and the words ANSI SQL-92 reserves
// (YEAR, LEVEL, VALUE, POSITION…). Access writes such a name in brackets wherever it names a
// column, an alias or a parameter: "AS [Year]".
bool IsReservedWord(std::string_view name);

// True when Access writes `name` in brackets as a column's alias ("expr AS [Year]"): a reserved
// word that is not the name of one of its aggregate functions (Avg, Count, First, Last, Max,
// Min, StDev, StDevP, Sum, Var, VarP), which Access writes bare there ("AS Var").
bool IsReservedAlias(std::string_view name);

}  // namespace engine
