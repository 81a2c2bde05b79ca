// Query text against Access's own: each database under access-sql/ has beside it the SQL that
// Access itself wrote for its queries (SaveAsText exports kept in the database's repository at
// the same commit, extracted by tools/access_query_texts.py into NAME.sql.json). Every query
// listed there must read byte for byte the same through the engine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

#include "engine/dao.h"
#include "tests/tools/json.h"

namespace {

namespace fs = std::filesystem;

// The "queries" object of an export file ({"queries": {"name": "text", …}, "skipped": […]}):
// name -> text. Throws on anything else.
std::map<std::string, std::string> ExportedQueries(const std::string& text) {
  const testjson::Value doc = testjson::Parse(text);
  const testjson::Value& queries = doc["queries"];
  if (queries.kind != testjson::Value::kObject) throw std::runtime_error("queries is not an object");
  std::map<std::string, std::string> out;
  for (size_t i = 0; i < queries.keys.size(); ++i) {
    if (queries.members[i].kind != testjson::Value::kString)
      throw std::runtime_error("the text of " + queries.keys[i] + " is not a string");
    out[queries.keys[i]] = queries.members[i].string;
  }
  return out;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(AccessExports, EveryExportedQueryReadsAsAccessWroteIt) {
  const fs::path folder = fs::path(TAVREK_TEST_DATA) / "access-sql";
  int databases = 0;
  int compared = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string file = entry.path().filename().string();
    const std::string suffix = ".sql.json";
    if (file.size() <= suffix.size() || file.compare(file.size() - suffix.size(), suffix.size(),
                                                     suffix) != 0) {
      continue;
    }
    const fs::path database = folder / file.substr(0, file.size() - suffix.size());
    SCOPED_TRACE(database.filename().string());
    std::map<std::string, std::string> expected;
    ASSERT_NO_THROW(expected = ExportedQueries(ReadAll(entry.path())));
    ASSERT_FALSE(expected.empty());

    dao::DBEngine engine;
    std::shared_ptr<dao::Database> db = engine.OpenDatabase(database.string(), false, true);
    ASSERT_TRUE(db);
    std::map<std::string, std::string> actual;
    const dao::Collection<dao::QueryDef>& queries = db->QueryDefs();
    for (int i = 0; i < queries.Count(); ++i) actual[queries.Item(i).Name()] = queries.Item(i).SQL();
    for (const auto& [name, sql] : expected) {
      SCOPED_TRACE(name);
      const auto it = actual.find(name);
      ASSERT_NE(it, actual.end());
      EXPECT_EQ(it->second, sql);
      ++compared;
    }
    db->Close();
    ++databases;
  }
  EXPECT_GE(databases, 1);
  EXPECT_GE(compared, 6);
}

// The parameters of a real query, as its PARAMETERS line declares them:
// "PARAMETERS park Text ( 255 ), tgtYear Short;".
TEST(AccessExports, ParametersOfARealQuery) {
  dao::DBEngine engine;
  std::shared_ptr<dao::Database> db = engine.OpenDatabase(
      std::string(TAVREK_TEST_DATA) + "/access-sql/targetlists.accdb", false, true);
  ASSERT_TRUE(db);
  const dao::Collection<dao::QueryDef>& queries = db->QueryDefs();
  for (int i = 0; i < queries.Count(); ++i) {
    const dao::QueryDef& query = queries.Item(i);
    SCOPED_TRACE(query.Name());
    if (query.Name() == "qryTgtSpeciesList") {
      const dao::Collection<dao::Parameter>& parameters = query.Parameters();
      ASSERT_EQ(parameters.Count(), 2);
      EXPECT_EQ(parameters.Item(0).Name(), "park");
      EXPECT_EQ(parameters.Item(0).Type(), dao::dbText);
      EXPECT_EQ(parameters.Item(0).Size(), 255);
      EXPECT_EQ(parameters.Item(1).Name(), "tgtYear");
      EXPECT_EQ(parameters.Item(1).Type(), dao::dbInteger);
      EXPECT_EQ(parameters.Item(1).Size(), 0);
    } else if (query.SQL().rfind("PARAMETERS", 0) != 0) {
      EXPECT_EQ(query.Parameters().Count(), 0);
    }
  }
  db->Close();
}

}  // namespace
