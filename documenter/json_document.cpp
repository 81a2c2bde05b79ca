#include "documenter/json_document.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <set>
#include <string_view>
#include <variant>

#include "documenter/catalogue_support.h"
#include "documenter/json.h"
#include "documenter/references.h"

namespace tavrek::doc {

namespace {

// A date as ISO text in quotes (digits only: nothing to escape).
TextOut& operator<<(TextOut& o, const dao::DateTime& d) { return o << '"' << d.Iso() << '"'; }

// A text, or null when it is empty.
struct QuotedOrNull {
  const std::string& text;
};
TextOut& operator<<(TextOut& o, QuotedOrNull q) { return q.text.empty() ? o << "null" : o << Quoted(q.text); }

// The application objects: forms, reports, macros and modules with their text.
std::string DesignValueJson(const engine::vba::DesignProperty& p);

void WriteDesignValue(TextOut& o, const engine::vba::DesignProperty& p) {
  if (p.IsText()) {
    o << Quoted(p.Text());
    return;
  }
  o << DesignValueJson(p);
}

std::string DesignValueJson(const engine::vba::DesignProperty& p) {
  using engine::vba::DesignValue;
  if (p.type == static_cast<uint32_t>(DesignValue::kFlag) && p.bytes.empty()) return "true";
  if (p.type == static_cast<uint32_t>(DesignValue::kSingle) ||
      p.type == static_cast<uint32_t>(DesignValue::kDouble)) {
    const double v = p.Real();
    if (!std::isfinite(v)) return "null";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
  }
  if (p.IsNumber()) return std::to_string(p.Integer());
  static const char kHex[] = "0123456789abcdef";
  std::string hex = "\"0x";
  for (char c : p.bytes) {
    hex += kHex[static_cast<unsigned char>(c) >> 4];
    hex += kHex[static_cast<unsigned char>(c) & 15];
  }
  return hex + "\"";
}

// An object of a design: its type, its properties by name in stored order (a property stored
// twice keeps its first value; one this reader cannot name is "#" and its number), its children.
void WriteDesignObject(TextOut& o, const engine::vba::DesignObject& d, int depth) {
  const std::string type = d.TypeName();
  o << "{\"type\": ";
  if (type.empty()) o << std::to_string(d.type); else o << Quoted(type);
  o << ", \"properties\": {";
  std::set<std::string> seen;
  int n = 0;
  for (const auto& p : d.properties) {
    std::string name = p.Name();
    if (name.empty()) name = "#" + std::to_string(p.id);
    if (!seen.insert(name).second) continue;
    o << (n++ ? ", " : "") << Quoted(name) << ": ";
    WriteDesignValue(o, p);
  }
  o << "}, \"children\": [";
  const std::string indent = "\n" + std::string(static_cast<size_t>(5 + depth), ' ');
  for (size_t i = 0; i < d.children.size(); ++i) {
    o << (i ? "," : "") << indent;
    WriteDesignObject(o, d.children[i], depth + 1);
  }
  o << "]}";
}

void WriteContainers(TextOut& o, dao::Database& db) {
  static const struct {
    const char* key;
    const char* container;
  } kGroups[] = {{"forms", "Forms"}, {"reports", "Reports"}, {"macros", "Scripts"}, {"modules", "Modules"}};
  o << '{';
  bool firstGroup = true;
  for (const auto& g : kGroups) {
    o << (firstGroup ? "" : ",") << "\n  \"" << g.key << "\": [";
    firstGroup = false;
    const dao::Container* c = FindContainer(db, g.container);
    int n = 0;
    if (c) {
      for (const auto& d : c->Documents()) {
        o << (n++ ? ",\n   " : "\n   ") << "{\"name\": " << Quoted(d.Name())
          << ", \"dateCreated\": " << d.DateCreated() << ", \"lastUpdated\": " << d.LastUpdated();
        const std::string key = g.key;
        if (key == "modules") {
          o << ", \"kind\": " << QuotedOrNull{d.Kind()} << ",\n    \"source\": " << QuotedOrNull{d.Text()};
        } else if (key == "macros") {
          o << ",\n    \"text\": " << QuotedOrNull{d.Text()};
        } else {
          o << ",\n    \"source\": " << QuotedOrNull{d.Text()} << ",\n    \"design\": ";
          if (const engine::vba::FormDesign* design = d.Design()) {
            o << "{\"version\": " << std::to_string(design->version) << ", \"object\": ";
            WriteDesignObject(o, design->root, 0);
            o << "}";
          } else {
            o << "null";
          }
          o << ", \"designError\": " << QuotedOrNull{d.DesignError()};
        }
        o << ", \"error\": " << QuotedOrNull{d.Error()} << '}';
      }
    }
    o << (n ? "\n  ]" : "]");
  }
  o << "}";
}

void WriteReferences(TextOut& o, dao::Database& db) {
  o << '[';
  int n = 0;
  for (const auto& e : CrossReference(db)) {
    o << (n++ ? ",\n  " : "\n  ") << "{\"name\": " << Quoted(e.name) << ", \"kind\": " << Quoted(e.kind)
      << ", \"usedBy\": [";
    for (size_t k = 0; k < e.usedBy.size(); ++k)
      o << (k ? ", " : "") << "{\"kind\": " << Quoted(e.usedBy[k].kind)
        << ", \"name\": " << Quoted(e.usedBy[k].name) << ", \"match\": " << Quoted(e.usedBy[k].match)
        << '}';
    o << "]}";
  }
  o << (n ? "\n ]" : "]");
}

std::string Hex(const std::vector<uint8_t>& data) {
  static const char* kDigits = "0123456789abcdef";
  std::string out = "0x";
  out.reserve(2 + data.size() * 2);
  for (uint8_t b : data) {
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

void WriteValue(TextOut& o, const std::string& name, const dao::PropertyValue& v, const Secrets& secrets) {
  if (const bool* b = std::get_if<bool>(&v)) {
    o << (*b ? "true" : "false");
  } else if (const int64_t* i = std::get_if<int64_t>(&v)) {
    o << *i;
  } else if (const double* d = std::get_if<double>(&v)) {
    o << JsonNumber(*d);
  } else if (const std::string* s = std::get_if<std::string>(&v)) {
    if (Secrets::HoldsConnect(name)) o << Quoted(secrets.Connect(*s)); else o << Quoted(*s);
  } else if (const dao::DateTime* t = std::get_if<dao::DateTime>(&v)) {
    o << *t;
  } else if (const dao::Bytes* bytes = std::get_if<dao::Bytes>(&v)) {
    o << '"' << Hex(bytes->data) << '"';
  } else {
    o << "null";
  }
}

// Stored properties as one JSON object, in stored order: those of the object model
// (dao::Properties) or of a plain description (PropertyInfo).
template <class List>
struct JsonProperties {
  const List& properties;
  const Secrets& secrets;
};
template <class List>
JsonProperties(const List&, const Secrets&) -> JsonProperties<List>;

const std::string& NameOf(const dao::Property& p) { return p.Name(); }
const dao::PropertyValue& ValueOf(const dao::Property& p) { return p.Value(); }
const std::string& NameOf(const dao::PropertyInfo& p) { return p.name; }
const dao::PropertyValue& ValueOf(const dao::PropertyInfo& p) { return p.value; }

template <class List>
TextOut& operator<<(TextOut& o, JsonProperties<List> j) {
  o << '{';
  bool first = true;
  for (const auto& p : j.properties) {
    if (!first) o << ", ";
    first = false;
    o << Quoted(NameOf(p)) << ": ";
    WriteValue(o, NameOf(p), ValueOf(p), j.secrets);
  }
  return o << '}';
}

std::string_view JsonBool(bool b) { return b ? std::string_view("true") : std::string_view("false"); }

void WriteFields(TextOut& o, const std::vector<dao::FieldInfo>& fields, const Secrets& secrets) {
  o << '[';
  for (size_t f = 0; f < fields.size(); ++f) {
    const dao::FieldInfo& fd = fields[f];
    o << (f ? ",\n    {\"name\": " : "\n    {\"name\": ") << Quoted(fd.name) << ", \"type\": " << fd.type
      << ", \"size\": " << fd.size << ", \"attributes\": " << fd.attributes
      << ", \"required\": " << JsonBool(fd.required) << ", \"allowZeroLength\": " << JsonBool(fd.allowZeroLength);
    if (fd.type == dao::dbDecimal) {
      o << ", \"precision\": " << fd.precision << ", \"scale\": ";
      if (fd.scale == dao::FieldInfo::kScalePerValue) o << "null";
      else o << fd.scale;
    }
    o << ", \"properties\": " << JsonProperties{fd.properties, secrets} << '}';
  }
  o << ']';
}

void WriteIndexes(TextOut& o, const std::vector<dao::IndexInfo>& indexes) {
  o << '[';
  for (size_t x = 0; x < indexes.size(); ++x) {
    const dao::IndexInfo& ix = indexes[x];
    o << (x ? ", {\"name\": " : "{\"name\": ") << Quoted(ix.name) << ", \"fields\": [";
    for (size_t k = 0; k < ix.fields.size(); ++k) o << (k ? ", " : "") << Quoted(ix.fields[k]);
    o << "], \"primary\": " << JsonBool(ix.primary) << ", \"unique\": " << JsonBool(ix.unique)
      << ", \"ignoreNulls\": " << JsonBool(ix.ignoreNulls) << ", \"required\": " << JsonBool(ix.required)
      << ", \"foreign\": " << JsonBool(ix.foreign) << ", \"clustered\": " << JsonBool(ix.clustered)
      << ", \"descending\": [";
    for (size_t k = 0; k < ix.fields.size(); ++k)
      o << (k ? ", " : "") << JsonBool(k < ix.descending.size() && ix.descending[k]);
    o << "]}";
  }
  o << ']';
}

void WriteTables(TextOut& o, dao::Database& db, const Secrets& secrets) {
  const auto& defs = db.TableDefs();
  o << '[';
  for (int i = 0; i < defs.Count(); ++i) {
    // One table at a time: a large database's definitions are not all held at once.
    const dao::TableDef& t = defs.Item(i);
    std::optional<dao::TableDetail> detail;
    if (!t.IsLinked()) detail = db.DescribeTable(t);
    o << (i ? ",\n  {\"name\": " : "\n  {\"name\": ") << Quoted(t.Name())
      << ", \"system\": " << JsonBool(t.IsSystem()) << ", \"linked\": " << JsonBool(t.IsLinked())
      << ", \"recordCount\": ";
    if (detail) o << detail->recordCount; else o << "null";
    o << ", \"dateCreated\": " << t.DateCreated() << ", \"lastUpdated\": " << t.LastUpdated()
      << ",\n   \"properties\": " << JsonProperties{t.Properties(), secrets};
    if (t.IsLinked())
      o << ",\n   \"connect\": " << Quoted(secrets.Connect(t.Connect()))
        << ", \"sourceTableName\": " << Quoted(t.SourceTableName());
    o << ",\n   \"fields\": ";
    if (detail) WriteFields(o, detail->fields, secrets); else o << "null";
    o << ",\n   \"indexes\": ";
    if (detail) WriteIndexes(o, detail->indexes); else o << "null";
    o << '}';
  }
  o << (defs.Count() == 0 ? "]" : "\n ]");
}

void WriteQueries(TextOut& o, dao::Database& db, const Secrets& secrets) {
  const auto& queries = db.QueryDefs();
  o << '[';
  for (int i = 0; i < queries.Count(); ++i) {
    const dao::QueryDef& q = queries.Item(i);
    o << (i ? ",\n  " : "\n  ") << "{\"name\": " << Quoted(q.Name()) << ", \"type\": " << q.Type()
      << ", \"dateCreated\": " << q.DateCreated() << ", \"lastUpdated\": " << q.LastUpdated()
      << ",\n   \"sql\": " << Quoted(q.SQL())
      << ",\n   \"properties\": " << JsonProperties{q.Properties(), secrets} << ", \"parameters\": [";
    const auto& parameters = q.Parameters();
    for (int k = 0; k < parameters.Count(); ++k)
      o << (k ? ", " : "") << "{\"name\": " << Quoted(parameters.Item(k).Name())
        << ", \"type\": " << parameters.Item(k).Type() << '}';
    o << "]}";
  }
  o << (queries.Count() ? "\n ]" : "]");
}

void WriteRelations(TextOut& o, dao::Database& db) {
  const auto& relations = db.Relations();
  o << '[';
  for (int i = 0; i < relations.Count(); ++i) {
    const dao::Relation& r = relations.Item(i);
    o << (i ? ",\n  " : "\n  ") << "{\"name\": " << Quoted(r.Name()) << ", \"table\": " << Quoted(r.Table())
      << ", \"foreignTable\": " << Quoted(r.ForeignTable()) << ", \"attributes\": " << r.Attributes()
      << ", \"fields\": [";
    for (int k = 0; k < r.Fields().Count(); ++k)
      o << (k ? ", " : "") << "{\"name\": " << Quoted(r.Fields().Item(k).Name())
        << ", \"foreignName\": " << Quoted(r.Fields().Item(k).ForeignName()) << '}';
    o << "]}";
  }
  o << (relations.Count() ? "\n ]" : "]");
}

}  // namespace

// Two kibibytes a table is less than most tables take with their fields and indexes, enough to
// tell a catalogue of a thousand tables.
size_t ExpectedJsonSize(dao::Database& db) { return static_cast<size_t>(db.TableDefs().Count()) << 11; }

void WriteJsonDocument(TextOut& o, dao::Database& db, bool showSecrets) {
  const Secrets secrets{showSecrets};
  o << "{\"format\": " << Quoted(db.Format())
    << ",\n \"properties\": " << JsonProperties{db.Properties(), secrets} << ",\n \"tables\": ";
  WriteTables(o, db, secrets);
  o << ",\n \"queries\": ";
  WriteQueries(o, db, secrets);
  o << ",\n \"relations\": ";
  WriteRelations(o, db);
  o << ",\n \"containers\": ";
  WriteContainers(o, db);
  o << ",\n \"references\": ";
  WriteReferences(o, db);
  o << "}\n";
}

std::string JsonDocument(dao::Database& db, bool showSecrets) {
  TextOut o(ExpectedJsonSize(db));
  WriteJsonDocument(o, db, showSecrets);
  return o.str();
}

}  // namespace tavrek::doc
