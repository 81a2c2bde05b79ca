#include "tests/documenter/sample_db.h"

#include <algorithm>
#include <filesystem>

namespace tavrek::doc::sample {

SampleDb OrderSchema() {
  SampleDb db;

  dao::TableDetail clienti;
  dao::FieldInfo sconto = Field("Sconto", dao::dbDecimal, 17);
  sconto.precision = 9;
  sconto.scale = 2;
  clienti.fields = {AutoNumber("ID"),
                    Field("Nome", dao::dbText, 80, true, "", "Ragione sociale del cliente"),
                    Field("Nota", dao::dbMemo, 0, false, "\"nessuna\""),
                    Field("Attivo", dao::dbBoolean, 1, false, "Yes"),
                    sconto,
                    Field("Città d'origine", dao::dbText, 40, false, "=UCase(\"x\")")};
  clienti.indexes = {PrimaryKey({"ID"}), PlainIndex("Nome", {"Nome"}, true)};
  db.AddTable("Clienti", clienti, "Anagrafica dei clienti; l'elenco completo");

  dao::TableDetail ordini;
  dao::FieldInfo codice = Field("Codice", dao::dbGUID, 16);
  ordini.fields = {Field("Anno", dao::dbInteger, 2, true),
                   Field("Numero", dao::dbLong, 4, true),
                   Field("Cliente", dao::dbLong, 4),
                   Field("Data", dao::dbDate, 8, false, "Now()"),
                   Field("Totale", dao::dbCurrency, 8, false, "0"),
                   codice,
                   Field("Allegati", dao::dbAttachment, 0)};
  ordini.indexes = {PrimaryKey({"Anno", "Numero"}), PlainIndex("Cliente", {"Cliente"}),
                    PlainIndex("PerData", {"Data", "Totale"}, false, {true, false}),
                    PlainIndex("ClientiOrdini", {"Cliente"})};
  ordini.indexes.back().foreign = true;
  db.AddTable("Ordini", ordini);

  dao::TableDetail righe;
  righe.fields = {Field("Anno", dao::dbInteger, 2, true), Field("Numero", dao::dbLong, 4, true),
                  Field("Riga", dao::dbByte, 1, true), Field("Quantità", dao::dbSingle, 4),
                  Field("Grande", dao::dbBigInt, 8)};
  righe.indexes = {PrimaryKey({"Anno", "Numero", "Riga"})};
  db.AddTable("Righe", righe);

  dao::TableDetail reparti;
  reparti.fields = {Field("ID", dao::dbLong, 4), Field("Capo", dao::dbLong, 4)};
  reparti.indexes = {PrimaryKey({"ID"})};
  db.AddTable("Reparti", reparti);
  dao::TableDetail responsabili;
  responsabili.fields = {Field("ID", dao::dbLong, 4), Field("Reparto", dao::dbLong, 4)};
  responsabili.indexes = {PrimaryKey({"ID"})};
  db.AddTable("Responsabili", responsabili);

  dao::TableDetail storico;
  storico.fields = {Field("Cliente", dao::dbLong, 4), Field("Quando", dao::dbDate, 8)};
  db.AddTable("Storico", storico);

  db.AddLinked("Fornitori", "ODBC;DSN=gestionale;UID=sa;PWD=s3greta;", "dbo.Fornitori");

  db.source->relations = {
      Relation("ClientiOrdini", "Clienti", "Ordini", {{"ID", "Cliente"}}),
      Relation("OrdiniRighe", "Ordini", "Righe", {{"Anno", "Anno"}, {"Numero", "Numero"}},
               dao::dbRelationUpdateCascade | dao::dbRelationDeleteCascade),
      Relation("RepartiResponsabili", "Reparti", "Responsabili", {{"ID", "Reparto"}}),
      Relation("ResponsabiliReparti", "Responsabili", "Reparti", {{"ID", "Capo"}}),
      Relation("ClientiStorico", "Clienti", "Storico", {{"ID", "Cliente"}},
               dao::dbRelationDontEnforce),
  };
  db.AddQuery("Ordini aperti", "SELECT *\r\nFROM Ordini\r\nWHERE Totale > 0;");
  return db;
}

namespace {

dao::PropertyInfo Text(const std::string& name, const std::string& value) { return {name, dao::dbText, value}; }

}  // namespace

SampleDb SalesDatabase() {
  SampleDb f;
  f.path = "C:\\dati\\vendite.mdb";
  f.source->format = "Jet4";
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
  nome.properties = {Text("Description", "Ragione sociale")};
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
  s.tableProps = {{Text("Description", "Anagrafica dei clienti")},
                       {},
                       {},
                       {},
                       {},
                       {},
                       {},
                       {Text("Description", "<script>alert(1)</script>")}};

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

  s.databaseProps = {Text("AccessVersion", "09.50"),
                          {"Build", dao::dbLong, int64_t{6760}},
                          {"Abilitato", dao::dbBoolean, true},
                          {"Connect", dao::dbText, std::string("ODBC;UID=x;PWD=nascosta")}};

  f.queries = {{"OrdiniDiUnAnno", dao::dbQSelect, created, updated},
               {"Azzera", dao::dbQUpdate, created, updated}};
  s.sql = {"PARAMETERS [Quale anno] Short;\r\nSELECT *\r\nFROM Ordini\r\nWHERE Anno=[Quale anno];\r\n",
           "UPDATE Righe SET Nota = \"```\"\r\nWHERE Riga < 0;\r\n"};
  s.queryProps = {{Text("Description", "Gli ordini di un anno")}, {}};
  s.parameters = {{{"Quale anno", dao::dbInteger, 0}}, {}};
  return f;
}

std::vector<SchemaCase> AwkwardSchemas() {
  // "Справочник поставщиков и материалов" less its blanks: 33 Cyrillic letters, 66 bytes.
  const std::string cyrillic33 =
      "\xD0\xA1\xD0\xBF\xD1\x80\xD0\xB0\xD0\xB2\xD0\xBE\xD1\x87\xD0\xBD\xD0\xB8\xD0\xBA"
      "\xD0\xBF\xD0\xBE\xD1\x81\xD1\x82\xD0\xB0\xD0\xB2\xD1\x89\xD0\xB8\xD0\xBA\xD0\xBE\xD0\xB2"
      "\xD0\xB8\xD0\xBC\xD0\xB0\xD1\x82\xD0\xB5\xD1\x80\xD0\xB8\xD0\xB0\xD0\xBB\xD0\xBE\xD0\xB2";
  // 31 Greek letters: 62 bytes, within every limit.
  std::string greek31;
  for (int i = 0; i < 31; ++i) greek31 += "\xCE\xB1";
  return {
      // Northwind's layout: the key is a code, the AutoNumber only has a plain index of its own.
      {"numerazione con un indice semplice",
       [] {
         SampleDb db;
         dao::TableDetail t;
         t.fields = {Field("Codice", dao::dbText, 5, true), AutoNumber("ID"), Field("Nome", dao::dbText, 40)};
         t.indexes = {PrimaryKey({"Codice"}), PlainIndex("ID", {"ID"}), PlainIndex("Nome", {"Nome"})};
         db.AddTable("Fornitori", t);
         return db;
       },
       {}},
      // No index leads the AutoNumber, and one index already has its name; an AutoNumber second
      // in the key.
      {"numerazione senza indice",
       [] {
         SampleDb db;
         dao::TableDetail t;
         t.fields = {AutoNumber("ID"), Field("Nome", dao::dbText, 40)};
         t.indexes = {PlainIndex("ID", {"Nome"})};
         db.AddTable("Note", t);
         dao::TableDetail u;
         u.fields = {Field("Anno", dao::dbInteger, 2, true), AutoNumber("Progressivo")};
         u.indexes = {PrimaryKey({"Anno", "Progressivo"})};
         db.AddTable("Protocollo", u);
         return db;
       },
       {}},
      // Validation rules that translate become CHECK constraints, the others comments; Required
      // text that may not be empty; GUIDs made by the server; captions and formats.
      {"regole di convalida",
       [] {
         SampleDb db;
         auto rule = [](dao::FieldInfo f, const char* rule, const char* text = "") {
           f.validationRule = rule;
           f.validationText = text;
           return f;
         };
         dao::FieldInfo id = Field("ID", dao::dbGUID, 16);
         id.attributes = dao::dbAutoIncrField | dao::dbFixedField;
         dao::FieldInfo nome = rule(Field("Nome", dao::dbText, 40, true), "Like \"A*\" Or Like \"B?%\"");
         nome.properties = {{"Caption", dao::dbText, std::string("Nome del prodotto")},
                            {"Format", dao::dbText, std::string(">")}};
         dao::TableDetail t;
         t.fields = {id,
                     nome,
                     rule(Field("Prezzo", dao::dbCurrency, 8), ">=0 And <1000000", "Prezzo fuori misura"),
                     Field("Sconto", dao::dbCurrency, 8),
                     rule(Field("Codice", dao::dbText, 5), "Len([Codice])=5"),
                     rule(Field("Tipo", dao::dbText, 1), "\"M\" Or \"F\""),
                     rule(Field("Data", dao::dbDate, 8), ">=#1/31/2000# And <#2100-01-01 12:30#"),
                     rule(Field("Quantità", dao::dbInteger, 2), "Between 1 And 99"),
                     rule(Field("Colore", dao::dbText, 10), "In (\"rosso\",\"verde\")"),
                     rule(Field("Stato", dao::dbText, 10), "Is Null Or Not Like \"X*\""),
                     rule(Field("Nota", dao::dbMemo), "UCase([Nota]) & \"x\" <> \"Yx\""),
                     rule(Field("Consegna", dao::dbDate, 8), ">Date()"),
                     Field("Lotto", dao::dbGUID, 16, false, "GenGUID()")};
         t.indexes = {PrimaryKey({"ID"})};
         db.AddTable("Prodotti", t);
         db.source->tableProps.back() = {{"ValidationRule", dao::dbText, std::string("[Sconto] <= [Prezzo]")},
                                         {"ValidationText", dao::dbText, std::string("Sconto troppo alto")}};
         return db;
       },
       {}},
      // 33 characters are within MySQL's 64 characters but past PostgreSQL's 63 bytes.
      {"nome cirillico di 33 caratteri",
       [=] {
         SampleDb db;
         dao::TableDetail t;
         t.fields = {Field(cyrillic33, dao::dbLong, 4)};
         db.AddTable(cyrillic33, t);
         return db;
       },
       {"postgresql"}},
      // Index names made from the table's and the index's are cut to the limit in the server's
      // unit, never inside a character.
      {"nomi greci lunghi",
       [=] {
         SampleDb db;
         dao::TableDetail t;
         t.fields = {Field(greek31, dao::dbLong, 4), Field("b", dao::dbLong, 4)};
         t.indexes = {PlainIndex(greek31 + "1", {greek31}), PlainIndex(greek31 + "2", {"b"})};
         db.AddTable(greek31, t);
         return db;
       },
       {}},
  };
}

std::vector<TestFile> EveryTestDatabase(const std::string& folder) {
  static const std::pair<const char*, const char*> kPasswords[] = {
      {"V2000_with-password.mdb", "password"}, {"V2010_with-password.accdb", "password"},
      {"office-agile-4.2.accdb", "password"},  {"db-nonstandard.accdb", "password"},
      {"db2007-enc.accdb", "Test123"},         {"db2007-oldenc.accdb", "Test123"},
      {"enc_vbaV2000.mdb", "1234567890"}};
  std::vector<TestFile> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string ext = e.path().extension().string();
    if (ext != ".mdb" && ext != ".accdb") continue;
    TestFile f{e.path().string(), std::nullopt};
    for (const auto& [name, password] : kPasswords)
      if (e.path().filename() == name) f.connect = std::string(";") + password;
    files.push_back(std::move(f));
  }
  std::sort(files.begin(), files.end(), [](const TestFile& a, const TestFile& b) { return a.path < b.path; });
  return files;
}

}  // namespace tavrek::doc::sample
