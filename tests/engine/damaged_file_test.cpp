// Damaged copies of the test databases: cut short or with bits flipped. Opening and describing
// them must end in an engine error or in a plausible catalogue, never in a crash, a hang or
// another kind of exception. (The sanitizer build runs these too.)
#include <gtest/gtest.h>

#include <random>

#include "engine/dao.h"
#include "tests/engine/test_files.h"

using enginetest::Corpus;
using enginetest::ReadBytes;
using enginetest::ScratchDir;
using enginetest::WriteBytes;

namespace {

// 0 when the copy opens and describes completely, otherwise the engine's error number. Any other
// exception fails the test.
int DescribeCopy(const std::string& path) {
  try {
    enginetest::DescribeAll(path);
    return 0;
  } catch (const dao::Error& e) {
    EXPECT_FALSE(e.Description().empty());
    return e.Number();
  }
}

const char* const kSamples[] = {"jet3/testV1997.mdb", "jet3/queryTestV1997.mdb",
                                "jet4/testV2000.mdb", "jet4/queryTestV2000.mdb",
                                "jet4/encodedV2000.mdb", "ace/testV2007.accdb"};

TEST(DamagedFiles, TruncatedCopiesAreReportedAsDamaged) {
  ScratchDir dir;
  for (const char* sample : kSamples) {
    const std::vector<uint8_t> bytes = ReadBytes(Corpus(sample));
    const size_t page = bytes[0x14] == 0 ? 2048 : 4096;
    // Cuts inside a page, and cuts at page boundaries that lose the catalogue's pages.
    for (size_t cut : {size_t{10}, size_t{0x30}, page - 1, page + 7, 2 * page, 3 * page,
                       bytes.size() - 1, bytes.size() - 100}) {
      std::vector<uint8_t> copy(bytes.begin(), bytes.begin() + static_cast<long>(cut));
      const std::string path = dir.File("cut.mdb");
      WriteBytes(path, copy);
      const int err = DescribeCopy(path);
      EXPECT_TRUE(err == dao::kErrCorrupt || err == dao::kErrUnrecognizedFormat)
          << sample << " cut at " << cut << ": " << err;
    }
  }
}

TEST(DamagedFiles, BitFlipsNeverCrash) {
  ScratchDir dir;
  std::mt19937 random(20261207);
  int opened = 0, failed = 0;
  for (const char* sample : kSamples) {
    const std::vector<uint8_t> bytes = ReadBytes(Corpus(sample));
    const size_t page = bytes[0x14] == 0 ? 2048 : 4096;
    // Flip bits where the reader looks: the header and the first pages (usage maps, the
    // catalogue's definition and rows).
    const size_t span = std::min(bytes.size(), 12 * page);
    for (int round = 0; round < 150; ++round) {
      std::vector<uint8_t> copy = bytes;
      const int flips = 1 + round % 8;
      for (int k = 0; k < flips; ++k) {
        const size_t at = std::uniform_int_distribution<size_t>(0, span - 1)(random);
        copy[at] ^= static_cast<uint8_t>(1u << std::uniform_int_distribution<int>(0, 7)(random));
      }
      const std::string path = dir.File("flipped.mdb");
      WriteBytes(path, copy);
      const int err = DescribeCopy(path);
      (err == 0 ? opened : failed)++;
      EXPECT_TRUE(err == 0 || err == dao::kErrCorrupt || err == dao::kErrUnrecognizedFormat ||
                  err == dao::kErrBadPassword)
          << sample << " round " << round << ": " << err;
    }
  }
  // Both outcomes occur: the reader neither rejects everything nor accepts everything.
  EXPECT_GT(opened, 0);
  EXPECT_GT(failed, 0);
}

// Structures that point at themselves must be caught, not followed forever.
TEST(DamagedFiles, TableDefinitionPointingToItselfIsDamaged) {
  ScratchDir dir;
  std::vector<uint8_t> bytes = ReadBytes(Corpus("jet4/testV2000.mdb"));
  // Page 2 holds MSysObjects' definition; its "next page" field is at offset 4.
  const size_t page2 = 2 * 4096;
  bytes[page2 + 4] = 2;
  bytes[page2 + 5] = bytes[page2 + 6] = bytes[page2 + 7] = 0;
  const std::string path = dir.File("loop.mdb");
  WriteBytes(path, bytes);
  EXPECT_EQ(DescribeCopy(path), dao::kErrCorrupt);
}

TEST(DamagedFiles, PageNumbersPastTheEndAreDamaged) {
  ScratchDir dir;
  std::vector<uint8_t> bytes = ReadBytes(Corpus("jet3/testV1997.mdb"));
  // The catalogue's usage map pointer (Jet3: offset 35 of the definition) sent past the end.
  const size_t at = 2 * 2048 + 35;
  bytes[at + 1] = bytes[at + 2] = bytes[at + 3] = 0x7F;
  const std::string path = dir.File("far.mdb");
  WriteBytes(path, bytes);
  EXPECT_EQ(DescribeCopy(path), dao::kErrCorrupt);
}

}  // namespace
