// The order of the catalogue's collections and the lookup of names: a file's own order (its
// catalogue's name index) for real files, a General-like default for sources without one, and
// case-insensitive lookup in every script.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/crypto/jet_rc4_codec.h"
#include "engine/dao.h"
#include "engine/storage/header.h"
#include "engine/catalogue/name_compare.h"
#include "engine/storage/page_reader.h"
#include "engine/catalogue/system_tables.h"
#include "engine/storage/text_codec.h"
#include "tests/engine/test_files.h"

using enginetest::Corpus;

namespace {

std::vector<std::string> UserTables(const dao::Database& db) {
  std::vector<std::string> names;
  for (const dao::TableDef& t : db.TableDefs())
    if (!t.IsSystem()) names.push_back(t.Name());
  return names;
}

std::vector<std::string> AllTables(const dao::Database& db) {
  std::vector<std::string> names;
  for (const dao::TableDef& t : db.TableDefs()) names.push_back(t.Name());
  return names;
}

std::shared_ptr<dao::Database> Catalogue(const std::vector<std::string>& tables,
                                         const std::vector<std::string>& queries = {}) {
  std::vector<dao::TableInfo> t;
  for (const auto& n : tables) {
    t.emplace_back();
    t.back().name = n;
  }
  std::vector<dao::QueryInfo> q;
  for (const auto& n : queries) {
    q.emplace_back();
    q.back().name = n;
  }
  return dao::Database::Create("test", std::move(t), std::move(q), nullptr);
}

// The two files hold the same names; the General sort order of Access 2000 puts CJK before
// emoji, that of Access 2010 the other way round. No sort of ours could give both: the order
// comes from each file's own index.
TEST(CatalogueOrder, RealFilesKeepTheirOwnSortOrder) {
  dao::DBEngine engine;
  auto jet4 = engine.OpenDatabase(Corpus("generated/stress-e-unicode-V2000.mdb"));
  EXPECT_EQ(UserTables(*jet4), (std::vector<std::string>{"Mixed ÄÖÜ àéî ñ ß ø å", "Πελάτες",
                                                          "Заказы", "商品一覧",
                                                          "📦 Lieferungen 🚚"}));
  auto ace = engine.OpenDatabase(Corpus("generated/stress-e-unicode-V2010.accdb"));
  EXPECT_EQ(UserTables(*ace),
            (std::vector<std::string>{"Mixed ÄÖÜ àéî ñ ß ø å", "Πελάτες", "Заказы",
                                      "📦 Lieferungen 🚚", "商品一覧"}));
  // System tables sit among the others, by name.
  const auto all = AllTables(*ace);
  EXPECT_EQ(std::vector<std::string>(all.begin(), all.begin() + 4),
            (std::vector<std::string>{"f_12D7448B56564D8AAE333BCC9B3718E5_Data",
                                      "Mixed ÄÖÜ àéî ñ ß ø å", "MSysAccessStorage", "MSysACEs"}));
}

// Every test database carries a complete name index on MSysObjects; a reader that misses it
// would fall back to its own order without a sound.
TEST(CatalogueOrder, EveryTestDatabaseHasItsNameIndexRead) {
  std::vector<std::string> files = enginetest::CorpusFiles();
  files.push_back("generated/stress-e-unicode-V2000.mdb");
  files.push_back("generated/stress-e-unicode-V2010.accdb");
  for (const std::string& file : files) {
    std::vector<uint8_t> bytes = enginetest::ReadBytes(Corpus(file));
    engine::DatabaseHeader header;
    ASSERT_EQ(engine::DatabaseHeader::Parse(engine::ByteView(bytes.data(), bytes.size()), header),
              engine::HeaderStatus::kOk)
        << file;
    std::unique_ptr<engine::crypto::PageCodec> rc4;
    if (header.databaseKey != 0) rc4 = std::make_unique<engine::crypto::JetRc4Codec>(header.databaseKey);
    engine::PageReader pages(::open(Corpus(file).c_str(), O_RDONLY | O_CLOEXEC), bytes.size(),
                             *header.format, std::move(rc4));
    engine::TextCodec codec(header.format->text, header.codePage);
    const auto objects = engine::ReadCatalogue(pages, codec);
    const auto order = engine::CatalogueNameOrder(pages, codec, objects);
    ASSERT_EQ(order.size(), objects.size()) << file;
    std::vector<size_t> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 0; i < sorted.size(); ++i) ASSERT_EQ(sorted[i], i) << file;
    // Within one container the index lists names in order; the default agrees on these files.
    for (size_t i = 1; i < order.size(); ++i) {
      const auto& a = objects[order[i - 1]];
      const auto& b = objects[order[i]];
      if (a.parentId == b.parentId && file.find("unicode") == std::string::npos) {
        EXPECT_FALSE(engine::NameLess(b.name, a.name)) << file << ": " << a.name << " / " << b.name;
      }
    }
  }
}

// A damaged name index costs the order, not the catalogue: the names are sorted by the default
// order instead (which, unlike the file, puts CJK before emoji).
TEST(CatalogueOrder, DamagedNameIndexFallsBackToTheDefaultOrder) {
  enginetest::ScratchDir dir;
  const std::string copy = dir.File("unicode.accdb");
  std::vector<uint8_t> bytes = enginetest::ReadBytes(Corpus("generated/stress-e-unicode-V2010.accdb"));
  // Page 7 is the root of MSysObjects' (ParentId, Name) index in this file: make it a data page.
  bytes[7 * 4096] = 0x01;
  enginetest::WriteBytes(copy, bytes);
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(copy);
  const auto names = AllTables(*db);
  EXPECT_EQ(names.size(), 26u);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(),
                             [](const std::string& a, const std::string& b) { return engine::NameLess(a, b); }));
  const auto user = UserTables(*db);
  EXPECT_EQ(user.back(), "📦 Lieferungen 🚚");
}

TEST(CatalogueOrder, DefaultOrderForSourcesWithoutOne) {
  auto db = Catalogue({"Zebra", "Ärzte", "Cittadella", "Città", "citta", "Apfel", "_tmp", "2019",
                       "Яблоко", "Ωmega", "alpha", "Éclair", "Eclair2", "Straße", "Strasse1"},
                      {"qZ", "qÄ", "qA"});
  EXPECT_EQ(AllTables(*db),
            (std::vector<std::string>{"_tmp", "2019", "alpha", "Apfel", "Ärzte", "citta", "Città",
                                      "Cittadella", "Éclair", "Eclair2", "Straße", "Strasse1",
                                      "Zebra", "Ωmega", "Яблоко"}));
  std::vector<std::string> queries;
  for (const dao::QueryDef& q : db->QueryDefs()) queries.push_back(q.Name());
  EXPECT_EQ(queries, (std::vector<std::string>{"qA", "qÄ", "qZ"}));
}

TEST(CatalogueOrder, NamesAreFoundWhateverTheirCase) {
  auto db = Catalogue({"Ärzte", "Città", "citta", "Ωmega", "Заказы", "ÎLE"});
  EXPECT_EQ(db->OpenRecordset("ÄRZTE")->Name(), "Ärzte");
  EXPECT_EQ(db->OpenRecordset("cittÀ")->Name(), "Città");  // accents still count
  EXPECT_EQ(db->OpenRecordset("CITTA")->Name(), "citta");
  EXPECT_EQ(db->OpenRecordset("ωMEGA")->Name(), "Ωmega");
  EXPECT_EQ(db->OpenRecordset("ЗАКАЗЫ")->Name(), "Заказы");
  EXPECT_EQ(db->OpenRecordset("île")->Name(), "ÎLE");
  try {
    db->OpenRecordset("Arzte");
    ADD_FAILURE() << "an unaccented name found an accented table";
  } catch (const dao::Error& e) {
    EXPECT_EQ(e.Number(), dao::kErrItemNotFound);
  }

  dao::DBEngine engine;
  auto real = engine.OpenDatabase(Corpus("generated/stress-e-unicode-V2000.mdb"));
  EXPECT_EQ(real->OpenRecordset("ΠΕΛΆΤΕΣ")->Name(), "Πελάτες");
  EXPECT_EQ(real->OpenRecordset("mixed äöü ÀÉÎ Ñ ß Ø Å")->Name(), "Mixed ÄÖÜ àéî ñ ß ø å");
}

TEST(NameCompare, FoldingKeepsWhatIsNotALetter) {
  EXPECT_EQ(engine::FoldName("ÀÉÎÕÜ ŁŒŸ ΆΣ ЁЖ ＡＢ"), "àéîõü łœÿ άσ ёж ａｂ");
  EXPECT_EQ(engine::FoldName("ς"), engine::FoldName("Σ"));
  // Invalid UTF-8 survives as it is and still tells names apart.
  EXPECT_EQ(engine::FoldName("A\xff" "B"), "a\xff" "b");
  EXPECT_NE(engine::FoldName("A\xfe"), engine::FoldName("A\xff"));
  EXPECT_TRUE(engine::NameLess("a\xfe", "a\xff"));
  EXPECT_FALSE(engine::NameLess("a\xff", "a\xfe"));
}

}  // namespace
