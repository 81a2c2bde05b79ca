#include "tests/report/support.h"

#include <memory>

#include "forms/printer.h"

namespace reporttest {

namespace {

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

FakeTable Table(const std::string& name, int32_t records, std::vector<dao::FieldInfo> fields,
                std::vector<dao::IndexInfo> indexes) {
  return testsupport::MakeTable(name, At(2024, 3, 5, 14, 7, 9), At(2025, 11, 30, 8, 0, 59), records,
                                std::move(fields), std::move(indexes));
}

std::vector<dao::FieldInfo> ManyFields(int n) {
  std::vector<dao::FieldInfo> fields;
  for (int i = 1; i <= n; ++i) fields.push_back({testsupport::Numbered("F", i), dao::dbText, 10});
  return fields;
}

float LineHeight(double points, bool bold, bool italic) {
  return Probe(points, bold, italic).TextHeight(QStringLiteral("0"));
}

void ReportTest::SetUp() {
  MainWindowTest::SetUp();
  if (HasFatalFailure()) return;
  UseUser(std::make_shared<forms::ScriptedInteraction>());
  NewPrinter();
  LoadWindow(800, 600);
}

void ReportTest::NewPrinter(float pageHeight) {
  UsePrinter(std::make_shared<forms::RecordingPrinter>(210.0f, pageHeight));
}

QString ReportTest::AddFile(const QString& fileName, std::vector<FakeTable> tables) {
  testsupport::FakeFile file;
  file.tables = std::move(tables);
  return MainWindowTest::AddFile(fileName, std::move(file));
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
