#include "documenter/dictionary.h"

#include <charconv>
#include <cstdio>

#include "documenter/names.h"
#include "engine/catalogue/name_compare.h"

namespace tavrek::doc {

namespace {

// The same name for Access: equal when folded as the engine folds names.
bool SameName(const std::string& a, const std::string& b) { return engine::FoldName(a) == engine::FoldName(b); }

std::string NumberText(double v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  if (ec != std::errc()) return std::to_string(v);
  return std::string(buf, end);
}

std::string BytesText(const dao::Bytes& b) {
  std::string out = std::to_string(b.data.size()) + " byte";
  if (b.data.empty()) return out;
  out += ": ";
  static const char kHex[] = "0123456789ABCDEF";
  const size_t shown = b.data.size() < 16 ? b.data.size() : 16;
  for (size_t i = 0; i < shown; ++i) {
    out += kHex[b.data[i] >> 4];
    out += kHex[b.data[i] & 0xF];
  }
  if (shown < b.data.size()) out += "\xE2\x80\xA6";  // …
  return out;
}

}  // namespace

Dictionary ReadDictionary(dao::Database& db) {
  Dictionary d;
  d.name = db.Name();
  d.format = db.Format();
  d.properties = &db.Properties();
  for (const dao::TableDef& t : db.TableDefs()) {
    if (t.IsSystem()) {
      ++d.systemTables;
      continue;
    }
    DictionaryTable entry;
    entry.def = &t;
    if (!t.IsLinked()) entry.rs = db.OpenRecordset(t.Name(), dao::dbOpenTable);
    entry.description = DescriptionOf(t.Properties());
    d.tables.push_back(std::move(entry));
  }
  for (const dao::QueryDef& q : db.QueryDefs()) {
    DictionaryQuery entry{&q, q.SQL(), DescriptionOf(q.Properties())};
    q.Parameters();  // read now, so that a damaged file fails here and not half-way through a writer
    d.queries.push_back(std::move(entry));
  }
  std::vector<std::string> systemNames;
  for (const dao::TableDef& t : db.TableDefs())
    if (t.IsSystem()) systemNames.push_back(t.Name());
  auto isSystem = [&](const std::string& name) {
    for (const auto& s : systemNames)
      if (SameName(s, name)) return true;
    return false;
  };
  for (const dao::Relation& r : db.Relations()) {
    // Access's own relations between its system tables are no part of the user's design.
    if (isSystem(r.Table()) || isSystem(r.ForeignTable())) continue;
    d.relations.push_back(&r);
    const int referencing = FindTable(d, r.ForeignTable());
    if (referencing >= 0) d.tables[static_cast<size_t>(referencing)].outgoing.push_back(&r);
    const int referenced = FindTable(d, r.Table());
    if (referenced >= 0) d.tables[static_cast<size_t>(referenced)].incoming.push_back(&r);
  }
  for (const dao::Container& c : db.Containers()) {
    if (c.Name() == "Forms") d.forms = &c;
    if (c.Name() == "Reports") d.reports = &c;
    if (c.Name() == "Scripts") d.macros = &c;
    if (c.Name() == "Modules") d.modules = &c;
  }
  d.references = CrossReference(db);
  d.readiness = BuildReadiness(db, false);
  return d;
}

int FindTable(const Dictionary& d, const std::string& name) {
  for (size_t i = 0; i < d.tables.size(); ++i)
    if (d.tables[i].def->Name() == name) return static_cast<int>(i);
  for (size_t i = 0; i < d.tables.size(); ++i)
    if (SameName(d.tables[i].def->Name(), name)) return static_cast<int>(i);
  return -1;
}

std::string DescriptionOf(const dao::Properties& properties) {
  const dao::Property* p = dao::FindProperty(properties, "Description");
  if (!p) return {};
  if (const auto* text = std::get_if<std::string>(&p->Value())) return *text;
  return {};
}

std::string PropertyText(const dao::PropertyValue& value) {
  struct Visitor {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(bool b) const { return b ? "S\xC3\xAC" : "No"; }
    std::string operator()(int64_t v) const { return std::to_string(v); }
    std::string operator()(double v) const { return NumberText(v); }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(const dao::DateTime& d) const { return DateText(d); }
    std::string operator()(const dao::Bytes& b) const { return BytesText(b); }
  };
  return std::visit(Visitor{}, value);
}

std::string DateText(const dao::DateTime& d) {
  std::string iso = d.Iso();
  if (iso.size() > 10) iso[10] = ' ';
  return iso;
}

std::string QueryTypeName(int type) {
  switch (type) {
    case dao::dbQSelect: return "Select";
    case dao::dbQCrosstab: return "Crosstab";
    case dao::dbQDelete: return "Delete";
    case dao::dbQUpdate: return "Update";
    case dao::dbQAppend: return "Append";
    case dao::dbQMakeTable: return "Make-Table";
    case dao::dbQDDL: return "Data-Definition";
    case dao::dbQSQLPassThrough: return "Pass-Through";
    case dao::dbQSetOperation: return "Union";
    default: return "Tipo " + std::to_string(type);
  }
}

std::string FieldTypeText(const dao::Field& field) {
  std::string text = FieldTypeName(field.Type());
  if (field.IsAutoNumber()) text += ", AutoNumber";
  if (field.Attributes() & dao::dbHyperlinkField) text += ", Hyperlink";
  return text;
}

std::string Cardinality(const dao::Relation& relation) {
  return (relation.Attributes() & dao::dbRelationUnique) ? "1\xE2\x80\x93" "1"
                                                          : "1\xE2\x80\x93\xE2\x88\x9E";
}

std::string RelationFlags(const dao::Relation& relation) {
  const int32_t a = relation.Attributes();
  std::string out = (a & dao::dbRelationDontEnforce) ? "non applicata" : "integrit\xC3\xA0 referenziale";
  auto add = [&](int32_t bit, const char* text) {
    if (a & bit) out += std::string(", ") + text;
  };
  add(dao::dbRelationUpdateCascade, "aggiornamento a catena");
  add(dao::dbRelationDeleteCascade, "eliminazione a catena");
  add(dao::dbRelationLeft, "join sinistro");
  add(dao::dbRelationRight, "join destro");
  add(dao::dbRelationInherited, "ereditata");
  return out;
}

std::vector<ApplicationGroup> ApplicationGroups(const Dictionary& d) {
  return {{"Maschere", d.forms}, {"Report", d.reports}, {"Macro", d.macros}, {"Moduli", d.modules}};
}

std::vector<std::pair<std::string, const dao::Document*>> CodeModules(const Dictionary& d) {
  std::vector<std::pair<std::string, const dao::Document*>> out;
  const std::pair<const dao::Container*, const char*> groups[] = {
      {d.modules, ""}, {d.forms, "Form_"}, {d.reports, "Report_"}};
  for (const auto& [c, prefix] : groups) {
    if (!c) continue;
    for (const dao::Document& doc : c->Documents())
      if (!doc.Text().empty()) out.emplace_back(prefix + doc.Name(), &doc);
  }
  return out;
}

std::string ReferenceWord(const std::string& kind) {
  static const std::pair<const char*, const char*> kWords[] = {
      {"table", "tabella"}, {"query", "query"},   {"form", "maschera"},
      {"report", "report"}, {"macro", "macro"},   {"module", "modulo"},
      {"bracketed", "tra parentesi"}, {"name", "nome"}, {"recordSource", "origine dei record"},
      {"rowSource", "origine riga"}, {"controlSource", "origine controllo"}, {"subform", "sottomaschera"}};
  for (const auto& [k, w] : kWords)
    if (kind == k) return w;
  return kind;
}

}  // namespace tavrek::doc
