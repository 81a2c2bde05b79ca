// Databases built in memory for the documenter tests (over tests/support/sample_catalogue.h): an
// order-entry schema that exercises what the DDL and diff writers must handle (AutoNumber,
// composite and multi-column keys, a relation cycle, descriptions, defaults, a linked table with
// a password, a multi-valued field) and a sales database for the dictionary writers.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "tests/support/sample_catalogue.h"

namespace tavrek::doc::sample {

// The order-entry schema:
//   Clienti (ID AutoNumber key, Nome required, Nota memo, Attivo yes/no, Sconto decimal(9,2))
//   Ordini (Anno + Numero key, Cliente -> Clienti, Data default Now(), Totale currency,
//           Codice GUID, Allegati attachment)
//   Righe (Anno + Numero -> Ordini with cascades, Riga; key of the three)
//   Reparti / Responsabili: a relation cycle (each points to the other)
//   Storico: not enforced relation to Clienti
//   Fornitori: linked from a SQL Server with a password in its connect string
// and one query.
SampleDb OrderSchema();

// A small sales database in the Jet4 format, opened as C:\dati\vendite.mdb: Clienti 1–∞ Ordini
// (enforced, cascading updates), Ordini 1–∞ Righe on two columns (enforced, cascading deletes),
// Prodotti 1–∞ Righe (not enforced), Ordini 1–1 Note (unique), a relation to a table the file
// lacks and one between system tables; a linked table with a password in its connect string, a
// system table, a table whose name needs escaping everywhere, database properties, and two
// queries, one with a parameter.
SampleDb SalesDatabase();

// A small schema that some server once refused, with the servers ("postgresql", "mysql",
// "sqlite") for which the writer must refuse it with a DdlError instead; every other server must
// load its script.
struct SchemaCase {
  std::string label;
  std::function<SampleDb()> build;
  std::vector<std::string> refusedBy;
};
std::vector<SchemaCase> AwkwardSchemas();

// Every database file of the test data (TAVREK_TEST_DATA), sorted, each open with its password
// where it has one (the passwords are those tests/data/NOTICE gives).
struct TestFile {
  std::string path;
  std::optional<std::string> connect;  // ";password", or none
};
std::vector<TestFile> EveryTestDatabase(const std::string& folder);

}  // namespace tavrek::doc::sample
