#include "documenter/ddl.h"

#include "documenter/view_translator.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <tuple>
#include <utility>
#include <vector>

#include "documenter/expression.h"
#include "documenter/names.h"
#include "documenter/secrets.h"
#include "engine/catalogue/name_compare.h"

namespace tavrek::doc {

namespace {

// Relation attribute of Access 2010 and later: on delete, set the foreign key to Null.
constexpr int32_t kRelationDeleteSetNull = 0x2000;
// DAO's code of ACE's extended date-time (Date/Time Extended, Access 2021).
constexpr int kTypeDateTimeExtended = dao::dbDateTimeExtended;

// Names compared as Access compares them.
std::string Lower(std::string_view s) { return engine::FoldName(s); }

// One line of comment text: line breaks become spaces.
std::string OneLine(std::string_view s) {
  std::string out;
  for (char c : s) out += (c == '\r' || c == '\n') ? ' ' : c;
  return out;
}

// A Decimal's declared precision and scale, with Access's own defaults when the file says none.
int DeclaredPrecision(int precision) { return precision > 0 ? precision : 18; }
int DeclaredScale(int precision, int scale) { return std::clamp(scale, 0, DeclaredPrecision(precision)); }

std::string Replace(std::string_view pattern, std::string_view key, const std::string& value) {
  std::string out(pattern);
  for (size_t at = out.find(key); at != std::string::npos; at = out.find(key, at + value.size()))
    out.replace(at, key.size(), value);
  return out;
}

// What the generator knows of one column.
struct Column {
  std::string name;
  std::string type;        // the target's type
  bool longValue = false;  // long text or binary (prefix indexes, restricted defaults)
  bool notNull = false;
  bool identity = false;   // AutoNumber (Long)
  std::string defaultSql;  // the DEFAULT expression, empty for none
  std::string note;        // a comment line about the column (default not translated, ...)
  std::string description;
  bool omitted = false;    // not written (multi-valued fields)
  int textLength = 0;      // Text columns: their length in characters
  int decimalScale = -1;   // Decimal columns: the declared scale
  size_t bytes = 8;        // the most the value takes in a row (long values: see the dialect)
  ValueKind kind = ValueKind::kUnknown;  // for conditions on the column
  std::string rule, ruleText;            // Access's validation rule and its message
  bool noEmptyText = false;              // Required text that may not be "" either
  std::string gapNote;                   // why a Required field is written without its constraint
  std::string shown;                     // caption and format, for a comment
};

// A CHECK constraint, or the comment that stands for one the server cannot take.
struct Check {
  std::string sql;                   // the condition; empty when not translated
  std::string comment;               // a comment line before it (the rule's message, or why not)
  std::vector<std::string> columns;  // the columns the condition reads
};

struct IndexDef {
  std::string name;
  std::vector<std::string> columns;
  std::vector<bool> descending;
  bool primary = false;
  bool unique = false;
};

struct TableDef {
  std::string name;
  std::string description;
  std::vector<Column> columns;
  std::vector<IndexDef> indexes;
  std::string rule, ruleText;  // the table's validation rule and its message
  std::vector<Check> checks;
  const Column* Find(std::string_view column) const {
    for (const auto& c : columns)
      if (Lower(c.name) == Lower(column)) return &c;
    return nullptr;
  }
};

struct ForeignKey {
  std::string name;
  size_t child = 0, parent = 0;  // positions in the table list
  std::vector<std::string> childColumns, parentColumns;
  std::string actions;            // " ON UPDATE CASCADE ON DELETE CASCADE"
};

class Generator {
 public:
  Generator(dao::Database& db, const SqlDialect& dialect, const DdlOptions& options)
      : db_(db), d_(dialect), options_(options) {}
  std::string Run();
  DdlParts Parts();

 private:
  void Prepare();
  std::string Quote(std::string_view name) const;
  std::string Literal(std::string_view text) const;
  void CheckName(const std::string& kind, const std::string& owner, const std::string& name,
                 std::map<std::string, std::string>& seen) const;
  size_t NameLength(std::string_view name) const;
  std::string CutName(const std::string& name, size_t limit) const;
  std::string UniqueName(std::string name, std::set<std::string>& used) const;
  void MapType(const dao::Field& f, Column& c) const;
  void MapDefault(const dao::Field& f, Column& c) const;
  void FitRow(TableDef& t) const;
  void AddChecks(TableDef& t) const;
  std::optional<Check> Condition(const TableDef& t, const Expr* e) const;
  void ReadTables();
  void ReadRelations();
  void OrderTables();
  bool RowidAlias(const TableDef& t, const Column& c) const;
  std::string KeyList(const TableDef& t, const std::vector<std::string>& columns,
                      const std::vector<bool>& descending) const;
  std::string ForeignKeyClause(const ForeignKey& fk) const;
  void WriteTable(const TableDef& t, const std::vector<const ForeignKey*>& inlineKeys,
                  std::ostream& out, std::ostream& indexes);

  dao::Database& db_;
  const SqlDialect& d_;
  DdlOptions options_;
  std::vector<TableDef> tables_;
  std::vector<std::string> linkedNotes_;
  std::vector<ForeignKey> keys_;
  std::vector<std::string> relationNotes_;
  std::vector<size_t> order_;
  std::vector<const ForeignKey*> deferred_;
  std::set<std::string> schemaNames_;  // index and constraint names of the whole schema (lower)
  std::ostringstream out_;
};

std::string Generator::Quote(std::string_view name) const { return QuoteIdentifier(d_, name); }

std::string Generator::Literal(std::string_view text) const { return QuoteLiteral(d_, text); }

// Records `name` in `seen`; raises DdlError when the server would not tell it from one already
// there, or cannot keep it whole.
void Generator::CheckName(const std::string& kind, const std::string& owner, const std::string& name,
                          std::map<std::string, std::string>& seen) const {
  std::string where = owner.empty() ? "" : " della tabella \"" + owner + "\"";
  if (d_.maxIdentifierLength && NameLength(name) > d_.maxIdentifierLength)
    throw DdlError("nome troppo lungo per " + std::string(d_.name) + " (" + kind + where + "): \"" +
                   name + "\" supera " + std::to_string(d_.maxIdentifierLength) +
                   (d_.identifierUnit == IdentifierUnit::kBytes ? " byte" : " caratteri"));
  auto [it, added] = seen.emplace(Lower(name), name);
  if (!added)
    throw DdlError("nomi in conflitto per " + std::string(d_.name) + " (" + kind + where + "): \"" +
                   it->second + "\" e \"" + name + "\" differiscono solo per maiuscole e minuscole");
}

// The length of `name` as the server counts it.
size_t Generator::NameLength(std::string_view name) const { return IdentifierLength(d_, name); }

// `name` cut to at most `limit` of the server's units, without splitting a character.
std::string Generator::CutName(const std::string& name, size_t limit) const {
  size_t end = 0, length = 0;
  while (end < name.size()) {
    size_t next = end + 1;
    while (next < name.size() && (static_cast<unsigned char>(name[next]) & 0xC0) == 0x80) ++next;
    length += d_.identifierUnit == IdentifierUnit::kBytes ? next - end : 1;
    if (length > limit) break;
    end = next;
  }
  return name.substr(0, end);
}

// `name` shortened to the server's limit and made different from every name in `used`
// (compared case-insensitively) by a numeric suffix; the result is added to `used`.
std::string Generator::UniqueName(std::string name, std::set<std::string>& used) const {
  const size_t limit = d_.maxIdentifierLength ? d_.maxIdentifierLength : std::string::npos;
  std::string candidate = CutName(name, limit);
  for (int n = 2; used.count(Lower(candidate)); ++n) {
    std::string suffix = "_" + std::to_string(n);
    candidate = CutName(name, limit == std::string::npos ? limit : limit - suffix.size()) + suffix;
  }
  used.insert(Lower(candidate));
  return candidate;
}

void Generator::MapType(const dao::Field& f, Column& c) const {
  auto sized = [](std::string_view pattern, int n) { return Replace(pattern, "{n}", std::to_string(n)); };
  switch (f.Type()) {
    case dao::dbBoolean: c.type = d_.typeBoolean; break;
    case dao::dbByte: c.type = d_.typeByte; break;
    case dao::dbInteger: c.type = d_.typeInteger; break;
    case dao::dbLong: c.type = d_.typeLong; break;
    case dao::dbBigInt: c.type = d_.typeBigInt; break;
    case dao::dbCurrency: c.type = d_.typeCurrency; break;
    case dao::dbSingle: c.type = d_.typeSingle; break;
    case dao::dbDouble: c.type = d_.typeDouble; break;
    case dao::dbDate: c.type = d_.typeDate; break;
    case kTypeDateTimeExtended: c.type = d_.typeDateExtended; break;
    case dao::dbGUID: c.type = d_.typeGuid; c.bytes = 38 * static_cast<size_t>(d_.bytesPerChar); break;
    case dao::dbText: {
      int n = f.Size() > 0 ? f.Size() : 255;
      if (d_.maxVarcharLength && n > d_.maxVarcharLength) {
        c.type = d_.typeTextLong;
        c.longValue = true;
      } else {
        c.type = sized(d_.typeText, n);
        c.textLength = n;
        c.bytes = static_cast<size_t>(n) * static_cast<size_t>(d_.bytesPerChar) + 2;
      }
      break;
    }
    case dao::dbMemo: c.type = d_.typeMemo; c.longValue = true; break;
    case dao::dbBinary:
    case 17:  // fixed binary of system tables
      c.type = sized(d_.typeBinary, f.Size() > 0 ? f.Size() : 255);
      c.longValue = c.type == d_.typeLongBinary;
      c.bytes = static_cast<size_t>(f.Size() > 0 ? f.Size() : 255) + 2;
      break;
    case dao::dbLongBinary: c.type = d_.typeLongBinary; c.longValue = true; break;
    case dao::dbDecimal:
      c.type = SqlColumnType(d_, f.Type(), f.Size(), f.Precision(), f.Scale());
      // A scale of its own per value is held whole by the per-value type: nothing to check.
      if (f.Scale() != dao::FieldInfo::kScalePerValue) c.decimalScale = DeclaredScale(f.Precision(), f.Scale());
      break;
    default:
      // Attachments and multi-valued fields keep their values in a hidden table of their own.
      c.omitted = true;
      c.note = "campo " + Quote(f.Name()) + " (" + FieldTypeName(f.Type()) +
               ") omesso: i suoi valori stanno in una tabella nascosta di Access";
      return;
  }
  if (f.IsAutoNumber() && f.Type() == dao::dbLong) c.identity = true;
}

// A DEFAULT for the Access default-value expression, when it has one in SQL.
void Generator::MapDefault(const dao::Field& f, Column& c) const {
  if (f.IsAutoNumber() && f.Type() == dao::dbGUID) {
    if (!d_.guidDefault.empty()) c.defaultSql = d_.guidDefault;
    return;
  }
  std::string expr = f.DefaultValue();
  while (!expr.empty() && (expr.front() == ' ' || expr.front() == '=')) expr.erase(0, 1);
  while (!expr.empty() && expr.back() == ' ') expr.pop_back();
  const bool isBoolean = f.Type() == dao::dbBoolean;
  if (expr.empty()) {
    // A Yes/No field of Access is never Null: No unless set.
    if (isBoolean) c.defaultSql = d_.literalFalse;
    return;
  }
  if (c.identity || c.omitted) return;
  const int t = f.Type();
  const bool isText = t == dao::dbText || t == dao::dbMemo;
  const bool isNumber = t == dao::dbByte || t == dao::dbInteger || t == dao::dbLong ||
                        t == dao::dbBigInt || t == dao::dbCurrency || t == dao::dbSingle ||
                        t == dao::dbDouble || t == dao::dbDecimal;
  const bool isDate = t == dao::dbDate || t == kTypeDateTimeExtended;
  const std::string word = Lower(expr);

  auto isNumeric = [](const std::string& s) {
    size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0, digits = 0, dots = 0;
    for (; i < s.size(); ++i) {
      if (s[i] >= '0' && s[i] <= '9') ++digits;
      else if (s[i] == '.' && ++dots == 1) continue;
      else return false;
    }
    return digits > 0;
  };
  std::optional<std::string> sql;
  if (isNumeric(expr)) {
    if (isNumber) sql = expr[0] == '+' ? expr.substr(1) : expr;
    else if (isBoolean) sql = std::string(std::stod(expr) != 0 ? d_.literalTrue : d_.literalFalse);
    else if (isText) sql = Literal(expr);
  } else if (expr.size() >= 2 && (expr.front() == '"' || expr.front() == '\'') &&
             expr.back() == expr.front()) {
    // A string constant; the quote character is doubled inside.
    const char q = expr.front();
    std::string text;
    bool ok = true;
    for (size_t i = 1; i + 1 < expr.size(); ++i) {
      if (expr[i] == q) {
        if (i + 2 < expr.size() && expr[i + 1] == q) ++i;
        else { ok = false; break; }
      }
      text += expr[i];
    }
    if (ok && isText) sql = Literal(text);
  } else if (isBoolean && (word == "yes" || word == "true" || word == "on" || word == "sì")) {
    sql = std::string(d_.literalTrue);
  } else if (isBoolean && (word == "no" || word == "false" || word == "off")) {
    sql = std::string(d_.literalFalse);
  } else if (isDate && (word == "now()" || word == "now")) {
    sql = std::string(d_.currentTimestamp);
  } else if (isDate && (word == "date()" || word == "date")) {
    sql = std::string(d_.currentDate);
  } else if (t == dao::dbGUID && word == "genguid()" && !d_.guidDefault.empty()) {
    sql = std::string(d_.guidDefault);
  }
  if (sql && c.longValue && !d_.longColumnDefaults) sql.reset();
  if (sql) {
    c.defaultSql = *sql;
  } else {
    c.note = "valore predefinito di " + Quote(f.Name()) + " in Access non tradotto: " + OneLine(expr);
  }
}

std::string TextOf(const dao::Properties& props, const char* name) {
  const dao::Property* p = FindProperty(props, name);
  if (!p) return {};
  if (const auto* s = std::get_if<std::string>(&p->Value())) return *s;
  return {};
}

std::string DescriptionOf(const dao::Properties& props) { return TextOf(props, "Description"); }




// Where the server limits the declared size of a row, turns the widest Text columns that no
// index uses into long text until the row fits; a comment says so.
void Generator::FitRow(TableDef& t) const {
  if (!d_.rowLimitBytes && !d_.inlineRowLimitBytes) return;
  auto sizes = [&] {
    size_t declared = 0, inPage = 0;
    for (const Column& c : t.columns) {
      if (c.omitted) continue;
      if (c.longValue) {
        declared += d_.longColumnBytes;
        inPage += d_.offPageBytes;
      } else {
        declared += c.bytes;
        inPage += c.bytes > d_.offPageAboveBytes ? d_.offPageBytes : c.bytes;
      }
    }
    return std::pair{declared, inPage};
  };
  auto indexed = [&](const Column& c) {
    for (const auto& ix : t.indexes)
      for (const auto& k : ix.columns)
        if (Lower(k) == Lower(c.name)) return true;
    return false;
  };
  for (auto [declared, inPage] = sizes();
       (d_.rowLimitBytes && declared > d_.rowLimitBytes) ||
       (d_.inlineRowLimitBytes && inPage > d_.inlineRowLimitBytes);
       std::tie(declared, inPage) = sizes()) {
    Column* widest = nullptr;
    for (Column& c : t.columns)
      if (!c.omitted && !c.longValue && c.textLength > 0 && !indexed(c) &&
          (!widest || c.textLength > widest->textLength))
        widest = &c;
    if (!widest) return;  // the server will say the row is too large
    widest->note = Quote(widest->name) + ": " + std::string(d_.typeTextLong) + " invece di " +
                   widest->type + ", perché la riga supererebbe i limiti del server";
    widest->type = d_.typeTextLong;
    widest->longValue = true;
    if (!widest->defaultSql.empty() && !d_.longColumnDefaults) {
      widest->note += "; valore predefinito omesso: " + widest->defaultSql;
      widest->defaultSql.clear();
    }
  }
}

// The condition `e` as a CHECK on table `t`, or nullopt when it has no SQL form here.
std::optional<Check> Generator::Condition(const TableDef& t, const Expr* e) const {
  if (!e) return std::nullopt;
  Check check;
  SqlContext context{
      d_,
      [&](const std::string& field) -> std::optional<ValueKind> {
        const Column* c = t.Find(field);
        if (!c || c->omitted || c->identity) return std::nullopt;
        check.columns.push_back(c->name);
        return c->kind;
      },
      [&](const std::string& field) { return Quote(t.Find(field)->name); },
      [&](const std::string& text) { return Literal(text); }};
  auto sql = ConditionSql(*e, context);
  if (!sql) return std::nullopt;
  check.sql = *sql;
  return check;
}

// The validation rules of the table and its fields as CHECK constraints where they translate,
// as comments where they do not; Required text that Access keeps from being "" too.
void Generator::AddChecks(TableDef& t) const {
  auto add = [&](const std::string& owner, const std::string& rule, const std::string& message,
                 std::optional<Check> check) {
    if (check) {
      if (!message.empty()) check->comment = "messaggio di Access: " + OneLine(message);
      t.checks.push_back(std::move(*check));
    } else {
      t.checks.push_back({"", "regola di convalida di " + owner + " in Access non tradotta: " + OneLine(rule), {}});
    }
  };
  for (const Column& c : t.columns) {
    if (c.omitted) continue;
    if (c.noEmptyText)
      t.checks.push_back({Quote(c.name) + " <> ''", Quote(c.name) + ": obbligatorio, stringa vuota non ammessa",
                          {c.name}});
    if (!c.rule.empty())
      add(Quote(c.name), c.rule, c.ruleText, Condition(t, ParseFieldRule(c.rule, c.name).get()));
  }
  if (!t.rule.empty())
    add(Quote(t.name), t.rule, t.ruleText, Condition(t, ParseRuleExpression(t.rule).get()));
}

void Generator::ReadTables() {
  std::map<std::string, std::string> tableNames;
  const auto& defs = db_.TableDefs();
  for (int i = 0; i < defs.Count(); ++i) {
    const dao::TableDef& def = defs.Item(i);
    if (def.IsSystem()) continue;
    // Only the chosen tables are written, and only their names must suit the server.
    if (!options_.tables.empty() &&
        std::none_of(options_.tables.begin(), options_.tables.end(),
                     [&](const std::string& n) { return Lower(n) == Lower(def.Name()); }))
      continue;
    if (def.IsLinked()) {
      std::string connect = def.Connect().empty() ? def.Info().linkSource : def.Connect();
      if (!options_.showSecrets) connect = MaskConnectSecrets(connect);
      std::string line = "tabella collegata " + Quote(def.Name()) + " non creata: origine " +
                         OneLine(connect);
      if (!def.SourceTableName().empty()) line += " (" + OneLine(def.SourceTableName()) + ")";
      linkedNotes_.push_back(line);
      continue;
    }
    CheckName("tabella", "", def.Name(), tableNames);
    TableDef t;
    t.name = def.Name();
    t.description = DescriptionOf(def.Properties());
    auto rs = db_.OpenRecordset(def.Name(), dao::dbOpenTable);
    std::map<std::string, std::string> columnNames;
    for (const dao::Field& f : rs->Fields()) {
      Column c;
      c.name = f.Name();
      MapType(f, c);
      if (!c.omitted) {
        CheckName("colonna", t.name, c.name, columnNames);
        c.notNull = f.Required();
        c.description = DescriptionOf(f.Properties());
        c.kind = FieldValueKind(f.Type());
        c.rule = f.ValidationRule();
        c.ruleText = f.ValidationText();
        c.noEmptyText = (f.Type() == dao::dbText || f.Type() == dao::dbMemo) && f.Required() &&
                        !f.AllowZeroLength();
        for (const auto& [property, word] : {std::pair{"Caption", "didascalia"}, {"Format", "formato"}}) {
          const std::string value = TextOf(f.Properties(), property);
          if (!value.empty()) c.shown += std::string(c.shown.empty() ? "" : ", ") + word + " " + Literal(value);
        }
      }
      for (const RequiredGap& g : options_.requiredGaps) {
        if (c.omitted || Lower(g.table) != Lower(t.name) || Lower(g.column) != Lower(c.name)) continue;
        if (g.nulls > 0 && c.notNull) {
          c.notNull = false;
          c.gapNote = Quote(c.name) + ": obbligatorio in Access, ma " + std::to_string(g.nulls) +
                      (g.nulls == 1 ? " riga è senza valore (Null)" : " righe sono senza valore (Null)") +
                      ": creato senza NOT NULL";
        }
        if (g.empties > 0 && c.noEmptyText) {
          c.noEmptyText = false;
          c.gapNote += std::string(c.gapNote.empty() ? Quote(c.name) + ": obbligatorio in Access, ma " : "; ") +
                       std::to_string(g.empties) +
                       (g.empties == 1 ? " riga ha la stringa vuota" : " righe hanno la stringa vuota") +
                       ": creato senza il vincolo <> ''";
        }
      }
      MapDefault(f, c);
      if (f.Type() == dao::dbBoolean) c.notNull = true;
      t.columns.push_back(std::move(c));
    }
    for (const dao::Index& ix : rs->Indexes()) {
      IndexDef x;
      x.name = ix.Name();
      x.primary = ix.Primary();
      x.unique = ix.Unique() || ix.Primary();
      for (const auto& k : ix.Fields()) {
        x.columns.push_back(k.Name());
        x.descending.push_back(k.Descending());
      }
      t.indexes.push_back(std::move(x));
    }
    rs->Close();
    t.rule = TextOf(def.Properties(), "ValidationRule");
    t.ruleText = TextOf(def.Properties(), "ValidationText");
    FitRow(t);
    AddChecks(t);
    tables_.push_back(std::move(t));
  }
  for (const std::string& wanted : options_.tables)
    if (std::none_of(tables_.begin(), tables_.end(),
                     [&](const TableDef& t) { return Lower(t.name) == Lower(wanted); }))
      throw DdlError("tabella sconosciuta o non locale: \"" + wanted + "\"");
}

void Generator::ReadRelations() {
  auto findTable = [&](const std::string& name) -> std::optional<size_t> {
    for (size_t i = 0; i < tables_.size(); ++i)
      if (Lower(tables_[i].name) == Lower(name)) return i;
    return std::nullopt;
  };
  std::set<std::string> perTable;  // constraint names when they are per table (made unique anyway)
  for (const dao::Relation& r : db_.Relations()) {
    std::vector<std::string> parentCols, childCols;
    for (const auto& f : r.Fields()) {
      parentCols.push_back(f.Name());
      childCols.push_back(f.ForeignName());
    }
    auto quoteList = [&](const std::vector<std::string>& cols) {
      std::string s;
      for (const auto& c : cols) s += (s.empty() ? "" : ", ") + Quote(c);
      return s;
    };
    auto parent = findTable(r.Table());
    auto child = findTable(r.ForeignTable());
    // With a choice of tables, a relation reaching outside it is not written, not even as a note.
    if (!options_.tables.empty() && (!parent || !child)) continue;
    std::string text = "relazione " + Quote(r.Name()) + ": " + Quote(r.ForeignTable()) + " (" +
                       quoteList(childCols) + ") -> " + Quote(r.Table()) + " (" +
                       quoteList(parentCols) + ")";
    if (!parent || !child) {
      relationNotes_.push_back(text + ", con una tabella di sistema, collegata o assente");
      continue;
    }
    if (r.Attributes() & dao::dbRelationDontEnforce) {
      relationNotes_.push_back(text + ", integrità referenziale non applicata in Access");
      continue;
    }
    const TableDef& pt = tables_[*parent];
    const TableDef& ct = tables_[*child];
    bool columnsOk = !parentCols.empty();
    for (size_t i = 0; i < parentCols.size() && columnsOk; ++i) {
      const Column* pc = pt.Find(parentCols[i]);
      const Column* cc = ct.Find(childCols[i]);
      if (!pc || !cc || pc->omitted || cc->omitted) {
        columnsOk = false;
      } else {
        parentCols[i] = pc->name;
        childCols[i] = cc->name;
      }
    }
    if (!columnsOk) {
      relationNotes_.push_back(text + ", con campi che non esistono nelle tabelle");
      continue;
    }
    // The referenced columns must be exactly those of a primary key or unique index.
    std::set<std::string> wanted;
    for (const auto& c : parentCols) wanted.insert(Lower(c));
    bool keyed = false;
    for (const auto& ix : pt.indexes) {
      if (!ix.unique) continue;
      std::set<std::string> have;
      for (const auto& c : ix.columns) have.insert(Lower(c));
      if (have == wanted) keyed = true;
    }
    if (!keyed) {
      relationNotes_.push_back(text + ", senza una chiave univoca su quei campi di " +
                               Quote(pt.name));
      continue;
    }
    ForeignKey fk;
    fk.name = UniqueName(r.Name(), d_.constraintNamesPerSchema ? schemaNames_ : perTable);
    fk.parent = *parent;
    fk.child = *child;
    fk.parentColumns = parentCols;
    fk.childColumns = childCols;
    if (r.Attributes() & dao::dbRelationUpdateCascade) fk.actions += " ON UPDATE CASCADE";
    if (r.Attributes() & dao::dbRelationDeleteCascade) fk.actions += " ON DELETE CASCADE";
    else if (r.Attributes() & kRelationDeleteSetNull) fk.actions += " ON DELETE SET NULL";
    keys_.push_back(std::move(fk));
  }
}

// Every table after the tables its foreign keys point to, in collection order where there is a
// choice; a table in a cycle is taken when nothing else can be, and its keys towards tables not
// yet created are added at the end (unless the server takes forward references).
void Generator::OrderTables() {
  std::vector<bool> done(tables_.size(), false);
  auto ready = [&](size_t t) {
    for (const auto& fk : keys_)
      if (fk.child == t && fk.parent != t && !done[fk.parent]) return false;
    return true;
  };
  while (order_.size() < tables_.size()) {
    std::optional<size_t> next;
    for (size_t t = 0; t < tables_.size() && !next; ++t)
      if (!done[t] && ready(t)) next = t;
    if (!next)
      for (size_t t = 0; t < tables_.size() && !next; ++t)
        if (!done[t]) next = t;
    done[*next] = true;
    order_.push_back(*next);
  }
}

bool Generator::RowidAlias(const TableDef& t, const Column& c) const {
  if (d_.identity != IdentityStyle::kRowidAlias || !c.identity) return false;
  for (const auto& ix : t.indexes)
    if (ix.primary) return ix.columns.size() == 1 && Lower(ix.columns[0]) == Lower(c.name);
  return false;
}

std::string Generator::KeyList(const TableDef& t, const std::vector<std::string>& columns,
                               const std::vector<bool>& descending) const {
  std::string s;
  for (size_t i = 0; i < columns.size(); ++i) {
    const Column* c = t.Find(columns[i]);
    s += (i ? ", " : "") + Quote(c ? c->name : columns[i]);
    if (c && c->longValue && d_.longColumnIndexPrefix)
      s += "(" + std::to_string(d_.longColumnIndexPrefix) + ")";
    if (d_.descendingIndexes && i < descending.size() && descending[i]) s += " DESC";
  }
  return s;
}

std::string Generator::ForeignKeyClause(const ForeignKey& fk) const {
  std::string s = "CONSTRAINT " + Quote(fk.name) + " FOREIGN KEY (";
  for (size_t i = 0; i < fk.childColumns.size(); ++i) s += (i ? ", " : "") + Quote(fk.childColumns[i]);
  s += ") REFERENCES " + Quote(tables_[fk.parent].name) + " (";
  for (size_t i = 0; i < fk.parentColumns.size(); ++i)
    s += (i ? ", " : "") + Quote(fk.parentColumns[i]);
  return s + ")" + fk.actions;
}

void Generator::WriteTable(const TableDef& t, const std::vector<const ForeignKey*>& inlineKeys,
                           std::ostream& os, std::ostream& indexes) {
  std::vector<std::string> items;     // the comma-separated parts
  std::vector<std::string> before;    // comment lines before each part
  std::vector<std::string> trailing;  // comment lines after the last part
  if (!t.description.empty() && d_.comments == CommentStyle::kLineComment)
    os << "-- " << OneLine(t.description) << '\n';
  os << "CREATE TABLE " << Quote(t.name) << " (\n";

  const IndexDef* primary = nullptr;
  for (const auto& ix : t.indexes)
    if (ix.primary) primary = &ix;
  bool rowidKey = false;
  std::string pending;  // comments waiting for the next part
  for (const Column& c : t.columns) {
    if (!c.note.empty()) pending += "  -- " + c.note + "\n";
    if (c.omitted) continue;
    if (!c.description.empty() && d_.comments == CommentStyle::kLineComment)
      pending += "  -- " + Quote(c.name) + ": " + OneLine(c.description) + "\n";
    if (!c.shown.empty()) pending += "  -- " + Quote(c.name) + " in Access: " + OneLine(c.shown) + "\n";
    if (!c.gapNote.empty()) pending += "  -- " + c.gapNote + "\n";
    std::string def = Quote(c.name) + " " + c.type;
    if (RowidAlias(t, c)) {
      def = Quote(c.name) + " INTEGER PRIMARY KEY AUTOINCREMENT";
      rowidKey = true;
    } else if (c.identity && d_.identity == IdentityStyle::kColumnSuffix) {
      def += " " + std::string(d_.identitySuffix);
    } else if (c.identity && d_.identity == IdentityStyle::kRowidAlias) {
      pending += "  -- " + Quote(c.name) + ": numerazione automatica in Access\n";
    }
    if (c.notNull || (c.identity && d_.identity == IdentityStyle::kAutoIncrement)) def += " NOT NULL";
    if (!c.defaultSql.empty() && !c.identity) def += " DEFAULT " + c.defaultSql;
    if (c.identity && d_.identity == IdentityStyle::kAutoIncrement) def += " " + std::string(d_.identitySuffix);
    if (!c.description.empty() && d_.comments == CommentStyle::kInline)
      def += " COMMENT " + Literal(c.description);
    before.push_back(pending);
    pending.clear();
    items.push_back(def);
  }
  if (primary && !rowidKey) {
    before.push_back(pending);
    pending.clear();
    items.push_back("PRIMARY KEY (" + KeyList(t, primary->columns, {}) + ")");
  }
  // The indexes other than the primary key, each once: an index with the same keys as one
  // already written (Access keeps one for each relation) adds nothing. Their names are chosen
  // here, where the server keeps index names per table, among the names the table already has.
  std::set<std::string> written;
  auto signature = [&](const IndexDef& ix) {
    std::string s = ix.unique ? "u" : "n";
    for (size_t i = 0; i < ix.columns.size(); ++i)
      s += "|" + Lower(ix.columns[i]) + (i < ix.descending.size() && ix.descending[i] ? "-" : "+");
    return s;
  };
  if (primary) written.insert(signature(*primary));
  std::set<std::string> tableIndexNames = {"primary"};
  // Where the server creates an index for a foreign key under the constraint's name, that name
  // is taken too.
  for (const auto& fk : keys_)
    if (&tables_[fk.child] == &t) tableIndexNames.insert(Lower(fk.name));
  auto indexName = [&](const std::string& name) {
    return d_.indexNamesPerSchema ? UniqueName(t.name + "_" + name, schemaNames_)
                                  : UniqueName(name, tableIndexNames);
  };
  std::vector<const IndexDef*> others;
  std::vector<std::string> omitted;  // comment lines for indexes on columns not created
  for (const auto& ix : t.indexes) {
    if (ix.primary || ix.columns.empty()) continue;
    bool usable = true;
    for (const auto& col : ix.columns) {
      const Column* c = t.Find(col);
      if (!c || c->omitted) usable = false;
    }
    if (!usable) omitted.push_back("-- indice " + Quote(ix.name) + " omesso: usa un campo non creato\n");
    else if (written.insert(signature(ix)).second) others.push_back(&ix);
  }

  // An AUTO_INCREMENT column must lead a key of the CREATE TABLE itself: the primary key, else the
  // first other index it leads (written there instead of after the table), else a key of its own.
  if (d_.identity == IdentityStyle::kAutoIncrement) {
    for (const Column& c : t.columns) {
      if (!c.identity) continue;
      auto leads = [&](const IndexDef& ix) { return Lower(ix.columns.at(0)) == Lower(c.name); };
      if (primary && !primary->columns.empty() && leads(*primary)) continue;
      before.push_back(pending);
      pending.clear();
      auto lead = std::find_if(others.begin(), others.end(), [&](const IndexDef* ix) { return leads(*ix); });
      if (lead != others.end()) {
        items.push_back(std::string((*lead)->unique ? "UNIQUE KEY " : "KEY ") + Quote(indexName((*lead)->name)) +
                        " (" + KeyList(t, (*lead)->columns, (*lead)->descending) + ")");
        others.erase(lead);
      } else {
        items.push_back("KEY " + Quote(indexName(c.name)) + " (" + Quote(c.name) + ")");
      }
    }
  }
  for (const ForeignKey* fk : inlineKeys) {
    before.push_back(pending);
    pending.clear();
    items.push_back(ForeignKeyClause(*fk));
  }
  // Validation rules. Where the server keeps a CHECK off columns that a foreign key's action
  // changes, such a rule stays a comment.
  std::set<std::string> cascaded;
  if (!d_.checkOnCascadedColumns)
    for (const auto& fk : keys_)
      if (&tables_[fk.child] == &t && (fk.actions.find("UPDATE CASCADE") != std::string::npos ||
                                       fk.actions.find("SET NULL") != std::string::npos))
        for (const auto& c : fk.childColumns) cascaded.insert(Lower(c));
  for (const Check& check : t.checks) {
    if (!check.comment.empty()) pending += "  -- " + check.comment + "\n";
    if (check.sql.empty()) continue;
    bool blocked = false;
    for (const auto& c : check.columns) blocked = blocked || cascaded.count(Lower(c));
    if (blocked) {
      pending += "  -- CHECK (" + check.sql + ") omesso: il campo cambia con una chiave esterna\n";
      continue;
    }
    before.push_back(pending);
    pending.clear();
    items.push_back("CHECK (" + check.sql + ")");
  }
  for (size_t i = 0; i < items.size(); ++i) {
    os << before[i] << "  " << items[i] << (i + 1 < items.size() ? "," : "") << '\n';
  }
  os << pending << ")" << d_.tableSuffix;
  if (!t.description.empty() && d_.comments == CommentStyle::kInline)
    os << " COMMENT=" << Literal(t.description);
  os << ";\n";

  if (d_.comments == CommentStyle::kCommentOn) {
    if (!t.description.empty())
      os << "COMMENT ON TABLE " << Quote(t.name) << " IS " << Literal(t.description) << ";\n";
    for (const Column& c : t.columns)
      if (!c.omitted && !c.description.empty())
        os << "COMMENT ON COLUMN " << Quote(t.name) << "." << Quote(c.name) << " IS "
             << Literal(c.description) << ";\n";
  }

  for (const std::string& line : omitted) indexes << line;
  for (const IndexDef* ix : others)
    indexes << "CREATE " << (ix->unique ? "UNIQUE " : "") << "INDEX " << Quote(indexName(ix->name)) << " ON "
            << Quote(t.name) << " (" << KeyList(t, ix->columns, ix->descending) << ");\n";
  os << '\n';
}

void Generator::Prepare() {
  ReadTables();
  ReadRelations();
  OrderTables();
}

DdlParts Generator::Parts() {
  Prepare();
  DdlParts parts;
  std::ostringstream header;
  header << "-- " << OneLine(db_.Name()) << " (" << db_.Format() << "): struttura per " << d_.name
         << ", scritta da tavrek-dump\n";
  for (const auto& note : linkedNotes_) header << "-- " << note << '\n';
  parts.header = header.str();
  std::ostringstream keys;
  for (size_t t : order_) {
    std::vector<const ForeignKey*> inlineKeys;
    for (const auto& fk : keys_) {
      if (fk.child != t) continue;
      if (d_.alterAddsForeignKeys)
        keys << "ALTER TABLE " << Quote(tables_[fk.child].name) << " ADD " << ForeignKeyClause(fk)
             << ";\n";
      else
        inlineKeys.push_back(&fk);
    }
    std::ostringstream create, indexes;
    WriteTable(tables_[t], inlineKeys, create, indexes);
    DdlTable part;
    part.name = tables_[t].name;
    part.create = create.str();
    part.indexes = indexes.str();
    for (const Column& c : tables_[t].columns) {
      if (c.identity && !c.omitted) part.identity = c.name;
      if (!c.omitted && (c.notNull || c.identity || RowidAlias(tables_[t], c))) part.notNull.push_back(c.name);
      if (!c.omitted && c.decimalScale >= 0) part.decimalScales.emplace_back(c.name, c.decimalScale);
    }
    for (const auto& ix : tables_[t].indexes) {
      if (!ix.primary) continue;
      for (const auto& k : ix.columns) {
        const Column* c = tables_[t].Find(k);
        part.primaryKey.push_back(c ? c->name : k);
        part.primaryKeyTypes.push_back(c ? (RowidAlias(tables_[t], *c) ? "INTEGER" : c->type) : "");
      }
    }
    parts.tables.push_back(std::move(part));
  }
  parts.foreignKeys = keys.str();
  std::ostringstream notes;
  for (const auto& note : relationNotes_) notes << "-- " << OneLine(note) << '\n';
  parts.notes = notes.str();
  if (options_.views && options_.tables.empty()) parts.views = WriteViews(TranslateQueries(db_, d_));
  return parts;
}

std::string Generator::Run() {
  Prepare();

  out_ << "-- " << OneLine(db_.Name()) << " (" << db_.Format() << "): struttura per " << d_.name
       << ", scritta da tavrek-dump\n";
  for (const auto& note : linkedNotes_) out_ << "-- " << note << '\n';
  out_ << d_.preamble;
  if (d_.transactionalDdl) out_ << "BEGIN;\n";
  out_ << '\n';

  std::vector<bool> created(tables_.size(), false);
  for (size_t t : order_) {
    std::vector<const ForeignKey*> inlineKeys;
    for (const auto& fk : keys_) {
      if (fk.child != t) continue;
      if (fk.parent == t || created[fk.parent] || d_.forwardReferences) inlineKeys.push_back(&fk);
      else deferred_.push_back(&fk);
    }
    WriteTable(tables_[t], inlineKeys, out_, out_);
    created[t] = true;
  }
  for (const ForeignKey* fk : deferred_)
    out_ << "ALTER TABLE " << Quote(tables_[fk->child].name) << " ADD " << ForeignKeyClause(*fk)
         << ";\n";
  if (!deferred_.empty()) out_ << '\n';
  for (const auto& note : relationNotes_) out_ << "-- " << OneLine(note) << '\n';
  if (!relationNotes_.empty()) out_ << '\n';
  if (options_.views) out_ << WriteViews(TranslateQueries(db_, d_));
  if (d_.transactionalDdl) out_ << "COMMIT;\n";
  return out_.str();
}

}  // namespace

std::string WriteDdl(dao::Database& db, const SqlDialect& dialect, const DdlOptions& options) {
  Generator g(db, dialect, options);
  return g.Run();
}

DdlParts WriteDdlParts(dao::Database& db, const SqlDialect& dialect, const DdlOptions& options) {
  Generator g(db, dialect, options);
  return g.Parts();
}

std::string QuoteLiteral(const SqlDialect& d, std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    if (c == '\\' && d.backslashEscapes) out += '\\';
    out += c;
  }
  return out + "'";
}

std::string QuoteIdentifier(const SqlDialect& d, std::string_view name) {
  if (d.identifiersInBmpOnly)
    for (char c : name)
      if ((static_cast<unsigned char>(c) & 0xF8) == 0xF0)  // lead byte of a four-byte character
        throw DdlError("nome non accettato da " + std::string(d.name) + ": \"" + std::string(name) +
                       "\" contiene caratteri oltre U+FFFF (emoji e simili)");
  std::string out(1, d.quoteOpen);
  for (char c : name) {
    out += c;
    if (c == d.quoteClose) out += c;
  }
  out += d.quoteClose;
  return out;
}

std::string SqlColumnType(const SqlDialect& d, int type, int size, int precision, int scale) {
  auto sized = [](std::string_view pattern, int n) { return Replace(pattern, "{n}", std::to_string(n)); };
  switch (type) {
    case dao::dbBoolean: return std::string(d.typeBoolean);
    case dao::dbByte: return std::string(d.typeByte);
    case dao::dbInteger: return std::string(d.typeInteger);
    case dao::dbLong: return std::string(d.typeLong);
    case dao::dbBigInt: return std::string(d.typeBigInt);
    case dao::dbCurrency: return std::string(d.typeCurrency);
    case dao::dbSingle: return std::string(d.typeSingle);
    case dao::dbDouble: return std::string(d.typeDouble);
    case dao::dbDate: return std::string(d.typeDate);
    case kTypeDateTimeExtended: return std::string(d.typeDateExtended);
    case dao::dbGUID: return std::string(d.typeGuid);
    case dao::dbText: {
      const int n = size > 0 ? size : 255;
      return d.maxVarcharLength && n > d.maxVarcharLength ? std::string(d.typeTextLong)
                                                          : sized(d.typeText, n);
    }
    case dao::dbMemo: return std::string(d.typeMemo);
    case dao::dbBinary: return sized(d.typeBinary, size > 0 ? size : 255);
    case dao::dbLongBinary: return std::string(d.typeLongBinary);
    case dao::dbDecimal: {
      if (scale == dao::FieldInfo::kScalePerValue) return std::string(d.typeDecimalPerValue);
      const int p = DeclaredPrecision(precision);
      return Replace(Replace(d.typeDecimal, "{p}", std::to_string(p)), "{s}",
                     std::to_string(DeclaredScale(precision, scale)));
    }
    default: return {};
  }
}

}  // namespace tavrek::doc
