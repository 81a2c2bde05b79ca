// The tavrek-dump program itself on real files: exit status and the error text on failure.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

#include "tests/support/shell.h"

namespace {

using testshell::ShellQuote;

using Outcome = testshell::CommandOutcome;

// Runs tavrek-dump with `args` (already quoted), capturing both output streams.
Outcome Dump(const std::string& args) {
  return testshell::RunCommandWithErrors(ShellQuote(TAVREK_DUMP_PATH) + " " + args);
}

const std::string kData = TAVREK_TEST_DATA;

TEST(DumpCli, EngineErrorsExitWithStatusTwoAndNumberedMessage) {
  Outcome missing = Dump(ShellQuote(kData + "/jet4/non-esiste.mdb"));
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err.rfind("Errore 3024\n", 0), 0u) << missing.err;

  for (const char* pw : {"", "--password sbagliata "}) {
    Outcome wrong = Dump(std::string("--json ") + pw + ShellQuote(kData + "/jet4/V2000_with-password.mdb"));
    EXPECT_EQ(wrong.status, 2) << pw;
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err, "Errore 3031\nPassword non valida.\n");
  }

  Outcome notAccess = Dump(ShellQuote(kData + "/NOTICE"));
  EXPECT_EQ(notAccess.status, 2);
  EXPECT_EQ(notAccess.err.rfind("Errore 3343\n", 0), 0u) << notAccess.err;
}

TEST(DumpCli, SuccessWritesOnlyToStandardOutput) {
  Outcome ok = Dump("--password password --json " + ShellQuote(kData + "/jet4/V2000_with-password.mdb"));
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.err, "");
  EXPECT_EQ(ok.out.rfind("{\"format\": \"Jet4\"", 0), 0u);

  Outcome text = Dump(ShellQuote(kData + "/jet3/queryTestV1997.mdb"));
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("Formato: Jet3"), std::string::npos);
  EXPECT_NE(text.out.find("UnionQuery  tipo 128"), std::string::npos);
}

// The JSON document with every date-time value blanked.
std::string WithoutDates(const std::string& json) {
  return std::regex_replace(json, std::regex("\"[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}\""), "\"D\"");
}

// An .accdb encrypted by Access with a password documents exactly like its unencrypted twin
// (Access stamped different modification times on a few system tables).
TEST(DumpCli, EncryptedAccdbDumpsLikeItsUnencryptedTwin) {
  Outcome encrypted =
      Dump("--json --password password " + ShellQuote(kData + "/encrypted/V2010_with-password.accdb"));
  Outcome plain = Dump("--json " + ShellQuote(kData + "/encrypted/V2010_no-password.accdb"));
  ASSERT_EQ(encrypted.status, 0) << encrypted.err;
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_NE(encrypted.out, plain.out) << "the dates differ, so the comparison below blanks them";
  EXPECT_EQ(WithoutDates(encrypted.out), WithoutDates(plain.out));
  EXPECT_NE(plain.out.find("\"Table1\""), std::string::npos);
}

TEST(DumpCli, EncryptedAccdbWithoutOrWithAWrongPasswordIs3031) {
  for (const char* file : {"db2007-oldenc.accdb", "db2007-enc.accdb", "db-nonstandard.accdb",
                           "V2010_with-password.accdb"}) {
    for (const char* pw : {"", "--password Segreto99 "}) {
      Outcome o = Dump(std::string(pw) + ShellQuote(kData + "/encrypted/" + file));
      EXPECT_EQ(o.status, 2) << file;
      EXPECT_EQ(o.out, "");
      EXPECT_EQ(o.err, "Errore 3031\nPassword non valida.\n") << file;
    }
  }
  Outcome ok = Dump("--password Test123 " + ShellQuote(kData + "/encrypted/db2007-oldenc.accdb"));
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(ok.out.find("Test123"), std::string::npos) << "the password is not shown";
}

// Without OpenSSL's libcrypto an encrypted .accdb cannot be read: that is error 3170 with the
// dynamic linker's reason, not a damaged file and never an abort. The library is hidden in a
// private mount namespace, which only root can make.
TEST(DumpCli, MissingCryptographicLibraryIsError3170WithTheReason) {
  const std::string library = "/usr/lib/x86_64-linux-gnu/libcrypto.so.3";
  if (::geteuid() != 0 || testshell::RunCommand("unshare -m true 2>/dev/null").status != 0 ||
      testshell::RunCommand("test -e " + library).status != 0)
    GTEST_SKIP() << "needs root and unshare to hide " << library;
  const std::string file = ShellQuote(kData + "/encrypted/db2007-oldenc.accdb");
  const std::string hidden = "unshare -m sh -c " +
                             ShellQuote("mount --bind /dev/null " + library + " && exec " +
                                        ShellQuote(TAVREK_DUMP_PATH) + " \"$@\"") +
                             " tavrek-dump ";
  for (const std::string& args : {"--password Test123 " + file, "--json --password Test123 " + file}) {
    const Outcome r = testshell::RunCommandWithErrors(hidden + args);
    const std::string& err = r.err;
    EXPECT_EQ(r.status, 2) << err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(err.rfind("Errore 3170\n", 0), 0u) << err;
    EXPECT_NE(err.find("'libcrypto.so.3'"), std::string::npos) << err;
    EXPECT_NE(err.find("libcrypto.so.3: "), std::string::npos) << "the linker's own words: " << err;
  }
}

}  // namespace
