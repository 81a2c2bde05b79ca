// The main window: its design, its load on different screens, the field-type names and the small
// commands.
#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "app/Tavrek.h"
#include "app/Translations.h"
#include "forms/interaction.h"
#include "forms/menu_bar.h"
#include "forms/screen.h"
#include "scaling/AutoSize.h"

namespace {

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted = std::make_shared<forms::ScriptedInteraction>();
    forms::SetInteraction(scripted);
    forms::TheScreen().Simulate(800, 600);
  }
  void TearDown() override {
    forms::TheScreen().Reset();
    forms::TheScreen().setMousePointer(0);
    forms::SetInteraction(nullptr);
  }
  std::shared_ptr<forms::ScriptedInteraction> scripted;
};

TEST_F(MainWindow, DesignAtEightHundredBySixHundred) {
  Tavrek w;
  w.Load();
  EXPECT_TRUE(scripted->msgBoxCalls.empty());
  EXPECT_EQ(w.Caption(), QStringLiteral("STRUTTURA DB ACCESS by Brenvalo"));
  EXPECT_EQ(w.BackColor(), QColor(192, 255, 255));
  EXPECT_EQ(w.Font()->Name(), QStringLiteral("Arial"));
  EXPECT_DOUBLE_EQ(w.Font()->Size(), 9);
  EXPECT_FALSE(w.Font()->Bold());
  EXPECT_FLOAT_EQ(w.ScaleHeight(), 6405);
  EXPECT_FLOAT_EQ(w.ScaleWidth(), 6000);
  EXPECT_FALSE(w.window()->windowIcon().isNull());

  EXPECT_FLOAT_EQ(w.designHeight, w.Height());
  EXPECT_FLOAT_EQ(w.designWidth, w.Width());
  EXPECT_EQ(w.dbOpen, 0);
  EXPECT_EQ(w.rsOpen, 0);
  EXPECT_EQ(w.printPending, 0);

  EXPECT_FALSE(w.List1.Visible());
  EXPECT_FALSE(w.List2.Visible());
  EXPECT_FLOAT_EQ(w.List1.Left(), 3720);
  EXPECT_FLOAT_EQ(w.List1.Height(), 1860);
  EXPECT_FLOAT_EQ(w.List2.Left(), 3480);
  EXPECT_FLOAT_EQ(w.List2.Width(), 2295);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(w.Label1(i).Visible()) << i;
  EXPECT_TRUE(w.Label1(0).Font()->Bold());
  EXPECT_TRUE(w.Label1(1).Font()->Bold());
  EXPECT_FALSE(w.Label1(3).Font()->Bold());
  EXPECT_NE(w.Label1(0).Font(), w.Label1(1).Font());  // each label its own font object
  EXPECT_FLOAT_EQ(w.Label1(2).Left(), 2400);
  EXPECT_FLOAT_EQ(w.Label1(3).Left(), 3240);
  EXPECT_EQ(w.Label1(3).Caption(), QStringLiteral("000"));
  EXPECT_TRUE(w.Label1(3).AutoSize());

  EXPECT_EQ(w.CommonDialog1.DialogTitle, QStringLiteral("APRI DATABASE"));
  EXPECT_EQ(w.CommonDialog1.Filter, QStringLiteral("Access|*.mdb;*.mde;*.accdb;*.accde|Tutti|*.*"));
  EXPECT_EQ(w.CommonDialog1.DefaultExt, QStringLiteral("mdb"));
  EXPECT_EQ(w.CommonDialog1.FontSize, 8);
}

TEST_F(MainWindow, MenuCommandsInOrderWithTheirStatesMnemonicsAndKeys) {
  Tavrek w;
  w.Load();
  const QList<QAction*> actions = w.window()->menuWidget()->actions();
  struct Entry {
    const char* text;
    bool enabled;
    QKeySequence keys;
  };
  const Entry entries[] = {{"&Apri Database", true, QKeySequence(QStringLiteral("Ctrl+O"))},
                           {"Scegli &Tabella", false, {}},
                           {"Scegli &Query", false, {}},
                           {"&Stampa struttura", false, QKeySequence(QStringLiteral("Ctrl+P"))},
                           {"&Esci", true, QKeySequence(QStringLiteral("Ctrl+Q"))},
                           {"&Info", true, QKeySequence(QStringLiteral("F1"))},
                           {"&Documenta", false, {}}};
  ASSERT_EQ(actions.size(), 7);
  QSet<QChar> mnemonics;
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(actions[i]->text(), QString::fromUtf8(entries[i].text));
    EXPECT_EQ(actions[i]->isEnabled(), entries[i].enabled) << i;
    EXPECT_EQ(actions[i]->shortcut(), entries[i].keys) << i;
    EXPECT_EQ(actions[i]->menu(), nullptr) << i;
    const qsizetype mark = actions[i]->text().indexOf(QLatin1Char('&'));
    ASSERT_GE(mark, 0) << i;
    mnemonics.insert(actions[i]->text().at(mark + 1).toUpper());
  }
  EXPECT_EQ(mnemonics.size(), 7) << "two top-level entries share a mnemonic";
  EXPECT_EQ(w.ApriTab.Action(), actions[1]);
  EXPECT_EQ(w.ApriTab.Caption(), QStringLiteral("Scegli Tabella"));  // the caption without its mark
  // The "Documenta" menu: its five entries, each with a mnemonic of its own.
  EXPECT_NE(w.Documenta.Menu(), nullptr);
  const QList<QAction*> documenta = w.Documenta.Menu()->actions();
  const QStringList names = {QStringLiteral("&Dettagli tabella…"), QStringLiteral("&Relazioni…"),
                             QStringLiteral("&Applicazione…"), QStringLiteral("&Esporta…"),
                             QStringLiteral("&Confronta con…")};
  ASSERT_EQ(documenta.size(), names.size());
  for (int i = 0; i < names.size(); ++i) EXPECT_EQ(documenta[i]->text(), names[i]);
  EXPECT_EQ(w.Dettagli.Action(), documenta[0]);
  EXPECT_EQ(w.Confronta.Action(), documenta[4]);
}

// The keys work from the window itself: Ctrl+O asks for a file as "Apri Database" does.
TEST_F(MainWindow, CtrlOOpensTheFileDialog) {
  Tavrek w;
  w.Show();
  QApplication::setActiveWindow(w.window());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.window()));
  QTest::keyClick(w.window(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(scripted->openCalls.size(), 1u);
  w.Unload();
}

// Alt and the marked letter: a command runs, a heading opens its menu (once).
TEST_F(MainWindow, MnemonicsRunCommandsAndOpenMenus) {
  Tavrek w;
  w.Show();
  QApplication::setActiveWindow(w.window());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.window()));
  QTest::keyClick(w.window(), Qt::Key_A, Qt::AltModifier);
  QTest::qWait(300);  // a mnemonic presses the button for a moment, then clicks it
  EXPECT_EQ(scripted->openCalls.size(), 1u);
  w.Documenta.setEnabled(true);  // as with a database open
  int popups = 0;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      ++popups;
      EXPECT_EQ(popup, w.Documenta.Menu());
      popup->close();
    }
  });
  closer.start(20);
  QTest::keyClick(w.window(), Qt::Key_D, Qt::AltModifier);
  QTest::qWait(400);
  EXPECT_EQ(popups, 1);
  // A click on the heading opens it once as well.
  QToolButton* heading = nullptr;
  for (auto* b : w.menuBar()->findChildren<QToolButton*>())
    if (b->defaultAction() == w.Documenta.Action()) heading = b;
  ASSERT_NE(heading, nullptr);
  QTest::mouseClick(heading, Qt::LeftButton);
  QTest::qWait(400);
  EXPECT_EQ(popups, 2);
  w.Unload();
}

// Qt's own texts in Italian: the standard buttons of its dialogs and the file dialog.
TEST_F(MainWindow, QtTextsAreItalian) {
  ASSERT_TRUE(InstallQtItalianTranslations()) << "qt6-translations-l10n is not installed";
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annulla"));
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Cerca in:"));
}

TEST_F(MainWindow, LoadScalesToA1024By768Screen) {
  forms::TheScreen().Simulate(1024, 768);
  Tavrek w;
  w.Load();
  EXPECT_FLOAT_EQ(AutoSize::screenPixelsX, 1024);
  EXPECT_FLOAT_EQ(AutoSize::screenPixelsY, 768);
  EXPECT_EQ(AutoSize::scaleTarget, &w);
  EXPECT_FLOAT_EQ(w.List1.Left(), 4761.6f);
  EXPECT_FLOAT_EQ(w.List1.Top(), 153.6f);
  EXPECT_FLOAT_EQ(w.List1.Height(), 2380.8f);
  EXPECT_DOUBLE_EQ(w.Label1(0).Font()->Size(), 11);
  EXPECT_DOUBLE_EQ(w.Label1(3).Font()->Size(), 11);
  EXPECT_DOUBLE_EQ(w.Font()->Size(), 9);  // the surface keeps the window's font
  EXPECT_EQ(w.CommonDialog1.FontSize, 10);
  EXPECT_FLOAT_EQ(w.designWidth, w.Width());
  EXPECT_FLOAT_EQ(w.designHeight, w.Height());
  EXPECT_GT(w.designWidth, 7680);  // 6000 client twips and the borders, times 1.28
  EXPECT_TRUE(w.ApriTab.Action() && !w.ApriTab.Enabled());
}

TEST_F(MainWindow, ZeroTwipsPerPixelStopsTheLoadWithDivisionByZero) {
  forms::TheScreen().Simulate(800, 600, 0.0f, 15.0f);
  forms::TheScreen().setMousePointer(11);
  Tavrek w;
  w.Load();
  ASSERT_EQ(scripted->msgBoxCalls.size(), 1u);
  EXPECT_EQ(scripted->msgBoxCalls[0].text, QStringLiteral("Errore 11\rDivisione per zero"));
  EXPECT_EQ(scripted->msgBoxCalls[0].title, QStringLiteral("Tavrek"));
  EXPECT_EQ(forms::TheScreen().MousePointer(), 0);
  EXPECT_TRUE(w.typeNames[1].isEmpty());  // the load stopped before the names
  EXPECT_EQ(w.TypeName(1), QStringLiteral("??? 1"));
}

TEST_F(MainWindow, TypeNamesAndCodesOutsideTheTable) {
  Tavrek w;
  w.Load();
  EXPECT_EQ(w.TypeName(0), QStringLiteral("??? 0"));
  EXPECT_EQ(w.TypeName(1), QStringLiteral("logico"));
  EXPECT_EQ(w.TypeName(4), QStringLiteral("long"));
  EXPECT_EQ(w.TypeName(8), QStringLiteral("data"));
  EXPECT_EQ(w.TypeName(9), QStringLiteral("??? 9"));
  EXPECT_EQ(w.TypeName(10), QStringLiteral("testo"));
  EXPECT_EQ(w.TypeName(11), QStringLiteral("OLE"));
  EXPECT_EQ(w.TypeName(12), QStringLiteral("memo"));
  EXPECT_EQ(w.TypeName(13), QStringLiteral("??? 13"));
  EXPECT_EQ(w.TypeName(14), QStringLiteral("??? 14"));
  EXPECT_EQ(w.TypeName(15), QStringLiteral("??? 15"));
  EXPECT_EQ(w.TypeName(16), QStringLiteral("??? 16"));
  EXPECT_EQ(w.TypeName(-1), QStringLiteral("??? -1"));
  EXPECT_EQ(w.TypeName(109), QStringLiteral("??? 109"));
}

TEST_F(MainWindow, TableThenQueryListLeavesOnlyTheQueryListVisible) {
  Tavrek w;
  w.Load();
  w.List1.AddItem(QStringLiteral("Clienti"));
  w.List1.AddItem(QStringLiteral("Ordini"));
  w.ApriTab.DoClick();
  EXPECT_TRUE(w.List1.Visible());
  EXPECT_FALSE(w.List2.Visible());
  w.ApriQuery.DoClick();
  EXPECT_FALSE(w.List1.Visible());
  EXPECT_TRUE(w.List2.Visible());
  EXPECT_EQ(w.List1.ListCount(), 2);
}

TEST_F(MainWindow, EsciWithNothingOpenQuits) {
  Tavrek w;
  w.Load();
  w.Esci.Action()->trigger();
  EXPECT_FALSE(w.IsLoaded());
  EXPECT_TRUE(scripted->msgBoxCalls.empty());
}

TEST_F(MainWindow, EngineComesFromTheFactoryOnce) {
  Tavrek w;
  int made = 0;
  w.engineFactory = [&] {
    ++made;
    return std::make_unique<dao::DBEngine>();
  };
  dao::DBEngine* first = &w.Engine();
  EXPECT_EQ(first, &w.Engine());
  EXPECT_EQ(made, 1);
}

}  // namespace
