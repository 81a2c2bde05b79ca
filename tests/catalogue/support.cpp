#include "tests/catalogue/support.h"

#include <QDate>
#include <QFile>
#include <QLocale>
#include <algorithm>
#include <cmath>

#include "forms/screen.h"

namespace cattest {

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

std::optional<QString> RecordingInteraction::ShowOpen(const forms::OpenFileRequest& request) {
  events_->push_back("dialog");
  return ScriptedInteraction::ShowOpen(request);
}

int RecordingInteraction::MsgBox(const QString& text, int buttons, const QString& title) {
  events_->push_back("msgbox");
  return ScriptedInteraction::MsgBox(text, buttons, title);
}

QString RecordingInteraction::InputBox(const QString& prompt, const QString& title,
                                       const QString& defaultText) {
  events_->push_back("input");
  return ScriptedInteraction::InputBox(prompt, title, defaultText);
}

dao::DateTime At(int year, int month, int day, int hour, int minute, int second) {
  dao::DateTime t;
  t.days = static_cast<double>(QDate(1899, 12, 30).daysTo(QDate(year, month, day))) +
           (hour * 3600 + minute * 60 + second) / 86400.0;
  return t;
}

FakeTable Table(const std::string& name, int32_t records, std::vector<dao::FieldInfo> fields,
                std::vector<dao::IndexInfo> indexes) {
  FakeTable t;
  t.info.name = name;
  t.info.system = name.rfind("MSys", 0) == 0;
  t.info.dateCreated = At(2021, 3, 5, 14, 7, 9);
  t.info.lastUpdated = At(2023, 11, 28, 9, 30, 0);
  t.detail.recordCount = records;
  t.detail.fields = std::move(fields);
  t.detail.indexes = std::move(indexes);
  return t;
}

FakeQuery Query(const std::string& name, const std::string& sql, int16_t type) {
  FakeQuery q;
  q.info.name = name;
  q.info.type = type;
  q.info.dateCreated = At(2020, 1, 2, 3, 4, 5);
  q.info.lastUpdated = At(2022, 12, 31, 23, 59, 58);
  q.sql = sql;
  return q;
}

void CatalogueTest::SetUp() {
  QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
  ASSERT_TRUE(dir_.isValid());
  engine_->events = &events_;
  user_ = std::make_shared<RecordingInteraction>(&events_);
  forms::SetInteraction(user_);
  printer_ = std::make_shared<RecordingPrinter>(&events_);
  forms::SetPrinter(printer_);
}

void CatalogueTest::TearDown() {
  window_.reset();
  forms::TheScreen().setMousePointer(0);
  forms::TheScreen().Reset();
  QLocale::setDefault(QLocale::c());
}

void CatalogueTest::LoadWindow(int pixelsX, int pixelsY, bool fakeEngine) {
  forms::TheScreen().Simulate(pixelsX, pixelsY);
  window_ = std::make_unique<Tavrek>();
  auto state = engine_;
  if (fakeEngine)
    window_->engineFactory = [state]() -> std::unique_ptr<dao::DBEngine> {
      return std::make_unique<FakeEngine>(state);
    };
  window_->Load();
}

QString CatalogueTest::AddFile(const QString& fileName, FakeFile file) {
  const QString path = dir_.filePath(fileName);
  QFile placeholder(path);
  EXPECT_TRUE(placeholder.open(QIODevice::WriteOnly));
  placeholder.close();
  engine_->files[QFile::encodeName(path).toStdString()] = std::move(file);
  return path;
}

void CatalogueTest::Open(const std::optional<QString>& path) {
  user_->openAnswers.push_back(path);
  w().Apri.DoClick();
}

void CatalogueTest::ShowTable(const QString& name) {
  w().ApriTab.DoClick();
  for (int i = 0; i < w().List1.ListCount(); ++i)
    if (w().List1.List(i) == name) return w().List1.ClickItem(i);
  ADD_FAILURE() << "no table " << name.toStdString() << " in List1";
}

void CatalogueTest::ShowQuery(const QString& name) {
  w().ApriQuery.DoClick();
  for (int i = 0; i < w().List2.ListCount(); ++i)
    if (w().List2.List(i) == name) return w().List2.ClickItem(i);
  ADD_FAILURE() << "no query " << name.toStdString() << " in List2";
}

std::vector<QString> CatalogueTest::Entries(const forms::ListBox& list) const {
  std::vector<QString> out;
  for (int i = 0; i < list.ListCount(); ++i) out.push_back(list.List(i));
  return out;
}

std::vector<forms::DrawnText> CatalogueTest::Texts() const {
  std::vector<forms::DrawnText> out;
  for (const auto& d : window_->Drawn())
    if (!d.text.isEmpty()) out.push_back(d);
  return out;
}

forms::DrawnText CatalogueTest::Find(const QString& text) const {
  for (const auto& d : window_->Drawn())
    if (d.text == text) return d;
  ADD_FAILURE() << "nothing drawn reads \"" << text.toStdString() << "\"";
  return {};
}

bool CatalogueTest::Has(const QString& text) const {
  for (const auto& d : window_->Drawn())
    if (d.text == text) return true;
  return false;
}

std::vector<forms::DrawnText> CatalogueTest::Line(float y) const {
  std::vector<forms::DrawnText> out;
  for (const auto& d : Texts())
    if (std::fabs(d.y - y) < 0.5f) out.push_back(d);
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.x < b.x; });
  return out;
}

}  // namespace cattest
