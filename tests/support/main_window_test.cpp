#include "tests/support/main_window_test.h"

#include <QFile>
#include <QLocale>

#include "forms/printer.h"
#include "forms/screen.h"

namespace testsupport {

void MainWindowTest::SetUp() {
  QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
  ASSERT_TRUE(dir_.isValid());
}

void MainWindowTest::TearDown() {
  window_.reset();
  // The printer may outlive the test's event log; nothing is left to end it at quit.
  forms::SetPrinter(nullptr);
  forms::TheScreen().setMousePointer(0);
  forms::TheScreen().Reset();
  QLocale::setDefault(QLocale::c());
}

void MainWindowTest::UseUser(std::shared_ptr<forms::ScriptedInteraction> user) {
  user_ = std::move(user);
  forms::SetInteraction(user_);
}

void MainWindowTest::UsePrinter(std::shared_ptr<forms::RecordingPrinter> printer) {
  printer_ = std::move(printer);
  forms::SetPrinter(printer_);
}

void MainWindowTest::LoadWindow(int pixelsX, int pixelsY, bool fakeEngine) {
  forms::TheScreen().Simulate(pixelsX, pixelsY);
  window_ = std::make_unique<Tavrek>();
  auto state = engine_;
  if (fakeEngine)
    window_->engineFactory = [state]() -> std::unique_ptr<dao::DBEngine> {
      return std::make_unique<FakeEngine>(state);
    };
  window_->Load();
}

QString MainWindowTest::AddFile(const QString& fileName, FakeFile file) {
  const QString path = dir_.filePath(fileName);
  QFile placeholder(path);
  EXPECT_TRUE(placeholder.open(QIODevice::WriteOnly));
  placeholder.close();
  engine_->files[QFile::encodeName(path).toStdString()] = std::move(file);
  return path;
}

void MainWindowTest::Open(const std::optional<QString>& path) {
  user_->openAnswers.push_back(path);
  w().Apri.DoClick();
}

void MainWindowTest::ShowTable(const QString& name) {
  w().ApriTab.DoClick();
  for (int i = 0; i < w().List1.ListCount(); ++i)
    if (w().List1.List(i) == name) return w().List1.ClickItem(i);
  ADD_FAILURE() << "no table " << name.toStdString() << " in List1";
}

void MainWindowTest::ShowQuery(const QString& name) {
  w().ApriQuery.DoClick();
  for (int i = 0; i < w().List2.ListCount(); ++i)
    if (w().List2.List(i) == name) return w().List2.ClickItem(i);
  ADD_FAILURE() << "no query " << name.toStdString() << " in List2";
}

std::vector<QString> MainWindowTest::Entries(const forms::ListBox& list) const {
  std::vector<QString> out;
  for (int i = 0; i < list.ListCount(); ++i) out.push_back(list.List(i));
  return out;
}

}  // namespace testsupport
