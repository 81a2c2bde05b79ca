// The PDF-file printer: what it writes is where the recording double says, page for page.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "forms/qt_printer.h"
#include "forms/recording_printer.h"
#include "forms/runtime_error.h"
#include "report/TableReport.h"
#include "tests/report/pdf_text.h"
#include "tests/report/support.h"

namespace reporttest {
namespace {

struct Variables {
  int16_t printPending = 0, loopIndex = 0, innerIndex = 0;
  float savedX = 0, savedY = 0;
  report::ReportVariables Refs() { return {printPending, loopIndex, innerIndex, savedX, savedY}; }
};

QString TypeName(int code) { return code == dao::dbText ? QStringLiteral("testo") : QStringLiteral("long"); }

// Two tables on one page (the second running onto a second page), then a second document.
void PrintSample(forms::Printer& printer) {
  FakeTable small = Table("Clienti", 42, {{"Codice", dao::dbLong, 4}, {"Cognome", dao::dbText, 50}},
                          {{"PrimaryKey", {"Codice"}}, {"IdxCognome", {"Cognome", "Codice"}}});
  FakeTable large = Table("Movimenti", 100000, ManyFields(70));
  dao::Recordset rs1(small.info, small.detail), rs2(large.info, large.detail);
  Variables v;
  report::TableReport report(printer, v.Refs(), TypeName);
  const QString file = QStringLiteral("/dati/contabilità.mdb");
  report.Print(rs1, file);
  ASSERT_TRUE(report.RoomLeft());
  report.Print(rs2, file);
  report.EndDocument();
  report.Print(rs1, file);
  report.EndDocument();
}

TEST(PdfPrinter, WritesEveryTextWhereTheRecordingPrinterPutsIt) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("report.pdf"));

  forms::RecordingPrinter recorded;
  PrintSample(recorded);
  ASSERT_EQ(recorded.newPages, 1);
  {
    auto pdf = forms::QtPrinter::PdfFile(path);
    PrintSample(*pdf);
    EXPECT_FLOAT_EQ(pdf->ScaleHeight(), 297.0f);
    pdf->Close();
  }
  std::vector<PdfWord> words = ReadPdfWords(path);
  // Document 1 has two pages; document 2 follows on a third.
  EXPECT_EQ(PdfPageCount(words), 3);
  ExpectPrintedAsRecorded(recorded.texts, words, 0.0f, 0.0f, 0.1f);
}

// A table whose 45 indexes begin halfway down the page: in the PDF every word lies on its sheet,
// the index lines that do not fit go to the second page, and everything stands where the
// recording printer put it.
TEST(PdfPrinter, IndexLinesThatReachTheBottomContinueOnTheNextSheet) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("indici.pdf"));
  std::vector<dao::IndexInfo> indexes;
  for (int i = 1; i <= 45; ++i) indexes.push_back({testsupport::Numbered("Indice", i), {"F1"}});
  FakeTable first = Table("Prima", 1, ManyFields(17));
  FakeTable second = Table("Seconda", 2, ManyFields(5), indexes);
  auto print = [&](forms::Printer& printer) {
    dao::Recordset rs1(first.info, first.detail), rs2(second.info, second.detail);
    Variables v;
    report::TableReport report(printer, v.Refs(), TypeName);
    report.Print(rs1, QStringLiteral("/dati/indici.mdb"));
    report.Print(rs2, QStringLiteral("/dati/indici.mdb"));
    report.EndDocument();
  };
  forms::RecordingPrinter recorded;
  print(recorded);
  ASSERT_EQ(recorded.newPages, 1);
  {
    auto pdf = forms::QtPrinter::PdfFile(path);
    print(*pdf);
    pdf->Close();
  }
  std::vector<PdfWord> words = ReadPdfWords(path);
  EXPECT_EQ(PdfPageCount(words), 2);
  int indexNames = 0;
  for (const PdfWord& w : words) {
    EXPECT_LE(w.yMax, 297.0f) << w.text.toStdString();
    if (w.text.startsWith(QStringLiteral("Indice"))) ++indexNames;
    if (w.text == QStringLiteral("Indice45")) {
      EXPECT_EQ(w.page, 2);
    }
  }
  EXPECT_EQ(indexNames, 45);
  ExpectPrintedAsRecorded(recorded.texts, words, 0.0f, 0.0f, 0.1f);
}

TEST(PdfPrinter, UnwritableFolderIsPrinterError482BeforeAnythingIsPrinted) {
  auto pdf = forms::QtPrinter::PdfFile(QStringLiteral("/nessuna/cartella/report.pdf"));
  try {
    pdf->setPageSetup(1);
    FAIL() << "no error";
  } catch (const forms::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 482);
    EXPECT_TRUE(e.Description().contains(QStringLiteral("/nessuna/cartella/report.pdf")))
        << e.Description().toStdString();
  }
  EXPECT_FALSE(pdf->DocumentOpen());
  EXPECT_FALSE(QFile::exists(QStringLiteral("/nessuna/cartella/report.pdf")));
}

}  // namespace
}  // namespace reporttest
