// The structure diff on databases built in memory: which changes are found, in which order, and
// how they are shown as text and JSON.
#include "documenter/diff.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/documenter/sample_db.h"

namespace {

using namespace tavrek::doc;
using sample::OrderSchema;

std::string Row(const StructureChange& c) {
  return c.kind + "|" + c.table + "|" + c.name + "|" + c.change + "|" + c.property + "|" +
         c.a.value_or("null") + "|" + c.b.value_or("null");
}

std::vector<std::string> Rows(const std::vector<StructureChange>& changes) {
  std::vector<std::string> rows;
  for (const auto& c : changes) rows.push_back(Row(c));
  return rows;
}

// The order schema with one change of every kind.
sample::SampleDb Changed() {
  sample::SampleDb db = OrderSchema();
  auto& d = db.source->details;
  // Clienti: Nome longer, Nota gone, a new field, the description of Nome changed; the index on
  // Nome no longer unique.
  d[0].fields[1].size = 120;
  d[0].fields[1].properties[0].value = std::string("Nome o ragione sociale");
  d[0].fields.erase(d[0].fields.begin() + 2);
  d[0].fields.push_back(sample::Field("Email", dao::dbText, 100));
  d[0].indexes[1].unique = false;
  // Ordini: the Data index now ascending.
  d[1].indexes[2].descending = {};
  // Storico removed (table, details, properties), a new table.
  db.tables.erase(db.tables.begin() + 5);
  d.erase(d.begin() + 5);
  db.source->tableProps.erase(db.source->tableProps.begin() + 5);
  dao::TableDetail fatture;
  fatture.fields = {sample::Field("ID", dao::dbLong, 4)};
  db.AddTable("Fatture", fatture);
  // The cascade on OrdiniRighe dropped; the query's condition changed; a new query.
  db.source->relations[1].attributes = 0;
  db.source->sql[0] = "SELECT *\r\nFROM Ordini\r\nWHERE Totale >= 100;";
  db.AddQuery("Clienti attivi", "SELECT * FROM Clienti WHERE Attivo;");
  return db;
}

TEST(Diff, FindsEveryKindOfChangeInOrder) {
  auto a = OrderSchema().Build("a.accdb");
  auto b = Changed().Build("b.accdb");
  std::vector<StructureChange> changes = DiffStructure(*a, *b);
  EXPECT_EQ(Rows(changes),
            (std::vector<std::string>{
                "field|Clienti|Nome|changed|size|80|120",
                "field|Clienti|Nome|changed|property:Description|Ragione sociale del cliente|Nome o ragione sociale",
                "field|Clienti|Nota|removed||null|null",
                "field|Clienti|Email|added||null|null",
                "index|Clienti|Nome|changed|unique|True|False",
                "index|Ordini|PerData|changed|fields|Data DESC, Totale|Data, Totale",
                "table||Storico|removed||null|null",
                "table||Fatture|added||null|null",
                "relation||OrdiniRighe|changed|attributes|dbRelationUpdateCascade + dbRelationDeleteCascade|0",
                "query||Ordini aperti|changed|sql|SELECT *\r\nFROM Ordini\r\nWHERE Totale > 0;|SELECT *\r\nFROM Ordini\r\nWHERE Totale >= 100;",
                "query||Clienti attivi|added||null|null",
            }));
}

TEST(Diff, IdenticalStructuresAndNamesDifferingInCaseAreTheSame) {
  auto a = OrderSchema().Build();
  sample::SampleDb other = OrderSchema();
  other.tables[0].name = "CLIENTI";
  other.source->details[0].fields[5].name = "CITT\xC3\x80 D'ORIGINE";  // "Città d'origine", as Access folds it
  other.source->details[0].recordCount = 99;  // counts are compared only when asked
  // A recreated table has a new GUID: an identity, not structure.
  other.source->tableProps[0].push_back({"GUID", dao::dbBinary, dao::Bytes{{0x12, 0x34}}});
  auto b = other.Build();
  EXPECT_TRUE(DiffStructure(*a, *b).empty());
  EXPECT_EQ(DiffText({}, "a", "b"), "");
  EXPECT_EQ(DiffJson({}, "a", "b"), "{\"a\": \"a\", \"b\": \"b\", \"same\": true,\n \"changes\": []}\n");

  auto c = OrderSchema().Build();
  DiffOptions counts;
  counts.counts = true;
  EXPECT_EQ(Rows(DiffStructure(*c, *b, counts)),
            std::vector<std::string>{"table||CLIENTI|changed|recordCount|0|99"});
}

TEST(Diff, ConnectStringsAreComparedMasked) {
  auto a = OrderSchema().Build();
  sample::SampleDb other = OrderSchema();
  other.tables[6].connect = "ODBC;DSN=gestionale;UID=sa;PWD=altra;";
  auto b = other.Build();
  EXPECT_TRUE(DiffStructure(*a, *b).empty());
  auto a2 = OrderSchema().Build();
  auto b2 = [] {
    sample::SampleDb o = OrderSchema();
    o.tables[6].connect = "ODBC;DSN=gestionale;UID=sa;PWD=altra;";
    return o.Build();
  }();
  DiffOptions secrets;
  secrets.showSecrets = true;
  auto changes = DiffStructure(*a2, *b2, secrets);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].b, "ODBC;DSN=gestionale;UID=sa;PWD=altra;");
}

// Index names Access makes up differ from file to file; relations between its system tables are
// its own business; a property one side lacks is not an empty one; attributes by name.
TEST(Diff, MadeUpIndexNamesSystemRelationsMissingPropertiesAndAttributeNames) {
  auto build = [](const char* guid, bool systemRelation, bool caption, int32_t attributes) {
    sample::SampleDb db = OrderSchema();
    db.source->details[1].indexes.push_back(sample::PlainIndex(guid, {"Data"}));
    dao::TableInfo sys;
    sys.name = "MSysNavPaneGroups";
    sys.system = true;
    db.tables.push_back(sys);
    db.source->details.push_back({});
    db.source->tableProps.push_back({});
    if (systemRelation)
      db.source->relations.push_back(sample::Relation("MSysNavPaneGroupsMSysNavPaneGroups",
                                                      "MSysNavPaneGroups", "MSysNavPaneGroups", {{"Id", "GroupId"}}));
    if (caption) db.source->details[0].fields[1].properties.push_back({"Caption", dao::dbText, std::string()});
    db.source->details[0].fields[0].attributes = attributes;
    return db;
  };
  auto a = build("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", false, true, dao::dbFixedField | dao::dbAutoIncrField);
  auto b = build("{99999999-4E5F-6071-8293-A4B5C6D7E8F9}", true, false, dao::dbFixedField | 0x40000);
  auto da = a.Build(), db = b.Build();
  const auto changes = DiffStructure(*da, *db);
  EXPECT_EQ(Rows(changes),
            (std::vector<std::string>{
                "field|Clienti|ID|changed|attributes|dbFixedField + dbAutoIncrField|dbFixedField + 0x40000",
                "field|Clienti|Nome|changed|property:Caption||null"}));
  EXPECT_NE(DiffText(changes, "a", "b").find(": property:Caption \"\" -> (assente)\n"), std::string::npos);
  EXPECT_NE(DiffJson(changes, "a", "b").find("\"a\": \"\", \"b\": null}"), std::string::npos);

  DiffOptions system;
  system.system = true;
  auto da2 = build("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", false, false, 0).Build();
  auto db2 = build("{99999999-4E5F-6071-8293-A4B5C6D7E8F9}", true, false, 0).Build();
  EXPECT_EQ(Rows(DiffStructure(*da2, *db2, system)),
            std::vector<std::string>{"relation||MSysNavPaneGroupsMSysNavPaneGroups|added||null|null"});
  // Names that are not made up are compared as names.
  auto da3 = build("PerGiorno", false, false, 0).Build();
  auto db3 = build("PerData2", false, false, 0).Build();
  EXPECT_EQ(Rows(DiffStructure(*da3, *db3)),
            (std::vector<std::string>{"index|Ordini|PerGiorno|removed||null|null",
                                      "index|Ordini|PerData2|added||null|null"}));
}

TEST(Diff, TextAndJsonListings) {
  std::vector<StructureChange> changes = {
      {"table", "", "Storico", "removed"},
      {"field", "Clienti", "Nome", "changed", "size", "80", "120"},
      {"query", "", "Q", "changed", "sql", "SELECT a\r\nFROM t;", "SELECT a, b\r\nFROM t;"},
  };
  EXPECT_EQ(DiffText(changes, "a.mdb", "b.mdb"),
            "--- a.mdb\n+++ b.mdb\n"
            "- tabella \"Storico\"\n"
            "  ~ campo \"Nome\" (tabella \"Clienti\"): size \"80\" -> \"120\"\n"
            "~ query \"Q\": SQL\n"
            "    - SELECT a\n"
            "    + SELECT a, b\n"
            "      FROM t;\n");
  EXPECT_EQ(DiffJson({changes[1]}, "a.mdb", "b\"c.mdb"),
            "{\"a\": \"a.mdb\", \"b\": \"b\\\"c.mdb\", \"same\": false,\n \"changes\": [\n"
            "  {\"kind\": \"field\", \"table\": \"Clienti\", \"name\": \"Nome\", \"change\": \"changed\", "
            "\"property\": \"size\", \"a\": \"80\", \"b\": \"120\"}\n ]}\n");
}

}  // namespace
