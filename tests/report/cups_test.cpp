// End to end through a real CUPS queue: the user prints two tables onto one page and a long table
// across a page break with "Stampa struttura"; the cups-pdf queue, the default printer of a
// private CUPS server the fixture script starts for these tests, writes the job as a PDF, which
// is read back with pdftotext.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <iostream>

#include "app/Tavrek.h"
#include "forms/interaction.h"
#include "forms/printer.h"
#include "forms/qt_printer.h"
#include "forms/recording_printer.h"
#include "forms/screen.h"
#include "tests/report/pdf_text.h"

namespace reporttest {
namespace {

const QString kDatabase = QStringLiteral(TAVREK_TEST_DATA "/jet4/testV2000.mdb");

// The user story: open the database, print Table1 and Table3 onto one page (answering No), then
// Table2, whose 89 fields run onto a second page, answering Yes when asked.
void PrintStory(forms::ScriptedInteraction& user) {
  forms::TheScreen().Simulate(800, 600);
  Tavrek w;
  w.Load();
  user.openAnswers.push_back(kDatabase);
  w.Apri.DoClick();
  ASSERT_EQ(w.dbOpen, 1);
  auto click = [&w](const QString& table) {
    w.ApriTab.DoClick();
    for (int i = 0; i < w.List1.ListCount(); ++i)
      if (w.List1.List(i) == table) return w.List1.ClickItem(i);
    FAIL() << "no table " << table.toStdString();
  };
  auto print = [&w, &user](int answer) {
    user.msgBoxAnswers.clear();
    user.msgBoxAnswers.push_back(answer);
    w.Stampa.DoClick();
  };
  click(QStringLiteral("Table1"));
  print(forms::vbNo);
  ASSERT_EQ(w.printPending, 1);
  click(QStringLiteral("Table3"));
  print(forms::vbNo);
  ASSERT_EQ(w.printPending, 1);
  click(QStringLiteral("Table2"));
  print(forms::vbYes);
  EXPECT_EQ(w.printPending, 0);
  w.Esci_Click();
  forms::TheScreen().Reset();
}

// Waits (at most two minutes) until the queue has no job left and a PDF is in `dir`.
QString WaitForPdf(const QString& dir) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 120000) {
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-o"), QStringLiteral("TavrekPDF")});
    lpstat.waitForFinished(10000);
    bool queueEmpty = lpstat.readAllStandardOutput().trimmed().isEmpty();
    QStringList pdfs = QDir(dir).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    if (queueEmpty && !pdfs.isEmpty()) return QDir(dir).filePath(pdfs.front());
    QThread::msleep(250);
  }
  return QString();
}

// Runs a command; returns its exit status (-1 when it did not finish in time).
int Command(const QString& program, const QStringList& args, QString* err = nullptr) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(120000)) return -1;
  if (err) *err = QString::fromUtf8(p.readAllStandardError());
  return p.exitCode();
}

// The tests share one private CUPS server (cups_fixture.sh: its own configuration, spool and
// socket in a temporary folder; the system's CUPS and default printer are left alone), reached
// through CUPS_SERVER by this process and the commands it runs. Each test: the cups-pdf queue the
// default printer, its PDFs in an empty folder.
class CupsPrinting : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (geteuid() != 0) return;
    server_ = new QTemporaryDir(QStringLiteral("/tmp/tavrek-cups-XXXXXX"));
    // TAVREK_KEEP_PRINTS=1 keeps the printed PDFs for a look at them.
    if (qEnvironmentVariableIsSet("TAVREK_KEEP_PRINTS")) {
      server_->setAutoRemove(false);
      std::cout << "printed into " << server_->filePath(QStringLiteral("out")).toStdString() << std::endl;
    }
    qputenv("CUPS_SERVER", server_->filePath(QStringLiteral("cups.sock")).toUtf8());
    qputenv("CUPS_SERVERROOT", server_->filePath(QStringLiteral("etc")).toUtf8());
    started_ = Fixture(QStringLiteral("start"), &startError_) == 0;
  }
  static void TearDownTestSuite() {
    if (!server_) return;
    Fixture(QStringLiteral("stop"));
    delete server_;
    server_ = nullptr;
  }
  static int Fixture(const QString& action, QString* err = nullptr) {
    return Command(QStringLiteral("bash"), {QStringLiteral(TAVREK_CUPS_FIXTURE), action, server_->path()}, err);
  }

  void SetUp() override {
    if (geteuid() != 0)
      GTEST_SKIP() << "the CUPS test needs root: it starts a private cupsd in a mount namespace";
    ASSERT_TRUE(started_) << startError_.toStdString();
    out_ = server_->filePath(QStringLiteral("out"));
    for (const QString& name : QDir(out_).entryList(QDir::Files)) QFile::remove(QDir(out_).filePath(name));
    user_ = std::make_shared<forms::ScriptedInteraction>();
    forms::SetInteraction(user_);
    forms::SetPrinter(nullptr);  // the default printer
  }
  void TearDown() override { forms::SetPrinter(nullptr); }

  static inline QTemporaryDir* server_ = nullptr;
  static inline bool started_ = false;
  static inline QString startError_;
  QString out_;
  std::shared_ptr<forms::ScriptedInteraction> user_;
};

TEST_F(CupsPrinting, TwoTablesOnOnePageAndALongTableAcrossABreak) {
  const QDir out(out_);
  auto user = user_;

  // Through the real default printer.
  auto* real = dynamic_cast<forms::QtPrinter*>(&forms::ThePrinter());
  ASSERT_NE(real, nullptr);
  PrintStory(*user);
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(real->DeviceName(), QStringLiteral("TavrekPDF"));
  const QRectF area = real->DrawingArea();

  const QString pdf = WaitForPdf(out.path());
  ASSERT_FALSE(pdf.isEmpty()) << "cups-pdf wrote no PDF into " << out.path().toStdString();
  std::vector<PdfWord> words = ReadPdfWords(pdf);
  ASSERT_EQ(PdfPageCount(words), 2);

  // The same story on the recording printer, with the real printer's page, tells where every
  // text belongs.
  auto recorded = std::make_shared<forms::RecordingPrinter>(static_cast<float>(area.width()),
                                                            static_cast<float>(area.height()));
  forms::SetPrinter(recorded);
  PrintStory(*user);
  forms::SetPrinter(nullptr);
  ASSERT_EQ(recorded->newPages, 1);
  ExpectPrintedAsRecorded(recorded->texts, words, static_cast<float>(area.left()),
                          static_cast<float>(area.top()), 0.5f);

  // And by hand, the landmarks: the file name at (20, 15) mm, three table headings on page 1, the
  // break mark at 160 mm on page 1, the continuation heading at (20, 15) mm on page 2.
  auto find = [&words](int page, const QString& text) -> const PdfWord* {
    for (const PdfWord& w : words)
      if (w.page == page && w.text == text) return &w;
    return nullptr;
  };
  int headings = 0;
  for (const PdfWord& w : words) headings += (w.page == 1 && w.text == QStringLiteral("Tabella:")) ? 1 : 0;
  EXPECT_EQ(headings, 3);
  const PdfWord* file = find(1, kDatabase);
  ASSERT_NE(file, nullptr);
  EXPECT_NEAR(file->xMin, area.left() + 20.0, 0.5);
  const PdfWord* mark = find(1, QStringLiteral("segue"));
  ASSERT_NE(mark, nullptr);
  EXPECT_NEAR(find(1, QStringLiteral("<"))->xMin, area.left() + 160.0, 0.5);
  const PdfWord* cont = find(2, QStringLiteral("segue"));
  ASSERT_NE(cont, nullptr);
  EXPECT_NEAR(cont->xMin, area.left() + 20.0, 0.5);
  EXPECT_LT(cont->yMin, area.top() + 15.0 + 4.0);
  EXPECT_GT(cont->yMax, area.top() + 15.0);
  EXPECT_NE(find(2, QStringLiteral("Table2")), nullptr);
}

TEST_F(CupsPrinting, DocumentLeftOpenIsPrintedWhenTheProgramEnds) {
  forms::TheScreen().Simulate(800, 600);
  {
    Tavrek w;
    w.Load();
    user_->openAnswers.push_back(kDatabase);
    w.Apri.DoClick();
    w.ApriTab.DoClick();
    for (int i = 0; i < w.List1.ListCount(); ++i)
      if (w.List1.List(i) == QStringLiteral("Table3")) w.List1.ClickItem(i);
    user_->msgBoxAnswers.push_back(forms::vbNo);
    w.Stampa.DoClick();
    ASSERT_EQ(w.printPending, 1);
    // "Esci" ends the program with the document still open.
    QMetaObject::invokeMethod(qApp, [&w] { w.Esci.DoClick(); }, Qt::QueuedConnection);
    qApp->exec();
  }
  forms::TheScreen().Reset();
  const QString pdf = WaitForPdf(out_);
  ASSERT_FALSE(pdf.isEmpty()) << "the open document was not printed";
  std::vector<PdfWord> words = ReadPdfWords(pdf);
  bool table3 = false;
  for (const PdfWord& w : words) table3 |= w.text == QStringLiteral("Table3");
  EXPECT_TRUE(table3);
}

TEST_F(CupsPrinting, NoPrinterInstalledIsError482AndChangesNothing) {
  QString err;
  ASSERT_EQ(Command(QStringLiteral("lpadmin"), {QStringLiteral("-x"), QStringLiteral("TavrekPDF")}, &err), 0)
      << err.toStdString();
  forms::TheScreen().Simulate(800, 600);
  {
    Tavrek w;
    w.Load();
    user_->openAnswers.push_back(kDatabase);
    w.Apri.DoClick();
    w.ApriTab.DoClick();
    for (int i = 0; i < w.List1.ListCount(); ++i)
      if (w.List1.List(i) == QStringLiteral("Table3")) w.List1.ClickItem(i);
    user_->msgBoxCalls.clear();
    w.Stampa.DoClick();
    ASSERT_EQ(user_->msgBoxCalls.size(), 1u);
    const QString message = user_->msgBoxCalls[0].text;
    EXPECT_TRUE(message.startsWith(QStringLiteral("Errore 482\r"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("stampante"))) << message.toStdString();
    EXPECT_EQ(w.printPending, 0);
    EXPECT_EQ(forms::TheScreen().MousePointer(), 0);
    EXPECT_FALSE(dynamic_cast<forms::QtPrinter&>(forms::ThePrinter()).DocumentOpen());
  }
  forms::TheScreen().Reset();
  // The queue comes back for whoever prints next.
  ASSERT_EQ(Fixture(QStringLiteral("queue"), &err), 0) << err.toStdString();
}

}  // namespace
}  // namespace reporttest
