#include "tests/documenter/fake_database.h"
#include "tests/documenter/sample_db.h"

namespace doctest {

using tavrek::doc::sample::Field;
using tavrek::doc::sample::PrimaryKey;

FakeDatabase SalesDatabase() {
  FakeDatabase f;
  const dao::DateTime created{40000.5}, updated{40001.25};
  auto table = [&](const std::string& name) {
    dao::TableInfo t;
    t.name = name;
    t.dateCreated = created;
    t.lastUpdated = updated;
    return t;
  };
  dao::TableInfo sys = table("MSysObjects");
  sys.system = true;
  dao::TableInfo linked = table("Listino");
  linked.linked = true;
  linked.linkSource = "ODBC;DSN=listini;UID=ufficio;PWD=s3greta;";
  linked.connect = linked.linkSource;
  linked.foreignName = "dbo.Listino";
  f.tables = {table("Clienti"), table("Ordini"), table("Righe"), table("Prodotti"), table("Note"),
              sys, linked, table("Strano <b>&\"x\" | {y}")};

  auto& s = *f.source;
  dao::TableDetail clienti;
  clienti.recordCount = 42;
  dao::FieldInfo id = Field("ID", dao::dbLong, 4);
  id.attributes = dao::dbAutoIncrField | dao::dbFixedField;
  id.required = true;
  dao::FieldInfo nome = Field("Nome", dao::dbText, 80);
  nome.required = true;
  nome.defaultValue = "\"senza nome\"";
  nome.validationRule = "Len([Nome])>0";
  nome.validationText = "Il nome non può essere vuoto";
  nome.properties = {TextProperty("Description", "Ragione sociale")};
  clienti.fields = {id, nome, Field("Città", dao::dbText, 40)};
  clienti.indexes = {PrimaryKey({"ID"})};

  dao::TableDetail ordini;
  ordini.recordCount = 1000;
  ordini.fields = {Field("Anno", dao::dbInteger, 2), Field("Numero", dao::dbLong, 4),
                   Field("Cliente", dao::dbLong, 4), Field("Data", dao::dbDate, 8),
                   Field("Totale", dao::dbCurrency, 8)};
  dao::IndexInfo byDate{"PerData", {"Data", "Numero"}, {true, false}};
  dao::IndexInfo fk{"ClientiOrdini", {"Cliente"}};
  fk.foreign = true;
  ordini.indexes = {PrimaryKey({"Anno", "Numero"}), byDate, fk};

  dao::TableDetail righe;
  righe.recordCount = 5000;
  righe.fields = {Field("Anno", dao::dbInteger, 2), Field("Numero", dao::dbLong, 4),
                  Field("Riga", dao::dbInteger, 2), Field("Prodotto", dao::dbText, 20),
                  Field("Quantità", dao::dbDouble, 8), Field("Nota", dao::dbMemo, 0)};
  righe.indexes = {PrimaryKey({"Anno", "Numero", "Riga"})};

  dao::TableDetail prodotti;
  prodotti.recordCount = 7;
  prodotti.fields = {Field("Codice", dao::dbText, 20), Field("Descrizione", dao::dbMemo, 0)};
  prodotti.indexes = {PrimaryKey({"Codice"})};

  dao::TableDetail note;
  note.fields = {Field("Anno", dao::dbInteger, 2), Field("Numero", dao::dbLong, 4),
                 Field("Testo", dao::dbMemo, 0)};
  note.indexes = {PrimaryKey({"Anno", "Numero"})};

  dao::TableDetail strano;
  strano.fields = {Field("a|b", dao::dbText, 10), Field("<i>", dao::dbLong, 4)};

  s.details = {clienti, ordini, righe, prodotti, note, {}, {}, strano};
  s.tableProperties = {{TextProperty("Description", "Anagrafica dei clienti")},
                       {},
                       {},
                       {},
                       {},
                       {},
                       {},
                       {TextProperty("Description", "<script>alert(1)</script>")}};

  dao::RelationInfo r1{"ClientiOrdini", "Clienti", "Ordini",
                       dao::dbRelationUpdateCascade, {{"ID", "Cliente"}}};
  dao::RelationInfo r2{"OrdiniRighe", "Ordini", "Righe", dao::dbRelationDeleteCascade,
                       {{"Anno", "Anno"}, {"Numero", "Numero"}}};
  dao::RelationInfo r3{"ProdottiRighe", "Prodotti", "Righe", dao::dbRelationDontEnforce,
                       {{"Codice", "Prodotto"}}};
  dao::RelationInfo r4{"OrdiniNote", "Ordini", "Note", dao::dbRelationUnique,
                       {{"Anno", "Anno"}, {"Numero", "Numero"}}};
  // A relation naming a table the file does not have (a damaged catalogue): listed, not drawn.
  dao::RelationInfo r5{"Orfana", "Sparita", "Clienti", 0, {{"X", "ID"}}};
  // Access's own relation between system tables: left out of the dictionary.
  dao::RelationInfo r6{"MSysNavPaneGroupsMSysObjects", "MSysObjects", "msysobjects", 0, {{"Id", "Id"}}};
  s.relations = {r1, r2, r6, r3, r4, r5};

  s.databaseProperties = {TextProperty("AccessVersion", "09.50"),
                          {"Build", dao::dbLong, int64_t{6760}},
                          {"Abilitato", dao::dbBoolean, true},
                          {"Connect", dao::dbText, std::string("ODBC;UID=x;PWD=nascosta")}};

  f.queries = {{"OrdiniDiUnAnno", dao::dbQSelect, created, updated},
               {"Azzera", dao::dbQUpdate, created, updated}};
  s.sql = {"PARAMETERS [Quale anno] Short;\r\nSELECT *\r\nFROM Ordini\r\nWHERE Anno=[Quale anno];\r\n",
           "UPDATE Righe SET Nota = \"```\"\r\nWHERE Riga < 0;\r\n"};
  s.queryProperties = {{TextProperty("Description", "Gli ordini di un anno")}, {}};
  s.parameters = {{{"Quale anno", dao::dbInteger, 0}}, {}};
  return f;
}

}  // namespace doctest
