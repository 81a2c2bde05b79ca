// Test rig for the printed report: the main window loaded headless, a scripted user, a recording
// printer and a fake engine serving catalogues described in the test.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/Tavrek.h"
#include "engine/dao.h"
#include "forms/interaction.h"
#include "forms/recording_printer.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace reporttest {

struct FakeTable {
  dao::TableInfo info;
  dao::TableDetail detail;
};

// Serves fake files by path; a path it does not know raises 3024.
class FakeEngine : public dao::DBEngine {
 public:
  explicit FakeEngine(std::shared_ptr<std::map<std::string, std::vector<FakeTable>>> files)
      : files_(std::move(files)) {}
  std::shared_ptr<dao::Database> OpenDatabase(const std::string& path, bool options, bool readOnly,
                                              const std::optional<std::string>& connect) override;

 private:
  std::shared_ptr<std::map<std::string, std::vector<FakeTable>>> files_;
};

dao::DateTime At(int year, int month, int day, int hour, int minute, int second);
FakeTable Table(const std::string& name, int32_t records, std::vector<dao::FieldInfo> fields,
                std::vector<dao::IndexInfo> indexes = {});
// `n` text fields named F1..Fn of size 10.
std::vector<dao::FieldInfo> ManyFields(int n);

// Height of one printed line and width of a text in "Times New Roman" of that size and style,
// in millimetres, as the recording printer measures them.
float LineHeight(double points, bool bold = false, bool italic = false);
float Width(const QString& text, double points, bool bold = false, bool italic = false);

// The main window on a simulated 800 x 600 screen, with the fake engine, the scripted user and
// the recording printer (A4 unless the test changes its height) in force.
class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Registers a fake file (an empty placeholder on disk) and returns its full path.
  QString AddFile(const QString& fileName, std::vector<FakeTable> tables);
  // "Apri Database" with `path` chosen in the dialog (nullopt: cancelled).
  void Open(const std::optional<QString>& path);
  // "Scegli Tabella", then a click on that table.
  void Show(const QString& table);
  // "Stampa struttura", answering the close-page question (if it comes) with `answer`.
  void PrintReport(int answer = forms::vbNo);
  // A fresh recording printer of that page height (the old one is forgotten).
  void NewPrinter(float pageHeight = 297.0f);

  // The recorded texts of one page of one document.
  std::vector<forms::RecordingPrinter::Text> Page(int document, int page) const;
  // The first recorded text equal to `text` (the test fails when none).
  forms::RecordingPrinter::Text Find(const QString& text) const;
  int Count(const QString& text) const;

  Tavrek& w() { return *window_; }

  std::shared_ptr<std::map<std::string, std::vector<FakeTable>>> files_ =
      std::make_shared<std::map<std::string, std::vector<FakeTable>>>();
  std::shared_ptr<forms::ScriptedInteraction> user_;
  std::shared_ptr<forms::RecordingPrinter> printer_;
  std::unique_ptr<Tavrek> window_;
  QTemporaryDir dir_;
};

}  // namespace reporttest
