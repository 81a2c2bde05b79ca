// End to end on the test databases, through the real engine: open, list, show a table and a query.
#include <QDir>
#include <QFile>

#include "forms/screen.h"
#include "tests/catalogue/support.h"

namespace cattest {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

QString Data(const char* relative) { return QStringLiteral(TAVREK_TEST_DATA "/") + relative; }

class CorpusTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    LoadWindow(800, 600, /*fakeEngine=*/false);
  }
  // Every table of the list shows without a failure message, with its record count line; the
  // view agrees with the recordset it leaves open.
  void ShowEveryTable() {
    const auto tables = Entries(w().List1);
    for (const QString& name : tables) {
      SCOPED_TRACE(name.toStdString());
      const size_t messages = user_->msgBoxCalls.size();
      ShowTable(name);
      ASSERT_EQ(user_->msgBoxCalls.size(), messages)
          << user_->msgBoxCalls.back().text.toStdString();
      EXPECT_EQ(w().Label1(1).Caption(), name);
      ASSERT_EQ(w().rsOpen, 1);
      bool countShown = false;
      for (const auto& d : Texts())
        if (d.text.endsWith(" records   -   ")) countShown = true;
      EXPECT_TRUE(countShown);
      for (int i = 0; i < w().rs->Fields().Count(); ++i)
        EXPECT_TRUE(Has(QString::fromStdString(w().rs->Fields().Item(i).Name())));
      EXPECT_EQ(forms::TheScreen().MousePointer(), 0);
    }
  }
};

TEST_F(CorpusTest, Jet3DatabaseWithQueries) {
  Open(Data("jet3/queryTestV1997.mdb"));
  ASSERT_THAT(user_->msgBoxCalls, IsEmpty());
  EXPECT_EQ(w().Label1(0).Caption(), Data("jet3/queryTestV1997.mdb"));
  EXPECT_THAT(Entries(w().List1), ElementsAre("Table1", "Table2", "Table3"));
  EXPECT_TRUE(w().ApriQuery.Enabled());
  const auto queries = Entries(w().List2);
  EXPECT_THAT(queries, Contains(QString("SelectQuery")));
  ShowEveryTable();

  ShowQuery("SelectQuery");
  EXPECT_THAT(user_->msgBoxCalls, IsEmpty());
  EXPECT_EQ(w().Label1(1).Caption(), "SelectQuery");
  EXPECT_TRUE(Has("Tipo = "));
  EXPECT_TRUE(Has(" 0 "));
  bool select = false;
  for (const auto& d : Texts())
    if (d.text.startsWith("SELECT")) select = true;
  EXPECT_TRUE(select) << "the SQL text is drawn";
  // Every query, whatever its kind, shows without a failure.
  for (const QString& q : queries) {
    SCOPED_TRACE(q.toStdString());
    ShowQuery(q);
    EXPECT_THAT(user_->msgBoxCalls, IsEmpty());
  }
}

TEST_F(CorpusTest, Jet4DatabaseWithoutQueries) {
  Open(Data("jet4/testV2000.mdb"));
  ASSERT_THAT(user_->msgBoxCalls, IsEmpty());
  EXPECT_THAT(Entries(w().List1), ElementsAre("Table1", "Table2", "Table3", "Table4"));
  EXPECT_THAT(Entries(w().List2), IsEmpty());
  EXPECT_TRUE(w().ApriTab.Enabled());
  EXPECT_FALSE(w().ApriQuery.Enabled());
  ShowEveryTable();
  EXPECT_TRUE(w().Stampa.Enabled());

  // Table1 as the file describes it (two records; text, byte, integer, long, double, date,
  // currency and yes/no fields), each row with its type name and size.
  ShowTable("Table1");
  EXPECT_TRUE(Has("2 records   -   "));
  const std::vector<std::vector<QString>> expected = {
      {"A", "testo", "50"}, {"B", "testo", "100"}, {"C", "byte", "1"},   {"D", "intero", "2"},
      {"E", "long", "4"},   {"F", "double", "8"},  {"G", "data", "8"},   {"H", "valuta", "8"},
      {"I", "logico", "1"}};
  const float first = Find("A").y;
  for (size_t i = 0; i < expected.size(); ++i) {
    std::vector<QString> row;
    for (const auto& d : Line(first + static_cast<float>(i) * w().TextHeight("0"))) row.push_back(d.text);
    EXPECT_EQ(row, expected[i]);
  }
}

TEST_F(CorpusTest, Jet4QueriesAndAnEncodedFile) {
  Open(Data("jet4/queryTestV2000.mdb"));
  ASSERT_THAT(user_->msgBoxCalls, IsEmpty());
  const auto queries = Entries(w().List2);
  EXPECT_GE(queries.size(), 8u);
  for (const QString& q : queries) {
    SCOPED_TRACE(q.toStdString());
    ShowQuery(q);
    EXPECT_THAT(user_->msgBoxCalls, IsEmpty());
  }

  Open(Data("jet4/encodedV2000.mdb"));
  ASSERT_THAT(user_->msgBoxCalls, IsEmpty());
  EXPECT_THAT(Entries(w().List1), ElementsAre("Table1"));
  ShowEveryTable();
}

TEST_F(CorpusTest, PasswordFileAnsweredWithBlanksAroundThePassword) {
  user_->inputAnswers.push_back(QString(" password "));
  Open(Data("jet4/V2000_with-password.mdb"));
  ASSERT_EQ(user_->inputCalls.size(), 1u);
  EXPECT_EQ(user_->inputCalls[0].prompt, "Immettere Password");
  EXPECT_EQ(user_->inputCalls[0].title, "DATABASE PROTETTO");
  EXPECT_THAT(user_->msgBoxCalls, IsEmpty());
  EXPECT_THAT(Entries(w().List1), ElementsAre("Table1"));
  ShowEveryTable();
}

TEST_F(CorpusTest, PasswordFileCancelledOrAnsweredWrongly) {
  for (std::optional<QString> answer : {std::optional<QString>(), std::optional<QString>("sbagliata")}) {
    user_->msgBoxCalls.clear();
    user_->inputCalls.clear();
    user_->inputAnswers.push_back(answer);
    Open(Data("jet4/V2000_with-password.mdb"));
    EXPECT_EQ(user_->inputCalls.size(), 1u);
    ASSERT_EQ(user_->msgBoxCalls.size(), 1u);
    EXPECT_TRUE(user_->msgBoxCalls[0].text.startsWith("Errore 3031\r"))
        << user_->msgBoxCalls[0].text.toStdString();
    EXPECT_FALSE(w().ApriTab.Enabled());
    EXPECT_FALSE(w().Label1(0).Visible());
    EXPECT_EQ(forms::TheScreen().MousePointer(), 0);
  }
}

// An .accdb encrypted by Access with a database password: the same prompt as for a Jet password,
// then the catalogue, read through the decryption.
TEST_F(CorpusTest, EncryptedAccdbPromptsForItsPassword) {
  user_->inputAnswers.push_back(QString("password"));
  Open(Data("encrypted/V2010_with-password.accdb"));
  ASSERT_EQ(user_->inputCalls.size(), 1u);
  EXPECT_EQ(user_->inputCalls[0].prompt, "Immettere Password");
  EXPECT_EQ(user_->inputCalls[0].title, "DATABASE PROTETTO");
  EXPECT_THAT(user_->msgBoxCalls, IsEmpty());
  EXPECT_THAT(Entries(w().List1), ElementsAre("Table1"));
  ShowEveryTable();
  ShowTable("Table1");
  EXPECT_TRUE(Has("3 records   -   "));

  user_->inputCalls.clear();
  user_->inputAnswers.push_back(QString("sbagliata"));
  Open(Data("encrypted/db2007-oldenc.accdb"));
  EXPECT_EQ(user_->inputCalls.size(), 1u);
  ASSERT_EQ(user_->msgBoxCalls.size(), 1u);
  EXPECT_EQ(user_->msgBoxCalls[0].text, "Errore 3031\rPassword non valida.");
  EXPECT_FALSE(w().ApriTab.Enabled());
}

TEST_F(CorpusTest, FileThatIsNotADatabase) {
  const QString path = dir_.filePath("notizia.mdb");
  ASSERT_TRUE(QFile::copy(Data("NOTICE"), path));
  Open(path);
  EXPECT_THAT(user_->inputCalls, IsEmpty());
  ASSERT_EQ(user_->msgBoxCalls.size(), 1u);
  EXPECT_TRUE(user_->msgBoxCalls[0].text.startsWith("Errore 3343\r"))
      << user_->msgBoxCalls[0].text.toStdString();
  EXPECT_GT(user_->msgBoxCalls[0].text.size(), QString("Errore 3343\r").size()) << "a description follows";
  EXPECT_EQ(user_->msgBoxCalls[0].title, "Tavrek");
  EXPECT_FALSE(w().ApriTab.Enabled());
}

TEST_F(CorpusTest, EmptyDatabaseHasNoTablesAndNoQueries) {
  Open(Data("jet4/emptyV2000.mdb"));
  ASSERT_THAT(user_->msgBoxCalls, IsEmpty());
  EXPECT_THAT(Entries(w().List1), IsEmpty());
  EXPECT_THAT(Entries(w().List2), IsEmpty());
  EXPECT_TRUE(w().ApriTab.Enabled());
  EXPECT_FALSE(w().ApriQuery.Enabled());
}

}  // namespace
}  // namespace cattest
