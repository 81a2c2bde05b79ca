#include "report/TableReport.h"

#include "app/formats.h"
#include "forms/runtime_error.h"

namespace report {

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

// The next value of a 16-bit loop counter (an overflow past 32767 is error 6).
int16_t Next(int16_t counter) { return forms::CheckedInt16(static_cast<long long>(counter) + 1); }

// The key list of an index: its key fields' names in key order, lower case, ", " between them.
// (An index without key fields gives the empty list.)
QString KeyList(const dao::Index& index, int16_t& innerIndex) {
  QString keys;
  int16_t count = forms::CheckedInt16(index.Fields().Count());
  for (innerIndex = 0; innerIndex <= count - 1; innerIndex = Next(innerIndex))
    keys += Text(index.Fields().Item(innerIndex).Name()).toLower() + QStringLiteral(", ");
  if (keys.size() >= 2) keys.chop(2);
  return keys;
}

}  // namespace

TableReport::TableReport(forms::Printer& printer, ReportVariables vars, TypeNameFn typeName)
    : p_(printer), v_(vars), typeName_(std::move(typeName)) {}

void TableReport::Print(const dao::Recordset& rs, const QString& fileName) {
  // 2. A new document headed by the file name, or 8 mm below the previous report.
  BeginOrContinue(fileName);
  // 3. "Tabella:   " and the table's name.
  Heading(rs);
  // 4. Record count and dates, then an empty line.
  Summary(rs);
  // 5.-6. "Indici: ", the index names and their key lists.
  IndexLines(rs);
  // 7. A 5 mm gap above the field lines.
  p_.setCurrentY(p_.CurrentY() + 5.0f);
  // 8. One line per field, breaking the page where needed.
  FieldLines(rs);
}

void TableReport::BeginOrContinue(const QString& fileName) {
  if (v_.printPending != 0) {
    // The open document goes on, on the current page, 8 mm below where the last report ended;
    // scale unit and font name are those set when the document was begun.
    p_.setCurrentY(p_.CurrentY() + 8.0f);
    return;
  }
  p_.setPageSetup(1);
  p_.setScaleMode(forms::vbMillimeters);
  p_.setFontName(QStringLiteral("Times New Roman"));
  p_.setCurrentY(15.0f);
  v_.printPending = 1;
  p_.setCurrentX(20.0f);
  p_.setFontSize(12);
  p_.setFontBold(true);
  p_.PrintLine(fileName);
  p_.setCurrentY(p_.CurrentY() + 5.0f);
}

void TableReport::Heading(const dao::Recordset& rs) {
  p_.setCurrentX(20.0f);
  p_.setFontSize(11);
  p_.setFontBold(true);
  p_.PrintLine(QStringLiteral("Tabella:   ") + Text(rs.Name()));
}

void TableReport::Summary(const dao::Recordset& rs) {
  p_.setFontSize(10);
  p_.setFontBold(false);
  p_.setCurrentX(20.0f);
  p_.Print(formats::RecordCount(rs.RecordCount()) + QStringLiteral(" records   -   "));
  p_.Print(QStringLiteral("creata "));
  p_.Print(formats::DateTime(rs.DateCreated()));
  p_.PrintLine(QStringLiteral("   -   ult. agg.to ") + formats::DateTime(rs.LastUpdated()));
  p_.PrintLine();
}

void TableReport::IndexLines(const dao::Recordset& rs) {
  p_.setCurrentX(20.0f);
  p_.setFontBold(true);
  p_.Print(QStringLiteral("Indici: "));
  p_.setFontBold(false);

  if (forms::CheckedInt16(rs.Indexes().Count()) == 0) {
    p_.setCurrentX(35.0f);
    p_.PrintLine(QStringLiteral("nessuno"));
    return;
  }

  // The index lines go page by page. On each page, a first pass prints the index names at 35 mm,
  // one line each, remembering the right edge of the longest so far (or of "Indici: " when that
  // reaches further); it stops before a line that would start below H - 15, as the field lines
  // do. A second pass goes back to the page's first index line and puts each key list 5 mm right
  // of that edge, so that every "chiave:   " of a page starts at the same X. Then, if indexes
  // are left, the page breaks as before a field line.
  v_.savedX = p_.CurrentX();
  const int16_t count = forms::CheckedInt16(rs.Indexes().Count());
  int16_t first = 0;
  while (first <= count - 1) {
    v_.savedY = p_.CurrentY();
    int16_t end = first;  // one past the last index on this page
    for (v_.loopIndex = first; v_.loopIndex <= count - 1; v_.loopIndex = Next(v_.loopIndex)) {
      if (v_.loopIndex > first && BelowPage()) break;
      p_.setCurrentX(35.0f);
      p_.Print(Text(rs.Indexes().Item(v_.loopIndex).Name()));
      if (p_.CurrentX() > v_.savedX) v_.savedX = p_.CurrentX();
      p_.PrintLine();
      end = Next(v_.loopIndex);
    }

    p_.setCurrentY(v_.savedY);
    for (v_.loopIndex = first; v_.loopIndex < end; v_.loopIndex = Next(v_.loopIndex)) {
      QString keys = KeyList(rs.Indexes().Item(v_.loopIndex), v_.innerIndex);
      p_.setCurrentX(v_.savedX + 5.0f);
      p_.PrintLine(QStringLiteral("chiave:   ") + keys);
    }

    if (end <= count - 1) PageBreak(rs);
    first = end;
  }
}

bool TableReport::BelowPage() const { return p_.CurrentY() > p_.ScaleHeight() - 15.0f; }

void TableReport::FieldLines(const dao::Recordset& rs) {
  int16_t count = forms::CheckedInt16(rs.Fields().Count());
  for (v_.loopIndex = 0; v_.loopIndex <= count - 1; v_.loopIndex = Next(v_.loopIndex)) {
    // A line that would start below H - 15 goes over to a new page.
    if (BelowPage()) PageBreak(rs);

    p_.setCurrentX(25.0f);
    p_.Print(Text(rs.Fields().Item(v_.loopIndex).Name()));
    p_.setCurrentX(50.0f);
    p_.Print(typeName_(rs.Fields().Item(v_.loopIndex).Type()));
    p_.setCurrentX(60.0f);
    int16_t type = rs.Fields().Item(v_.loopIndex).Type();
    if (type == dao::dbMemo || type == dao::dbLongBinary)
      p_.PrintLine();  // memo and OLE fields have no size
    else
      p_.PrintLine(formats::PrintedNumber(rs.Fields().Item(v_.loopIndex).Size()));
  }
}

void TableReport::PageBreak(const dao::Recordset& rs) {
  p_.setCurrentX(160.0f);
  p_.PrintLine(QStringLiteral("< segue >"));
  p_.NewPage();
  p_.setCurrentY(15.0f);
  p_.setCurrentX(20.0f);
  p_.setFontItalic(true);
  p_.PrintLine(QStringLiteral("segue Tabella ") + Text(rs.Name()));
  p_.setFontItalic(false);
  p_.setCurrentY(p_.CurrentY() + 5.0f);
}

float TableReport::FreeFraction() const {
  float h = p_.ScaleHeight();
  float y = p_.CurrentY();
  float body = h - 30.0f;
  if (body == 0.0f) throw forms::RuntimeError(forms::kErrDivisionByZero, QStringLiteral("Divisione per zero"));
  return (h - y - 25.0f) / body;
}

bool TableReport::RoomLeft() const { return p_.ScaleHeight() - 30.0f > p_.CurrentY() + 10.0f; }

void TableReport::EndDocument() {
  p_.EndDoc();
  v_.printPending = 0;
}

QString TableReport::QuestionTitle(float fraction) {
  return QStringLiteral("Disponibile il ") + formats::Percent(fraction) + QStringLiteral(" della pagina");
}

}  // namespace report
