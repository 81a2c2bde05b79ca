// tavrek-dump's --ddl, --diff and --inventory on real database files: exit statuses, messages,
// whole-or-nothing output files, and the inventory of a folder tree with damaged, protected,
// misnamed and looping entries.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "tests/tools/json.h"
#include "tools/dump.h"

namespace {

namespace fs = std::filesystem;

const fs::path kData = TAVREK_TEST_DATA;

struct Result {
  int status;
  std::string out, err;
};

Result Dump(std::vector<std::string> args) {
  dao::DBEngine engine;
  std::ostringstream out, err;
  int status = tavrek::dump::Run(
      args, out, err, [&](const std::string& path, const std::optional<std::string>& connect) {
        return engine.OpenDatabase(path, false, true, connect);
      });
  return {status, out.str(), err.str()};
}

// A fresh temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "tavrek-cli-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

std::vector<std::string> FilesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(DdlCommand, UnknownDialectAndOutputThatCannotBeWritten) {
  Result r = Dump({"--ddl", "oracle", (kData / "jet4/indexTestV2000.mdb").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("dialetto SQL sconosciuto: oracle (noti: sqlite, postgresql, mysql)"),
            std::string::npos);

  TempDir dir;
  r = Dump({"--ddl", "sqlite", "-o", (dir.Path() / "manca" / "x.sql").string(),
            (kData / "jet4/indexTestV2000.mdb").string()});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("impossibile scrivere"), std::string::npos);

  // Written whole under its name, with no temporary file left beside it.
  const fs::path out = dir.Path() / "schema.sql";
  r = Dump({"--ddl", "pg", "-o", out.string(), (kData / "jet4/indexTestV2000.mdb").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"schema.sql"});
  std::ifstream in(out);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("CREATE TABLE \"Table1\""), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 8), "COMMIT;\n");

  // An engine error leaves an existing output file untouched.
  r = Dump({"--ddl", "sqlite", "-o", out.string(), (kData / "jet4/V2000_with-password.mdb").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "Errore 3031\nPassword non valida.\n");
  std::ifstream again(out);
  std::string kept((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
  EXPECT_EQ(kept, text);
}

TEST(DiffCommand, ExitStatusesAsDiff) {
  TempDir dir;
  const fs::path copy = dir.Path() / "copia.mdb";
  fs::copy_file(kData / "jet4/queryTestV2000.mdb", copy);
  Result same = Dump({"--diff", (kData / "jet4/queryTestV2000.mdb").string(), copy.string()});
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_EQ(same.out, "");

  Result differ = Dump({"--diff", "--json", (kData / "jet4/queryTestV2000.mdb").string(),
                        (kData / "jet4/indexTestV2000.mdb").string()});
  EXPECT_EQ(differ.status, 1) << differ.err;
  testjson::Value doc = testjson::Parse(differ.out);
  EXPECT_FALSE(doc["same"].boolean);
  int queriesRemoved = 0;
  for (const auto& c : doc["changes"].array)
    if (c["kind"].string == "query" && c["change"].string == "removed") ++queriesRemoved;
  EXPECT_EQ(queriesRemoved, 9);

  // Like diff(1), a file compared with itself (also under another spelling, or through a link)
  // is the same.
  fs::create_symlink(copy, dir.Path() / "collegamento.mdb");
  for (const fs::path& other : {copy, dir.Path() / "." / "copia.mdb", dir.Path() / "collegamento.mdb"}) {
    Result itself = Dump({"--diff", copy.string(), other.string()});
    EXPECT_EQ(itself.status, 0) << other << itself.err;
    EXPECT_EQ(itself.out, "");
  }
  // Every trouble is 2: a missing file, a wrong password, a usage error.
  Result missing = Dump({"--diff", copy.string(), (dir.Path() / "manca.mdb").string()});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("manca.mdb\nErrore 3024\n"), std::string::npos) << missing.err;
  Result password = Dump({"--diff", "--password-b", "sbagliata", copy.string(),
                          (kData / "jet4/V2000_with-password.mdb").string()});
  EXPECT_EQ(password.status, 2);
  EXPECT_NE(password.err.find("Errore 3031"), std::string::npos);
  EXPECT_EQ(Dump({"--diff", copy.string()}).status, 2);
  EXPECT_EQ(Dump({"--counts", copy.string()}).status, 1);
}

TEST(InventoryCommand, WalksATreeOfGoodDamagedProtectedAndLoopingEntries) {
  TempDir dir;
  const fs::path root = dir.Path();
  fs::create_directories(root / "a" / "b");
  fs::copy_file(kData / "jet4/indexTestV2000.mdb", root / "a" / "indici.mdb");
  fs::copy_file(kData / "ace/testV2007.accdb", root / "a" / "b" / "senza-estensione.txt");
  fs::copy_file(kData / "jet4/V2000_with-password.mdb", root / "protetto.mdb");
  {
    // A truncated Access file: its header page and nothing more.
    std::ifstream in(kData / "jet4/testV2000.mdb", std::ios::binary);
    std::vector<char> page(4096);
    in.read(page.data(), page.size());
    std::ofstream(root / "troncato.mdb", std::ios::binary).write(page.data(), page.size());
  }
  std::ofstream(root / "finto.mdb") << "not an Access database";
  fs::create_directory_symlink("..", root / "a" / "b" / "ciclo");
  fs::create_symlink("nessuno", root / "rotto.mdb");

  Result r1 = Dump({"--inventory", root.string(), "--jobs", "1"});
  Result r2 = Dump({"--inventory", root.string(), "--jobs", "2"});
  EXPECT_EQ(r1.status, 0) << r1.err;
  EXPECT_NE(r1.err.find("cartella già visitata (ciclo di collegamenti?): " + (root / "a/b/ciclo").string()),
            std::string::npos) << r1.err;
  EXPECT_NE(r1.err.find("collegamento che non porta a nulla: " + (root / "rotto.mdb").string()),
            std::string::npos);

  std::vector<testjson::Value> lines;
  std::istringstream in(r1.out);
  for (std::string line; std::getline(in, line);) lines.push_back(testjson::Parse(line));
  ASSERT_EQ(lines.size(), 5u) << r1.out;
  EXPECT_EQ(lines[0]["path"].string, (root / "a/b/senza-estensione.txt").string());
  EXPECT_EQ(lines[0]["format"].string, "ACE12");
  EXPECT_TRUE(lines[0]["error"].IsNull());
  EXPECT_EQ(lines[1]["path"].string, (root / "a/indici.mdb").string());
  EXPECT_EQ(lines[1]["tables"].number, 3);
  EXPECT_EQ(lines[1]["size"].number, static_cast<double>(fs::file_size(kData / "jet4/indexTestV2000.mdb")));
  EXPECT_EQ(lines[2]["path"].string, (root / "protetto.mdb").string());
  EXPECT_EQ(lines[2]["error"].number, 3031);
  EXPECT_EQ(lines[2]["errorText"].string, "Password non valida.");
  EXPECT_TRUE(lines[2]["tables"].IsNull());
  EXPECT_EQ(lines[3]["path"].string, (root / "troncato.mdb").string());
  EXPECT_FALSE(lines[3]["error"].IsNull());
  EXPECT_EQ(lines[3]["format"].string, "Jet4");
  const auto& summary = lines[4]["summary"];
  EXPECT_EQ(summary["files"].number, 4);
  EXPECT_EQ(summary["read"].number, 2);
  EXPECT_EQ(summary["failed"].number, 2);
  EXPECT_EQ(summary["skipped"].number, 2);

  // Two workers write the same lines in the same order; only the time differs.
  auto withoutTime = [](const std::string& out) { return out.substr(0, out.rfind("\"seconds\"")); };
  EXPECT_EQ(withoutTime(r1.out), withoutTime(r2.out));

  EXPECT_EQ(Dump({"--inventory", (root / "manca").string()}).status, 2);
  EXPECT_EQ(Dump({"--inventory", root.string(), "--jobs", "0"}).status, 1);
  EXPECT_EQ(Dump({"--jobs", "2", (root / "a/indici.mdb").string()}).status, 1);
}

// Root reads every folder, so as root the program runs as nobody to meet a closed one.
TEST(InventoryCommand, FolderThatCannotBeReadIsReportedAndSkipped) {
  TempDir dir;
  fs::permissions(dir.Path(), fs::perms::all);
  fs::create_directory(dir.Path() / "chiusa");
  fs::copy_file(kData / "jet4/indexTestV2000.mdb", dir.Path() / "chiusa" / "x.mdb");
  fs::copy_file(kData / "jet4/indexTestV2000.mdb", dir.Path() / "aperto.mdb");
  fs::permissions(dir.Path() / "aperto.mdb", fs::perms::all);
  fs::permissions(dir.Path() / "chiusa", fs::perms::none);
  Result r;
  if (::geteuid() == 0) {
    const std::string errFile = (dir.Path() / "err.txt").string();
    std::string command = "runuser -u nobody -- " TAVREK_DUMP " --inventory '" + dir.Path().string() +
                          "' 2>'" + errFile + "'";
    FILE* p = ::popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    r.status = WEXITSTATUS(::pclose(p));
    std::ifstream in(errFile);
    r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } else {
    r = Dump({"--inventory", dir.Path().string()});
  }
  fs::permissions(dir.Path() / "chiusa", fs::perms::owner_all);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("cartella illeggibile: " + (dir.Path() / "chiusa").string()), std::string::npos)
      << r.err;
  EXPECT_NE(r.out.find("\"files\": 1, \"read\": 1, \"failed\": 0, \"encrypted\": 0, \"skipped\": 1"),
            std::string::npos) << r.out;
}

}  // namespace
