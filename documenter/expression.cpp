#include "documenter/expression.h"

#include <cctype>
#include <cstdio>
#include <utility>

#include "engine/catalogue/name_compare.h"

namespace tavrek::doc {

namespace {

using Op = AccessExpr::Op;
using ExprPtr = std::unique_ptr<AccessExpr>;

struct Token {
  enum Kind { kEnd, kNumber, kText, kDate, kName, kWord, kSymbol } kind = kEnd;
  std::string text;  // numbers and symbols as written, text unquoted, [names] without brackets,
                     // words (unbracketed names and keywords) as written
};

// Splits an expression into tokens; false when a literal or a bracket is not closed.
bool Tokenize(std::string_view s, std::vector<Token>& out) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (std::isspace(c)) {
      ++i;
    } else if (std::isdigit(c) || (c == '.' && i + 1 < s.size() &&
                                   std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      size_t j = i;
      while (j < s.size() && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == '.')) ++j;
      out.push_back({Token::kNumber, std::string(s.substr(i, j - i))});
      i = j;
    } else if (c == '"' || c == '\'') {
      std::string text;
      size_t j = i + 1;
      for (;; ++j) {
        if (j >= s.size()) return false;
        if (s[j] == static_cast<char>(c)) {
          if (j + 1 < s.size() && s[j + 1] == static_cast<char>(c)) {
            text += s[j++];
            continue;
          }
          break;
        }
        text += s[j];
      }
      out.push_back({Token::kText, text});
      i = j + 1;
    } else if (c == '#' || c == '[') {
      const char close = c == '#' ? '#' : ']';
      const size_t j = s.find(close, i + 1);
      if (j == std::string_view::npos) return false;
      out.push_back(
          {c == '#' ? Token::kDate : Token::kName, std::string(s.substr(i + 1, j - i - 1))});
      i = j + 1;
    } else if (std::isalpha(c) || c == '_' || c >= 0x80) {
      size_t j = i;
      while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_' ||
                              static_cast<unsigned char>(s[j]) >= 0x80))
        ++j;
      out.push_back({Token::kWord, std::string(s.substr(i, j - i))});
      i = j;
    } else {
      static const char* const kSymbols[] = {"<=", ">=", "<>", "=", "<", ">", "+",
                                             "-",  "*",  "/",  "&", "(", ")", ","};
      bool found = false;
      for (const char* sym : kSymbols) {
        if (s.substr(i).starts_with(sym)) {
          out.push_back({Token::kSymbol, sym});
          i += std::string_view(sym).size();
          found = true;
          break;
        }
      }
      if (!found) return false;
    }
  }
  out.push_back({Token::kEnd, ""});
  return true;
}

ExprPtr Node(Op op, std::string text = {}) {
  auto e = std::make_unique<AccessExpr>();
  e->op = op;
  e->text = std::move(text);
  return e;
}

ExprPtr Node(Op op, std::string text, ExprPtr a, ExprPtr b = nullptr, ExprPtr c = nullptr) {
  auto e = Node(op, std::move(text));
  for (ExprPtr* p : {&a, &b, &c})
    if (*p) e->args.push_back(std::move(*p));
  return e;
}

// Is the node a condition (gives true or false) by its form?
bool IsCondition(const AccessExpr& e) {
  switch (e.op) {
    case Op::kBetween:
    case Op::kNotBetween:
    case Op::kIn:
    case Op::kNotIn:
    case Op::kLike:
    case Op::kNotLike:
    case Op::kIsNull:
    case Op::kIsNotNull:
      return true;
    case Op::kUnary:
      return e.text == "Not";
    case Op::kBinary:
      return e.text != "+" && e.text != "-" && e.text != "*" && e.text != "/" && e.text != "&";
    default:
      return false;
  }
}

// A recursive-descent parser over Access's precedence: Or, And, Not, comparisons (= <> < > <= >=
// Like Between In Is), &, + -, * /, unary minus, then primaries.
class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

  ExprPtr Whole(const std::string* ruleField) {
    field_ = ruleField;
    ExprPtr e = Or();
    if (!e || t_[at_].kind != Token::kEnd) return nullptr;
    return e;
  }

 private:
  bool Word(const char* w) const {
    return t_[at_].kind == Token::kWord && engine::FoldName(t_[at_].text) == engine::FoldName(w);
  }
  bool Symbol(const char* s) const { return t_[at_].kind == Token::kSymbol && t_[at_].text == s; }
  bool StartsComparison() const {
    for (const char* s : {"=", "<>", "<", ">", "<=", ">="})
      if (Symbol(s)) return true;
    return Word("Like") || Word("Between") || Word("In") || Word("Is") ||
           (Word("Not") && at_ + 1 < t_.size() && t_[at_ + 1].kind == Token::kWord &&
            (engine::FoldName(t_[at_ + 1].text) == "like" ||
             engine::FoldName(t_[at_ + 1].text) == "between" ||
             engine::FoldName(t_[at_ + 1].text) == "in"));
  }

  ExprPtr Or() {
    ExprPtr e = And();
    while (e && Word("Or")) {
      ++at_;
      ExprPtr r = And();
      if (!r) return nullptr;
      e = Node(Op::kBinary, "Or", std::move(e), std::move(r));
    }
    return e;
  }
  ExprPtr And() {
    ExprPtr e = Not();
    while (e && Word("And")) {
      ++at_;
      ExprPtr r = Not();
      if (!r) return nullptr;
      e = Node(Op::kBinary, "And", std::move(e), std::move(r));
    }
    return e;
  }
  ExprPtr Not() {
    // A field rule: a comparison without its left side compares the field; a plain value is
    // the field's wanted value.
    if (field_ && StartsComparison()) return Comparison(Node(Op::kField, *field_));
    if (Word("Not")) {
      ++at_;
      ExprPtr e = Not();
      return e ? Node(Op::kUnary, "Not", std::move(e)) : nullptr;
    }
    if (field_) {
      ExprPtr e = Comparison(Concat());
      if (e && !IsCondition(*e))
        e = Node(Op::kBinary, "=", Node(Op::kField, *field_), std::move(e));
      return e;
    }
    return Comparison(Concat());
  }
  // The comparisons that may follow `left`, if any.
  ExprPtr Comparison(ExprPtr left) {
    if (!left) return nullptr;
    for (const char* s : {"<=", ">=", "<>", "=", "<", ">"}) {
      if (Symbol(s)) {
        ++at_;
        ExprPtr r = Concat();
        return r ? Node(Op::kBinary, s, std::move(left), std::move(r)) : nullptr;
      }
    }
    bool negated = false;
    if (Word("Not") && StartsComparison()) {
      negated = true;
      ++at_;
    }
    if (Word("Like")) {
      ++at_;
      ExprPtr r = Concat();
      return r ? Node(negated ? Op::kNotLike : Op::kLike, "", std::move(left), std::move(r))
               : nullptr;
    }
    if (Word("Between")) {
      ++at_;
      ExprPtr low = Concat();
      if (!low || !Word("And")) return nullptr;
      ++at_;
      ExprPtr high = Concat();
      return high ? Node(negated ? Op::kNotBetween : Op::kBetween, "", std::move(left),
                         std::move(low), std::move(high))
                  : nullptr;
    }
    if (Word("In")) {
      ++at_;
      if (!Symbol("(")) return nullptr;
      auto e = Node(negated ? Op::kNotIn : Op::kIn);
      e->args.push_back(std::move(left));
      do {
        ++at_;
        ExprPtr item = Concat();
        if (!item) return nullptr;
        e->args.push_back(std::move(item));
      } while (Symbol(","));
      if (!Symbol(")")) return nullptr;
      ++at_;
      return e;
    }
    if (negated) return nullptr;
    if (Word("Is")) {
      ++at_;
      bool isNot = false;
      if (Word("Not")) {
        isNot = true;
        ++at_;
      }
      if (!Word("Null")) return nullptr;
      ++at_;
      return Node(isNot ? Op::kIsNotNull : Op::kIsNull, "", std::move(left));
    }
    return left;
  }
  ExprPtr Binary(ExprPtr (Parser::*next)(), std::initializer_list<const char*> ops) {
    ExprPtr e = (this->*next)();
    for (bool more = true; e && more;) {
      more = false;
      for (const char* s : ops) {
        if (Symbol(s)) {
          ++at_;
          ExprPtr r = (this->*next)();
          if (!r) return nullptr;
          e = Node(Op::kBinary, s, std::move(e), std::move(r));
          more = true;
          break;
        }
      }
    }
    return e;
  }
  ExprPtr Concat() { return Binary(&Parser::Sum, {"&"}); }
  ExprPtr Sum() { return Binary(&Parser::Product, {"+", "-"}); }
  ExprPtr Product() { return Binary(&Parser::Unary, {"*", "/"}); }
  ExprPtr Unary() {
    if (Symbol("-")) {
      ++at_;
      ExprPtr e = Unary();
      return e ? Node(Op::kUnary, "-", std::move(e)) : nullptr;
    }
    return Primary();
  }
  ExprPtr Primary() {
    const Token& tok = t_[at_];
    switch (tok.kind) {
      case Token::kNumber:
        ++at_;
        return Node(Op::kNumber, tok.text);
      case Token::kText:
        ++at_;
        return Node(Op::kText, tok.text);
      case Token::kDate:
        ++at_;
        return Node(Op::kDate, tok.text);
      case Token::kName:
        ++at_;
        return Node(Op::kField, tok.text);
      case Token::kSymbol:
        if (tok.text == "(") {
          // Inside parentheses a whole expression: a field rule's implicit field stops here.
          ++at_;
          const std::string* field = std::exchange(field_, nullptr);
          ExprPtr e = Or();
          field_ = field;
          if (!e || !Symbol(")")) return nullptr;
          ++at_;
          return e;
        }
        return nullptr;
      case Token::kWord: {
        const std::string word = engine::FoldName(tok.text);
        for (const char* k : {"and", "or", "not", "like", "between", "in", "is", "mod"})
          if (word == k) return nullptr;
        ++at_;
        if (word == "null") return Node(Op::kNull);
        if (word == "true" || word == "yes") return Node(Op::kBoolean, "true");
        if (word == "false" || word == "no") return Node(Op::kBoolean, "false");
        if (Symbol("(")) {
          auto call = Node(Op::kCall, tok.text);
          ++at_;
          const std::string* field = std::exchange(field_, nullptr);  // arguments are whole
          if (!Symbol(")")) {
            for (;;) {
              ExprPtr arg = Or();
              if (!arg) field_ = field;
              if (!arg) return nullptr;
              call->args.push_back(std::move(arg));
              if (!Symbol(",")) break;
              ++at_;
            }
          }
          field_ = field;
          if (!Symbol(")")) return nullptr;
          ++at_;
          return call;
        }
        return Node(Op::kField, tok.text);  // a field named without brackets
      }
      case Token::kEnd:
        return nullptr;
    }
    return nullptr;
  }

  std::vector<Token> t_;
  size_t at_ = 0;
  const std::string* field_ = nullptr;
};

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

  std::optional<Sql> Write(const AccessExpr& e) {
    const SqlDialect& d = c_.dialect;
    switch (e.op) {
      case Op::kNumber:
        return Sql{e.text, ValueKind::kNumber};
      case Op::kText:
        return Sql{c_.literal(e.text), ValueKind::kText};
      case Op::kBoolean:
        return Sql{std::string(e.text == "true" ? d.literalTrue : d.literalFalse),
                   ValueKind::kBoolean};
      case Op::kDate: {
        auto iso = IsoDate(e.text);
        if (!iso) return std::nullopt;
        const bool time = iso->size() > 10;
        return Sql{Replace(time ? d.timestampLiteral : d.dateLiteral, c_.literal(*iso)),
                   ValueKind::kDate};
      }
      case Op::kNull:
        return std::nullopt;  // comparing with Null is never true or false
      case Op::kField: {
        auto kind = c_.fieldKind(e.text);
        if (!kind || *kind == ValueKind::kUnknown) return std::nullopt;
        return Sql{c_.quoteName(e.text), *kind};
      }
      case Op::kCall:
        return Call(e);
      case Op::kUnary: {
        auto a = Write(*e.args[0]);
        if (!a) return std::nullopt;
        if (e.text == "-")
          return a->kind == ValueKind::kNumber ? std::optional<Sql>(Sql{"-" + a->text, a->kind})
                                               : std::nullopt;
        if (a->kind != ValueKind::kBoolean) return std::nullopt;
        return Sql{"NOT (" + a->text + ")", ValueKind::kBoolean};
      }
      case Op::kBinary:
        return Binary(e);
      case Op::kBetween:
      case Op::kNotBetween: {
        auto v = Write(*e.args[0]), low = Write(*e.args[1]), high = Write(*e.args[2]);
        if (!v || !low || !high || !Comparable(*v, *low) || !Comparable(*v, *high))
          return std::nullopt;
        return Sql{v->text + (e.op == Op::kNotBetween ? " NOT" : "") + " BETWEEN " + low->text +
                       " AND " + high->text,
                   ValueKind::kBoolean};
      }
      case Op::kIn:
      case Op::kNotIn: {
        auto v = Write(*e.args[0]);
        if (!v) return std::nullopt;
        std::string list;
        for (size_t i = 1; i < e.args.size(); ++i) {
          auto item = Write(*e.args[i]);
          if (!item || !Comparable(*v, *item)) return std::nullopt;
          list += (i > 1 ? ", " : "") + item->text;
        }
        return Sql{v->text + (e.op == Op::kNotIn ? " NOT IN (" : " IN (") + list + ")",
                   ValueKind::kBoolean};
      }
      case Op::kLike:
      case Op::kNotLike: {
        auto v = Write(*e.args[0]);
        if (!v || v->kind != ValueKind::kText || e.args[1]->op != Op::kText) return std::nullopt;
        auto pattern = LikePattern(e.args[1]->text);
        if (!pattern) return std::nullopt;
        return Sql{v->text + (e.op == Op::kNotLike ? " NOT " : " ") + std::string(d.likeOperator) +
                       " " + c_.literal(*pattern) + " ESCAPE '!'",
                   ValueKind::kBoolean};
      }
      case Op::kIsNull:
      case Op::kIsNotNull: {
        auto v = Write(*e.args[0]);
        if (!v) return std::nullopt;
        return Sql{v->text + (e.op == Op::kIsNull ? " IS NULL" : " IS NOT NULL"),
                   ValueKind::kBoolean};
      }
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

  std::optional<Sql> Call(const AccessExpr& e) {
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

  std::optional<Sql> Binary(const AccessExpr& e) {
    auto a = Write(*e.args[0]);
    auto b = a ? Write(*e.args[1]) : std::nullopt;
    if (!a || !b) return std::nullopt;
    const std::string& op = e.text;
    if (op == "And" || op == "Or") {
      if (a->kind != ValueKind::kBoolean || b->kind != ValueKind::kBoolean) return std::nullopt;
      return Sql{"(" + a->text + (op == "And" ? " AND " : " OR ") + b->text + ")",
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

std::unique_ptr<AccessExpr> ParseRuleExpression(std::string_view text) {
  std::vector<Token> tokens;
  if (!Tokenize(text, tokens)) return nullptr;
  return Parser(std::move(tokens)).Whole(nullptr);
}

std::unique_ptr<AccessExpr> ParseFieldRule(std::string_view text, const std::string& field) {
  std::vector<Token> tokens;
  if (!Tokenize(text, tokens)) return nullptr;
  return Parser(std::move(tokens)).Whole(&field);
}

std::optional<std::string> ConditionSql(const AccessExpr& e, const SqlContext& context) {
  auto sql = Writer(context).Write(e);
  if (!sql || sql->kind != ValueKind::kBoolean) return std::nullopt;
  return sql->text;
}

}  // namespace tavrek::doc
