// The cross-reference: how a name is found in a text, and who names each table and query of a
// database built in memory (queries, the hidden queries behind forms, form definitions, macros,
// modules).
#include "documenter/references.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

using tavrek::doc::CrossReference;
using tavrek::doc::MatchName;
using tavrek::doc::Reference;
using tavrek::doc::ReferenceEntry;

TEST(MatchName, WholeTokensBracketedOrBare) {
  EXPECT_EQ(MatchName("SELECT * FROM [Clienti];", "Clienti"), "bracketed");
  EXPECT_EQ(MatchName("SELECT * FROM Clienti;", "Clienti"), "name");
  EXPECT_EQ(MatchName("select * from CLIENTI", "Clienti"), "name");       // case ignored
  EXPECT_EQ(MatchName("Clienti.Nome, Ordini.ID", "Ordini"), "name");      // before a dot
  EXPECT_EQ(MatchName("DoCmd.OpenTable \"Clienti\"", "Clienti"), "name"); // in a string
  EXPECT_EQ(MatchName("Clienti", "Clienti"), "name");                     // the whole text
  // Inside a longer identifier it is not the name.
  EXPECT_EQ(MatchName("SELECT * FROM ClientiEsteri", "Clienti"), "");
  EXPECT_EQ(MatchName("SELECT * FROM tbl_Clienti", "Clienti"), "");
  EXPECT_EQ(MatchName("Dim Clienti2 As Long", "Clienti"), "");
  EXPECT_EQ(MatchName("PerséClienti", "Clienti"), "");  // a non-ASCII letter is part of a name
  // Names with blanks occur bracketed (or inside a string).
  EXPECT_EQ(MatchName("FROM [Dettagli ordini] AS d", "Dettagli ordini"), "bracketed");
  EXPECT_EQ(MatchName("'Dettagli ordini'", "Dettagli ordini"), "name");
  // Bracketed wins when both occur.
  EXPECT_EQ(MatchName("Clienti, [Clienti]", "Clienti"), "bracketed");
  EXPECT_EQ(MatchName("", "Clienti"), "");
  EXPECT_EQ(MatchName("Clienti", ""), "");
}

TEST(CrossReference, EveryTargetWithWhoNamesIt) {
  std::vector<ReferenceEntry> targets = {
      {"table", "Clienti", {}}, {"table", "Ordini", {}}, {"query", "qClienti", {}}};
  std::vector<tavrek::doc::ReferenceSource> sources = {
      {"query", "qClienti", "SELECT * FROM Clienti WHERE qClienti.x"},  // names itself: ignored
      {"form", "Maschera", "Clienti\n"},
      {"form", "Maschera", "SELECT [Clienti].Nome FROM [Clienti]"},  // same form: one reference
      {"module", "Modulo1", "' Ordini e qClienti\r\nDim rs"},
  };
  std::vector<ReferenceEntry> out = CrossReference(targets, sources);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].usedBy, (std::vector<Reference>{{"query", "qClienti", "name"},
                                                   {"form", "Maschera", "bracketed"}}));
  EXPECT_EQ(out[1].usedBy, (std::vector<Reference>{{"module", "Modulo1", "name"}}));
  EXPECT_EQ(out[2].usedBy, (std::vector<Reference>{{"module", "Modulo1", "name"}}));
}

// A database whose containers and query texts are given.
class AppSource : public dao::CatalogueSource {
 public:
  std::vector<std::string> sql;
  std::vector<dao::ContainerInfo> containers;
  std::string Format() const override { return "ACE12"; }
  dao::TableDetail LoadTable(size_t) override { return {}; }
  std::string LoadSql(size_t i) override { return sql.at(i); }
  std::vector<dao::ContainerInfo> LoadContainers() override { return containers; }
};

dao::DocumentInfo Doc(const std::string& name, const std::string& text = "",
                      std::vector<std::string> stored = {}) {
  dao::DocumentInfo d;
  d.name = name;
  d.text = text;
  d.storedTexts = std::move(stored);
  return d;
}

TEST(CrossReference, DatabaseObjectsHiddenQueriesAndUnnamedTables) {
  auto source = std::make_unique<AppSource>();
  source->sql = {"SELECT * FROM Ordini;", "SELECT Nome FROM Clienti;",
                 "SELECT ID FROM Fornitori;", "SELECT * FROM qOrdini;"};
  source->containers = {
      {"Forms", {Doc("Anagrafica", "Private Sub Form_Load()\r\n  Me.RecordSource = \"Prodotti\"",
                     {"[Event Procedure]", "Note"})}},
      {"Reports", {Doc("Stampa", "", {"qOrdini"})}},
      {"Scripts", {Doc("Avvio", "<Argument Name=\"TableName\">Magazzino</Argument>")}},
      {"Modules", {Doc("Modulo1", "CurrentDb.Execute \"DELETE FROM [Note]\"")}},
  };
  std::vector<dao::TableInfo> tables;
  for (const char* name : {"Clienti", "Ordini", "Fornitori", "Prodotti", "Magazzino", "Note",
                           "Vuota", "MSysObjects"}) {
    dao::TableInfo t;
    t.name = name;
    t.system = t.name == "MSysObjects";
    tables.push_back(t);
  }
  std::vector<dao::QueryInfo> queries;
  for (const char* name : {"qOrdini", "~sq_fAnagrafica", "~sq_cStampa~sq_cElenco", "qUsaQuery"}) {
    dao::QueryInfo q;
    q.name = name;
    queries.push_back(q);
  }
  // "~sq_c…" belongs to a form control; this one names a form called Stampa.
  auto db = dao::Database::Create("x.accdb", tables, queries, std::move(source));
  std::map<std::string, std::vector<Reference>> byName;
  for (const auto& e : CrossReference(*db)) byName[e.name] = e.usedBy;

  EXPECT_EQ(byName.count("MSysObjects"), 0u);   // system tables are left out
  EXPECT_EQ(byName.count("~sq_fAnagrafica"), 0u);  // hidden queries are their owner's text
  EXPECT_EQ(byName["Ordini"], (std::vector<Reference>{{"query", "qOrdini", "name"}}));
  // The hidden queries are a record source and a control's row source.
  EXPECT_EQ(byName["Clienti"], (std::vector<Reference>{{"form", "Anagrafica", "recordSource"}}));
  EXPECT_EQ(byName["Fornitori"], (std::vector<Reference>{{"form", "Stampa", "rowSource"}}));
  EXPECT_EQ(byName["Prodotti"], (std::vector<Reference>{{"module", "Form_Anagrafica", "name"}}));
  EXPECT_EQ(byName["Magazzino"], (std::vector<Reference>{{"macro", "Avvio", "name"}}));
  EXPECT_EQ(byName["Note"], (std::vector<Reference>{{"form", "Anagrafica", "name"},
                                                    {"module", "Modulo1", "bracketed"}}));
  EXPECT_EQ(byName["qOrdini"], (std::vector<Reference>{{"query", "qUsaQuery", "name"},
                                                       {"report", "Stampa", "name"}}));
  EXPECT_TRUE(byName["Vuota"].empty());
  EXPECT_TRUE(byName["qUsaQuery"].empty());
}

}  // namespace
