// The screen, fonts, runtime errors and the common failure treatment.
#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <gtest/gtest.h>

#include "engine/dao.h"
#include "forms/failure.h"
#include "forms/font.h"
#include "forms/interaction.h"
#include "forms/runtime_error.h"
#include "forms/screen.h"

namespace {

using forms::TheScreen;

class FailureTreatment : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted = std::make_shared<forms::ScriptedInteraction>();
    forms::SetInteraction(scripted);
  }
  void TearDown() override {
    TheScreen().setMousePointer(0);
    forms::SetInteraction(nullptr);
  }
  std::shared_ptr<forms::ScriptedInteraction> scripted;
};

TEST_F(FailureTreatment, EngineErrorKeepsItsNumberAndDescription) {
  int steps = 0;
  forms::RunHandler([&] {
    ++steps;
    throw dao::Error(3265, "Elemento non trovato in questo insieme.");
    ++steps;
  });
  EXPECT_EQ(steps, 1);  // stops at the failing step
  ASSERT_EQ(scripted->msgBoxCalls.size(), 1u);
  EXPECT_EQ(scripted->msgBoxCalls[0].text, QStringLiteral("Errore 3265\rElemento non trovato in questo insieme."));
  EXPECT_EQ(scripted->msgBoxCalls[0].title, QStringLiteral("Tavrek"));
  EXPECT_EQ(scripted->msgBoxCalls[0].buttons, forms::vbOKOnly);
}

TEST_F(FailureTreatment, RuntimeFaultsUseThePlatformNumbers) {
  forms::RunHandler([] { forms::CheckedDivide(1.0f, 0.0f); });
  forms::RunHandler([] { forms::CheckedInt16(32768); });
  forms::RunHandler([] { throw forms::RuntimeError(forms::kErrPrinter, QStringLiteral("Stampante non pronta")); });
  ASSERT_EQ(scripted->msgBoxCalls.size(), 3u);
  EXPECT_EQ(scripted->msgBoxCalls[0].text, QStringLiteral("Errore 11\rDivisione per zero"));
  EXPECT_EQ(scripted->msgBoxCalls[1].text, QStringLiteral("Errore 6\rOverflow"));
  EXPECT_EQ(scripted->msgBoxCalls[2].text, QStringLiteral("Errore 482\rStampante non pronta"));
}

TEST_F(FailureTreatment, OtherExceptionsAreInternalErrorsWithTheirText) {
  forms::RunHandler([] { throw std::logic_error("stato inatteso"); });
  forms::RunHandler([] { throw 42; });
  ASSERT_EQ(scripted->msgBoxCalls.size(), 2u);
  EXPECT_TRUE(scripted->msgBoxCalls[0].text.startsWith(QStringLiteral("Errore 51\r")));
  EXPECT_TRUE(scripted->msgBoxCalls[0].text.contains(QStringLiteral("stato inatteso")));
  EXPECT_TRUE(scripted->msgBoxCalls[1].text.startsWith(QStringLiteral("Errore 51\r")));
}

TEST_F(FailureTreatment, PointerIsBackToDefaultAndChangesStay) {
  int changed = 0;
  forms::RunHandler([&] {
    TheScreen().setMousePointer(11);
    changed = 1;
    throw dao::Error(3049, "File danneggiato.");
  });
  EXPECT_EQ(TheScreen().MousePointer(), 0);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(changed, 1);
}

TEST_F(FailureTreatment, NoMessageWhenTheHandlerSucceeds) {
  forms::RunHandler([] {});
  EXPECT_TRUE(scripted->msgBoxCalls.empty());
}

TEST(Screen, BusyPointerShowsTheWaitCursorUntilReset) {
  TheScreen().setMousePointer(11);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  TheScreen().setMousePointer(11);  // setting busy twice needs one reset only
  TheScreen().setMousePointer(0);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(TheScreen().MousePointer(), 0);
}

TEST(Screen, SimulatedScreenAndTwipsPerPixel) {
  TheScreen().Simulate(1024, 768, 12.0f, 15.0f);
  EXPECT_FLOAT_EQ(TheScreen().Width(), 12288.0f);
  EXPECT_FLOAT_EQ(TheScreen().Height(), 11520.0f);
  EXPECT_FLOAT_EQ(TheScreen().TwipsPerPixelX(), 12.0f);
  TheScreen().Reset();
  // The real (offscreen) screen: 1440 twips per inch at its logical DPI.
  const float dpi = static_cast<float>(QGuiApplication::primaryScreen()->logicalDotsPerInchX());
  EXPECT_FLOAT_EQ(TheScreen().TwipsPerPixelX(), 1440.0f / dpi);
}

TEST(Font, KeepsFourDecimalPlaces) {
  forms::Font f(QStringLiteral("Arial"), 9.75, true);
  EXPECT_DOUBLE_EQ(f.Size(), 9.75);
  f.setSize(8.123456);
  EXPECT_DOUBLE_EQ(f.Size(), 8.1235);
  EXPECT_DOUBLE_EQ(f.toQFont().pointSizeF(), 8.1235);
  EXPECT_TRUE(f.toQFont().bold());
}

TEST(Font, ChangesReachTheHolder) {
  auto f = std::make_shared<forms::Font>(QStringLiteral("Arial"), 9.0);
  int calls = 0;
  f->setOnChange([&] { ++calls; });
  f->setSize(11);
  f->setBold(true);
  EXPECT_EQ(calls, 2);
}

TEST(RuntimeErrors, Int16Limits) {
  EXPECT_EQ(forms::CheckedInt16(32767), 32767);
  EXPECT_EQ(forms::CheckedInt16(-32768), -32768);
  try {
    forms::CheckedInt16(-32769);
    FAIL() << "no overflow";
  } catch (const forms::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 6);
  }
}

TEST(MsgBoxDefaults, ApplicationTitleWhenNoneIsGiven) {
  auto scripted = std::make_shared<forms::ScriptedInteraction>();
  scripted->msgBoxAnswers = {forms::vbYes};
  forms::SetInteraction(scripted);
  EXPECT_EQ(forms::MsgBox(QStringLiteral("vuoi chiudere la pagina?"), forms::vbYesNo), forms::vbYes);
  forms::InputBox(QStringLiteral("Immettere Password"));
  forms::MsgBox(QStringLiteral("x"), forms::vbOKOnly, QStringLiteral("Disponibile il 50% della pagina"));
  forms::SetInteraction(nullptr);
  ASSERT_EQ(scripted->msgBoxCalls.size(), 2u);
  EXPECT_EQ(scripted->msgBoxCalls[0].title, QStringLiteral("Tavrek"));
  EXPECT_EQ(scripted->msgBoxCalls[1].title, QStringLiteral("Disponibile il 50% della pagina"));
  ASSERT_EQ(scripted->inputCalls.size(), 1u);
  EXPECT_EQ(scripted->inputCalls[0].title, QStringLiteral("Tavrek"));
}

}  // namespace
