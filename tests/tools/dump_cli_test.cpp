// The tavrek-dump program itself on real files: exit status and the error text on failure.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string ReadAll(FILE* f) {
  std::string s;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  return s;
}

// Runs tavrek-dump with `args` (already quoted), capturing both output streams.
Outcome Dump(const std::string& args) {
  FILE* errFile = tmpfile();
  EXPECT_NE(errFile, nullptr);
  std::string cmd = Quote(TAVREK_DUMP_PATH) + " " + args + " 2>/dev/fd/" +
                    std::to_string(fileno(errFile));
  FILE* p = popen(cmd.c_str(), "r");
  Outcome o{-1, ReadAll(p), {}};
  int st = pclose(p);
  o.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  rewind(errFile);
  o.err = ReadAll(errFile);
  fclose(errFile);
  return o;
}

const std::string kData = TAVREK_TEST_DATA;

TEST(DumpCli, EngineErrorsExitWithStatusTwoAndNumberedMessage) {
  Outcome missing = Dump(Quote(kData + "/jet4/non-esiste.mdb"));
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err.rfind("Errore 3024\n", 0), 0u) << missing.err;

  for (const char* pw : {"", "--password sbagliata "}) {
    Outcome wrong = Dump(std::string("--json ") + pw + Quote(kData + "/jet4/V2000_with-password.mdb"));
    EXPECT_EQ(wrong.status, 2) << pw;
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err, "Errore 3031\nPassword non valida.\n");
  }

  Outcome notAccess = Dump(Quote(kData + "/NOTICE"));
  EXPECT_EQ(notAccess.status, 2);
  EXPECT_EQ(notAccess.err.rfind("Errore 3343\n", 0), 0u) << notAccess.err;
}

TEST(DumpCli, SuccessWritesOnlyToStandardOutput) {
  Outcome ok = Dump("--password password --json " + Quote(kData + "/jet4/V2000_with-password.mdb"));
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.err, "");
  EXPECT_EQ(ok.out.rfind("{\"format\": \"Jet4\"", 0), 0u);

  Outcome text = Dump(Quote(kData + "/jet3/queryTestV1997.mdb"));
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("Formato: Jet3"), std::string::npos);
  EXPECT_NE(text.out.find("UnionQuery  tipo 128"), std::string::npos);
}

}  // namespace
