// The queries of the queryTest databases read through the engine, as the query view reads them:
// every QueryDef's SQL and Type must be what Access shows.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/dao.h"
#include "tests/query/access_texts.h"

namespace {

using tavrek_test::AccessText;
using tavrek_test::kAccessTexts;

class QueryOpenTest : public testing::TestWithParam<const char*> {};

TEST_P(QueryOpenTest, EveryQueryDefReadsAsAccessShowsIt) {
  dao::DBEngine engine;
  const std::string path = std::string(TAVREK_TEST_DATA) + "/" + GetParam();
  std::shared_ptr<dao::Database> db = engine.OpenDatabase(path, false, true);
  ASSERT_TRUE(db);
  const dao::Collection<dao::QueryDef>& queries = db->QueryDefs();
  ASSERT_EQ(queries.Count(), static_cast<int>(std::size(kAccessTexts)));

  std::set<std::string> seen;
  for (int i = 0; i < queries.Count(); ++i) {
    const std::string name = queries.Item(i).Name();
    SCOPED_TRACE(name);
    const AccessText* expected = nullptr;
    for (const AccessText& text : kAccessTexts) {
      if (name == text.name) expected = &text;
    }
    ASSERT_NE(expected, nullptr);
    EXPECT_TRUE(seen.insert(name).second);
    EXPECT_EQ(queries.Item(i).SQL(), expected->sql);
    EXPECT_EQ(queries.Item(i).Type(), expected->type);
  }
  db->Close();
}

INSTANTIATE_TEST_SUITE_P(QueryTestFiles, QueryOpenTest,
                         testing::Values("jet3/queryTestV1997.mdb", "jet4/queryTestV2000.mdb",
                                         "ace/queryTestV2007.accdb"));

}  // namespace
