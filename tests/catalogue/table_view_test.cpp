// The table view: positions of every piece, the columns of field rows and the window fit.
#include <QScrollArea>
#include <QWidget>
#include <cmath>
#include <set>

#include "forms/screen.h"
#include "tests/catalogue/support.h"

namespace cattest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<dao::FieldInfo> ManyFields(int n) {
  std::vector<dao::FieldInfo> fields;
  for (int i = 0; i < n; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "Campo%03d", i + 1);
    fields.push_back({name, dao::dbText, 10 + i});
  }
  return fields;
}

class TableViewTest : public CatalogueTest {
 protected:
  // Opens a fake database holding `tables` and shows the one named `show`.
  void OpenAndShow(std::vector<FakeTable> tables, const QString& show) {
    FakeFile file;
    file.tables = std::move(tables);
    Open(AddFile("tabelle.mdb", file));
    ShowTable(show);
  }
  float L1() { return w().Label1(1).Left(); }
  float T1() { return w().Label1(1).Top(); }
  float W1() { return w().Label1(1).Width(); }
  float L2() { return w().Label1(2).Left(); }
  float L3() { return w().Label1(3).Left(); }
  float W3() { return w().Label1(3).Width(); }
  float LineHeight() { return w().TextHeight("0"); }
  float BoldWidth(const QString& text) {
    const bool was = w().FontBold();
    w().setFontBold(true);
    const float width = w().TextWidth(text);
    w().setFontBold(was);
    return width;
  }
  // The X where index names start: after the bold "Indici" and two digit widths.
  float IndexColumn() { return L1() + BoldWidth("Indici") + w().TextWidth("00"); }
  // The lowest Y at which a field row may start.
  float Limit() {
    return forms::TheScreen().Height() - 2 * w().TextHeight("0") - (w().Height() - w().ScaleHeight());
  }
  // The names of the field rows drawn, by text prefix.
  std::vector<forms::DrawnText> Rows(const QString& prefix) {
    std::vector<forms::DrawnText> rows;
    for (const auto& d : Texts())
      if (d.text.startsWith(prefix)) rows.push_back(d);
    return rows;
  }
};

TEST_F(TableViewTest, DrawsCountDatesIndexesAndFieldRowsOnTheAnchors) {
  LoadWindow();
  const std::vector<dao::FieldInfo> fields = {
      {"Cognome", dao::dbText, 50}, {"Nome", dao::dbText, 30},   {"Id", dao::dbLong, 4},
      {"Note", dao::dbMemo, 0},     {"Foto", dao::dbLongBinary, 0}, {"Strano0", 0, 1},
      {"Binario", dao::dbBinary, 8}, {"Strano13", 13, 2},          {"Strano14", 14, 3},
      {"Guid", dao::dbGUID, 16},    {"Grande", dao::dbBigInt, 8}};
  const std::vector<dao::IndexInfo> indexes = {
      {"PrimaryKey", {"Id"}}, {"NomeCompleto", {"Cognome", "Nome"}}, {"SenzaChiavi", {}}};
  OpenAndShow({Table("Anagrafica", 1234567, fields, indexes)}, "Anagrafica");

  EXPECT_THAT(user_->msgBoxCalls, IsEmpty());
  EXPECT_EQ(w().Label1(1).Caption(), "Anagrafica");
  EXPECT_TRUE(w().Label1(1).Visible());
  EXPECT_FALSE(w().List1.Visible());
  EXPECT_FALSE(w().List2.Visible());
  EXPECT_TRUE(w().Stampa.Enabled());
  EXPECT_EQ(w().rsOpen, 1);
  EXPECT_FALSE(w().FontBold());
  EXPECT_EQ(forms::TheScreen().MousePointer(), 0);
  EXPECT_THAT(engine_->pointerWhileLoading, ElementsAre(11));

  const float line = LineHeight();

  // First line: count with the Italian group separator, then the creation date-time.
  const auto count = Find("1.234.567 records   -   ");
  EXPECT_FLOAT_EQ(count.x, L1() + W1() + w().TextWidth("000"));
  EXPECT_FLOAT_EQ(count.y, T1());
  EXPECT_FALSE(count.bold);
  const auto creato = Find("creato ");
  EXPECT_FLOAT_EQ(creato.x, count.x + w().TextWidth(count.text));
  EXPECT_FLOAT_EQ(creato.y, T1());
  const auto created = Find("05/03/21 14:07:09");
  EXPECT_FLOAT_EQ(created.x, creato.x + w().TextWidth("creato "));
  EXPECT_FLOAT_EQ(created.y, T1());

  // Second line: the last-update date-time starts where the creation date-time starts.
  const auto updated = Find("ult. agg.to 28/11/23 09:30:00");
  EXPECT_FLOAT_EQ(updated.x + w().TextWidth("ult. agg.to "), created.x);
  EXPECT_FLOAT_EQ(updated.y, T1() + line);

  // Indexes: the first on the "Indici" line, key fields in lower case; no keys, name alone.
  const auto indici = Find("Indici");
  EXPECT_TRUE(indici.bold);
  EXPECT_FLOAT_EQ(indici.x, L1());
  EXPECT_FLOAT_EQ(indici.y, T1() + 2 * line);
  const float column = IndexColumn();
  const float y0 = indici.y;
  auto first = Line(y0);
  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(first[1].text, "PrimaryKey");
  EXPECT_FLOAT_EQ(first[1].x, column);
  EXPECT_FALSE(first[1].bold);
  EXPECT_EQ(first[2].text, "      ");
  EXPECT_EQ(first[3].text, "id");
  EXPECT_FLOAT_EQ(first[3].x, column + w().TextWidth("PrimaryKey") + w().TextWidth("      "));
  auto second = Line(y0 + line);
  ASSERT_EQ(second.size(), 3u);
  EXPECT_EQ(second[0].text, "NomeCompleto");
  EXPECT_FLOAT_EQ(second[0].x, column);
  EXPECT_EQ(second[2].text, "cognome, nome");
  auto third = Line(y0 + 2 * line);
  ASSERT_GE(third.size(), 1u);
  EXPECT_EQ(third[0].text, "SenzaChiavi");
  for (size_t i = 1; i < third.size(); ++i) EXPECT_TRUE(third[i].text.trimmed().isEmpty());

  // A blank line, then one row per field: name at L1, type name at L2, size ending at L3 + W3.
  const float savedY = y0 + 4 * line;
  const char* typeTexts[] = {"testo", "testo", "long", "memo", "OLE", "??? 0",
                             "??? 9", "??? 13", "??? 14", "??? 15", "??? 16"};
  const char* sizes[] = {"50", "30", "4", nullptr, nullptr, "1", "8", "2", "3", "16", "8"};
  for (size_t i = 0; i < fields.size(); ++i) {
    SCOPED_TRACE(fields[i].name);
    const auto row = Line(savedY + static_cast<float>(i) * line);
    ASSERT_EQ(row.size(), sizes[i] ? 3u : 2u);
    EXPECT_EQ(row[0].text.toStdString(), fields[i].name);
    EXPECT_FLOAT_EQ(row[0].x, L1());
    EXPECT_EQ(row[1].text, typeTexts[i]);
    EXPECT_FLOAT_EQ(row[1].x, L2());
    if (sizes[i]) {
      EXPECT_EQ(row[2].text, sizes[i]);
      EXPECT_NEAR(row[2].x + w().TextWidth(row[2].text), L3() + W3(), 0.01);
    }
  }

  // The window ends two lines below the last row (shorter than designed), design width.
  const float end = savedY + static_cast<float>(fields.size()) * line;
  EXPECT_NEAR(w().ScaleHeight(), end + 2 * line, 15.0f);
  EXPECT_LT(w().Height(), w().designHeight);
  EXPECT_NEAR(w().Width(), w().designWidth, 15.0f);
}

TEST_F(TableViewTest, EmptyTableWithoutIndexesShowsZeroAndNessuno) {
  LoadWindow();
  OpenAndShow({Table("Vuota", 0, {{"Id", dao::dbLong, 4}})}, "Vuota");
  const auto count = Find("0 records   -   ");
  EXPECT_FLOAT_EQ(count.y, T1());
  const auto indici = Find("Indici");
  auto line = Line(indici.y);
  ASSERT_EQ(line.size(), 2u);
  EXPECT_EQ(line[1].text, "nessuno");
  EXPECT_FLOAT_EQ(line[1].x, IndexColumn());
  EXPECT_FLOAT_EQ(Find("Id").y, indici.y + 2 * LineHeight());
}

TEST_F(TableViewTest, SecondColumnStartsWhenARowWouldPassTheScreenLimit) {
  LoadWindow(1280, 1024);
  OpenAndShow({Table("Larga", 5, ManyFields(80), {{"PrimaryKey", {"Campo001"}}})}, "Larga");
  const float offset = 3 * W3() + L3() - L1();
  const float limit = Limit();
  const float line = LineHeight();
  const auto rows = Rows("Campo");
  ASSERT_EQ(rows.size(), 80u);
  const float savedY = rows[0].y;

  // Column 1 down to the limit, the rest from the top of column 2; nothing below the limit.
  size_t firstOfSecond = 0;
  while (firstOfSecond < rows.size() && rows[firstOfSecond].x == rows[0].x) ++firstOfSecond;
  ASSERT_GT(firstOfSecond, 1u);
  ASSERT_LT(firstOfSecond, rows.size());
  EXPECT_GT(rows[firstOfSecond - 1].y + line, limit) << "column 1 was left with room";
  EXPECT_FLOAT_EQ(rows[firstOfSecond].y, savedY);
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].text.toStdString());
    EXPECT_LE(rows[i].y, limit);
    const float x = i < firstOfSecond ? L1() : L1() + offset;
    EXPECT_FLOAT_EQ(rows[i].x, x);
    const float y = savedY + static_cast<float>(i < firstOfSecond ? i : i - firstOfSecond) * line;
    EXPECT_NEAR(rows[i].y, y, 0.05);
  }
  // Type names and sizes of the second column move with it.
  std::vector<forms::DrawnText> last;
  for (const auto& d : Line(rows.back().y))
    if (d.x >= rows.back().x) last.push_back(d);
  ASSERT_EQ(last.size(), 3u);
  EXPECT_FLOAT_EQ(last[1].x, L2() + offset);
  EXPECT_NEAR(last[2].x + w().TextWidth(last[2].text), L3() + W3() + offset, 0.01);

  // As tall as the screen, as wide as the second column's sizes plus one marker width.
  EXPECT_NEAR(w().Height(), forms::TheScreen().Height(), 15.0f);
  EXPECT_NEAR(w().Width(), L3() + offset + 2 * W3(), 15.0f);
}

TEST_F(TableViewTest, FurtherColumnsGoOnToTheRightWithoutDrawingOverEarlierRows) {
  LoadWindow(1280, 1024);
  OpenAndShow({Table("Enorme", 5, ManyFields(300))}, "Enorme");
  const float offset = 3 * W3() + L3() - L1();
  const auto rows = Rows("Campo");
  ASSERT_EQ(rows.size(), 300u);

  std::set<std::pair<int, int>> places;
  std::set<int> columns;
  for (const auto& r : rows) {
    EXPECT_TRUE(places.insert({qRound(r.x), qRound(r.y)}).second) << "two rows at one place: " << r.text.toStdString();
    const float k = (r.x - L1()) / offset;
    EXPECT_NEAR(k, std::round(k), 1e-4) << r.text.toStdString();
    columns.insert(static_cast<int>(std::lround(k)));
    EXPECT_LE(r.y, Limit());
  }
  ASSERT_GE(columns.size(), 3u);
  // Columns follow one another: 0, 1, 2, ... each starting at the top of the field rows.
  EXPECT_EQ(*columns.rbegin(), static_cast<int>(columns.size()) - 1);
  // The columns reach past the screen: the window stops at the screen's right edge, and the
  // surface keeps every column, reached with the horizontal scroll bar.
  const float lastOffset = static_cast<float>(*columns.rbegin()) * offset;
  const float screenW = forms::TheScreen().Width();
  ASSERT_GT(L3() + lastOffset + 2 * W3(), screenW);
  EXPECT_NEAR(w().Left() + w().Width(), screenW, 15.0f);
  EXPECT_NEAR(w().Height(), forms::TheScreen().Height() - w().Top(), 15.0f);
  const float tpp = forms::TheScreen().TwipsPerPixelX();
  EXPECT_GE(static_cast<float>(w().DrawingExtent().width()) * tpp, L3() + lastOffset + W3() - tpp);
}

TEST_F(TableViewTest, FieldRowsBeginningBelowTheLimitStayInOneColumnOnAScreenTallWindow) {
  LoadWindow();
  std::vector<dao::IndexInfo> indexes;
  for (int i = 0; i < 45; ++i) indexes.push_back({testsupport::Numbered("Indice", i), {"Campo001"}});
  OpenAndShow({Table("Indicizzata", 5, ManyFields(6), indexes)}, "Indicizzata");
  const auto rows = Rows("Campo");
  ASSERT_EQ(rows.size(), 6u);
  ASSERT_GT(rows[0].y, Limit()) << "the field rows must begin below the limit for this case";
  std::set<std::pair<int, int>> places;
  for (const auto& r : rows) {
    EXPECT_FLOAT_EQ(r.x, L1());
    EXPECT_TRUE(places.insert({qRound(r.x), qRound(r.y)}).second) << "two rows at one place: " << r.text.toStdString();
  }
  EXPECT_FLOAT_EQ(w().Height(), forms::TheScreen().Height());
  EXPECT_FLOAT_EQ(w().Width(), w().designWidth);
}

TEST_F(TableViewTest, SecondTableLeavesNoTraceOfTheFirst) {
  LoadWindow(1280, 1024);
  OpenAndShow({Table("Larga", 5, ManyFields(80)), Table("Piccola", 1, {{"Id", dao::dbLong, 4}})},
              "Larga");
  auto firstRs = w().rs;
  ASSERT_GT(w().Width(), w().designWidth + 100);
  ShowTable("Piccola");
  EXPECT_FALSE(firstRs->IsOpen());
  EXPECT_THAT(Rows("Campo"), IsEmpty());
  EXPECT_FALSE(Has("5 records   -   "));
  EXPECT_TRUE(Has("1 records   -   "));
  EXPECT_NEAR(w().Width(), w().designWidth, 15.0f);
  EXPECT_LT(w().Height(), w().designHeight);
  EXPECT_EQ(w().Label1(1).Caption(), "Piccola");
}

TEST_F(TableViewTest, LinkedTableFailsThroughTheCommonTreatmentAndLeavesNoTableOnShow) {
  LoadWindow();
  FakeTable linked = Table("Collegata");
  linked.info.linked = true;
  linked.info.linkSource = "C:\\dati\\altro.mdb";
  OpenAndShow({Table("Locale", 2, {{"Id", dao::dbLong, 4}}), linked}, "Locale");
  auto before = w().rs;
  ASSERT_TRUE(w().Stampa.Enabled());
  ShowTable("Collegata");
  ASSERT_EQ(user_->msgBoxCalls.size(), 1u);
  EXPECT_TRUE(user_->msgBoxCalls[0].text.startsWith("Errore 3219\r")) << user_->msgBoxCalls[0].text.toStdString();
  EXPECT_EQ(user_->msgBoxCalls[0].title, "Tavrek");
  EXPECT_EQ(forms::TheScreen().MousePointer(), 0);
  // The previous table is closed and nothing of it is left: no drawing, no name, nothing to print.
  EXPECT_FALSE(before->IsOpen());
  EXPECT_EQ(w().rsOpen, 0);
  EXPECT_THAT(Texts(), IsEmpty());
  EXPECT_FALSE(w().Label1(1).Visible());
  EXPECT_FALSE(w().Stampa.Enabled());

  // The next click works, and so does "Esci".
  ShowTable("Locale");
  EXPECT_EQ(user_->msgBoxCalls.size(), 1u);
  EXPECT_EQ(w().Label1(1).Caption(), "Locale");
  EXPECT_TRUE(Has("2 records   -   "));
  auto db = w().db;
  auto rs = w().rs;
  w().Esci.DoClick();
  EXPECT_EQ(user_->msgBoxCalls.size(), 1u);
  EXPECT_FALSE(rs->IsOpen());
  EXPECT_FALSE(db->IsOpen());
}

}  // namespace
}  // namespace cattest

namespace cattest {
namespace {

// Dozens of indexes push the field rows below the window even when it is as tall as the screen:
// the surface reaches the last row, which is reached by scrolling down.
TEST_F(TableViewTest, RowsBelowAScreenTallWindowAreReachedByScrolling) {
  LoadWindow();
  std::vector<dao::IndexInfo> indexes;
  for (int i = 0; i < 45; ++i) indexes.push_back({testsupport::Numbered("Indice", i), {"Campo001"}});
  OpenAndShow({Table("Indicizzata", 5, ManyFields(6), indexes)}, "Indicizzata");
  const auto rows = Rows("Campo");
  ASSERT_EQ(rows.size(), 6u);
  const float tpp = forms::TheScreen().TwipsPerPixelY();
  const float bottom = rows.back().y + LineHeight();
  ASSERT_GT(bottom / tpp, static_cast<float>(w().scroller()->maximumViewportSize().height()));
  EXPECT_GE(static_cast<float>(w().DrawingExtent().height()), std::floor(bottom / tpp));
  EXPECT_GE(w().clientArea()->height(), w().DrawingExtent().height());
  EXPECT_LE(w().Top() + w().Height(), forms::TheScreen().Height());
}

}  // namespace
}  // namespace cattest
