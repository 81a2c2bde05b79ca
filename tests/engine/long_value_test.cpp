// Long values and row pointers on hand-built Jet4 pages: inline values, values in one row,
// chains of rows over several pages, overflow rows, and the broken forms of each.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/storage/data_page.h"
#include "engine/storage/long_value.h"
#include "engine/storage/page_reader.h"
#include "tests/engine/test_files.h"

namespace {

constexpr size_t kPage = 4096;

struct RowSpec {
  std::vector<uint8_t> bytes;
  uint16_t flags = 0;  // 0x8000 deleted, 0x4000 overflow
};

// A Jet4 data page holding `rows`, packed from the end of the page as Access does.
std::vector<uint8_t> DataPageBytes(const std::vector<RowSpec>& rows, const char* owner = "LVAL") {
  std::vector<uint8_t> page(kPage, 0);
  page[0] = 0x01;
  page[1] = 0x01;
  std::memcpy(&page[4], owner, 4);
  page[12] = static_cast<uint8_t>(rows.size());
  size_t end = kPage;
  for (size_t i = 0; i < rows.size(); ++i) {
    const size_t start = end - rows[i].bytes.size();
    std::copy(rows[i].bytes.begin(), rows[i].bytes.end(), page.begin() + static_cast<long>(start));
    const uint16_t slot = static_cast<uint16_t>(start | rows[i].flags);
    page[14 + 2 * i] = static_cast<uint8_t>(slot);
    page[15 + 2 * i] = static_cast<uint8_t>(slot >> 8);
    end = start;
  }
  return page;
}

std::vector<uint8_t> Le32(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::string& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The 12-byte field of a row that describes a long value.
std::vector<uint8_t> Field(uint32_t lengthAndFlags, uint32_t pointer, const std::string& inlineData = "") {
  std::vector<uint8_t> f = Le32(lengthAndFlags);
  for (uint8_t b : Le32(pointer)) f.push_back(b);
  for (int k = 0; k < 4; ++k) f.push_back(0);
  return Concat(f, inlineData);
}

class LongValues : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<uint8_t> file(kPage, 0);  // page 0: not read by these tests
    auto add = [&](const std::vector<uint8_t>& page) { file.insert(file.end(), page.begin(), page.end()); };
    // Page 1: a value in one row; the first link of a chain.
    add(DataPageBytes({{Concat({}, "hello world")}, {Concat(Le32((2u << 8) | 0), "abc")}}));
    // Page 2: the chain's last link; a link pointing to itself.
    add(DataPageBytes({{Concat(Le32(0), "def")}, {Concat(Le32((2u << 8) | 1), "x")}}));
    // Page 3: an overflow row pointing to its real row, which is flagged deleted for scans.
    add(DataPageBytes({{Le32((3u << 8) | 1), 0x4000}, {Concat({}, "moved row"), 0xC000}}, "\x05\0\0\0"));
    const std::string path = dir_.File("pages.bin");
    enginetest::WriteBytes(path, file);
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    pages_ = std::make_unique<engine::PageReader>(fd, file.size(), *engine::DescriptorForVersion(1), nullptr);
  }

  std::string Read(const std::vector<uint8_t>& field) {
    return engine::ReadLongValue(*pages_, engine::ByteView(field.data(), field.size()));
  }

  enginetest::ScratchDir dir_;
  std::unique_ptr<engine::PageReader> pages_;
};

TEST_F(LongValues, InlineSingleRowAndChain) {
  EXPECT_EQ(Read(Field(0x80000000u | 5, 0, "inline")), "inlin");
  EXPECT_EQ(Read(Field(0x40000000u | 11, (1u << 8) | 0)), "hello world");
  EXPECT_EQ(Read(Field(6, (1u << 8) | 1)), "abcdef");
  EXPECT_EQ(Read({}), "");  // a NULL value
}

TEST_F(LongValues, BrokenValuesAreDamage) {
  EXPECT_THROW(Read(Field(0x80000000u | 50, 0, "short")), engine::CorruptError);
  EXPECT_THROW(Read(Field(0x40000000u | 500, (1u << 8) | 0)), engine::CorruptError);
  EXPECT_THROW(Read(Field(100, (2u << 8) | 1)), engine::CorruptError);   // loop
  EXPECT_THROW(Read(Field(100, (1u << 8) | 1)), engine::CorruptError);   // chain too short
  EXPECT_THROW(Read(Field(10, (90u << 8) | 0)), engine::CorruptError);   // page past the end
  EXPECT_THROW(Read(Field(10, (1u << 8) | 9)), engine::CorruptError);    // row past the rows
  EXPECT_THROW(Read(Field(0x40000000u | 0x3FFFFFFF, (1u << 8) | 0)), engine::CorruptError);
  EXPECT_THROW(Read({1, 2, 3}), engine::CorruptError);
}

TEST_F(LongValues, OverflowRowsLeadToTheRealRow) {
  engine::PagePtr keep;
  engine::ByteView row = engine::ReadRowAt(*pages_, {3, 0}, keep);
  EXPECT_EQ(row.Str(), "moved row");
  engine::DataPage page(pages_->Read(3), pages_->Format());
  EXPECT_EQ(page.Owner(), 5u);
  EXPECT_TRUE(page.Row(0).overflow);
  EXPECT_TRUE(page.Row(1).deleted);
  EXPECT_TRUE(page.Row(1).bytes.empty());
  // Page 0 is not a data page.
  EXPECT_THROW(engine::DataPage(pages_->Read(0), pages_->Format()), engine::CorruptError);
}

}  // namespace
