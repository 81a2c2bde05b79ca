// A click on a table name: open the table and draw its structure on the main window — record
// count and dates beside the name, the indexes, then one row per field in as many columns as the
// screen's height needs — and fit the window to the drawing.
//
// Columns are anchored on the scaled labels Label1(1) (left margin, first line), Label1(2) (type
// names) and Label1(3) (right edge of the sizes, and the column spacing), read afresh each time;
// every other distance is measured in the window's own font.
#include <QString>

#include "app/Tavrek.h"
#include "app/formats.h"
#include "engine/dao.h"
#include "forms/runtime_error.h"
#include "forms/screen.h"

namespace {

QString FromEngine(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void Tavrek::List1_Click() {
  forms::Screen& screen = forms::TheScreen();
  screen.setMousePointer(11);

  // Close the table shown before (rsOpen stays as it is until the new one is open).
  if (rsOpen == 1) rs->Close();

  // Open the chosen table as a table-type recordset. A table that cannot be opened so (a linked
  // table, error 3219) leaves no table on show: the previous drawing goes, and with it the name
  // and "Stampa struttura", so that nothing can be printed from a closed recordset. The error then
  // goes on to the common treatment.
  try {
    rs = db->OpenRecordset(List1.List(List1.ListIndex()).toStdString(), dao::dbOpenTable);
  } catch (...) {
    rs.reset();
    rsOpen = 0;
    Stampa.setEnabled(false);
    Label1(1).setVisible(false);
    setHeight(designHeight);
    setWidth(designWidth);
    Cls();
    throw;
  }

  Stampa.setEnabled(true);
  List1.setVisible(false);
  List2.setVisible(false);
  Label1(1).setCaption(FromEngine(rs->Name()));
  Label1(1).setVisible(true);
  rsOpen = 1;

  // Start again from the design size and an empty surface.
  setHeight(designHeight);
  setWidth(designWidth);
  Cls();
  setFontBold(false);

  // Anchors, after the table name has been put in Label1(1) (which sizes itself to it).
  const float L1 = Label1(1).Left();
  const float T1 = Label1(1).Top();
  const float W1 = Label1(1).Width();
  const float L2 = Label1(2).Left();
  const float L3 = Label1(3).Left();
  const float W3 = Label1(3).Width();

  // First line, beside the table name: record count, then the creation date-time.
  setCurrentY(T1);
  setCurrentX(L1 + W1 + TextWidth(QStringLiteral("000")));
  Print(formats::RecordCount(rs->RecordCount()) + QStringLiteral(" records   -   "));
  Print(QStringLiteral("creato "));
  savedX = CurrentX();
  PrintLine(formats::DateTime(rs->DateCreated()));

  // Second line: the last update, its date-time starting right below the creation date-time.
  setCurrentX(savedX - TextWidth(QStringLiteral("ult. agg.to ")));
  PrintLine(QStringLiteral("ult. agg.to ") + formats::DateTime(rs->LastUpdated()));

  // "Indici" in bold; the index column starts two digit widths after it.
  setCurrentX(L1);
  setFontBold(true);
  Print(QStringLiteral("Indici"));
  setFontBold(false);
  savedX = CurrentX() + TextWidth(QStringLiteral("00"));

  // One line per index: its name, six blanks and its key fields in lower case. The first stands
  // on the "Indici" line.
  const int16_t indexCount = forms::CheckedInt16(rs->Indexes().Count());
  if (indexCount == 0) {
    setCurrentX(savedX);
    PrintLine(QStringLiteral("nessuno"));
  } else {
    for (loopIndex = 0; loopIndex <= indexCount - 1; loopIndex = forms::CheckedInt16(loopIndex + 1)) {
      setCurrentX(savedX);
      Print(FromEngine(rs->Indexes().Item(loopIndex).Name()));
      Print(QStringLiteral("      "));
      QString keys;
      const int16_t keyCount = forms::CheckedInt16(rs->Indexes().Item(loopIndex).Fields().Count());
      for (innerIndex = 0; innerIndex <= keyCount - 1; innerIndex = forms::CheckedInt16(innerIndex + 1))
        keys += FromEngine(rs->Indexes().Item(loopIndex).Fields().Item(innerIndex).Name()).toLower() +
                QStringLiteral(", ");
      // Drop the final ", " (an index without key fields shows its name alone).
      keys.chop(2);
      PrintLine(keys);
    }
  }

  // A blank line, then the field rows from here down.
  PrintLine();
  savedY = CurrentY();
  columnOffset = 0;

  const int16_t fieldCount = forms::CheckedInt16(rs->Fields().Count());
  for (loopIndex = 0; loopIndex <= fieldCount - 1; loopIndex = forms::CheckedInt16(loopIndex + 1)) {
    // Column check: would this row start below the lowest Y the screen allows (a window as tall as
    // the screen, two lines free below)? Then start a new column to the right, at the top of the
    // field rows. When that top is itself below the limit (a great many indexes), a new column
    // would not help: the rows go on down the one column. Rows are never drawn over others.
    const float limit = screen.Height() - 2 * TextHeight(QStringLiteral("0")) - (Height() - ScaleHeight());
    if (CurrentY() > limit && savedY <= limit) {
      columnOffset = columnOffset + (3 * W3 + L3 - L1);
      setCurrentY(savedY);
    }

    // Name, type name, and the size right-aligned on the size column's edge.
    setCurrentX(L1 + columnOffset);
    Print(FromEngine(rs->Fields().Item(loopIndex).Name()));
    setCurrentX(L2 + columnOffset);
    Print(TypeName(rs->Fields().Item(loopIndex).Type()));
    setCurrentX(L3 + W3 + columnOffset);
    const int16_t type = rs->Fields().Item(loopIndex).Type();
    if (type == dao::dbMemo || type == dao::dbLongBinary) {
      // Memo and OLE fields show no size.
      PrintLine();
    } else {
      const QString size = QString::number(rs->Fields().Item(loopIndex).Size());
      setCurrentX(CurrentX() - TextWidth(size));
      PrintLine(size);
    }
  }

  // Fit the window to the drawing: with more than one column, as tall as the screen and wide
  // enough for the last column; otherwise two lines below the last row. The window never reaches
  // past the screen's right or bottom edge (it keeps its place): what the drawing has beyond the
  // window is reached with the scroll bars.
  if (columnOffset != 0) {
    setWidth(L3 + columnOffset + 2 * W3);
    setHeight(screen.Height());
  } else {
    setHeight(CurrentY() + 2 * TextHeight(QStringLiteral("0")) + (Height() - ScaleHeight()));
  }
  if (Height() > screen.Height() - Top()) setHeight(screen.Height() - Top());
  if (Width() > screen.Width() - Left()) setWidth(screen.Width() - Left());

  screen.setMousePointer(0);
}
