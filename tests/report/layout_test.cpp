// The structure report on the recording printer: exact positions in millimetres, fonts, pages and
// documents, as the user prints tables one after another.
#include <QAction>
#include <QApplication>
#include <algorithm>
#include <cmath>

#include "app/formats.h"
#include "forms/runtime_error.h"
#include "forms/screen.h"
#include "tests/report/support.h"

namespace reporttest {
namespace {

using Text = forms::RecordingPrinter::Text;

// Clienti: two indexes (one on two fields), a text, a memo, an OLE and a long field.
FakeTable Clienti() {
  return Table("Clienti", 1234567,
               {{"Codice", dao::dbLong, 4},
                {"Cognome", dao::dbText, 50},
                {"Note", dao::dbMemo, 0},
                {"Foto", dao::dbLongBinary, 0},
                {"Nome", dao::dbText, 30}},
               {{"PrimaryKey", {"Codice"}}, {"IdxNominativo", {"Cognome", "Nome"}}});
}

class LayoutTest : public ReportTest {
 protected:
  // Opens a file holding `tables` and shows the first of them.
  QString OpenWith(std::vector<FakeTable> tables, const QString& fileName = QStringLiteral("ditta.mdb")) {
    QString first = QString::fromStdString(tables.front().info.name);
    QString path = AddFile(fileName, std::move(tables));
    Open(path);
    ShowTable(first);
    return path;
  }
  // The y of the line after `y` in the body font (10 point regular).
  static float Next(float y) { return y + LineHeight(10); }
  // Where the pen stood after the last report: one line below its last field line.
  float EndOfLastReport() const { return Next(printer_->texts.back().y); }
  // The last recorded text equal to `text` (the test fails when none).
  Text FindLast(const QString& text) const {
    for (auto t = printer_->texts.rbegin(); t != printer_->texts.rend(); ++t)
      if (t->text == text) return *t;
    ADD_FAILURE() << "nothing printed reads \"" << text.toStdString() << "\"";
    return {};
  }
};

TEST_F(LayoutTest, FirstDocumentHeadsWithTheFileNameAndLaysOutEveryPart) {
  QString path = OpenWith({Clienti()});
  PrintReport(forms::vbNo);

  EXPECT_EQ(printer_->pageSetups, std::vector<int16_t>{1});
  EXPECT_EQ(printer_->scaleModes, std::vector<int>{forms::vbMillimeters});

  const float h10 = LineHeight(10);
  // The file name: at 20 mm, 15 mm from the top, 12 point bold.
  Text file = Find(path);
  EXPECT_FLOAT_EQ(file.x, 20.0f);
  EXPECT_FLOAT_EQ(file.y, 15.0f);
  EXPECT_EQ(file.size, 12);
  EXPECT_TRUE(file.bold);
  EXPECT_EQ(file.fontName, QStringLiteral("Times New Roman"));
  EXPECT_EQ(file.page, 1);

  // The heading 5 mm below the bottom of the file-name line, 11 point bold.
  const float yHeading = 15.0f + LineHeight(12, true) + 5.0f;
  Text heading = Find(QStringLiteral("Tabella:   Clienti"));
  EXPECT_FLOAT_EQ(heading.x, 20.0f);
  EXPECT_FLOAT_EQ(heading.y, yHeading);
  EXPECT_EQ(heading.size, 11);
  EXPECT_TRUE(heading.bold);

  // The summary line, 10 point regular, pieces one after another.
  const float ySummary = yHeading + LineHeight(11, true);
  const QString count = QStringLiteral("1.234.567 records   -   ");
  Text countText = Find(count);
  EXPECT_FLOAT_EQ(countText.x, 20.0f);
  EXPECT_FLOAT_EQ(countText.y, ySummary);
  EXPECT_EQ(countText.size, 10);
  EXPECT_FALSE(countText.bold);
  // Where each piece ends is the printer's own measure, which the PDF tests check on real output;
  // here only their order on the one line.
  Text created = Find(QStringLiteral("creata "));
  Text createdAt = Find(QStringLiteral("05/03/24 14:07:09"));
  Text updated = Find(QStringLiteral("   -   ult. agg.to 30/11/25 08:00:59"));
  EXPECT_GT(created.x, countText.x);
  EXPECT_GT(createdAt.x, created.x);
  EXPECT_GT(updated.x, createdAt.x);
  for (const Text& piece : {created, createdAt, updated}) EXPECT_FLOAT_EQ(piece.y, ySummary);

  // "Indici: " after an empty line; the names at 35 mm on its line and the next; the key lists
  // 5 mm right of the longer name, lower case.
  const float yIndex = ySummary + h10 + h10;
  Text indici = Find(QStringLiteral("Indici: "));
  EXPECT_FLOAT_EQ(indici.x, 20.0f);
  EXPECT_FLOAT_EQ(indici.y, yIndex);
  EXPECT_TRUE(indici.bold);
  Text pk = Find(QStringLiteral("PrimaryKey"));
  EXPECT_FLOAT_EQ(pk.x, 35.0f);
  EXPECT_FLOAT_EQ(pk.y, yIndex);
  EXPECT_FALSE(pk.bold);
  Text nominativo = Find(QStringLiteral("IdxNominativo"));
  EXPECT_FLOAT_EQ(nominativo.x, 35.0f);
  EXPECT_FLOAT_EQ(nominativo.y, Next(yIndex));
  Text keys1 = Find(QStringLiteral("chiave:   codice"));
  EXPECT_GT(keys1.x, 35.0f);
  EXPECT_FLOAT_EQ(keys1.y, yIndex);
  Text keys2 = Find(QStringLiteral("chiave:   cognome, nome"));
  EXPECT_FLOAT_EQ(keys2.x, keys1.x);
  EXPECT_FLOAT_EQ(keys2.y, Next(yIndex));

  // Field lines 5 mm below the index block: name at 25, type at 50, size at 60.
  float y = Next(Next(yIndex)) + 5.0f;
  const char* names[] = {"Codice", "Cognome", "Note", "Foto", "Nome"};
  const char* types[] = {"long", "testo", "memo", "OLE", "testo"};
  for (int i = 0; i < 5; ++i, y = Next(y)) {
    Text name = Find(QString::fromLatin1(names[i]));
    EXPECT_FLOAT_EQ(name.x, 25.0f) << names[i];
    EXPECT_FLOAT_EQ(name.y, y) << names[i];
    std::vector<Text> line;
    for (const Text& t : printer_->texts)
      if (t.y == y) line.push_back(t);
    ASSERT_GE(line.size(), 2u) << names[i];
    EXPECT_EQ(line[1].text, QString::fromLatin1(types[i]));
    EXPECT_FLOAT_EQ(line[1].x, 50.0f);
    if (i == 2 || i == 3) {
      EXPECT_EQ(line.size(), 2u) << "memo and OLE fields print no size";
    } else {
      ASSERT_EQ(line.size(), 3u) << names[i];
      EXPECT_FLOAT_EQ(line[2].x, 60.0f);
    }
  }
  EXPECT_EQ(Find(QStringLiteral(" 50 ")).x, 60.0f);
  EXPECT_EQ(Find(QStringLiteral(" 4 ")).x, 60.0f);
  EXPECT_FLOAT_EQ(printer_->CurrentY(), y);

  // The question: the free part of the page body, rounded to a whole percentage.
  const float H = 297.0f;
  const float fraction = (H - y - 25.0f) / (H - 30.0f);
  ASSERT_EQ(user_->msgBoxCalls.size(), 1u);
  EXPECT_EQ(user_->msgBoxCalls[0].text, QStringLiteral("vuoi chiudere la pagina?"));
  EXPECT_EQ(user_->msgBoxCalls[0].buttons, forms::vbYesNo);
  EXPECT_EQ(user_->msgBoxCalls[0].title,
            QStringLiteral("Disponibile il %1% della pagina").arg(std::lround(fraction * 100.0f)));
  // "No": the document stays open.
  EXPECT_EQ(w().pageAnswer, forms::vbNo);
  EXPECT_EQ(w().printPending, 1);
  EXPECT_EQ(printer_->endDocs, 0);
  EXPECT_EQ(printer_->newPages, 0);
  EXPECT_EQ(forms::TheScreen().MousePointer(), 0);
  EXPECT_FALSE(printer_->FontItalic());
}

TEST_F(LayoutTest, SecondTableContinuesEightMillimetresBelowOnTheSamePage) {
  OpenWith({Clienti(), Table("Ordini", 12, {{"Numero", dao::dbLong, 4}})});
  PrintReport(forms::vbNo);
  const float yEnd = printer_->CurrentY();
  const QString firstTitle = user_->msgBoxCalls.at(0).title;

  ShowTable(QStringLiteral("Ordini"));
  PrintReport(forms::vbYes);
  const float y = EndOfLastReport();

  Text heading = Find(QStringLiteral("Tabella:   Ordini"));
  EXPECT_FLOAT_EQ(heading.x, 20.0f);
  EXPECT_FLOAT_EQ(heading.y, yEnd + 8.0f);
  EXPECT_EQ(heading.page, 1);
  EXPECT_EQ(heading.document, 1);
  EXPECT_EQ(printer_->pageSetups.size(), 1u) << "the document is not begun again";
  int fileLines = 0;
  for (const Text& t : printer_->texts) fileLines += t.size == 12 ? 1 : 0;
  EXPECT_EQ(fileLines, 1) << "no second file-name line";

  // Less of the page is free now.
  ASSERT_EQ(user_->msgBoxCalls.size(), 2u);
  const float fraction = (297.0f - y - 25.0f) / 267.0f;
  EXPECT_EQ(user_->msgBoxCalls[1].title,
            QStringLiteral("Disponibile il %1% della pagina").arg(std::lround(fraction * 100.0f)));
  EXPECT_NE(user_->msgBoxCalls[1].title, firstTitle);

  // "Yes" ended the document; the next report begins a new one with its file-name line.
  EXPECT_EQ(printer_->endDocs, 1);
  EXPECT_EQ(w().printPending, 0);
  PrintReport(forms::vbYes);
  std::vector<Text> second = printer_->Document(2);
  ASSERT_FALSE(second.empty());
  EXPECT_EQ(second.front().size, 12);
  EXPECT_FLOAT_EQ(second.front().y, 15.0f);
  EXPECT_EQ(second[1].text, QStringLiteral("Tabella:   Ordini"));
  EXPECT_EQ(printer_->pageSetups.size(), 2u);
}

TEST_F(LayoutTest, TableWithoutIndexesPrintsNessunoBesideTheHeading) {
  OpenWith({Table("Vuota", 0, {{"Testo", dao::dbText, 255}})});
  PrintReport();
  Text indici = Find(QStringLiteral("Indici: "));
  Text none = Find(QStringLiteral("nessuno"));
  EXPECT_FLOAT_EQ(none.x, 35.0f);
  EXPECT_FLOAT_EQ(none.y, indici.y);
  EXPECT_FALSE(none.bold);
  // One line for "nessuno", the 5 mm gap, then the field.
  EXPECT_FLOAT_EQ(Find(QStringLiteral("Testo")).y, Next(indici.y) + 5.0f);
  EXPECT_EQ(Count(QStringLiteral("chiave:   ")), 0);
  // The empty table's count is the single digit 0.
  EXPECT_EQ(Find(QStringLiteral("0 records   -   ")).x, 20.0f);
}

TEST_F(LayoutTest, KeyListsAlignAfterTheLongestIndexName) {
  // A second table with short index names only: its key lists start further left, so the column
  // follows each table's own longest name.
  OpenWith({Table("Anagrafe", 3, {{"ID", dao::dbLong, 4}, {"Cognome", dao::dbText, 40}},
                  {{"PK", {"ID"}},
                   {"IndiceMoltoLungoPerCognome", {"Cognome", "ID"}},
                   {"Ix", {"Cognome"}},
                   {"Senza", {}}}),
            Table("Breve", 1, {{"Codice", dao::dbLong, 4}}, {{"K", {"Codice"}}})});
  PrintReport();
  ShowTable(QStringLiteral("Breve"));
  PrintReport();
  const float keyX = Find(QStringLiteral("chiave:   id")).x;
  const float shortKeyX = Find(QStringLiteral("chiave:   codice")).x;
  EXPECT_GT(shortKeyX, 35.0f);
  EXPECT_GT(keyX, shortKeyX);
  const Text indici = Find(QStringLiteral("Indici: "));
  const QString lists[] = {QStringLiteral("chiave:   id"), QStringLiteral("chiave:   cognome, id"),
                           QStringLiteral("chiave:   cognome"), QStringLiteral("chiave:   ")};
  const QString names[] = {QStringLiteral("PK"), QStringLiteral("IndiceMoltoLungoPerCognome"),
                           QStringLiteral("Ix"), QStringLiteral("Senza")};
  float y = indici.y;
  for (int i = 0; i < 4; ++i, y = Next(y)) {
    Text keys = Find(lists[i]);
    EXPECT_FLOAT_EQ(keys.x, keyX) << i;
    EXPECT_FLOAT_EQ(keys.y, y) << i;
    EXPECT_FLOAT_EQ(Find(names[i]).y, y) << i;
  }
  // The window keeps where the last table's key lists began.
  float lastIndiciY = 0;
  for (const Text& t : printer_->texts)
    if (t.text == QStringLiteral("Indici: ")) lastIndiciY = t.y;
  EXPECT_EQ(w().savedX, shortKeyX - 5.0f);
  EXPECT_EQ(w().savedY, lastIndiciY);
}

TEST_F(LayoutTest, TypeCodesWithoutANameShowTheirNumber) {
  OpenWith({Table("Tipi", 1,
                  {{"A", 0, 0}, {"B", 9, 16}, {"C", 13, 0}, {"D", 14, 0}, {"E", 15, 16}, {"F", 20, 0},
                   {"G", dao::dbBoolean, 1}})});
  PrintReport();
  for (QString name : {QStringLiteral("??? 0"), QStringLiteral("??? 9"), QStringLiteral("??? 13"),
                       QStringLiteral("??? 14"), QStringLiteral("??? 15"), QStringLiteral("??? 20"),
                       QStringLiteral("logico")})
    EXPECT_FLOAT_EQ(Find(name).x, 50.0f) << name.toStdString();
}

// Prints `fields` fields once on a very tall page and returns the y of each field line.
std::vector<float> FieldLineYs(const std::vector<Text>& texts, int fields) {
  std::vector<float> ys;
  for (int i = 1; i <= fields; ++i)
    for (const Text& t : texts)
      if (t.text == QStringLiteral("F%1").arg(i)) ys.push_back(t.y);
  return ys;
}

// The page height H for which H - 15 equals `y` exactly in single precision.
float HeightWithLimitAt(float y) {
  float h = y + 15.0f;
  while (h - 15.0f > y) h = std::nextafter(h, 0.0f);
  while (h - 15.0f < y) h = std::nextafter(h, 1e9f);
  return h;
}

TEST_F(LayoutTest, FieldLineExactlyAtTheLimitStaysOnThePage) {
  OpenWith({Table("Lunga", 40, ManyFields(30))});
  NewPrinter(1000.0f);
  PrintReport(forms::vbYes);
  std::vector<float> ys = FieldLineYs(printer_->texts, 30);
  ASSERT_EQ(ys.size(), 30u);

  // H - 15 equals the y of field 20: it is still printed on the first page...
  const float h = HeightWithLimitAt(ys[19]);
  ASSERT_EQ(h - 15.0f, ys[19]);
  NewPrinter(h);
  PrintReport(forms::vbYes);
  EXPECT_EQ(Find(QStringLiteral("F20")).page, 1);
  EXPECT_FLOAT_EQ(Find(QStringLiteral("F20")).y, ys[19]);
  // ...and the break comes before field 21, whose y is past the limit.
  const Text mark = Find(QStringLiteral("< segue >"));
  EXPECT_FLOAT_EQ(mark.x, 160.0f);
  EXPECT_FLOAT_EQ(mark.y, ys[20]);
  EXPECT_EQ(mark.page, 1);
  EXPECT_EQ(mark.size, 10);
  EXPECT_FALSE(mark.italic);
  EXPECT_EQ(printer_->newPages, 1);
  const Text cont = Find(QStringLiteral("segue Tabella Lunga"));
  EXPECT_EQ(cont.page, 2);
  EXPECT_FLOAT_EQ(cont.x, 20.0f);
  EXPECT_FLOAT_EQ(cont.y, 15.0f);
  EXPECT_TRUE(cont.italic);
  EXPECT_FALSE(cont.bold);
  EXPECT_EQ(cont.size, 10);
  const Text f21 = Find(QStringLiteral("F21"));
  EXPECT_EQ(f21.page, 2);
  EXPECT_FLOAT_EQ(f21.y, 15.0f + LineHeight(10, false, true) + 5.0f);
  EXPECT_FALSE(f21.italic);
  EXPECT_FLOAT_EQ(Find(QStringLiteral("F22")).y, Next(f21.y));
}

TEST_F(LayoutTest, FieldLineJustPastTheLimitGoesToANewPage) {
  OpenWith({Table("Lunga", 40, ManyFields(30))});
  NewPrinter(1000.0f);
  PrintReport(forms::vbYes);
  std::vector<float> ys = FieldLineYs(printer_->texts, 30);
  ASSERT_EQ(ys.size(), 30u);

  // One step lower limit: field 20 now starts past it.
  const float h = std::nextafter(HeightWithLimitAt(ys[19]), 0.0f);
  ASSERT_GT(ys[19], h - 15.0f);
  NewPrinter(h);
  PrintReport(forms::vbYes);
  EXPECT_EQ(Find(QStringLiteral("F19")).page, 1);
  EXPECT_EQ(Find(QStringLiteral("F20")).page, 2);
  EXPECT_FLOAT_EQ(Find(QStringLiteral("< segue >")).y, ys[19]);
  EXPECT_EQ(printer_->newPages, 1);
}

TEST_F(LayoutTest, IndexBlockNearTheBottomBreaksBeforeTheFirstIndexLinePastTheLimit) {
  std::vector<dao::IndexInfo> indexes;
  for (int i = 1; i <= 6; ++i) indexes.push_back({testsupport::Numbered("Ix", i), {"F1", "F2"}});
  OpenWith({Table("Prima", 1, ManyFields(3)), Table("Seconda", 2, ManyFields(4), indexes)});
  // A dry run on a tall page tells where the first report ends.
  NewPrinter(1000.0f);
  PrintReport(forms::vbYes);
  const float yEnd = EndOfLastReport();

  // On a page 45 mm taller than that, the question comes (the pen is above H - 40) and the second
  // table's index block would run past H - 15.
  const float h = yEnd + 45.0f;
  NewPrinter(h);
  PrintReport(forms::vbNo);
  ASSERT_EQ(w().printPending, 1);
  ShowTable(QStringLiteral("Seconda"));
  PrintReport(forms::vbYes);

  // Heading, summary and the "Indici: " line stay where the pen stood.
  const Text heading = Find(QStringLiteral("Tabella:   Seconda"));
  EXPECT_EQ(heading.page, 1);
  EXPECT_FLOAT_EQ(heading.y, yEnd + 8.0f);
  EXPECT_EQ(FindLast(QStringLiteral("Indici: ")).page, 1);
  EXPECT_EQ(Find(QStringLiteral("Ix1")).page, 1);
  EXPECT_FLOAT_EQ(Find(QStringLiteral("Ix1")).y, FindLast(QStringLiteral("Indici: ")).y);

  // Every index line starts at or above the limit; the first one that would not goes over.
  int firstOver = 0;
  for (int i = 1; i <= 6; ++i) {
    const Text ix = Find(QStringLiteral("Ix%1").arg(i));
    SCOPED_TRACE(ix.text.toStdString());
    EXPECT_LE(ix.y, h - 15.0f);
    if (ix.page == 2 && firstOver == 0) firstOver = i;
    // Its key list stands on its own line and page.
    const auto line = std::find_if(printer_->texts.begin(), printer_->texts.end(), [&](const Text& t) {
      return t.text == QStringLiteral("chiave:   f1, f2") && t.page == ix.page && t.y == ix.y;
    });
    EXPECT_NE(line, printer_->texts.end());
  }
  ASSERT_GT(firstOver, 1) << "the block must reach the second page for this case";
  const Text lastOnPage1 = Find(QStringLiteral("Ix%1").arg(firstOver - 1));
  const Text mark = Find(QStringLiteral("< segue >"));
  EXPECT_EQ(mark.page, 1);
  EXPECT_FLOAT_EQ(mark.x, 160.0f);
  EXPECT_FLOAT_EQ(mark.y, Next(lastOnPage1.y));
  EXPECT_GT(mark.y, h - 15.0f);
  const Text cont = Find(QStringLiteral("segue Tabella Seconda"));
  EXPECT_EQ(cont.page, 2);
  EXPECT_FLOAT_EQ(cont.y, 15.0f);
  EXPECT_TRUE(cont.italic);
  const Text next = Find(QStringLiteral("Ix%1").arg(firstOver));
  EXPECT_FLOAT_EQ(next.y, 15.0f + LineHeight(10, false, true) + 5.0f);
  EXPECT_FLOAT_EQ(next.x, 35.0f);
  // The fields follow the index block on the second page, 5 mm below it; one page break only.
  EXPECT_EQ(printer_->newPages, 1);
  const Text lastIndex = Find(QStringLiteral("Ix6"));
  const auto f1 = std::find_if(printer_->texts.begin(), printer_->texts.end(),
                               [](const Text& t) { return t.text == QStringLiteral("F1") && t.page == 2; });
  ASSERT_NE(f1, printer_->texts.end());
  EXPECT_FLOAT_EQ(f1->y, Next(lastIndex.y) + 5.0f);
}

// 45 indexes beginning halfway down an A4 page: the lines that used to land below the sheet go on
// the next page, and no line of the report starts below the limit.
TEST_F(LayoutTest, ManyIndexesFromHalfwayDownPutNoLineBelowThePage) {
  std::vector<dao::IndexInfo> indexes;
  for (int i = 1; i <= 45; ++i) indexes.push_back({testsupport::Numbered("Indice", i), {"F1"}});
  // Enough lines of a first table to bring the second one's index block to about 130 mm.
  OpenWith({Table("Prima", 1, ManyFields(17)), Table("Seconda", 2, ManyFields(5), indexes)});
  PrintReport(forms::vbNo);
  ShowTable(QStringLiteral("Seconda"));
  PrintReport(forms::vbYes);
  const float indici = FindLast(QStringLiteral("Indici: ")).y;
  ASSERT_GT(indici, 110.0f);
  ASSERT_LT(indici, 150.0f);

  const float limit = 297.0f - 15.0f;
  for (const Text& t : printer_->texts) {
    if (t.text == QStringLiteral("< segue >")) continue;  // marks the break itself, below the limit
    EXPECT_LE(t.y, limit) << t.text.toStdString() << " on page " << t.page;
  }
  EXPECT_EQ(Count(QStringLiteral("< segue >")), 1);
  EXPECT_LT(Find(QStringLiteral("< segue >")).y + LineHeight(10), 297.0f);
  EXPECT_EQ(Count(QStringLiteral("chiave:   f1")), 45);
  for (int i = 1; i <= 45; ++i) EXPECT_EQ(Count(QStringLiteral("Indice%1").arg(i)), 1) << i;
  EXPECT_EQ(Find(QStringLiteral("Indice45")).page, 2);
  EXPECT_EQ(FindLast(QStringLiteral("F5")).page, 2);
}

TEST_F(LayoutTest, PageWithoutRoomEndsTheDocumentWithoutAsking) {
  OpenWith({Table("Prima", 1, ManyFields(3))});
  NewPrinter(1000.0f);
  PrintReport(forms::vbYes);
  const float yEnd = EndOfLastReport();

  // H - 30 = Y + 10 exactly: no room, no question.
  float h = yEnd + 40.0f;
  while (h - 30.0f > yEnd + 10.0f) h = std::nextafter(h, 0.0f);
  while (h - 30.0f < yEnd + 10.0f) h = std::nextafter(h, 1e9f);
  ASSERT_EQ(h - 30.0f, yEnd + 10.0f);
  NewPrinter(h);
  user_->msgBoxCalls.clear();
  PrintReport(forms::vbNo);
  EXPECT_TRUE(user_->msgBoxCalls.empty());
  EXPECT_EQ(printer_->endDocs, 1);
  EXPECT_EQ(w().printPending, 0);
  // The next report begins a new document.
  PrintReport(forms::vbNo);
  EXPECT_EQ(printer_->pageSetups.size(), 2u);
  EXPECT_EQ(printer_->Document(2).front().size, 12);

  // One step more page: the question comes, and "No" keeps the document open.
  NewPrinter(std::nextafter(h, 1e9f));
  user_->msgBoxCalls.clear();
  PrintReport(forms::vbNo);
  EXPECT_EQ(user_->msgBoxCalls.size(), 1u);
  EXPECT_EQ(printer_->endDocs, 0);
  EXPECT_EQ(w().printPending, 1);
}

TEST_F(LayoutTest, QuestionTitleShowsTheFreePartOfThePageBody) {
  OpenWith({Table("Prima", 1, ManyFields(3))});
  NewPrinter(1000.0f);
  PrintReport(forms::vbYes);
  const float yEnd = EndOfLastReport();
  // With H = 2Y + 20 the part below the pen, less 10 mm, is half the body (H - 30).
  NewPrinter(2.0f * yEnd + 20.0f);
  user_->msgBoxCalls.clear();
  PrintReport(forms::vbYes);
  ASSERT_EQ(user_->msgBoxCalls.size(), 1u);
  EXPECT_EQ(user_->msgBoxCalls[0].title, QStringLiteral("Disponibile il 50% della pagina"));
  EXPECT_EQ(formats::Percent(0.125f), QStringLiteral("13%"));
  EXPECT_EQ(formats::Percent(0.004f), QStringLiteral("0%"));
}

// A table that cannot be opened as a table (a linked one) leaves nothing to print: the command is
// disabled, so nothing is begun on the printer, and the next report begins its document at the
// top of the page.
TEST_F(LayoutTest, AFailedTableOpenLeavesNothingToPrintAndTheNextReportStartsAtTheTop) {
  FakeTable linked = Table("Collegata", 0, {});
  linked.info.linked = true;
  const QString path = OpenWith({Clienti(), linked});
  ShowTable(QStringLiteral("Collegata"));
  ASSERT_EQ(user_->msgBoxCalls.size(), 1u);
  ASSERT_TRUE(user_->msgBoxCalls[0].text.startsWith(QStringLiteral("Errore 3219")));

  w().Stampa.Action()->trigger();  // as the menu would deliver it
  EXPECT_TRUE(printer_->texts.empty());
  EXPECT_TRUE(printer_->pageSetups.empty());
  EXPECT_EQ(w().printPending, 0);
  EXPECT_EQ(user_->msgBoxCalls.size(), 1u);

  ShowTable(QStringLiteral("Clienti"));
  PrintReport(forms::vbNo);
  EXPECT_EQ(Find(path).y, 15.0f);
  EXPECT_FLOAT_EQ(Find(QStringLiteral("Tabella:   Clienti")).y, 15.0f + LineHeight(12, true) + 5.0f);
}

TEST_F(LayoutTest, OpeningADatabaseEndsThePendingDocumentBeforeTheDialog) {
  QString first = OpenWith({Clienti()});
  PrintReport(forms::vbNo);
  ASSERT_EQ(w().printPending, 1);

  // The dialog is cancelled: the document has been ended all the same, before it was shown.
  struct Watch : forms::ScriptedInteraction {
    forms::RecordingPrinter* printer = nullptr;
    int endDocsAtDialog = -1;
    std::optional<QString> ShowOpen(const forms::OpenFileRequest& r) override {
      endDocsAtDialog = printer->endDocs;
      return ScriptedInteraction::ShowOpen(r);
    }
  };
  auto watch = std::make_shared<Watch>();
  watch->printer = printer_.get();
  watch->openAnswers.push_back(std::nullopt);
  forms::SetInteraction(watch);
  w().Apri.DoClick();
  EXPECT_EQ(watch->endDocsAtDialog, 1);
  EXPECT_EQ(printer_->endDocs, 1);
  EXPECT_EQ(w().printPending, 0);
  EXPECT_FALSE(printer_->DocumentOpen());
  forms::SetInteraction(user_);

  // The next report begins a new document headed by the file opened then.
  QString second = AddFile(QStringLiteral("magazzino.mdb"), {Table("Articoli", 5, ManyFields(2))});
  Open(second);
  ShowTable(QStringLiteral("Articoli"));
  PrintReport(forms::vbNo);
  std::vector<Text> doc2 = printer_->Document(2);
  ASSERT_FALSE(doc2.empty());
  EXPECT_EQ(doc2.front().text, second);
  EXPECT_NE(second, first);
}

TEST_F(LayoutTest, PrinterMissingReportsError482AndChangesNothing) {
  OpenWith({Clienti()});
  printer_->FailNext(QStringLiteral("Nessuna stampante installata."));
  user_->msgBoxCalls.clear();
  PrintReport(forms::vbNo);
  ASSERT_EQ(user_->msgBoxCalls.size(), 1u);
  EXPECT_TRUE(user_->msgBoxCalls[0].text.startsWith(QStringLiteral("Errore 482\r")));
  EXPECT_TRUE(user_->msgBoxCalls[0].text.contains(QStringLiteral("Nessuna stampante installata.")));
  EXPECT_EQ(w().printPending, 0);
  EXPECT_TRUE(printer_->texts.empty());
  EXPECT_EQ(forms::TheScreen().MousePointer(), 0);

  // With the printer back, the report prints as usual.
  PrintReport(forms::vbNo);
  EXPECT_EQ(Find(QStringLiteral("Tabella:   Clienti")).document, 1);
}

TEST_F(LayoutTest, PrinterErrorMidReportStopsThereAndKeepsTheDocumentPending) {
  OpenWith({Table("Lunga", 40, ManyFields(30))});
  // Fails at the page break: nothing after it is printed, and no question is asked.
  struct FailAtBreak : forms::RecordingPrinter {
    using RecordingPrinter::RecordingPrinter;
    void NewPage() override { throw forms::RuntimeError(forms::kErrPrinter, QStringLiteral("Carta esaurita.")); }
  };
  auto failing = std::make_shared<FailAtBreak>(210.0f, 100.0f);
  forms::SetPrinter(failing);
  user_->msgBoxCalls.clear();
  PrintReport(forms::vbNo);
  ASSERT_EQ(user_->msgBoxCalls.size(), 1u);
  EXPECT_EQ(user_->msgBoxCalls[0].text, QStringLiteral("Errore 482\rCarta esaurita."));
  EXPECT_EQ(w().printPending, 1);
  EXPECT_NE(failing->Find(QStringLiteral("< segue >")), nullptr);
  EXPECT_EQ(failing->Find(QStringLiteral("segue Tabella Lunga")), nullptr);
  EXPECT_EQ(forms::TheScreen().MousePointer(), 0);
}

TEST_F(LayoutTest, QuittingWithADocumentOpenEndsIt) {
  OpenWith({Clienti()});
  PrintReport(forms::vbNo);
  ASSERT_TRUE(printer_->DocumentOpen());
  QMetaObject::invokeMethod(qApp, [] { qApp->quit(); }, Qt::QueuedConnection);
  qApp->exec();
  EXPECT_EQ(printer_->endDocs, 1);
  EXPECT_FALSE(printer_->DocumentOpen());

  // Without an open document quitting ends nothing.
  QMetaObject::invokeMethod(qApp, [] { qApp->quit(); }, Qt::QueuedConnection);
  qApp->exec();
  EXPECT_EQ(printer_->endDocs, 1);
}

}  // namespace
}  // namespace reporttest
