// Test rig for the catalogue commands: the main window loaded headless on a simulated screen, a
// scripted user, a recording printer and a fake engine that serves catalogues described in the
// test (the files themselves are empty placeholders, so that the directory lookup finds them).
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>

#include <QString>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Tavrek.h"
#include "engine/dao.h"
#include "forms/form.h"
#include "forms/interaction.h"
#include "forms/printer.h"

// Readable QStrings in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace cattest {

// One thing that happened, in order: "dialog", "input", "msgbox", "EndDoc", "open <connect>".
using EventLog = std::vector<std::string>;

struct FakeTable {
  dao::TableInfo info;
  dao::TableDetail detail;
};

struct FakeQuery {
  dao::QueryInfo info;
  std::string sql;
};

// What the fake engine serves for one path.
struct FakeFile {
  std::vector<FakeTable> tables;
  std::vector<FakeQuery> queries;
  std::optional<std::string> password;  // 3031 unless the connect string carries it
  int failure = 0;                      // raised by every open when not 0
  std::string failureText;
};

struct OpenCall {
  std::string path;
  bool options;
  bool readOnly;
  std::optional<std::string> connect;
};

// Shared between the test and the engine the window creates.
struct EngineState {
  std::map<std::string, FakeFile> files;
  std::vector<OpenCall> calls;
  std::vector<int> pointerWhileLoading;  // the mouse pointer each time a table was read
  EventLog* events = nullptr;
};

class FakeEngine : public dao::DBEngine {
 public:
  explicit FakeEngine(std::shared_ptr<EngineState> state) : state_(std::move(state)) {}
  std::shared_ptr<dao::Database> OpenDatabase(const std::string& path, bool options, bool readOnly,
                                              const std::optional<std::string>& connect) override;

 private:
  std::shared_ptr<EngineState> state_;
};

class RecordingInteraction : public forms::ScriptedInteraction {
 public:
  explicit RecordingInteraction(EventLog* events) : events_(events) {}
  std::optional<QString> ShowOpen(const forms::OpenFileRequest& request) override;
  int MsgBox(const QString& text, int buttons, const QString& title) override;
  QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) override;

 private:
  EventLog* events_;
};

class RecordingPrinter : public forms::Printer {
 public:
  explicit RecordingPrinter(EventLog* events) : events_(events) {}
  void setPageSetup(int16_t) override {}
  void setScaleMode(int) override {}
  void setFontName(const QString& n) override { font_ = n; }
  void setFontSize(double s) override { size_ = s; }
  void setFontBold(bool b) override { bold_ = b; }
  void setFontItalic(bool i) override { italic_ = i; }
  QString FontName() const override { return font_; }
  double FontSize() const override { return size_; }
  bool FontBold() const override { return bold_; }
  bool FontItalic() const override { return italic_; }
  float CurrentX() const override { return x_; }
  float CurrentY() const override { return y_; }
  void setCurrentX(float x) override { x_ = x; }
  void setCurrentY(float y) override { y_ = y; }
  float ScaleHeight() const override { return 280; }
  float ScaleWidth() const override { return 190; }
  float TextWidth(const QString& t) const override { return 2.0f * static_cast<float>(t.size()); }
  float TextHeight(const QString&) const override { return 5; }
  void Print(const QString& t) override { x_ += TextWidth(t); }
  void PrintLine(const QString& = QString()) override { x_ = 0; y_ += 5; }
  void NewPage() override {}
  void EndDoc() override { events_->push_back("EndDoc"); }

 private:
  EventLog* events_;
  QString font_;
  double size_ = 10;
  bool bold_ = false, italic_ = false;
  float x_ = 0, y_ = 0;
};

// A day and time as the engine stores it.
dao::DateTime At(int year, int month, int day, int hour, int minute, int second);

// Builders for fake catalogues.
FakeTable Table(const std::string& name, int32_t records = 0, std::vector<dao::FieldInfo> fields = {},
                std::vector<dao::IndexInfo> indexes = {});
FakeQuery Query(const std::string& name, const std::string& sql, int16_t type = 0);

// The main window loaded on a simulated 800 x 600 screen (or another size), with the fake engine,
// the scripted user and the recording printer in force.
class CatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Loads the window on a screen of that many pixels (15 twips a pixel), with the fake engine or
  // the real one.
  void LoadWindow(int pixelsX = 800, int pixelsY = 600, bool fakeEngine = true);
  // Registers a fake file and creates an empty placeholder for it; returns its full path.
  QString AddFile(const QString& fileName, FakeFile file);
  // "Apri Database" with `path` chosen in the dialog (nullopt: the dialog is cancelled).
  void Open(const std::optional<QString>& path);
  // "Scegli Tabella", then a click on the entry with that text.
  void ShowTable(const QString& name);
  // "Scegli Query", then a click on the entry with that text.
  void ShowQuery(const QString& name);

  Tavrek& w() { return *window_; }
  std::vector<QString> Entries(const forms::ListBox& list) const;

  // Texts drawn on the surface, empty ones left out.
  std::vector<forms::DrawnText> Texts() const;
  // The drawn text equal to `text`; fails the test when there is none.
  forms::DrawnText Find(const QString& text) const;
  bool Has(const QString& text) const;
  // The drawn texts whose y is within half a twip of `y`, left to right.
  std::vector<forms::DrawnText> Line(float y) const;

  EventLog events_;
  std::shared_ptr<EngineState> engine_ = std::make_shared<EngineState>();
  std::shared_ptr<RecordingInteraction> user_;
  std::shared_ptr<RecordingPrinter> printer_;
  std::unique_ptr<Tavrek> window_;
  QTemporaryDir dir_;
};

}  // namespace cattest
