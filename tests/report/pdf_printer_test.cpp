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
