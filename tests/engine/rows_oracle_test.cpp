// Every value of every user table of the test databases, as the engine's row reader hands it
// over, against what the independent reader mdb-reader (run by node) sees in the same file.
//
// Where mdb-reader cannot read a column (multi-value fields and version histories: it only knows
// attachments) the column is left out; everything else must agree value by value, with these
// known faults of mdb-reader, where the file's bytes decide:
// - calculated columns: it reads the 20-byte header Access keeps before the result as the value
//   (every calculated date comes out as 30 Dec 1899); the file's result follows the header, so
//   those columns are checked against values worked out by hand below;
// - dates before 30 Dec 1899: it converts the day number linearly, so -1.25 becomes 28 Dec 18:00
//   instead of Access's 29 Dec 06:00; dates are therefore compared as the stored number it
//   converts (milliseconds on its linear scale), the calendar text being the CSV test's;
// - it lists MSys tables Access created for itself (MSysCompactError) as user tables.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "engine/rows.h"
#include "tests/support/shell.h"
#include "test_files.h"

namespace {

using Kind = dao::Value::Kind;

std::string Hex(std::string_view s) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out.push_back(kHex[c >> 4]);
    out.push_back(kHex[c & 0xF]);
  }
  return out;
}

// A decimal text without trailing zeros after the point, and without "-" for zero.
std::string CanonicalDecimal(std::string s) {
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

// A command's standard output (empty when it cannot run).
std::string Output(const std::string& command) { return testshell::RunCommand(command).out; }

struct OracleTable {
  int64_t rowCount = 0;
  std::map<std::string, std::vector<std::string>> values;  // by column (hex name)
  std::vector<std::string> unreadable;                     // columns mdb-reader cannot read
};

std::map<std::string, OracleTable> ReadOracle(const std::string& file, const char* password) {
  std::string command = std::string("TZ=UTC MDB_READER='") + TAVREK_MDB_READER + "' " +
                        (password ? std::string("MDB_PASSWORD='") + password + "' " : "") +
                        "node '" + TAVREK_ORACLE_SCRIPT + "' '" + file + "'";
  std::map<std::string, OracleTable> tables;
  std::istringstream in(Output(command));
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    size_t at = 0;
    for (size_t tab; (tab = line.find('\t', at)) != std::string::npos; at = tab + 1)
      f.push_back(line.substr(at, tab - at));
    f.push_back(line.substr(at));
    if (f[0] == "table") tables[f[1]].rowCount = std::stoll(f[2]);
    if (f[0] == "column" && f[2] == "?") tables[f[1]].unreadable.push_back(f[3]);
    if (f[0] == "column" && f[2] == "ok") tables[f[1]].values[f[3]];
    if (f[0] == "value") tables[f[1]].values[f[3]].push_back(f[4]);
  }
  return tables;
}

// The engine's value in mdb-reader's terms (see mdb_reader_rows.mjs), or "" for a real number,
// which is compared by value.
std::string Encode(const dao::Value& v) {
  switch (v.kind) {
    case Kind::kNull: return "N";
    case Kind::kBool: return v.boolean ? "B1" : "B0";
    case Kind::kInt: return "I" + std::to_string(v.integer);
    case Kind::kCurrency: {
      dao::Decimal d;
      d.negative = v.integer < 0;
      d.digits = std::to_string(d.negative ? 0 - static_cast<uint64_t>(v.integer)
                                           : static_cast<uint64_t>(v.integer));
      d.scale = 4;
      return "C" + CanonicalDecimal(d.ToString());
    }
    case Kind::kDecimal: return "C" + CanonicalDecimal(v.decimal.ToString());
    case Kind::kSingle:
    case Kind::kDouble: return "";
    case Kind::kDateTime: {
      // mdb-reader: Math.round((days - 25569) * 86400 * 1000).
      const double ms = (v.real - 25569) * 86400 * 1000;
      return "D" + std::to_string(static_cast<int64_t>(std::floor(ms + 0.5)));
    }
    case Kind::kDateTimeExtended: {
      // mdb-reader writes "YYYY.MM.DD hh:mm:ss" and nanoseconds.
      std::string t = v.text;
      t[4] = t[7] = '.';
      return "E" + t + "00";
    }
    case Kind::kText: return "T" + Hex(v.text);
    case Kind::kBytes: return "X" + Hex(v.text);
    case Kind::kGuid: {
      std::string g = v.guid.ToString().substr(1, 36);
      for (char& c : g) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return "G" + g;
    }
    case Kind::kComplex: {
      // Attachments: file name, type and bytes of each.
      std::string out = "A";
      for (size_t i = 0; i < v.items.size(); ++i) {
        const dao::ComplexItem& item = v.items[i];
        std::string name, type, data;
        for (size_t k = 0; k < item.names.size(); ++k) {
          if (item.names[k] == "FileName") name = item.values[k].text;
          if (item.names[k] == "FileType") type = item.values[k].text;
          if (item.names[k] == "FileData") data = item.values[k].text;
        }
        out += (i ? "," : "") + Hex(name) + "." + Hex(type) + "." + Hex(data);
      }
      return out;
    }
  }
  return "?";
}

struct OracleFile {
  const char* path;
  const char* password;
  std::vector<std::string> calculated = {};  // columns mdb-reader reads wrongly (see above)
};

class RowsOracleTest : public ::testing::TestWithParam<OracleFile> {};

TEST_P(RowsOracleTest, EveryValueAsMdbReaderReadsIt) {
  const std::string file = enginetest::Corpus(GetParam().path);
  const char* password = GetParam().password;
  std::map<std::string, OracleTable> oracle = ReadOracle(file, password);

  dao::DBEngine engine;
  auto db = engine.OpenDatabase(file, false, true,
                                password ? std::optional<std::string>(std::string(";") + password)
                                         : std::nullopt);
  std::vector<std::string> ours;
  for (const dao::TableDef& t : db->TableDefs())
    if (!t.IsSystem() && !t.IsLinked()) ours.push_back(Hex(t.Name()));
  std::vector<std::string> theirs;
  for (const auto& [name, table] : oracle)
    if (name.rfind(Hex("MSys"), 0) != 0) theirs.push_back(name);
  std::sort(ours.begin(), ours.end());
  ASSERT_EQ(ours, theirs);

  int64_t compared = 0;
  for (const auto& [hexName, expected] : oracle) {
    if (hexName.rfind(Hex("MSys"), 0) == 0) continue;
    std::string name;
    for (size_t k = 0; k + 1 < hexName.size(); k += 2)
      name.push_back(static_cast<char>(std::stoi(hexName.substr(k, 2), nullptr, 16)));
    SCOPED_TRACE("table " + name);
    std::unique_ptr<dao::RowSource> rows = db->OpenRows(name);
    const auto& columns = rows->Columns();
    // The columns both readers read, and mdb-reader's values of each row in that order.
    std::vector<size_t> compare;
    std::vector<const std::vector<std::string>*> wanted;
    for (size_t c = 0; c < columns.size(); ++c) {
      const std::string column = Hex(columns[c].name);
      const auto& calculated = GetParam().calculated;
      if (std::find(calculated.begin(), calculated.end(), columns[c].name) != calculated.end())
        continue;
      auto found = expected.values.find(column);
      if (found == expected.values.end()) {
        EXPECT_NE(std::find(expected.unreadable.begin(), expected.unreadable.end(), column),
                  expected.unreadable.end())
            << "column " << columns[c].name << " unknown to mdb-reader";
        continue;
      }
      compare.push_back(c);
      wanted.push_back(&found->second);
    }
    // Rows are compared as sets: the two readers agree on the rows, not on the order they take
    // overflow rows in. A real number is compared by its bits (a Single widened exactly).
    auto real = [](double d) {
      uint64_t bits;
      std::memcpy(&bits, &d, sizeof bits);
      return "R" + std::to_string(bits);
    };
    std::vector<std::vector<std::string>> ourRows, theirRows;
    std::vector<dao::Value> row;
    while (rows->Next(row)) {
      ASSERT_EQ(row.size(), columns.size());
      std::vector<std::string>& encoded = ourRows.emplace_back();
      for (size_t c : compare) {
        const std::string got = Encode(row[c]);
        encoded.push_back(got.empty() ? real(row[c].real) : got);
      }
    }
    const size_t count = wanted.empty() ? ourRows.size() : wanted[0]->size();
    for (size_t r = 0; r < count; ++r) {
      std::vector<std::string>& encoded = theirRows.emplace_back();
      for (const auto* values : wanted) {
        const std::string& want = r < values->size() ? (*values)[r] : std::string("-");
        if (want[0] == 'R') encoded.push_back(real(std::strtod(want.c_str() + 1, nullptr)));
        else if (want[0] == 'C') encoded.push_back("C" + CanonicalDecimal(want.substr(1)));
        else encoded.push_back(want);
      }
    }
    std::sort(ourRows.begin(), ourRows.end());
    std::sort(theirRows.begin(), theirRows.end());
    ASSERT_EQ(ourRows.size(), theirRows.size());
    for (size_t r = 0; r < ourRows.size(); ++r)
      for (size_t k = 0; k < compare.size(); ++k) {
        EXPECT_EQ(ourRows[r][k], theirRows[r][k]) << "column " << columns[compare[k]].name;
        ++compared;
      }
    EXPECT_TRUE(rows->Lost().empty());
  }
  RecordProperty("values", static_cast<int>(compared));
}

// Every test database mdb-reader opens (it reads no Office encryption but the agile one of
// V2010_with-password, and no Jet 3 code page but 1252).
// A test's name from a file's path: "jet4/testV2000.mdb" -> "jet4_testV2000_mdb".
std::string TestName(std::string path) {
  for (char& c : path)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return path;
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, RowsOracleTest,
    ::testing::Values(
        OracleFile{"access-sql/targetlists.accdb", nullptr},
        OracleFile{"ace/calcFieldTestV2010.accdb", nullptr,
                   {"LastFirst", "LastFirstLen", "MonthlySalary", "IsRich", "AllNames",
                    "WeeklySalary", "SalaryTest", "BoolTest", "DecimalTest", "FloatTest",
                    "BigNumTest"}},
        OracleFile{"ace/complexDataTestV2010.accdb", nullptr},
        OracleFile{"ace/extDateTestV2019.accdb", nullptr, {"DateNormalCalc"}},
        OracleFile{"ace/indexTestV2007.accdb", nullptr},
        OracleFile{"ace/queryTestV2007.accdb", nullptr},
        OracleFile{"ace/testV2007.accdb", nullptr},
        OracleFile{"ace/v2016-bigint.accdb", nullptr},
        OracleFile{"app/Access_Example_VBA.accdb", nullptr},
        OracleFile{"app/asvnTest2003.mdb", nullptr},
        OracleFile{"app/vbaV2000.mdb", nullptr},
        OracleFile{"app/vbaV2003.mdb", nullptr},
        OracleFile{"app/vbaV2007.accdb", nullptr},
        OracleFile{"encrypted/V2010_no-password.accdb", nullptr},
        OracleFile{"encrypted/V2010_with-password.accdb", "password"},
        OracleFile{"encrypted/enc_vbaV2000.mdb", "1234567890"},
        OracleFile{"generated/stress-d-300rels-V2007.accdb", nullptr},
        OracleFile{"generated/stress-e-unicode-V2000.mdb", nullptr},
        OracleFile{"generated/stress-e-unicode-V2010.accdb", nullptr},
        OracleFile{"jet3/compIndexTestV1997.mdb", nullptr},
        OracleFile{"jet3/delColTestV1997.mdb", nullptr},
        OracleFile{"jet3/indexTestV1997.mdb", nullptr},
        OracleFile{"jet3/queryTestV1997.mdb", nullptr},
        OracleFile{"jet3/test2V1997.mdb", nullptr},
        OracleFile{"jet3/testIndexCodesV1997.mdb", nullptr},
        OracleFile{"jet3/testV1997.mdb", nullptr},
        OracleFile{"jet4/V2000_no-password.mdb", nullptr},
        OracleFile{"jet4/V2000_with-password.mdb", "password"},
        OracleFile{"jet4/bigIndexTestV2000.mdb", nullptr},
        OracleFile{"jet4/compIndexTestV2000.mdb", nullptr},
        OracleFile{"jet4/delColTestV2000.mdb", nullptr},
        OracleFile{"jet4/emptyV2000.mdb", nullptr},
        OracleFile{"jet4/encodedV2000.mdb", nullptr},
        OracleFile{"jet4/indexTestV2000.mdb", nullptr},
        OracleFile{"jet4/queryTestV2000.mdb", nullptr},
        OracleFile{"jet4/test2V2000.mdb", nullptr},
        OracleFile{"jet4/testIndexPropertiesV2000.mdb", nullptr},
        OracleFile{"jet4/testV2000.mdb", nullptr}),
    [](const ::testing::TestParamInfo<OracleFile>& info) { return TestName(info.param.path); });

// The same files through Debian's mdb-export (mdbtools), a second independent reader, for the
// values it writes right: whole numbers, Yes/No, Currency and Decimal, text and memo, binary as
// hexadecimal, GUIDs (it drops one dash), and dates from 1900 on to the second. It writes Null and
// empty text alike, Single and Double to 8 and 16 significant digits (compared to that
// precision), dates before 1900 wrongly ("01/00/00"), and complex columns as their hidden keys;
// those are left out.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1);
  std::string field;
  bool quoted = false, inQuotes = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inQuotes) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field.push_back('"');
        ++i;
      } else if (c == '"') {
        inQuotes = false;
      } else {
        field.push_back(c);
      }
    } else if (c == '"') {
      inQuotes = quoted = true;
    } else if (c == ',' || c == '\n') {
      rows.back().push_back(field);
      field.clear();
      quoted = false;
      if (c == '\n') rows.emplace_back();
    } else {
      field.push_back(c);
    }
  }
  (void)quoted;
  if (rows.back().empty()) rows.pop_back();
  return rows;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The engine's value as mdb-export writes it, or "*" when the column is not compared. Reals are
// written to the precision mdb-export uses.
std::string AsMdbExport(const dao::Value& v, int type) {
  char buf[64];
  switch (v.kind) {
    case Kind::kNull: return "N";
    case Kind::kBool: return v.boolean ? "I1" : "I0";
    case Kind::kInt: return "I" + std::to_string(v.integer);
    case Kind::kCurrency:
    case Kind::kDecimal: return "C" + CanonicalDecimal(Encode(v).substr(1));
    case Kind::kSingle:
      std::snprintf(buf, sizeof buf, "%.6g", v.real);
      return std::string("f") + buf;
    case Kind::kDouble:
      std::snprintf(buf, sizeof buf, "%.14g", v.real);
      return std::string("d") + buf;
    case Kind::kDateTime: {
      const std::string iso = dao::IsoDateTime(v.real);
      if (v.real < 1 || iso.size() != 19) return "*";
      return "I" + iso;
    }
    case Kind::kText: return "I" + v.text;
    case Kind::kBytes:
      return type == dao::dbBinary || type == dao::dbLongBinary ? "I" + Lower(Hex(v.text)) : "*";
    case Kind::kGuid: {
      std::string g;
      for (char c : v.guid.ToString())
        if (std::isxdigit(static_cast<unsigned char>(c))) g.push_back(c);
      return "G" + Lower(g);
    }
    default: return "*";
  }
}

// mdb-export's field in the terms AsMdbExport gave the engine's value (whose tag says how).
std::string TheirsAs(const std::string& field, const std::string& ours) {
  char buf[64];
  switch (ours[0]) {
    case '*': return ours;
    case 'N': return field.empty() ? "N" : "I" + field;
    case 'C': return "C" + CanonicalDecimal(field);
    case 'f':
    case 'd':
      std::snprintf(buf, sizeof buf, ours[0] == 'f' ? "%.6g" : "%.14g",
                    std::strtod(field.c_str(), nullptr));
      return ours.substr(0, 1) + buf;
    case 'G': {
      std::string g;
      for (char c : field)
        if (std::isxdigit(static_cast<unsigned char>(c))) g.push_back(c);
      return "G" + Lower(g);
    }
    default: return "I" + field;
  }
}

class MdbExportTest : public ::testing::TestWithParam<const char*> {};

TEST_P(MdbExportTest, ValuesItWritesRight) {
  const std::string file = enginetest::Corpus(GetParam());
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(file);
  int64_t compared = 0;
  for (const dao::TableDef& t : db->TableDefs()) {
    if (t.IsSystem() || t.IsLinked()) continue;
    SCOPED_TRACE("table " + t.Name());
    const auto theirs = ParseCsv(Output("mdb-export -b hex -T '%Y-%m-%dT%H:%M:%S' '" + file + "' '" +
                                     t.Name() + "'"));
    auto rows = db->OpenRows(t.Name());
    const auto& columns = rows->Columns();
    ASSERT_FALSE(theirs.empty());
    ASSERT_EQ(theirs[0].size(), columns.size());
    std::vector<std::vector<std::string>> ourRows, theirRows;
    std::vector<dao::Value> row;
    while (rows->Next(row)) {
      auto& mine = ourRows.emplace_back();
      for (size_t c = 0; c < columns.size(); ++c) mine.push_back(AsMdbExport(row[c], columns[c].type));
    }
    ASSERT_EQ(ourRows.size() + 1, theirs.size());
    std::vector<std::vector<std::string>> converted;
    for (size_t r = 1; r < theirs.size(); ++r) {
      auto& out = converted.emplace_back();
      ASSERT_EQ(theirs[r].size(), columns.size());
      for (size_t c = 0; c < columns.size(); ++c) out.push_back(theirs[r][c]);
    }
    // Each of mdb-export's rows, read in the engine's terms column by column, must be one of ours.
    std::multiset<std::vector<std::string>> mine(ourRows.begin(), ourRows.end());
    for (const auto& their : converted) {
      bool found = false;
      for (auto it = mine.begin(); it != mine.end(); ++it) {
        bool same = true;
        for (size_t c = 0; c < columns.size() && same; ++c) {
          const std::string& o = (*it)[c];
          std::string t = TheirsAs(their[c], o);
          // Binary is compared in lower case; an empty text and Null are written alike.
          if (columns[c].type == dao::dbBinary || columns[c].type == dao::dbLongBinary)
            t = t.substr(0, 1) + Lower(t.substr(1));
          same = t == o || (o == "I" && t == "N");
        }
        if (same) {
          mine.erase(it);
          found = true;
          compared += static_cast<int64_t>(columns.size());
          break;
        }
      }
      if (!found) {
        // Name the fields that differ from the engine's first row not yet matched.
        std::string text;
        if (!mine.empty())
          for (size_t c = 0; c < columns.size(); ++c)
            if (TheirsAs(their[c], (*mine.begin())[c]) != (*mine.begin())[c] &&
                columns[c].type != dao::dbBinary && columns[c].type != dao::dbLongBinary)
              text += " " + columns[c].name + ": " + (*mine.begin())[c].substr(0, 80) + " / " +
                      their[c].substr(0, 80);
        ADD_FAILURE() << "mdb-export row not read by the engine;" << text;
      }
    }
  }
  RecordProperty("values", static_cast<int>(compared));
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, MdbExportTest,
    ::testing::Values("ace/complexDataTestV2010.accdb", "ace/indexTestV2007.accdb",
                      "ace/testV2007.accdb",
                      "generated/stress-d-300rels-V2007.accdb",
                      "jet3/delColTestV1997.mdb", "jet3/test2V1997.mdb", "jet3/testV1997.mdb",
                      "jet4/delColTestV2000.mdb", "jet4/test2V2000.mdb",
                      "jet4/testIndexPropertiesV2000.mdb", "jet4/testV2000.mdb",
                      "access-sql/targetlists.accdb"),
    [](const ::testing::TestParamInfo<const char*>& info) { return TestName(info.param); });

// The calculated columns mdb-reader misreads, against their formulas worked out from the row's
// own fields: [LastName] & ", " & [FirstName], Len of that, [Salary] / 12, [Salary] = [SalaryTest]
// and the Decimal result kept in .NET's 16-byte form.
TEST(CalculatedColumns, ResultsFollowTheirHeader) {
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(enginetest::Corpus("ace/calcFieldTestV2010.accdb"));
  auto rows = db->OpenRows("Table1");
  std::map<std::string, size_t> at;
  for (size_t c = 0; c < rows->Columns().size(); ++c) at[rows->Columns()[c].name] = c;
  std::vector<dao::Value> row;
  ASSERT_TRUE(rows->Next(row));
  EXPECT_EQ(row[at["LastFirst"]].text, "Wayne, Bruce");
  EXPECT_EQ(row[at["LastFirstLen"]].integer, 12);
  EXPECT_EQ(row[at["Salary"]].integer, 10000000000);  // 1,000,000.0000
  EXPECT_EQ(row[at["MonthlySalary"]].kind, Kind::kCurrency);
  EXPECT_EQ(row[at["MonthlySalary"]].integer, 833333333);  // 83,333.3333
  EXPECT_EQ(row[at["SalaryTest"]].integer, row[at["Salary"]].integer);
  EXPECT_EQ(row[at["AllNames"]].text, "Wayne, Bruce=Wayne, Bruce");
  EXPECT_EQ(row[at["DecimalTest"]].decimal.ToString(), row[at["Popularity"]].decimal.ToString());
  ASSERT_TRUE(rows->Next(row));
  EXPECT_EQ(row[at["LastFirstLen"]].integer, 13);  // "Simpson, Bart"
  EXPECT_EQ(row[at["MonthlySalary"]].integer, -833);  // -1.0000 / 12, to four places
  EXPECT_EQ(row[at["DecimalTest"]].decimal.ToString(), "-36.222200");
}

}  // namespace
