// tavrek-dump --json against Debian's mdbtools, file by file over the test databases.
//
// mdbtools is an independent reader of the same files, run here as an oracle through its command
// line tools. Compared: the format (mdb-ver); the table list and which tables are system tables
// (mdb-tables with and without -S); every table's fields in column order, with name, type and size
// (mdb-sql "describe table") and record count (mdb-count); the creation and update date-times of
// every table and query, the query names and their types (MSysObjects read with mdb-export).
// mdbtools 1.0 reads every test database, the RC4-encoded one and the password-protected one
// included (it does not check the password), so none is left out.
//
// Where the two legitimately differ, the comparison translates rather than skips:
//  - sizes: mdbtools reports the stored column size in bytes. Jet4/ACE text keeps two bytes per
//    character, so its size is halved; Boolean is stored in the null mask (mdbtools 0, DAO 1);
//    decimal is 17 in DAO whatever the stored size.
//  - type 0x11 (the long fixed binary of MSysAccessObjects.Data), which mdbtools calls
//    "Unknown_0011": DAO's variable binary (17; plain binary, 9, accepted too), same size.
//  - complex columns (ACE, "Unknown_0012"): mdbtools cannot tell their kind, so any of DAO's
//    complex codes (101-109) is accepted and the size is not compared.
//  - Date/Time Extended ("Unknown_0014"): DAO's dbDateTimeExtended (26), its 42 bytes as size.
//  - calculated fields (those with an "Expression" property): mdbtools describes the stored
//    result (its storage type, and a length that counts the result's header), DAO the result type
//    Access shows; their types and sizes are checked in the engine's own tests instead.
//  - names: mdb-sql's "describe table" cuts names at 50 characters.
// Not compared: index names and keys (mdbtools renames indexes for the SQL dialects it writes and
// leaves some out); query SQL (mdbtools has no rebuilt text to compare with). Both are checked
// against hand-verified expectations in the engine's own tests.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/json.h"
#include "tests/support/shell.h"

namespace {

using testshell::ShellQuote;

namespace fs = std::filesystem;

const std::string kDataDir = TAVREK_TEST_DATA;
const std::string kDump = TAVREK_DUMP_PATH;
const char kFieldSep = '\x1f';  // never part of a name in the corpus, unlike '|' or ','

// The password of the protected test file (see tests/data/NOTICE).
std::string PasswordOf(const std::string& relPath) {
  return relPath.find("with-password") != std::string::npos ? "password" : "";
}

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> files;
  for (const char* dir : {"jet3", "jet4", "ace"})
    for (const auto& e : fs::directory_iterator(fs::path(kDataDir) / dir)) {
      std::string ext = e.path().extension().string();
      if (ext == ".mdb" || ext == ".accdb")
        files.push_back(fs::relative(e.path(), kDataDir).generic_string());
    }
  std::sort(files.begin(), files.end());
  return files;
}

using testshell::CommandResult;
using testshell::RunCommand;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : line) {
    if (c == sep) {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  parts.push_back(cur);
  return parts;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// "YYYY-MM-DDTHH:MM:SS" as seconds (calendar arithmetic only, no time zone).
long long Seconds(const std::string& iso) {
  std::tm tm{};
  if (sscanf(iso.c_str(), "%d-%d-%dT%d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
             &tm.tm_min, &tm.tm_sec) != 6)
    return -1;
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  return static_cast<long long>(timegm(&tm));
}

struct MdbColumn {
  std::string name, type;
  long size;
};

// A column as described by mdbtools, and what DAO must show for it.
struct Expectation {
  std::set<int> types;
  std::optional<long> size;  // nullopt: not comparable
};

Expectation Expect(const MdbColumn& c, bool jet3) {
  static const std::map<std::string, int> kFixed = {
      {"Byte", 2},   {"Integer", 3},  {"Long Integer", 4}, {"Currency", 5},
      {"Single", 6}, {"Double", 7},   {"DateTime", 8},     {"Replication ID", 15}};
  if (auto it = kFixed.find(c.type); it != kFixed.end()) return {{it->second}, c.size};
  if (c.type == "Boolean") return {{1}, 1};
  if (c.type == "Numeric") return {{20}, 17};
  if (c.type == "Text") return {{10}, jet3 ? c.size : c.size / 2};
  if (c.type == "Binary") return {{9}, c.size};
  if (c.type == "Memo/Hyperlink") return {{12}, 0};
  if (c.type == "OLE") return {{11}, 0};
  if (c.type == "Unknown_0011") return {{17, 9}, c.size};
  if (c.type == "Unknown_0012") return {{101, 102, 103, 104, 105, 106, 107, 108, 109}, std::nullopt};
  if (c.type == "Unknown_0013") return {{16}, 8};
  if (c.type == "Unknown_0014") return {{26}, c.size};
  return {{}, std::nullopt};
}

// One MSysObjects row, as mdb-export gives it.
struct CatalogueRow {
  std::string name;
  int type;
  std::string created, updated;
  long long flags;
};

class MdbtoolsAgree : public ::testing::TestWithParam<std::string> {
 protected:
  std::string file_ = kDataDir + "/" + GetParam();

  std::vector<std::string> MdbLines(const std::string& cmd) {
    CommandResult r = RunCommand(cmd + " 2>/dev/null");
    EXPECT_EQ(r.status, 0) << cmd;
    std::vector<std::string> lines;
    for (auto& l : Lines(r.out))
      if (!l.empty()) lines.push_back(l);
    return lines;
  }

  std::vector<MdbColumn> Describe(const std::string& table) {
    fs::path sqlFile = fs::temp_directory_path() /
                       ("tavrek-describe-" + std::to_string(::getpid()) + ".sql");
    {
      FILE* f = fopen(sqlFile.c_str(), "w");
      EXPECT_NE(f, nullptr);
      if (!f) return {};
      fprintf(f, "describe table [%s]\ngo\n", table.c_str());
      fclose(f);
    }
    std::vector<MdbColumn> cols;
    for (const auto& l : MdbLines("mdb-sql -H -F -P -d " + ShellQuote(std::string(1, kFieldSep)) +
                                  " -i " + ShellQuote(sqlFile.string()) + " " + ShellQuote(file_))) {
      auto p = Split(l, kFieldSep);
      if (p.size() != 3) {
        ADD_FAILURE() << "unexpected mdb-sql line: " << l;
        continue;
      }
      cols.push_back({p[0], p[1], std::stol(p[2])});
    }
    fs::remove(sqlFile);
    return cols;
  }

  std::vector<CatalogueRow> Catalogue() {
    std::vector<CatalogueRow> rows;
    std::string sep(1, kFieldSep);
    auto lines = MdbLines("mdb-export -H -b strip -e -Q -T '%Y-%m-%dT%H:%M:%S' -d " + ShellQuote(sep) +
                          " " + ShellQuote(file_) + " MSysObjects");
    for (const auto& l : lines) {
      auto p = Split(l, kFieldSep);
      // Id, ParentId, Name, Type, DateCreate, DateUpdate, Owner, Flags, ...
      if (p.size() < 8) {
        ADD_FAILURE() << "unexpected MSysObjects line: " << l;
        continue;
      }
      rows.push_back({p[2], std::stoi(p[3]), p[4], p[5], std::stoll(p[7].empty() ? "0" : p[7])});
    }
    return rows;
  }
};

void ExpectSameInstant(const std::string& ours, const std::string& theirs, const std::string& what) {
  // mdbtools truncates to the second where we round: allow that one second.
  long long a = Seconds(ours), b = Seconds(theirs);
  EXPECT_NE(a, -1) << what << ": " << ours;
  EXPECT_LE(std::llabs(a - b), 1) << what << ": ours " << ours << ", mdbtools " << theirs;
}

TEST_P(MdbtoolsAgree, CatalogueMatches) {
  ASSERT_EQ(RunCommand("mdb-ver -M >/dev/null 2>&1").status, 0)
      << "mdbtools is not installed (scripts/deps.sh installs it)";

  // Our side.
  std::string cmd = ShellQuote(kDump) + " --json ";
  if (std::string pw = PasswordOf(GetParam()); !pw.empty()) cmd += "--password " + ShellQuote(pw) + " ";
  CommandResult dumped = RunCommand(cmd + ShellQuote(file_));
  ASSERT_EQ(dumped.status, 0) << "tavrek-dump failed on " << GetParam();
  testjson::Value doc = testjson::Parse(dumped.out);

  // Format.
  std::string ver = MdbLines("mdb-ver " + ShellQuote(file_)).at(0);
  std::string expectedFormat = ver == "JET3" ? "Jet3" : ver == "JET4" ? "Jet4" : ver;
  EXPECT_EQ(doc["format"].string, expectedFormat);
  const bool jet3 = ver == "JET3";

  // Tables: every local table of mdbtools, no more; the system flag.
  std::set<std::string> mdbAll, mdbUser;
  for (auto& t : MdbLines("mdb-tables -1 -S " + ShellQuote(file_))) mdbAll.insert(t);
  for (auto& t : MdbLines("mdb-tables -1 " + ShellQuote(file_))) mdbUser.insert(t);
  ASSERT_FALSE(mdbAll.empty());

  std::vector<CatalogueRow> catalogue = Catalogue();
  std::map<std::string, const CatalogueRow*> tableRows, queryRows;
  std::set<std::string> linkedRows;
  for (const auto& r : catalogue) {
    if (r.type == 1) tableRows[r.name] = &r;
    if (r.type == 4 || r.type == 6) {
      tableRows[r.name] = &r;
      linkedRows.insert(r.name);
    }
    if (r.type == 5) queryRows[r.name] = &r;
  }

  std::set<std::string> oursLocal, oursLinked;
  for (const auto& t : doc["tables"].array) {
    const std::string& name = t["name"].string;
    (t["linked"].boolean ? oursLinked : oursLocal).insert(name);
    bool msys = Lower(name).rfind("msys", 0) == 0;
    bool hiddenByMdbtools = mdbAll.count(name) && !mdbUser.count(name);
    if (!t["linked"].boolean) {
      EXPECT_EQ(t["system"].boolean, msys || hiddenByMdbtools) << name;
    }

    auto row = tableRows.find(name);
    if (row == tableRows.end()) {
      ADD_FAILURE() << name << " has no table row in MSysObjects";
      continue;
    }
    ExpectSameInstant(t["dateCreated"].string, row->second->created, name + " dateCreated");
    ExpectSameInstant(t["lastUpdated"].string, row->second->updated, name + " lastUpdated");
  }
  EXPECT_EQ(oursLocal, mdbAll);
  EXPECT_EQ(oursLinked, linkedRows);

  // Fields and record counts of every local table.
  for (const auto& t : doc["tables"].array) {
    if (t["linked"].boolean) {
      EXPECT_TRUE(t["recordCount"].IsNull());
      EXPECT_TRUE(t["fields"].IsNull());
      continue;
    }
    const std::string& name = t["name"].string;
    SCOPED_TRACE("table " + name);
    auto count = MdbLines("mdb-count " + ShellQuote(file_) + " " + ShellQuote(name));
    ASSERT_EQ(count.size(), 1u);
    EXPECT_EQ(static_cast<long long>(t["recordCount"].number), std::stoll(count[0]));

    std::vector<MdbColumn> cols = Describe(name);
    const auto& fields = t["fields"].array;
    ASSERT_EQ(fields.size(), cols.size());
    for (size_t i = 0; i < cols.size(); ++i) {
      const auto& f = fields[i];
      constexpr size_t kMdbSqlNameWidth = 50;
      if (cols[i].name.size() >= kMdbSqlNameWidth)
        EXPECT_EQ(f["name"].string.substr(0, cols[i].name.size()), cols[i].name) << "column " << i;
      else
        EXPECT_EQ(f["name"].string, cols[i].name) << "column " << i;
      if (f["properties"].Has("Expression")) continue;
      Expectation e = Expect(cols[i], jet3);
      ASSERT_FALSE(e.types.empty()) << "mdbtools type without a DAO mapping: " << cols[i].type;
      int type = static_cast<int>(f["type"].number);
      EXPECT_TRUE(e.types.count(type))
          << cols[i].name << ": DAO type " << type << ", mdbtools " << cols[i].type;
      if (e.size) {
        EXPECT_EQ(static_cast<long>(f["size"].number), *e.size)
            << cols[i].name << " (" << cols[i].type << ", mdbtools size " << cols[i].size << ")";
      }
    }
  }

  // Queries: names, types and dates.
  std::set<std::string> oursQueries, mdbQueries;
  for (const auto& [n, r] : queryRows) mdbQueries.insert(n);
  for (const auto& q : doc["queries"].array) {
    const std::string& name = q["name"].string;
    oursQueries.insert(name);
    auto row = queryRows.find(name);
    if (row == queryRows.end()) continue;  // reported by the set comparison below
    EXPECT_EQ(static_cast<long long>(q["type"].number), row->second->flags & 0xF0) << name;
    ExpectSameInstant(q["dateCreated"].string, row->second->created, name + " dateCreated");
    ExpectSameInstant(q["lastUpdated"].string, row->second->updated, name + " lastUpdated");
  }
  EXPECT_EQ(oursQueries, mdbQueries);
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string n;
  for (char c : info.param) n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(Corpus, MdbtoolsAgree, ::testing::ValuesIn(CorpusFiles()), TestName);

}  // namespace
