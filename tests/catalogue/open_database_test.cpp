// "Apri Database": the dialog, the lookup, the password prompt, the error message, the lists.
#include <QDir>

#include "forms/screen.h"
#include "tests/catalogue/support.h"

namespace cattest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class OpenDatabaseTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    LoadWindow();
  }
  // The state every unsuccessful run leaves: lists and labels hidden, only the always-available
  // commands enabled.
  void ExpectNothingOpen() {
    EXPECT_FALSE(w().List1.Visible());
    EXPECT_FALSE(w().List2.Visible());
    EXPECT_FALSE(w().Label1(0).Visible());
    EXPECT_FALSE(w().Label1(1).Visible());
    EXPECT_TRUE(w().Apri.Enabled());
    EXPECT_FALSE(w().ApriTab.Enabled());
    EXPECT_FALSE(w().ApriQuery.Enabled());
    EXPECT_FALSE(w().Stampa.Enabled());
    EXPECT_TRUE(w().Esci.Enabled());
    EXPECT_TRUE(w().Inf.Enabled());
  }
};

TEST_F(OpenDatabaseTest, ListsUserTablesAndEveryQueryInCollectionOrder) {
  FakeFile file;
  for (const char* name : {"MSysObjects", "MSys", "msysdata", "Msys1", "USysInfo", "Abc", "MSYSX", "MSysACEs"})
    file.tables.push_back(Table(name));
  file.queries = {Query("~sq_cForm1", "SELECT 1;"), Query("Vendite", "SELECT 2;", 80),
                  Query("Anagrafe", "SELECT 3;")};
  const QString path = AddFile("archivio.mdb", file);
  Open(path);

  // The dialog as designed.
  ASSERT_EQ(user_->openCalls.size(), 1u);
  EXPECT_EQ(user_->openCalls[0].title, "APRI DATABASE");
  EXPECT_EQ(user_->openCalls[0].filter, "Access|*.mdb");
  EXPECT_EQ(user_->openCalls[0].defaultExt, "mdb");

  // Opened once, shared, read-only, no connect string.
  ASSERT_EQ(engine_->calls.size(), 1u);
  EXPECT_FALSE(engine_->calls[0].options);
  EXPECT_TRUE(engine_->calls[0].readOnly);
  EXPECT_FALSE(engine_->calls[0].connect.has_value());

  // "MSys" compared on the first four characters, case by case; short names compared whole. The
  // engine orders its collections by name (symbols before letters, as Access does).
  EXPECT_THAT(Entries(w().List1), ElementsAre("Abc", "Msys1", "msysdata", "MSYSX", "USysInfo"));
  EXPECT_THAT(Entries(w().List2), ElementsAre("~sq_cForm1", "Anagrafe", "Vendite"));
  for (int i = 0; i < w().List2.ListCount(); ++i)
    EXPECT_EQ(w().List2.List(i).toStdString(), w().db->QueryDefs().Item(i).Name());

  EXPECT_TRUE(w().Label1(0).Visible());
  EXPECT_EQ(w().Label1(0).Caption(), path);
  EXPECT_FALSE(w().Label1(1).Visible());
  EXPECT_FALSE(w().List1.Visible());
  EXPECT_FALSE(w().List2.Visible());
  EXPECT_TRUE(w().ApriTab.Enabled());
  EXPECT_TRUE(w().ApriQuery.Enabled());
  EXPECT_FALSE(w().Stampa.Enabled());
  EXPECT_EQ(w().dbOpen, 1);
  EXPECT_EQ(w().rsOpen, 0);
  EXPECT_EQ(forms::TheScreen().MousePointer(), 0);
  EXPECT_THAT(user_->msgBoxCalls, IsEmpty());
}

TEST_F(OpenDatabaseTest, NoQueriesLeavesScegliQueryDisabledAndSystemTablesOnlyGiveAnEmptyList) {
  FakeFile file;
  file.tables = {Table("MSysObjects"), Table("MSysQueries")};
  Open(AddFile("vuoto.mdb", file));
  EXPECT_THAT(Entries(w().List1), IsEmpty());
  EXPECT_THAT(Entries(w().List2), IsEmpty());
  EXPECT_TRUE(w().ApriTab.Enabled());
  EXPECT_FALSE(w().ApriQuery.Enabled());
}

TEST_F(OpenDatabaseTest, ReopeningRefillsTheListsAndResetsRsOpen) {
  FakeFile first;
  first.tables = {Table("Clienti", 3, {{"Id", dao::dbLong, 4}})};
  first.queries = {Query("Q", "SELECT 1;")};
  FakeFile second;
  second.tables = {Table("Ordini")};
  Open(AddFile("a.mdb", first));
  ShowTable("Clienti");
  ASSERT_EQ(w().rsOpen, 1);
  auto firstDb = w().db;

  Open(AddFile("b.mdb", second));
  EXPECT_FALSE(firstDb->IsOpen());
  EXPECT_THAT(Entries(w().List1), ElementsAre("Ordini"));
  EXPECT_THAT(Entries(w().List2), IsEmpty());
  EXPECT_EQ(w().rsOpen, 0);
  EXPECT_FALSE(w().ApriQuery.Enabled());
  EXPECT_FALSE(w().Stampa.Enabled());
  EXPECT_TRUE(Texts().empty()) << "the first table's view must be erased";
}

TEST_F(OpenDatabaseTest, PendingReportEndsBeforeTheDialogEvenWhenItIsCancelled) {
  FakeFile file;
  file.tables = {Table("Clienti", 3, {{"Id", dao::dbLong, 4}})};
  Open(AddFile("a.mdb", file));
  ShowTable("Clienti");
  w().printPending = 1;  // a report printed and its page left open
  auto firstDb = w().db;
  auto firstRs = w().rs;
  events_.clear();

  Open(std::nullopt);

  EXPECT_THAT(events_, ElementsAre("EndDoc", "dialog"));
  EXPECT_EQ(w().printPending, 0);
  EXPECT_FALSE(firstDb->IsOpen());
  EXPECT_FALSE(firstRs->IsOpen());
  ExpectNothingOpen();
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(engine_->calls.size(), 1u) << "a cancelled dialog opens nothing";

  // The flags still read 1 over closed objects: a further run and "Esci" must do no harm.
  events_.clear();
  Open(std::nullopt);
  EXPECT_THAT(events_, ElementsAre("dialog")) << "nothing left to end";
  EXPECT_THAT(user_->msgBoxCalls, IsEmpty());
  w().Esci.DoClick();
  EXPECT_THAT(user_->msgBoxCalls, IsEmpty());
}

TEST_F(OpenDatabaseTest, MissingFileOrFolderEndsSilently) {
  const QString folder = dir_.filePath("cartella.mdb");
  ASSERT_TRUE(QDir().mkpath(folder));
  engine_->files[folder.toStdString()] = FakeFile{};
  Open(dir_.filePath("manca.mdb"));
  Open(folder);
  EXPECT_TRUE(engine_->calls.empty());
  EXPECT_THAT(user_->msgBoxCalls, IsEmpty());
  EXPECT_THAT(user_->inputCalls, IsEmpty());
  EXPECT_EQ(forms::TheScreen().MousePointer(), 0);
  ExpectNothingOpen();
}

TEST_F(OpenDatabaseTest, PasswordAnswerIsTrimmedOfBlanksAndPassedAfterASemicolon) {
  FakeFile file;
  file.password = "password";
  file.tables = {Table("Segreti")};
  user_->inputAnswers.push_back(QString(" password "));
  Open(AddFile("protetto.mdb", file));

  EXPECT_THAT(events_, ElementsAre("dialog", "open <none>", "input", "open ;password"));
  ASSERT_EQ(user_->inputCalls.size(), 1u);
  EXPECT_EQ(user_->inputCalls[0].prompt, "Immettere Password");
  EXPECT_EQ(user_->inputCalls[0].title, "DATABASE PROTETTO");
  EXPECT_EQ(user_->inputCalls[0].defaultText, "");
  EXPECT_THAT(user_->msgBoxCalls, IsEmpty());
  EXPECT_THAT(Entries(w().List1), ElementsAre("Segreti"));
  EXPECT_EQ(w().dbOpen, 1);
  EXPECT_TRUE(w().ApriTab.Enabled());
}

TEST_F(OpenDatabaseTest, CancelledOrBlankPromptRetriesWithoutConnectAndReportsTheSecondFailure) {
  FakeFile file;
  file.password = "password";
  const QString path = AddFile("protetto.mdb", file);
  for (std::optional<QString> answer : {std::optional<QString>(), std::optional<QString>("   ")}) {
    events_.clear();
    user_->msgBoxCalls.clear();
    user_->inputAnswers.push_back(answer);
    Open(path);
    EXPECT_THAT(events_, ElementsAre("dialog", "open <none>", "input", "open <none>", "msgbox"));
    ASSERT_EQ(user_->msgBoxCalls.size(), 1u);
    EXPECT_EQ(user_->msgBoxCalls[0].text, "Errore 3031\rPassword non valida.");
    EXPECT_EQ(user_->msgBoxCalls[0].buttons, forms::vbOKOnly);
    EXPECT_EQ(user_->msgBoxCalls[0].title, "Tavrek");
    EXPECT_EQ(forms::TheScreen().MousePointer(), 0);
    EXPECT_EQ(w().dbOpen, 0);
    ExpectNothingOpen();
  }
}

TEST_F(OpenDatabaseTest, WrongPasswordTwiceAsksOnceAndShowsTheError) {
  FakeFile file;
  file.password = "password";
  user_->inputAnswers.push_back(QString("Password"));
  Open(AddFile("protetto.mdb", file));
  EXPECT_THAT(events_, ElementsAre("dialog", "open <none>", "input", "open ;Password", "msgbox"));
  ASSERT_EQ(user_->msgBoxCalls.size(), 1u);
  EXPECT_EQ(user_->msgBoxCalls[0].text, "Errore 3031\rPassword non valida.");
  ExpectNothingOpen();
}

TEST_F(OpenDatabaseTest, OtherErrorsShowErroreNumberCarriageReturnDescription) {
  FakeFile file;
  file.failure = dao::kErrUnrecognizedFormat;
  file.failureText = "Formato di database non riconosciuto 'x.mdb'.";
  Open(AddFile("x.mdb", file));
  EXPECT_THAT(user_->inputCalls, IsEmpty());
  ASSERT_EQ(user_->msgBoxCalls.size(), 1u);
  EXPECT_EQ(user_->msgBoxCalls[0].text, "Errore 3343\rFormato di database non riconosciuto 'x.mdb'.");
  EXPECT_FALSE(user_->msgBoxCalls[0].text.contains('\n'));
  EXPECT_EQ(user_->msgBoxCalls[0].buttons, forms::vbOKOnly);
  EXPECT_EQ(user_->msgBoxCalls[0].title, "Tavrek");
  EXPECT_EQ(forms::TheScreen().MousePointer(), 0);
  ExpectNothingOpen();
}

TEST_F(OpenDatabaseTest, CatalogueLargerThanSixteenBitCountsFailsThroughTheCommonTreatment) {
  FakeFile file;
  for (int i = 0; i < 32768; ++i) file.tables.push_back(Table("T" + std::to_string(i)));
  Open(AddFile("enorme.mdb", file));
  ASSERT_EQ(user_->msgBoxCalls.size(), 1u);
  EXPECT_TRUE(user_->msgBoxCalls[0].text.startsWith("Errore 6\r")) << user_->msgBoxCalls[0].text.toStdString();
  EXPECT_EQ(w().List1.ListCount(), 0);
  EXPECT_EQ(forms::TheScreen().MousePointer(), 0);
}

}  // namespace
}  // namespace cattest
