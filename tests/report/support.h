// Test rig for the printed report: the shared main-window fixture, loaded on an 800 x 600 screen
// with the fake engine, and the texts the recording printer took down read back.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "forms/interaction.h"
#include "forms/recording_printer.h"
#include "tests/support/fake_engine.h"
#include "tests/support/main_window_test.h"

namespace reporttest {

using testsupport::At;
using testsupport::FakeTable;

// A table created and last changed at fixed times.
FakeTable Table(const std::string& name, int32_t records, std::vector<dao::FieldInfo> fields,
                std::vector<dao::IndexInfo> indexes = {});
// `n` text fields named F1..Fn of size 10.
std::vector<dao::FieldInfo> ManyFields(int n);

// Height of one printed line in "Times New Roman" of that size and style,
// in millimetres, as the recording printer measures them.
float LineHeight(double points, bool bold = false, bool italic = false);

// The window is loaded with the fake engine, a scripted user and the recording printer (A4 unless
// the test changes its height) in force.
class ReportTest : public testsupport::MainWindowTest {
 protected:
  void SetUp() override;

  // Registers a fake file of these tables (an empty placeholder on disk) and returns its full path.
  QString AddFile(const QString& fileName, std::vector<FakeTable> tables);
  // "Stampa struttura", answering the close-page question (if it comes) with `answer`.
  void PrintReport(int answer = forms::vbNo);
  // A fresh recording printer of that page height (the old one is forgotten).
  void NewPrinter(float pageHeight = 297.0f);

  // The recorded texts of one page of one document.
  std::vector<forms::RecordingPrinter::Text> Page(int document, int page) const;
  // The first recorded text equal to `text` (the test fails when none).
  forms::RecordingPrinter::Text Find(const QString& text) const;
  int Count(const QString& text) const;
};

}  // namespace reporttest
