#include "documenter/view_translator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>

#include "documenter/access_expr.h"
#include "documenter/ddl.h"
#include "documenter/secrets.h"
#include "engine/rows.h"
#include "engine/query/query_from.h"
#include "engine/query/query_parts.h"
#include "engine/query/query_text.h"

namespace tavrek::doc {

namespace {

}  // namespace

const char* const kYesNoNote = "valore Sì/No usato come numero: in Access Vero vale -1, sul server 1";
const char* const kSystemCopyNote =
    " è la copia delle righe della tabella di sistema di Access al momento della migrazione: non "
    "segue i cambiamenti";

namespace {

// A construct the target cannot express: the message names it (Italian).
class Untranslatable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The query names a table or query the database does not have (nor Access could run it).
class MissingSource : public Untranslatable {
 public:
  using Untranslatable::Untranslatable;
};

// What a value is, as far as the translator can tell: it decides how + joins, how a number
// compared with a Yes/No or a text is written, and what Nz gives for Null.
enum class VType { kUnknown, kText, kNumber, kDate, kBool };

VType TypeOfField(int type) {
  switch (type) {
    case dao::dbText:
    case dao::dbMemo:
    case dao::dbGUID:
      return VType::kText;
    case dao::dbBoolean:
      return VType::kBool;
    case dao::dbByte:
    case dao::dbInteger:
    case dao::dbLong:
    case dao::dbCurrency:
    case dao::dbSingle:
    case dao::dbDouble:
    case dao::dbBigInt:
    case dao::dbDecimal:
      return VType::kNumber;
    case dao::dbDate:
    case dao::dbDateTimeExtended:
      return VType::kDate;
    default:
      return VType::kUnknown;
  }
}

// DDL leaves out the columns whose values live in a hidden table.
bool IsCreatedType(int type) { return type < dao::dbAttachment; }

struct Column {
  std::string name;
  VType type = VType::kUnknown;
  int daoType = 0;  // a table's column: its DAO type and size (0: an expression)
  int size = 0;
};

// A declared parameter of the query being written.
struct Param {
  std::string name;
  int daoType = 0;
  int size = 0;
  VType type = VType::kUnknown;  // declared, or (a Value) taken from what it is compared with
  bool used = false;
};

// A table or query a FROM clause can name.
struct Source {
  std::string name;  // as the catalogue spells it
  bool isQuery = false;
  bool linked = false;
  bool system = false;  // a system table copied as a view of its rows
  size_t query = 0;  // its position among the queries
  std::vector<Column> columns;
};

struct ScopeEntry {
  std::string qualifier;  // what columns are qualified with: the alias, or the table's name
  std::vector<Column> columns;
};

struct Scope {
  std::vector<ScopeEntry> entries;
  const Scope* outer = nullptr;
  std::map<std::string, const Expr*> aliases;  // folded alias -> its expression
  std::set<std::string> expanding;             // aliases being written (no loops)
};

struct Out {
  Out() = default;
  Out(std::string s, VType t, std::string q = {}, std::string c = {})
      : sql(std::move(s)), type(t), qualifier(std::move(q)), column(std::move(c)) {}
  std::string sql;
  VType type = VType::kUnknown;
  std::string qualifier, column;  // a plain column: its table (or alias) and name
  int param = -1;                 // a parameter: its position
  int daoType = 0, size = 0;      // a plain column of a table: its DAO type and size
};

std::string Fold(std::string_view s) { return LowerAscii(s); }

std::string Apply(std::string_view tpl, const std::vector<std::string>& args,
                  const std::function<std::string(size_t)>& rounded = nullptr) {
  std::string out;
  for (size_t i = 0; i < tpl.size(); ++i) {
    if (tpl[i] == '$' && i + 1 < tpl.size()) {
      bool round = tpl[i + 1] == 'B';
      size_t d = i + (round ? 2 : 1);
      if (d < tpl.size() && tpl[d] >= '1' && tpl[d] <= '9') {
        size_t n = static_cast<size_t>(tpl[d] - '1');
        if (n < args.size()) {
          out += round && rounded ? rounded(n) : args[n];
          i = d;
          continue;
        }
      }
    }
    out += tpl[i];
  }
  return out;
}

// The Access meaning of each function's result.
VType ResultType(const std::string& f, const std::vector<Out>& args) {
  static const std::set<std::string> text = {"left", "right", "mid", "ucase", "lcase", "trim",
                                             "ltrim", "rtrim", "replace", "space", "string", "str",
                                             "cstr", "chr"};
  static const std::set<std::string> date = {"cdate", "cvdate", "datevalue", "dateserial",
                                             "timeserial", "date", "now", "time", "dateadd"};
  static const std::set<std::string> same = {"min", "max", "nz", "iif", "switch", "choose"};
  if (text.count(f)) return VType::kText;
  if (date.count(f)) return VType::kDate;
  if (f == "cbool" || f == "isnull") return VType::kBool;
  if (same.count(f)) {
    for (const Out& a : args) {
      if (a.type != VType::kUnknown && a.type != VType::kBool) return a.type;
    }
    return args.empty() ? VType::kUnknown : args.back().type;
  }
  return VType::kNumber;
}

// "YYYY-MM-DD hh:mm:ss" for an Access date literal (#m/d/yyyy#, #yyyy-mm-dd#, with or without a
// time, AM/PM; a time alone is on 30 December 1899).
std::string DateLiteral(const std::string& text) {
  std::vector<int> date;
  std::vector<int> time;
  bool pm = false, am = false;
  std::string word;
  std::vector<int>* target = &date;
  int current = -1;
  size_t digits = 0;
  size_t firstDigits = 0;
  auto flush = [&] {
    if (current >= 0) {
      if (target == &date && date.empty()) firstDigits = digits;
      target->push_back(current);
    }
    current = -1;
    digits = 0;
  };
  for (size_t i = 0; i <= text.size(); ++i) {
    char c = i < text.size() ? text[i] : ' ';
    if (c >= '0' && c <= '9') {
      current = (current < 0 ? 0 : current * 10) + (c - '0');
      ++digits;
    } else if (c == ':') {
      if (target == &date && !date.empty() && date.size() < 3) throw Untranslatable("data #" + text + "#");
      if (target == &date) {
        // A time alone, or a time after the date.
        target = &time;
      }
      flush();
    } else if (c == '/' || c == '-') {
      flush();
    } else if (c == ' ') {
      flush();
      if (date.size() == 3) target = &time;
    } else {
      std::string w = LowerAscii(std::string(1, c));
      if (w == "p") pm = true;
      if (w == "a") am = true;
    }
  }
  if (target == &time && date.size() == 1 && time.empty()) {
    // "10:30" read as a date part first.
  }
  // A time alone: its first number went into `date`.
  if (date.size() < 3 && !date.empty() && !time.empty()) {
    time.insert(time.begin(), date.begin(), date.end());
    date.clear();
  }
  int y = 1899, m = 12, d = 30;
  if (date.size() == 3) {
    if (firstDigits == 4) {
      y = date[0];
      m = date[1];
      d = date[2];
    } else {
      m = date[0];
      d = date[1];
      y = date[2];
      if (y < 30) y += 2000;
      else if (y < 100) y += 1900;
    }
  } else if (!date.empty()) {
    throw Untranslatable("data #" + text + "#");
  }
  int hh = time.size() > 0 ? time[0] : 0, mm = time.size() > 1 ? time[1] : 0,
      ss = time.size() > 2 ? time[2] : 0;
  if (pm && hh < 12) hh += 12;
  if (am && hh == 12) hh = 0;
  if (m < 1 || m > 12 || d < 1 || d > 31 || hh > 23 || mm > 59 || ss > 59) {
    throw Untranslatable("data #" + text + "#");
  }
  char buf[96];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, hh, mm, ss);
  return buf;
}

// An Access Like pattern: does it use character classes (or hold % or _, which are wildcards
// of SQL's LIKE but plain characters in Access)?
bool NeedsClasses(const std::string& p) {
  return p.find_first_of("#[%_") != std::string::npos;
}

std::string LikePattern(const std::string& p) {
  std::string out;
  for (char c : p) {
    if (c == '*') out += '%';
    else if (c == '?') out += '_';
    else out += c;
  }
  return out;
}

std::string RegexPattern(const std::string& p) {
  std::string out = "^";
  for (size_t i = 0; i < p.size(); ++i) {
    char c = p[i];
    if (c == '*') {
      out += ".*";
    } else if (c == '?') {
      out += '.';
    } else if (c == '#') {
      out += "[0-9]";
    } else if (c == '[') {
      size_t end = p.find(']', i + 1);
      if (end == std::string::npos) throw Untranslatable("modello Like con [ non chiusa");
      std::string inner = p.substr(i + 1, end - i - 1);
      if (inner.size() == 1 && std::string("*?#[").find(inner[0]) != std::string::npos) {
        out += "\\";
        out += inner;
      } else {
        out += '[';
        if (!inner.empty() && inner[0] == '!') inner[0] = '^';
        out += inner;
        out += ']';
      }
      i = end;
    } else if (std::string(".^$+(){}|\\").find(c) != std::string::npos) {
      out += '\\';
      out += c;
    } else {
      out += c;
    }
  }
  return out + "$";
}

std::string GlobPattern(const std::string& p) {
  std::string out;
  for (size_t i = 0; i < p.size(); ++i) {
    char c = p[i];
    if (c == '#') {
      out += "[0-9]";
    } else if (c == '[') {
      size_t end = p.find(']', i + 1);
      if (end == std::string::npos) throw Untranslatable("modello Like con [ non chiusa");
      std::string inner = p.substr(i + 1, end - i - 1);
      if (!inner.empty() && inner[0] == '!') inner[0] = '^';
      for (char& k : inner) k = static_cast<char>(std::toupper(static_cast<unsigned char>(k)));
      out += "[" + inner + "]";
      i = end;
    } else {
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  return out;
}

class Writer {
 public:
  Writer(const SqlDialect& d, std::function<const Source*(const std::string&)> lookup,
         std::vector<Param> parameters)
      : params(std::move(parameters)), d_(d), v_(ViewDialectOf(d)), lookup_(std::move(lookup)) {}

  std::vector<std::string> notes;
  std::vector<Param> params;

  void Note(const std::string& note) {
    if (std::find(notes.begin(), notes.end(), note) == notes.end()) notes.push_back(note);
  }

  std::string Quote(std::string_view name) const {
    std::string out(1, d_.quoteOpen);
    for (char c : name) {
      out += c;
      if (c == d_.quoteClose) out += c;
    }
    return out + d_.quoteClose;
  }

  std::string Literal(std::string_view text) const { return QuoteLiteral(d_, text); }

  std::string Rounded(const std::string& x) const {
    const std::string half = "ABS(" + x + " - " + Apply(v_.truncate, {x}) + ") = 0.5";
    return "(CASE WHEN " + half + " THEN 2 * " + Apply(v_.roundWhole, {x + " / 2"}) + " ELSE " +
           Apply(v_.roundWhole, {x}) + " END)";
  }

  std::string Template(std::string_view tpl, const std::vector<std::string>& args) const {
    return Apply(tpl, args, [&](size_t i) { return Rounded(args[i]); });
  }

  Out Expression(const Expr& e, Scope& scope) {
    Out o;
    switch (e.kind) {
      case Expr::Kind::kNumber:
        o.sql = e.text;
        if (!o.sql.empty() && o.sql[0] == '.') o.sql = "0" + o.sql;
        o.type = VType::kNumber;
        return o;
      case Expr::Kind::kString:
        return {Literal(e.text), VType::kText};
      case Expr::Kind::kDate:
        return {Apply(v_.dateLiteral, {DateLiteral(e.text)}), VType::kDate};
      case Expr::Kind::kBool:
        return {std::string(e.number ? d_.literalTrue : d_.literalFalse), VType::kBool};
      case Expr::Kind::kNull:
        return {"NULL", VType::kUnknown};
      case Expr::Kind::kStar:
        return {"*", VType::kUnknown};
      case Expr::Kind::kName:
        return Name(e, scope);
      case Expr::Kind::kUnary: {
        Out a = Expression(*e.args[0], scope);
        if (e.op == "NOT") return {"(NOT " + a.sql + ")", VType::kBool};
        if (e.op == "+") return a;
        return {"(-" + a.sql + ")", a.type == VType::kBool ? VType::kNumber : a.type};
      }
      case Expr::Kind::kBinary:
        return Binary(e, scope);
      case Expr::Kind::kLike:
        return Like(e, scope);
      case Expr::Kind::kIsNull: {
        Out a = Expression(*e.args[0], scope);
        return {"(" + a.sql + (e.negated ? " IS NOT NULL)" : " IS NULL)"), VType::kBool};
      }
      case Expr::Kind::kBetween: {
        Out a = Expression(*e.args[0], scope);
        Out lo = Coerce(Expression(*e.args[1], scope), *e.args[1], a.type);
        Out hi = Coerce(Expression(*e.args[2], scope), *e.args[2], a.type);
        Infer(lo, a.type);
        Infer(hi, a.type);
        Infer(a, lo.type);
        return {"(" + a.sql + (e.negated ? " NOT" : "") + " BETWEEN " + lo.sql + " AND " + hi.sql +
                    ")",
                VType::kBool};
      }
      case Expr::Kind::kIn: {
        Out a = Expression(*e.args[0], scope);
        std::string list;
        if (e.subquery) {
          list = Union(*e.subquery, &scope, nullptr);
        } else {
          for (size_t i = 1; i < e.args.size(); ++i) {
            if (i > 1) list += ", ";
            list += Coerce(Expression(*e.args[i], scope), *e.args[i], a.type).sql;
          }
        }
        return {"(" + a.sql + (e.negated ? " NOT IN (" : " IN (") + list + "))", VType::kBool};
      }
      case Expr::Kind::kSubquery: {
        std::vector<Column> cols;
        std::string sql = Union(*e.subquery, &scope, &cols);
        return {"(" + sql + ")", cols.size() == 1 ? cols[0].type : VType::kUnknown};
      }
      case Expr::Kind::kExists:
        return {"(EXISTS (" + Union(*e.subquery, &scope, nullptr) + "))", VType::kBool};
      case Expr::Kind::kCall:
        return Call(e, scope);
    }
    throw Untranslatable("espressione");
  }

  // A literal compared with a value of a known type written the way the server compares them:
  // a number against a Yes/No as the server's true or false, a number against text as text.
  Out Coerce(Out o, const Expr& e, VType other) const {
    if (e.kind == Expr::Kind::kNumber || (e.kind == Expr::Kind::kUnary && e.op == "-" &&
                                          e.args[0]->kind == Expr::Kind::kNumber)) {
      if (other == VType::kBool) {
        bool zero = std::stod(e.kind == Expr::Kind::kNumber ? e.text : e.args[0]->text) == 0;
        return {std::string(zero ? d_.literalFalse : d_.literalTrue), VType::kBool};
      }
      if (other == VType::kText) {
        return {Literal(e.kind == Expr::Kind::kNumber ? e.text : "-" + e.args[0]->text),
                VType::kText};
      }
    }
    return o;
  }

  Out Binary(const Expr& e, Scope& scope) {
    const std::string& op = e.op;
    if (op == "XOR" || op == "EQV" || op == "IMP") throw Untranslatable("operatore " + op);
    Out a = Expression(*e.args[0], scope);
    Out b = Expression(*e.args[1], scope);
    if (op == "AND" || op == "OR") return {"(" + a.sql + " " + op + " " + b.sql + ")", VType::kBool};
    if (op == "=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=") {
      Infer(a, b.type);
      Infer(b, a.type);
      a = Coerce(a, *e.args[0], b.type);
      b = Coerce(b, *e.args[1], a.type);
      return {"(" + a.sql + " " + op + " " + b.sql + ")", VType::kBool};
    }
    if (op == "&") return {Apply(v_.concatAmpersand, {a.sql, b.sql}), VType::kText};
    if (op == "+" && (a.type == VType::kText || b.type == VType::kText)) {
      return {Apply(v_.concatPlus, {a.sql, b.sql}), VType::kText};
    }
    if ((op == "+" || op == "-") && (a.type == VType::kDate || b.type == VType::kDate)) {
      // Access counts in days: a date plus or minus days is a date, a date minus a date the
      // days between them.
      if (op == "-" && a.type == VType::kDate && b.type == VType::kDate) {
        return {Apply(v_.dateDiffDays, {a.sql, b.sql}), VType::kNumber};
      }
      if (a.type == VType::kDate && b.type != VType::kDate) {
        return {Apply(v_.dateAddDays, {a.sql, op == "-" ? "(-" + b.sql + ")" : b.sql}), VType::kDate};
      }
      if (op == "+") return {Apply(v_.dateAddDays, {b.sql, a.sql}), VType::kDate};
      throw Untranslatable("numero meno data");
    }
    if (a.type == VType::kBool || b.type == VType::kBool) NoteYesNo();
    if (op == "/") return {Template(v_.divide, {a.sql, b.sql}), VType::kNumber};
    if (op == "\\") return {Template(v_.intDivide, {a.sql, b.sql}), VType::kNumber};
    if (op == "MOD") return {Template(v_.modulo, {a.sql, b.sql}), VType::kNumber};
    if (op == "^") return {Template(v_.power, {a.sql, b.sql}), VType::kNumber};
    return {"(" + a.sql + " " + op + " " + b.sql + ")", VType::kNumber};
  }

  Out Like(const Expr& e, Scope& scope) {
    Out a = Expression(*e.args[0], scope);
    std::string sql;
    if (e.args[1]->kind == Expr::Kind::kString) {
      const std::string& p = e.args[1]->text;
      if (!NeedsClasses(p)) {
        sql = "(" + a.sql + " " + std::string(v_.likeOperator) + " " + Literal(LikePattern(p)) + ")";
      } else if (v_.patterns == PatternStyle::kRegex) {
        sql = Apply(v_.regexMatch, {a.sql, Literal(RegexPattern(p))});
      } else {
        sql = Apply(v_.globMatch, {a.sql, Literal(GlobPattern(p))});
      }
    } else {
      Out p = Expression(*e.args[1], scope);
      sql = Apply(v_.likeRuntime, {a.sql, p.sql});
    }
    if (e.negated) sql = "(NOT " + sql + ")";
    return {sql, VType::kBool};
  }

  // The interval code of DateAdd/DateDiff/DatePart: a literal string.
  static std::string IntervalOf(const Expr& e) {
    if (e.kind != Expr::Kind::kString) throw Untranslatable("intervallo di data non costante");
    return LowerAscii(e.text);
  }

  Out Call(const Expr& e, Scope& scope) {
    const std::string f = LowerAscii(e.text);
    const size_t n = e.args.size();
    auto arg = [&](size_t i) { return Expression(*e.args[i], scope); };
    if (f == "iif" && n == 3) {
      Out c = arg(0), a = arg(1), b = arg(2);
      return {"(CASE WHEN " + c.sql + " THEN " + a.sql + " ELSE " + b.sql + " END)",
              ResultType(f, {a, b})};
    }
    if (f == "switch" && n >= 2 && n % 2 == 0) {
      std::string sql = "(CASE";
      std::vector<Out> values;
      for (size_t i = 0; i < n; i += 2) {
        Out c = arg(i), v = arg(i + 1);
        sql += " WHEN " + c.sql + " THEN " + v.sql;
        values.push_back(v);
      }
      return {sql + " END)", ResultType(f, values)};
    }
    if (f == "choose" && n >= 2) {
      Out i = arg(0);
      std::string sql = "(CASE " + i.sql;
      std::vector<Out> values;
      for (size_t k = 1; k < n; ++k) {
        Out v = arg(k);
        sql += " WHEN " + std::to_string(k) + " THEN " + v.sql;
        values.push_back(v);
      }
      return {sql + " END)", ResultType(f, values)};
    }
    if (f == "nz" && (n == 1 || n == 2)) {
      Out a = arg(0);
      if (n == 2) {
        Out b = arg(1);
        return {"COALESCE(" + a.sql + ", " + b.sql + ")", ResultType(f, {a, b})};
      }
      return {"COALESCE(" + a.sql + ", " + (a.type == VType::kText ? "''" : "0") + ")", a.type};
    }
    if (f == "isnull" && n == 1) return {"(" + arg(0).sql + " IS NULL)", VType::kBool};
    if (f == "cbool" && n == 1) return {"(" + arg(0).sql + " <> 0)", VType::kBool};
    if (f == "round" && (n == 1 || n == 2)) {
      Out x = arg(0);
      if (n == 1) return {Rounded(x.sql), VType::kNumber};
      if (e.args[1]->kind != Expr::Kind::kNumber) throw Untranslatable("Round con cifre non costanti");
      int digits = std::stoi(e.args[1]->text);
      if (digits == 0) return {Rounded(x.sql), VType::kNumber};
      std::string scale = "1" + std::string(static_cast<size_t>(std::clamp(digits, 0, 15)), '0');
      return {"(" + Rounded("(" + x.sql + " * " + scale + ")") + " / " + scale + ".0)", VType::kNumber};
    }
    if (f == "dateadd" && n == 3) {
      const std::string unit = IntervalOf(*e.args[0]);
      for (const DateUnit& u : v_.dateUnits) {
        if (u.access != unit) continue;
        std::string count = arg(1).sql;
        if (u.multiplier != 1) count = "(" + count + " * " + std::to_string(u.multiplier) + ")";
        std::string sql = Apply(v_.dateAdd, {arg(2).sql, count});
        size_t at = sql.find("$U");
        if (at != std::string::npos) sql.replace(at, 2, u.word);
        return {sql, VType::kDate};
      }
      throw Untranslatable("DateAdd con intervallo \"" + unit + "\"");
    }
    if (f == "datediff" && (n >= 3 && n <= 5)) {
      const std::string unit = IntervalOf(*e.args[0]);
      for (const FunctionTemplate& t : v_.dateDiff) {
        if (t.name == unit) return {Template(t.sql, {arg(1).sql, arg(2).sql}), VType::kNumber};
      }
      throw Untranslatable("DateDiff con intervallo \"" + unit + "\"");
    }
    if (f == "datepart" && (n >= 2 && n <= 4)) {
      static const std::map<std::string, std::string> parts = {
          {"yyyy", "year"}, {"q", "quarter"}, {"m", "month"},  {"y", "dayofyear"},
          {"d", "day"},     {"w", "weekday"}, {"h", "hour"},   {"n", "minute"},
          {"s", "second"}};
      auto it = parts.find(IntervalOf(*e.args[0]));
      if (it == parts.end()) throw Untranslatable("DatePart con intervallo \"" + e.args[0]->text + "\"");
      return FunctionTemplateCall(it->second, {arg(1)});
    }
    if (f == "format" && n == 2) {
      if (e.args[1]->kind != Expr::Kind::kString) throw Untranslatable("Format con formato non costante");
      return Format(arg(0), e.args[1]->text);
    }
    if (f == "first" || f == "last") throw Untranslatable("funzione di aggregazione " + e.text);
    std::vector<Out> args;
    bool star = false;
    for (size_t i = 0; i < n; ++i) {
      if (e.args[i]->kind == Expr::Kind::kStar) {
        star = true;
        args.push_back({"*", VType::kUnknown});
      } else {
        args.push_back(arg(i));
      }
    }
    if (star && f != "count") throw Untranslatable("* come argomento di " + e.text);
    Out o = FunctionTemplateCall(f, args, e.text);
    if (o.sql.empty()) throw Untranslatable("funzione " + e.text + " (VBA o non traducibile)");
    return o;
  }

  // Format(value, pattern) for the named formats and the patterns of dates and numbers people
  // write most; the rest stops the query, naming the pattern.
  Out Format(const Out& value, const std::string& pattern) {
    const std::string lower = LowerAscii(pattern);
    // Named formats as Access writes them with Italian regional settings.
    static const std::map<std::string, std::string> named = {
        {"short date", "dd/mm/yyyy"}, {"short time", "hh:nn"},     {"medium time", "hh:nn AM/PM"},
        {"long time", "hh:nn:ss"},    {"fixed", "0.00"},           {"standard", "#,##0.00"},
        {"percent", "0.00%"}};
    std::string p = pattern;
    auto it = named.find(lower);
    if (it != named.end()) {
      p = it->second;
      Note("Format \"" + pattern + "\" come con le impostazioni internazionali italiane (" + p + ")");
    }
    if (p.find_first_not_of("0#,.%") == std::string::npos) return NumberFormat(value, p, pattern);
    return DateFormat(value, p, pattern);
  }

  Out NumberFormat(const Out& value, const std::string& p, const std::string& written) {
    const size_t point = p.find('.');
    const bool percent = !p.empty() && p.back() == '%';
    const std::string body = percent ? p.substr(0, p.size() - 1) : p;
    if (body.find('%') != std::string::npos || body.empty() || body.back() != '0') {
      throw Untranslatable("Format con il formato \"" + written + "\"");
    }
    size_t decimals = 0;
    if (point != std::string::npos) {
      decimals = body.size() - point - 1;
      if (body.find_first_not_of('0', point + 1) != std::string::npos) {
        throw Untranslatable("Format con il formato \"" + written + "\"");
      }
    }
    const bool grouped = body.find(',') != std::string::npos;
    std::string tpl(grouped ? v_.groupedNumber : v_.fixedNumber);
    auto replaceAll = [&](const std::string& what, const std::string& with) {
      for (size_t at = tpl.find(what); at != std::string::npos; at = tpl.find(what, at + with.size())) {
        tpl.replace(at, what.size(), with);
      }
    };
    replaceAll("{.n}", decimals ? "." + std::string(decimals, '0') : "");
    replaceAll("{n}", std::to_string(decimals));
    std::string x = percent ? "(" + value.sql + " * 100)" : value.sql;
    std::string sql = Apply(tpl, {x});
    if (percent) sql = Apply(v_.concatPlus, {sql, "'%'"});
    return {sql, VType::kText};
  }

  Out DateFormat(const Out& value, const std::string& p, const std::string& written) {
    auto stop = [&]() -> Untranslatable { return Untranslatable("Format con il formato \"" + written + "\""); };
    const std::string lower = LowerAscii(p);
    const bool twelve = lower.find("am/pm") != std::string::npos;
    std::vector<std::string> parts;  // SQL texts, joined at the end
    std::string literal;
    bool afterHour = false;  // "m" right after an hour is minutes
    auto flush = [&] {
      if (!literal.empty()) parts.push_back(Literal(literal));
      literal.clear();
    };
    auto part = [&](std::string token) {
      for (const FormatPart& f : v_.dateFormat) {
        if (f.access == token) {
          flush();
          parts.push_back(Apply(f.sql, {value.sql}));
          return;
        }
      }
      throw stop();
    };
    for (size_t i = 0; i < p.size();) {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(p[i])));
      size_t run = 1;
      while (i + run < p.size() && std::tolower(static_cast<unsigned char>(p[i + run])) == c) ++run;
      if (c == '"') {
        const size_t end = p.find('"', i + 1);
        if (end == std::string::npos) throw stop();
        literal += p.substr(i + 1, end - i - 1);
        i = end + 1;
        continue;
      }
      if (c == '\\' && i + 1 < p.size()) {
        literal += p[i + 1];
        i += 2;
        continue;
      }
      if (lower.compare(i, 5, "am/pm") == 0) {
        part("ampm");
        i += 5;
        continue;
      }
      if (c == 'y' && (run == 4 || run == 2)) {
        part(std::string(run, 'y'));
      } else if (c == 'd' && run <= 4) {
        part(std::string(run, 'd'));
      } else if (c == 'm' && run <= 4) {
        // After an hour, or before seconds, m and mm are minutes.
        size_t next = p.find_first_not_of(" :.", i + run);
        const bool minutes = run <= 2 && (afterHour || (next != std::string::npos && std::tolower(static_cast<unsigned char>(p[next])) == 's'));
        part(minutes ? std::string(run, 'n') : std::string(run, 'm'));
      } else if (c == 'h' && run <= 2) {
        part(std::string(run, 'h') + (twelve ? "12" : ""));
      } else if ((c == 'n' || c == 's') && run <= 2) {
        part(std::string(run, c));
      } else if (std::isalnum(static_cast<unsigned char>(c))) {
        throw stop();
      } else {
        literal += std::string(run, p[i]);
      }
      afterHour = c == 'h' || (afterHour && !std::isalnum(static_cast<unsigned char>(c)));
      i += run;
    }
    flush();
    if (parts.empty()) throw stop();
    std::string sql = parts[0];
    for (size_t i = 1; i < parts.size(); ++i) sql = Apply(v_.concatPlus, {sql, parts[i]});
    if (value.type != VType::kDate && value.type != VType::kUnknown) throw stop();
    return {sql, VType::kText};
  }

  // A function by its dialect template, or the functions every server writes alike; empty sql
  // when there is none.
  // A Yes/No value used as a number: Access's True is -1, the servers' is 1 (or true).
  void NoteYesNo() {
    const std::string note = kYesNoNote;
    if (std::find(notes.begin(), notes.end(), note) == notes.end()) notes.push_back(note);
  }

  Out FunctionTemplateCall(const std::string& f, const std::vector<Out>& args,
                           const std::string& written = {}) {
    if ((f == "sum" || f == "avg" || f == "abs") && !args.empty() && args[0].type == VType::kBool) NoteYesNo();
    std::vector<std::string> sqls;
    for (const Out& a : args) sqls.push_back(a.sql);
    for (const FunctionTemplate& t : v_.functions) {
      if (t.name == f && (t.arity < 0 || static_cast<size_t>(t.arity) == args.size())) {
        if (t.sql.empty()) throw Untranslatable("funzione " + (written.empty() ? f : written) + " (il server non la ha)");
        return {Template(t.sql, sqls), ResultType(f, args)};
      }
    }
    static const std::map<std::string, std::pair<int, std::string_view>> common = {
        {"count", {1, "COUNT($1)"}}, {"sum", {1, "SUM($1)"}},     {"avg", {1, "AVG($1)"}},
        {"min", {1, "MIN($1)"}},     {"max", {1, "MAX($1)"}},     {"abs", {1, "ABS($1)"}},
        {"ucase", {1, "UPPER($1)"}}, {"lcase", {1, "LOWER($1)"}}, {"trim", {1, "TRIM($1)"}},
        {"ltrim", {1, "LTRIM($1)"}}, {"rtrim", {1, "RTRIM($1)"}}, {"sqr", {1, "SQRT($1)"}},
        {"exp", {1, "EXP($1)"}},     {"log", {1, "LN($1)"}},      {"replace", {3, "REPLACE($1, $2, $3)"}},
    };
    auto it = common.find(f);
    if (it != common.end() && static_cast<size_t>(it->second.first) == args.size()) {
      return {Template(it->second.second, sqls), ResultType(f, args)};
    }
    return {};
  }

  // A column in scope: its qualifier and spelling as the catalogue has them.
  static const Column* FindColumn(const ScopeEntry& entry, const std::string& name) {
    const std::string folded = Fold(name);
    for (const Column& c : entry.columns) {
      if (Fold(c.name) == folded) return &c;
    }
    return nullptr;
  }

  Out Name(const Expr& e, Scope& scope) {
    const std::vector<std::string>& p = e.parts;
    const std::string head = Fold(p[0]);
    if (head == "forms" || head == "reports") {
      throw Untranslatable("riferimento a un controllo di maschera o report ([" + p[0] + "]!…)");
    }
    if (p.size() == 1) {
      if (e.star) throw Untranslatable("*");
      for (const Scope* s = &scope; s; s = s->outer) {
        for (const ScopeEntry& entry : s->entries) {
          if (const Column* c = FindColumn(entry, p[0])) {
            return ColumnOut(entry, *c);
          }
        }
        if (s == &scope) {
          auto alias = scope.aliases.find(head);
          if (alias != scope.aliases.end() && !scope.expanding.count(head)) {
            scope.expanding.insert(head);
            Out o = Expression(*alias->second, scope);
            scope.expanding.erase(head);
            return o;
          }
        }
      }
      Out param;
      if (Parameter(head, p[0], param) || Implicit(scope, p[0], param)) return param;
      throw Untranslatable("nome sconosciuto [" + p[0] + "] (parametro non dichiarato?)");
    }
    if (p.size() == 2) {
      for (const Scope* s = &scope; s; s = s->outer) {
        for (const ScopeEntry& entry : s->entries) {
          if (Fold(entry.qualifier) != head) continue;
          if (e.star) return {Quote(entry.qualifier) + ".*", VType::kUnknown};
          if (const Column* c = FindColumn(entry, p[1])) {
            return ColumnOut(entry, *c);
          }
          throw Untranslatable("campo sconosciuto [" + p[0] + "].[" + p[1] + "]");
        }
      }
      Out param;
      if (Parameter(Fold(p[0] + "." + p[1]), p[0] + "." + p[1], param) ||
          Implicit(scope, p[0] + "." + p[1], param)) {
        return param;
      }
      throw Untranslatable("nome sconosciuto [" + p[0] + "].[" + p[1] + "] (parametro?)");
    }
    throw Untranslatable("nome composto [" + p[0] + "]…");
  }

  Out ColumnOut(const ScopeEntry& entry, const Column& c) const {
    Out o{Quote(entry.qualifier) + "." + Quote(c.name), c.type, entry.qualifier, c.name};
    o.daoType = c.daoType;
    o.size = c.size;
    return o;
  }

  // A declared parameter named `folded`: its placeholder where the query becomes a function.
  bool Parameter(const std::string& folded, const std::string& written, Out& out) {
    for (size_t i = 0; i < params.size(); ++i) {
      if (Fold(params[i].name) != folded) continue;
      if (!v_.parameterFunctions) {
        throw Untranslatable("parametro [" + written + "]: una vista non chiede valori");
      }
      params[i].used = true;
      out = {"$" + std::to_string(i + 1), params[i].type};
      out.param = static_cast<int>(i);
      return true;
    }
    return false;
  }

  // In a SELECT without FROM, at the top of the query, a name Access cannot find is a parameter it
  // asks for when the query runs: it is added to the declared ones.
  bool Implicit(const Scope& scope, const std::string& written, Out& out) {
    if (!scope.entries.empty() || scope.outer) return false;
    params.push_back({written, 0, 0, VType::kUnknown});
    return Parameter(Fold(written), written, out);
  }

  // A parameter of type Value compared with something of a known type takes that type.
  void Infer(const Out& o, VType type) {
    if (o.param >= 0 && type != VType::kUnknown && params[static_cast<size_t>(o.param)].type == VType::kUnknown) {
      params[static_cast<size_t>(o.param)].type = type;
    }
  }

  // The FROM item written for the server, its tables and queries added to `scope`.
  std::string From(const FromItem& item, Scope& scope) {
    switch (item.kind) {
      case FromItem::Kind::kTable: {
        if (!item.remote.empty()) throw Untranslatable("tabella di un database esterno (IN '" + item.remote + "')");
        const Source* src = lookup_(item.name);
        if (!src) {
          if (LowerAscii(item.name).rfind("msys", 0) == 0) {
            throw Untranslatable("legge la tabella di sistema di Access [" + item.name + "]");
          }
          throw MissingSource("tabella o query inesistente nel database [" + item.name + "]");
        }
        if (src->linked) throw Untranslatable("tabella collegata [" + item.name + "]");
        if (src->isQuery) dependsOn.insert(src->name);
        if (src->system) {
          Note("[" + src->name + "]" + kSystemCopyNote);
        }
        ScopeEntry entry;
        entry.qualifier = item.alias.empty() ? src->name : item.alias;
        entry.columns = src->columns;
        scope.entries.push_back(std::move(entry));
        std::string sql = Quote(src->name);
        if (!item.alias.empty()) sql += " AS " + Quote(item.alias);
        return sql;
      }
      case FromItem::Kind::kDerived: {
        if (item.alias.empty()) throw Untranslatable("tabella derivata senza alias");
        ScopeEntry entry;
        entry.qualifier = item.alias;
        std::string sql = "(" + Union(*item.derived, nullptr, &entry.columns) + ") AS " + Quote(item.alias);
        scope.entries.push_back(std::move(entry));
        return sql;
      }
      case FromItem::Kind::kJoin: {
        std::string left = From(*item.left, scope);
        if (item.left->kind == FromItem::Kind::kJoin) left = "(" + left + ")";
        std::string right = From(*item.right, scope);
        if (item.right->kind == FromItem::Kind::kJoin) right = "(" + right + ")";
        Out on = Expression(*item.on, scope);
        return left + " " + item.join + " JOIN " + right + " ON " + on.sql;
      }
    }
    return {};
  }

  using Extra = std::function<void(Scope&, std::vector<std::pair<std::string, Column>>&)>;

  // One SELECT; `columns` receives the names and types of what it returns.
  std::string Select(const SelectStatement& s, const Scope* outer, std::vector<Column>* columns,
                     const Extra& extra = nullptr) {
    if (s.topPercent && s.distinct) throw Untranslatable("TOP " + s.top.value_or("") + " PERCENT con DISTINCT");
    Scope scope;
    scope.outer = outer;
    std::vector<std::string> from;
    for (const FromItem& item : s.from) from.push_back(From(item, scope));
    if (s.distinctRow && s.from.size() + JoinCount(s.from) > 1) {
      notes.push_back("DISTINCTROW omesso: in Access toglie le righe ripetute delle tabelle di origine");
    }
    for (const SelectItem& item : s.items) {
      if (!item.alias.empty()) scope.aliases[Fold(item.alias)] = item.expr.get();
    }
    // The items, with the names Access gives them.
    std::vector<std::pair<std::string, Column>> items;  // sql, output column
    std::vector<bool> plainColumn;
    std::vector<std::string> qualifiedName;
    int exprNumber = 1000;
    for (const SelectItem& item : s.items) {
      const Expr& e = *item.expr;
      if (e.kind == Expr::Kind::kStar || (e.kind == Expr::Kind::kName && e.star)) {
        bool matched = false;
        for (const ScopeEntry& entry : scope.entries) {
          if (e.kind == Expr::Kind::kName && Fold(entry.qualifier) != Fold(e.parts[0])) continue;
          matched = true;
          for (const Column& c : entry.columns) {
            items.push_back({Quote(entry.qualifier) + "." + Quote(c.name), c});
            plainColumn.push_back(true);
            qualifiedName.push_back(entry.qualifier + "." + c.name);
          }
        }
        if (!matched) throw Untranslatable("* di una tabella che non è nella FROM");
        continue;
      }
      Out o = Expression(e, scope);
      Column c;
      c.type = o.type;
      if (!o.column.empty()) {
        c.daoType = o.daoType;
        c.size = o.size;
      }
      bool plain = !o.column.empty() && item.alias.empty();
      if (!item.alias.empty()) {
        c.name = item.alias;
      } else if (!o.column.empty()) {
        c.name = o.column;  // the catalogue's spelling
      } else {
        c.name = "Expr" + std::to_string(exprNumber++);
      }
      const std::string qualified = plain ? o.qualifier + "." + c.name : c.name;
      items.push_back({o.sql, c});
      plainColumn.push_back(plain);
      qualifiedName.push_back(qualified);
    }
    if (extra) {
      std::vector<std::pair<std::string, Column>> more;
      extra(scope, more);
      for (auto& m : more) {
        items.push_back(m);
        plainColumn.push_back(false);
        qualifiedName.push_back(m.second.name);
      }
    }
    // Names that repeat: Access names a plain column after its table ("Table2.col2").
    std::map<std::string, int> seen;
    for (const auto& it : items) ++seen[Fold(it.second.name)];
    for (size_t i = 0; i < items.size(); ++i) {
      if (seen[Fold(items[i].second.name)] > 1 && plainColumn[i]) items[i].second.name = qualifiedName[i];
    }
    std::map<std::string, int> used;
    for (auto& it : items) {
      std::string base = it.second.name;
      int k = ++used[Fold(base)];
      if (k > 1) it.second.name = base + "_" + std::to_string(k);
    }
    std::string sql = "SELECT ";
    if (s.distinct) sql += "DISTINCT ";
    for (size_t i = 0; i < items.size(); ++i) {
      if (i) sql += ", ";
      sql += items[i].first + " AS " + Quote(items[i].second.name);
    }
    const size_t listEnd = sql.size();
    if (!from.empty()) sql += "\nFROM " + JoinStrings(from, ", ");
    if (s.where) sql += "\nWHERE " + Expression(*s.where, scope).sql;
    if (!s.groupBy.empty()) {
      std::vector<std::string> keys;
      for (const auto& g : s.groupBy) keys.push_back(Expression(*g, scope).sql);
      sql += "\nGROUP BY " + JoinStrings(keys, ", ");
    }
    if (s.having) sql += "\nHAVING " + Expression(*s.having, scope).sql;
    std::string order;
    if (!s.orderBy.empty()) {
      std::vector<std::string> keys;
      for (const auto& k : s.orderBy) {
        keys.push_back(Expression(*k.expr, scope).sql + (k.descending ? " DESC" : ""));
      }
      order = JoinStrings(keys, ", ");
    }
    if (s.top && s.topPercent) {
      // The first n percent of the rows in order, a part of a row counting as a whole one: the
      // rows numbered in order, kept while the ones before them are under n percent of all.
      const std::string number = Quote("__riga"), count = Quote("__righe");
      std::string outer = "SELECT ";
      for (size_t i = 0; i < items.size(); ++i) outer += (i ? ", " : "") + Quote(items[i].second.name);
      sql.insert(listEnd,
                 ", ROW_NUMBER() OVER (" + (order.empty() ? "" : "ORDER BY " + order) + ") AS " + number +
                     ", COUNT(*) OVER () AS " + count);
      sql = outer + "\nFROM (" + sql + ") AS " + Quote("__primi") + "\nWHERE (" + number + " - 1) * 100 < " +
            *s.top + " * " + count + "\nORDER BY " + number;
      Note("TOP " + *s.top + " PERCENT senza le righe a pari merito che Access aggiunge");
    } else if (!order.empty()) {
      sql += "\nORDER BY " + order;
    }
    if (s.top && !s.topPercent) {
      sql += Apply(v_.limit, {*s.top});
      notes.push_back("TOP " + *s.top + " senza le righe a pari merito che Access aggiunge");
    }
    if (columns) {
      columns->clear();
      for (const auto& it : items) columns->push_back(it.second);
    }
    return sql;
  }

  std::string Union(const UnionStatement& u, const Scope* outer, std::vector<Column>* columns,
                    const Extra& extra = nullptr) {
    std::vector<Column> first;
    std::string sql;
    for (size_t i = 0; i < u.parts.size(); ++i) {
      std::vector<Column> cols;
      std::string part = Select(u.parts[i], outer, &cols, i == 0 ? extra : nullptr);
      if (i == 0) {
        first = cols;
      } else {
        if (cols.size() != first.size()) throw Untranslatable("UNION di parti con numeri di colonne diversi");
        sql += u.all[i] ? "\nUNION ALL\n" : "\nUNION\n";
      }
      sql += part;
    }
    if (!u.orderBy.empty()) {
      std::vector<std::string> keys;
      for (const auto& k : u.orderBy) {
        std::string key;
        if (k.expr->kind == Expr::Kind::kName) {
          const std::string want = Fold(k.expr->parts.back());
          for (const Column& c : first) {
            if (Fold(c.name) == want) key = Quote(c.name);
          }
        } else if (k.expr->kind == Expr::Kind::kNumber) {
          key = k.expr->text;
        }
        if (key.empty()) throw Untranslatable("ORDER BY di una UNION su un'espressione");
        keys.push_back(key + (k.descending ? " DESC" : ""));
      }
      sql += "\nORDER BY " + JoinStrings(keys, ", ");
    }
    if (columns) *columns = first;
    return sql;
  }

  std::set<std::string> dependsOn;

 private:
  static size_t JoinCount(const std::vector<FromItem>& items) {
    size_t n = 0;
    std::function<void(const FromItem&)> walk = [&](const FromItem& f) {
      if (f.kind != FromItem::Kind::kJoin) return;
      ++n;
      walk(*f.left);
      walk(*f.right);
    };
    for (const auto& f : items) walk(f);
    return n;
  }

  static std::string JoinStrings(const std::vector<std::string>& items, const std::string& sep) {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) out += (i ? sep : "") + items[i];
    return out;
  }

  const SqlDialect& d_;
  const ViewDialect& v_;
  std::function<const Source*(const std::string&)> lookup_;
};

bool HasBits(const std::optional<int>& flag, int bits) { return (flag.value_or(0) & bits) != 0; }

const char* KindName(int kind) {
  switch (kind) {
    case engine::kKindCrosstab: return "crosstab";
    case engine::kKindUnion: return "union";
    case engine::kKindDataDefinition: return "ddl";
    case engine::kKindPassThrough: return "passthrough";
    case engine::kKindSelect: return "select";
    default: return "action";
  }
}

// The whole translation of a database: its tables, and its queries translated on demand so that
// a query read by another is done first.
class Translator {
 public:
  Translator(dao::Database& db, const SqlDialect& d) : db_(db), d_(d) {}

  std::vector<ViewTranslation> Run() {
    const auto& tables = db_.TableDefs();
    for (int i = 0; i < tables.Count(); ++i) {
      const dao::TableDef& t = tables.Item(i);
      if (t.IsSystem()) continue;
      Source s;
      s.name = t.Name();
      s.linked = t.IsLinked();
      if (!s.linked) {
        dao::TableDetail detail = db_.DescribeTable(t);
        for (const auto& f : detail.fields) {
          if (IsCreatedType(f.type)) s.columns.push_back({f.name, TypeOfField(f.type), f.type, f.size});
        }
      }
      sources_[Fold(s.name)] = std::move(s);
    }
    const auto& queries = db_.QueryDefs();
    results_.resize(static_cast<size_t>(queries.Count()));
    state_.assign(results_.size(), 0);
    for (int i = 0; i < queries.Count(); ++i) {
      const std::string key = Fold(queries.Item(i).Name());
      if (sources_.count(key)) continue;
      Source s;
      s.name = queries.Item(i).Name();
      s.isQuery = true;
      s.query = static_cast<size_t>(i);
      sources_[key] = std::move(s);
    }
    for (size_t i = 0; i < results_.size(); ++i) Translate(i);
    std::vector<ViewTranslation> out = system_;
    for (size_t i : order_) out.push_back(results_[i]);
    for (size_t i = 0; i < results_.size(); ++i) {
      if (!results_[i].translated) out.push_back(results_[i]);
    }
    return out;
  }

 private:
  // The source named `name` (a query is translated first); nullptr when there is none or when
  // the query could not become a view (then `failedDependency_` names it).
  const Source* Lookup(const std::string& name) {
    auto it = sources_.find(Fold(name));
    if (it == sources_.end()) return SystemTable(name);
    if (it->second.isQuery) {
      size_t q = it->second.query;
      if (state_[q] == 1) throw Untranslatable("query che legge se stessa (ciclo) [" + name + "]");
      Translate(q);
      if (!results_[q].translated) {
        const std::string why = "legge la query [" + name + "], che non è diventata una vista";
        if (results_[q].missingSource) throw MissingSource(why);
        throw Untranslatable(why);
      }
      if (!results_[q].parameters.empty()) {
        throw Untranslatable("legge la query con parametri [" + name + "], che è una funzione");
      }
    }
    return &it->second;
  }

  // A system table of the database (MSysObjects…) as a view of its rows as they are now, made
  // the first time a query reads it; nullptr when the database has no such table.
  const Source* SystemTable(const std::string& name) {
    const std::string key = Fold(name);
    if (key.rfind("msys", 0) != 0) return nullptr;
    const auto& tables = db_.TableDefs();
    for (int i = 0; i < tables.Count(); ++i) {
      const dao::TableDef& t = tables.Item(i);
      if (!t.IsSystem() || Fold(t.Name()) != key) continue;
      Writer w(d_, nullptr, {});
      Source s;
      s.name = t.Name();
      s.system = true;
      std::vector<std::string> rows;
      try {
        std::unique_ptr<dao::RowSource> source = db_.OpenRows(t.Name());
        std::vector<size_t> kept;
        for (size_t c = 0; c < source->Columns().size(); ++c) {
          const dao::RowColumn& col = source->Columns()[c];
          if (!IsCreatedType(col.type) || col.type == dao::dbBinary || col.type == dao::dbLongBinary) continue;
          kept.push_back(c);
          s.columns.push_back({col.name, TypeOfField(col.type), col.type, col.size});
        }
        std::vector<dao::Value> row;
        while (source->Next(row)) {
          std::string values;
          for (size_t c : kept) values += (values.empty() ? "" : ", ") + ValueLiteral(row[c], w);
          rows.push_back(std::move(values));
        }
      } catch (const dao::Error& e) {
        throw Untranslatable("tabella di sistema [" + t.Name() + "] non leggibile: " + e.what());
      }
      if (rows.empty() || s.columns.empty()) throw Untranslatable("tabella di sistema [" + t.Name() + "] vuota");
      ViewTranslation v;
      v.name = t.Name();
      v.kind = "system";
      v.translated = true;
      v.accessSql = "SELECT * FROM " + t.Name();
      v.notes.push_back("copia delle righe della tabella di sistema al momento della migrazione (nelle "
                        "stringhe di connessione le password sono mascherate)");
      v.sql = "CREATE VIEW " + w.Quote(t.Name()) + " AS\n" + LiteralRows(w, s.columns, rows) + ";";
      system_.push_back(std::move(v));
      return &(sources_[key] = std::move(s));
    }
    return nullptr;
  }

  std::string LiteralRows(Writer& w, const std::vector<Column>& columns, const std::vector<std::string>& rows) const {
    std::string names, numbered;
    for (size_t c = 0; c < columns.size(); ++c) {
      names += (c ? ", " : "") + w.Quote(columns[c].name);
      numbered += (c ? ", column" : "column") + std::to_string(c + 1) + " AS " + w.Quote(columns[c].name);
    }
    std::string values;
    for (size_t r = 0; r < rows.size(); ++r) values += (r ? ",\n(" : "(") + rows[r] + ")";
    switch (ViewDialectOf(d_).literalRows) {
      case LiteralRows::kValuesNumbered:
        return "SELECT " + numbered + " FROM (VALUES\n" + values + ")";
      case LiteralRows::kValuesAliased:
        return "SELECT * FROM (VALUES\n" + values + ") AS " + w.Quote("__righe") + " (" + names + ")";
      case LiteralRows::kUnionAll:
        break;
    }
    std::string out;
    for (size_t r = 0; r < rows.size(); ++r) {
      if (r) {
        out += "\nUNION ALL SELECT " + rows[r];
        continue;
      }
      // The first row names the columns.
      out += "SELECT ";
      size_t c = 0, depth = 0, start = 0;
      const std::string& first = rows[0];
      bool quoted = false;
      for (size_t i = 0; i <= first.size(); ++i) {
        const char ch = i < first.size() ? first[i] : ',';
        if (ch == '\'') quoted = !quoted;
        if (quoted) continue;
        if (ch == '(') ++depth;
        if (ch == ')') --depth;
        if (ch == ',' && depth == 0) {
          out += (c ? ", " : "") + first.substr(start, i - start) + " AS " + w.Quote(columns[c].name);
          ++c;
          start = i + 2;
        }
      }
    }
    return out;
  }

  std::string ValueLiteral(const dao::Value& v, Writer& w) const {
    char buf[64];
    switch (v.kind) {
      case dao::Value::Kind::kNull:
        return "NULL";
      case dao::Value::Kind::kBool:
        return std::string(v.boolean ? d_.literalTrue : d_.literalFalse);
      case dao::Value::Kind::kInt:
        return std::to_string(v.integer);
      case dao::Value::Kind::kCurrency: {
        const int64_t whole = v.integer / 10000, part = std::abs(v.integer % 10000);
        std::snprintf(buf, sizeof buf, "%s%lld.%04lld", v.integer < 0 && whole == 0 ? "-" : "",
                      static_cast<long long>(whole), static_cast<long long>(part));
        return buf;
      }
      case dao::Value::Kind::kDecimal:
        return v.decimal.ToString();
      case dao::Value::Kind::kSingle:
      case dao::Value::Kind::kDouble:
        if (!std::isfinite(v.real)) return "NULL";
        std::snprintf(buf, sizeof buf, "%.17g", v.real);
        return buf;
      case dao::Value::Kind::kDateTime: {
        std::string iso = dao::IsoDateTime(v.real);
        if (iso.size() < 19) return "NULL";
        iso = iso.substr(0, 19);
        iso[10] = ' ';
        return Apply(ViewDialectOf(d_).dateLiteral, {iso});
      }
      case dao::Value::Kind::kDateTimeExtended:
        return v.text.size() < 19 ? "NULL" : Apply(ViewDialectOf(d_).dateLiteral, {v.text.substr(0, 19)});
      case dao::Value::Kind::kText:
        return w.Literal(MaskConnectSecrets(v.text));
      case dao::Value::Kind::kGuid:
        return w.Literal(v.guid.ToString());
      case dao::Value::Kind::kBytes:
      case dao::Value::Kind::kComplex:
        break;
    }
    return "NULL";
  }

  void Translate(size_t q) {
    if (state_[q] != 0) return;
    state_[q] = 1;
    const dao::QueryDef& def = db_.QueryDefs().Item(static_cast<int>(q));
    ViewTranslation& r = results_[q];
    r.name = def.Name();
    r.accessSql = def.SQL();
    const std::vector<engine::QueryRow> rows = def.StoredRows();
    const engine::QueryParts parts = engine::QueryParts::Decode(rows);
    const int kind = rows.empty() ? engine::kKindSelect : parts.Kind(def.ObjectFlags());
    r.kind = KindName(kind);
    std::vector<Column> columns;
    try {
      if (rows.empty()) throw Untranslatable("righe della query non disponibili");
      if (kind == engine::kKindDataDefinition) throw Untranslatable("query di definizione dei dati");
      if (kind == engine::kKindPassThrough) throw Untranslatable("query pass-through (SQL del server d'origine)");
      if (kind != engine::kKindSelect && kind != engine::kKindUnion && kind != engine::kKindCrosstab) {
        throw Untranslatable("query di comando (" + std::string(ActionName(kind)) + ")");
      }
      std::vector<Param> parameters;
      for (const auto& p : def.Parameters()) {
        parameters.push_back({p.Name(), p.Type(), p.Size(), TypeOfField(p.Type())});
      }
      Writer w(d_, [this](const std::string& n) { return Lookup(n); }, parameters);
      std::string body;
      if (parts.remote_db) throw Untranslatable("FROM su un database esterno (IN …)");
      if (kind == engine::kKindUnion) {
        UnionStatement u;
        for (const char* id : {engine::kUnionPart1, engine::kUnionPart2}) {
          for (const auto& t : parts.tables) {
            if (t.name2 && *t.name2 == id) {
              UnionStatement half = ParseAccessSelect(engine::TextOf(t.expression));
              for (size_t i = 0; i < half.parts.size(); ++i) {
                u.parts.push_back(std::move(half.parts[i]));
                u.all.push_back(u.parts.size() == 1 ? false
                                                    : (i == 0 ? !(parts.SelectFlags() & engine::kSelectDistinct)
                                                              : static_cast<bool>(half.all[i])));
              }
              if (!half.orderBy.empty()) throw Untranslatable("ORDER BY dentro una parte della UNION");
            }
          }
        }
        if (u.parts.size() < 2) throw Untranslatable("UNION senza le due parti");
        for (const auto& k : parts.order_by) u.orderBy.push_back(OrderKeyOf(k));
        body = w.Union(u, nullptr, &columns);
      } else {
        SelectStatement s = SelectOf(parts, kind == engine::kKindCrosstab);
        if (kind == engine::kKindCrosstab) {
          body = Crosstab(w, parts, s, columns);
        } else {
          body = w.Select(s, nullptr, &columns);
        }
      }
      r.translated = true;
      if (std::any_of(w.params.begin(), w.params.end(), [](const Param& p) { return p.used; })) {
        r.sql = Function(w, r.name, body, columns);
        for (const Param& p : w.params) r.parameters.push_back(p.name);
      } else {
        r.sql = "CREATE VIEW " + w.Quote(r.name) + " AS\n" + body + ";";
      }
      r.notes = w.notes;
      r.dependsOn.assign(w.dependsOn.begin(), w.dependsOn.end());
    } catch (const MissingSource& e) {
      r.reason = e.what();
      r.missingSource = true;
    } catch (const Untranslatable& e) {
      r.reason = e.what();
    } catch (const AccessSyntaxError& e) {
      r.reason = std::string("SQL di Access non letto: ") + e.what();
    } catch (const std::invalid_argument&) {
      r.reason = "numero non valido";
    } catch (const std::out_of_range&) {
      r.reason = "numero fuori intervallo";
    }
    state_[q] = 2;
    if (r.translated) {
      order_.push_back(q);
      auto it = sources_.find(Fold(r.name));
      if (it != sources_.end() && it->second.isQuery) it->second.columns = columns;
    }
  }

  // The server's type of a column or a parameter.
  std::string TypeOf(int daoType, int size, VType type) const {
    if (daoType == dao::dbText && size <= 0) daoType = dao::dbMemo;
    if (daoType != 0 && IsCreatedType(daoType)) {
      std::string t = SqlColumnType(d_, daoType, size);
      if (!t.empty()) return t;
    }
    switch (type) {
      case VType::kNumber: return SqlColumnType(d_, dao::dbDouble, 0);
      case VType::kDate: return SqlColumnType(d_, dao::dbDate, 0);
      case VType::kBool: return SqlColumnType(d_, dao::dbBoolean, 0);
      case VType::kText:
      case VType::kUnknown: break;
    }
    return SqlColumnType(d_, dao::dbMemo, 0);
  }

  // A query with parameters as a function returning its rows: the parameters in their declared
  // order ($1, $2, … in the body), the columns cast to the types the function declares.
  std::string Function(Writer& w, const std::string& name, const std::string& body,
                       const std::vector<Column>& columns) const {
    const std::string quote = "$tavrek$";
    if (body.find(quote) != std::string::npos) throw Untranslatable("testo con " + quote);
    std::set<std::string> columnNames;
    std::string returns, select;
    for (const Column& c : columns) {
      const std::string type = TypeOf(c.daoType, c.size, c.type);
      columnNames.insert(c.name);
      returns += (returns.empty() ? "" : ", ") + w.Quote(c.name) + " " + type;
      select += (select.empty() ? "" : ", ") + ("CAST(" + w.Quote("__q") + "." + w.Quote(c.name) + " AS " + type + ")");
    }
    std::string arguments;
    for (const Param& p : w.params) {
      // A parameter named as a column would clash with it among the function's names.
      const std::string type = TypeOf(p.daoType, p.size, p.type);
      arguments += (arguments.empty() ? "" : ", ") + (columnNames.count(p.name) ? type : w.Quote(p.name) + " " + type);
    }
    return "CREATE FUNCTION " + w.Quote(name) + "(" + arguments + ")\nRETURNS TABLE (" + returns +
           ")\nLANGUAGE sql STABLE AS " + quote + "\nSELECT " + select + "\nFROM (\n" + body + "\n) AS " +
           w.Quote("__q") + "\n" + quote + ";";
  }

  static const char* ActionName(int kind) {
    switch (kind) {
      case engine::kKindMakeTable: return "creazione tabella";
      case engine::kKindAppend: return "accodamento";
      case engine::kKindUpdate: return "aggiornamento";
      case engine::kKindDelete: return "eliminazione";
      default: return "tipo sconosciuto";
    }
  }

  static OrderKey OrderKeyOf(const engine::QueryRow& row) {
    OrderKey k;
    k.expr = ParseAccessExpression(engine::TextOf(row.expression));
    const std::string dir = engine::TextOf(row.name1);
    k.descending = dir == "D" || dir == "d";
    return k;
  }

  static SelectStatement SelectOf(const engine::QueryParts& parts, bool crosstab) {
    SelectStatement s;
    const int flags = parts.SelectFlags();
    s.distinct = (flags & engine::kSelectDistinct) != 0;
    s.distinctRow = (flags & engine::kSelectDistinctRow) != 0;
    if (flags & engine::kSelectTop) s.top = parts.flags ? engine::TextOf(parts.flags->name1) : "";
    s.topPercent = (flags & engine::kSelectPercent) != 0;
    if (flags & engine::kSelectOwnerAccess) throw Untranslatable("WITH OWNERACCESS OPTION");
    for (const auto& c : parts.columns) {
      if (crosstab && !HasBits(c.flag, engine::kCrosstabRowHead)) continue;
      SelectItem item;
      item.expr = ParseAccessExpression(engine::TextOf(c.expression));
      if (c.name1) item.alias = *c.name1;
      s.items.push_back(std::move(item));
    }
    if (flags & engine::kSelectStar) {
      SelectItem star;
      star.expr = std::make_unique<Expr>();
      star.expr->kind = Expr::Kind::kStar;
      s.items.push_back(std::move(star));
    }
    for (const std::string& item : engine::BuildFromItems(parts.tables, parts.joins)) {
      s.from.push_back(ParseAccessFromItem(item));
    }
    if (parts.where) s.where = ParseAccessExpression(engine::TextOf(parts.where->expression));
    for (const auto& g : parts.group_by) {
      if (crosstab && !HasBits(g.flag, engine::kCrosstabRowHead)) continue;
      s.groupBy.push_back(ParseAccessExpression(engine::TextOf(g.expression)));
    }
    if (parts.having) s.having = ParseAccessExpression(engine::TextOf(parts.having->expression));
    for (const auto& k : parts.order_by) s.orderBy.push_back(OrderKeyOf(k));
    return s;
  }

  // TRANSFORM agg(x) … PIVOT p In (v1, v2): one column per heading, agg(CASE WHEN p = v THEN x
  // END); headings not fixed by In cannot be a view.
  std::string Crosstab(Writer& w, const engine::QueryParts& parts, const SelectStatement& s,
                       std::vector<Column>& columns) {
    const engine::QueryRow* value = nullptr;
    const engine::QueryRow* pivot = nullptr;
    for (const auto& c : parts.columns) {
      if (HasBits(c.flag, engine::kCrosstabRowHead)) continue;
      if (HasBits(c.flag, engine::kCrosstabPivot)) {
        if (!pivot) pivot = &c;
      } else if (!value) {
        value = &c;
      }
    }
    if (!value || !pivot) throw Untranslatable("TRANSFORM senza valore o senza PIVOT");
    ExprPtr v = ParseAccessExpression(engine::TextOf(value->expression));
    ExprPtr p = ParseAccessExpression(engine::TextOf(pivot->expression));
    if (p->kind != Expr::Kind::kIn || p->negated || p->subquery) {
      throw Untranslatable("PIVOT con intestazioni di colonna non fisse (senza In (…))");
    }
    if (v->kind != Expr::Kind::kCall || v->args.size() != 1) {
      throw Untranslatable("TRANSFORM su un valore che non è una funzione di aggregazione");
    }
    const std::string agg = LowerAscii(v->text);
    if (agg == "first" || agg == "last") throw Untranslatable("TRANSFORM " + v->text);
    auto extra = [&](Scope& scope, std::vector<std::pair<std::string, Column>>& out) {
      Out key = w.Expression(*p->args[0], scope);
      std::string arg = v->args[0]->kind == Expr::Kind::kStar ? "1" : w.Expression(*v->args[0], scope).sql;
      for (size_t i = 1; i < p->args.size(); ++i) {
        const Expr& heading = *p->args[i];
        Out lit = w.Coerce(w.Expression(heading, scope), heading, key.type);
        Out cell = w.FunctionTemplateCall(agg, {{"(CASE WHEN " + key.sql + " = " + lit.sql +
                                                     " THEN " + arg + " END)",
                                                 VType::kUnknown}});
        if (cell.sql.empty()) throw Untranslatable("TRANSFORM " + v->text);
        Column c;
        c.name = heading.kind == Expr::Kind::kString || heading.kind == Expr::Kind::kNumber
                     ? heading.text
                     : "Expr" + std::to_string(i);
        c.type = VType::kNumber;
        out.push_back({cell.sql, c});
      }
    };
    return w.Select(s, nullptr, &columns, extra);
  }

  dao::Database& db_;
  const SqlDialect& d_;
  std::map<std::string, Source> sources_;
  std::vector<ViewTranslation> results_;
  std::vector<int> state_;  // 0 not done, 1 under way, 2 done
  std::vector<size_t> order_;
  std::vector<ViewTranslation> system_;  // system tables copied as views, made on first use
};

std::string CommentLines(const std::string& text) {
  std::string out;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    out += "--   " + line + "\n";
  }
  return out;
}

}  // namespace

std::vector<ViewTranslation> TranslateQueries(dao::Database& db, const SqlDialect& dialect) {
  Translator t(db, dialect);
  return t.Run();
}

std::string WriteViews(const std::vector<ViewTranslation>& views) {
  std::string out;
  size_t done = 0;
  size_t queries = 0;
  for (const auto& v : views) {
    if (v.kind == "system") continue;
    ++queries;
    done += v.translated ? 1 : 0;
  }
  if (views.empty()) return out;
  out += "-- Query come viste: " + std::to_string(done) + " tradotte su " +
         std::to_string(queries) + "\n\n";
  for (const auto& v : views) {
    std::string name = v.name;
    for (char& c : name) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    if (v.kind == "system") {
      out += "-- tabella di sistema \"" + name + "\", letta dalle query\n";
      for (const auto& n : v.notes) out += "-- nota: " + n + "\n";
      out += v.sql + "\n\n";
    } else if (v.translated) {
      out += "-- query \"" + name + "\" (" + v.kind + (v.parameters.empty() ? "" : ", funzione con parametri") + ")\n";
      for (const auto& n : v.notes) out += "-- nota: " + n + "\n";
      out += v.sql + "\n\n";
    } else {
      out += "-- query \"" + name + "\" (" + v.kind + ") non tradotta: " + v.reason + "\n";
      out += "-- SQL in Access:\n" + CommentLines(v.accessSql) + "\n";
    }
  }
  return out;
}

std::string TranslateExpression(const std::string& access, const SqlDialect& dialect) {
  ExprPtr e = ParseAccessExpression(access);
  // Every name is a column of one table whose columns are whatever the expression names.
  Source any;
  std::function<void(const Expr&)> collect = [&](const Expr& x) {
    if (x.kind == Expr::Kind::kName && !x.star) any.columns.push_back({x.parts.back(), VType::kUnknown});
    for (const auto& a : x.args) collect(*a);
  };
  collect(*e);
  Writer w(dialect, [](const std::string&) -> const Source* { return nullptr; }, {});
  Scope scope;
  ScopeEntry entry;
  entry.qualifier = "t";
  entry.columns = any.columns;
  scope.entries.push_back(entry);
  try {
    return w.Expression(*e, scope).sql;
  } catch (const Untranslatable& u) {
    throw std::runtime_error(u.what());
  }
}

}  // namespace tavrek::doc
