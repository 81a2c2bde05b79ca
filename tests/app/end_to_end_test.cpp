// Whole user stories on the main window, headless: start-up with a file, browsing, the About
// window and quitting.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QTableView>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "about/Info.h"
#include "app/Tavrek.h"
#include "documenta/Documenta.h"
#include "documenta/Parts.h"
#include "forms/interaction.h"
#include "forms/screen.h"

namespace {

const QString kSample = QStringLiteral(TAVREK_TEST_DATA_DIR "/jet4/testV2000.mdb");

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted = std::make_shared<forms::ScriptedInteraction>();
    forms::SetInteraction(scripted);
    forms::TheScreen().Simulate(1024, 768);
  }
  void TearDown() override {
    forms::TheScreen().Reset();
    forms::TheScreen().setMousePointer(0);
    forms::SetInteraction(nullptr);
  }
  std::shared_ptr<forms::ScriptedInteraction> scripted;
};

TEST_F(EndToEnd, StartWithAFileBrowseShowInfoAndQuit) {
  Tavrek w;
  w.Load();
  ASSERT_EQ(w.window()->menuWidget()->actions().size(), 7);

  w.OpenFile(kSample);
  EXPECT_TRUE(scripted->openCalls.empty());  // no dialog at start-up
  EXPECT_TRUE(scripted->msgBoxCalls.empty());
  EXPECT_EQ(w.dbOpen, 1);
  EXPECT_EQ(w.List1.ListCount(), 4);
  EXPECT_EQ(w.List1.List(0), QStringLiteral("Table1"));
  EXPECT_TRUE(w.Label1(0).Visible());
  EXPECT_EQ(w.Label1(0).Caption(), kSample);
  EXPECT_TRUE(w.ApriTab.Enabled());
  EXPECT_FALSE(w.ApriQuery.Enabled());  // this file has no stored queries
  EXPECT_FALSE(w.Stampa.Enabled());
  EXPECT_EQ(forms::TheScreen().MousePointer(), 0);

  w.ApriTab.Action()->trigger();
  EXPECT_TRUE(w.List1.Visible());
  w.List1.ClickItem(0);
  EXPECT_EQ(w.rsOpen, 1);
  EXPECT_TRUE(w.Stampa.Enabled());
  EXPECT_EQ(w.Label1(1).Caption(), QStringLiteral("Table1"));
  EXPECT_FALSE(w.Drawn().empty());

  // "Info": the About window opens modally; a click on its first notice closes it.
  bool closedByClick = false;
  scripted->onModal = [&](forms::Form& f) {
    auto& info = static_cast<Info&>(f);
    QTest::mouseClick(info.Label1(3).widget(), Qt::LeftButton, {}, QPoint(3, 3));
    closedByClick = !info.IsLoaded();
  };
  w.Inf.Action()->trigger();
  EXPECT_EQ(scripted->modalForms, std::vector<QString>{QStringLiteral("Info")});
  EXPECT_TRUE(closedByClick);
  EXPECT_TRUE(w.IsLoaded());

  auto db = w.db;
  auto rs = w.rs;
  w.Esci.Action()->trigger();
  EXPECT_FALSE(w.IsLoaded());
  EXPECT_FALSE(rs->IsOpen());
  EXPECT_FALSE(db->IsOpen());
  EXPECT_TRUE(scripted->msgBoxCalls.empty());
}

TEST_F(EndToEnd, ThePresetAnswerServesTheStartOnly) {
  Tavrek w;
  w.Load();
  w.OpenFile(kSample);
  scripted->openAnswers = {std::nullopt};  // the user cancels the next dialog
  w.Apri.Action()->trigger();
  ASSERT_EQ(scripted->openCalls.size(), 1u);
  EXPECT_EQ(scripted->openCalls[0].title, QStringLiteral("APRI DATABASE"));
  EXPECT_FALSE(w.ApriTab.Enabled());
  // The database was closed while the flags still say open: quitting closes it again, harmlessly.
  EXPECT_EQ(w.dbOpen, 1);
  w.Esci.Action()->trigger();
  EXPECT_FALSE(w.IsLoaded());
  EXPECT_TRUE(scripted->msgBoxCalls.empty());
}

TEST_F(EndToEnd, AFileNamedRelativelyIsOpenedByItsFullPath) {
  const QString before = QDir::currentPath();
  QDir::setCurrent(QStringLiteral(TAVREK_TEST_DATA_DIR "/jet4"));
  Tavrek w;
  w.Load();
  w.OpenFile(QStringLiteral("testV2000.mdb"));
  QDir::setCurrent(before);
  EXPECT_EQ(w.dbOpen, 1);
  EXPECT_EQ(w.Label1(0).Caption(), QFileInfo(kSample).absoluteFilePath());
  EXPECT_EQ(w.CommonDialog1.FileName, QFileInfo(kSample).absoluteFilePath());
}

// `tavrek FILE` on an .accdb encrypted with a password asks for it, then shows the catalogue.
TEST_F(EndToEnd, StartWithAnEncryptedFilePromptsForThePassword) {
  Tavrek w;
  w.Load();
  scripted->inputAnswers = {QStringLiteral("password")};
  const QString path = QStringLiteral(TAVREK_TEST_DATA_DIR "/encrypted/V2010_with-password.accdb");
  w.OpenFile(path);
  ASSERT_EQ(scripted->inputCalls.size(), 1u);
  EXPECT_EQ(scripted->inputCalls[0].prompt, QStringLiteral("Immettere Password"));
  EXPECT_TRUE(scripted->inputCalls[0].masked);
  EXPECT_TRUE(scripted->msgBoxCalls.empty());
  EXPECT_EQ(w.dbOpen, 1);
  EXPECT_EQ(w.Label1(0).Caption(), path);
  ASSERT_EQ(w.List1.ListCount(), 1);
  EXPECT_EQ(w.List1.List(0), QStringLiteral("Table1"));
  w.Esci.Action()->trigger();
}

// A file named on the command line that cannot be opened gets the message "Apri Database" gives
// for a file the engine cannot open; a folder too. Nothing is opened.
TEST_F(EndToEnd, StartWithAMissingFileSaysSoAndOpensNothing) {
  for (const QString& path : {QStringLiteral(TAVREK_TEST_DATA_DIR "/jet4/non-esiste.mdb"),
                              QStringLiteral(TAVREK_TEST_DATA_DIR "/jet4")}) {
    scripted->msgBoxCalls.clear();
    Tavrek w;
    w.Load();
    w.OpenFile(path);
    EXPECT_EQ(w.dbOpen, 0);
    EXPECT_FALSE(w.ApriTab.Enabled());
    EXPECT_FALSE(w.Documenta.Enabled());
    ASSERT_EQ(scripted->msgBoxCalls.size(), 1u) << path.toStdString();
    EXPECT_TRUE(scripted->msgBoxCalls[0].text.startsWith(QStringLiteral("Errore 30"))) << scripted->msgBoxCalls[0].text.toStdString();
    EXPECT_EQ(scripted->msgBoxCalls[0].title, QStringLiteral("Tavrek"));
    EXPECT_FALSE(w.CommonDialog1.HasPresetAnswer());
  }
}

TEST_F(EndToEnd, InfoIsModalOverTheShownMainWindowUntilClicked) {
  forms::TheScreen().Reset();
  forms::SetInteraction(nullptr);  // real modal loop
  Tavrek w;
  w.Show();
  bool wasModal = false;
  QTimer::singleShot(100, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    wasModal = modal && modal != w.window();
    if (auto* win = qobject_cast<QMainWindow*>(modal)) QTest::mouseClick(win->centralWidget(), Qt::LeftButton, {}, QPoint(2, 2));
  });
  QTimer::singleShot(3000, [] {  // safety net: never hang the suite
    if (QWidget* m = QApplication::activeModalWidget()) m->close();
  });
  w.Inf.Action()->trigger();
  EXPECT_TRUE(wasModal);
  EXPECT_TRUE(w.IsLoaded());
  w.Unload();
}

}  // namespace

namespace {

// A database file dropped onto the window (here an Access 2007 one, after an .mdb) is opened as
// "Apri Database" would open it, without the dialog.
TEST_F(EndToEnd, ADroppedDatabaseIsOpenedAsApriDatabaseWould) {
  Tavrek w;
  w.Load();
  ASSERT_TRUE(w.FileDropped);
  w.OpenFile(kSample);
  w.ApriTab.Action()->trigger();
  w.List1.ClickItem(0);
  ASSERT_TRUE(w.Stampa.Enabled());

  const QString accdb = QStringLiteral(TAVREK_TEST_DATA_DIR "/ace/testV2007.accdb");
  w.FileDropped(accdb);
  EXPECT_TRUE(scripted->openCalls.empty());
  EXPECT_TRUE(scripted->msgBoxCalls.empty());
  EXPECT_EQ(w.Label1(0).Caption(), accdb);
  EXPECT_FALSE(w.Label1(1).Visible());
  EXPECT_FALSE(w.Stampa.Enabled());
  EXPECT_TRUE(w.ApriTab.Enabled());
  EXPECT_GT(w.List1.ListCount(), 0);
  EXPECT_TRUE(w.Drawn().empty());
}

}  // namespace

namespace {

// The "Documenta" menu is there only while a database is open; "Dettagli tabella…" starts on the
// table on show, and a click on a table of the diagram shows it as "Scegli Tabella" would.
TEST_F(EndToEnd, DocumentaFollowsTheOpenDatabaseAndTheTableOnShow) {
  Tavrek w;
  w.Load();
  EXPECT_FALSE(w.Documenta.Enabled());
  w.OpenFile(QStringLiteral(TAVREK_TEST_DATA_DIR "/app/asvnTest2003.mdb"));
  ASSERT_EQ(w.dbOpen, 1);
  EXPECT_TRUE(w.Documenta.Enabled());
  w.ApriTab.Action()->trigger();
  for (int i = 0; i < w.List1.ListCount(); ++i)
    if (w.List1.List(i) == QStringLiteral("Details")) w.List1.ClickItem(i);
  ASSERT_EQ(w.rsOpen, 1);

  w.Dettagli.Action()->trigger();
  auto* table = w.window()->findChild<QComboBox*>(QStringLiteral("Tabella"));
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->currentText(), QStringLiteral("Details"));
  auto* details = w.window()->findChild<QTableView*>(QStringLiteral("Proprieta"));
  ASSERT_NE(details, nullptr);
  EXPECT_GT(details->model()->rowCount(), 20);

  w.Relazioni.Action()->trigger();
  auto* diagram = w.window()->findChild<documenta::DiagramView*>(QStringLiteral("Diagramma"));
  ASSERT_NE(diagram, nullptr);
  EXPECT_EQ(diagram->Tables(), (QStringList{QStringLiteral("Currencies"), QStringLiteral("Details"),
                                            QStringLiteral("MasterTable")}));
  ASSERT_TRUE(diagram->PickTable(QStringLiteral("MasterTable")));
  EXPECT_FALSE(diagram->PickTable(QStringLiteral("NonEsiste")));
  EXPECT_EQ(w.List1.Text(), QStringLiteral("MasterTable"));
  EXPECT_EQ(w.rsOpen, 1);
  EXPECT_EQ(w.Label1(1).Caption(), QStringLiteral("MasterTable"));
  EXPECT_TRUE(scripted->msgBoxCalls.empty());

  // Another database: the windows of the first one close, the menu stays usable.
  w.OpenFile(kSample);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(w.window()->findChild<documenta::DiagramView*>(QStringLiteral("Diagramma")), nullptr);
  EXPECT_TRUE(w.Documenta.Enabled());
  w.Esci.Action()->trigger();
}

}  // namespace

namespace {

// An export opens the file afresh with the password the window was given; a cancelled one leaves
// no file behind.
TEST_F(EndToEnd, ExportReopensWithThePasswordAndCancelLeavesNothing) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string encrypted = TAVREK_TEST_DATA_DIR "/encrypted/enc_vbaV2000.mdb";
  const documenta::ExportFormat* json = documenta::FindExportFormat(QStringLiteral("json"));
  ASSERT_NE(json, nullptr);
  auto running = std::make_shared<std::atomic<bool>>(false);
  const QString out = dir.filePath(QStringLiteral("x.json"));
  EXPECT_TRUE(documenta::WriteExport(*json, encrypted, "", out, running).startsWith(QStringLiteral("Errore 3031")));
  EXPECT_FALSE(QFile::exists(out));
  EXPECT_EQ(documenta::WriteExport(*json, encrypted, ";1234567890", out, running), QString());
  EXPECT_TRUE(QFile(out).size() > 100);

  auto cancelled = std::make_shared<std::atomic<bool>>(true);
  const QString never = dir.filePath(QStringLiteral("annullato.html"));
  EXPECT_EQ(documenta::WriteExport(*documenta::FindExportFormat(QStringLiteral("html")), encrypted, ";1234567890",
                                   never, cancelled),
            QStringLiteral("annullato"));
  EXPECT_FALSE(QFile::exists(never));
  EXPECT_EQ(documenta::FindExportFormat(QStringLiteral("rtf")), nullptr);

  // From the window: the password typed at the prompt is the one the export uses.
  Tavrek w;
  w.Load();
  scripted->inputAnswers = {QStringLiteral("1234567890")};
  w.OpenFile(QString::fromStdString(encrypted));
  ASSERT_EQ(w.dbOpen, 1);
  const QString fromWindow = dir.filePath(QStringLiteral("w.json"));
  EXPECT_EQ(w.DocumentaWindows().Export(*json, fromWindow), QString());
  QFile a(out), b(fromWindow);
  ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
  EXPECT_EQ(a.readAll(), b.readAll());
  w.Esci.Action()->trigger();
}

}  // namespace

namespace {

// A linked table has no fields of its own here: its details are where it comes from.
TEST_F(EndToEnd, DetailsOfALinkedTableNameItsSource) {
  Tavrek w;
  w.Load();
  w.OpenFile(QStringLiteral(TAVREK_TEST_DATA_DIR "/access-sql/targetlists.accdb"));
  ASSERT_EQ(w.dbOpen, 1);
  w.Dettagli.Action()->trigger();
  auto* table = w.window()->findChild<QComboBox*>(QStringLiteral("Tabella"));
  auto* details = w.window()->findChild<QTableView*>(QStringLiteral("Proprieta"));
  ASSERT_TRUE(table && details);
  table->setCurrentIndex(table->findText(QStringLiteral("tlu_NCPN_Plants")));
  bool ok = false;
  const QString text = documenta::PartText(details, ok);
  ASSERT_TRUE(ok);
  EXPECT_TRUE(text.startsWith(QStringLiteral("Oggetto\tNome\tProprietà\tValore\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("Tabella\ttlu_NCPN_Plants\tCollegata\tSì\n")));
  EXPECT_TRUE(text.contains(QStringLiteral(
      "Tabella\ttlu_NCPN_Plants\tConnessione\t;DATABASE=U:\\NCPN_WORK\\___BIG_RIVERS\\NCPN_Master_Species.accdb\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("Tabella\ttlu_NCPN_Plants\tTabella di origine\ttlu_NCPN_Plants\n")));
  EXPECT_FALSE(text.contains(QStringLiteral("\nCampo\t")));
  EXPECT_TRUE(scripted->msgBoxCalls.empty());
  w.Esci.Action()->trigger();
}

}  // namespace
