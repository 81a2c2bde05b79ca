// An in-memory database for the documenter tests: tables, queries, relations and properties as
// a test wants them, served through the engine's object model.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/dao.h"

namespace doctest {

class FakeSource : public dao::CatalogueSource {
 public:
  std::string format = "Jet4";
  std::vector<dao::TableDetail> details;                     // parallel to the tables given
  std::vector<std::vector<dao::PropertyInfo>> tableProperties;  // parallel to the tables
  std::vector<std::string> sql;                                // parallel to the queries
  std::vector<std::vector<engine::QueryRow>> queryRows;        // parallel to the queries, or empty
  std::vector<std::vector<dao::PropertyInfo>> queryProperties;
  std::vector<std::vector<dao::ParameterInfo>> parameters;
  std::vector<dao::PropertyInfo> databaseProperties;
  std::vector<dao::RelationInfo> relations;
  std::vector<dao::ContainerInfo> containers;
  int failTable = -1;  // this table's definition raises a damaged-file error

  std::string Format() const override { return format; }
  dao::TableDetail LoadTable(size_t i) override {
    if (static_cast<int>(i) == failTable) throw dao::Error(dao::kErrCorrupt, "File danneggiato.");
    return details.at(i);
  }
  std::string LoadSql(size_t i) override { return sql.at(i); }
  std::vector<engine::QueryRow> LoadQueryRows(size_t i) override {
    return i < queryRows.size() ? queryRows[i] : std::vector<engine::QueryRow>{};
  }
  std::vector<dao::PropertyInfo> LoadDatabaseProperties() override { return databaseProperties; }
  std::vector<dao::PropertyInfo> LoadTableProperties(size_t i) override {
    return i < tableProperties.size() ? tableProperties[i] : std::vector<dao::PropertyInfo>{};
  }
  std::vector<dao::PropertyInfo> LoadQueryProperties(size_t i) override {
    return i < queryProperties.size() ? queryProperties[i] : std::vector<dao::PropertyInfo>{};
  }
  std::vector<dao::ParameterInfo> LoadParameters(size_t i) override {
    return i < parameters.size() ? parameters[i] : std::vector<dao::ParameterInfo>{};
  }
  std::vector<dao::RelationInfo> LoadRelations() override { return relations; }
  std::vector<dao::ContainerInfo> LoadContainers() override { return containers; }
};

struct FakeDatabase {
  std::vector<dao::TableInfo> tables;
  std::vector<dao::QueryInfo> queries;
  std::unique_ptr<FakeSource> source = std::make_unique<FakeSource>();
  std::shared_ptr<dao::Database> Build(const std::string& name = "C:\\dati\\vendite.mdb") {
    return dao::Database::Create(name, tables, queries, std::move(source));
  }
};

inline dao::PropertyInfo TextProperty(const std::string& name, const std::string& value) {
  return {name, dao::dbText, value};
}

// A small sales database: Clienti 1–∞ Ordini (enforced, cascading updates), Ordini 1–∞ Righe on
// two columns (enforced, cascading deletes), Prodotti 1–∞ Righe (not enforced), Ordini 1–1 Note
// (unique); a linked table with a password in its connect string, a system table, a table whose
// name needs escaping everywhere, and two queries, one with a parameter.
FakeDatabase SalesDatabase();

}  // namespace doctest
