// Damaged copies of the test databases: cut short or with bits flipped. Opening and describing
// them must end in an engine error or in a plausible catalogue, never in a crash, a hang or
// another kind of exception. (The sanitizer build runs these too.)
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/dao.h"
#include "engine/rows.h"
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

// Single damages at known places, each of which must end in error 3049: structures that point
// at themselves or past the end must be caught, not followed; a catalogue whose pages are skipped
// must not read as a database with fewer tables, or none.
TEST(DamagedFiles, KnownDamagesAreReportedAsDamaged) {
  struct Case {
    const char* what;
    const char* sample;
    void (*apply)(std::vector<uint8_t>& bytes);
    const char* message;  // a part of the error's description, or nullptr
  };
  // Access_Example_VBA.accdb keeps the catalogue's usage map in row 0 of page 6 (at 0xF93: type,
  // first page, bitmap); page 41 holds catalogue rows.
  constexpr size_t kMap = 6 * 4096 + 0xF93;
  const Case cases[] = {
      // Page 2 holds MSysObjects' definition; its "next page" field is at offset 4.
      {"definition chained to itself", "jet4/testV2000.mdb",
       [](std::vector<uint8_t>& b) {
         b[2 * 4096 + 4] = 2;
         b[2 * 4096 + 5] = b[2 * 4096 + 6] = b[2 * 4096 + 7] = 0;
       },
       nullptr},
      // The catalogue's usage map pointer (Jet3: offset 35 of the definition) sent past the end.
      {"usage map past the end", "jet3/testV1997.mdb",
       [](std::vector<uint8_t>& b) { b[2 * 2048 + 36] = b[2 * 2048 + 37] = b[2 * 2048 + 38] = 0x7F; },
       nullptr},
      {"catalogue map emptied", "app/Access_Example_VBA.accdb",
       [](std::vector<uint8_t>& b) { std::fill(&b[kMap + 5], &b[kMap + 109], uint8_t{0}); },
       "MSysObjects"},
      {"catalogue map shifted", "app/Access_Example_VBA.accdb",
       [](std::vector<uint8_t>& b) { b[kMap + 1] = 1; }, "MSysObjects"},
      {"catalogue page given to another owner", "app/Access_Example_VBA.accdb",
       [](std::vector<uint8_t>& b) { b[41 * 4096 + 4] = 3; }, "MSysObjects"},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> bytes = ReadBytes(Corpus(c.sample));
    c.apply(bytes);
    const std::string path = dir.File("damaged.mdb");
    WriteBytes(path, bytes);
    try {
      enginetest::DescribeAll(path);
      ADD_FAILURE() << "opened without an error";
    } catch (const dao::Error& e) {
      EXPECT_EQ(e.Number(), dao::kErrCorrupt);
      if (c.message) {
        EXPECT_NE(e.Description().find(c.message), std::string::npos) << e.Description();
      }
    }
  }
}

// Salvaging a damaged table: the rows read plus the rows the report counts make up the rows of the
// undamaged table (at most them when a page's rows could not be counted). TAG_NME_TB keeps 933
// rows on the data pages that name its definition, page 742; each is damaged in turn, three ways.
TEST(DamagedFiles, SalvageCountsEveryMissingRow) {
  ScratchDir dir;
  const std::vector<uint8_t> original = ReadBytes(Corpus("app/Access_Example_VBA.accdb"));
  const std::string table = "TAG_NME_TB";
  constexpr size_t kPage = 4096;
  constexpr uint32_t kDefinition = 742;
  struct Damage {
    const char* what;
    void (*apply)(uint8_t* page);
  };
  const Damage damages[] = {
      // Row offsets and row bytes: rows fail one by one, some look deleted.
      {"offsets", [](uint8_t* page) { for (size_t k = 14; k < kPage; k += 7) page[k] = 0xA5; }},
      // No longer a data page: skipped, its rows missing without a trace.
      {"type", [](uint8_t* page) { page[0] = 0x07; }},
      // A row count whose offset table cannot fit: the page's rows cannot be counted.
      {"count", [](uint8_t* page) { page[12] = page[13] = 0xFF; }},
  };
  struct Read {
    int64_t rows = 0;
    dao::LostCount lost;
    bool unknownPageNamed = false;
  };
  auto read = [&](const std::vector<uint8_t>& bytes) {
    const std::string path = dir.File("damaged.accdb");
    WriteBytes(path, bytes);
    dao::DBEngine engine;
    auto rows = engine.OpenDatabase(path)->OpenRows(table, /*salvage=*/true);
    std::vector<dao::Value> row;
    while (rows->Next(row)) {
    }
    Read r{rows->RowsRead(), dao::CountLost(rows->Lost()), false};
    for (const dao::LostRow& l : rows->Lost())
      r.unknownPageNamed |= l.rows == dao::LostRow::kUnknownRows && l.reason.find("pagina ") == 0;
    return r;
  };
  const Read clean = read(original);
  ASSERT_EQ(clean.rows, 933);
  ASSERT_EQ(clean.lost.rows, 0);
  int pages = 0;
  for (size_t page = 3; page < original.size() / kPage; ++page) {
    const uint8_t* at = &original[page * kPage];
    if (at[0] != 0x01 || (at[4] | at[5] << 8 | at[6] << 16 | at[7] << 24) != kDefinition) continue;
    ++pages;
    for (const Damage& d : damages) {
      std::vector<uint8_t> bytes = original;
      d.apply(&bytes[page * kPage]);
      const Read r = read(bytes);
      SCOPED_TRACE("page " + std::to_string(page) + ", " + d.what);
      EXPECT_LT(r.rows, clean.rows);
      // The definition's row count fills in what the pages no longer say.
      EXPECT_EQ(r.rows + r.lost.rows, clean.rows);
      EXPECT_EQ(r.lost.atLeast, r.unknownPageNamed);
      if (std::string(d.what) == "count") {
        EXPECT_TRUE(r.unknownPageNamed);
      }
    }
  }
  EXPECT_GE(pages, 10);
}

}  // namespace
