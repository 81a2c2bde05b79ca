// Opening: passwords, files that are missing, foreign or unreadable, and the promise that the file
// is left exactly as it was.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "engine/dao.h"
#include "tests/engine/test_files.h"

using enginetest::Corpus;
using enginetest::ReadBytes;
using enginetest::ScratchDir;
using enginetest::WriteBytes;

namespace {

// The error number OpenDatabase raises, or 0 when it opens.
int OpenError(const std::string& path, const std::optional<std::string>& connect = {}) {
  dao::DBEngine engine;
  try {
    engine.OpenDatabase(path, false, true, connect)->Close();
    return 0;
  } catch (const dao::Error& e) {
    EXPECT_FALSE(e.Description().empty());
    return e.Number();
  }
}

std::string Protected() { return Corpus("jet4/V2000_with-password.mdb"); }

// Only the exact password opens, in any of the connect strings' forms; case and blanks count
// (removing blanks typed around a password is the caller's business: the password prompt does
// it). A file without a password ignores one given.
TEST(Password, OnlyTheExactPasswordOpens) {
  const struct {
    const char* file;
    std::optional<std::string> connect;
    int error;
  } kCases[] = {
      {"jet4/V2000_with-password.mdb", ";password", 0},
      {"jet4/V2000_with-password.mdb", "MS Access;PWD=password", 0},
      {"jet4/V2000_with-password.mdb", ";PWD=password", 0},
      {"jet4/V2000_with-password.mdb", std::nullopt, dao::kErrBadPassword},
      {"jet4/V2000_with-password.mdb", ";", dao::kErrBadPassword},
      {"jet4/V2000_with-password.mdb", ";passwort", dao::kErrBadPassword},
      {"jet4/V2000_with-password.mdb", ";passwordx", dao::kErrBadPassword},
      {"jet4/V2000_with-password.mdb", ";PASSWORD", dao::kErrBadPassword},
      {"jet4/V2000_with-password.mdb", "; password ", dao::kErrBadPassword},
      {"jet4/V2000_with-password.mdb", ";password ", dao::kErrBadPassword},
      {"jet4/V2000_with-password.mdb", "; password", dao::kErrBadPassword},
      {"jet4/V2000_no-password.mdb", ";whatever", 0},
      {"jet3/testV1997.mdb", ";whatever", 0},
  };
  for (const auto& c : kCases) EXPECT_EQ(OpenError(Corpus(c.file), c.connect), c.error) << c.file << " " << c.connect.value_or("(none)");

  dao::DBEngine engine;
  EXPECT_EQ(engine.OpenDatabase(Protected(), false, true, ";password")->OpenRecordset("Table1")->RecordCount(), 3);
  try {
    dao::DBEngine().OpenDatabase(Protected());
    ADD_FAILURE() << "opened without a password";
  } catch (const dao::Error& e) {
    EXPECT_EQ(e.Description(), "Password non valida.");
  }
}

TEST(OpenErrors, MissingFileIs3024) {
  const std::string path = Corpus("jet4/no-such-file.mdb");
  EXPECT_EQ(OpenError(path), dao::kErrFileNotFound);
  EXPECT_EQ(OpenError(""), dao::kErrFileNotFound);
  EXPECT_EQ(OpenError(Corpus("jet4/testV2000.mdb/inside")), dao::kErrFileNotFound);
  try {
    dao::DBEngine().OpenDatabase(path);
  } catch (const dao::Error& e) {
    EXPECT_EQ(e.Description(), "Impossibile trovare il file '" + path + "'.");
  }
}

// Only ordinary files are databases, and the error says what the path is instead (3044, not a
// valid path); a named pipe must not block the open.
TEST(OpenErrors, FoldersAndPipesAreNotDatabaseFilesAndSaySo) {
  ScratchDir dir;
  const std::string pipe = dir.File("pipe.mdb");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  struct Case {
    std::string path, description;
  };
  for (const Case& c : {Case{Corpus("jet4"), "è una cartella, non un file di database."},
                        Case{Corpus("jet4") + "/", "è una cartella, non un file di database."},
                        Case{pipe, "non è un file ma una pipe, un dispositivo o un socket."},
                        Case{"/dev/null", "non è un file ma una pipe, un dispositivo o un socket."}}) {
    try {
      dao::DBEngine().OpenDatabase(c.path);
      ADD_FAILURE() << c.path << " opened";
    } catch (const dao::Error& e) {
      EXPECT_EQ(e.Number(), 3044) << c.path;
      EXPECT_EQ(e.Description(), "'" + c.path + "' non è un percorso valido: " + c.description);
    }
  }
}

TEST(OpenErrors, ForeignFilesAre3343) {
  ScratchDir dir;
  const std::string text = dir.File("notes.mdb");
  WriteBytes(text, std::vector<uint8_t>(5000, 'x'));
  EXPECT_EQ(OpenError(text), dao::kErrUnrecognizedFormat);

  const std::string empty = dir.File("empty.mdb");
  WriteBytes(empty, {});
  EXPECT_EQ(OpenError(empty), dao::kErrUnrecognizedFormat);

  // A Jet signature with a version byte no Access ever wrote.
  std::vector<uint8_t> bytes = ReadBytes(Corpus("jet4/testV2000.mdb"));
  bytes[0x14] = 0x40;
  const std::string future = dir.File("future.mdb");
  WriteBytes(future, bytes);
  EXPECT_EQ(OpenError(future), dao::kErrUnrecognizedFormat);
}

// A database key in an .accdb with no description of its encryption: nothing says how to read it.
TEST(OpenErrors, EncryptedAccdbWithoutItsDescriptionIsUnsupportedAndSaysSo) {
  ScratchDir dir;
  std::vector<uint8_t> bytes = ReadBytes(Corpus("ace/testV2007.accdb"));
  bytes[0x3E] ^= 0x5A;  // the masked area is XOR-coded: this sets a database key
  const std::string path = dir.File("encrypted.accdb");
  WriteBytes(path, bytes);
  dao::DBEngine engine;
  try {
    engine.OpenDatabase(path, false, true, ";secret");
    ADD_FAILURE() << "opened an encrypted .accdb";
  } catch (const dao::Error& e) {
    EXPECT_EQ(e.Number(), dao::kErrUnrecognizedFormat);
    EXPECT_NE(e.Description().find("crittografat"), std::string::npos) << e.Description();
  }
}

// Without a database key the pages should be plain; scrambled ones mean an encryption the header
// does not tell.
TEST(OpenErrors, ScrambledAccdbIsReportedAsEncrypted) {
  ScratchDir dir;
  std::vector<uint8_t> bytes = ReadBytes(Corpus("ace/testV2007.accdb"));
  for (size_t k = 4096; k < bytes.size(); ++k) bytes[k] = static_cast<uint8_t>(k * 131 + 7);
  const std::string path = dir.File("scrambled.accdb");
  WriteBytes(path, bytes);
  EXPECT_EQ(OpenError(path), dao::kErrUnrecognizedFormat);
}

TEST(OpenErrors, UnreadableFileIs3051) {
  ScratchDir dir;
  const std::string path = dir.File("locked.mdb");
  WriteBytes(path, ReadBytes(Corpus("jet4/testV2000.mdb")));
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  if (geteuid() != 0) {
    EXPECT_EQ(OpenError(path), dao::kErrCannotOpen);
    return;
  }
  // Root reads any file: try the open as an ordinary user, in a child process.
  ASSERT_EQ(chmod(std::filesystem::path(path).parent_path().c_str(), 0755), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
    _exit(OpenError(path) == dao::kErrCannotOpen ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 100) GTEST_SKIP() << "cannot become an ordinary user here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the open did not fail with 3051 for an ordinary user";
}

TEST(OpenErrors, ClosedObjectsRefuseFurtherUse) {
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(Corpus("jet4/queryTestV2000.mdb"));
  auto rs = db->OpenRecordset("Table1");
  const dao::QueryDef& q = db->QueryDefs().Item(0);
  db->Close();
  db->Close();
  EXPECT_THROW((void)rs->RecordCount(), dao::Error);
  EXPECT_THROW((void)q.SQL(), dao::Error);
  EXPECT_THROW((void)db->TableDefs(), dao::Error);
}

// The reader opens the file read-only: after opening and describing everything, the file has the
// same bytes, the same modification time and the same access time.
TEST(ReadOnly, FileBytesAndTimesAreUnchanged) {
  ScratchDir dir;
  const std::string path = dir.File("copy.mdb");
  const std::vector<uint8_t> original = ReadBytes(Corpus("jet4/queryTestV2000.mdb"));
  WriteBytes(path, original);
  // An access time older than the modification time is one that even "relatime" would update.
  struct timespec times[2];
  times[0].tv_sec = 1000000000;  // access
  times[0].tv_nsec = 0;
  times[1].tv_sec = 1100000000;  // modification
  times[1].tv_nsec = 0;
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);

  EXPECT_GT(enginetest::DescribeAll(path), 4);

  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1100000000);
  EXPECT_EQ(st.st_atim.tv_sec, 1000000000);
  EXPECT_EQ(ReadBytes(path), original);
}

}  // namespace
