// The query view: dates, type code, and the SQL text folded and cut into 60-character pieces.
#include <QScrollArea>
#include <QWidget>
#include <cmath>

#include "forms/screen.h"
#include "tests/catalogue/support.h"

namespace cattest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class QueryViewTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    LoadWindow();
  }
  // Opens a database whose only query has this SQL text and type, and shows it.
  void ShowSql(const std::string& sql, int16_t type = 0) {
    FakeFile file;
    file.tables = {Table("T", 1, {{"Id", dao::dbLong, 4}})};
    file.queries = {Query("Interrogazione", sql, type)};
    Open(AddFile("q.mdb", file));
    ShowQuery("Interrogazione");
  }
  // The lines of SQL text drawn, from the "SQL  = " line down, and where they start.
  std::vector<forms::DrawnText> SqlLines() {
    const auto label = Find("SQL  = ");
    std::vector<forms::DrawnText> out;
    for (const auto& d : Texts())
      if (d.y >= label.y - 0.5f && d.text != "SQL  = ") out.push_back(d);
    return out;
  }
  float SqlX() { return Find("SQL  = ").x + w().TextWidth("SQL  = "); }
};

TEST_F(QueryViewTest, DrawsDatesTypeAndSqlBesideAndBelowTheName) {
  ShowSql("SELECT a\r\nFROM b;\r\n", dao::dbQMakeTable);
  EXPECT_THAT(user_->msgBoxCalls, IsEmpty());
  EXPECT_EQ(w().Label1(1).Caption(), "Interrogazione");
  EXPECT_TRUE(w().Label1(1).Visible());
  EXPECT_FALSE(w().List1.Visible());
  EXPECT_FALSE(w().List2.Visible());

  const float L1 = w().Label1(1).Left();
  const float T1 = w().Label1(1).Top();
  const float W1 = w().Label1(1).Width();
  const float line = w().TextHeight("0");

  const auto creata = Find("creata ");
  EXPECT_FLOAT_EQ(creata.x, W1 + L1 + w().TextWidth("000"));
  EXPECT_FLOAT_EQ(creata.y, T1);
  const auto created = Find("02/01/20 03:04:05");
  EXPECT_FLOAT_EQ(created.x, creata.x + w().TextWidth("creata "));
  EXPECT_FLOAT_EQ(created.y, T1);
  const auto updated = Find("ult. agg.to 31/12/22 23:59:58");
  EXPECT_FLOAT_EQ(updated.x + w().TextWidth("ult. agg.to "), created.x);
  EXPECT_FLOAT_EQ(updated.y, T1 + line);

  const auto tipo = Find("Tipo = ");
  EXPECT_FLOAT_EQ(tipo.x, L1);
  EXPECT_FLOAT_EQ(tipo.y, T1 + 2 * line);
  const auto code = Find(" 80 ");
  EXPECT_FLOAT_EQ(code.x, L1 + w().TextWidth("Tipo = "));
  EXPECT_FLOAT_EQ(code.y, tipo.y);

  const auto sql = Find("SQL  = ");
  EXPECT_FLOAT_EQ(sql.x, L1);
  EXPECT_FLOAT_EQ(sql.y, T1 + 3 * line);
  const auto lines = SqlLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "SELECT a FROM b; ");
  EXPECT_FLOAT_EQ(lines[0].x, SqlX());
  EXPECT_FLOAT_EQ(lines[0].y, sql.y);
  EXPECT_FLOAT_EQ(w().CurrentY(), sql.y + 2 * line) << "one blank line after the SQL";
}

TEST_F(QueryViewTest, TypeZeroIsPrintedAsANumber) {
  ShowSql("SELECT 1;", dao::dbQSelect);
  EXPECT_TRUE(Has(" 0 "));
}

TEST_F(QueryViewTest, CutsTheFoldedTextIntoPiecesOfSixty) {
  const std::string digits =
      "0123456789abcdefghijABCDEFGHIJ0123456789abcdefghijABCDEFGHIJ0123456789abcdefghijABCDEFGHIJ"
      "0123456789abcdefghijABCDEFGHIJ0123456789abcdefghijABCDEFGHIJ";  // 150 characters
  struct Case {
    size_t length;
    std::vector<size_t> pieces;
  };
  for (const Case& c : {Case{59, {59}}, Case{60, {60}}, Case{61, {60, 1}}, Case{150, {60, 60, 30}}}) {
    SCOPED_TRACE(c.length);
    ShowSql(digits.substr(0, c.length));
    const auto lines = SqlLines();
    ASSERT_EQ(lines.size(), c.pieces.size());
    const float line = w().TextHeight("0");
    const float top = Find("SQL  = ").y;
    size_t start = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].text.toStdString(), digits.substr(start, c.pieces[i]));
      EXPECT_FLOAT_EQ(lines[i].x, SqlX());
      EXPECT_FLOAT_EQ(lines[i].y, top + static_cast<float>(i) * line);
      start += c.pieces[i];
    }
  }
}

TEST_F(QueryViewTest, FoldsEveryCarriageReturnWithTheCharacterAfterIt) {
  struct Case {
    std::string sql, shown;
  };
  for (const Case& c : {Case{"SELECT a\r\nFROM b;", "SELECT a FROM b;"},
                        Case{"A\rXB", "A B"},                  // CR and any following character
                        Case{"A\r\r\nB", "A \nB"},             // CR CR: the second CR is eaten
                        Case{"A\nB", "A\nB"},                  // a line feed alone stays
                        Case{"SELECT 1;\r", "SELECT 1;"},      // CR at the very end: dropped
                        Case{"\r\n\r\n", "  "}}) {
    SCOPED_TRACE(c.sql);
    ShowSql(c.sql);
    EXPECT_THAT(user_->msgBoxCalls, IsEmpty());
    const auto lines = SqlLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text.toStdString(), c.shown);
  }
}

TEST_F(QueryViewTest, EmptySqlLeavesTheSqlLineBare) {
  ShowSql("");
  EXPECT_THAT(SqlLines(), IsEmpty());
  EXPECT_FLOAT_EQ(w().CurrentY(), Find("SQL  = ").y + 2 * w().TextHeight("0"));
}

TEST_F(QueryViewTest, SqlBeyondSixteenBitPositionsIsDrawnWhole) {
  std::string sql;
  for (int i = 0; sql.size() < 40000; ++i) sql += testsupport::Numbered("SELECT campo", i) += "\r\n";
  sql += "FROM fine;\r\n";
  ShowSql(sql);
  EXPECT_THAT(user_->msgBoxCalls, IsEmpty());
  std::string expected;  // each CR LF folded into one blank
  for (size_t i = 0; i < sql.size(); ++i) {
    if (sql.compare(i, 2, "\r\n") == 0) {
      expected += ' ';
      ++i;
    } else {
      expected += sql[i];
    }
  }
  QString joined;
  for (const auto& d : SqlLines()) joined += d.text;
  EXPECT_EQ(joined.toStdString(), expected);
  EXPECT_EQ(SqlLines().size(), (expected.size() + 59) / 60);
}

TEST_F(QueryViewTest, LeavesWindowSizeFlagsAndCommandsAsTheyWere) {
  FakeFile file;
  std::vector<dao::FieldInfo> fields;
  for (int i = 0; i < 120; ++i) fields.push_back({testsupport::Numbered("F", i), dao::dbLong, 4});
  file.tables = {Table("Larga", 1, fields)};
  file.queries = {Query("~sq_cMaschera", "SELECT * FROM Larga;")};
  Open(AddFile("q.mdb", file));
  ShowTable("Larga");
  const float width = w().Width(), height = w().Height();
  auto rs = w().rs;
  ASSERT_GT(width, w().designWidth);

  ShowQuery("~sq_cMaschera");
  EXPECT_EQ(w().Label1(1).Caption(), "~sq_cMaschera");
  EXPECT_TRUE(Has("SELECT * FROM Larga;"));
  EXPECT_FALSE(Has("F0"));
  EXPECT_FLOAT_EQ(w().Width(), width);
  EXPECT_FLOAT_EQ(w().Height(), height);
  EXPECT_EQ(w().rs, rs);
  EXPECT_TRUE(rs->IsOpen());
  EXPECT_EQ(w().rsOpen, 1);
  EXPECT_EQ(w().dbOpen, 1);
  EXPECT_TRUE(w().Stampa.Enabled());
  EXPECT_TRUE(w().ApriTab.Enabled());
  EXPECT_TRUE(w().ApriQuery.Enabled());
}

}  // namespace
}  // namespace cattest

namespace cattest {
namespace {

// At 800 x 600 a piece of 60 wide characters reaches past the window's right edge: the surface
// keeps the whole line where it was drawn, and it is reached by scrolling.
TEST_F(QueryViewTest, SqlLinesWiderThanTheWindowAreReachedByScrolling) {
  std::string sql = "SELECT ";
  while (sql.size() < 170) sql += "ANAGRAFICA_CLIENTI.CODICE_MUNICIPALE, ";
  ShowSql(sql);
  const auto lines = SqlLines();
  ASSERT_EQ(lines.size(), (sql.size() + 59) / 60);
  const float tpp = forms::TheScreen().TwipsPerPixelX();
  const float right = lines[0].x + w().TextWidth(lines[0].text);
  const int viewWidth = w().scroller()->maximumViewportSize().width();
  ASSERT_GT(right / tpp, static_cast<float>(viewWidth)) << "the line must pass the window for this case";
  EXPECT_FLOAT_EQ(lines[1].x, SqlX());  // positions as designed
  EXPECT_GE(static_cast<float>(w().DrawingExtent().width()), std::floor(right / tpp));
  EXPECT_GE(w().clientArea()->width(), w().DrawingExtent().width());
}

}  // namespace
}  // namespace cattest
