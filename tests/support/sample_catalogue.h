// An in-memory database for tests: a catalogue source that serves the table definitions,
// queries, properties, relations and application objects a test gives it (or raises a
// damaged-file error where it is told to), and helpers to describe fields, keys and relations.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/dao.h"

namespace tavrek::doc::sample {

class SampleSource : public dao::CatalogueSource {
 public:
  std::string format = "ACE12";
  std::vector<dao::TableDetail> details;                  // parallel to the table list
  std::vector<std::vector<dao::PropertyInfo>> tableProps;  // parallel to the table list
  std::vector<std::string> sql;                            // parallel to the query list
  std::vector<std::vector<engine::QueryRow>> queryRows;    // parallel to the query list, or empty
  std::vector<std::vector<dao::PropertyInfo>> queryProps;  // parallel to the query list, or empty
  std::vector<std::vector<dao::ParameterInfo>> parameters;  // parallel to the query list, or empty
  std::vector<dao::PropertyInfo> databaseProps;
  std::vector<dao::RelationInfo> relations;
  std::vector<dao::ContainerInfo> containers;
  int failTable = -1;        // this table's definition raises a damaged-file error
  int failQuery = -1;        // this query's text raises a damaged-file error
  bool failRelations = false;  // reading the relationships raises a damaged-file error

  std::string Format() const override { return format; }
  dao::TableDetail LoadTable(size_t i) override {
    if (static_cast<int>(i) == failTable) throw dao::Error(dao::kErrCorrupt, "File danneggiato.");
    return details.at(i);
  }
  std::string LoadSql(size_t i) override {
    if (static_cast<int>(i) == failQuery) throw dao::Error(dao::kErrCorrupt, "File danneggiato.");
    return sql.at(i);
  }
  std::vector<engine::QueryRow> LoadQueryRows(size_t i) override {
    return i < queryRows.size() ? queryRows[i] : std::vector<engine::QueryRow>{};
  }
  std::vector<dao::PropertyInfo> LoadTableProperties(size_t i) override {
    return i < tableProps.size() ? tableProps[i] : std::vector<dao::PropertyInfo>{};
  }
  std::vector<dao::PropertyInfo> LoadQueryProperties(size_t i) override {
    return i < queryProps.size() ? queryProps[i] : std::vector<dao::PropertyInfo>{};
  }
  std::vector<dao::ParameterInfo> LoadParameters(size_t i) override {
    return i < parameters.size() ? parameters[i] : std::vector<dao::ParameterInfo>{};
  }
  std::vector<dao::PropertyInfo> LoadDatabaseProperties() override { return databaseProps; }
  std::vector<dao::RelationInfo> LoadRelations() override {
    if (failRelations) throw dao::Error(dao::kErrCorrupt, "File danneggiato.");
    return relations;
  }
  std::vector<dao::ContainerInfo> LoadContainers() override { return containers; }
};

// A database under construction: add tables and queries, then Build.
struct SampleDb {
  std::vector<dao::TableInfo> tables;
  std::vector<dao::QueryInfo> queries;
  std::unique_ptr<SampleSource> source = std::make_unique<SampleSource>();
  std::string path = "prova.accdb";  // the name the database is opened under

  // Adds a local table with its definition and description (none when empty).
  void AddTable(const std::string& name, dao::TableDetail detail, const std::string& description = {}) {
    dao::TableInfo info;
    info.name = name;
    tables.push_back(info);
    source->details.push_back(std::move(detail));
    std::vector<dao::PropertyInfo> props;
    if (!description.empty()) props.push_back({"Description", dao::dbMemo, description});
    source->tableProps.push_back(std::move(props));
  }
  void AddLinked(const std::string& name, const std::string& connect, const std::string& source_) {
    dao::TableInfo info;
    info.name = name;
    info.linked = true;
    info.connect = connect;
    info.foreignName = source_;
    tables.push_back(info);
    source->details.push_back({});
    source->tableProps.push_back({});
  }
  void AddQuery(const std::string& name, const std::string& text, int16_t type = dao::dbQSelect) {
    queries.push_back({name, type, {}, {}});
    source->sql.push_back(text);
  }
  std::shared_ptr<dao::Database> Build() { return Build(path); }
  std::shared_ptr<dao::Database> Build(const std::string& name) {
    return dao::Database::Create(name, tables, queries, std::move(source));
  }
};

// A field: name, type, size, and the common extras.
inline dao::FieldInfo Field(const std::string& name, int16_t type, int32_t size = 0,
                            bool required = false, const std::string& defaultValue = {},
                            const std::string& description = {}) {
  dao::FieldInfo f;
  f.name = name;
  f.type = type;
  f.size = size;
  f.required = required;
  f.defaultValue = defaultValue;
  if (!description.empty()) f.properties.push_back({"Description", dao::dbMemo, description});
  return f;
}

inline dao::FieldInfo AutoNumber(const std::string& name) {
  dao::FieldInfo f = Field(name, dao::dbLong, 4);
  f.attributes = dao::dbFixedField | dao::dbAutoIncrField;
  return f;
}

inline dao::IndexInfo PrimaryKey(std::vector<std::string> fields) {
  dao::IndexInfo ix;
  ix.name = "PrimaryKey";
  ix.fields = std::move(fields);
  ix.primary = true;
  ix.unique = true;
  ix.required = true;
  return ix;
}

inline dao::IndexInfo PlainIndex(const std::string& name, std::vector<std::string> fields,
                                 bool unique = false, std::vector<bool> descending = {}) {
  dao::IndexInfo ix;
  ix.name = name;
  ix.fields = std::move(fields);
  ix.unique = unique;
  ix.descending = std::move(descending);
  return ix;
}

inline dao::RelationInfo Relation(const std::string& name, const std::string& table,
                                  const std::string& foreignTable,
                                  std::vector<dao::RelationInfo::FieldPair> fields,
                                  int32_t attributes = 0) {
  return {name, table, foreignTable, attributes, std::move(fields)};
}

}  // namespace tavrek::doc::sample
