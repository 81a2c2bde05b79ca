#include "documenter/diff.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "documenter/json.h"
#include "documenter/names.h"
#include "documenter/secrets.h"
#include "engine/catalogue/name_compare.h"

namespace tavrek::doc {

namespace {

std::string Lower(std::string_view s) { return engine::FoldName(s); }

// The names of the bits set in `value`, joined by " + "; bits without a name in hexadecimal.
std::string BitNames(int32_t value, std::initializer_list<std::pair<int32_t, const char*>> names) {
  std::string out;
  uint32_t rest = static_cast<uint32_t>(value);
  for (const auto& [bit, name] : names) {
    if (!(rest & static_cast<uint32_t>(bit))) continue;
    out += (out.empty() ? "" : " + ") + std::string(name);
    rest &= ~static_cast<uint32_t>(bit);
  }
  if (rest) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", rest);
    out += (out.empty() ? "" : " + ") + std::string(hex);
  }
  return out.empty() ? "0" : out;
}

std::string FieldAttributeNames(int32_t a) {
  return BitNames(a, {{dao::dbFixedField, "dbFixedField"}, {dao::dbVariableField, "dbVariableField"},
                      {dao::dbAutoIncrField, "dbAutoIncrField"}, {dao::dbUpdatableField, "dbUpdatableField"},
                      {dao::dbSystemField, "dbSystemField"}, {dao::dbHyperlinkField, "dbHyperlinkField"}});
}

std::string RelationAttributeNames(int32_t a) {
  return BitNames(a, {{dao::dbRelationUnique, "dbRelationUnique"},
                      {dao::dbRelationDontEnforce, "dbRelationDontEnforce"},
                      {dao::dbRelationInherited, "dbRelationInherited"},
                      {dao::dbRelationUpdateCascade, "dbRelationUpdateCascade"},
                      {dao::dbRelationDeleteCascade, "dbRelationDeleteCascade"},
                      {0x2000, "dbRelationDeleteSetNull"},
                      {dao::dbRelationLeft, "dbRelationLeft"},
                      {dao::dbRelationRight, "dbRelationRight"}});
}

// A name Access made up: it holds a GUID, braced or as 32 hexadecimal digits.
bool GeneratedName(const std::string& name) {
  size_t run = 0;
  for (char c : name) {
    if (std::isxdigit(static_cast<unsigned char>(c))) {
      if (++run >= 32) return true;
    } else if (c != '-') {
      run = 0;
    }
  }
  return false;
}

std::string Hex(const std::vector<uint8_t>& data) {
  static const char* digits = "0123456789abcdef";
  std::string out = "0x";
  for (uint8_t b : data) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string ValueText(const dao::PropertyValue& v) {
  struct Visitor {
    std::string operator()(std::monostate) const { return "Null"; }
    std::string operator()(bool b) const { return b ? "True" : "False"; }
    std::string operator()(int64_t n) const { return std::to_string(n); }
    std::string operator()(double d) const {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.17g", d);
      return buf;
    }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(const dao::DateTime& d) const { return d.Iso(); }
    std::string operator()(const dao::Bytes& b) const { return Hex(b.data); }
  };
  return std::visit(Visitor{}, v);
}

// A named set of values of one object: what is compared, property by property, in order.
using Values = std::vector<std::pair<std::string, std::string>>;

// One object as compared: its name and its values.
struct Item {
  std::string name;
  Values values;
};

// The stored properties that describe the object. Binary ones (the GUID that identifies a table,
// the NameMap of its column identities) change whenever an object is recreated, whatever its
// structure, so they are left out.
void AddProperties(Values& v, const dao::Properties& props) {
  for (const auto& p : props)
    if (!std::holds_alternative<dao::Bytes>(p.Value()))
      v.emplace_back("property:" + p.Name(), ValueText(p.Value()));
}

std::string YesNo(bool b) { return b ? "True" : "False"; }

struct TableSnapshot {
  Item table;
  std::vector<Item> fields, indexes;
};

struct Snapshot {
  std::vector<TableSnapshot> tables;
  std::vector<Item> relations, queries;
};

Snapshot Take(dao::Database& db, const DiffOptions& o) {
  Snapshot s;
  for (const dao::TableDef& def : db.TableDefs()) {
    if (def.IsSystem()) continue;
    TableSnapshot t;
    t.table.name = def.Name();
    Values& v = t.table.values;
    v.emplace_back("linked", YesNo(def.IsLinked()));
    if (def.IsLinked()) {
      std::string connect = def.Connect().empty() ? def.Info().linkSource : def.Connect();
      v.emplace_back("connect", o.showSecrets ? connect : MaskConnectSecrets(connect));
      v.emplace_back("sourceTableName", def.SourceTableName());
    }
    if (o.counts) {
      v.emplace_back("dateCreated", def.DateCreated().Iso());
      v.emplace_back("lastUpdated", def.LastUpdated().Iso());
    }
    AddProperties(v, def.Properties());
    if (!def.IsLinked()) {
      auto rs = db.OpenRecordset(def.Name(), dao::dbOpenTable);
      if (o.counts) v.emplace_back("recordCount", std::to_string(rs->RecordCount()));
      for (const dao::Field& f : rs->Fields()) {
        Item fi{f.Name(), {}};
        fi.values = {{"type", FieldTypeName(f.Type())},
                     {"size", std::to_string(f.Size())},
                     {"attributes", FieldAttributeNames(f.Attributes())},
                     {"required", YesNo(f.Required())},
                     {"allowZeroLength", YesNo(f.AllowZeroLength())},
                     {"defaultValue", f.DefaultValue()},
                     {"validationRule", f.ValidationRule()},
                     {"validationText", f.ValidationText()}};
        if (f.Type() == dao::dbDecimal) {
          fi.values.emplace_back("precision", std::to_string(f.Precision()));
          fi.values.emplace_back("scale", DecimalScaleText(f.Scale()));
        }
        AddProperties(fi.values, f.Properties());
        t.fields.push_back(std::move(fi));
      }
      for (const dao::Index& ix : rs->Indexes()) {
        Item ii{ix.Name(), {}};
        std::string keys;
        for (const auto& k : ix.Fields())
          keys += (keys.empty() ? "" : ", ") + k.Name() + (k.Descending() ? " DESC" : "");
        ii.values = {{"fields", keys},
                     {"primary", YesNo(ix.Primary())},
                     {"unique", YesNo(ix.Unique())},
                     {"ignoreNulls", YesNo(ix.IgnoreNulls())},
                     {"required", YesNo(ix.Required())},
                     {"foreign", YesNo(ix.Foreign())}};
        t.indexes.push_back(std::move(ii));
      }
      rs->Close();
    }
    s.tables.push_back(std::move(t));
  }
  std::set<std::string> system;
  for (const dao::TableDef& def : db.TableDefs())
    if (def.IsSystem()) system.insert(Lower(def.Name()));
  for (const dao::Relation& r : db.Relations()) {
    if (!o.system && (system.count(Lower(r.Table())) || system.count(Lower(r.ForeignTable())))) continue;
    std::string pairs;
    for (const auto& f : r.Fields())
      pairs += (pairs.empty() ? "" : ", ") + f.ForeignName() + " -> " + f.Name();
    s.relations.push_back({r.Name(),
                           {{"table", r.Table()},
                            {"foreignTable", r.ForeignTable()},
                            {"fields", pairs},
                            {"attributes", RelationAttributeNames(r.Attributes())}}});
  }
  for (const dao::QueryDef& q : db.QueryDefs()) {
    Item qi{q.Name(), {{"type", std::to_string(q.Type())}, {"sql", q.SQL()}}};
    std::string params;
    for (const auto& p : q.Parameters())
      params += (params.empty() ? "" : ", ") + p.Name() + " " + FieldTypeName(p.Type());
    qi.values.emplace_back("parameters", params);
    if (o.counts) {
      qi.values.emplace_back("dateCreated", q.DateCreated().Iso());
      qi.values.emplace_back("lastUpdated", q.LastUpdated().Iso());
    }
    AddProperties(qi.values, q.Properties());
    s.queries.push_back(std::move(qi));
  }
  return s;
}

// Compares the values of one object present in both.
void CompareValues(const std::string& kind, const std::string& table, const Item& a, const Item& b,
                   std::vector<StructureChange>& out) {
  std::map<std::string, const std::string*> inB;
  for (const auto& [k, v] : b.values) inB[k] = &v;
  std::map<std::string, bool> seen;
  for (const auto& [k, v] : a.values) {
    seen[k] = true;
    auto it = inB.find(k);
    if (it == inB.end()) out.push_back({kind, table, b.name, "changed", k, v, std::nullopt});
    else if (*it->second != v) out.push_back({kind, table, b.name, "changed", k, v, *it->second});
  }
  for (const auto& [k, v] : b.values)
    if (!seen.count(k)) out.push_back({kind, table, b.name, "changed", k, std::nullopt, v});
}

// Pairs the items of `a` and `b` by name (case-insensitively). Calls `removed(a)` for those
// only in `a`, `common(a, b)` for those in both (in `a`'s order), then `added(b)`.
template <class T, class Name, class Removed, class Common, class Added>
void Match(const std::vector<T>& a, const std::vector<T>& b, Name name, Removed removed,
           Common common, Added added) {
  std::map<std::string, const T*> byName;
  for (const T& x : b) byName.emplace(Lower(name(x)), &x);
  std::map<std::string, bool> matched;
  for (const T& x : a) {
    auto it = byName.find(Lower(name(x)));
    if (it == byName.end()) {
      removed(x);
    } else {
      matched[it->first] = true;
      common(x, *it->second);
    }
  }
  for (const T& x : b)
    if (!matched.count(Lower(name(x)))) added(x);
}

void DiffItems(const std::string& kind, const std::string& table, const std::vector<Item>& a,
               const std::vector<Item>& b, std::vector<StructureChange>& out) {
  auto name = [](const Item& i) -> const std::string& { return i.name; };
  std::vector<const Item*> removed, added;
  Match(
      a, b, name, [&](const Item& x) { removed.push_back(&x); },
      [&](const Item& x, const Item& y) { CompareValues(kind, table, x, y, out); },
      [&](const Item& y) { added.push_back(&y); });
  // Made-up names (an index Access created for a relation) differ from file to file: such an
  // item left over on both sides is the same one when its first value (an index's key fields)
  // is.
  for (auto x = removed.begin(); x != removed.end();) {
    auto y = added.end();
    if (GeneratedName((*x)->name) && !(*x)->values.empty())
      y = std::find_if(added.begin(), added.end(), [&](const Item* c) {
        return GeneratedName(c->name) && !c->values.empty() && c->values[0] == (*x)->values[0];
      });
    if (y == added.end()) {
      ++x;
      continue;
    }
    CompareValues(kind, table, **x, **y, out);
    x = removed.erase(x);
    added.erase(y);
  }
  for (const Item* x : removed) out.push_back({kind, table, x->name, "removed"});
  for (const Item* y : added) out.push_back({kind, table, y->name, "added"});
}

// The lines of a text, split at CR LF or LF.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string cur;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n') {
      lines.push_back(cur);
      cur.clear();
    } else {
      cur += text[i];
    }
  }
  if (!cur.empty() || lines.empty()) lines.push_back(cur);
  return lines;
}

// A line diff of two texts (longest common subsequence): "  ", "- " and "+ " lines.
std::vector<std::string> LineDiff(const std::string& a, const std::string& b) {
  std::vector<std::string> x = Lines(a), y = Lines(b);
  const size_t n = x.size(), m = y.size();
  std::vector<std::vector<unsigned>> lcs(n + 1, std::vector<unsigned>(m + 1, 0));
  for (size_t i = n; i-- > 0;)
    for (size_t j = m; j-- > 0;)
      lcs[i][j] = x[i] == y[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
  std::vector<std::string> out;
  size_t i = 0, j = 0;
  while (i < n || j < m) {
    if (i < n && j < m && x[i] == y[j]) {
      out.push_back("  " + x[i]);
      ++i;
      ++j;
    } else if (i < n && (j == m || lcs[i + 1][j] >= lcs[i][j + 1])) {
      out.push_back("- " + x[i++]);  // removed lines first, as diff(1) shows them
    } else {
      out.push_back("+ " + y[j++]);
    }
  }
  return out;
}

std::string KindWord(const std::string& kind) {
  if (kind == "table") return "tabella";
  if (kind == "field") return "campo";
  if (kind == "index") return "indice";
  if (kind == "relation") return "relazione";
  return "query";
}

std::string Shown(const std::optional<std::string>& value) {
  if (!value) return "(assente)";
  std::string out = "\"";
  for (char c : *value) {
    if (c == '\r') continue;
    out += c == '\n' ? ' ' : c;
  }
  return out + "\"";
}

}  // namespace

std::vector<StructureChange> DiffStructure(dao::Database& a, dao::Database& b,
                                           const DiffOptions& options) {
  Snapshot sa = Take(a, options), sb = Take(b, options);
  std::vector<StructureChange> out;
  auto tableName = [](const TableSnapshot& t) -> const std::string& { return t.table.name; };
  Match(
      sa.tables, sb.tables, tableName,
      [&](const TableSnapshot& t) { out.push_back({"table", "", t.table.name, "removed"}); },
      [&](const TableSnapshot& x, const TableSnapshot& y) {
        CompareValues("table", "", x.table, y.table, out);
        DiffItems("field", y.table.name, x.fields, y.fields, out);
        DiffItems("index", y.table.name, x.indexes, y.indexes, out);
      },
      [&](const TableSnapshot& t) { out.push_back({"table", "", t.table.name, "added"}); });
  DiffItems("relation", "", sa.relations, sb.relations, out);
  DiffItems("query", "", sa.queries, sb.queries, out);
  return out;
}

std::string DiffText(const std::vector<StructureChange>& changes, const std::string& nameA,
                     const std::string& nameB) {
  if (changes.empty()) return {};
  std::ostringstream o;
  o << "--- " << nameA << "\n+++ " << nameB << '\n';
  for (const auto& c : changes) {
    const char mark = c.change == "added" ? '+' : c.change == "removed" ? '-' : '~';
    const bool inTable = !c.table.empty();
    o << (inTable ? "  " : "") << mark << ' ' << KindWord(c.kind) << " \"" << c.name << '"';
    if (inTable) o << " (tabella \"" << c.table << "\")";
    if (c.change != "changed") {
      o << '\n';
      continue;
    }
    if (c.property == "sql") {
      o << ": SQL\n";
      for (const auto& line : LineDiff(c.a.value_or(""), c.b.value_or(""))) o << (inTable ? "      " : "    ") << line << '\n';
      continue;
    }
    o << ": " << c.property << ' ' << Shown(c.a) << " -> " << Shown(c.b) << '\n';
  }
  return o.str();
}

std::string DiffJson(const std::vector<StructureChange>& changes, const std::string& nameA,
                     const std::string& nameB) {
  std::ostringstream o;
  o << "{\"a\": " << JsonString(nameA) << ", \"b\": " << JsonString(nameB)
    << ", \"same\": " << (changes.empty() ? "true" : "false") << ",\n \"changes\": [";
  for (size_t i = 0; i < changes.size(); ++i) {
    const auto& c = changes[i];
    o << (i ? ",\n  " : "\n  ") << "{\"kind\": " << JsonString(c.kind)
      << ", \"table\": " << JsonString(c.table) << ", \"name\": " << JsonString(c.name)
      << ", \"change\": " << JsonString(c.change) << ", \"property\": " << JsonString(c.property)
      << ", \"a\": " << (c.a ? JsonString(*c.a) : "null") << ", \"b\": " << (c.b ? JsonString(*c.b) : "null")
      << '}';
  }
  o << (changes.empty() ? "]}\n" : "\n ]}\n");
  return o.str();
}

}  // namespace tavrek::doc
