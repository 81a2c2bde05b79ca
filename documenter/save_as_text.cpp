#include "documenter/save_as_text.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>
#include <variant>

#include "documenter/catalogue_support.h"
#include "documenter/output_file.h"
#include "documenter/vba_files.h"
#include "engine/application/macro_rows.h"
#include "engine/catalogue/name_compare.h"
#include "engine/query/query_layout.h"
#include "engine/query/query_parts.h"
#include "engine/storage/text_codec.h"
namespace tavrek::doc {

namespace {

using engine::vba::DesignObject;
using engine::vba::DesignProperty;
using engine::vba::DesignValue;

constexpr const char* kEol = "\r\n";
constexpr size_t kStringPiece = 80;  // characters of a quoted string per line
constexpr size_t kHexBytes = 32;     // bytes of a binary block per line
constexpr const char* kBom = "\xEF\xBB\xBF";
// The version Access 2010 and later write for the macros they store in the new format.
constexpr int kMacroVersion = 196611;

std::string Escaped(uint32_t c) {
  switch (c) {
    case '"': return "\\\"";
    case '\\': return "\\\\";
    case '\r': return "\\015";
    case '\n': return "\\012";
    case '\t': return "\\011";
    default: {
      std::string s;
      engine::AppendUtf8(s, c);
      return s;
    }
  }
}

// Decodes one UTF-8 sequence at `i` (advancing it); a broken one stands for itself.
uint32_t NextCodePoint(const std::string& s, size_t& i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
  if (i + n > s.size()) n = 1;
  uint32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
  for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  i += n;
  return cp;
}

// `name ="text"`, the escaped text cut into pieces of 80 characters (an escape is never cut), the
// pieces after the first on lines of their own, quoted, indented one level further.
void QuotedLines(std::string& out, const std::string& indent, const std::string& name,
                 const std::string& text) {
  std::vector<std::string> pieces(1);
  size_t characters = 0;
  for (size_t i = 0; i < text.size();) {
    if (characters >= kStringPiece) {
      pieces.emplace_back();
      characters = 0;
    }
    const std::string e = Escaped(NextCodePoint(text, i));
    pieces.back() += e;
    characters += e.size() > 1 && e[0] == '\\' ? e.size() : 1;
  }
  out += indent + name + " =\"" + pieces[0] + "\"" + kEol;
  for (size_t i = 1; i < pieces.size(); ++i) out += indent + "    \"" + pieces[i] + "\"" + kEol;
}

void HexBlock(std::string& out, const std::string& indent, const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  for (size_t i = 0; i < bytes.size(); i += kHexBytes) {
    out += indent + "    0x";
    for (size_t k = i; k < std::min(bytes.size(), i + kHexBytes); ++k) {
      const auto b = static_cast<unsigned char>(bytes[k]);
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
    out += i + kHexBytes < bytes.size() ? " ," : "";
    out += kEol;
  }
}

std::string RealText(const DesignProperty& p) {
  const double v = p.Real();
  if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(v));
    return std::string(buf, r.ptr) + ".0";
  }
  char buf[64];
  auto r = p.type == static_cast<uint32_t>(DesignValue::kSingle)
               ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(v))
               : std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

// The rows of a macro sheet: "Version" and "ColumnsShown", then per row of the sheet a
// "Begin"/"End" block with its macro name, condition, action, comment and arguments (empty slots
// after the last argument left out; an empty row of the sheet as an empty block), at `indent`.
// False when the definition's rows cannot be followed.
bool MacroSheet(std::string& out, const std::string& indent, const std::string& bytes) {
  const engine::ByteView view(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  static const engine::TextCodec kWestern(engine::TextStorage::kCodePage, 1252);
  std::vector<engine::vba::MacroRow> rows;
  try {
    rows = engine::vba::ParseMacroRows(view, kWestern);
  } catch (const engine::CorruptError&) {
    return false;
  }
  out += indent + "Version =" + std::to_string(kMacroVersion) + kEol;
  out += indent + "ColumnsShown =" + std::to_string(view.U32(0)) + kEol;
  size_t next = 1;  // the row of the sheet (counted from 1) the next block stands for
  for (const engine::vba::MacroRow& row : rows) {
    // Rows left empty between two stored ones (never more than the sheet can have).
    for (; next < row.number && next < 65536; ++next) out += indent + "Begin" + kEol + indent + "End" + kEol;
    next = static_cast<size_t>(row.number) + 1;
    out += indent + "Begin" + kEol;
    const std::string rowIndent = indent + "    ";
    if (row.name) QuotedLines(out, rowIndent, "MacroName", *row.name);
    if (row.condition) QuotedLines(out, rowIndent, "Condition", *row.condition);
    std::string action;
    if (row.action) {
      action = engine::vba::MacroActionName(row.action);
      if (action.empty()) action = std::to_string(row.action);
      QuotedLines(out, rowIndent, "Action", action);
    }
    if (row.comment) QuotedLines(out, rowIndent, "Comment", *row.comment);
    if (row.action) {
      size_t last = row.arguments.size();
      while (last > 0 && !row.arguments[last - 1]) --last;
      for (size_t k = 0; k < last; ++k)
        QuotedLines(out, rowIndent, "Argument", row.arguments[k].value_or(""));
    }
    out += indent + "End" + kEol;
  }
  return true;
}

// A macro kept in a property (an embedded macro): its sheet inside "NAME = Begin"/"End"; a
// definition whose rows cannot be followed as a block of hexadecimal bytes.
void MacroBlock(std::string& out, const std::string& indent, const std::string& name,
                const std::string& bytes) {
  out += indent + name + " = Begin" + kEol;
  std::string sheet;
  if (MacroSheet(sheet, indent + "    ", bytes)) out += sheet;
  else HexBlock(out, indent, bytes);
  out += indent + "End" + kEol;
}

void Property(std::string& out, const std::string& indent, const DesignProperty& p) {
  std::string name = p.Name();
  // Access writes a property it has no name for as an empty line.
  if (p.id == 0) {
    out += kEol;
    return;
  }
  if (name.empty()) name = "Property" + std::to_string(p.id);
  if (p.type == static_cast<uint32_t>(DesignValue::kFlag) && p.bytes.empty()) {
    out += indent + name + " = NotDefault" + kEol;
  } else if (p.type == static_cast<uint32_t>(DesignValue::kMacro)) {
    MacroBlock(out, indent, name, p.bytes);
  } else if (p.IsText()) {
    QuotedLines(out, indent, name, p.Text());
  } else if (p.IsNumber()) {
    const bool real = p.type == static_cast<uint32_t>(DesignValue::kSingle) ||
                      p.type == static_cast<uint32_t>(DesignValue::kDouble);
    out += indent + name + " =" + (real ? RealText(p) : std::to_string(p.Integer())) + kEol;
  } else {
    out += indent + name + " = Begin" + kEol;
    HexBlock(out, indent, p.bytes);
    out += indent + "End" + kEol;
  }
}

void Object(std::string& out, const std::string& indent, const DesignObject& o) {
  std::string type = o.TypeName();
  if (type.empty()) type = "Type" + std::to_string(o.type);
  out += indent + "Begin " + type + kEol;
  const std::string in = indent + "    ";
  for (const DesignProperty& p : o.properties) Property(out, in, p);
  if (!o.children.empty()) {
    out += in + "Begin" + kEol;
    for (const DesignObject& c : o.children) Object(out, in + "    ", c);
    out += in + "End" + kEol;
  }
  out += indent + "End" + kEol;
}

// The source split into lines (CR LF, LF or CR), without the line breaks and without the blank
// lines at its end.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line += text[i];
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  // Blank lines at the end of a module are not exported.
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

bool StartsWith(const std::string& s, std::string_view prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

const char* DaoTypeName(int16_t type) {
  switch (type) {
    case dao::dbBoolean: return "dbBoolean";
    case dao::dbByte: return "dbByte";
    case dao::dbInteger: return "dbInteger";
    case dao::dbLong: return "dbLong";
    case dao::dbCurrency: return "dbCurrency";
    case dao::dbSingle: return "dbSingle";
    case dao::dbDouble: return "dbDouble";
    case dao::dbDate: return "dbDate";
    case dao::dbBinary: return "dbBinary";
    case dao::dbText: return "dbText";
    case dao::dbLongBinary: return "dbLongBinary";
    case dao::dbMemo: return "dbMemo";
    case dao::dbGUID: return "dbGUID";
    default: return "dbText";
  }
}

// One stored property as a query's export writes it: `dbLong "Name" ="-1"`; binary values as
// blocks of hexadecimal bytes.
void QueryProperty(std::string& out, const std::string& indent, const dao::PropertyInfo& p) {
  const std::string head = std::string(DaoTypeName(p.type)) + " \"" + p.name + "\"";
  if (const auto* b = std::get_if<dao::Bytes>(&p.value)) {
    out += indent + head + " = Begin" + kEol;
    HexBlock(out, indent, std::string(b->data.begin(), b->data.end()));
    out += indent + "End" + kEol;
    return;
  }
  std::string value;
  if (const auto* v = std::get_if<bool>(&p.value)) value = *v ? "-1" : "0";
  else if (const auto* i = std::get_if<int64_t>(&p.value)) value = std::to_string(*i);
  else if (const auto* d = std::get_if<double>(&p.value)) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, *d);
    value.assign(buf, r.ptr);
  } else if (const auto* t = std::get_if<std::string>(&p.value)) value = *t;
  QuotedLines(out, indent, head, value);
}

// The properties DAO gives every query itself, which the export writes first or not at all
// (UseTransaction and FailOnError, when stored, are written where they are stored).
bool BuiltInQueryProperty(const std::string& name) {
  for (const char* n : {"ODBCTimeout", "RecordLocks", "MaxRecords", "ReturnsRecords", "Connect",
                        "LogMessages"})
    if (name == n) return true;
  return false;
}

// What follows the SQL text or the design grid: ReturnsRecords (always true for a query of this
// database), ODBCTimeout, the other stored properties, then those of each output column.
void QueryProperties(std::string& out, const dao::QueryDef& q) {
  out += std::string("dbBoolean \"ReturnsRecords\" =\"-1\"") + kEol;
  int64_t timeout = 60;
  for (const auto& p : q.Properties())
    if (p.Name() == "ODBCTimeout")
      if (const auto* i = std::get_if<int64_t>(&p.Value())) timeout = *i;
  out += "dbInteger \"ODBCTimeout\" =\"" + std::to_string(timeout) + "\"" + kEol;
  for (const auto& p : q.Properties())
    if (!BuiltInQueryProperty(p.Name())) QueryProperty(out, "", {p.Name(), p.Type(), p.Value()});
  out += std::string("Begin") + kEol;
  for (const auto& [column, properties] : q.ColumnProperties()) {
    out += std::string("    Begin") + kEol;
    QuotedLines(out, "        ", "dbText \"Name\"", column);
    for (const auto& p : properties) QueryProperty(out, "        ", p);
    out += std::string("    End") + kEol;
  }
  out += std::string("End") + kEol;
}

void NumberLine(std::string& out, const std::string& indent, const char* name, int64_t value) {
  out += indent + name + " =" + std::to_string(value) + kEol;
}

// `name ="text"` when the row has that text.
void TextLine(std::string& out, const std::string& indent, const char* name,
              const std::optional<std::string>& text) {
  if (text) QuotedLines(out, indent, name, *text);
}

// One "Begin NAME" block of the grid, a group of lines per row, or nothing without rows.
template <typename Lines>
void GridBlock(std::string& out, const char* name, const std::vector<engine::QueryRow>& rows,
               Lines lines, bool evenEmpty = false) {
  if (rows.empty() && !evenEmpty) return;
  out += std::string("Begin ") + name + kEol;
  for (const engine::QueryRow& r : rows) lines(r);
  out += std::string("End") + kEol;
}

// The design window's layout: its rectangles, then a block per table.
void LayoutBlock(std::string& out, const engine::QueryLayout& l) {
  const std::string in = "    ";
  const char* kSides[] = {"Left", "Top", "Right", "Bottom"};
  out += std::string("Begin") + kEol;
  NumberLine(out, in, "State", l.state);
  for (int k = 0; k < 4; ++k) NumberLine(out, in, kSides[k], l.window[k]);
  for (int k = 0; k < 4; ++k) NumberLine(out, in, kSides[k], l.pane[k]);
  NumberLine(out, in, "Left", l.left);
  NumberLine(out, in, "Top", l.top);
  NumberLine(out, in, "ColumnsShown", l.columnsShown);
  for (const engine::QueryLayoutTable& t : l.tables) {
    out += in + "Begin" + kEol;
    for (int k = 0; k < 4; ++k) NumberLine(out, in + in, kSides[k], t.box[k]);
    NumberLine(out, in + in, "Top", t.scrollTop);
    QuotedLines(out, in + in, "Name", t.name);
    QuotedLines(out, in + in, "Name", t.alias);
    out += in + "End" + kEol;
  }
  out += std::string("End") + kEol;
}

// The kinds of query Access writes out in the design grid (the others as SQL).
bool GridKind(int kind) {
  return kind >= engine::kKindSelect && kind <= engine::kKindCrosstab;
}

}  // namespace

std::string QueryExportText(const dao::QueryDef& q) {
  std::string out;
  QuotedLines(out, "", "dbMemo \"SQL\"", q.SQL());
  out += std::string("dbMemo \"Connect\" =\"\"") + kEol;
  QueryProperties(out, q);
  return out;
}

std::optional<std::string> QueryGridText(const dao::QueryDef& q, std::string& reason) {
  const engine::QueryParts parts = engine::QueryParts::Decode(q.StoredRows());
  if (!parts.type || !GridKind(parts.Kind(q.ObjectFlags()))) return std::nullopt;
  // Parts whose lines in the export have not been seen: left out rather than guessed.
  if (parts.remote_db || parts.type->expression) {
    reason = "legge o scrive in un altro database: forma nella griglia non nota";
    return std::nullopt;
  }
  for (const engine::QueryRow& t : parts.tables)
    if (t.expression) {
      reason = "tabella letta da una sottoquery: forma nella griglia non nota";
      return std::nullopt;
    }
  std::optional<engine::QueryLayout> layout;
  if (const std::string field = q.DesignLayout(); !field.empty()) {
    try {
      layout = engine::ParseQueryLayout(
          engine::ByteView(reinterpret_cast<const uint8_t*>(field.data()), field.size()));
    } catch (const engine::CorruptError& e) {
      reason = e.what();
      return std::nullopt;
    }
  }
  const std::string in = "    ";
  std::string out;
  NumberLine(out, "", "Operation", parts.type->flag.value_or(0));
  TextLine(out, "", "Name", parts.type->name1);
  TextLine(out, "", "Database", parts.type->name2);
  NumberLine(out, "", "Option", parts.SelectFlags());
  if (parts.flags) TextLine(out, "", "RowCount", parts.flags->name1);
  if (parts.where) TextLine(out, "", "Where", parts.where->expression);
  if (parts.having) TextLine(out, "", "Having", parts.having->expression);
  GridBlock(out, "InputTables", parts.tables, [&](const engine::QueryRow& r) {
    TextLine(out, in, "Name", r.name1);
    TextLine(out, in, "Alias", r.name2);
  }, true);
  GridBlock(out, "OutputColumns", parts.columns, [&](const engine::QueryRow& r) {
    TextLine(out, in, "Alias", r.name1);
    TextLine(out, in, "Name", r.name2);
    TextLine(out, in, "Expression", r.expression);
    if (r.flag.value_or(0) != 0) NumberLine(out, in, "GroupLevel", *r.flag);
  }, true);
  GridBlock(out, "Parameters", parts.parameters, [&](const engine::QueryRow& r) {
    TextLine(out, in, "Name", r.name1);
    NumberLine(out, in, "Flag", r.flag.value_or(0));
  });
  GridBlock(out, "Joins", parts.joins, [&](const engine::QueryRow& r) {
    TextLine(out, in, "LeftTable", r.name1);
    TextLine(out, in, "RightTable", r.name2);
    TextLine(out, in, "Expression", r.expression);
    NumberLine(out, in, "Flag", r.flag.value_or(0));
  });
  GridBlock(out, "OrderBy", parts.order_by, [&](const engine::QueryRow& r) {
    TextLine(out, in, "Expression", r.expression);
    const bool descending = r.name1 && (*r.name1 == "D" || *r.name1 == "d");
    NumberLine(out, in, "Flag", descending ? 1 : 0);
  });
  GridBlock(out, "Groups", parts.group_by, [&](const engine::QueryRow& r) {
    TextLine(out, in, "Expression", r.expression);
    NumberLine(out, in, "GroupLevel", r.flag.value_or(0));
  });
  QueryProperties(out, q);
  if (layout) LayoutBlock(out, *layout);
  return out;
}

std::string DesignText(const engine::vba::FormDesign& design, const std::string& code) {
  std::string out;
  out += "Version =" + std::to_string(design.version) + kEol;
  out += "VersionRequired =" + std::to_string(design.versionRequired) + kEol;
  Object(out, "", design.root);
  if (code.empty()) return out;
  out += std::string("CodeBehindForm") + kEol;
  // The attributes that only the VBA project needs stay out of the form's text.
  for (const std::string& line : Lines(code)) {
    if (StartsWith(line, "Attribute VB_Name ") || StartsWith(line, "Attribute VB_Base ") ||
        StartsWith(line, "Attribute VB_TemplateDerived ") ||
        StartsWith(line, "Attribute VB_Customizable "))
      continue;
    out += line + kEol;
  }
  return out;
}

std::optional<std::string> MacroExportText(const std::string& definition) {
  std::string out;
  if (!MacroSheet(out, "", definition)) return std::nullopt;
  return out;
}

std::string ModuleExportText(const std::string& source) {
  std::string out;
  for (const std::string& line : Lines(source)) {
    if (StartsWith(line, "Attribute VB_Name ")) continue;
    if (!out.empty()) out += kEol;
    out += line;
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> SaveAsTextFiles(dao::Database& db,
                                                                 std::vector<std::string>& skipped) {
  std::vector<std::pair<std::string, std::string>> files;
  std::map<std::string, int> taken;  // lower-case paths already used
  auto add = [&](const std::string& folder, const std::string& name, const std::string& ext,
                 std::string content) {
    const std::string base = folder + "/" + SafeFileName(name);
    std::string path = base + ext;
    for (int n = 2; taken.count(engine::FoldName(path)); ++n) path = base + "~" + std::to_string(n) + ext;
    taken[engine::FoldName(path)] = 1;
    files.emplace_back(path, std::move(content));
  };
  for (const char* container : {"Forms", "Reports"}) {
    const dao::Container* c = FindContainer(db, container);
    if (!c) continue;
    const std::string folder = std::string(container) == "Forms" ? "forms" : "reports";
    for (const auto& d : c->Documents()) {
      if (!d.Design()) {
        skipped.push_back(folder + "/" + d.Name() + ": " +
                          (d.DesignError().empty() ? d.Error().empty() ? "struttura assente" : d.Error()
                                                   : d.DesignError()));
        continue;
      }
      add(folder, d.Name(), ".bas", kBom + DesignText(*d.Design(), d.Text()));
    }
  }
  if (const dao::Container* c = FindContainer(db, "Scripts")) {
    for (const auto& d : c->Documents()) {
      // Macros Access keeps for itself (the one it builds for the clipboard) are not exported.
      if (!d.Name().empty() && d.Name()[0] == '~') continue;
      std::optional<std::string> text;
      if (d.Definition()) text = MacroExportText(*d.Definition());
      if (!text) {
        skipped.push_back("macros/" + d.Name() + ": " +
                          (!d.Error().empty() ? d.Error() : std::string("righe della macro non leggibili")));
        continue;
      }
      add("macros", d.Name(), ".bas", kBom + *text);
    }
  }
  const auto& queries = db.QueryDefs();
  for (int i = 0; i < queries.Count(); ++i) {
    const dao::QueryDef& q = queries.Item(i);
    if (q.Name().empty() || q.Name()[0] == '~') continue;
    std::string reason;
    if (std::optional<std::string> grid = QueryGridText(q, reason)) {
      add("queries", q.Name(), ".bas", kBom + *grid);
      continue;
    }
    if (!reason.empty()) {
      skipped.push_back("queries/" + q.Name() + ": " + reason);
      continue;
    }
    if (engine::QueryParts::Decode(q.StoredRows()).Kind(q.ObjectFlags()) == engine::kKindPassThrough) {
      skipped.push_back("queries/" + q.Name() +
                        ": pass-through, la stringa di connessione non viene scritta");
      continue;
    }
    add("queries", q.Name(), ".bas", kBom + QueryExportText(q));
  }
  if (const dao::Container* c = FindContainer(db, "Modules")) {
    for (const auto& d : c->Documents()) {
      if (d.Text().empty()) {
        skipped.push_back("modules/" + d.Name() + ": " +
                          (d.Error().empty() ? std::string("codice assente") : d.Error()));
        continue;
      }
      add("modules", d.Name(), d.Kind() == "standard" ? ".bas" : ".cls", ModuleExportText(d.Text()));
    }
  }
  return files;
}

bool WriteSaveAsTextFiles(const std::string& dir,
                          const std::vector<std::pair<std::string, std::string>>& files,
                          std::string& error) {
  for (const auto& [path, text] : files) {
    const std::filesystem::path target = std::filesystem::path(dir) / path;
    std::error_code ec;
    std::filesystem::create_directories(target.parent_path(), ec);
    if (ec) {
      error = "impossibile creare la cartella " + target.parent_path().string() + ": " + ec.message();
      return false;
    }
    if (!WriteFileAtomically(target.string(), text, error)) return false;
  }
  return true;
}

}  // namespace tavrek::doc
