// The data dictionary and its diagram, read from an in-memory database: what is listed, which
// relations belong to which table, which fields the diagram shows, and Graphviz's drawing of it.
#include "documenter/dictionary.h"

#include <gtest/gtest.h>

#include "documenter/ddl.h"
#include "documenter/diagram.h"
#include "documenter/graphviz_library.h"
#include "documenter/references.h"
#include "tests/documenter/sample_db.h"

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
  auto db = sample::SalesDatabase().Build();
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

// Names that differ in the case of non-ASCII letters are one name for Access, and for every
// writer that looks a name up: the dictionary, the cross-reference, the diagram and the DDL.
TEST(Names, ComparedAsTheEngineFoldsThem) {
  const struct {
    const char* stored;
    const char* named;
  } kPairs[] = {{"Citt\xC3\xA0", "CITT\xC3\x80"},                      // Città / CITTÀ
                {"\xCE\x95\xCF\x80\xCE\xB1\xCF\x86\xCE\xAE", "\xCE\xB5\xCF\x80\xCE\xB1\xCF\x86\xCE\xAE"},  // Επαφή / επαφή
                {"\xD0\x9B\xD0\xBE\xD0\xB3\xD0\xB8\xD0\xBD", "\xD0\xBB\xD0\x9E\xD0\x93\xD0\x98\xD0\x9D"}};  // Логин / лОГИН
  for (const auto& p : kPairs) {
    SCOPED_TRACE(p.stored);
    sample::SampleDb db;
    dao::TableDetail parent;
    parent.fields = {sample::Field(p.stored, dao::dbLong, 4)};
    parent.indexes = {sample::PrimaryKey({p.stored})};
    db.AddTable(p.stored, parent);
    dao::TableDetail child;
    child.fields = {sample::Field("Rif", dao::dbLong, 4)};
    db.AddTable("Figlia", child);
    // The relation names the table and its key with the other case.
    db.source->relations.push_back(sample::Relation("R", p.named, "Figlia", {{p.named, "Rif"}}));
    auto built = db.Build();
    const Dictionary d = ReadDictionary(*built);
    EXPECT_EQ(FindTable(d, p.named), FindTable(d, p.stored));
    EXPECT_GE(FindTable(d, p.named), 0);
    EXPECT_EQ(MatchName(std::string("SELECT * FROM ") + p.named, p.stored), "name");
    // The diagram draws the key once, as a key.
    const Diagram diagram = BuildDiagram(d);
    ASSERT_FALSE(diagram.tables.empty());
    EXPECT_EQ(diagram.edges.size(), 1u);
    // The foreign key refers to the table and column as the file spells them.
    EXPECT_NE(WriteDdl(*built, *FindSqlDialect("postgresql")).find(std::string("REFERENCES \"") + p.stored + "\" (\"" + p.stored + "\")"),
              std::string::npos);
  }
}

TEST(Diagram, ShowsKeyFieldsAndOneEdgePerRelationBetweenShownTables) {
  auto db = sample::SalesDatabase().Build();
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
  auto db = sample::SalesDatabase().Build();
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

// Graphviz keeps one error handler for the whole process: a capture puts back the one it found
// when it ends, by an exception too, so that Graphviz never calls into a message string that is
// gone. The library's two calls are stand-ins here, recording what is installed.
agusererrf installedHandler = nullptr;
agusererrf InstallHandler(agusererrf handler) {
  agusererrf previous = installedHandler;
  installedHandler = handler;
  return previous;
}
agerrlevel_t SetLevel(agerrlevel_t level) { return level; }
int PreviousHandler(char*) { return 0; }

TEST(Diagram, GraphvizMessageCaptureEndsEvenByAnException) {
  GraphvizLibrary library{};
  library.SetErrorHandler = InstallHandler;
  library.SetErrorLevel = SetLevel;
  installedHandler = PreviousHandler;
  std::string messages;
  try {
    GraphvizMessageCapture capture(library, messages);
    ASSERT_NE(installedHandler, PreviousHandler);
    char text[] = "syntax error in line 1";
    installedHandler(text);
    throw std::runtime_error("impaginazione interrotta");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(messages, "syntax error in line 1");
  EXPECT_EQ(installedHandler, PreviousHandler);
}

}  // namespace
