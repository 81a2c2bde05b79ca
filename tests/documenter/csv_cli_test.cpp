// tavrek-dump --csv on real files: the files written, their RFC 4180 form and values, --table,
// and damaged files (a clean error, or with --salvage the readable rows and a report).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "documenter/csv.h"
#include "engine/rows.h"
#include "tests/support/dump_run.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const fs::path kData = TAVREK_TEST_DATA;

using Result = testsupport::DumpResult;
constexpr auto& Dump = testsupport::RunDumpOnFiles;

class CsvTest : public ::testing::Test {
 protected:
  std::string Read(const std::string& name) {
    std::ifstream in(dir_ / "out" / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Files() {
    std::vector<std::string> names;
    if (fs::exists(dir_ / "out"))
      for (const auto& e : fs::directory_iterator(dir_ / "out")) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  testsupport::TempDir temp_{"tavrek-csv"};
  const fs::path dir_ = temp_.Path();
};

TEST_F(CsvTest, EveryPlainKindWithHeaderAndCrLf) {
  Result r = Dump({"--csv", (dir_ / "out").string(), (kData / "jet4/testV2000.mdb").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Files(), (std::vector<std::string>{"Table1.csv", "Table2.csv", "Table3.csv", "Table4.csv"}));
  EXPECT_EQ(Read("Table1.csv"),
            "A,B,C,D,E,F,G,H,I\r\n"
            "abcdefg,hijklmnop,2,222,333333333,444.555,1974-09-21T00:00:00,3.5000,true\r\n"
            "a,b,0,0,0,0,1981-12-12T00:00:00,0.0000,false\r\n");
}

TEST_F(CsvTest, AttachmentsMultiValuesAndHistoriesAsJsonArrays) {
  Result r = Dump({"--csv", (dir_ / "out").string(), "--table", "table1",
                   (kData / "ace/complexDataTestV2010.accdb").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string csv = Read("Table1.csv");
  // "this is some test data for attachment." inflated from the stored FileData.
  EXPECT_NE(csv.find("\"\"FileName\"\":\"\"test_data.txt\"\""), std::string::npos) << csv;
  EXPECT_NE(csv.find("7468697320697320736f6d652074657374206461746120666f72206174746163686d656e742e"),
            std::string::npos);
  EXPECT_NE(csv.find("\"[\"\"value1\"\",\"\"value2\"\",\"\"value3\"\",\"\"value4\"\"]\""), std::string::npos);
  EXPECT_NE(csv.find("row3-memo-revised"), std::string::npos);
}

TEST_F(CsvTest, UnknownTableIsAnErrorAndWritesNothing) {
  Result r = Dump({"--csv", (dir_ / "out").string(), "--table", "Table1", "--table", "Nessuna",
                   (kData / "jet4/testV2000.mdb").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Errore 3078"), std::string::npos) << r.err;
  EXPECT_TRUE(Files().empty());
  EXPECT_EQ(Dump({"--salvage", (kData / "jet4/testV2000.mdb").string()}).status, 1);
}

// Bytes changed across every data and long-value page, one page at a time, and a truncated copy:
// the export stops with "Errore N" or, salvaging, writes what it can and says what it left out.
// Never a crash.
TEST_F(CsvTest, DamagedPagesGiveAnErrorOrASalvageReport) {
  const fs::path source = kData / "ace/complexDataTestV2010.accdb";
  std::ifstream in(source, std::ios::binary);
  const std::string original(std::istreambuf_iterator<char>(in), {});
  const size_t pageSize = 4096;
  int damagedPages = 0, reported = 0;
  for (size_t page = 3; page < original.size() / pageSize; ++page) {
    if (original[page * pageSize] != 0x01) continue;  // data and long-value pages
    ++damagedPages;
    std::string bytes = original;
    for (size_t k = 14; k < pageSize; k += 7) bytes[page * pageSize + k] = static_cast<char>(0xA5);
    const fs::path copy = dir_ / "damaged.accdb";
    std::ofstream(copy, std::ios::binary | std::ios::trunc) << bytes;
    fs::remove_all(dir_ / "out");
    Result strict = Dump({"--csv", (dir_ / "out").string(), copy.string()});
    EXPECT_TRUE(strict.status == 0 || strict.status == 2) << "page " << page << ": " << strict.err;
    if (strict.status == 2) {
      EXPECT_NE(strict.err.find("Errore "), std::string::npos);
    }
    fs::remove_all(dir_ / "out");
    Result salvage = Dump({"--csv", (dir_ / "out").string(), "--salvage", copy.string()});
    EXPECT_TRUE(salvage.status == 0 || salvage.status == 2) << "page " << page << ": " << salvage.err;
    if (strict.status == 2 && salvage.status == 0) {
      EXPECT_NE(salvage.err.find("non lett"), std::string::npos) << salvage.err;
      ++reported;
    }
  }
  EXPECT_GT(damagedPages, 0);
  EXPECT_GT(reported, 0);
  // A page whose row count cannot fit: its rows are not guessed, the total is a lower bound.
  std::ifstream example(kData / "app/Access_Example_VBA.accdb", std::ios::binary);
  std::string bytes(std::istreambuf_iterator<char>(example), {});
  bytes[744 * pageSize + 12] = bytes[744 * pageSize + 13] = static_cast<char>(0xFF);  // TAG_NME_TB's
  std::ofstream(dir_ / "count.accdb", std::ios::binary | std::ios::trunc) << bytes;
  fs::remove_all(dir_ / "out");
  Result counted = Dump({"--csv", (dir_ / "out").string(), "--table", "TAG_NME_TB", "--salvage",
                         (dir_ / "count.accdb").string()});
  EXPECT_EQ(counted.status, 0) << counted.err;
  EXPECT_NE(counted.err.find("tabella 'TAG_NME_TB': almeno "), std::string::npos) << counted.err;
  EXPECT_NE(counted.err.find("  pagina 744 illeggibile, righe sconosciute"), std::string::npos) << counted.err;
  const fs::path cut = dir_ / "cut.accdb";
  std::ofstream(cut, std::ios::binary) << original.substr(0, original.size() / 2);
  EXPECT_EQ(Dump({"--csv", (dir_ / "out").string(), cut.string()}).status, 2);
}

}  // namespace

namespace {

// Rows built by hand, for the writer alone.
class HandRows : public dao::RowSource {
 public:
  HandRows(std::vector<dao::RowColumn> columns, std::vector<std::vector<dao::Value>> rows)
      : columns_(std::move(columns)), rows_(std::move(rows)) {}
  const std::string& TableName() const override { return name_; }
  const std::vector<dao::RowColumn>& Columns() const override { return columns_; }
  bool Next(std::vector<dao::Value>& row) override {
    if (next_ >= rows_.size()) return false;
    row = rows_[next_++];
    return true;
  }
  int64_t RowsRead() const override { return static_cast<int64_t>(next_); }
  const std::vector<dao::LostRow>& Lost() const override { return lost_; }

 private:
  std::string name_ = "T";
  std::vector<dao::RowColumn> columns_;
  std::vector<std::vector<dao::Value>> rows_;
  size_t next_ = 0;
  std::vector<dao::LostRow> lost_;
};

dao::Value Make(dao::Value::Kind kind) {
  dao::Value v;
  v.kind = kind;
  return v;
}

TEST(CsvValues, EachKindAsWritten) {
  using K = dao::Value::Kind;
  struct Case {
    dao::Value value;
    std::string text;
  };
  std::vector<Case> cases;
  auto add = [&](dao::Value v, std::string text) { cases.push_back({std::move(v), std::move(text)}); };
  add(Make(K::kNull), "");
  dao::Value v = Make(K::kBool);
  v.boolean = true;
  add(v, "true");
  v = Make(K::kInt);
  v.integer = -9223372036854775807 - 1;
  add(v, "-9223372036854775808");
  v = Make(K::kCurrency);
  v.integer = -5;  // -0.0005
  add(v, "-0.0005");
  v.integer = 9223372036854775807;
  add(v, "922337203685477.5807");
  v = Make(K::kDecimal);
  v.decimal = {false, "5", 2};
  add(v, "0.05");
  v.decimal = {true, "1234500", 4};
  add(v, "-123.4500");
  v.decimal = {true, "0", 2};
  add(v, "0.00");
  v = Make(K::kSingle);
  v.real = static_cast<double>(0.1f);
  add(v, "0.1");
  v = Make(K::kDouble);
  v.real = 0.1 + 0.2;
  add(v, "0.30000000000000004");
  // Access's day numbers: the whole part counts days, the fraction is the time whatever the sign.
  v = Make(K::kDateTime);
  for (auto [days, text] : std::vector<std::pair<double, std::string>>{
           {0.0, "1899-12-30T00:00:00"},
           {0.5, "1899-12-30T12:00:00"},  // a time alone
           {-1.25, "1899-12-29T06:00:00"},
           {-657434.0, "0100-01-01T00:00:00"},
           {-693593.5, "0001-01-01T12:00:00"},
           {-693594.0, "0000-12-31T00:00:00"},
           {2958465.999988426, "9999-12-31T23:59:59"},
           {45000.0 + 1.0 / 86400000.0, "2023-03-15T00:00:00.001"},
           {1.9999999999, "1900-01-01T00:00:00"}}) {  // rounds up to the next midnight
    v.real = days;
    add(v, text);
  }
  v = Make(K::kGuid);
  for (size_t k = 0; k < 16; ++k) v.guid.bytes[k] = static_cast<uint8_t>(k);
  add(v, "{03020100-0504-0706-0809-0A0B0C0D0E0F}");
  v = Make(K::kBytes);
  v.text = std::string("\x00\xFF\x10", 3);
  add(v, "00ff10");
  for (const Case& c : cases) {
    std::string out;
    tavrek::doc::AppendCsvValue(out, c.value);
    EXPECT_EQ(out, c.text);
  }
}

TEST(CsvValues, QuotingKeepsLineBreaksAndDoublesQuotes) {
  dao::Value text = Make(dao::Value::Kind::kText);
  std::vector<std::vector<dao::Value>> rows;
  for (const char* s : {"plain", "a,b", "say \"hi\"", "line\r\nbreak", "lone\nfeed", ""}) {
    text.text = s;
    rows.push_back({text, Make(dao::Value::Kind::kNull)});
  }
  HandRows source({{"Nome, completo", dao::dbText, 50, {}}, {"N", dao::dbLong, 4, {}}}, rows);
  std::string out;
  ASSERT_TRUE(tavrek::doc::WriteCsvRows(source, [&](std::string_view s) {
    out.append(s);
    return true;
  }));
  EXPECT_EQ(out,
            "\"Nome, completo\",N\r\n"
            "plain,\r\n"
            "\"a,b\",\r\n"
            "\"say \"\"hi\"\"\",\r\n"
            "\"line\r\nbreak\",\r\n"
            "\"lone\nfeed\",\r\n"
            ",\r\n");
}

}  // namespace
