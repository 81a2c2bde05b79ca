#include "documenter/access_expr.h"

#include <cctype>
#include <set>
#include <utility>

namespace tavrek::doc {

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

namespace {

struct Token {
  enum class Kind { kEnd, kNumber, kString, kDate, kWord, kBracketed, kSymbol };
  Kind kind = Kind::kEnd;
  std::string text;  // words and symbols as written; strings and dates without their quotes
  size_t offset = 0;
};

bool IsWordByte(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }

// Splits Access SQL into tokens. Raises AccessSyntaxError on an unterminated string, name or date.
std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> out;
  size_t i = 0;
  auto fail = [&](const std::string& what) {
    throw AccessSyntaxError(what + " alla posizione " + std::to_string(i + 1));
  };
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (std::isspace(c) || c == 0) {
      ++i;
      continue;
    }
    Token t;
    t.offset = i;
    if (c == '"' || c == '\'') {
      t.kind = Token::Kind::kString;
      ++i;
      for (;;) {
        if (i >= s.size()) fail("stringa non chiusa");
        if (static_cast<unsigned char>(s[i]) == c) {
          if (i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == c) {
            t.text += s[i];
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        t.text += s[i++];
      }
    } else if (c == '[') {
      t.kind = Token::Kind::kBracketed;
      size_t end = s.find(']', i + 1);
      if (end == std::string_view::npos) fail("nome tra parentesi quadre non chiuso");
      t.text = std::string(s.substr(i + 1, end - i - 1));
      i = end + 1;
    } else if (c == '#') {
      size_t end = s.find('#', i + 1);
      if (end == std::string_view::npos) fail("data tra # non chiusa");
      t.kind = Token::Kind::kDate;
      t.text = std::string(s.substr(i + 1, end - i - 1));
      i = end + 1;
    } else if (std::isdigit(c) || (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      t.kind = Token::Kind::kNumber;
      while (i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.')) t.text += s[i++];
      if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
          t.text += std::string(s.substr(i, j - i));
          i = j;
          while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) t.text += s[i++];
        }
      }
    } else if (IsWordByte(c)) {
      t.kind = Token::Kind::kWord;
      while (i < s.size() && IsWordByte(static_cast<unsigned char>(s[i]))) t.text += s[i++];
    } else {
      t.kind = Token::Kind::kSymbol;
      std::string_view two = s.substr(i, 2);
      if (two == "<>" || two == "<=" || two == ">=" || two == "!=") {
        t.text = std::string(two);
        i += 2;
      } else {
        t.text = std::string(1, static_cast<char>(c));
        ++i;
      }
    }
    out.push_back(std::move(t));
  }
  Token end;
  end.offset = s.size();
  out.push_back(end);
  return out;
}

// Words that end an expression or a name list: they are never read as names when bare.
const std::set<std::string>& StopWords() {
  static const std::set<std::string> words = {
      "and", "or", "not", "xor", "eqv", "imp", "mod", "like", "is", "in", "between", "as",
      "from", "where", "group", "having", "order", "by", "union", "select", "on", "join",
      "inner", "left", "right", "outer", "asc", "desc", "into", "pivot", "transform", "with",
      "all", "distinct", "distinctrow", "top", "percent", "parameters", "exists"};
  return words;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : tokens_(Tokenize(text)) {}

  bool AtEnd() const { return Peek().kind == Token::Kind::kEnd; }

  void ExpectEnd() {
    if (Peek().kind == Token::Kind::kSymbol && Peek().text == ";") ++pos_;
    if (!AtEnd()) Fail("testo inatteso \"" + Peek().text + "\"");
  }

  ExprPtr Expression() { return Imp(); }

  // Reads a field rule: comparisons without a left side compare `field`.
  ExprPtr FieldRule(const std::string& field) {
    ruleField_ = field;
    return Expression();
  }

  FromItem FromEntry() {
    FromItem left = FromPrimary();
    for (;;) {
      std::string kind;
      if (AcceptWord("inner")) {
        kind = "INNER";
      } else if (AcceptWord("left")) {
        kind = "LEFT";
        AcceptWord("outer");
      } else if (AcceptWord("right")) {
        kind = "RIGHT";
        AcceptWord("outer");
      } else if (IsWord("join")) {
        kind = "INNER";
      } else {
        break;
      }
      ExpectWord("join");
      FromItem right = FromPrimary();
      ExpectWord("on");
      FromItem join;
      join.kind = FromItem::Kind::kJoin;
      join.join = kind;
      join.left = std::make_unique<FromItem>(std::move(left));
      join.right = std::make_unique<FromItem>(std::move(right));
      join.on = Expression();
      left = std::move(join);
    }
    return left;
  }

  UnionStatement Union() {
    UnionStatement u;
    if (AcceptWord("parameters")) {
      while (!AtEnd() && !(Peek().kind == Token::Kind::kSymbol && Peek().text == ";")) ++pos_;
      ExpectSymbol(";");
    }
    u.parts.push_back(Select());
    u.all.push_back(false);
    while (AcceptWord("union")) {
      u.all.push_back(AcceptWord("all"));
      u.parts.push_back(Select());
    }
    // A nested SELECT may keep the ";" it was saved with before its closing parenthesis.
    AcceptSymbol(";");
    // The ORDER BY read with the last part orders the whole union.
    if (u.parts.size() > 1) u.orderBy = std::move(u.parts.back().orderBy);
    return u;
  }

 private:
  const Token& Peek(size_t ahead = 0) const {
    size_t p = pos_ + ahead;
    return p < tokens_.size() ? tokens_[p] : tokens_.back();
  }
  [[noreturn]] void Fail(const std::string& what) const {
    throw AccessSyntaxError(what + " alla posizione " + std::to_string(Peek().offset + 1));
  }
  bool IsWord(std::string_view w, size_t ahead = 0) const {
    return Peek(ahead).kind == Token::Kind::kWord && LowerAscii(Peek(ahead).text) == w;
  }
  bool AcceptWord(std::string_view w) {
    if (!IsWord(w)) return false;
    ++pos_;
    return true;
  }
  void ExpectWord(std::string_view w) {
    if (!AcceptWord(w)) Fail("atteso " + std::string(w));
  }
  bool IsSymbol(std::string_view s, size_t ahead = 0) const {
    return Peek(ahead).kind == Token::Kind::kSymbol && Peek(ahead).text == s;
  }
  bool AcceptSymbol(std::string_view s) {
    if (!IsSymbol(s)) return false;
    ++pos_;
    return true;
  }
  void ExpectSymbol(std::string_view s) {
    if (!AcceptSymbol(s)) Fail("atteso \"" + std::string(s) + "\"");
  }

  static ExprPtr Binary(std::string op, ExprPtr a, ExprPtr b) {
    auto e = std::make_unique<Expr>();
    e->kind = Expr::Kind::kBinary;
    e->op = std::move(op);
    e->args.push_back(std::move(a));
    e->args.push_back(std::move(b));
    return e;
  }

  // Left-associative levels of word operators; the operator is kept in upper case.
  ExprPtr WordLevel(std::string_view word, ExprPtr (Parser::*next)()) {
    ExprPtr left = (this->*next)();
    std::string op(word);
    for (char& c : op) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    while (AcceptWord(word)) left = Binary(op, std::move(left), (this->*next)());
    return left;
  }
  ExprPtr Imp() { return WordLevel("imp", &Parser::Eqv); }
  ExprPtr Eqv() { return WordLevel("eqv", &Parser::Xor); }
  ExprPtr Xor() { return WordLevel("xor", &Parser::Or); }
  ExprPtr Or() { return WordLevel("or", &Parser::And); }
  ExprPtr And() { return WordLevel("and", &Parser::Not); }
  // Whether a comparison operator comes next (Not Like, Not Between and Not In included).
  bool StartsComparison() const {
    for (const char* op : {"=", "<>", "<", ">", "<=", ">=", "!="}) {
      if (IsSymbol(op)) return true;
    }
    return IsWord("like") || IsWord("between") || IsWord("in") || IsWord("is") ||
           (IsWord("not") && (IsWord("like", 1) || IsWord("between", 1) || IsWord("in", 1)));
  }

  // The field of the rule being read, as a name.
  ExprPtr RuleField() const {
    auto e = std::make_unique<Expr>();
    e->kind = Expr::Kind::kName;
    e->parts.push_back(*ruleField_);
    return e;
  }

  // Whether the node is a condition by its form.
  static bool IsCondition(const Expr& e) {
    switch (e.kind) {
      case Expr::Kind::kLike:
      case Expr::Kind::kIsNull:
      case Expr::Kind::kBetween:
      case Expr::Kind::kIn:
      case Expr::Kind::kExists:
        return true;
      case Expr::Kind::kUnary:
        return e.op == "NOT";
      case Expr::Kind::kBinary:
        return e.op != "+" && e.op != "-" && e.op != "*" && e.op != "/" && e.op != "&" && e.op != "\\" &&
               e.op != "MOD" && e.op != "^";
      default:
        return false;
    }
  }

  ExprPtr Not() {
    if (ruleField_ && StartsComparison()) return Compare(RuleField());
    if (AcceptWord("not")) {
      auto e = std::make_unique<Expr>();
      e->kind = Expr::Kind::kUnary;
      e->op = "NOT";
      e->args.push_back(Not());
      return e;
    }
    if (ruleField_) {
      ExprPtr e = Compare(Concat());
      if (!IsCondition(*e)) e = Binary("=", RuleField(), std::move(e));
      return e;
    }
    return Compare(Concat());
  }

  // The comparisons that follow `left`, if any.
  ExprPtr Compare(ExprPtr left) {
    for (;;) {
      const Token& t = Peek();
      if (t.kind == Token::Kind::kSymbol &&
          (t.text == "=" || t.text == "<>" || t.text == "<" || t.text == ">" || t.text == "<=" ||
           t.text == ">=" || t.text == "!=")) {
        std::string op = t.text == "!=" ? "<>" : t.text;
        ++pos_;
        left = Binary(op, std::move(left), Concat());
        continue;
      }
      if (IsWord("is")) {
        ++pos_;
        auto e = std::make_unique<Expr>();
        e->kind = Expr::Kind::kIsNull;
        e->negated = AcceptWord("not");
        ExpectWord("null");
        e->args.push_back(std::move(left));
        left = std::move(e);
        continue;
      }
      bool negated = false;
      if (IsWord("not") && (IsWord("like", 1) || IsWord("between", 1) || IsWord("in", 1))) {
        ++pos_;
        negated = true;
      }
      if (AcceptWord("like")) {
        auto e = std::make_unique<Expr>();
        e->kind = Expr::Kind::kLike;
        e->negated = negated;
        e->args.push_back(std::move(left));
        e->args.push_back(Concat());
        left = std::move(e);
        continue;
      }
      if (AcceptWord("between")) {
        auto e = std::make_unique<Expr>();
        e->kind = Expr::Kind::kBetween;
        e->negated = negated;
        e->args.push_back(std::move(left));
        e->args.push_back(Concat());
        ExpectWord("and");
        e->args.push_back(Concat());
        left = std::move(e);
        continue;
      }
      if (AcceptWord("in")) {
        auto e = std::make_unique<Expr>();
        e->kind = Expr::Kind::kIn;
        e->negated = negated;
        e->args.push_back(std::move(left));
        ExpectSymbol("(");
        if (IsWord("select")) {
          e->subquery = std::make_shared<UnionStatement>(Union());
        } else {
          std::optional<std::string> field = std::exchange(ruleField_, std::nullopt);
          do {
            e->args.push_back(Expression());
          } while (AcceptSymbol(","));
          ruleField_ = std::move(field);
        }
        ExpectSymbol(")");
        left = std::move(e);
        continue;
      }
      if (negated) Fail("atteso Like, Between o In");
      return left;
    }
  }

  ExprPtr Concat() {
    ExprPtr left = Add();
    while (AcceptSymbol("&")) left = Binary("&", std::move(left), Add());
    return left;
  }
  ExprPtr Add() {
    ExprPtr left = Mod();
    for (;;) {
      if (AcceptSymbol("+")) {
        left = Binary("+", std::move(left), Mod());
      } else if (AcceptSymbol("-")) {
        left = Binary("-", std::move(left), Mod());
      } else {
        return left;
      }
    }
  }
  ExprPtr Mod() {
    ExprPtr left = IntDiv();
    while (AcceptWord("mod")) left = Binary("MOD", std::move(left), IntDiv());
    return left;
  }
  ExprPtr IntDiv() {
    ExprPtr left = Mul();
    while (AcceptSymbol("\\")) left = Binary("\\", std::move(left), Mul());
    return left;
  }
  ExprPtr Mul() {
    ExprPtr left = Negate();
    for (;;) {
      if (AcceptSymbol("*")) {
        left = Binary("*", std::move(left), Negate());
      } else if (AcceptSymbol("/")) {
        left = Binary("/", std::move(left), Negate());
      } else {
        return left;
      }
    }
  }
  ExprPtr Negate() {
    if (IsSymbol("-") || IsSymbol("+")) {
      auto e = std::make_unique<Expr>();
      e->kind = Expr::Kind::kUnary;
      e->op = Peek().text;
      ++pos_;
      e->args.push_back(Negate());
      return e;
    }
    return Power();
  }
  ExprPtr Power() {
    ExprPtr left = Primary();
    while (AcceptSymbol("^")) {
      ExprPtr right;
      if (IsSymbol("-")) {
        right = Negate();
      } else {
        right = Primary();
      }
      left = Binary("^", std::move(left), std::move(right));
    }
    return left;
  }

  bool IsNameToken(size_t ahead = 0) const {
    const Token& t = Peek(ahead);
    if (t.kind == Token::Kind::kBracketed) return true;
    return t.kind == Token::Kind::kWord && !StopWords().count(LowerAscii(t.text));
  }

  ExprPtr Primary() {
    const Token t = Peek();
    auto e = std::make_unique<Expr>();
    switch (t.kind) {
      case Token::Kind::kNumber:
        ++pos_;
        e->kind = Expr::Kind::kNumber;
        e->text = t.text;
        return e;
      case Token::Kind::kString:
        ++pos_;
        e->kind = Expr::Kind::kString;
        e->text = t.text;
        return e;
      case Token::Kind::kDate:
        ++pos_;
        e->kind = Expr::Kind::kDate;
        e->text = t.text;
        return e;
      case Token::Kind::kSymbol:
        if (t.text == "(") {
          ++pos_;
          if (IsWord("select")) {
            e->kind = Expr::Kind::kSubquery;
            e->subquery = std::make_shared<UnionStatement>(Union());
            ExpectSymbol(")");
            return e;
          }
          std::optional<std::string> field = std::exchange(ruleField_, std::nullopt);
          ExprPtr inner = Expression();
          ruleField_ = std::move(field);
          ExpectSymbol(")");
          return inner;
        }
        if (t.text == "*") {
          ++pos_;
          e->kind = Expr::Kind::kStar;
          return e;
        }
        Fail("simbolo inatteso \"" + t.text + "\"");
      case Token::Kind::kEnd:
        Fail("espressione incompleta");
      case Token::Kind::kWord:
      case Token::Kind::kBracketed:
        break;
    }
    if (t.kind == Token::Kind::kWord) {
      const std::string w = LowerAscii(t.text);
      if (w == "true" || w == "yes" || w == "on") {
        ++pos_;
        e->kind = Expr::Kind::kBool;
        e->number = -1;
        return e;
      }
      if (w == "false" || w == "no" || w == "off") {
        ++pos_;
        e->kind = Expr::Kind::kBool;
        e->number = 0;
        return e;
      }
      if (w == "null") {
        ++pos_;
        e->kind = Expr::Kind::kNull;
        return e;
      }
      if (w == "exists") {
        ++pos_;
        ExpectSymbol("(");
        e->kind = Expr::Kind::kExists;
        e->subquery = std::make_shared<UnionStatement>(Union());
        ExpectSymbol(")");
        return e;
      }
      // Left( and Right( are the functions, not joins.
      const bool call = (w == "left" || w == "right") && IsSymbol("(", 1);
      if (StopWords().count(w) && !call) Fail("parola inattesa \"" + t.text + "\"");
    }
    // A name, maybe dotted or with "!", maybe called.
    e->kind = Expr::Kind::kName;
    e->parts.push_back(t.text);
    ++pos_;
    if (t.kind == Token::Kind::kWord && IsSymbol("(")) {
      ++pos_;
      e->kind = Expr::Kind::kCall;
      e->text = t.text;
      e->parts.clear();
      std::optional<std::string> field = std::exchange(ruleField_, std::nullopt);
      if (!AcceptSymbol(")")) {
        do {
          e->args.push_back(Expression());
        } while (AcceptSymbol(","));
        ExpectSymbol(")");
      }
      ruleField_ = std::move(field);
      return e;
    }
    while (IsSymbol(".") || IsSymbol("!")) {
      if (IsSymbol(".") && IsSymbol("*", 1)) {
        pos_ += 2;
        e->star = true;
        break;
      }
      if (IsSymbol("!")) e->bang = true;
      ++pos_;
      const Token& part = Peek();
      if (part.kind != Token::Kind::kWord && part.kind != Token::Kind::kBracketed) {
        Fail("atteso un nome");
      }
      e->parts.push_back(part.text);
      ++pos_;
    }
    return e;
  }

  // A name as an alias or a table: bracketed, a bare word that is not a keyword, or a string.
  std::string Name() {
    const Token& t = Peek();
    if (IsNameToken() || t.kind == Token::Kind::kString) {
      ++pos_;
      return t.text;
    }
    Fail("atteso un nome");
  }

  FromItem FromPrimary() {
    FromItem item;
    if (AcceptSymbol("(")) {
      if (IsWord("select")) {
        item.kind = FromItem::Kind::kDerived;
        item.derived = std::make_shared<UnionStatement>(Union());
        ExpectSymbol(")");
      } else {
        item = FromEntry();
        ExpectSymbol(")");
        return item;
      }
    } else {
      item.kind = FromItem::Kind::kTable;
      item.name = Name();
      while (AcceptSymbol(".")) item.name += "." + Name();
    }
    if (AcceptWord("in")) {
      if (Peek().kind != Token::Kind::kString && Peek().kind != Token::Kind::kBracketed) {
        Fail("atteso il nome del database esterno");
      }
      item.remote = Peek().text;
      ++pos_;
      if (Peek().kind == Token::Kind::kBracketed) ++pos_;
    }
    if (AcceptWord("as") || IsNameToken()) item.alias = Name();
    return item;
  }

  std::vector<ExprPtr> ExprList() {
    std::vector<ExprPtr> out;
    do {
      out.push_back(Expression());
    } while (AcceptSymbol(","));
    return out;
  }

  SelectStatement Select() {
    SelectStatement s;
    if (AcceptSymbol("(")) {
      // A parenthesised part of a union.
      UnionStatement inner = Union();
      ExpectSymbol(")");
      if (inner.parts.size() != 1) Fail("UNION tra parentesi non gestita");
      return std::move(inner.parts.front());
    }
    if (AcceptWord("table")) {
      SelectItem star;
      star.expr = std::make_unique<Expr>();
      star.expr->kind = Expr::Kind::kStar;
      s.items.push_back(std::move(star));
      FromItem t;
      t.name = Name();
      s.from.push_back(std::move(t));
      return s;
    }
    ExpectWord("select");
    for (;;) {
      if (AcceptWord("distinct")) {
        s.distinct = true;
      } else if (AcceptWord("distinctrow")) {
        s.distinctRow = true;
      } else if (AcceptWord("all")) {
      } else if (AcceptWord("top")) {
        if (Peek().kind != Token::Kind::kNumber) Fail("atteso il numero di TOP");
        s.top = Peek().text;
        ++pos_;
        s.topPercent = AcceptWord("percent");
      } else {
        break;
      }
    }
    do {
      SelectItem item;
      item.expr = Expression();
      if (AcceptWord("as")) item.alias = Name();
      s.items.push_back(std::move(item));
    } while (AcceptSymbol(","));
    if (AcceptWord("from")) {
      do {
        s.from.push_back(FromEntry());
      } while (AcceptSymbol(","));
    }
    if (AcceptWord("where")) s.where = Expression();
    if (AcceptWord("group")) {
      ExpectWord("by");
      s.groupBy = ExprList();
    }
    if (AcceptWord("having")) s.having = Expression();
    if (AcceptWord("order")) {
      ExpectWord("by");
      do {
        OrderKey key;
        key.expr = Expression();
        if (AcceptWord("desc")) {
          key.descending = true;
        } else {
          AcceptWord("asc");
        }
        s.orderBy.push_back(std::move(key));
      } while (AcceptSymbol(","));
    }
    if (IsWord("with")) Fail("WITH OWNERACCESS OPTION");
    return s;
  }

  std::vector<Token> tokens_;
  size_t pos_ = 0;
  std::optional<std::string> ruleField_;  // reading a field rule: its field
};

}  // namespace

ExprPtr ParseAccessExpression(std::string_view text) {
  Parser p(text);
  ExprPtr e = p.Expression();
  p.ExpectEnd();
  return e;
}

ExprPtr ParseAccessFieldRule(std::string_view text, const std::string& field) {
  Parser p(text);
  ExprPtr e = p.FieldRule(field);
  p.ExpectEnd();
  return e;
}

FromItem ParseAccessFromItem(std::string_view text) {
  Parser p(text);
  FromItem item = p.FromEntry();
  p.ExpectEnd();
  return item;
}

UnionStatement ParseAccessSelect(std::string_view text) {
  Parser p(text);
  UnionStatement u = p.Union();
  p.ExpectEnd();
  return u;
}

}  // namespace tavrek::doc
