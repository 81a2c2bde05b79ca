#include "documenter/expression.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <cstdio>
#include <utility>

#include "engine/catalogue/name_compare.h"
#include "engine/dao.h"

namespace tavrek::doc {

namespace {

// ISO text of an Access date literal ("1/31/2020", "2020-01-31", either with "hh:mm[:ss]"), or
// nullopt for another form.
std::optional<std::string> IsoDate(const std::string& text) {
  int y = 0, m = 0, d = 0, hh = -1, mm = 0, ss = 0;
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &m, &d, &consumed) != 3 &&
      std::sscanf(text.c_str(), "%2d/%2d/%4d%n", &m, &d, &y, &consumed) != 3)
    return std::nullopt;
  std::string rest = text.substr(static_cast<size_t>(consumed));
  while (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
  if (!rest.empty()) {
    int n = 0;
    if (std::sscanf(rest.c_str(), "%2d:%2d:%2d%n", &hh, &mm, &ss, &n) != 3) {
      ss = 0;
      if (std::sscanf(rest.c_str(), "%2d:%2d%n", &hh, &mm, &n) != 2) return std::nullopt;
    }
    if (static_cast<size_t>(n) != rest.size() || hh > 23 || mm > 59 || ss > 59) return std::nullopt;
  }
  if (y < 100 || m < 1 || m > 12 || d < 1 || d > 31) return std::nullopt;
  char buf[64];
  if (hh < 0)
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  else
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, hh, mm, ss);
  return std::string(buf);
}

struct Sql {
  std::string text;
  ValueKind kind;
};

class Writer {
 public:
  explicit Writer(const SqlContext& c) : c_(c) {}

  std::optional<Sql> Write(const Expr& e) {
    const SqlDialect& d = c_.dialect;
    switch (e.kind) {
      case Expr::Kind::kNumber:
        return Sql{e.text, ValueKind::kNumber};
      case Expr::Kind::kString:
        return Sql{c_.literal(e.text), ValueKind::kText};
      case Expr::Kind::kBool:
        return Sql{std::string(e.number ? d.literalTrue : d.literalFalse), ValueKind::kBoolean};
      case Expr::Kind::kDate: {
        auto iso = IsoDate(e.text);
        if (!iso) return std::nullopt;
        const bool time = iso->size() > 10;
        return Sql{Replace(time ? d.timestampLiteral : d.dateLiteral, c_.literal(*iso)),
                   ValueKind::kDate};
      }
      case Expr::Kind::kNull:
        return std::nullopt;  // comparing with Null is never true or false
      case Expr::Kind::kName: {
        if (e.parts.size() != 1 || e.star) return std::nullopt;
        auto kind = c_.fieldKind(e.parts[0]);
        if (!kind || *kind == ValueKind::kUnknown) return std::nullopt;
        return Sql{c_.quoteName(e.parts[0]), *kind};
      }
      case Expr::Kind::kCall:
        return Call(e);
      case Expr::Kind::kUnary: {
        auto a = Write(*e.args[0]);
        if (!a) return std::nullopt;
        if (e.op == "-")
          return a->kind == ValueKind::kNumber ? std::optional<Sql>(Sql{"-" + a->text, a->kind})
                                               : std::nullopt;
        if (e.op != "NOT" || a->kind != ValueKind::kBoolean) return std::nullopt;
        return Sql{"NOT (" + a->text + ")", ValueKind::kBoolean};
      }
      case Expr::Kind::kBinary:
        return Binary(e);
      case Expr::Kind::kBetween: {
        auto v = Write(*e.args[0]), low = Write(*e.args[1]), high = Write(*e.args[2]);
        if (!v || !low || !high || !Comparable(*v, *low) || !Comparable(*v, *high))
          return std::nullopt;
        return Sql{v->text + (e.negated ? " NOT" : "") + " BETWEEN " + low->text + " AND " +
                       high->text,
                   ValueKind::kBoolean};
      }
      case Expr::Kind::kIn: {
        if (e.subquery) return std::nullopt;
        auto v = Write(*e.args[0]);
        if (!v) return std::nullopt;
        std::string list;
        for (size_t i = 1; i < e.args.size(); ++i) {
          auto item = Write(*e.args[i]);
          if (!item || !Comparable(*v, *item)) return std::nullopt;
          list += (i > 1 ? ", " : "") + item->text;
        }
        return Sql{v->text + (e.negated ? " NOT IN (" : " IN (") + list + ")", ValueKind::kBoolean};
      }
      case Expr::Kind::kLike: {
        auto v = Write(*e.args[0]);
        if (!v || v->kind != ValueKind::kText || e.args[1]->kind != Expr::Kind::kString) return std::nullopt;
        auto pattern = LikePattern(e.args[1]->text);
        if (!pattern) return std::nullopt;
        return Sql{v->text + (e.negated ? " NOT " : " ") + std::string(d.likeOperator) +
                       " " + c_.literal(*pattern) + " ESCAPE '!'",
                   ValueKind::kBoolean};
      }
      case Expr::Kind::kIsNull: {
        auto v = Write(*e.args[0]);
        if (!v) return std::nullopt;
        return Sql{v->text + (e.negated ? " IS NOT NULL" : " IS NULL"), ValueKind::kBoolean};
      }
      case Expr::Kind::kStar:
      case Expr::Kind::kSubquery:
      case Expr::Kind::kExists:
        break;
    }
    return std::nullopt;
  }

 private:
  static std::string Replace(std::string_view pattern, const std::string& value) {
    std::string out(pattern);
    const size_t at = out.find("{}");
    if (at != std::string::npos) out.replace(at, 2, value);
    return out;
  }
  static bool Comparable(const Sql& a, const Sql& b) {
    return a.kind == b.kind && a.kind != ValueKind::kUnknown;
  }

  // Access's * and ? as SQL's % and _, SQL's own wildcards and the escape character escaped with
  // "!"; nullopt for # (a digit) and [ ] (character lists), which LIKE cannot say.
  static std::optional<std::string> LikePattern(const std::string& access) {
    std::string out;
    for (char ch : access) {
      switch (ch) {
        case '*':
          out += '%';
          break;
        case '?':
          out += '_';
          break;
        case '#':
        case '[':
        case ']':
          return std::nullopt;
        case '%':
        case '_':
        case '!':
          out += '!';
          out += ch;
          break;
        default:
          out += ch;
      }
    }
    return out;
  }

  std::optional<Sql> Call(const Expr& e) {
    const std::string name = engine::FoldName(e.text);
    if (e.args.size() != 1) return std::nullopt;
    auto a = Write(*e.args[0]);
    if (!a) return std::nullopt;
    if (name == "len" && a->kind == ValueKind::kText)
      return Sql{std::string(c_.dialect.lengthFunction) + "(" + a->text + ")", ValueKind::kNumber};
    if ((name == "ucase" || name == "lcase" || name == "trim") && a->kind == ValueKind::kText) {
      const char* f = name == "ucase" ? "UPPER" : name == "lcase" ? "LOWER" : "TRIM";
      return Sql{std::string(f) + "(" + a->text + ")", ValueKind::kText};
    }
    if (name == "abs" && a->kind == ValueKind::kNumber)
      return Sql{"ABS(" + a->text + ")", ValueKind::kNumber};
    return std::nullopt;
  }

  std::optional<Sql> Binary(const Expr& e) {
    const std::string& op = e.op;
    static const char* const kWritten[] = {"AND", "OR", "+", "-", "*", "/", "&",
                                           "=", "<>", "<", ">", "<=", ">="};
    if (std::find(std::begin(kWritten), std::end(kWritten), op) == std::end(kWritten)) return std::nullopt;
    auto a = Write(*e.args[0]);
    auto b = a ? Write(*e.args[1]) : std::nullopt;
    if (!a || !b) return std::nullopt;
    if (op == "AND" || op == "OR") {
      if (a->kind != ValueKind::kBoolean || b->kind != ValueKind::kBoolean) return std::nullopt;
      return Sql{"(" + a->text + (op == "AND" ? " AND " : " OR ") + b->text + ")",
                 ValueKind::kBoolean};
    }
    if (op == "+" || op == "-" || op == "*" || op == "/") {
      if (a->kind != ValueKind::kNumber || b->kind != ValueKind::kNumber) return std::nullopt;
      return Sql{"(" + a->text + " " + op + " " + b->text + ")", ValueKind::kNumber};
    }
    if (op == "&") {
      if (a->kind != ValueKind::kText || b->kind != ValueKind::kText) return std::nullopt;
      std::string pattern(c_.dialect.concatenation);
      pattern.replace(pattern.find("{a}"), 3, a->text);
      pattern.replace(pattern.find("{b}"), 3, b->text);
      return Sql{pattern, ValueKind::kText};
    }
    if (!Comparable(*a, *b)) return std::nullopt;
    return Sql{a->text + " " + op + " " + b->text, ValueKind::kBoolean};
  }

  const SqlContext& c_;
};

}  // namespace

ValueKind FieldValueKind(int type) {
  switch (type) {
    case dao::dbText: case dao::dbMemo: return ValueKind::kText;
    case dao::dbByte: case dao::dbInteger: case dao::dbLong: case dao::dbBigInt: case dao::dbCurrency:
    case dao::dbSingle: case dao::dbDouble: case dao::dbDecimal:
      return ValueKind::kNumber;
    case dao::dbDate: case dao::dbDateTimeExtended: return ValueKind::kDate;
    case dao::dbBoolean: return ValueKind::kBoolean;
    default: return ValueKind::kUnknown;
  }
}

ExprPtr ParseRuleExpression(std::string_view text) {
  try {
    return ParseAccessExpression(text);
  } catch (const AccessSyntaxError&) {
    return nullptr;
  }
}

ExprPtr ParseFieldRule(std::string_view text, const std::string& field) {
  try {
    return ParseAccessFieldRule(text, field);
  } catch (const AccessSyntaxError&) {
    return nullptr;
  }
}

std::optional<std::string> ConditionSql(const Expr& e, const SqlContext& context) {
  auto sql = Writer(context).Write(e);
  if (!sql || sql->kind != ValueKind::kBoolean) return std::nullopt;
  return sql->text;
}

}  // namespace tavrek::doc
