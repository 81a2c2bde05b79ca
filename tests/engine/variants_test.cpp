// Variants of the test databases made here: the same files RC4-encoded with a database key, given
// a password, or stamped with the version bytes of later ACE releases. The reader must see through
// each of them exactly as Access does.
#include <gtest/gtest.h>

#include "engine/dao.h"
#include "engine/crypto/rc4.h"
#include "tests/engine/test_files.h"

using enginetest::Corpus;
using enginetest::ReadBytes;
using enginetest::ScratchDir;
using enginetest::WriteBytes;

namespace {

constexpr size_t kDatabaseKey = 0x3E;
constexpr size_t kPassword = 0x42;

size_t PageSize(const std::vector<uint8_t>& bytes) { return bytes[0x14] == 0 ? 2048 : 4096; }

// The header's masked area is XOR-coded, so XOR-ing bytes into the file sets them in the clear.
void XorInto(std::vector<uint8_t>& bytes, size_t at, const std::vector<uint8_t>& value) {
  for (size_t k = 0; k < value.size(); ++k) bytes[at + k] ^= value[k];
}

// Encodes every page after the first with `key`, as Access does for an encoded database.
std::vector<uint8_t> Encode(std::vector<uint8_t> bytes, uint32_t key) {
  const size_t page = PageSize(bytes);
  XorInto(bytes, kDatabaseKey,
          {static_cast<uint8_t>(key), static_cast<uint8_t>(key >> 8),
           static_cast<uint8_t>(key >> 16), static_cast<uint8_t>(key >> 24)});
  for (size_t n = 1; n < bytes.size() / page; ++n)
    engine::Rc4DecodeWithKey32(key ^ static_cast<uint32_t>(n), bytes.data() + n * page, page);
  return bytes;
}

// The catalogue as one comparable text: names, counts, fields and indexes.
std::string Summary(const std::string& path, const std::optional<std::string>& connect = {}) {
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(path, false, true, connect);
  std::string s;
  for (const dao::TableDef& t : db->TableDefs()) {
    auto rs = db->OpenRecordset(t.Name());
    s += t.Name() + " " + std::to_string(rs->RecordCount()) + " " + t.DateCreated().Iso() + ":";
    for (const dao::Field& f : rs->Fields())
      s += " " + f.Name() + "/" + std::to_string(f.Type()) + "/" + std::to_string(f.Size());
    for (const dao::Index& x : rs->Indexes()) {
      s += " [" + x.Name();
      for (const dao::IndexField& k : x.Fields()) s += " " + k.Name();
      s += "]";
    }
    s += "\n";
  }
  for (const dao::QueryDef& q : db->QueryDefs()) s += q.Name() + " " + std::to_string(q.Type()) + "\n";
  return s;
}

TEST(Variants, EncodedCopiesReadLikeTheirOriginals) {
  ScratchDir dir;
  for (const char* file : {"jet3/queryTestV1997.mdb", "jet3/testV1997.mdb", "jet4/queryTestV2000.mdb"}) {
    const std::string path = dir.File("encoded.mdb");
    const std::vector<uint8_t> original = ReadBytes(Corpus(file));
    const std::vector<uint8_t> encoded = Encode(original, 0x1234ABCD);
    ASSERT_NE(encoded, original);
    WriteBytes(path, encoded);
    EXPECT_EQ(Summary(path), Summary(Corpus(file))) << file;
  }
}

TEST(Variants, Jet3PasswordIsCheckedWithoutDateMask) {
  ScratchDir dir;
  std::vector<uint8_t> bytes = ReadBytes(Corpus("jet3/testV1997.mdb"));
  XorInto(bytes, kPassword, {'s', 'e', 'g', 'r', 'e', 't', 'o'});
  const std::string path = dir.File("protected.mdb");
  WriteBytes(path, bytes);
  EXPECT_EQ(Summary(path, ";segreto"), Summary(Corpus("jet3/testV1997.mdb")));
  for (const char* wrong : {";Segreto", "; segreto", ";segret", ";"}) {
    try {
      Summary(path, std::string(wrong));
      ADD_FAILURE() << "opened with " << wrong;
    } catch (const dao::Error& e) {
      EXPECT_EQ(e.Number(), dao::kErrBadPassword) << wrong;
    }
  }
}

TEST(Variants, Jet4PasswordOfTwentyCharacters) {
  ScratchDir dir;
  std::vector<uint8_t> bytes = ReadBytes(Corpus("jet4/testV2000.mdb"));
  const std::string pw = "abcdefghij0123456789";  // the longest Access allows
  std::vector<uint8_t> ucs2;
  for (char c : pw) {
    ucs2.push_back(static_cast<uint8_t>(c));
    ucs2.push_back(0);
  }
  XorInto(bytes, kPassword, ucs2);
  const std::string path = dir.File("protected.mdb");
  WriteBytes(path, bytes);
  EXPECT_EQ(Summary(path, ";" + pw), Summary(Corpus("jet4/testV2000.mdb")));
  EXPECT_THROW(Summary(path, ";" + pw.substr(0, 19)), dao::Error);
  EXPECT_THROW(Summary(path), dao::Error);
}

TEST(Variants, AceVersionBytesNameTheFormat) {
  ScratchDir dir;
  const std::vector<uint8_t> original = ReadBytes(Corpus("ace/testV2007.accdb"));
  const std::pair<uint8_t, const char*> versions[] = {
      {2, "ACE12"}, {3, "ACE14"}, {5, "ACE16"}, {6, "ACE17"}};
  for (const auto& [version, name] : versions) {
    std::vector<uint8_t> bytes = original;
    bytes[0x14] = version;
    const std::string path = dir.File("version.accdb");
    WriteBytes(path, bytes);
    dao::DBEngine engine;
    EXPECT_EQ(engine.OpenDatabase(path)->Format(), name);
  }
  // An .accdb signature with the Jet4 version byte is not a file Access writes.
  std::vector<uint8_t> mixed = original;
  mixed[0x14] = 1;
  const std::string path = dir.File("mixed.accdb");
  WriteBytes(path, mixed);
  try {
    dao::DBEngine().OpenDatabase(path);
    ADD_FAILURE();
  } catch (const dao::Error& e) {
    EXPECT_EQ(e.Number(), dao::kErrUnrecognizedFormat);
  }
}

// MSysObjects' row for Table3 in jet4/testV2000.mdb: its Type column (a fixed Integer) lies at
// this file offset. Setting it to 6 (linked Access table) or 4 (linked ODBC table) makes the
// catalogue list a linked table.
constexpr size_t kTable3TypeOffset = 59585;

TEST(Variants, LinkedTablesAreListedButNotOpenedAsTableRecordsets) {
  ScratchDir dir;
  const std::vector<uint8_t> original = ReadBytes(Corpus("jet4/testV2000.mdb"));
  ASSERT_EQ(original[kTable3TypeOffset], 1);
  ASSERT_EQ(original[kTable3TypeOffset + 1], 0);
  for (uint8_t type : {6, 4}) {
    std::vector<uint8_t> bytes = original;
    bytes[kTable3TypeOffset] = type;
    const std::string path = dir.File("linked.mdb");
    WriteBytes(path, bytes);
    dao::DBEngine engine;
    auto db = engine.OpenDatabase(path);
    ASSERT_EQ(db->TableDefs().Count(), 9);
    const dao::TableDef& t3 = db->TableDefs().Item(7);
    ASSERT_EQ(t3.Name(), "Table3");
    EXPECT_TRUE(t3.IsLinked());
    EXPECT_FALSE(t3.IsSystem());
    EXPECT_EQ(t3.DateCreated().Iso(), "2008-03-24T11:24:06");
    try {
      db->OpenRecordset("Table3");
      ADD_FAILURE() << "table-type recordset on a linked table";
    } catch (const dao::Error& e) {
      EXPECT_EQ(e.Number(), dao::kErrInvalidOperation);
      EXPECT_NE(e.Description().find("Table3"), std::string::npos);
    }
    try {
      db->DescribeTable(t3);
      ADD_FAILURE() << "described a linked table as a local one";
    } catch (const dao::Error& e) {
      EXPECT_EQ(e.Number(), dao::kErrInvalidOperation);
      EXPECT_NE(e.Description().find("Table3"), std::string::npos);
    }
    EXPECT_EQ(db->OpenRecordset("Table4")->Fields().Count(), 2);
  }
}

}  // namespace
