// "Stampa struttura": the structure of the table on show, printed on the default printer. Several
// tables may share one document and one page; after each table the user is told how much of the
// page is still free and decides whether to close it.
#include "app/Tavrek.h"
#include "forms/interaction.h"
#include "forms/printer.h"
#include "forms/runtime_error.h"
#include "forms/screen.h"
#include "report/TableReport.h"

void Tavrek::Stampa_Click() {
  // 1. Busy pointer while the report is printed.
  forms::TheScreen().setMousePointer(11);

  report::TableReport report(forms::ThePrinter(),
                             report::ReportVariables{printPending, loopIndex, innerIndex, savedX, savedY},
                             [this](int code) { return TypeName(code); });

  // 2.-8. Begin a document headed by the database file's name (or continue the open one 8 mm
  //       below the last report), then the table heading, the summary line, the indexes with
  //       their key lists and one line per field, with a page break before a field line that
  //       would start below the bottom limit.
  report.Print(*rs, CommonDialog1.FileName);

  // 9. Printing is done.
  forms::TheScreen().setMousePointer(0);

  // 10. How much of the page body is still free below the pen.
  float fraction = report.FreeFraction();

  // 11. With room left, the user chooses: Yes ends the document, No keeps it open for the next
  //     table. Without room (the pen at H - 40 or lower) the document is ended without asking.
  if (report.RoomLeft()) {
    pageAnswer = forms::CheckedInt16(forms::MsgBox(QString::fromUtf8(report::TableReport::kQuestion),
                                                   forms::vbYesNo,
                                                   report::TableReport::QuestionTitle(fraction)));
    if (pageAnswer == forms::vbYes) report.EndDocument();
  } else {
    report.EndDocument();
  }
}
