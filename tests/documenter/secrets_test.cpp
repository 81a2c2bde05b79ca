#include "documenter/secrets.h"

#include "engine/dao.h"

#include <gtest/gtest.h>

namespace {

using tavrek::doc::MaskConnectSecrets;

TEST(MaskConnectSecrets, MasksPasswordItemsAndKeepsTheRest) {
  EXPECT_EQ(MaskConnectSecrets("ODBC;DRIVER=SQL Server;SERVER=db1;UID=sa;PWD=s3cret;DATABASE=x"),
            "ODBC;DRIVER=SQL Server;SERVER=db1;UID=sa;PWD=***;DATABASE=x");
  EXPECT_EQ(MaskConnectSecrets(";DATABASE=C:\\dati\\a.mdb;PWD=segreta"),
            ";DATABASE=C:\\dati\\a.mdb;PWD=***");
  EXPECT_EQ(MaskConnectSecrets("ODBC;pwd=abc;Password=def;"), "ODBC;pwd=***;Password=***;");
  EXPECT_EQ(MaskConnectSecrets("PWD=first"), "PWD=***");
  EXPECT_EQ(MaskConnectSecrets("ODBC;PWD=;UID=x"), "ODBC;PWD=***;UID=x");
}

TEST(MaskConnectSecrets, BracedValuesAreMaskedWhole) {
  EXPECT_EQ(MaskConnectSecrets("ODBC;PWD={a;b;c};UID=x"), "ODBC;PWD=***;UID=x");
  EXPECT_EQ(MaskConnectSecrets("ODBC;PWD={unterminated;UID=x"), "ODBC;PWD=***");
}

TEST(MaskConnectSecrets, OnlyWholeKeysAtTheStartOfAnItem) {
  // "XPWD=" and a value containing "PWD=" are not password items.
  EXPECT_EQ(MaskConnectSecrets("ODBC;XPWD=1;DESC=PWD=2"), "ODBC;XPWD=1;DESC=PWD=2");
  EXPECT_EQ(MaskConnectSecrets(";DATABASE=C:\\x.mdb"), ";DATABASE=C:\\x.mdb");
  EXPECT_EQ(MaskConnectSecrets(""), "");
}

}  // namespace

namespace {

// Opening a linked table as a table-type recordset fails with 3219 naming the link's source; a
// password inside that source never reaches the message (and so neither the GUI nor a log).
TEST(MaskConnectSecrets, EngineErrorOnALinkedTableShowsNoPassword) {
  dao::TableInfo linked;
  linked.name = "Clienti";
  linked.linked = true;
  linked.linkSource = "ODBC;DRIVER=SQL Server;SERVER=db1;UID=sa;PWD=s3cret;DATABASE=vendite";
  linked.foreignName = "dbo.Clienti";
  auto db = dao::Database::Create("prova.mdb", {linked}, {}, nullptr);
  try {
    db->OpenRecordset("Clienti");
    FAIL() << "a linked table opened as a table-type recordset";
  } catch (const dao::Error& e) {
    EXPECT_EQ(e.Number(), dao::kErrInvalidOperation);
    EXPECT_EQ(std::string(e.what()).find("s3cret"), std::string::npos) << e.what();
    EXPECT_NE(e.Description().find("SERVER=db1;UID=sa;PWD=***;DATABASE=vendite"), std::string::npos)
        << e.Description();
    EXPECT_NE(e.Description().find("dbo.Clienti"), std::string::npos);
  }
}

}  // namespace
