// The data dictionary and its diagram, read from an in-memory database: what is listed, which
// relations belong to which table, which fields the diagram shows, and Graphviz's drawing of it.
#include "documenter/dictionary.h"

#include <gtest/gtest.h>

#include "documenter/diagram.h"
#include "tests/documenter/fake_database.h"

namespace {

using namespace tavrek::doc;

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::vector<std::string> Names(const std::vector<const dao::Relation*>& relations) {
  std::vector<std::string> names;
  for (const auto* r : relations) names.push_back(r->Name());
  return names;
}

const DictionaryTable& TableNamed(const Dictionary& d, const std::string& name) {
  const int i = FindTable(d, name);
  EXPECT_GE(i, 0) << name;
  return d.tables.at(static_cast<size_t>(i));
}

TEST(Dictionary, ListsUserTablesAndSortsRelationsByDirection) {
  auto db = doctest::SalesDatabase().Build();
  const Dictionary d = ReadDictionary(*db);
  EXPECT_EQ(d.format, "Jet4");
  EXPECT_EQ(d.systemTables, 1);
  std::vector<std::string> tables;
  for (const auto& t : d.tables) tables.push_back(t.def->Name());
  EXPECT_EQ(tables, (std::vector<std::string>{"Clienti", "Listino", "Note", "Ordini", "Prodotti",
                                              "Righe", "Strano <b>&\"x\" | {y}"}));
  EXPECT_EQ(TableNamed(d, "Clienti").description, "Anagrafica dei clienti");
  EXPECT_EQ(TableNamed(d, "Listino").rs, nullptr);  // linked: no recordset
  EXPECT_EQ(TableNamed(d, "clienti").def->Name(), "Clienti");  // ASCII case ignored
  EXPECT_EQ(FindTable(d, "MSysObjects"), -1);

  EXPECT_EQ(Names(TableNamed(d, "Ordini").outgoing), (std::vector<std::string>{"ClientiOrdini"}));
  EXPECT_EQ(Names(TableNamed(d, "Ordini").incoming),
            (std::vector<std::string>{"OrdiniRighe", "OrdiniNote"}));
  EXPECT_EQ(Names(TableNamed(d, "Righe").outgoing),
            (std::vector<std::string>{"OrdiniRighe", "ProdottiRighe"}));
  // The relation from a table the file lacks still belongs to the table that has it.
  EXPECT_EQ(Names(TableNamed(d, "Clienti").outgoing), (std::vector<std::string>{"Orfana"}));
  EXPECT_EQ(d.relations.size(), 5u);

  ASSERT_EQ(d.queries.size(), 2u);
  EXPECT_EQ(d.queries[1].def->Name(), "OrdiniDiUnAnno");
  EXPECT_EQ(d.queries[1].description, "Gli ordini di un anno");
}

TEST(Dictionary, TextsOfValuesTypesAndFlags) {
  EXPECT_EQ(PropertyText(std::monostate{}), "");
  EXPECT_EQ(PropertyText(true), "S\xC3\xAC");
  EXPECT_EQ(PropertyText(int64_t{-5}), "-5");
  EXPECT_EQ(PropertyText(0.1), "0.1");
  EXPECT_EQ(PropertyText(dao::DateTime{36526.5}), "2000-01-01 12:00:00");
  EXPECT_EQ(PropertyText(dao::Bytes{{0x0A, 0xFF}}), "2 byte: 0AFF");
  EXPECT_EQ(PropertyText(dao::Bytes{std::vector<uint8_t>(20, 0x11)}),
            "20 byte: 11111111111111111111111111111111\xE2\x80\xA6");
  EXPECT_EQ(QueryTypeName(dao::dbQSetOperation), "Union");
  EXPECT_EQ(QueryTypeName(7), "Tipo 7");

  dao::RelationInfo r{"r", "A", "B", dao::dbRelationUnique | dao::dbRelationDeleteCascade, {}};
  EXPECT_EQ(Cardinality(dao::Relation(r)), "1\xE2\x80\x93" "1");
  EXPECT_EQ(RelationFlags(dao::Relation(r)), "integrit\xC3\xA0 referenziale, eliminazione a catena");
  r.attributes = dao::dbRelationDontEnforce | dao::dbRelationLeft;
  EXPECT_EQ(Cardinality(dao::Relation(r)), "1\xE2\x80\x93\xE2\x88\x9E");
  EXPECT_EQ(RelationFlags(dao::Relation(r)), "non applicata, join sinistro");
}

// The AutoNumber flag counts on a Long and a GUID only: some files carry the bit on Text, Date,
// Currency, Integer and attachment fields.
TEST(Dictionary, AutoNumberOnlyForLongAndGuid) {
  const struct {
    int16_t type;
    const char* text;
  } kCases[] = {{dao::dbLong, "Long, AutoNumber"},   {dao::dbGUID, "GUID, AutoNumber"},
                {dao::dbText, "Text"},               {dao::dbDate, "Date/Time"},
                {dao::dbCurrency, "Currency"},       {dao::dbInteger, "Integer"},
                {dao::dbAttachment, "Attachment"}};
  for (const auto& c : kCases) {
    dao::FieldInfo info;
    info.name = "x";
    info.type = c.type;
    info.attributes = dao::dbAutoIncrField | dao::dbFixedField;
    EXPECT_EQ(FieldTypeText(dao::Field(info)), c.text);
  }
}

TEST(Diagram, ShowsKeyFieldsAndOneEdgePerRelationBetweenShownTables) {
  auto db = doctest::SalesDatabase().Build();
  const Dictionary d = ReadDictionary(*db);
  const Diagram diagram = BuildDiagram(d);
  ASSERT_EQ(diagram.tables.size(), d.tables.size());

  auto columns = [&](const std::string& table) {
    std::vector<std::string> out;
    for (const auto& c : diagram.tables[static_cast<size_t>(FindTable(d, table))].columns)
      out.push_back(c.name + (c.primary ? " PK" : "") + (c.foreign ? " FK" : ""));
    return out;
  };
  EXPECT_EQ(columns("Ordini"), (std::vector<std::string>{"Anno PK", "Numero PK", "Cliente FK"}));
  EXPECT_EQ(columns("Righe"), (std::vector<std::string>{"Anno PK FK", "Numero PK FK", "Riga PK",
                                                        "Prodotto FK"}));
  EXPECT_EQ(columns("Strano <b>&\"x\" | {y}"), std::vector<std::string>{});

  ASSERT_EQ(diagram.edges.size(), 4u);  // "Orfana" names a missing table
  const DiagramEdge& prodotti = diagram.edges[2];
  EXPECT_EQ(prodotti.name, "ProdottiRighe");
  EXPECT_FALSE(prodotti.enforced);
  EXPECT_FALSE(prodotti.oneToOne);
  const DiagramTable& righe = diagram.tables[prodotti.foreignTable];
  EXPECT_EQ(righe.columns.at(static_cast<size_t>(prodotti.foreignColumn)).name, "Prodotto");
  EXPECT_EQ(diagram.tables[prodotti.table].columns.at(static_cast<size_t>(prodotti.column)).name,
            "Codice");
  EXPECT_TRUE(diagram.edges[3].oneToOne);
  EXPECT_TRUE(diagram.edges[3].enforced);
}

TEST(Diagram, TablesWithoutRelationsArePackedInRowsFromTheTopLeft) {
  // dot shows its packing columns as rows from the bottom up: the last row comes first, its free
  // slots padded.
  EXPECT_EQ(PackRowLength(7), 3u);
  EXPECT_EQ(PackOrder(7), (std::vector<size_t>{6, kPadding, kPadding, 3, 4, 5, 0, 1, 2}));
  EXPECT_EQ(PackRowLength(4), 2u);
  EXPECT_EQ(PackOrder(4), (std::vector<size_t>{2, 3, 0, 1}));
  EXPECT_EQ(PackOrder(1), std::vector<size_t>{0});
  EXPECT_EQ(PackOrder(0), std::vector<size_t>{});
}

TEST(Diagram, RecordLabelsEscapeEveryCharacterWithAMeaning) {
  EXPECT_EQ(RecordLabelText("a{b}|<c> \"d\"\\e"), "a\\{b\\}\\|\\<c\\>\xC2\xA0\\\"d\\\"\\\\e");
  EXPECT_EQ(RecordLabelText(std::string("x\ny\x01", 4)), "x\xC2\xA0y\xC2\xA0");
  EXPECT_EQ(RecordLabelText("Citt\xC3\xA0"), "Citt\xC3\xA0");
  EXPECT_EQ(RecordLabelText("caff\xE8"), "caff\xEF\xBF\xBD");
}

TEST(Diagram, GraphvizDrawsEveryTableAndRelation) {
  auto db = doctest::SalesDatabase().Build();
  const Dictionary d = ReadDictionary(*db);
  std::string error;
  std::optional<std::string> svg = DiagramSvg(BuildDiagram(d), error);
  ASSERT_TRUE(svg.has_value()) << error;
  EXPECT_EQ(svg->rfind("<svg class=\"relazioni\"", 0), 0u);
  EXPECT_EQ(Count(*svg, "<svg class=\"isolate\""), 1u);  // Listino and Strano
  EXPECT_EQ(Count(*svg, "class=\"node\""), d.tables.size());
  EXPECT_EQ(Count(*svg, "class=\"edge\""), 4u);
  EXPECT_EQ(Count(*svg, "stroke-dasharray"), 1u);  // the relation that is not enforced
  EXPECT_EQ(Count(*svg, ">1\xE2\x80\x93\xE2\x88\x9E</text>"), 3u);
  EXPECT_EQ(Count(*svg, ">1\xE2\x80\x93" "1</text>"), 1u);
  // A name full of record syntax stays one field of text, escaped for XML.
  const std::string nbsp = "\xC2\xA0";
  EXPECT_NE(svg->find(">Strano" + nbsp + "&lt;b&gt;&amp;&quot;x&quot;" + nbsp + "|" + nbsp + "{y}</text>"),
            std::string::npos)
      << *svg;
  EXPECT_NE(svg->find(">Prodotto" + nbsp + nbsp + "Text" + nbsp + nbsp + "FK</text>"), std::string::npos);
}

TEST(Diagram, BlanksAfterNonAsciiLettersSurvive) {
  // Graphviz's record parser dropped escaped blanks after a Greek or Cyrillic letter.
  Diagram d;
  d.tables = {{"Πελάτες", false, {{"Κωδικός", "Long", true, false}}}};
  std::string error;
  std::optional<std::string> svg = DiagramSvg(d, error);
  ASSERT_TRUE(svg.has_value()) << error;
  EXPECT_NE(svg->find(">Κωδικός\xC2\xA0\xC2\xA0Long\xC2\xA0\xC2\xA0PK</text>"), std::string::npos) << *svg;
}

}  // namespace
