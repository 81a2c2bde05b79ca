// End to end through a real CUPS queue: the user prints two tables onto one page and a long table
// across a page break with "Stampa struttura"; the cups-pdf queue, made the default printer by
// the fixture script, writes the job as a PDF, which is read back with pdftotext.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
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

TEST(CupsPrinting, TwoTablesOnOnePageAndALongTableAcrossABreak) {
  if (geteuid() != 0)
    GTEST_SKIP() << "the CUPS test needs root: it starts cupsd and adds a cups-pdf print queue";

  QTemporaryDir out(QStringLiteral("/tmp/tavrek-cups-XXXXXX"));
  ASSERT_TRUE(out.isValid());
  // TAVREK_KEEP_PRINTS=1 keeps the printed PDF for a look at it.
  if (qEnvironmentVariableIsSet("TAVREK_KEEP_PRINTS")) {
    out.setAutoRemove(false);
    std::cout << "printed into " << out.path().toStdString() << std::endl;
  }
  QProcess fixture;
  fixture.start(QStringLiteral("bash"), {QStringLiteral(TAVREK_CUPS_FIXTURE), out.path()});
  ASSERT_TRUE(fixture.waitForFinished(120000));
  ASSERT_EQ(fixture.exitCode(), 0) << fixture.readAllStandardError().toStdString();

  auto user = std::make_shared<forms::ScriptedInteraction>();
  forms::SetInteraction(user);

  // Through the real default printer.
  forms::SetPrinter(nullptr);
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

}  // namespace
}  // namespace reporttest
