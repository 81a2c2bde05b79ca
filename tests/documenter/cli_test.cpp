// tavrek-dump's --ddl (with --data), --sqlite, --diff and --inventory on real database files: exit statuses, messages,
// whole-or-nothing output files, and the inventory of a folder tree with damaged, protected,
// misnamed and looping entries.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/json.h"
#include "tests/support/dump_run.h"

namespace {

namespace fs = std::filesystem;

const fs::path kData = TAVREK_TEST_DATA;

using Result = testsupport::DumpResult;
constexpr auto& Dump = testsupport::RunDumpOnFiles;

using testsupport::TempDir;

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

// --sqlite and --ddl --data: whole or absent, every row of a Required field over older rows moved,
// --table choosing what moves, and the option combinations refused.
TEST(DataCommand, WholeOrAbsentAndTheTablesChosen) {
  TempDir dir;
  const std::string file = (kData / "app/Access_Example_VBA.accdb").string();
  const fs::path db = dir.Path() / "dati.sqlite", script = dir.Path() / "dati.sql";
  Result r = Dump({"--ddl", "pg", "--data", "--table", "Manca", "-o", script.string(), file});
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("tabella sconosciuta o non locale: \"Manca\""), std::string::npos) << r.err;
  // A date before MySQL's first year, met after rows were written: no file either.
  r = Dump({"--ddl", "mysql", "--data", "-o", script.string(), (kData / "ace/extDateTestV2019.accdb").string()});
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("tabella \"Table1\", colonna \"DateExt\", riga 8"), std::string::npos) << r.err;
  EXPECT_TRUE(FilesIn(dir.Path()).empty());

  // A field made Required over rows without a value: every row moves, the column without NOT
  // NULL, said beside it and on standard error.
  const std::string gap =
      "tavrek-dump: tabella 'CMD_LINE_TB', colonna 'LST_MDFD_ID': campo obbligatorio con 14 valori Null: "
      "creato senza NOT NULL\n";
  r = Dump({"--sqlite", db.string(), file});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find(gap), std::string::npos) << r.err;
  r = Dump({"--ddl", "mysql", "--data", "-o", script.string(), file});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find(gap), std::string::npos) << r.err;
  {
    std::ifstream all(script);
    const std::string text((std::istreambuf_iterator<char>(all)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("  -- `LST_MDFD_ID`: obbligatorio in Access, ma 14 righe sono senza valore (Null): "
                        "creato senza NOT NULL\n  `LST_MDFD_ID` VARCHAR(20)"),
              std::string::npos);
  }

  r = Dump({"--sqlite", db.string(), "--table", "cum_val_tb", "--table", "DATABASE_STRUCTURE_TB", file});
  EXPECT_EQ(r.status, 0) << r.err;
  r = Dump({"--ddl", "mysql", "--data", "--table", "CUM_VAL_TB", "-o", script.string(), file});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"dati.sql", "dati.sqlite"}));
  std::ifstream in(db, std::ios::binary);
  std::string head(15, '\0');
  in.read(head.data(), 15);
  EXPECT_EQ(head, "SQLite format 3");
  std::ifstream sql(script);
  std::string text((std::istreambuf_iterator<char>(sql)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("INSERT INTO `CUM_VAL_TB`"), std::string::npos);
  EXPECT_EQ(text.find("CMD_LINE_TB` ("), std::string::npos);

  // A link is not replaced, nor what it points to.
  const fs::path link = dir.Path() / "collegamento.sqlite";
  fs::create_symlink(script, link);
  r = Dump({"--sqlite", link.string(), "--table", "CUM_VAL_TB", file});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("non è un file regolare"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::file_size(script), text.size());

  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--data", file}, {"--salvage", file}, {"--sqlite", db.string(), "-o", "x", file},
           {"--sqlite", db.string(), "--ddl", "pg", file}, {"--ddl", "pg", "--table", "X", file}})
    EXPECT_EQ(Dump(args).status, 1) << args[0];
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

mode_t ModeOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_mode;
}

// -o OUT by what OUT is: a file keeps its mode, a secret output is born 0600, a device or a pipe
// is written through, a link stays a link, a folder and a dangling link are refused.
TEST(OutputFile, WhatTheTargetIsDecidesHowItIsWritten) {
  TempDir dir;
  const std::string db = (kData / "jet4/indexTestV2000.mdb").string();
  const std::string expected = Dump({"--ddl", "sqlite", db}).out;
  ASSERT_NE(expected.find("CREATE TABLE"), std::string::npos);
  auto ddlTo = [&](const fs::path& out, bool secret = false) {
    std::vector<std::string> args{"--ddl", "sqlite", "-o", out.string(), db};
    if (secret) args.insert(args.begin(), "--show-secrets");
    return Dump(args);
  };
  const mode_t oldMask = ::umask(022);

  const fs::path kept = dir.Path() / "tenuto.sql";
  std::ofstream(kept) << "vecchio";
  ASSERT_EQ(::chmod(kept.c_str(), 0640), 0);
  EXPECT_EQ(ddlTo(kept).status, 0);
  EXPECT_EQ(ModeOf(kept) & 07777, 0640u);
  EXPECT_EQ(ReadFile(kept), expected);

  EXPECT_EQ(ddlTo(dir.Path() / "nuovo.sql").status, 0);
  EXPECT_EQ(ModeOf(dir.Path() / "nuovo.sql") & 07777, 0644u);
  EXPECT_EQ(ddlTo(dir.Path() / "segreto.sql", true).status, 0);
  EXPECT_EQ(ModeOf(dir.Path() / "segreto.sql") & 07777, 0600u);
  ::umask(oldMask);

  // A link to a file: the file is written (mode kept), the link stays a link.
  const fs::path link = dir.Path() / "collegamento.sql";
  fs::create_symlink("tenuto.sql", link);
  std::ofstream(kept) << "vecchio";
  EXPECT_EQ(ddlTo(link).status, 0);
  EXPECT_TRUE(S_ISLNK(ModeOf(link)));
  EXPECT_EQ(ReadFile(kept), expected);
  EXPECT_EQ(ModeOf(kept) & 07777, 0640u);

  // A link to nothing, and a folder: refused, nothing created.
  fs::create_symlink("nessuno.sql", dir.Path() / "rotto.sql");
  Result dangling = ddlTo(dir.Path() / "rotto.sql");
  EXPECT_EQ(dangling.status, 3);
  EXPECT_NE(dangling.err.find("collegamento simbolico a un file che non esiste"), std::string::npos)
      << dangling.err;
  EXPECT_FALSE(fs::exists(dir.Path() / "nessuno.sql"));
  fs::create_directory(dir.Path() / "cartella");
  Result folder = ddlTo(dir.Path() / "cartella");
  EXPECT_EQ(folder.status, 3);
  EXPECT_NE(folder.err.find((dir.Path() / "cartella").string() + ": è una cartella, non un file"),
            std::string::npos) << folder.err;
  EXPECT_TRUE(fs::is_directory(dir.Path() / "cartella"));

  // A named pipe: its reader gets the whole output and the pipe is still a pipe. The reader is
  // open (without waiting) before the program runs, and the output fits in the pipe's buffer.
  const fs::path pipe = dir.Path() / "tubo";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_LT(expected.size(), 65536u);
  EXPECT_EQ(ddlTo(pipe).status, 0);
  std::string received(expected.size() + 1, '\0');
  const ssize_t got = ::read(reader, received.data(), received.size());
  ::close(reader);
  received.resize(got > 0 ? static_cast<size_t>(got) : 0);
  EXPECT_EQ(received, expected);
  EXPECT_TRUE(S_ISFIFO(ModeOf(pipe)));

  // "-" is standard output.
  Result dash = ddlTo("-");
  EXPECT_EQ(dash.status, 0);
  EXPECT_EQ(dash.out, expected);
  EXPECT_FALSE(fs::exists("-"));

  // A character device. Root can make its own null device, which is tried before the system's.
  if (::geteuid() == 0) {
    const fs::path null = dir.Path() / "null";
    ASSERT_EQ(::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    EXPECT_EQ(ddlTo(null).status, 0);
    ASSERT_TRUE(S_ISCHR(ModeOf(null)));
  }
  EXPECT_EQ(Dump({"--inventory", dir.Path().string(), "-o", "/dev/null"}).status, 0);
  EXPECT_TRUE(S_ISCHR(ModeOf("/dev/null")));
  std::vector<std::string> left = FilesIn(dir.Path());
  std::erase(left, "null");
  EXPECT_EQ(left, (std::vector<std::string>{"cartella", "collegamento.sql", "nuovo.sql", "rotto.sql",
                                           "segreto.sql", "tenuto.sql", "tubo"}));
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
  std::ofstream(root / "schema.ACCDE") << "";
  std::ofstream(root / "note.txt") << "not an Access database either, and not named as one";
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
  // Files are ours by their header (the .txt) or by their name (finto.mdb, then not a database).
  ASSERT_EQ(lines.size(), 7u) << r1.out;
  // path, format (or none), error number (0: none, -1: any)
  const struct {
    const char* path;
    const char* format;
    int error;
  } kLines[] = {{"a/b/senza-estensione.txt", "ACE12", 0}, {"a/indici.mdb", "Jet4", 0},
                {"finto.mdb", nullptr, 3343},              {"protetto.mdb", "Jet4", 3031},
                {"schema.ACCDE", nullptr, 3343},           {"troncato.mdb", "Jet4", -1}};
  for (size_t i = 0; i < std::size(kLines); ++i) {
    const auto& want = kLines[i];
    const testjson::Value& line = lines[i];
    SCOPED_TRACE(want.path);
    EXPECT_EQ(line["path"].string, (root / want.path).string());
    EXPECT_EQ(line["format"].IsNull() ? "" : line["format"].string, want.format ? want.format : "");
    EXPECT_EQ(line["format"].IsNull(), want.format == nullptr);
    EXPECT_EQ(want.error > 0 ? line["error"].number : want.error, want.error);
    EXPECT_EQ(line["error"].IsNull(), want.error == 0);
  }
  EXPECT_EQ(lines[1]["tables"].number, 3);
  EXPECT_EQ(lines[1]["size"].number, static_cast<double>(fs::file_size(kData / "jet4/indexTestV2000.mdb")));
  EXPECT_EQ(lines[3]["errorText"].string, "Password non valida.");
  EXPECT_TRUE(lines[3]["tables"].IsNull());
  const auto& summary = lines[6]["summary"];
  EXPECT_EQ(summary["files"].number, 6);
  EXPECT_EQ(summary["read"].number, 2);
  EXPECT_EQ(summary["failed"].number, 4);
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
  // A database that cannot be read gets its line (3051) by its name; an unreadable file with
  // another name cannot be told from any other file and gets none.
  fs::copy_file(kData / "jet4/indexTestV2000.mdb", dir.Path() / "chiuso.mdb");
  fs::copy_file(kData / "jet4/indexTestV2000.mdb", dir.Path() / "chiuso.bin");
  fs::permissions(dir.Path() / "chiuso.mdb", fs::perms::none);
  fs::permissions(dir.Path() / "chiuso.bin", fs::perms::none);
  Result r;
  if (::geteuid() == 0) {
    const std::string errFile = (dir.Path() / "err.txt").string();
    const testshell::CommandResult run = testshell::RunCommand(
        "runuser -u nobody -- " TAVREK_DUMP " --inventory " + testshell::ShellQuote(dir.Path().string()) +
        " 2>" + testshell::ShellQuote(errFile));
    r.status = run.status;
    r.out = run.out;
    std::ifstream in(errFile);
    r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } else {
    r = Dump({"--inventory", dir.Path().string()});
  }
  fs::permissions(dir.Path() / "chiusa", fs::perms::owner_all);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("cartella illeggibile: " + (dir.Path() / "chiusa").string()), std::string::npos)
      << r.err;
  EXPECT_NE(r.out.find("\"files\": 2, \"read\": 1, \"failed\": 1, \"encrypted\": 0, \"skipped\": 1"),
            std::string::npos) << r.out;
  EXPECT_NE(r.out.find("{\"path\": \"" + (dir.Path() / "chiuso.mdb").string() +
                       "\", \"size\": 294912, \"format\": null, \"encrypted\": false, \"tables\": null, "
                       "\"queries\": null, \"relations\": null, \"linked\": null, \"error\": 3051"),
            std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("chiuso.bin"), std::string::npos) << r.out;
}

// The counts of an inventory line are those of the --json document of the same file: user tables
// (neither system nor linked), queries, every relation the document lists.
TEST(InventoryCommand, CountsAgreeWithTheJsonDocument) {
  for (const char* folder : {"jet3", "jet4", "ace"}) {
    Result inventory = Dump({"--inventory", (kData / folder).string(), "--jobs", "2"});
    ASSERT_EQ(inventory.status, 0) << inventory.err;
    std::istringstream in(inventory.out);
    int compared = 0;
    for (std::string line; std::getline(in, line);) {
      testjson::Value entry = testjson::Parse(line);
      if (entry.Has("summary") || !entry["error"].IsNull()) continue;
      Result json = Dump({"--json", entry["path"].string});
      ASSERT_EQ(json.status, 0) << entry["path"].string << json.err;
      testjson::Value doc = testjson::Parse(json.out);
      int tables = 0;
      for (const auto& t : doc["tables"].array) tables += !t["system"].boolean && !t["linked"].boolean;
      EXPECT_EQ(entry["tables"].number, tables) << entry["path"].string;
      EXPECT_EQ(entry["queries"].number, static_cast<double>(doc["queries"].array.size())) << entry["path"].string;
      EXPECT_EQ(entry["relations"].number, static_cast<double>(doc["relations"].array.size()))
          << entry["path"].string;
      ++compared;
    }
    EXPECT_GT(compared, 3) << folder;
  }
}

}  // namespace
