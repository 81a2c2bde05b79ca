// The reader against the test databases: catalogue, table structures, indexes, dates and query
// types. Expected values were checked by hand against the files (mdb-schema, mdb-count and
// mdb-export of MSysObjects).
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "tests/engine/test_files.h"

using enginetest::Corpus;

namespace {

struct FieldExpect {
  std::string name;
  int type;
  int size;
};

struct IndexExpect {
  std::string name;
  std::vector<std::string> fields;
};

std::vector<std::string> UserTables(const dao::Database& db) {
  std::vector<std::string> names;
  for (const dao::TableDef& t : db.TableDefs())
    if (!t.IsSystem()) names.push_back(t.Name());
  return names;
}

void ExpectFields(const dao::Recordset& rs, const std::vector<FieldExpect>& want) {
  ASSERT_EQ(rs.Fields().Count(), static_cast<int>(want.size())) << rs.Name();
  for (int i = 0; i < rs.Fields().Count(); ++i) {
    const dao::Field& f = rs.Fields().Item(i);
    EXPECT_EQ(f.Name(), want[i].name) << rs.Name() << " field " << i;
    EXPECT_EQ(f.Type(), want[i].type) << rs.Name() << "." << f.Name();
    EXPECT_EQ(f.Size(), want[i].size) << rs.Name() << "." << f.Name();
  }
}

void ExpectIndexes(const dao::Recordset& rs, const std::vector<IndexExpect>& want) {
  ASSERT_EQ(rs.Indexes().Count(), static_cast<int>(want.size())) << rs.Name();
  for (int i = 0; i < rs.Indexes().Count(); ++i) {
    const dao::Index& x = rs.Indexes().Item(i);
    EXPECT_EQ(x.Name(), want[i].name) << rs.Name();
    std::vector<std::string> keys;
    for (const dao::IndexField& k : x.Fields()) keys.push_back(k.Name());
    EXPECT_EQ(keys, want[i].fields) << rs.Name() << "." << x.Name();
  }
}

// Table1 of the three "test" databases: one column of every basic type.
const std::vector<FieldExpect> kBasicTypes = {
    {"A", dao::dbText, 50},   {"B", dao::dbText, 100},  {"C", dao::dbByte, 1},
    {"D", dao::dbInteger, 2}, {"E", dao::dbLong, 4},    {"F", dao::dbDouble, 8},
    {"G", dao::dbDate, 8},    {"H", dao::dbCurrency, 8}, {"I", dao::dbBoolean, 1}};

class BasicDatabases : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(BasicDatabases, ListTablesFieldsAndIndexes) {
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(Corpus(GetParam().first));
  EXPECT_EQ(db->Format(), GetParam().second);
  EXPECT_EQ(db->Name(), Corpus(GetParam().first));
  EXPECT_EQ(UserTables(*db), (std::vector<std::string>{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(db->QueryDefs().Count(), 0);

  auto t1 = db->OpenRecordset("Table1");
  EXPECT_EQ(t1->RecordCount(), 2);
  ExpectFields(*t1, kBasicTypes);
  ExpectIndexes(*t1, {{"B", {"B"}}, {"PrimaryKey", {"A"}}});

  // 89 columns: the definition continues on further pages.
  auto t2 = db->OpenRecordset("Table2");
  EXPECT_EQ(t2->RecordCount(), 0);
  ASSERT_EQ(t2->Fields().Count(), 89);
  EXPECT_EQ(t2->Fields().Item(0).Name(), "column1");
  EXPECT_EQ(t2->Fields().Item(88).Name(), "column89");
  EXPECT_EQ(t2->Fields().Item(88).Size(), 50);
  ExpectIndexes(*t2, {{"column10", {"column10"}},
                      {"column14", {"column14"}},
                      {"column75", {"column75"}},
                      {"id", {"column1"}},
                      {"PrimaryKey", {"column1"}}});

  auto t4 = db->OpenRecordset("table4");  // names compare without regard to case
  EXPECT_EQ(t4->Name(), "Table4");
  ExpectFields(*t4, {{"name", dao::dbText, 50}, {"data", dao::dbGUID, 16}});
  ExpectIndexes(*t4, {{"PrimaryKey", {"data"}}});
}

INSTANTIATE_TEST_SUITE_P(Versions, BasicDatabases,
                         ::testing::Values(std::make_pair("jet3/testV1997.mdb", "Jet3"),
                                           std::make_pair("jet4/testV2000.mdb", "Jet4"),
                                           std::make_pair("ace/testV2007.accdb", "ACE12")));

TEST(Corpus, CatalogueDatesAreThoseOfMSysObjects) {
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(Corpus("jet4/testV2000.mdb"));
  auto t1 = db->OpenRecordset("Table1");
  EXPECT_EQ(t1->DateCreated().Iso(), "2004-05-28T17:51:49");
  EXPECT_EQ(t1->LastUpdated().Iso(), "2006-07-24T09:56:20");
  auto t4 = db->OpenRecordset("Table4");
  EXPECT_EQ(t4->DateCreated().Iso(), "2009-11-14T07:49:11");
  EXPECT_EQ(t4->LastUpdated().Iso(), "2009-11-14T07:49:17");
}

TEST(Corpus, SystemTablesAreListedAndMarked) {
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(Corpus("jet4/testV2000.mdb"));
  std::vector<std::string> names;
  for (const dao::TableDef& t : db->TableDefs()) {
    names.push_back(t.Name());
    EXPECT_EQ(t.IsSystem(), t.Name().rfind("MSys", 0) == 0) << t.Name();
    EXPECT_FALSE(t.IsLinked());
  }
  // Ordered by name without regard to case: MSysACEs after MSysAccessObjects.
  EXPECT_EQ(names, (std::vector<std::string>{"MSysAccessObjects", "MSysACEs", "MSysObjects",
                                             "MSysQueries", "MSysRelationships", "Table1",
                                             "Table2", "Table3", "Table4"}));
  auto objects = db->OpenRecordset("MSysObjects");
  EXPECT_EQ(objects->RecordCount(), 22);
  EXPECT_EQ(objects->Fields().Item(2).Name(), "Name");
  EXPECT_EQ(objects->Fields().Item(8).Type(), dao::dbMemo);  // Database
  EXPECT_EQ(objects->Fields().Item(8).Size(), 0);
  EXPECT_EQ(objects->Fields().Item(14).Type(), dao::dbLongBinary);  // LvProp
  ExpectIndexes(*objects, {{"Id", {"Id"}}, {"ParentIdName", {"ParentId", "Name"}}});
}

TEST(Corpus, DeletedColumnsLeaveGapsInColumnNumbers) {
  for (const char* file : {"jet3/delColTestV1997.mdb", "jet4/delColTestV2000.mdb"}) {
    dao::DBEngine engine;
    auto db = engine.OpenDatabase(Corpus(file));
    auto t = db->OpenRecordset("Table1");
    EXPECT_EQ(t->RecordCount(), 2) << file;
    ExpectFields(*t, {{"id", dao::dbLong, 4},
                      {"id2", dao::dbLong, 4},
                      {"data", dao::dbText, 50},
                      {"data2", dao::dbText, 50}});
    ExpectIndexes(*t, {{"id", {"id"}}, {"id2", {"id2"}}});
  }
}

TEST(Corpus, RelationshipIndexesShareTheirPhysicalIndex) {
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(Corpus("jet4/indexTestV2000.mdb"));
  auto t1 = db->OpenRecordset("Table1");
  EXPECT_EQ(t1->RecordCount(), 4);
  // Column 0 was deleted: key fields are found by column number, not by position.
  ExpectFields(*t1, {{"id", dao::dbLong, 4},
                     {"otherfk1", dao::dbLong, 4},
                     {"otherfk2", dao::dbLong, 4},
                     {"data", dao::dbText, 50},
                     {"otherfk3", dao::dbLong, 4}});
  ExpectIndexes(*t1, {{"id", {"id"}},
                      {"PrimaryKey", {"id"}},
                      {"Table2Table1", {"otherfk1"}},
                      {"Table3Table1", {"otherfk2"}}});
  auto t2 = db->OpenRecordset("Table2");
  ExpectIndexes(*t2, {{".rC", {"id"}}, {"id", {"id"}}, {"PrimaryKey", {"id"}}});
}

TEST(Corpus, MultiColumnKeysKeepKeyOrder) {
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(Corpus("jet3/testIndexCodesV1997.mdb"));
  auto t = db->OpenRecordset("Table12");
  ASSERT_GE(t->Indexes().Count(), 1);
  ExpectIndexes(*t, {{"DataIndex", {"data1", "data2"}}, {"PrimaryKey", {"name"}}});
}

TEST(Corpus, QueryTypesOfEveryKind) {
  for (const char* file :
       {"jet3/queryTestV1997.mdb", "jet4/queryTestV2000.mdb", "ace/queryTestV2007.accdb"}) {
    dao::DBEngine engine;
    auto db = engine.OpenDatabase(Corpus(file));
    std::vector<std::pair<std::string, int>> got;
    for (const dao::QueryDef& q : db->QueryDefs()) got.emplace_back(q.Name(), q.Type());
    EXPECT_EQ(got, (std::vector<std::pair<std::string, int>>{{"AppendQuery", dao::dbQAppend},
                                                             {"CrosstabQuery", dao::dbQCrosstab},
                                                             {"DataDefinitionQuery", dao::dbQDDL},
                                                             {"DeleteQuery", dao::dbQDelete},
                                                             {"MakeTableQuery", dao::dbQMakeTable},
                                                             {"PassthroughQuery", dao::dbQSQLPassThrough},
                                                             {"SelectQuery", dao::dbQSelect},
                                                             {"UnionQuery", dao::dbQSetOperation},
                                                             {"UpdateQuery", dao::dbQUpdate}}))
        << file;
    // The query rows reach the SQL builder: the text names the query's tables.
    const dao::QueryDef& del = db->QueryDefs().Item(3);
    EXPECT_NE(del.SQL().find("Table1"), std::string::npos) << file;
  }
}

TEST(Corpus, QueryDatesComeFromTheCatalogue) {
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(Corpus("jet3/queryTestV1997.mdb"));
  EXPECT_EQ(db->QueryDefs().Item(0).DateCreated().Iso(), "2010-08-01T15:36:18");
  EXPECT_EQ(db->QueryDefs().Item(0).LastUpdated().Iso(), "2010-08-01T15:36:18");
}

TEST(Corpus, AceAttachmentColumnsTakeTheirKindFromMSysComplexColumns) {
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(Corpus("ace/indexTestV2007.accdb"));
  auto resources = db->OpenRecordset("MSysResources");
  bool found = false;
  for (const dao::Field& f : resources->Fields()) {
    if (f.Name() != "Data") continue;
    found = true;
    EXPECT_EQ(f.Type(), dao::dbAttachment);
  }
  EXPECT_TRUE(found);
}

TEST(Corpus, EncodedDatabaseIsReadThroughItsKey) {
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(Corpus("jet4/encodedV2000.mdb"));
  EXPECT_EQ(UserTables(*db), std::vector<std::string>{"Table1"});
  auto t = db->OpenRecordset("Table1");
  EXPECT_EQ(t->RecordCount(), 2);
  ExpectFields(*t, {{"ID", dao::dbLong, 4}, {"col1", dao::dbText, 50}, {"col2", dao::dbLong, 4}});
  ExpectIndexes(*t, {{"PrimaryKey", {"ID"}}});
  EXPECT_EQ(t->DateCreated().Iso(), "2010-09-21T08:22:28");
}

TEST(Corpus, EmptyDatabaseHasOnlySystemTables) {
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(Corpus("jet4/emptyV2000.mdb"));
  EXPECT_TRUE(UserTables(*db).empty());
  EXPECT_EQ(db->TableDefs().Count(), 5);
  EXPECT_EQ(db->QueryDefs().Count(), 0);
}

// Every file opens and every object in it can be described.
class EveryCorpusFile : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryCorpusFile, OpensAndDescribesEverything) {
  std::optional<std::string> connect;
  if (GetParam().find("with-password") != std::string::npos) connect = ";password";
  EXPECT_GT(enginetest::DescribeAll(Corpus(GetParam()), connect), 4);
}

INSTANTIATE_TEST_SUITE_P(Files, EveryCorpusFile, ::testing::ValuesIn(enginetest::CorpusFiles()),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
