// The main window loaded headless on a simulated screen, with the fake engine serving the files
// the test registers, a scripted user and a recording printer in force. Each area's tests derive
// their own fixture from it.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "app/Tavrek.h"
#include "forms/interaction.h"
#include "forms/recording_printer.h"
#include "tests/support/fake_engine.h"

// Readable QStrings in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace testsupport {

class MainWindowTest : public ::testing::Test {
 protected:
  // Italian locale and an empty scratch folder. The user and the printer are put in force by the
  // derived fixture (UseUser, UsePrinter).
  void SetUp() override;
  // Closes the window and puts back the screen, the printer and the locale.
  void TearDown() override;

  // `user` answers every dialog and message from now on.
  void UseUser(std::shared_ptr<forms::ScriptedInteraction> user);
  // `printer` receives everything printed from now on.
  void UsePrinter(std::shared_ptr<forms::RecordingPrinter> printer);

  // Loads the window on a screen of that many pixels (15 twips a pixel), with the fake engine or
  // the real one.
  void LoadWindow(int pixelsX = 800, int pixelsY = 600, bool fakeEngine = true);
  // Registers a fake file and creates an empty placeholder for it (so that the directory lookup
  // finds it); returns its full path.
  QString AddFile(const QString& fileName, FakeFile file);
  // "Apri Database" with `path` chosen in the dialog (nullopt: the dialog is cancelled).
  void Open(const std::optional<QString>& path);
  // "Scegli Tabella", then a click on the entry with that text.
  void ShowTable(const QString& name);
  // "Scegli Query", then a click on the entry with that text.
  void ShowQuery(const QString& name);

  Tavrek& w() { return *window_; }
  // The entries of a list, top to bottom.
  std::vector<QString> Entries(const forms::ListBox& list) const;

  std::shared_ptr<EngineState> engine_ = std::make_shared<EngineState>();
  std::shared_ptr<forms::ScriptedInteraction> user_;
  std::shared_ptr<forms::RecordingPrinter> printer_;
  std::unique_ptr<Tavrek> window_;
  QTemporaryDir dir_;
};

}  // namespace testsupport
