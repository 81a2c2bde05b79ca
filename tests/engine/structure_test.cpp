// What the files say about their structure beyond names and types: relationships, stored
// properties, field and index attributes, and the column kinds of ACE (calculated, complex, Large
// Number, Date/Time Extended). Expected values were read from the files with mdb-export and
// mdb-prop and agree with Jackcess's reading of the same files, except where noted.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <type_traits>
#include <variant>
#include <vector>

#include "engine/dao.h"
#include "tests/engine/test_files.h"

using enginetest::Corpus;

namespace {

std::shared_ptr<dao::Database> Open(const std::string& file) {
  dao::DBEngine engine;
  return engine.OpenDatabase(Corpus(file));
}

const dao::Field& FieldNamed(const dao::Recordset& rs, const std::string& name) {
  for (const dao::Field& f : rs.Fields())
    if (f.Name() == name) return f;
  throw std::runtime_error("no field " + name);
}

const dao::Index& IndexNamed(const dao::Recordset& rs, const std::string& name) {
  for (const dao::Index& ix : rs.Indexes())
    if (ix.Name() == name) return ix;
  throw std::runtime_error("no index " + name);
}

const dao::TableDef& TableNamed(const dao::Database& db, const std::string& name) {
  for (const dao::TableDef& t : db.TableDefs())
    if (t.Name() == name) return t;
  throw std::runtime_error("no table " + name);
}

template <class T>
T ValueOf(const dao::Properties& properties, const std::string& name) {
  const dao::Property* p = dao::FindProperty(properties, name);
  if (!p) throw std::runtime_error("no property " + name);
  return std::get<T>(p->Value());
}

struct RelationExpect {
  std::string name, table, foreignTable;
  int32_t attributes;
  std::vector<std::pair<std::string, std::string>> fields;
};

void ExpectRelations(const dao::Database& db, const std::vector<RelationExpect>& want) {
  const auto& relations = db.Relations();
  ASSERT_EQ(relations.Count(), static_cast<int>(want.size()));
  for (int i = 0; i < relations.Count(); ++i) {
    const dao::Relation& r = relations.Item(i);
    const RelationExpect& w = want[static_cast<size_t>(i)];
    EXPECT_EQ(r.Name(), w.name);
    EXPECT_EQ(r.Table(), w.table) << w.name;
    EXPECT_EQ(r.ForeignTable(), w.foreignTable) << w.name;
    EXPECT_EQ(r.Attributes(), w.attributes) << w.name;
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const auto& f : r.Fields()) pairs.emplace_back(f.Name(), f.ForeignName());
    EXPECT_EQ(pairs, w.fields) << w.name;
  }
}

// Relations come in the order their rows are stored.
TEST(Relations, OneSideIsTheTableTheManySideTheForeignTable) {
  for (const char* file : {"jet4/indexTestV2000.mdb", "jet3/indexTestV1997.mdb"}) {
    SCOPED_TRACE(file);
    auto db = Open(file);
    const RelationExpect table2 = {
        "Table2Table1", "Table2", "Table1", dao::dbRelationDeleteCascade, {{"id", "otherfk1"}}};
    const RelationExpect table3 = {
        "Table3Table1", "Table3", "Table1", dao::dbRelationUpdateCascade, {{"id", "otherfk2"}}};
    std::vector<RelationExpect> want = {table3, table2};
    if (std::string(file).rfind("jet4", 0) == 0) {
      want = {table2, table3};
      // Access 2007 and later add the navigation pane's tables to files they open.
      const int32_t both = dao::dbRelationUpdateCascade | dao::dbRelationDeleteCascade;
      want.insert(want.begin(),
                  {{"MSysNavPaneGroupCategoriesMSysNavPaneGroups", "MSysNavPaneGroupCategories",
                    "MSysNavPaneGroups", both, {{"Id", "GroupCategoryID"}}},
                   {"MSysNavPaneGroupsMSysNavPaneGroupToObjects", "MSysNavPaneGroups",
                    "MSysNavPaneGroupToObjects", both, {{"Id", "GroupID"}}}});
    }
    ExpectRelations(*db, want);
  }
  // No MSysRelationships rows: an empty collection.
  EXPECT_EQ(Open("jet4/testV2000.mdb")->Relations().Count(), 0);
}

TEST(Relations, EveryRelationshipOfALargeFileWithItsStoredFlags) {
  auto db = Open("generated/stress-d-300rels-V2007.accdb");
  const auto& relations = db->Relations();
  ASSERT_EQ(relations.Count(), 300);
  std::map<int32_t, int> byAttributes;
  std::set<std::string> names;
  for (const dao::Relation& r : relations) {
    ++byAttributes[r.Attributes()];
    names.insert(r.Name());
    ASSERT_EQ(r.Fields().Count(), 1) << r.Name();
    EXPECT_EQ(r.Name(), r.Table() + r.ForeignTable());
  }
  EXPECT_EQ(names.size(), 300u);
  const std::map<int32_t, int> want = {
      {0, 50},
      {dao::dbRelationUpdateCascade, 50},
      {dao::dbRelationDeleteCascade, 50},
      {dao::dbRelationUpdateCascade | dao::dbRelationDeleteCascade, 50},
      {dao::dbRelationLeft | dao::dbRelationDontEnforce, 50},
      {dao::dbRelationRight | dao::dbRelationDontEnforce, 50}};
  EXPECT_EQ(byAttributes, want);
  const dao::Relation& first = relations.Item(0);
  EXPECT_EQ(first.Name(), "Parent00Child000");
  EXPECT_EQ(first.Fields().Item(0).Name(), "ID");
  EXPECT_EQ(first.Fields().Item(0).ForeignName(), "RefA");
  const dao::Relation& last = relations.Item(299);
  EXPECT_EQ(last.Name(), "Parent29Child149");
  EXPECT_EQ(last.Fields().Item(0).Name(), "Code");
  EXPECT_EQ(last.Fields().Item(0).ForeignName(), "RefB");
}

TEST(Properties, DatabaseTableFieldAndQueryPropertiesWithTheirTypes) {
  {
    auto db = Open("jet4/indexTestV2000.mdb");
    EXPECT_EQ(ValueOf<std::string>(db->Properties(), "AccessVersion"), "08.50");
    EXPECT_EQ(ValueOf<int64_t>(db->Properties(), "Build"), 1150);
    EXPECT_EQ(dao::FindProperty(db->Properties(), "AccessVersion")->Type(), dao::dbText);
  }
  {
    // Jet3 blobs ("KKD") hold text in the database's code page.
    auto db = Open("jet3/testV1997.mdb");
    EXPECT_EQ(ValueOf<std::string>(db->Properties(), "AccessVersion"), "07.53");
    const dao::TableDef& t = TableNamed(*db, "Table1");
    EXPECT_EQ(ValueOf<int64_t>(t.Properties(), "DefaultView"), 2);
    EXPECT_FALSE(ValueOf<bool>(t.Properties(), "OrderByOn"));
    auto rs = db->OpenRecordset("Table1");
    const dao::Field& c = FieldNamed(*rs, "C");
    EXPECT_EQ(ValueOf<int64_t>(c.Properties(), "DecimalPlaces"), 255);
    EXPECT_EQ(c.DefaultValue(), "0");
    EXPECT_EQ(ValueOf<std::string>(c.Properties(), "DefaultValue"), "0");
  }
  {
    auto db = Open("jet4/queryTestV2000.mdb");
    const dao::QueryDef* append = nullptr;
    for (const dao::QueryDef& q : db->QueryDefs())
      if (q.Name() == "AppendQuery") append = &q;
    ASSERT_NE(append, nullptr);
    const dao::Properties& p = append->Properties();
    std::vector<std::string> names;
    for (const dao::Property& x : p) names.push_back(x.Name());
    EXPECT_EQ(names, (std::vector<std::string>{"RecordLocks", "ODBCTimeout", "UseTransaction",
                                               "Orientation", "DOL"}));
    EXPECT_EQ(ValueOf<int64_t>(p, "RecordLocks"), 2);
    EXPECT_TRUE(ValueOf<bool>(p, "UseTransaction"));
    const dao::Bytes& dol = ValueOf<dao::Bytes>(p, "DOL");
    ASSERT_GE(dol.data.size(), 4u);
    EXPECT_EQ(dol.data[0], 0x0A);
    EXPECT_EQ(dol.data[1], 0xCC);
  }
}

TEST(Properties, DescriptionOnEveryTableAndFieldOfALargeFile) {
  auto db = Open("generated/stress-d-300rels-V2007.accdb");
  EXPECT_EQ(ValueOf<std::string>(TableNamed(*db, "Child000").Properties(), "Description"),
            "Child table 0, two references");
  EXPECT_EQ(ValueOf<std::string>(TableNamed(*db, "Parent29").Properties(), "Description"),
            "Parent table number 29");
  int tables = 0, fields = 0;
  for (const dao::TableDef& t : db->TableDefs()) {
    if (t.IsSystem()) continue;
    ++tables;
    EXPECT_NE(dao::FindProperty(t.Properties(), "Description"), nullptr) << t.Name();
    auto rs = db->OpenRecordset(t.Name());
    for (const dao::Field& f : rs->Fields()) {
      ++fields;
      EXPECT_NE(dao::FindProperty(f.Properties(), "Description"), nullptr)
          << t.Name() << "." << f.Name();
    }
  }
  EXPECT_EQ(tables, 180);
  EXPECT_EQ(fields, 840);
  auto rs = db->OpenRecordset("Child000");
  EXPECT_EQ(ValueOf<std::string>(FieldNamed(*rs, "ID").Properties(), "Description"),
            "Key of child 0");
}

// Required, AllowZeroLength and the others DAO shows directly say what the stored properties say,
// and the attribute bits follow the column's flags.
TEST(FieldAttributes, AgreeWithPropertiesAndColumnFlags) {
  for (const char* file : {"jet3/testV1997.mdb", "jet4/testV2000.mdb", "ace/testV2007.accdb",
                           "ace/calcFieldTestV2010.accdb"}) {
    SCOPED_TRACE(file);
    auto db = Open(file);
    for (const dao::TableDef& t : db->TableDefs()) {
      auto rs = db->OpenRecordset(t.Name());
      for (const dao::Field& f : rs->Fields()) {
        auto flag = [&](const char* name) {
          const dao::Property* p = dao::FindProperty(f.Properties(), name);
          return p && std::get<bool>(p->Value());
        };
        EXPECT_EQ(f.Required(), flag("Required")) << t.Name() << "." << f.Name();
        EXPECT_EQ(f.AllowZeroLength(), flag("AllowZeroLength")) << t.Name() << "." << f.Name();
        const int32_t a = f.Attributes();
        EXPECT_NE((a & dao::dbFixedField) != 0, (a & dao::dbVariableField) != 0) << f.Name();
        if (a & dao::dbAutoIncrField) {
          EXPECT_EQ(a & dao::dbUpdatableField, 0) << f.Name();
        }
      }
    }
  }
  auto db = Open("ace/calcFieldTestV2010.accdb");
  auto rs = db->OpenRecordset("Table1");
  EXPECT_EQ(FieldNamed(*rs, "ID").Attributes(), dao::dbFixedField | dao::dbAutoIncrField);
  EXPECT_EQ(FieldNamed(*rs, "FirstName").Attributes(), dao::dbVariableField | dao::dbUpdatableField);
  EXPECT_EQ(FieldNamed(*rs, "Salary").Attributes(), dao::dbFixedField | dao::dbUpdatableField);
  EXPECT_TRUE(FieldNamed(*rs, "FirstName").AllowZeroLength());

  // The attachment column's flags carry the AutoNumber bit; it is no AutoNumber.
  auto complex = Open("ace/complexDataTestV2010.accdb");
  auto table1 = complex->OpenRecordset("Table1");
  EXPECT_EQ(FieldNamed(*table1, "attach-data").Attributes() & dao::dbAutoIncrField, 0);
  EXPECT_FALSE(FieldNamed(*table1, "attach-data").IsAutoNumber());
}

TEST(IndexAttributes, PrimaryForeignUniqueRequiredAndIgnoreNulls) {
  auto db = Open("jet4/indexTestV2000.mdb");
  struct Flags {
    bool primary, unique, ignoreNulls, required, foreign;
    bool operator==(const Flags&) const = default;
  };
  auto flags = [](const dao::Index& ix) {
    EXPECT_FALSE(ix.Clustered()) << ix.Name();
    return Flags{ix.Primary(), ix.Unique(), ix.IgnoreNulls(), ix.Required(), ix.Foreign()};
  };
  auto t1 = db->OpenRecordset("Table1");
  EXPECT_EQ(flags(IndexNamed(*t1, "PrimaryKey")), (Flags{true, true, false, true, false}));
  EXPECT_EQ(flags(IndexNamed(*t1, "id")), (Flags{false, false, false, false, false}));
  // The referencing side's index of a relationship.
  EXPECT_EQ(flags(IndexNamed(*t1, "Table2Table1")), (Flags{false, false, false, false, true}));
  // The referenced side's index, unique like the key it duplicates.
  auto t2 = db->OpenRecordset("Table2");
  EXPECT_EQ(flags(IndexNamed(*t2, ".rC")), (Flags{false, true, false, true, true}));

  auto props = Open("jet4/testIndexPropertiesV2000.mdb");
  int ignoreNulls = 0, unique = 0, required = 0;
  for (const dao::TableDef& t : props->TableDefs()) {
    if (t.IsSystem()) continue;
    auto rs = props->OpenRecordset(t.Name());
    for (const dao::Index& ix : rs->Indexes()) {
      ignoreNulls += ix.IgnoreNulls();
      unique += ix.Unique();
      required += ix.Required();
    }
  }
  EXPECT_GT(ignoreNulls, 0);
  EXPECT_GT(unique, 0);
  EXPECT_GT(required, 0);
}

TEST(IndexAttributes, DescendingKeyFieldsInKeyOrder) {
  auto db = Open("jet3/testIndexCodesV1997.mdb");
  auto order = [&](const std::string& table) {
    auto rs = db->OpenRecordset(table);
    std::vector<bool> descending;
    for (const dao::IndexField& f : IndexNamed(*rs, "DataIndex").Fields())
      descending.push_back(f.Descending());
    return descending;
  };
  EXPECT_EQ(order("Table12"), (std::vector<bool>{false, false}));
  EXPECT_EQ(order("Table12_asc_desc"), (std::vector<bool>{false, true}));
  EXPECT_EQ(order("Table12_desc_asc"), (std::vector<bool>{true, false}));
  EXPECT_EQ(order("Table12_desc_desc"), (std::vector<bool>{true, true}));
  EXPECT_EQ(order("Table2_desc"), (std::vector<bool>{true}));
}

struct KindExpect {
  std::string field;
  int type;
  int size;
};

void ExpectKinds(const std::string& file, const std::string& table,
                 const std::vector<KindExpect>& want) {
  SCOPED_TRACE(file);
  auto db = Open(file);
  auto rs = db->OpenRecordset(table);
  for (const KindExpect& w : want) {
    const dao::Field& f = FieldNamed(*rs, w.field);
    EXPECT_EQ(f.Type(), w.type) << w.field;
    EXPECT_EQ(f.Size(), w.size) << w.field;
  }
}

// A calculated column is stored as its result with a 23-byte header; the file's column type can
// be another than the result Access shows (MonthlySalary is stored as a Double, IsRich as an
// Integer, FloatTest as a Decimal). The ResultType property holds the shown type.
TEST(ColumnKinds, CalculatedFieldsShowTheirResultType) {
  ExpectKinds("ace/calcFieldTestV2010.accdb", "Table1",
              {{"LastFirst", dao::dbText, 243},
               {"LastFirstLen", dao::dbLong, 4},
               {"MonthlySalary", dao::dbCurrency, 8},
               {"IsRich", dao::dbBoolean, 1},
               {"AllNames", dao::dbMemo, 0},
               {"WeeklySalary", dao::dbDecimal, 17},
               {"SalaryTest", dao::dbCurrency, 8},
               {"BoolTest", dao::dbBoolean, 1},
               {"DecimalTest", dao::dbDecimal, 17},
               {"FloatTest", dao::dbSingle, 4},
               {"Popularity", dao::dbDecimal, 17},
               {"Salary", dao::dbCurrency, 8}});
  auto db = Open("ace/calcFieldTestV2010.accdb");
  auto rs = db->OpenRecordset("Table1");
  EXPECT_EQ(ValueOf<std::string>(FieldNamed(*rs, "LastFirst").Properties(), "Expression"),
            "[LastName] & \", \" & [FirstName]");
  EXPECT_EQ(ValueOf<std::string>(FieldNamed(*rs, "MonthlySalary").Properties(), "Format"),
            "$#,##0.00;($#,##0.00)");
  EXPECT_EQ(dao::FindProperty(FieldNamed(*rs, "Salary").Properties(), "Expression"), nullptr);
  // A calculated Decimal declares no precision or scale (its entry holds 0, 0): each value keeps
  // its own scale (WeeklySalary's rows have 10 and 14 places), so none is claimed for the column.
  const int perValue = dao::FieldInfo::kScalePerValue;
  for (auto [name, precision, scale] : {std::tuple{"Popularity", 18, 6}, {"WeeklySalary", 28, perValue},
                                        {"DecimalTest", 28, perValue}, {"BigNumTest", 28, perValue}}) {
    EXPECT_EQ(FieldNamed(*rs, name).Precision(), precision) << name;
    EXPECT_EQ(FieldNamed(*rs, name).Scale(), scale) << name;
  }
}

TEST(ColumnKinds, ComplexLargeNumberAndExtendedDate) {
  ExpectKinds("ace/complexDataTestV2010.accdb", "Table1",
              {{"multi-value-data", dao::dbComplexText, 4},
               {"attach-data", dao::dbAttachment, 4},
               {"VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880", dao::dbComplexText, 4},
               {"append-memo-data", dao::dbMemo, 0}});
  ExpectKinds("ace/v2016-bigint.accdb", "Table", {{"Numeric", dao::dbBigInt, 8}});
  ExpectKinds("ace/extDateTestV2019.accdb", "Table1",
              {{"DateExt", dao::dbDateTimeExtended, 42},
               {"DateNormal", dao::dbDate, 8},
               {"DateNormalCalc", dao::dbDate, 8}});
  auto db = Open("ace/complexDataTestV2010.accdb");
  auto rs = db->OpenRecordset("Table1");
  EXPECT_TRUE(ValueOf<bool>(FieldNamed(*rs, "append-memo-data").Properties(), "AppendOnly"));
  EXPECT_TRUE(
      ValueOf<bool>(FieldNamed(*rs, "multi-value-data").Properties(), "AllowMultipleValues"));
}

// A property blob whose signature is damaged: the properties, and the fields that carry them,
// are reported as a damaged file; the catalogue itself still opens.
bool SameValue(const dao::PropertyValue& a, const dao::PropertyValue& b) {
  if (a.index() != b.index()) return false;
  return std::visit(
      [&b](const auto& x) {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, dao::DateTime>) return x.days == std::get<T>(b).days;
        else return x == std::get<T>(b);
      },
      a);
}

// The plain description a writer reads table by table is the recordset's, field for field and
// index for index, properties included; it belongs to its own database only.
TEST(DescribeTable, SameAsTheTableRecordset) {
  for (const char* file : {"ace/calcFieldTestV2010.accdb", "ace/complexDataTestV2010.accdb",
                           "jet4/testIndexPropertiesV2000.mdb", "generated/stress-d-300rels-V2007.accdb",
                           "jet3/indexTestV1997.mdb"}) {
    SCOPED_TRACE(file);
    auto db = Open(file);
    int fields = 0;
    for (const dao::TableDef& t : db->TableDefs()) {
      const dao::TableDetail detail = db->DescribeTable(t);
      auto rs = db->OpenRecordset(t.Name());
      EXPECT_EQ(detail.recordCount, rs->RecordCount()) << t.Name();
      ASSERT_EQ(static_cast<int>(detail.fields.size()), rs->Fields().Count()) << t.Name();
      for (int i = 0; i < rs->Fields().Count(); ++i) {
        const dao::Field& f = rs->Fields().Item(i);
        const dao::FieldInfo& d = detail.fields[static_cast<size_t>(i)];
        EXPECT_EQ(d.name, f.Name());
        EXPECT_EQ(d.type, f.Type()) << f.Name();
        EXPECT_EQ(d.size, f.Size()) << f.Name();
        EXPECT_EQ(d.attributes, f.Attributes()) << f.Name();
        EXPECT_EQ(d.required, f.Required()) << f.Name();
        EXPECT_EQ(d.defaultValue, f.DefaultValue()) << f.Name();
        ASSERT_EQ(static_cast<int>(d.properties.size()), f.Properties().Count()) << f.Name();
        for (size_t k = 0; k < d.properties.size(); ++k) {
          EXPECT_EQ(d.properties[k].name, f.Properties().Item(static_cast<int>(k)).Name());
          EXPECT_TRUE(SameValue(d.properties[k].value, f.Properties().Item(static_cast<int>(k)).Value()))
              << d.properties[k].name;
        }
        ++fields;
      }
      ASSERT_EQ(static_cast<int>(detail.indexes.size()), rs->Indexes().Count()) << t.Name();
      for (int i = 0; i < rs->Indexes().Count(); ++i) {
        const dao::Index& ix = rs->Indexes().Item(i);
        const dao::IndexInfo& d = detail.indexes[static_cast<size_t>(i)];
        EXPECT_EQ(d.name, ix.Name());
        ASSERT_EQ(static_cast<int>(d.fields.size()), ix.Fields().Count());
        for (int k = 0; k < ix.Fields().Count(); ++k) {
          EXPECT_EQ(d.fields[static_cast<size_t>(k)], ix.Fields().Item(k).Name());
          const bool descending = static_cast<size_t>(k) < d.descending.size() && d.descending[static_cast<size_t>(k)];
          EXPECT_EQ(descending, ix.Fields().Item(k).Descending());
        }
        EXPECT_EQ(d.primary, ix.Primary());
        EXPECT_EQ(d.unique, ix.Unique());
        EXPECT_EQ(d.foreign, ix.Foreign());
      }
    }
    EXPECT_GT(fields, 0);
  }

  // A table definition of another database (even one of the same file) is not this one's.
  auto a = Open("jet4/testV2000.mdb");
  auto b = Open("jet4/testV2000.mdb");
  try {
    a->DescribeTable(b->TableDefs().Item(0));
    ADD_FAILURE() << "described a table of another database";
  } catch (const dao::Error& e) {
    EXPECT_EQ(e.Number(), dao::kErrItemNotFound);
  }
}

TEST(DamagedStructure, BrokenPropertyBlobIsADamagedFile) {
  enginetest::ScratchDir dir;
  std::vector<uint8_t> bytes = enginetest::ReadBytes(Corpus("jet4/testV2000.mdb"));
  int signatures = 0;
  for (size_t i = 0; i + 4 <= bytes.size(); ++i)
    if (bytes[i] == 'M' && bytes[i + 1] == 'R' && bytes[i + 2] == '2' && bytes[i + 3] == 0) {
      bytes[i] = 'X';
      ++signatures;
    }
  ASSERT_GT(signatures, 0);
  const std::string path = dir.File("props.mdb");
  enginetest::WriteBytes(path, bytes);
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(path);
  const dao::TableDef& t = TableNamed(*db, "Table1");
  try {
    (void)t.Properties();
    FAIL() << "a damaged blob was read";
  } catch (const dao::Error& e) {
    EXPECT_EQ(e.Number(), dao::kErrCorrupt);
  }
  EXPECT_THROW(db->OpenRecordset("Table1"), dao::Error);
  EXPECT_THROW((void)db->Properties(), dao::Error);
}

}  // namespace
