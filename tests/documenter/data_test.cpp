// The data writers end to end: rows built by hand (every kind of value, with the edge values that
// break exporters: Currency's extremes, 28-digit Decimals, dates before 1900 and before 1000,
// time-only values, CR LF, tabs, backslashes, "\." lines and NUL in text, a 3 MB OLE object,
// GUIDs, attachments and multi-value fields) written by `--sqlite` and by the `--ddl … --data`
// scripts, loaded into sqlite3, a private PostgreSQL and a private MariaDB (sql_servers.sh, as a
// CTest fixture), and read back value by value: every row of every table, child tables included,
// compared with what the RowSource handed over. Then the same for every database file of the test
// data, read by the engine.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <map>
#include <set>
#include <sstream>

#include "documenter/data_script.h"
#include "documenter/data_values.h"
#include "documenter/sqlite_export.h"
#include "tests/documenter/sample_db.h"
#include "tests/support/shell.h"

namespace {

namespace fs = std::filesystem;
using namespace tavrek::doc;
using dao::Value;
using K = dao::Value::Kind;

// ---- rows built by hand -------------------------------------------------------------------

class HandRows : public dao::RowSource {
 public:
  HandRows(std::string name, std::vector<dao::RowColumn> columns, const std::vector<std::vector<Value>>& rows)
      : name_(std::move(name)), columns_(std::move(columns)), rows_(rows) {}
  const std::string& TableName() const override { return name_; }
  const std::vector<dao::RowColumn>& Columns() const override { return columns_; }
  bool Next(std::vector<Value>& row) override {
    if (at_ >= rows_.size()) return false;
    row = rows_[at_++];
    return true;
  }
  int64_t RowsRead() const override { return static_cast<int64_t>(at_); }
  const std::vector<dao::LostRow>& Lost() const override { return lost_; }

 private:
  std::string name_;
  std::vector<dao::RowColumn> columns_;
  const std::vector<std::vector<Value>>& rows_;
  size_t at_ = 0;
  std::vector<dao::LostRow> lost_;
};

Value Null() { return {}; }
Value Bool(bool b) { Value v; v.kind = K::kBool; v.boolean = b; return v; }
Value Int(int64_t i) { Value v; v.kind = K::kInt; v.integer = i; return v; }
Value Money(int64_t i) { Value v; v.kind = K::kCurrency; v.integer = i; return v; }
Value Dec(bool negative, std::string digits, int scale) {
  Value v;
  v.kind = K::kDecimal;
  v.decimal = {negative, std::move(digits), scale};
  return v;
}
Value Real(K kind, double d) { Value v; v.kind = kind; v.real = d; return v; }
Value Date(double days) { return Real(K::kDateTime, days); }
Value Str(K kind, std::string s) { Value v; v.kind = kind; v.text = std::move(s); return v; }
Value Text(std::string s) { return Str(K::kText, std::move(s)); }
Value Bytes(std::string s) { return Str(K::kBytes, std::move(s)); }
Value Uuid(uint8_t seed) {
  Value v;
  v.kind = K::kGuid;
  for (size_t i = 0; i < 16; ++i) v.guid.bytes[i] = static_cast<uint8_t>(seed * 16 + i);
  return v;
}
Value Items(std::vector<dao::ComplexItem> items) {
  Value v;
  v.kind = K::kComplex;
  v.items = std::move(items);
  return v;
}

struct HandTable {
  std::vector<dao::RowColumn> columns;
  std::vector<std::vector<Value>> rows;
};

// The database: its catalogue (for the DDL) and its rows (for the RowSources).
struct HandDatabase {
  std::shared_ptr<dao::Database> db;
  std::map<std::string, HandTable> tables;
  RowOpener Opener() {
    return [this](const std::string& name) -> std::unique_ptr<dao::RowSource> {
      const HandTable& t = tables.at(name);
      return std::make_unique<HandRows>(name, t.columns, t.rows);
    };
  }
};

std::vector<dao::RowColumn> ColumnsOf(const std::vector<dao::FieldInfo>& fields) {
  std::vector<dao::RowColumn> out;
  for (const auto& f : fields) {
    dao::RowColumn c{f.name, f.type, f.size, {}};
    if (f.type == dao::dbAttachment)
      c.parts = {{"FileData", dao::dbLongBinary, 0, {}}, {"FileName", dao::dbText, 255, {}},
                 {"FileType", dao::dbText, 255, {}}};
    if (f.type == dao::dbComplexLong) c.parts = {{"Value", dao::dbLong, 4, {}}};
    out.push_back(std::move(c));
  }
  return out;
}

std::string Noise(size_t n) {
  std::string s(n, '\0');
  uint32_t x = 12345;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

HandDatabase BuildHandDatabase() {
  using sample::Field;
  sample::SampleDb s;
  HandDatabase h;

  dao::FieldInfo esatto = Field("Esatto", dao::dbDecimal, 17);
  esatto.precision = 28;
  esatto.scale = 4;
  dao::TableDetail valori;
  valori.fields = {sample::AutoNumber("ID"), Field("Vero", dao::dbBoolean, 1),
                   Field("Piccolo", dao::dbByte, 1), Field("Intero", dao::dbInteger, 2),
                   Field("Lungo", dao::dbLong, 4), Field("Grande", dao::dbBigInt, 8),
                   Field("Valuta", dao::dbCurrency, 8), esatto, Field("Singolo", dao::dbSingle, 4),
                   Field("Doppio", dao::dbDouble, 8), Field("Quando", dao::dbDate, 8),
                   Field("Preciso", dao::dbDateTimeExtended, 42), Field("Nome", dao::dbText, 100),
                   Field("Nota", dao::dbMemo, 0), Field("Bin", dao::dbBinary, 16),
                   Field("Ole", dao::dbLongBinary, 0), Field("Codice", dao::dbGUID, 16),
                   Field("Allegati", dao::dbAttachment, 0)};
  valori.indexes = {sample::PrimaryKey({"ID"}), sample::PlainIndex("PerNome", {"Nome"})};
  const int64_t i64min = std::numeric_limits<int64_t>::min(), i64max = std::numeric_limits<int64_t>::max();
  auto attachment = [](std::string name, std::string data) {
    return dao::ComplexItem{{"FileData", "FileName", "FileType"}, {Bytes(std::move(data)), Text(name), Text("txt")}};
  };
  h.tables["Valori"] = {
      ColumnsOf(valori.fields),
      {{Int(1), Bool(true), Int(255), Int(-32768), Int(INT32_MIN), Int(i64min), Money(i64min),
        Dec(true, "9999999999999999999999999999", 4), Real(K::kSingle, double(1.1f)), Real(K::kDouble, 0.1),
        Date(-36522.25), Str(K::kDateTimeExtended, "1850-06-01 12:34:56.1234567"),
        Text("apostrofo ' e \\ barra"), Text("CR LF\r\nriga\ttab\n\\.\nfine é€😀"),
        Bytes(std::string("\0\x01\xff", 3)), Bytes(Noise(3 << 20)), Uuid(1),
        Items({attachment("uno.txt", "primo"), attachment("due.txt", std::string("\0\0", 2))})},
       {Int(2), Bool(false), Int(0), Int(32767), Int(INT32_MAX), Int(i64max), Money(i64max),
        Dec(false, "1234567890123456789012345678", 4), Real(K::kSingle, double(3.4028235e38f)),
        Real(K::kDouble, 1.7976931348623157e308), Date(0.5),
        Str(K::kDateTimeExtended, "9999-12-31 23:59:59.9999999"), Text(""), Text("ctrl-z \x1a fine"),
        Bytes(""), Bytes(""), Uuid(2), Items({})},
       {Int(1000), Bool(false), Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(),
        Null(), Null(), Null(), Null(), Null(), Null(), Null()},
       {Int(5), Bool(true), Int(7), Int(-1), Int(-2), Int(-3), Money(-1), Dec(false, "5", 4),
        Real(K::kSingle, double(1.17549435e-38f)), Real(K::kDouble, 1.0 / 3),
        Date(2958465.999988426), Str(K::kDateTimeExtended, "1000-01-01 00:00:00.0000001"),
        Text("tab\tbarra\\n"), Text("    "), Bytes("\\x"), Bytes("\r\n"), Uuid(255),
        Items({attachment("solo.bin", Noise(1000))})}}};
  s.AddTable("Valori", valori);

  dao::TableDetail righe;
  righe.fields = {Field("Valore", dao::dbLong, 4), Field("Elenco", dao::dbComplexLong, 4)};
  righe.indexes = {sample::PlainIndex("PerValore", {"Valore"})};
  auto one = [](int64_t n) { return dao::ComplexItem{{"Value"}, {Int(n)}}; };
  h.tables["Righe"] = {ColumnsOf(righe.fields),
                       {{Int(1), Items({one(3), one(4)})}, {Int(5), Items({})}, {Int(1000), Items({one(7)})}}};
  s.AddTable("Righe", righe);

  // Values some servers cannot hold: a date before 1000 (MySQL), NUL in text (PostgreSQL). And
  // rows older than a field's Required: a Null in Obbligo, "" in Sigla (AllowZeroLength No), which
  // every server is given with the constraint left out.
  dao::TableDetail speciali;
  speciali.fields = {Field("ID", dao::dbLong, 4), Field("Antica", dao::dbDate, 8), Field("Testo", dao::dbMemo, 0),
                     Field("Obbligo", dao::dbLong, 4, true), Field("Sigla", dao::dbText, 10, true)};
  speciali.indexes = {sample::PrimaryKey({"ID"})};
  h.tables["Speciali"] = {ColumnsOf(speciali.fields),
                          {{Int(1), Date(-657434), Text(std::string("a\0b", 3)), Null(), Text("")},
                           {Int(2), Date(0), Text("x"), Int(3), Text("")}}};
  s.AddTable("Speciali", speciali);

  s.source->relations = {sample::Relation("ValoriRighe", "Valori", "Righe", {{"ID", "Valore"}})};
  h.db = s.Build("prova.accdb");
  return h;
}

// ---- values as compared ------------------------------------------------------------------

std::string Md5(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &n, EVP_md5(), nullptr);
  return Hex(std::string_view(reinterpret_cast<const char*>(digest), n));
}

enum class Family { kBool, kInt, kExact, kSingle, kDouble, kDate, kDateExtended, kText, kBytes, kGuid };

Family FamilyOf(int type) {
  switch (type) {
    case dao::dbBoolean: return Family::kBool;
    case dao::dbCurrency: case dao::dbDecimal: return Family::kExact;
    case dao::dbSingle: return Family::kSingle;
    case dao::dbDouble: return Family::kDouble;
    case dao::dbDate: return Family::kDate;
    case dao::dbDateTimeExtended: return Family::kDateExtended;
    case dao::dbText: case dao::dbMemo: return Family::kText;
    case dao::dbBinary: case dao::dbLongBinary: case 17: return Family::kBytes;
    case dao::dbGUID: return Family::kGuid;
    default: return Family::kInt;
  }
}

// SQLite's NUMERIC affinity on exact decimal text: whole values that fit stay integers, the rest
// become doubles (shown with 15 significant digits, as SQLite prints them).
std::string SqliteNumeric(const std::string& exact) {
  const size_t point = exact.find('.');
  const bool whole = point == std::string::npos || exact.find_first_not_of('0', point + 1) == std::string::npos;
  if (whole) {
    const std::string integer = exact.substr(0, point);
    errno = 0;
    char* end = nullptr;
    long long n = std::strtoll(integer.c_str(), &end, 10);
    if (errno == 0) return std::to_string(n);
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", std::strtod(exact.c_str(), nullptr));
  return buf;
}

// Exact decimal text without the zeros a declared scale pads it with ("1.50" and "1.5000" are one
// value: a server pads to its column's scale, a calculated Decimal's values carry their own).
std::string Unpadded(std::string exact) {
  if (exact.find('.') == std::string::npos) return exact;
  exact.erase(exact.find_last_not_of('0') + 1);
  if (exact.back() == '.') exact.pop_back();
  return exact == "-0" ? "0" : exact;
}

// What the target must hold for a value handed over by the RowSource.
std::string Expected(const Value& v, const SqlDialect& d) {
  const bool sqlite = d.name == "sqlite";
  switch (v.kind) {
    case K::kNull: case K::kComplex: return "~";
    case K::kBool: return v.boolean ? "1" : "0";
    case K::kInt: return std::to_string(v.integer);
    case K::kCurrency: return sqlite ? SqliteNumeric(CurrencyText(v.integer)) : Unpadded(CurrencyText(v.integer));
    case K::kDecimal: return sqlite ? SqliteNumeric(DecimalText(v.decimal)) : Unpadded(DecimalText(v.decimal));
    case K::kSingle: return sqlite ? ShortestDouble(v.real) : ShortestFloat(float(v.real));
    case K::kDouble: return ShortestDouble(v.real);
    case K::kDateTime: {
      std::string t;
      int year;
      DateText(v.real, t, year);
      return t;
    }
    case K::kDateTimeExtended: {
      const size_t point = v.text.find('.');
      return v.text.substr(0, point + 1 + size_t(d.extendedFractionDigits));
    }
    case K::kText: case K::kBytes: return Md5(v.text);
    case K::kGuid: return GuidText(v.guid, true);
  }
  return {};
}

// A server's text for a value of `family`, made comparable (floats read back and written shortest).
std::string FromServer(const std::string& token, Family family, const SqlDialect& d) {
  if (token == "~") return token;
  if (family == Family::kSingle && d.name != "sqlite") return ShortestFloat(std::strtof(token.c_str(), nullptr));
  if (family == Family::kSingle || family == Family::kDouble) return ShortestDouble(std::strtod(token.c_str(), nullptr));
  if (family == Family::kExact) return Unpadded(token);
  return token;
}

// Every table the script or export should make (child tables included): name, column families
// and sorted expected rows ("a|b|c").
struct ExpectedTable {
  std::string name;
  std::vector<std::string> columns;
  std::vector<Family> families;
  std::vector<std::string> rows;
};

std::vector<ExpectedTable> ExpectedTables(dao::Database& db, const RowOpener& open, const SqlDialect& d,
                                          const DdlOptions& options) {
  const DdlParts parts = WriteDdlParts(db, d, options);
  std::vector<ExpectedTable> out;
  for (const DdlTable& table : parts.tables) {
    auto source = open(table.name);
    const auto columns = source->Columns();
    const auto children = ChildTables(d, parts, table, columns);
    ExpectedTable plain{table.name, {}, {}, {}};
    for (const auto& c : columns)
      if (!IsComplexColumn(c)) {
        plain.columns.push_back(c.name);
        plain.families.push_back(FamilyOf(c.type));
      }
    std::vector<ExpectedTable> kids;
    for (const auto& c : children) {
      ExpectedTable k{c.name, c.columnNames, {}, {}};
      for (size_t i : c.keyColumns) k.families.push_back(FamilyOf(columns[i].type));
      if (c.keyColumns.empty()) k.families.push_back(Family::kInt);
      k.families.push_back(Family::kInt);
      for (const auto& p : c.parts) k.families.push_back(FamilyOf(p.type));
      kids.push_back(std::move(k));
    }
    std::vector<Value> row;
    while (source->Next(row)) {
      std::string line;
      for (size_t i = 0; i < columns.size(); ++i)
        if (!IsComplexColumn(columns[i])) line += (line.empty() ? "" : "|") + Expected(row[i], d);
      plain.rows.push_back(line);
      for (size_t ci = 0; ci < children.size(); ++ci) {
        const auto& c = children[ci];
        for (size_t item = 0; item < row[c.column].items.size(); ++item) {
          std::string key;
          for (size_t i : c.keyColumns) key += Expected(row[i], d) + "|";
          if (c.keyColumns.empty()) key = std::to_string(source->RowsRead()) + "|";
          std::string l = key + std::to_string(item + 1);
          const auto& it = row[c.column].items[item];
          for (const auto& p : c.parts) {
            std::string token = "~";
            for (size_t n = 0; n < it.names.size(); ++n)
              if (it.names[n] == p.name) token = Expected(it.values[n], d);
            l += "|" + token;
          }
          kids[ci].rows.push_back(l);
        }
      }
    }
    out.push_back(std::move(plain));
    for (auto& k : kids) out.push_back(std::move(k));
  }
  for (auto& t : out) std::sort(t.rows.begin(), t.rows.end());
  return out;
}

// ---- SQLite read back through libsqlite3 ------------------------------------------------

std::string SqliteToken(sqlite3_stmt* s, int i, Family family) {
  const int type = sqlite3_column_type(s, i);
  if (type == SQLITE_NULL) return "~";
  if (family == Family::kText || family == Family::kBytes) {
    const void* p = type == SQLITE_BLOB ? sqlite3_column_blob(s, i) : sqlite3_column_text(s, i);
    return Md5(std::string_view(static_cast<const char*>(p), size_t(sqlite3_column_bytes(s, i))));
  }
  if (family == Family::kSingle || family == Family::kDouble) return ShortestDouble(sqlite3_column_double(s, i));
  if (type == SQLITE_INTEGER) return std::to_string(sqlite3_column_int64(s, i));
  if (type == SQLITE_FLOAT) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", sqlite3_column_double(s, i));
    return buf;
  }
  return reinterpret_cast<const char*>(sqlite3_column_text(s, i));
}

void CompareSqlite(const std::string& file, const std::vector<ExpectedTable>& want) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK) << file;
  for (const auto& t : want) {
    SCOPED_TRACE("sqlite " + t.name);
    std::string sql = "SELECT ";
    for (size_t i = 0; i < t.columns.size(); ++i) sql += (i ? ", " : "") + QuoteIdentifier(*FindSqlDialect("sqlite"), t.columns[i]);
    sql += " FROM " + QuoteIdentifier(*FindSqlDialect("sqlite"), t.name);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    std::vector<std::string> got;
    while (sqlite3_step(s) == SQLITE_ROW) {
      std::string line;
      for (size_t i = 0; i < t.columns.size(); ++i)
        line += (i ? "|" : "") + SqliteToken(s, int(i), t.families[i]);
      got.push_back(line);
    }
    sqlite3_finalize(s);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, t.rows);
  }
  sqlite3_close(db);
}

std::string ScriptFor(HandDatabase& h, const SqlDialect& d, const DataOptions& options = {}) {
  std::ostringstream out;
  WriteDataScript(*h.db, d, h.Opener(), out, options);
  return out.str();
}

// A file in this run's scratch folder, removed when the tests end.
fs::path Scratch(const std::string& name) {
  struct Folder {
    fs::path path = fs::temp_directory_path() / ("tavrek-data-" + std::to_string(getpid()));
    ~Folder() {
      std::error_code ec;
      fs::remove_all(path, ec);
    }
  };
  static Folder folder;
  fs::create_directories(folder.path);
  return folder.path / name;
}

TEST(DataValues, ExactText) {
  EXPECT_EQ(CurrencyText(std::numeric_limits<int64_t>::min()), "-922337203685477.5808");
  EXPECT_EQ(CurrencyText(std::numeric_limits<int64_t>::max()), "922337203685477.5807");
  EXPECT_EQ(CurrencyText(-1), "-0.0001");
  EXPECT_EQ(DecimalText({false, "5", 4}), "0.0005");
  EXPECT_EQ(DecimalText({true, "0", 2}), "0.00");
  EXPECT_EQ(DecimalText({true, "1234567890123456789012345678", 28}), "-0.1234567890123456789012345678");
  for (double x : {0.1, 1.0 / 3, 1e300, 5e-324, -2.5, 123456789012345678.0})
    EXPECT_EQ(std::strtod(ShortestDouble(x).c_str(), nullptr), x) << ShortestDouble(x);
  EXPECT_EQ(ShortestFloat(1.1f), "1.1");
  dao::Guid g;
  for (size_t i = 0; i < 16; ++i) g.bytes[i] = uint8_t(i);
  EXPECT_EQ(GuidText(g, true), "{03020100-0504-0706-0809-0A0B0C0D0E0F}");
  EXPECT_EQ(GuidText(g, false), "03020100-0504-0706-0809-0a0b0c0d0e0f");
  std::string t;
  int year = 0;
  EXPECT_TRUE(DateText(-1.25, t, year));
  EXPECT_EQ(t, "1899-12-29 06:00:00");
  EXPECT_TRUE(DateText(-657434, t, year));
  EXPECT_EQ(t, "0100-01-01 00:00:00");
  EXPECT_FALSE(DateText(-657435, t, year));
  EXPECT_FALSE(DateText(2958466, t, year));
  EXPECT_FALSE(DateText(std::nan(""), t, year));
}

// Values a server cannot hold stop the script with a message naming table, column and row.
TEST(DataScript, RefusedValues) {
  HandDatabase h = BuildHandDatabase();
  struct Case {
    const char* dialect;
    const char* column;
    const char* why;
  };
  for (const Case& c : {Case{"mysql", "Antica", "prima dell'anno 1000"}, Case{"postgresql", "Testo", "NUL"}}) {
    try {
      ScriptFor(h, *FindSqlDialect(c.dialect));
      ADD_FAILURE() << c.dialect << ": no error";
    } catch (const DataError& e) {
      const std::string m = e.what();
      EXPECT_NE(m.find("tabella \"Speciali\", colonna \"" + std::string(c.column) + "\", riga 1"), std::string::npos) << m;
      EXPECT_NE(m.find(c.why), std::string::npos) << m;
    }
  }
  // Digits past a Decimal column's scale, which the server would round away; zeros are kept.
  const SqlDialect& pg = *FindSqlDialect("postgresql");
  EXPECT_NO_THROW(CheckDecimalScale(pg, Dec(false, "12300", 4), 2, "T", "C", 1));
  EXPECT_THROW(CheckDecimalScale(pg, Dec(true, "12345", 4), 2, "T", "C", 1), DataError);
  EXPECT_NO_THROW(CheckDecimalScale(pg, Dec(true, "12345", 4), 4, "T", "C", 1));
  DataOptions unknown;
  unknown.ddl.tables = {"Nessuna"};
  EXPECT_THROW(ScriptFor(h, *FindSqlDialect("sqlite"), unknown), DdlError);
}

// Rows older than a field's Required: the data outputs create the column without the constraint
// the rows break, say so beside it and on standard error; the structure alone keeps it.
TEST(DataScript, RequiredOverOlderRows) {
  HandDatabase h = BuildHandDatabase();
  auto lineOf = [](const std::string& create, const std::string& column) {
    const size_t at = create.find("\n  " + column + " ");
    return at == std::string::npos ? std::string() : create.substr(at + 1, create.find('\n', at + 1) - at - 1);
  };
  auto speciali = [](const DdlParts& p) {
    for (const DdlTable& t : p.tables)
      if (t.name == "Speciali") return t.create;
    return std::string();
  };
  for (const char* name : {"sqlite", "postgresql", "mysql"}) {
    SCOPED_TRACE(name);
    const SqlDialect& d = *FindSqlDialect(name);
    const std::string obbligo = QuoteIdentifier(d, "Obbligo"), sigla = QuoteIdentifier(d, "Sigla");
    const std::string plain = speciali(WriteDdlParts(*h.db, d, {}));
    EXPECT_NE(lineOf(plain, obbligo).find("NOT NULL"), std::string::npos) << plain;
    EXPECT_NE(plain.find(sigla + " <> ''"), std::string::npos) << plain;

    std::vector<RequiredGap> gaps;
    const std::string data = speciali(DataDdlParts(*h.db, d, h.Opener(), {}, gaps));
    ASSERT_EQ(gaps.size(), 2u);
    EXPECT_EQ(std::tie(gaps[0].column, gaps[0].nulls, gaps[0].empties), std::make_tuple("Obbligo", 1, 0));
    EXPECT_EQ(std::tie(gaps[1].column, gaps[1].nulls, gaps[1].empties), std::make_tuple("Sigla", 0, 2));
    const std::string line = lineOf(data, obbligo);
    ASSERT_FALSE(line.empty()) << data;
    EXPECT_EQ(line.find("NOT NULL"), std::string::npos) << data;
    EXPECT_NE(data.find("-- " + obbligo + ": obbligatorio in Access, ma 1 riga è senza valore (Null): creato senza NOT NULL\n" + line),
              std::string::npos) << data;
    EXPECT_EQ(data.find(sigla + " <> ''"), std::string::npos) << data;
    EXPECT_NE(data.find(sigla + ": obbligatorio in Access, ma 2 righe hanno la stringa vuota"), std::string::npos) << data;
    // Sigla stays NOT NULL: its rows all have a value.
    EXPECT_NE(lineOf(data, sigla).find("NOT NULL"), std::string::npos) << data;
  }
  TableReport report;
  report.gaps = FindRequiredGaps(*h.db, h.Opener(), {});
  std::ostringstream err;
  ReportRequiredGaps({report}, err);
  EXPECT_EQ(err.str(),
            "tavrek-dump: tabella 'Speciali', colonna 'Obbligo': campo obbligatorio con 1 valore Null: creato senza NOT NULL\n"
            "tavrek-dump: tabella 'Speciali', colonna 'Sigla': campo obbligatorio con 2 stringhe vuote: creato senza il vincolo <> ''\n");
  DdlOptions others;
  others.tables = {"Valori", "Righe"};
  EXPECT_TRUE(FindRequiredGaps(*h.db, h.Opener(), others).empty());
}

// The SQLite export and the sqlite3 script hold the same rows, every value as handed over; the
// AutoNumber goes on past the largest key; an existing file is replaced only when complete.
TEST(DataSqlite, ExportAndScript) {
  HandDatabase h = BuildHandDatabase();
  const SqlDialect& d = *FindSqlDialect("sqlite");
  const auto want = ExpectedTables(*h.db, h.Opener(), d, {});
  ASSERT_EQ(want.size(), 5u);  // Valori, Valori_Allegati, Righe, Righe_Elenco, Speciali

  const fs::path exported = Scratch("export.sqlite");
  std::ofstream(exported) << "vecchio";
  std::vector<TableReport> reports;
  std::string error;
  ASSERT_TRUE(ExportSqlite(*h.db, h.Opener(), exported.string(), {}, reports, error)) << error;
  ASSERT_EQ(reports.size(), 3u);
  for (const auto& r : reports) EXPECT_EQ(r.rows, static_cast<int64_t>(h.tables[r.name].rows.size())) << r.name;
  CompareSqlite(exported.string(), want);

  const fs::path script = Scratch("script.sql"), loaded = Scratch("script.sqlite");
  std::ofstream(script, std::ios::binary) << ScriptFor(h, d);
  fs::remove(loaded);
  auto r = testshell::RunCommand("sqlite3 -bail " + testshell::ShellQuote(loaded.string()) + " < " +
                                 testshell::ShellQuote(script.string()) + " 2>&1");
  ASSERT_EQ(r.status, 0) << r.out;
  CompareSqlite(loaded.string(), want);

  for (const fs::path& f : {exported, loaded}) {
    r = testshell::RunCommand("sqlite3 " + testshell::ShellQuote(f.string()) +
                              " \"PRAGMA foreign_keys=ON; INSERT INTO Valori (Vero) VALUES (1);"
                              " SELECT max(ID) FROM Valori; PRAGMA foreign_key_check; PRAGMA integrity_check;\" 2>&1");
    EXPECT_EQ(r.out, "1001\nok\n") << f;
  }

  // A value SQLite cannot hold leaves the old file as it was, and no temporary file behind.
  h.tables["Righe"].rows.push_back({Int(1), Items({dao::ComplexItem{{"Value"}, {Real(K::kDouble, std::nan(""))}}})});
  h.tables["Righe"].columns[1].parts[0].type = dao::dbDouble;
  std::ofstream(exported) << "vecchio";
  EXPECT_THROW(ExportSqlite(*h.db, h.Opener(), exported.string(), {}, reports, error), DataError);
  std::ifstream in(exported);
  std::string kept;
  std::getline(in, kept);
  EXPECT_EQ(kept, "vecchio");
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(exported.parent_path())) ++files;
  EXPECT_EQ(files, 3u);  // export.sqlite, script.sql, script.sqlite, and nothing else
}

// ---- PostgreSQL and MariaDB ---------------------------------------------------------------

std::string ServerFolder() {
  std::ifstream in(TAVREK_SQL_STATE);
  std::string dir;
  std::getline(in, dir);
  return dir;
}

// The server's text of a column, comparable with Expected() (FromServer does the rest).
std::string ServerExpression(const SqlDialect& d, const std::string& column, Family f) {
  const std::string c = QuoteIdentifier(d, column);
  std::string e;
  if (d.name == "postgresql") {
    switch (f) {
      case Family::kBool: e = "CASE WHEN " + c + " THEN '1' ELSE '0' END"; break;
      case Family::kDate: e = "to_char(" + c + ", 'YYYY-MM-DD HH24:MI:SS')"; break;
      case Family::kDateExtended: e = "to_char(" + c + ", 'YYYY-MM-DD HH24:MI:SS.US')"; break;
      case Family::kText: case Family::kBytes: e = "md5(" + c + ")"; break;
      case Family::kGuid: e = "'{' || upper(" + c + "::text) || '}'"; break;
      default: e = c + "::text";
    }
    return "coalesce(" + e + ", '~')";
  }
  switch (f) {
    case Family::kDate: e = "DATE_FORMAT(" + c + ", '%Y-%m-%d %H:%i:%s')"; break;
    case Family::kDateExtended: e = "DATE_FORMAT(" + c + ", '%Y-%m-%d %H:%i:%s.%f')"; break;
    case Family::kText: case Family::kBytes: e = "MD5(" + c + ")"; break;
    case Family::kSingle: e = "CAST(CAST(" + c + " AS DOUBLE) AS CHAR)"; break;  // all its digits
    default: e = "CAST(" + c + " AS CHAR)";
  }
  return "COALESCE(" + e + ", '~')";
}

struct ServerClient {
  const SqlDialect& dialect;
  std::string client;  // the command line of the server's own client, reading standard input
  std::string createSchema;  // "{name}" replaced by the schema's name

  testshell::CommandResult Run(const std::string& sql) const {
    const fs::path file = Scratch(std::string(dialect.name) + "-input.sql");
    std::ofstream(file, std::ios::binary) << sql;
    return testshell::RunCommand(client + " < " + testshell::ShellQuote(file.string()) + " 2>&1");
  }
};

std::vector<ServerClient> Servers() {
  const std::string dir = ServerFolder();
  if (dir.empty()) return {};
  return {{*FindSqlDialect("postgresql"),
           "psql -X -q -At -v ON_ERROR_STOP=1 -h " + testshell::ShellQuote(dir + "/pg") + " -U postgres -d postgres",
           "CREATE SCHEMA {name}; SET search_path TO {name};\n"},
          {*FindSqlDialect("mysql"),
           "mariadb --no-defaults --default-character-set=utf8mb4 -N -B -S " +
               testshell::ShellQuote(dir + "/my.sock") + " -u root",
           "CREATE DATABASE {name} CHARACTER SET utf8mb4; USE {name};\n"}};
}

std::string Named(std::string pattern, const std::string& name) {
  for (size_t at; (at = pattern.find("{name}")) != std::string::npos;) pattern.replace(at, 6, name);
  return pattern;
}

// Loads the script of `db` into schema `name` and compares every table, row by row.
void LoadAndCompare(const ServerClient& server, dao::Database& db, const RowOpener& open,
                    const std::string& name, const DdlOptions& options = {}) {
  SCOPED_TRACE(std::string(server.dialect.name) + " " + name);
  DataOptions data;
  data.ddl = options;
  std::ostringstream script;
  WriteDataScript(db, server.dialect, open, script, data);
  auto loaded = server.Run(Named(server.createSchema, name) + script.str());
  ASSERT_EQ(loaded.status, 0) << loaded.out.substr(0, 4000);
  const auto want = ExpectedTables(db, open, server.dialect, options);
  std::string queries = Named(server.createSchema, name).substr(Named(server.createSchema, name).find(';') + 1);
  for (const auto& t : want) {
    std::string select = "SELECT '@@';\nSELECT ";
    for (size_t i = 0; i < t.columns.size(); ++i)
      select += (i ? std::string(server.dialect.name == "postgresql" ? " || '|' || " : ", '|', ")
                   : std::string(server.dialect.name == "postgresql" ? "" : "CONCAT(")) +
                ServerExpression(server.dialect, t.columns[i], t.families[i]);
    if (server.dialect.name != "postgresql") select += ")";
    queries += select + " FROM " + QuoteIdentifier(server.dialect, t.name) + ";\n";
  }
  auto read = server.Run(queries);
  ASSERT_EQ(read.status, 0) << read.out;
  std::vector<std::vector<std::string>> got;
  std::istringstream lines(read.out);
  for (std::string line; std::getline(lines, line);) {
    if (line == "@@") {
      got.emplace_back();
    } else if (!got.empty()) {
      const size_t table = got.size() - 1;
      std::string row;
      size_t field = 0, start = 0;
      for (size_t bar = line.find('|');; bar = line.find('|', start)) {
        const std::string token = line.substr(start, bar == std::string::npos ? bar : bar - start);
        row += (field ? "|" : "") + FromServer(token, want[table].families[field], server.dialect);
        ++field;
        if (bar == std::string::npos) break;
        start = bar + 1;
      }
      got.back().push_back(row);
    }
  }
  ASSERT_EQ(got.size(), want.size()) << read.out.substr(0, 2000);
  for (size_t i = 0; i < want.size(); ++i) {
    std::sort(got[i].begin(), got[i].end());
    EXPECT_EQ(got[i].size(), want[i].rows.size()) << want[i].name;
    EXPECT_EQ(got[i], want[i].rows) << want[i].name;
  }
}

// With every table written, the stored queries come along as views, in the SQLite file and in the
// script alike, and each view can be read on the migrated rows.
TEST(DataSqlite, ViewsFollowTheTables) {
  dao::DBEngine engine;
  for (const char* name : {"ace/queryTestV2007.accdb", "app/asvnTest2003.mdb", "access-sql/targetlists.accdb"}) {
    SCOPED_TRACE(name);
    auto db = engine.OpenDatabase((fs::path(TAVREK_TEST_DATA) / name).string());
    RowOpener open = [&db](const std::string& table) { return db->OpenRows(table); };
    const fs::path exported = Scratch("views.sqlite"), script = Scratch("views.sql"),
                   loaded = Scratch("views-script.sqlite");
    fs::remove(exported);
    fs::remove(loaded);
    DataOptions data;
    std::vector<TableReport> reports;
    std::string error;
    ASSERT_TRUE(ExportSqlite(*db, open, exported.string(), data, reports, error)) << error;
    {
      std::ofstream out(script, std::ios::binary);
      WriteDataScript(*db, *FindSqlDialect("sqlite"), open, out, data);
    }
    auto r = testshell::RunCommand("sqlite3 -bail " + testshell::ShellQuote(loaded.string()) + " < " +
                                   testshell::ShellQuote(script.string()) + " 2>&1");
    ASSERT_EQ(r.status, 0) << r.out;
    for (const fs::path& file : {exported, loaded}) {
      sqlite3* lite = nullptr;
      ASSERT_EQ(sqlite3_open_v2(file.c_str(), &lite, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
      std::vector<std::string> views;
      sqlite3_stmt* s = nullptr;
      ASSERT_EQ(sqlite3_prepare_v2(lite, "SELECT name FROM sqlite_master WHERE type = 'view'", -1, &s, nullptr),
                SQLITE_OK);
      while (sqlite3_step(s) == SQLITE_ROW) views.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
      sqlite3_finalize(s);
      EXPECT_FALSE(views.empty()) << file;
      for (const std::string& view : views) {
        const std::string sql = "SELECT * FROM " + QuoteIdentifier(*FindSqlDialect("sqlite"), view);
        ASSERT_EQ(sqlite3_prepare_v2(lite, sql.c_str(), -1, &s, nullptr), SQLITE_OK) << view << ": " << sqlite3_errmsg(lite);
        int step;
        while ((step = sqlite3_step(s)) == SQLITE_ROW) {
        }
        EXPECT_EQ(step, SQLITE_DONE) << view << ": " << sqlite3_errmsg(lite);
        sqlite3_finalize(s);
      }
      sqlite3_close(lite);
    }
  }
}

// ---- every database file of the test data, read by the engine ------------------------------

std::vector<fs::path> TestDatabases() {
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(TAVREK_TEST_DATA)) {
    const std::string ext = e.path().extension().string();
    if (ext == ".mdb" || ext == ".accdb") files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The local tables of `db` (those a script would write). A table whose name the server cannot
// take is left out and listed in `refused` (the DDL tests cover why), the others kept.
std::vector<std::string> LocalTables(dao::Database& db, const SqlDialect& d, std::vector<std::string>& refused) {
  std::vector<std::string> names;
  for (const DdlTable& t : WriteDdlParts(db, *FindSqlDialect("sqlite")).tables) names.push_back(t.name);
  DdlOptions options;
  options.views = false;
  while (!names.empty()) {
    options.tables = names;
    try {
      WriteDdlParts(db, d, options);
      return names;
    } catch (const DdlError& e) {
      const std::string m = e.what();
      auto named = std::find_if(names.begin(), names.end(), [&](const std::string& t) {
        return m.find("\"" + t + "\"") != std::string::npos;
      });
      if (named == names.end()) {
        refused.push_back(std::string("struttura rifiutata da ") + std::string(d.name) + ": " + m);
        return {};
      }
      refused.push_back("tabella lasciata fuori dal confronto, " + m);
      names.erase(named);
    }
  }
  return names;
}

// A value every server holds, of the kind of a column of DAO type `type`.
Value StandIn(int type) {
  Value v;
  switch (type) {
    case dao::dbBoolean: v.kind = K::kBool; break;
    case dao::dbCurrency: v.kind = K::kCurrency; break;
    case dao::dbDecimal: v.kind = K::kDecimal; v.decimal = {false, "0", 0}; break;
    case dao::dbSingle: v.kind = K::kSingle; break;
    case dao::dbDouble: v.kind = K::kDouble; break;
    case dao::dbDate: v.kind = K::kDateTime; v.real = 36526; break;  // 1 January 2000
    case dao::dbDateTimeExtended: v.kind = K::kDateTimeExtended; v.text = "2000-01-01 00:00:00.0000000"; break;
    case dao::dbText: case dao::dbMemo: v.kind = K::kText; v.text = "-"; break;  // not empty: may be refused
    case dao::dbBinary: case dao::dbLongBinary: v.kind = K::kBytes; break;
    case dao::dbGUID: v.kind = K::kGuid; break;
    default: v.kind = K::kInt; break;
  }
  return v;
}

// The values a server cannot hold, by row position (from 1, as the script numbers rows) and
// column: replaced by a stand-in, so that the rest of the row is still compared; -1 for the
// column leaves the whole row out (a value of a child table).
using Refusals = std::map<int64_t, std::set<int>>;

// Another source's rows with its refused values replaced or left out.
class RowsStoodIn : public dao::RowSource {
 public:
  RowsStoodIn(std::unique_ptr<dao::RowSource> rows, Refusals refusals)
      : rows_(std::move(rows)), refusals_(std::move(refusals)) {}
  const std::string& TableName() const override { return rows_->TableName(); }
  const std::vector<dao::RowColumn>& Columns() const override { return rows_->Columns(); }
  bool Next(std::vector<Value>& row) override {
    while (rows_->Next(row)) {
      auto found = refusals_.find(rows_->RowsRead());
      if (found == refusals_.end()) return true;
      if (found->second.count(-1)) continue;
      for (int c : found->second) row[size_t(c)] = StandIn(Columns()[size_t(c)].type);
      return true;
    }
    return false;
  }
  int64_t RowsRead() const override { return rows_->RowsRead(); }
  const std::vector<dao::LostRow>& Lost() const override { return rows_->Lost(); }

 private:
  std::unique_ptr<dao::RowSource> rows_;
  Refusals refusals_;
};

// What a server is given of a file: its tables, with the values it cannot hold (each named by the
// data writer, as documented) stood in for, so that the rest of their rows is still compared.
struct Writable {
  std::vector<std::string> tables;
  // By table name, as the writer names it; shared with `open`.
  std::shared_ptr<std::map<std::string, Refusals>> refusals;
  RowOpener open;  // the rows with the stand-ins (`open` of WritableTables must outlive it)
};

Writable WritableTables(dao::Database& db, const RowOpener& open, const SqlDialect& d,
                        std::vector<std::string>& refused) {
  Writable w{LocalTables(db, d, refused), std::make_shared<std::map<std::string, Refusals>>(), {}};
  w.open = [&open, refusals = w.refusals](const std::string& table) -> std::unique_ptr<dao::RowSource> {
    auto found = refusals->find(table);
    if (found == refusals->end()) return open(table);
    return std::make_unique<RowsStoodIn>(open(table), found->second);
  };
  auto named = [&w](const std::string& m, const std::string& open, const std::string& close) {
    return std::find_if(w.tables.begin(), w.tables.end(), [&](const std::string& t) {
      return m.find(open + t + close) != std::string::npos || m.find(open + t + "_") != std::string::npos;
    });
  };
  constexpr size_t kMostRowsRefused = 50;
  for (;;) {
    if (w.tables.empty()) return w;
    DataOptions options;
    options.ddl.tables = w.tables;
    try {
      std::ostringstream sink;
      WriteDataScript(db, d, w.open, sink, options);
      return w;
    } catch (const DataError& e) {
      const std::string m = e.what();
      auto table = named(m, "tabella \"", "\"");
      const size_t at = m.find("\", riga ");
      if (table == w.tables.end() || at == std::string::npos) {
        ADD_FAILURE() << "the message names no table and row: " << m;
        return {};
      }
      const int64_t row = std::stoll(m.substr(at + 8));
      // The column among the table's own (not a child table's): its value is stood in for.
      int column = -1;
      const auto columns = open(*table)->Columns();
      for (size_t c = 0; c < columns.size(); ++c)
        if (m.find("tabella \"" + *table + "\", colonna \"" + columns[c].name + "\"") != std::string::npos)
          column = int(c);
      Refusals& refusals = (*w.refusals)[*table];
      if (!refusals[row].insert(column).second || refusals.size() > kMostRowsRefused) {
        ADD_FAILURE() << "values refused without end: " << m;
        return {};
      }
      refused.push_back((column < 0 ? "riga lasciata fuori dal confronto, " : "valore sostituito nel confronto, ") + m);
    } catch (const dao::Error& e) {
      // A row the engine cannot read: the reader's own tests answer for it; its table is left out
      // here and listed.
      const std::string m = e.Description();
      auto table = named(m, "'", "'");
      if (table == w.tables.end()) throw;
      refused.push_back("tabella lasciata fuori dal confronto, Errore " + std::to_string(e.Number()) + ": " + m);
      w.tables.erase(table);
    }
  }
}

// The hand-built rows on both servers, Speciali too: the value each server refuses (a date
// before 1000 on MySQL, NUL on PostgreSQL) is named, stood in for, and the rest compared.
TEST(DataServers, HandBuiltRows) {
  const auto servers = Servers();
  if (servers.empty()) GTEST_SKIP() << "no servers: run through ctest (fixture sql_servers)";
  HandDatabase h = BuildHandDatabase();
  const RowOpener open = h.Opener();
  for (const auto& server : servers) {
    std::vector<std::string> refused;
    const Writable w = WritableTables(*h.db, open, server.dialect, refused);
    ASSERT_EQ(refused.size(), 1u) << server.dialect.name;
    EXPECT_NE(refused[0].find("valore sostituito nel confronto, valore non accettato da " +
                              std::string(server.dialect.name) + ": tabella \"Speciali\""),
              std::string::npos) << refused[0];
    DdlOptions chosen;
    chosen.tables = w.tables;
    LoadAndCompare(server, *h.db, w.open, "mano", chosen);
    // The AutoNumber goes on past the largest key written.
    const bool pg = server.dialect.name == "postgresql";
    auto r = server.Run(pg ? "INSERT INTO mano.\"Valori\" (\"Vero\") VALUES (true) RETURNING \"ID\";"
                           : "USE mano; INSERT INTO Valori (Vero) VALUES (1); SELECT LAST_INSERT_ID();");
    EXPECT_EQ(r.out, "1001\n") << server.dialect.name;
  }
}

TEST(DataFiles, EveryTestDatabase) {
  const auto servers = Servers();
  dao::DBEngine engine;
  int checked = 0, tables = 0;
  std::vector<std::string> refused;
  for (const fs::path& f : TestDatabases()) {
    std::shared_ptr<dao::Database> db;
    try {
      db = engine.OpenDatabase(f.string());
    } catch (const dao::Error&) {
      continue;  // protected files, and those this test has no key for
    }
    SCOPED_TRACE(f.filename().string());
    RowOpener open = [&db](const std::string& table) { return db->OpenRows(table); };
    try {
      // SQLite: the export and the script through sqlite3, both read back.
      const SqlDialect& lite = *FindSqlDialect("sqlite");
      const Writable w = WritableTables(*db, open, lite, refused);
      DdlOptions options;
      options.tables = w.tables;
      if (!options.tables.empty()) {
        const auto want = ExpectedTables(*db, w.open, lite, options);
        const fs::path exported = Scratch("corpus.sqlite"), script = Scratch("corpus.sql"),
                       loaded = Scratch("corpus-script.sqlite");
        DataOptions data;
        data.ddl = options;
        std::vector<TableReport> reports;
        std::string error;
        ASSERT_TRUE(ExportSqlite(*db, w.open, exported.string(), data, reports, error)) << error;
        CompareSqlite(exported.string(), want);
        {
          std::ofstream out(script, std::ios::binary);
          WriteDataScript(*db, lite, w.open, out, data);
        }
        fs::remove(loaded);
        auto r = testshell::RunCommand("sqlite3 -bail " + testshell::ShellQuote(loaded.string()) + " < " +
                                       testshell::ShellQuote(script.string()) + " 2>&1");
        ASSERT_EQ(r.status, 0) << r.out;
        CompareSqlite(loaded.string(), want);
        tables += int(want.size());
      }
      for (const auto& server : servers) {
        const Writable ws = WritableTables(*db, open, server.dialect, refused);
        DdlOptions chosen;
        chosen.tables = ws.tables;
        if (chosen.tables.empty()) continue;
        LoadAndCompare(server, *db, ws.open, "f" + std::to_string(checked), chosen);
      }
    } catch (const dao::Error& e) {
      ADD_FAILURE() << "Errore " << e.Number() << ": " << e.Description();
    }
    ++checked;
  }
  EXPECT_GT(checked, 10);
  EXPECT_GT(tables, 20);
  std::cout << checked << " file, " << tables << " tabelle SQLite confrontate\n";
  for (const auto& m : refused) std::cout << m << '\n';
}

}  // namespace
