// The reader's decoders on hand-made bytes: RC4, text, row layouts of both generations, and the
// mapping of column types to DAO's codes and sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/storage/bytes.h"
#include "engine/dao.h"
#include "engine/storage/data_row.h"
#include "engine/storage/format.h"
#include "engine/catalogue/jet_catalogue.h"
#include "engine/crypto/rc4.h"
#include "engine/storage/text_codec.h"

namespace {

using engine::ByteView;

ByteView View(const std::vector<uint8_t>& v) { return ByteView(v.data(), v.size()); }

TEST(Rc4, KnownKeyStream) {
  // The classic test vector: key "Key", plaintext "Plaintext".
  const uint8_t key[] = {'K', 'e', 'y'};
  uint8_t text[] = {'P', 'l', 'a', 'i', 'n', 't', 'e', 'x', 't'};
  engine::Rc4(key, sizeof key).Apply(text, sizeof text);
  const uint8_t expected[] = {0xBB, 0xF3, 0x16, 0xE8, 0xD9, 0x40, 0xAF, 0x0A, 0xD3};
  EXPECT_EQ(0, std::memcmp(text, expected, sizeof text));
}

TEST(TextCodec, Ucs2PlainAndCompressed) {
  const std::vector<uint8_t> plain = {'A', 0, 0xE8, 0, 0x3A, 0x04};  // "Aè" + CYRILLIC KA
  EXPECT_EQ(engine::DecodeUcs2(View(plain)), "A\xC3\xA8\xD0\xBA");
  // Compressed: "ab", switch to two-byte units for U+043A, back to one byte for "c".
  const std::vector<uint8_t> packed = {0xFF, 0xFE, 'a', 'b', 0x00, 0x3A, 0x04, 0x00, 'c'};
  EXPECT_EQ(engine::DecodeUcs2(View(packed)), "ab\xD0\xBA" "c");
  // A dangling half unit at the end is dropped, not read past.
  const std::vector<uint8_t> odd = {0xFF, 0xFE, 'x', 0x00, 0x41};
  EXPECT_EQ(engine::DecodeUcs2(View(odd)), "x");
  // Surrogate pairs (emoji in names) join; a lone half, wherever it is, becomes U+FFFD.
  const std::vector<uint8_t> pair = {0x3D, 0xD8, 0xE6, 0xDC, 'z', 0};
  EXPECT_EQ(engine::DecodeUcs2(View(pair)), "\xF0\x9F\x93\xA6z");
  const std::vector<uint8_t> lone = {0x3D, 0xD8, 'A', 0, 0xE6, 0xDC, 0x3D, 0xD8};
  EXPECT_EQ(engine::DecodeUcs2(View(lone)), "\xEF\xBF\xBD" "A" "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(TextCodec, SingleByteCodePages) {
  const std::vector<uint8_t> bytes = {'P', 'e', 'r', 0xF2, ' ', 0x80};
  engine::TextCodec cp1252(engine::TextStorage::kCodePage, 1252);
  EXPECT_EQ(cp1252.Decode(View(bytes)), "Per\xC3\xB2 \xE2\x82\xAC");  // "Però €"
  engine::TextCodec cp1251(engine::TextStorage::kCodePage, 1251);
  const std::vector<uint8_t> cyrillic = {0xC0, 0xE1};
  EXPECT_EQ(cp1251.Decode(View(cyrillic)), "\xD0\x90\xD0\xB1");  // "Аб"
}

engine::ColumnDef Column(const char* name, uint8_t type, uint16_t number, uint16_t varIndex,
                         uint16_t fixedOffset, uint16_t length, bool fixed) {
  engine::ColumnDef c;
  c.name = name;
  c.type = type;
  c.number = number;
  c.varIndex = varIndex;
  c.fixedOffset = fixedOffset;
  c.length = length;
  c.flags = fixed ? 0x01 : 0x02;
  return c;
}

// A Jet3 row longer than 255 bytes: one-byte offsets plus a jump table.
TEST(DataRow, Jet3RowWithJumpTable) {
  engine::TableDefinition def;
  def.varColumnCount = 2;
  def.columns = {Column("A", engine::kColLong, 0, 0, 0, 4, true),
                 Column("B", engine::kColText, 1, 0, 0, 255, false),
                 Column("C", engine::kColText, 2, 1, 0, 255, false)};
  std::vector<uint8_t> row(316, 0);
  row[0] = 3;                             // columns in the row
  row[1] = 42;                            // A
  for (int k = 5; k < 305; ++k) row[k] = 'b';
  for (int k = 305; k < 310; ++k) row[k] = 'c';
  row[310] = 54;   // end of data: 310 - 256
  row[311] = 49;   // C at 305 - 256
  row[312] = 5;    // B at 5
  row[313] = 1;    // from variable column 1 on, offsets are past 256
  row[314] = 2;    // variable columns in the row
  row[315] = 0x07; // null mask: all three present
  const auto* f = engine::DescriptorForVersion(0);
  engine::DataRow r = engine::DataRow::Parse(View(row), def, *f);
  EXPECT_EQ(r.Bytes(def.columns[0]).I32(0), 42);
  EXPECT_EQ(r.Bytes(def.columns[1]).Str(), std::string(300, 'b'));
  EXPECT_EQ(r.Bytes(def.columns[2]).Str(), "ccccc");
}

// A Jet4 row written before column C was added: C reads as NULL; a NULL bit hides B.
TEST(DataRow, Jet4RowWithFewerColumnsThanTheTable) {
  engine::TableDefinition def;
  def.varColumnCount = 2;
  def.columns = {Column("A", engine::kColLong, 0, 0, 0, 4, true),
                 Column("B", engine::kColText, 1, 0, 0, 100, false),
                 Column("C", engine::kColText, 2, 1, 0, 100, false)};
  std::vector<uint8_t> row = {2, 0,                 // columns in the row
                              7, 0, 0, 0,           // A
                              'h', 0, 'i', 0,       // B
                              10, 0,                // end of data
                              6, 0,                 // B's offset
                              1, 0,                 // variable columns in the row
                              0x03};                // null mask
  const auto* f = engine::DescriptorForVersion(1);
  engine::DataRow r = engine::DataRow::Parse(View(row), def, *f);
  EXPECT_EQ(r.Bytes(def.columns[0]).I32(0), 7);
  EXPECT_EQ(engine::DecodeUcs2(r.Bytes(def.columns[1])), "hi");
  EXPECT_TRUE(r.IsNull(def.columns[2]));

  row.back() = 0x01;  // B null
  engine::DataRow nulls = engine::DataRow::Parse(View(row), def, *f);
  EXPECT_TRUE(nulls.IsNull(def.columns[1]));
  EXPECT_TRUE(nulls.Bytes(def.columns[1]).empty());
}

TEST(DataRow, OffsetsOutsideTheRowAreDamage) {
  engine::TableDefinition def;
  def.varColumnCount = 1;
  def.columns = {Column("B", engine::kColText, 0, 0, 0, 100, false)};
  // Claims 200 variable columns in a 7-byte row.
  std::vector<uint8_t> row = {1, 0, 2, 0, 200, 0, 0x01};
  EXPECT_THROW(engine::DataRow::Parse(View(row), def, *engine::DescriptorForVersion(1)),
               engine::CorruptError);
  // A variable column whose end lies before its start.
  std::vector<uint8_t> backwards = {1, 0, 'x', 'y', 2, 0, 4, 0, 1, 0, 0x01};
  engine::DataRow r =
      engine::DataRow::Parse(View(backwards), def, *engine::DescriptorForVersion(1));
  EXPECT_THROW(r.Bytes(def.columns[0]), engine::CorruptError);
}

TEST(DescribeColumn, DaoCodesAndSizes) {
  const auto& jet3 = *engine::DescriptorForVersion(0);
  const auto& jet4 = *engine::DescriptorForVersion(1);
  const std::map<int32_t, int16_t> complexTypes = {{5, dao::dbComplexText}};
  auto describe = [&](uint8_t type, uint16_t length, const engine::FormatDescriptor& f,
                      uint32_t misc = 0) {
    engine::ColumnDef c = Column("x", type, 0, 0, 0, length, false);
    c.misc = misc;
    dao::FieldInfo info = engine::DescribeColumn(c, f, complexTypes);
    return std::make_pair(static_cast<int>(info.type), static_cast<int>(info.size));
  };
  using P = std::pair<int, int>;
  EXPECT_EQ(describe(engine::kColText, 100, jet4), P(dao::dbText, 50));  // UCS-2: two bytes each
  EXPECT_EQ(describe(engine::kColText, 50, jet3), P(dao::dbText, 50));
  EXPECT_EQ(describe(engine::kColMemo, 0, jet4), P(dao::dbMemo, 0));
  EXPECT_EQ(describe(engine::kColOle, 0, jet4), P(dao::dbLongBinary, 0));
  EXPECT_EQ(describe(engine::kColBinary, 510, jet4), P(dao::dbBinary, 510));
  EXPECT_EQ(describe(engine::kColNumeric, 17, jet4), P(dao::dbDecimal, 17));
  EXPECT_EQ(describe(engine::kColBigInt, 8, jet4), P(dao::dbBigInt, 8));
  EXPECT_EQ(describe(engine::kColGuid, 16, jet4), P(dao::dbGUID, 16));
  EXPECT_EQ(describe(engine::kColBoolean, 0, jet4), P(dao::dbBoolean, 1));
  EXPECT_EQ(describe(engine::kColComplex, 4, jet4, 5).first, dao::dbComplexText);
}

}  // namespace

TEST(DateTime, IsoOverTheWholeRangeAccessAllows) {
  auto iso = [](double days) { return dao::DateTime{days}.Iso(); };
  EXPECT_EQ(iso(0), "1899-12-30T00:00:00");
  EXPECT_EQ(iso(36526.5), "2000-01-01T12:00:00");
  EXPECT_EQ(iso(-657434), "0100-01-01T00:00:00");
  EXPECT_EQ(iso(2958465.99999), "9999-12-31T23:59:59");
  // Before 1899-12-30 the day counts down while the time of day stays positive.
  EXPECT_EQ(iso(-1.5), "1899-12-29T12:00:00");
  EXPECT_EQ(iso(-700000), "1899-12-30T00:00:00");  // outside the range: the zero date
  EXPECT_EQ(iso(std::nan("")), "1899-12-30T00:00:00");
}
