// A click on a query name: draw the query's dates, type code and SQL text on the main window, the
// SQL folded onto one line and cut into pieces of 60 characters. Nothing is opened or kept, and
// the window keeps its size.
#include <QString>

#include "app/Tavrek.h"
#include "app/formats.h"
#include "engine/dao.h"

namespace {

constexpr qsizetype kPieceLength = 60;

QString FromEngine(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void Tavrek::List2_Click() {
  // The query is the member of QueryDefs at the clicked entry's position, read afresh each time.
  const int position = List2.ListIndex();
  auto query = [this, position]() -> const dao::QueryDef& { return db->QueryDefs().Item(position); };

  Label1(1).setCaption(FromEngine(query().Name()));
  Label1(1).setVisible(true);
  List1.setVisible(false);
  List2.setVisible(false);
  Cls();
  setFontBold(false);

  const float L1 = Label1(1).Left();
  const float T1 = Label1(1).Top();
  const float W1 = Label1(1).Width();

  // First line, beside the query name: the creation date-time.
  setCurrentY(T1);
  setCurrentX(W1 + L1 + TextWidth(QStringLiteral("000")));
  Print(QStringLiteral("creata "));
  savedX = CurrentX();
  PrintLine(formats::DateTime(query().DateCreated()));

  // Second line: the last update, its date-time starting right below the creation date-time.
  setCurrentX(savedX - TextWidth(QStringLiteral("ult. agg.to ")));
  PrintLine(QStringLiteral("ult. agg.to ") + formats::DateTime(query().LastUpdated()));

  // Third line: the query type code, printed as a number (blank, digits, blank).
  setCurrentX(L1);
  Print(QStringLiteral("Tipo = "));
  PrintLine(formats::PrintedNumber(query().Type()));

  // Fourth line: "SQL  = ", the SQL text starting right after it.
  setCurrentX(L1);
  Print(QStringLiteral("SQL  = "));
  savedX = CurrentX();

  QString sql = FromEngine(query().SQL());

  // Fold the line breaks: each carriage return and the character after it (the line feed of a
  // CR LF pair, or whatever follows) become one blank; a carriage return at the very end is
  // dropped. A line feed on its own stays. Positions count from 1. They are kept in a 32-bit
  // integer rather than in loopIndex: a stored SQL text may be longer than 32767 characters and is
  // still drawn whole.
  qsizetype crPosition = 0;
  do {
    const qsizetype found = sql.indexOf(QChar(13), crPosition);  // searches from position crPosition + 1
    crPosition = found < 0 ? 0 : found + 1;
    if (crPosition > 0) {
      const qsizetype after = sql.size() - crPosition - 1;
      sql = sql.left(crPosition - 1) + (after >= 0 ? QStringLiteral(" ") + sql.right(after) : QString());
    }
  } while (crPosition != 0);

  // Draw it: whole on the "SQL  = " line when shorter than 60 characters, otherwise in pieces of
  // 60 (the last one holding the rest), one a line, all starting where the text starts.
  if (sql.size() < kPieceLength) {
    PrintLine(sql);
  } else {
    qsizetype pieceStart = 1;
    do {
      setCurrentX(savedX);
      PrintLine(sql.mid(pieceStart - 1, kPieceLength));
      pieceStart += kPieceLength;
    } while (pieceStart <= sql.size());
  }

  PrintLine();
}
