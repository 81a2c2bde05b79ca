// The decoders of the property blob and of the relationship rows on bytes built here: every value
// type, and the damaged forms they must refuse.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/catalogue/jet_catalogue.h"
#include "engine/catalogue/system_tables.h"
#include "engine/catalogue/property_blob.h"
#include "engine/catalogue/property_values.h"
#include "engine/catalogue/relationships.h"

namespace {

using engine::CorruptError;

class Blob {
 public:
  explicit Blob(const char* signature = "MR2") { Raw(std::string(signature, 4)); }
  Blob& Names(const std::vector<std::string>& names) {
    std::string body;
    for (const auto& n : names) body += U16(static_cast<uint16_t>(n.size() * 2)) + Ucs2(n);
    return Chunk(0x80, body);
  }
  struct Entry {
    uint8_t type;
    uint16_t name;
    std::string value;
  };
  Blob& Values(const std::string& target, const std::vector<Entry>& entries, uint16_t kind = 0) {
    std::string t = Ucs2(target);
    std::string body = U32(static_cast<uint32_t>(6 + t.size())) + U16(static_cast<uint16_t>(t.size())) + t;
    for (const Entry& e : entries)
      body += U16(static_cast<uint16_t>(8 + e.value.size())) + std::string(1, '\0') +
              std::string(1, static_cast<char>(e.type)) + U16(e.name) +
              U16(static_cast<uint16_t>(e.value.size())) + e.value;
    return Chunk(kind, body);
  }
  Blob& Raw(const std::string& bytes) {
    bytes_ += bytes;
    return *this;
  }
  const std::string& Bytes() const { return bytes_; }
  engine::ByteView View() const {
    return engine::ByteView(reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size());
  }

  static std::string U16(uint16_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
  static std::string U32(uint32_t v) { return U16(static_cast<uint16_t>(v)) + U16(static_cast<uint16_t>(v >> 16)); }
  static std::string Ucs2(const std::string& ascii) {
    std::string out;
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
  }

 private:
  Blob& Chunk(uint16_t kind, const std::string& body) {
    bytes_ += U32(static_cast<uint32_t>(6 + body.size())) + U16(kind) + body;
    return *this;
  }
  std::string bytes_;
};

std::vector<engine::PropertyBlock> Parse(const Blob& b) {
  engine::TextCodec codec(engine::TextStorage::kUcs2, 1252);
  return engine::ParsePropertyBlob(b.View(), codec);
}

TEST(PropertyBlob, BlocksForTheObjectAndItsColumnsWithEveryValueType) {
  double date = 36526.5;
  std::string dateBytes(8, '\0');
  std::memcpy(dateBytes.data(), &date, 8);
  float single = 2.5f;
  std::string singleBytes(4, '\0');
  std::memcpy(singleBytes.data(), &single, 4);
  const std::string guid("\x33\x22\x11\x00\x55\x44\x77\x66\x88\x99\xAA\xBB\xCC\xDD\xEE\xFF", 16);
  Blob b;
  b.Names({"Description", "Required", "Size", "Big", "Money", "When", "Id", "Blob", "Ratio"})
      .Values("", {{dao::dbText, 0, Blob::Ucs2("Clienti")}, {dao::dbDate, 5, dateBytes}})
      .Values("Codice",
              {{dao::dbBoolean, 1, std::string(1, '\xFF')},
               {dao::dbInteger, 2, Blob::U16(0xFFFE)},
               {dao::dbLong, 2, Blob::U32(0x80000000u)},
               {dao::dbBigInt, 3, Blob::U32(0) + Blob::U32(1)},
               {dao::dbCurrency, 4, Blob::U32(12345) + Blob::U32(0)},
               {dao::dbGUID, 6, guid},
               {dao::dbBinary, 7, "\x01\xAB"},
               {dao::dbSingle, 8, singleBytes},
               {dao::dbText, 0, ""}},
              1);
  auto blocks = Parse(b);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].target, "");
  EXPECT_EQ(blocks[1].target, "Codice");

  engine::TextCodec codec(engine::TextStorage::kUcs2, 1252);
  auto own = engine::DescribeProperties(blocks[0].properties, codec);
  ASSERT_EQ(own.size(), 2u);
  EXPECT_EQ(own[0].name, "Description");
  EXPECT_EQ(std::get<std::string>(own[0].value), "Clienti");
  EXPECT_EQ(std::get<dao::DateTime>(own[1].value).Iso(), "2000-01-01T12:00:00");

  auto column = engine::DescribeProperties(blocks[1].properties, codec);
  ASSERT_EQ(column.size(), 9u);
  EXPECT_EQ(std::get<bool>(column[0].value), true);
  EXPECT_EQ(std::get<int64_t>(column[1].value), -2);
  EXPECT_EQ(std::get<int64_t>(column[2].value), INT32_MIN);
  EXPECT_EQ(std::get<int64_t>(column[3].value), int64_t{1} << 32);
  EXPECT_DOUBLE_EQ(std::get<double>(column[4].value), 1.2345);
  EXPECT_EQ(std::get<std::string>(column[5].value), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
  EXPECT_EQ(std::get<dao::Bytes>(column[6].value).data, (std::vector<uint8_t>{0x01, 0xAB}));
  EXPECT_DOUBLE_EQ(std::get<double>(column[7].value), 2.5);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(column[8].value));  // empty: Null
  EXPECT_EQ(column[8].type, dao::dbText);
}

TEST(PropertyBlob, EmptyBlobHasNoBlocksAndJet3SignatureIsAccepted) {
  EXPECT_TRUE(Parse(Blob().Raw("")).size() == 0u);
  engine::TextCodec codec(engine::TextStorage::kUcs2, 1252);
  EXPECT_TRUE(engine::ParsePropertyBlob(engine::ByteView(), codec).empty());
  Blob jet3("KKD");
  jet3.Names({"A"}).Values("", {{dao::dbLong, 0, Blob::U32(7)}});
  ASSERT_EQ(Parse(jet3).size(), 1u);
}

TEST(PropertyBlob, DamagedBlobsAreRefused) {
  // Unknown signature.
  EXPECT_THROW(Parse(Blob("XYZ").Names({"A"})), CorruptError);
  // A chunk longer than the blob.
  EXPECT_THROW(Parse(Blob().Raw(Blob::U32(500) + Blob::U16(0x80))), CorruptError);
  // A chunk shorter than its own head (would never advance).
  EXPECT_THROW(Parse(Blob().Raw(Blob::U32(2) + Blob::U16(0))), CorruptError);
  // A name number past the name list.
  EXPECT_THROW(Parse(Blob().Names({"A"}).Values("", {{dao::dbLong, 1, Blob::U32(1)}})),
               CorruptError);
  // Values before any name chunk.
  EXPECT_THROW(Parse(Blob().Values("", {{dao::dbLong, 0, Blob::U32(1)}})), CorruptError);
  // An entry claiming more bytes than its chunk holds.
  Blob cut;
  cut.Names({"A"}).Raw(Blob::U32(6 + 6 + 8) + Blob::U16(0) + Blob::U32(6) + Blob::U16(0) +
                       Blob::U16(40) + std::string(6, '\0'));
  EXPECT_THROW(Parse(cut), CorruptError);
  // A value too short for its type.
  engine::StoredProperty p{"Size", dao::dbLong, 0, "\x01\x02"};
  engine::TextCodec codec(engine::TextStorage::kUcs2, 1252);
  EXPECT_THROW(engine::DecodePropertyValue(p, codec), CorruptError);
}

engine::RelationshipRow Row(const std::string& name, int count, int position,
                            const std::string& column, const std::string& referenced) {
  return {name, 0, count, position, "Ordini", column, "Clienti", referenced};
}

TEST(RelationshipRows, PairsAreGroupedByNameAndOrderedByPosition) {
  // A three-column relationship stored out of order, interleaved with another one.
  auto relations = engine::GroupRelationships({Row("ClientiOrdini", 3, 2, "c3", "k3"),
                                               Row("Altra", 1, 0, "x", "y"),
                                               Row("ClientiOrdini", 3, 0, "c1", "k1"),
                                               Row("ClientiOrdini", 3, 1, "c2", "k2")});
  ASSERT_EQ(relations.size(), 2u);
  EXPECT_EQ(relations[0].name, "ClientiOrdini");
  EXPECT_EQ(relations[0].referencedTable, "Clienti");
  EXPECT_EQ(relations[0].table, "Ordini");
  ASSERT_EQ(relations[0].pairs.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(relations[0].pairs[i].column, "c" + std::to_string(i + 1));
    EXPECT_EQ(relations[0].pairs[i].referencedColumn, "k" + std::to_string(i + 1));
  }
  EXPECT_EQ(relations[1].name, "Altra");
}

TEST(RelationshipRows, InconsistentRowsAreRefused) {
  using engine::GroupRelationships;
  EXPECT_THROW(GroupRelationships({Row("R", 2, 0, "a", "b")}), CorruptError);  // a pair missing
  EXPECT_THROW(GroupRelationships({Row("R", 1, 0, "a", "b"), Row("R", 1, 0, "a", "b")}),
               CorruptError);  // stored twice
  EXPECT_THROW(GroupRelationships({Row("R", 1, 1, "a", "b")}), CorruptError);   // position
  EXPECT_THROW(GroupRelationships({Row("R", 0, 0, "a", "b")}), CorruptError);   // count
  EXPECT_THROW(GroupRelationships({Row("R", 100000, 0, "a", "b")}), CorruptError);
  EXPECT_THROW(GroupRelationships({Row("R", 2, 0, "a", "b"), Row("R", 3, 1, "c", "d")}),
               CorruptError);  // counts disagree
  auto other = Row("R", 2, 1, "c", "d");
  other.table = "Fatture";
  EXPECT_THROW(GroupRelationships({Row("R", 2, 0, "a", "b"), other}), CorruptError);
}

TEST(LinkedTables, ConnectAsDaoShowsIt) {
  using engine::LinkConnect;
  EXPECT_EQ(LinkConnect(engine::kObjectLinkedTable, "", "C:\\dati\\altro.mdb"),
            ";DATABASE=C:\\dati\\altro.mdb");
  EXPECT_EQ(LinkConnect(engine::kObjectLinkedTable, "MS Access;PWD=segreto", "\\\\srv\\b.accdb"),
            "MS Access;PWD=segreto;DATABASE=\\\\srv\\b.accdb");
  EXPECT_EQ(LinkConnect(engine::kObjectOdbcTable, "ODBC;DSN=x;UID=sa;PWD=p;", "ignored"),
            "ODBC;DSN=x;UID=sa;PWD=p;");
  EXPECT_EQ(LinkConnect(engine::kObjectTable, "", ""), "");
}

}  // namespace
