#include "tests/report/support.h"

#include <QDate>
#include <QFile>
#include <QLocale>

#include "forms/printer.h"
#include "forms/screen.h"

namespace reporttest {

namespace {

class FakeSource : public dao::CatalogueSource {
 public:
  explicit FakeSource(std::vector<FakeTable> tables) : tables_(std::move(tables)) {}
  std::string Format() const override { return "Jet4"; }
  dao::TableDetail LoadTable(size_t index) override { return tables_.at(index).detail; }
  std::string LoadSql(size_t) override { return {}; }

 private:
  std::vector<FakeTable> tables_;
};

forms::RecordingPrinter Probe(double points, bool bold, bool italic) {
  forms::RecordingPrinter probe;
  probe.setScaleMode(forms::vbMillimeters);
  probe.setFontName(QStringLiteral("Times New Roman"));
  probe.setFontSize(points);
  probe.setFontBold(bold);
  probe.setFontItalic(italic);
  return probe;
}

}  // namespace

std::shared_ptr<dao::Database> FakeEngine::OpenDatabase(const std::string& path, bool, bool,
                                                        const std::optional<std::string>&) {
  auto it = files_->find(path);
  if (it == files_->end()) throw dao::Error(dao::kErrFileNotFound, "File non trovato.");
  std::vector<dao::TableInfo> infos;
  for (const FakeTable& t : it->second) infos.push_back(t.info);
  return dao::Database::Create(path, std::move(infos), {}, std::make_unique<FakeSource>(it->second));
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
  t.info.dateCreated = At(2024, 3, 5, 14, 7, 9);
  t.info.lastUpdated = At(2025, 11, 30, 8, 0, 59);
  t.detail.recordCount = records;
  t.detail.fields = std::move(fields);
  t.detail.indexes = std::move(indexes);
  return t;
}

std::vector<dao::FieldInfo> ManyFields(int n) {
  std::vector<dao::FieldInfo> fields;
  for (int i = 1; i <= n; ++i) fields.push_back({"F" + std::to_string(i), dao::dbText, 10});
  return fields;
}

float LineHeight(double points, bool bold, bool italic) {
  return Probe(points, bold, italic).TextHeight(QStringLiteral("0"));
}

float Width(const QString& text, double points, bool bold, bool italic) {
  return Probe(points, bold, italic).TextWidth(text);
}

void ReportTest::SetUp() {
  QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
  ASSERT_TRUE(dir_.isValid());
  user_ = std::make_shared<forms::ScriptedInteraction>();
  forms::SetInteraction(user_);
  NewPrinter();
  forms::TheScreen().Simulate(800, 600);
  window_ = std::make_unique<Tavrek>();
  auto files = files_;
  window_->engineFactory = [files]() -> std::unique_ptr<dao::DBEngine> {
    return std::make_unique<FakeEngine>(files);
  };
  window_->Load();
}

void ReportTest::TearDown() {
  window_.reset();
  forms::SetPrinter(nullptr);
  forms::TheScreen().setMousePointer(0);
  forms::TheScreen().Reset();
  QLocale::setDefault(QLocale::c());
}

void ReportTest::NewPrinter(float pageHeight) {
  printer_ = std::make_shared<forms::RecordingPrinter>(210.0f, pageHeight);
  forms::SetPrinter(printer_);
}

QString ReportTest::AddFile(const QString& fileName, std::vector<FakeTable> tables) {
  const QString path = dir_.filePath(fileName);
  QFile placeholder(path);
  EXPECT_TRUE(placeholder.open(QIODevice::WriteOnly));
  (*files_)[QFile::encodeName(path).toStdString()] = std::move(tables);
  return path;
}

void ReportTest::Open(const std::optional<QString>& path) {
  user_->openAnswers.push_back(path);
  w().Apri.DoClick();
}

void ReportTest::Show(const QString& table) {
  w().ApriTab.DoClick();
  for (int i = 0; i < w().List1.ListCount(); ++i)
    if (w().List1.List(i) == table) return w().List1.ClickItem(i);
  ADD_FAILURE() << "no table " << table.toStdString() << " in List1";
}

void ReportTest::PrintReport(int answer) {
  user_->msgBoxAnswers.clear();
  user_->msgBoxAnswers.push_back(answer);
  w().Stampa.DoClick();
}

std::vector<forms::RecordingPrinter::Text> ReportTest::Page(int document, int page) const {
  std::vector<forms::RecordingPrinter::Text> out;
  for (const auto& t : printer_->texts)
    if (t.document == document && t.page == page) out.push_back(t);
  return out;
}

forms::RecordingPrinter::Text ReportTest::Find(const QString& text) const {
  if (const auto* t = printer_->Find(text)) return *t;
  ADD_FAILURE() << "nothing printed reads \"" << text.toStdString() << "\"";
  return {};
}

int ReportTest::Count(const QString& text) const {
  int n = 0;
  for (const auto& t : printer_->texts) n += t.text == text ? 1 : 0;
  return n;
}

}  // namespace reporttest
