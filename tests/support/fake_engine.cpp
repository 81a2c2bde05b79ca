#include "tests/support/fake_engine.h"

#include <QDate>

#include "forms/screen.h"

namespace testsupport {

namespace {

// Serves the lazily read parts of a fake catalogue, noting the mouse pointer when a table is read
// (which happens while the table view opens its recordset).
class FakeSource : public dao::CatalogueSource {
 public:
  FakeSource(FakeFile file, std::shared_ptr<EngineState> state)
      : file_(std::move(file)), state_(std::move(state)) {}
  std::string Format() const override { return "Jet4"; }
  dao::TableDetail LoadTable(size_t index) override {
    state_->pointerWhileLoading.push_back(forms::TheScreen().MousePointer());
    return file_.tables.at(index).detail;
  }
  std::string LoadSql(size_t index) override { return file_.queries.at(index).sql; }

 private:
  FakeFile file_;
  std::shared_ptr<EngineState> state_;
};

}  // namespace

std::shared_ptr<dao::Database> FakeEngine::OpenDatabase(const std::string& path, bool options,
                                                        bool readOnly,
                                                        const std::optional<std::string>& connect) {
  state_->calls.push_back({path, options, readOnly, connect});
  if (state_->events) state_->events->push_back("open " + connect.value_or("<none>"));
  auto it = state_->files.find(path);
  if (it == state_->files.end()) throw dao::Error(dao::kErrFileNotFound, "File non trovato.");
  const FakeFile& file = it->second;
  if (file.failure != 0) throw dao::Error(file.failure, file.failureText);
  if (file.password && dao::PasswordFromConnect(connect.value_or("")) != *file.password)
    throw dao::Error(dao::kErrBadPassword, "Password non valida.");
  std::vector<dao::TableInfo> tables;
  for (const auto& t : file.tables) tables.push_back(t.info);
  std::vector<dao::QueryInfo> queries;
  for (const auto& q : file.queries) queries.push_back(q.info);
  return dao::Database::Create(path, std::move(tables), std::move(queries),
                               std::make_unique<FakeSource>(file, state_));
}

dao::DateTime At(int year, int month, int day, int hour, int minute, int second) {
  dao::DateTime t;
  t.days = static_cast<double>(QDate(1899, 12, 30).daysTo(QDate(year, month, day))) +
           (hour * 3600 + minute * 60 + second) / 86400.0;
  return t;
}

FakeTable MakeTable(const std::string& name, dao::DateTime created, dao::DateTime updated,
                    int32_t records, std::vector<dao::FieldInfo> fields,
                    std::vector<dao::IndexInfo> indexes) {
  FakeTable t;
  t.info.name = name;
  t.info.system = name.rfind("MSys", 0) == 0;
  t.info.dateCreated = created;
  t.info.lastUpdated = updated;
  t.detail.recordCount = records;
  t.detail.fields = std::move(fields);
  t.detail.indexes = std::move(indexes);
  return t;
}

}  // namespace testsupport
