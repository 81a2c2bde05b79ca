// The printed structure report of one table, laid out in millimetres on a printer surface. The
// main window's "Stampa struttura" and the PDF output of tavrek-dump both print through this, so
// the layout exists once.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "engine/dao.h"
#include "forms/printer.h"

namespace report {

// The variables of the main window that the report reads and writes: the flag of the open
// document and the working variables (16-bit counters, single-precision positions in mm).
struct ReportVariables {
  int16_t& printPending;
  int16_t& loopIndex;
  int16_t& innerIndex;
  float& savedX;
  float& savedY;
};

class TableReport {
 public:
  // The display name of a field type code.
  using TypeNameFn = std::function<QString(int)>;

  TableReport(forms::Printer& printer, ReportVariables vars, TypeNameFn typeName);

  // Prints the report of the table open in `rs`: begins a document headed by `fileName` (the
  // database file), or continues the open one 8 mm below its last line; then the heading, the
  // summary line, the indexes and the field lines, breaking the page before an index line or a
  // field line that would start below H - 15 ("< segue >" on the old page, "segue Tabella " and
  // the name on the new one). Engine and printer failures propagate; what was printed stays.
  void Print(const dao::Recordset& rs, const QString& fileName);

  // The free part of the page below the pen, less a reserve of 10 mm, as a fraction of the page
  // body (H - 30).
  float FreeFraction() const;
  // True while the page has room for the next report (H - 30 > Y + 10): the user may choose to
  // keep it open. False once the pen stands at H - 40 or lower.
  bool RoomLeft() const;
  // Ends the document (its pages go to the printer) and clears printPending.
  void EndDocument();

  // The title of the close-page question: "Disponibile il " + "#0%" + " della pagina".
  static QString QuestionTitle(float fraction);
  static constexpr const char* kQuestion = "vuoi chiudere la pagina?";

 private:
  void BeginOrContinue(const QString& fileName);
  void Heading(const dao::Recordset& rs);
  void Summary(const dao::Recordset& rs);
  void IndexLines(const dao::Recordset& rs);
  void FieldLines(const dao::Recordset& rs);
  void PageBreak(const dao::Recordset& rs);
  // True when a line starting at the pen would start below the page's limit, H - 15.
  bool BelowPage() const;

  forms::Printer& p_;
  ReportVariables v_;
  TypeNameFn typeName_;
};

}  // namespace report
