// Test rig for the catalogue commands: the shared main-window fixture with a user and a printer
// that note their events in one log, so that the order of dialogs, opens and ends of documents can
// be checked, and the texts drawn on the window read back.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "forms/form.h"
#include "forms/interaction.h"
#include "forms/recording_printer.h"
#include "tests/support/fake_engine.h"
#include "tests/support/main_window_test.h"

namespace cattest {

// Events noted: "dialog", "input", "msgbox", "EndDoc", "open <connect>".
using testsupport::EventLog;
using testsupport::FakeFile;
using testsupport::FakeQuery;
using testsupport::FakeTable;
using testsupport::At;

class RecordingInteraction : public forms::ScriptedInteraction {
 public:
  explicit RecordingInteraction(EventLog* events) : events_(events) {}
  std::optional<QString> ShowOpen(const forms::OpenFileRequest& request) override;
  int MsgBox(const QString& text, int buttons, const QString& title) override;
  QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) override;

 private:
  EventLog* events_;
};

// The recording printer, noting each EndDoc in the log before it is done.
class LoggingPrinter : public forms::RecordingPrinter {
 public:
  explicit LoggingPrinter(EventLog* events) : events_(events) {}
  void EndDoc() override;

 private:
  EventLog* events_;
};

// Builders for fake catalogues, with fixed creation and update times.
FakeTable Table(const std::string& name, int32_t records = 0, std::vector<dao::FieldInfo> fields = {},
                std::vector<dao::IndexInfo> indexes = {});
FakeQuery Query(const std::string& name, const std::string& sql, int16_t type = 0);

// The test loads the window itself (LoadWindow), on the screen it needs.
class CatalogueTest : public testsupport::MainWindowTest {
 protected:
  void SetUp() override;

  // Texts drawn on the surface, empty ones left out.
  std::vector<forms::DrawnText> Texts() const;
  // The drawn text equal to `text`; fails the test when there is none.
  forms::DrawnText Find(const QString& text) const;
  bool Has(const QString& text) const;
  // The drawn texts whose y is within half a twip of `y`, left to right.
  std::vector<forms::DrawnText> Line(float y) const;

  EventLog events_;
};

}  // namespace cattest
