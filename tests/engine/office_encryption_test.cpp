// Office-encrypted .accdb files: every scheme opens with its password and reads exactly like the
// unencrypted database; a missing or wrong password is 3031; a damaged or foreign encryption
// header is a clean engine error, never a crash, a hang or a garbage catalogue.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/crypto/base64.h"
#include "engine/dao.h"
#include "tests/engine/office_encrypt.h"
#include "tests/engine/test_files.h"

using enginetest::Corpus;
using enginetest::EncryptAccdb;
using enginetest::OfficeEncryptOptions;
using enginetest::OfficeScheme;
using enginetest::ReadBytes;
using enginetest::ScratchDir;
using enginetest::WriteBytes;

namespace {

// Everything the catalogue shows of the database, one line per object: tables with their record
// count, fields (name, type, size) and indexes; queries with their type and SQL.
std::string Catalogue(const std::string& path, const std::optional<std::string>& connect) {
  auto db = dao::DBEngine().OpenDatabase(path, false, true, connect);
  std::string out;
  for (int i = 0; i < db->TableDefs().Count(); ++i) {
    const dao::TableDef& t = db->TableDefs().Item(i);
    out += "T " + t.Name();
    if (!t.IsLinked()) {
      auto rs = db->OpenRecordset(t.Name(), dao::dbOpenTable);
      out += " " + std::to_string(rs->RecordCount());
      for (int f = 0; f < rs->Fields().Count(); ++f) {
        const auto& field = rs->Fields().Item(f);
        out += " [" + field.Name() + " " + std::to_string(field.Type()) + " " +
               std::to_string(field.Size()) + "]";
      }
      for (int x = 0; x < rs->Indexes().Count(); ++x) out += " {" + rs->Indexes().Item(x).Name() + "}";
    }
    out += "\n";
  }
  for (int i = 0; i < db->QueryDefs().Count(); ++i) {
    const dao::QueryDef& q = db->QueryDefs().Item(i);
    out += "Q " + q.Name() + " " + std::to_string(q.Type()) + " " + q.SQL() + "\n";
  }
  db->Close();
  return out;
}

// The engine error of opening `path`, or 0. The description never shows the password given.
int OpenError(const std::string& path, const std::optional<std::string>& connect) {
  try {
    dao::DBEngine().OpenDatabase(path, false, true, connect)->Close();
    return 0;
  } catch (const dao::Error& e) {
    if (connect && connect->size() > 1) {
      EXPECT_EQ(e.Description().find(connect->substr(1)), std::string::npos) << e.Description();
    }
    return e.Number();
  }
}

struct CorpusCase {
  const char* file;
  const char* password;
  int tables;  // as Jackcess lists them, system tables included
};

class EncryptedCorpus : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(EncryptedCorpus, OpensOnlyWithItsPassword) {
  const CorpusCase& c = GetParam();
  const std::string path = Corpus(std::string("encrypted/") + c.file);
  auto db = dao::DBEngine().OpenDatabase(path, false, true, std::string(";") + c.password);
  EXPECT_EQ(db->TableDefs().Count(), c.tables);
  db->Close();
  EXPECT_GT(enginetest::DescribeAll(path, std::string(";") + c.password), 0);

  EXPECT_EQ(OpenError(path, std::nullopt), dao::kErrBadPassword);
  EXPECT_EQ(OpenError(path, ";"), dao::kErrBadPassword);
  EXPECT_EQ(OpenError(path, std::string(";") + c.password + "x"), dao::kErrBadPassword);
  EXPECT_EQ(OpenError(path, ";PASSWORD"), dao::kErrBadPassword);
  EXPECT_EQ(OpenError(path, std::string("MS Access;PWD=") + c.password), 0);
  try {
    dao::DBEngine().OpenDatabase(path, false, true, ";sbagliata");
    ADD_FAILURE() << "opened with a wrong password";
  } catch (const dao::Error& e) {
    EXPECT_EQ(e.Description(), "Password non valida.");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, EncryptedCorpus,
    ::testing::Values(CorpusCase{"db2007-oldenc.accdb", "Test123", 23},    // RC4 CryptoAPI, 40 bits
                      CorpusCase{"db2007-enc.accdb", "Test123", 23},       // agile, SHA-1, AES-128
                      CorpusCase{"db-nonstandard.accdb", "password", 23},  // non-standard AES-256
                      CorpusCase{"office-agile-4.2.accdb", "password", 21},  // RC4, 128 bits
                      CorpusCase{"V2010_with-password.accdb", "password", 21}),  // agile, SHA-512
    [](const auto& info) {
      std::string name = info.param.file;
      name = name.substr(0, name.find('.'));
      for (char& ch : name)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

// The names Access makes up from a GUID (hidden attachment tables, resource indexes), blanked.
std::string WithoutGuids(std::string s) {
  size_t run = 0;
  for (size_t k = 0; k < s.size(); ++k) {
    run = isxdigit(static_cast<unsigned char>(s[k])) ? run + 1 : 0;
    if (run == 32) std::fill(s.begin() + static_cast<std::ptrdiff_t>(k - 31), s.begin() + static_cast<std::ptrdiff_t>(k + 1), '#');
  }
  return s;
}

// mdb-reader's agile file has an unencrypted twin, and its RC4 file holds the same database;
// two of Jackcess-encrypt's files differ only in the names Access made up for hidden objects.
TEST(EncryptedCorpus, ReadsLikeTheSameDatabaseUnencrypted) {
  const std::string plain = Catalogue(Corpus("encrypted/V2010_no-password.accdb"), std::nullopt);
  EXPECT_EQ(Catalogue(Corpus("encrypted/V2010_with-password.accdb"), ";password"), plain);
  EXPECT_EQ(Catalogue(Corpus("encrypted/office-agile-4.2.accdb"), ";password"), plain);
  EXPECT_NE(plain.find("T Table1 3 [ID 4 4] [Data 10 255] {PrimaryKey}"), std::string::npos) << plain;

  const std::string rc4 = WithoutGuids(Catalogue(Corpus("encrypted/db2007-oldenc.accdb"), ";Test123"));
  EXPECT_EQ(WithoutGuids(Catalogue(Corpus("encrypted/db2007-enc.accdb"), ";Test123")), rc4);
  const std::string nonStandard = Catalogue(Corpus("encrypted/db-nonstandard.accdb"), ";password");
  EXPECT_NE(nonStandard.find("T Table_One 1 [ID 4 4] [Field1 10 255] {PrimaryKey}"), std::string::npos)
      << nonStandard;
}

// Files encrypted here from an unencrypted .accdb, by an independent writer of each scheme:
// Standard encryption in particular, which no test file written by Access uses.
class WrittenHere : public ::testing::Test {
 protected:
  std::string Write(const OfficeEncryptOptions& options, const std::string& name = "enc.accdb") {
    const std::string path = dir_.File(name);
    WriteBytes(path, EncryptAccdb(ReadBytes(Corpus("ace/testV2007.accdb")), options));
    return path;
  }
  std::string Plain() { return Catalogue(Corpus("ace/testV2007.accdb"), std::nullopt); }
  ScratchDir dir_;
};

TEST_F(WrittenHere, EverySchemeAndKeySizeReadsLikeThePlainFile) {
  struct Variant {
    OfficeScheme scheme;
    uint32_t keyBits;
    const char* hash;
  };
  const Variant variants[] = {
      {OfficeScheme::kStandard, 128, ""},       {OfficeScheme::kStandard, 192, ""},
      {OfficeScheme::kStandard, 256, ""},       {OfficeScheme::kNonStandardAes, 256, ""},
      {OfficeScheme::kRc4CryptoApi, 40, ""},    {OfficeScheme::kRc4CryptoApi, 128, ""},
      {OfficeScheme::kAgile, 256, "SHA512"},    {OfficeScheme::kAgile, 128, "SHA1"},
      {OfficeScheme::kAgile, 192, "SHA256"},    {OfficeScheme::kAgile, 256, "SHA384"},
  };
  const std::string plain = Plain();
  for (const Variant& v : variants) {
    OfficeEncryptOptions o;
    o.scheme = v.scheme;
    o.keyBits = v.keyBits;
    o.agileHash = v.hash;
    o.spinCount = 1000;
    o.password = "Segreto-42";
    SCOPED_TRACE(std::to_string(static_cast<int>(v.scheme)) + " " + std::to_string(v.keyBits) +
                 " " + v.hash);
    const std::string path = Write(o);
    EXPECT_EQ(Catalogue(path, ";Segreto-42"), plain);
    EXPECT_EQ(OpenError(path, std::nullopt), dao::kErrBadPassword);
    EXPECT_EQ(OpenError(path, ";Segreto-43"), dao::kErrBadPassword);
  }
}

// The password is keyed as UTF-16: characters beyond ASCII must reach the derivation intact.
TEST_F(WrittenHere, PasswordsBeyondAsciiAreKeyedAsUtf16) {
  OfficeEncryptOptions o;
  o.scheme = OfficeScheme::kRc4CryptoApi;
  o.password = "pàsswörd€";
  const std::string path = Write(o);
  EXPECT_EQ(OpenError(path, ";pàsswörd€"), 0);
  EXPECT_EQ(OpenError(path, ";passwoerd"), dao::kErrBadPassword);
  EXPECT_EQ(OpenError(path, ";p\xE0ssw\xF6rd"), dao::kErrBadPassword);  // the same as Latin-1 bytes
}

// Corrupting the EncryptionInfo of an encrypted file.
class DamagedHeader : public WrittenHere {
 protected:
  // The file of `options` with its EncryptionInfo passed through `edit` (its length prefix
  // follows the edited size), opened with the right password.
  template <class Edit>
  int OpenEdited(const OfficeEncryptOptions& options, Edit edit) {
    std::vector<uint8_t> bytes = EncryptAccdb(ReadBytes(Corpus("ace/testV2007.accdb")), options);
    const size_t length = bytes[enginetest::kEncryptionInfoLengthOffset] |
                          (bytes[enginetest::kEncryptionInfoLengthOffset + 1] << 8);
    auto first = bytes.begin() + static_cast<std::ptrdiff_t>(enginetest::kEncryptionInfoOffset);
    std::vector<uint8_t> info(first, first + static_cast<std::ptrdiff_t>(length));
    std::fill(first, first + static_cast<std::ptrdiff_t>(length), 0);
    edit(info);
    if (info.size() + enginetest::kEncryptionInfoOffset > 4096) info.resize(4096 - enginetest::kEncryptionInfoOffset);
    std::copy(info.begin(), info.end(), first);
    bytes[enginetest::kEncryptionInfoLengthOffset] = static_cast<uint8_t>(info.size());
    bytes[enginetest::kEncryptionInfoLengthOffset + 1] = static_cast<uint8_t>(info.size() >> 8);
    const std::string path = dir_.File("edited.accdb");
    WriteBytes(path, bytes);
    return OpenError(path, ";" + options.password);
  }

  static OfficeEncryptOptions Agile() {
    OfficeEncryptOptions o;
    o.scheme = OfficeScheme::kAgile;
    o.spinCount = 10;
    return o;
  }
  static OfficeEncryptOptions Binary(OfficeScheme scheme) {
    OfficeEncryptOptions o;
    o.scheme = scheme;
    return o;
  }

  // Replaces the first `from` in the XML of an agile description.
  static auto Replace(const std::string& from, const std::string& to) {
    return [from, to](std::vector<uint8_t>& info) {
      std::string s(info.begin(), info.end());
      const size_t at = s.find(from);
      ASSERT_NE(at, std::string::npos) << from;
      s.replace(at, from.size(), to);
      info.assign(s.begin(), s.end());
    };
  }
};

TEST_F(DamagedHeader, CutOrOversizedStructuresAreDamagedFiles) {
  for (OfficeScheme scheme : {OfficeScheme::kStandard, OfficeScheme::kRc4CryptoApi}) {
    // Cut inside the verifier, inside the header, and before the header's size.
    for (size_t keep : {size_t{60}, size_t{20}, size_t{10}})
      EXPECT_EQ(OpenEdited(Binary(scheme), [keep](auto& info) { info.resize(keep); }),
                dao::kErrCorrupt)
          << keep;
    // A header size running past the structure.
    EXPECT_EQ(OpenEdited(Binary(scheme), [](auto& info) { info[9] = 0x40; }), dao::kErrCorrupt);
  }
  // A stated length running past the header page.
  std::vector<uint8_t> bytes = EncryptAccdb(ReadBytes(Corpus("ace/testV2007.accdb")), Binary(OfficeScheme::kStandard));
  bytes[enginetest::kEncryptionInfoLengthOffset] = 0xFF;
  bytes[enginetest::kEncryptionInfoLengthOffset + 1] = 0x0F;
  WriteBytes(dir_.File("long.accdb"), bytes);
  EXPECT_EQ(OpenError(dir_.File("long.accdb"), ";password"), dao::kErrCorrupt);
}

TEST_F(DamagedHeader, ForeignVersionsAlgorithmsAndSizesAreUnsupported) {
  auto setU32 = [](size_t at, uint32_t v) {
    return [at, v](std::vector<uint8_t>& info) {
      for (size_t k = 0; k < 4; ++k) info[at + k] = static_cast<uint8_t>(v >> (8 * k));
    };
  };
  const auto standard = Binary(OfficeScheme::kStandard);
  const auto rc4 = Binary(OfficeScheme::kRc4CryptoApi);
  // Versions: extensible (4.3), the old binary RC4 (1.1), none at all (0.0).
  EXPECT_EQ(OpenEdited(standard, setU32(0, 0x00030004)), dao::kErrUnrecognizedFormat);
  EXPECT_EQ(OpenEdited(standard, setU32(0, 0x00010001)), dao::kErrUnrecognizedFormat);
  EXPECT_EQ(OpenEdited(standard, setU32(0, 0)), dao::kErrUnrecognizedFormat);
  // The EncryptionHeader starts at 12: flags, size extra, algorithm, hash, key size.
  EXPECT_EQ(OpenEdited(standard, setU32(12 + 8, 0x6603)), dao::kErrUnrecognizedFormat);  // 3DES
  EXPECT_EQ(OpenEdited(standard, setU32(12 + 12, 0x8003)), dao::kErrUnrecognizedFormat);  // MD5
  EXPECT_EQ(OpenEdited(standard, setU32(12 + 16, 256)), dao::kErrUnrecognizedFormat);  // AES-128 key of 256 bits
  EXPECT_EQ(OpenEdited(rc4, setU32(12 + 16, 200)), dao::kErrUnrecognizedFormat);
  EXPECT_EQ(OpenEdited(rc4, setU32(12 + 16, 44)), dao::kErrUnrecognizedFormat);
  EXPECT_EQ(OpenEdited(standard, setU32(12, 0x10 | 0x24)), dao::kErrUnrecognizedFormat);  // external
  EXPECT_EQ(OpenEdited(standard, setU32(12, 0x20)), dao::kErrUnrecognizedFormat);  // no CryptoAPI
}

TEST_F(DamagedHeader, UnreadableAgileDescriptionsAreUnsupported) {
  const auto agile = Agile();
  const std::vector<std::pair<std::string, std::string>> edits = {
      {"</encryption>", "</encryptio>"},                       // not well-formed
      {"<encryption ", "<cifratura "},                         // another root element
      {"saltValue=\"", "saltValue=\"!"},                       // not base64
      {"saltValue=\"", "saltValue=\"A"},                       // base64 of the wrong length
      {"hashAlgorithm=\"SHA512\"", "hashAlgorithm=\"WHIRLPOOL\""},
      {"cipherAlgorithm=\"AES\"", "cipherAlgorithm=\"3DES\""},
      {"ChainingModeCBC", "ChainingModeCFB"},
      {"keyBits=\"128\"", "keyBits=\"136\""},
      {"hashSize=\"64\"", "hashSize=\"20\""},
      {"blockSize=\"16\"", "blockSize=\"8\""},
      {"spinCount=\"10\"", "spinCount=\"10000001\""},          // above the bound: refused, not run
      {"spinCount=\"10\"", "spinCount=\"-1\""},
      {"spinCount=\"10\"", "spinCount=\"99999999999999999999\""},
      {"<keyEncryptors>", "<keyEncryptors><keyEncryptor uri=\"x\"/>"},  // ignored, still fine below
      {"<p:encryptedKey", "<p:encryptedKey spinCount=\"1\""},  // a repeated attribute
      {"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>",
       "<!DOCTYPE encryption [<!ENTITY a \"aaaaaaaaaa\">]>"},
  };
  for (const auto& [from, to] : edits) {
    const int expected = from == "<keyEncryptors>" ? 0 : dao::kErrUnrecognizedFormat;
    EXPECT_EQ(OpenEdited(agile, Replace(from, to)), expected) << from << " -> " << to;
  }
  // The reserved value before the XML.
  EXPECT_EQ(OpenEdited(agile, [](auto& info) { info[4] = 0x41; }), dao::kErrUnrecognizedFormat);
  // Nothing after the reserved value.
  EXPECT_EQ(OpenEdited(agile, [](auto& info) { info.resize(8); }), dao::kErrUnrecognizedFormat);
}

// A damaged verifier reads as a wrong password: nothing tells the two apart.
TEST_F(DamagedHeader, ADamagedVerifierRejectsThePassword) {
  auto flipLast = [](auto& info) { info.back() ^= 0x01; };
  EXPECT_EQ(OpenEdited(Binary(OfficeScheme::kStandard), flipLast), dao::kErrBadPassword);
  EXPECT_EQ(OpenEdited(Binary(OfficeScheme::kRc4CryptoApi), flipLast), dao::kErrBadPassword);
  EXPECT_EQ(OpenEdited(Agile(),
                       [](auto& info) {
                         std::string s(info.begin(), info.end());
                         const std::string key = "encryptedVerifierHashValue=\"";
                         s.replace(s.find(key) + key.size(), 4, "AAAA");
                         info.assign(s.begin(), s.end());
                       }),
            dao::kErrBadPassword);
}

// Version 4.2 followed by the agile reserved value carries the XML description as 4.4 does.
TEST_F(DamagedHeader, AgileDescriptionUnderVersion42) {
  EXPECT_EQ(OpenEdited(Agile(), [](auto& info) { info[2] = 2; }), 0);
  EXPECT_EQ(OpenEdited(Agile(), [](auto& info) { info[0] = 3; info[2] = 2; }),
            dao::kErrUnrecognizedFormat);
}

// Encrypted pages that no longer decrypt to the catalogue: a damaged file, not a garbage list.
TEST_F(DamagedHeader, ScrambledEncryptedPagesAreADamagedFile) {
  std::vector<uint8_t> bytes = EncryptAccdb(ReadBytes(Corpus("ace/testV2007.accdb")), Agile());
  for (size_t k = 2 * 4096; k < 3 * 4096; ++k) bytes[k] ^= 0xA5;
  WriteBytes(dir_.File("scrambled.accdb"), bytes);
  EXPECT_EQ(OpenError(dir_.File("scrambled.accdb"), ";password"), dao::kErrCorrupt);
}

TEST(Base64, OnlyCanonicalPaddedTextDecodes) {
  std::vector<uint8_t> out;
  ASSERT_TRUE(engine::crypto::DecodeBase64("TWFu", out));
  EXPECT_EQ(std::string(out.begin(), out.end()), "Man");
  ASSERT_TRUE(engine::crypto::DecodeBase64("TWE=", out));
  EXPECT_EQ(std::string(out.begin(), out.end()), "Ma");
  ASSERT_TRUE(engine::crypto::DecodeBase64("TQ==", out));
  EXPECT_EQ(std::string(out.begin(), out.end()), "M");
  ASSERT_TRUE(engine::crypto::DecodeBase64("+/+/", out));
  EXPECT_EQ(out, (std::vector<uint8_t>{0xFB, 0xFF, 0xBF}));
  ASSERT_TRUE(engine::crypto::DecodeBase64("", out));
  EXPECT_TRUE(out.empty());
  for (const char* bad : {"TWF", "TW=u", "T===", "TWE", "TQ=A", "TR==", "TWF=TWFu", "TW u", "TWF-"})
    EXPECT_FALSE(engine::crypto::DecodeBase64(bad, out)) << bad;
}

}  // namespace
