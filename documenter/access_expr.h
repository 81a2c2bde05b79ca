// Access SQL read into a small syntax tree: the expressions of a query (select list, WHERE, ON,
// GROUP BY, HAVING, ORDER BY, as MSysQueries stores them in text) and the SELECT statements that
// Access also keeps as text (the halves of a union, subqueries, derived tables).
//
// The grammar is Access's: names in brackets or bare, dotted or with "!", strings in double or
// single quotes, dates between #, Access's operator precedence (^, unary -, * /, \, Mod, + -, &,
// comparisons with Like/Is/Between/In, Not, And, Or, Xor, Eqv, Imp). Nothing here knows any other
// SQL dialect: the view translator (view_translator.h) and the validation-rule writer
// (expression.h) walk these trees.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavrek::doc {

// Text that is not Access SQL as this parser reads it. The message (Italian) says where.
class AccessSyntaxError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SelectStatement;
struct UnionStatement;

struct Expr {
  enum class Kind {
    kNumber,    // text: the literal as written
    kString,    // text: the value (quotes removed, doubled quotes undone)
    kDate,      // text: what stood between the # signs
    kBool,      // number: -1 (True) or 0 (False)
    kNull,
    kName,      // parts: "a", "b" for [a].[b]; bang: some separator was "!"; star: ends in .*
    kStar,      // a bare * (Count(*), SELECT *)
    kUnary,     // op: "-", "+", "NOT"; args[0]
    kBinary,    // op: "+", "-", "*", "/", "\\", "MOD", "^", "&", "=", "<>", "<", ">", "<=",
                //     ">=", "AND", "OR", "XOR", "EQV", "IMP"; args[0], args[1]
    kLike,      // args[0] LIKE args[1]; negated
    kIsNull,    // args[0] IS NULL; negated
    kBetween,   // args[0] BETWEEN args[1] AND args[2]; negated
    kIn,        // args[0] IN (args[1..]) or IN (subquery); negated
    kCall,      // text: the function's name as written; args
    kSubquery,  // (subquery) as a value
    kExists,    // EXISTS (subquery)
  };
  Kind kind = Kind::kNull;
  std::string text;
  std::string op;
  int number = 0;
  bool negated = false;
  bool bang = false;
  bool star = false;
  std::vector<std::string> parts;
  std::vector<std::unique_ptr<Expr>> args;
  std::shared_ptr<UnionStatement> subquery;
};

using ExprPtr = std::unique_ptr<Expr>;

// One item of a FROM list.
struct FromItem {
  enum class Kind { kTable, kDerived, kJoin };
  Kind kind = Kind::kTable;
  std::string name;    // kTable: the table or query named
  std::string alias;   // kTable, kDerived: AS alias (empty when none)
  std::string remote;  // kTable: IN 'database' when it is read from another database
  std::shared_ptr<UnionStatement> derived;  // kDerived
  std::string join;    // kJoin: "INNER", "LEFT", "RIGHT"
  std::unique_ptr<FromItem> left, right;    // kJoin
  ExprPtr on;                               // kJoin
};

struct SelectItem {
  ExprPtr expr;        // a kName with star for t.*, a kStar for *
  std::string alias;   // AS alias; empty when none
};

struct OrderKey {
  ExprPtr expr;
  bool descending = false;
};

struct SelectStatement {
  bool distinct = false;
  bool distinctRow = false;
  std::optional<std::string> top;  // the n of TOP n
  bool topPercent = false;
  std::vector<SelectItem> items;
  std::vector<FromItem> from;
  ExprPtr where;
  std::vector<ExprPtr> groupBy;
  ExprPtr having;
  std::vector<OrderKey> orderBy;
};

// SELECT statements joined by UNION: parts[i] joined to parts[i-1] by UNION ALL when all[i].
// `orderBy` is the ORDER BY after the last part, which orders the whole union.
struct UnionStatement {
  std::vector<SelectStatement> parts;
  std::vector<bool> all;
  std::vector<OrderKey> orderBy;
};

// An expression from its Access text. Raises AccessSyntaxError when it is not one (or when
// something follows it).
ExprPtr ParseAccessExpression(std::string_view text);

// A field's validation rule, whose comparisons may leave out their left side, meaning the field
// (">0 And <100", "\"M\" Or \"F\"", "Is Null Or Between 1 And 9"): the field is put in as a
// name; a plain value is the value the field must have ("\"M\"" is [field] = "M"). Inside
// parentheses and function arguments expressions are whole. Raises AccessSyntaxError.
ExprPtr ParseAccessFieldRule(std::string_view text, const std::string& field);

// The items of a FROM clause ("a, (b INNER JOIN c ON b.x = c.x) LEFT JOIN d ON …"), as
// engine::BuildFromItems writes them one by one. Raises AccessSyntaxError.
FromItem ParseAccessFromItem(std::string_view text);

// A SELECT statement, or several joined by UNION [ALL], with an optional ";" at the end; a
// leading PARAMETERS declaration is skipped. Raises AccessSyntaxError.
UnionStatement ParseAccessSelect(std::string_view text);

// The name of a function call, in lower case ("iif", "nz"), for looking it up.
std::string LowerAscii(std::string_view text);

}  // namespace tavrek::doc
