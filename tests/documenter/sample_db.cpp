#include "tests/documenter/sample_db.h"

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

}  // namespace tavrek::doc::sample
