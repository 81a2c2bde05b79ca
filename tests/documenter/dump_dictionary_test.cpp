// tavrek-dump's --html, --markdown and -o on the in-memory sales database: where the output goes,
// which option combinations are refused, and that an output file is never left half-written.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/documenter/sample_db.h"
#include "tests/support/dump_run.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

using Outcome = testsupport::DumpResult;

// tavrek-dump on the sales database, whatever the path; `failTable` cannot be read.
Outcome RunDump(const std::vector<std::string>& args, int failTable = -1) {
  tavrek::doc::sample::SampleDb f = tavrek::doc::sample::SalesDatabase();
  f.source->failTable = failTable;
  return testsupport::RunDumpOn(f.Build(), args);
}

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class DumpOutputFile : public ::testing::Test {
 protected:
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  testsupport::TempDir temp_{"tavrek-doc"};
  const fs::path dir_ = temp_.Path();
};

TEST(DumpDictionary, HtmlAndMarkdownOnStandardOutput) {
  Outcome html = RunDump({"--html", "vendite.mdb"});
  EXPECT_EQ(html.status, 0) << html.err;
  EXPECT_EQ(html.out.rfind("<!DOCTYPE html>", 0), 0u);
  Outcome md = RunDump({"--markdown", "vendite.mdb"});
  EXPECT_EQ(md.status, 0) << md.err;
  EXPECT_EQ(md.out.rfind("# Dizionario dei dati", 0), 0u);
  EXPECT_NE(md.out.find("```mermaid"), std::string::npos);
}

TEST(DumpDictionary, OptionsThatDoNotGoTogether) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--html", "--markdown", "x.mdb"},
           {"--html", "--json", "x.mdb"},
           {"--markdown", "--pdf", "x.pdf", "x.mdb"},
           {"--html", "--ddl", "sqlite", "x.mdb"},
           {"--pdf", "x.pdf", "-o", "x.json", "x.mdb"},
           {"--html", "x.mdb", "-o"}}) {
    Outcome o = RunDump(args);
    EXPECT_EQ(o.status, 1) << args[0] << " " << args[1];
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err.rfind("tavrek-dump: ", 0), 0u) << o.err;
  }
}

TEST_F(DumpOutputFile, OutputFileIsWrittenWholeWithUsualPermissions) {
  const fs::path target = dir_ / "dizionario.html";
  Outcome o = RunDump({"--html", "vendite.mdb", "-o", target.string()});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(Read(target).rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_TRUE(Read(target).ends_with("</html>\n"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"dizionario.html"});
  const auto perms = fs::status(target).permissions();
  EXPECT_NE(perms & fs::perms::owner_read, fs::perms::none);
  EXPECT_NE(perms & fs::perms::others_read, fs::perms::none) << "not the 0600 of a temporary file";

  // --output= replaces an existing file.
  Outcome md = RunDump({"--markdown", "--output=" + target.string(), "vendite.mdb"});
  EXPECT_EQ(md.status, 0) << md.err;
  EXPECT_EQ(Read(target).rfind("# Dizionario dei dati", 0), 0u);
}

TEST_F(DumpOutputFile, NothingHalfWrittenOnFailure) {
  const fs::path target = dir_ / "dizionario.md";
  { std::ofstream(target) << "versione precedente"; }
  // The file cannot be read: the earlier output stays as it was, no temporary file is left.
  Outcome damaged = RunDump({"--markdown", "x.mdb", "-o", target.string()}, 1);
  EXPECT_EQ(damaged.status, 2);
  EXPECT_EQ(damaged.err, "Errore 3049\nFile danneggiato.\n");
  EXPECT_EQ(Read(target), "versione precedente");

  // A folder as the output, or a folder that does not exist: status 3, the path in the message.
  Outcome folder = RunDump({"--html", "x.mdb", "-o", dir_.string()});
  EXPECT_EQ(folder.status, 3);
  EXPECT_NE(folder.err.find("impossibile scrivere " + dir_.string()), std::string::npos) << folder.err;
  const std::string missing = (dir_ / "manca" / "x.html").string();
  Outcome nowhere = RunDump({"--html", "x.mdb", "-o", missing});
  EXPECT_EQ(nowhere.status, 3);
  EXPECT_EQ(nowhere.err, "tavrek-dump: impossibile scrivere " + missing + ": No such file or directory\n");
  EXPECT_EQ(Entries(), std::vector<std::string>{"dizionario.md"});
}

}  // namespace
