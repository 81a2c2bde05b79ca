// Index pages and the walk of an index's B-tree, on pages built here byte by byte: packed entries
// with a shared prefix, node pages with a tail, and the damage a walk must refuse.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/storage/bytes.h"
#include "engine/storage/format.h"
#include "engine/storage/index_page.h"
#include "engine/storage/index_scan.h"
#include "engine/storage/page_reader.h"
#include "tests/engine/test_files.h"

namespace {

using engine::RowPointer;

const engine::FormatDescriptor& Jet4() { return *engine::DescriptorForVersion(1); }
const engine::FormatDescriptor& Jet3() { return *engine::DescriptorForVersion(0); }

// An index page under construction: entries are appended to the entry area and their ends marked
// in the mask, as Access packs them.
class PageBuilder {
 public:
  PageBuilder(const engine::FormatDescriptor& f, uint8_t type) : f_(f), bytes_(f.pageSize, 0) {
    bytes_[0] = type;
    bytes_[1] = 1;
  }
  PageBuilder& Prefix(uint16_t length) {
    Put16(f_.indexPagePrefixLength, length);
    return *this;
  }
  PageBuilder& Tail(uint32_t page) {
    Put32(f_.indexPageTail, page);
    return *this;
  }
  // A leaf entry: key bytes (already without the shared prefix), then the row pointer.
  PageBuilder& Leaf(std::vector<uint8_t> key, RowPointer row) {
    AppendRow(key, row);
    return End(key);
  }
  // A node entry: key bytes, the row pointer, then the child page.
  PageBuilder& Node(std::vector<uint8_t> key, RowPointer row, uint32_t child) {
    AppendRow(key, row);
    for (int shift = 24; shift >= 0; shift -= 8) key.push_back(static_cast<uint8_t>(child >> shift));
    return End(key);
  }
  // An entry of raw bytes (for damage).
  PageBuilder& Raw(std::vector<uint8_t> entry) { return End(entry); }
  std::vector<uint8_t> Bytes() const { return bytes_; }

 private:
  static void AppendRow(std::vector<uint8_t>& out, RowPointer row) {
    out.push_back(static_cast<uint8_t>(row.page >> 16));
    out.push_back(static_cast<uint8_t>(row.page >> 8));
    out.push_back(static_cast<uint8_t>(row.page));
    out.push_back(row.row);
  }
  PageBuilder& End(const std::vector<uint8_t>& entry) {
    std::copy(entry.begin(), entry.end(), bytes_.begin() + static_cast<long>(f_.indexPageEntries + used_));
    used_ += entry.size();
    bytes_[f_.indexPageEntryMask + used_ / 8] |= static_cast<uint8_t>(1u << (used_ % 8));
    return *this;
  }
  void Put16(size_t at, uint16_t v) {
    bytes_[at] = static_cast<uint8_t>(v);
    bytes_[at + 1] = static_cast<uint8_t>(v >> 8);
  }
  void Put32(size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) bytes_[at + static_cast<size_t>(k)] = static_cast<uint8_t>(v >> (8 * k));
  }

  const engine::FormatDescriptor& f_;
  std::vector<uint8_t> bytes_;
  size_t used_ = 0;
};

// A file made of the given pages (page 0 left blank), opened for a PageReader.
class PageFile {
 public:
  PageFile(const engine::FormatDescriptor& f, const std::vector<std::vector<uint8_t>>& pages)
      : f_(f) {
    std::vector<uint8_t> bytes(f.pageSize, 0);
    for (const auto& p : pages) bytes.insert(bytes.end(), p.begin(), p.end());
    path_ = dir_.File("index.bin");
    enginetest::WriteBytes(path_, bytes);
    size_ = bytes.size();
  }
  engine::PageReader Reader() const {
    return engine::PageReader(::open(path_.c_str(), O_RDONLY | O_CLOEXEC), size_, f_, nullptr);
  }

 private:
  const engine::FormatDescriptor& f_;
  enginetest::ScratchDir dir_;
  std::string path_;
  uint64_t size_ = 0;
};

std::vector<std::pair<uint32_t, int>> Rows(const std::vector<RowPointer>& rows) {
  std::vector<std::pair<uint32_t, int>> out;
  for (RowPointer r : rows) out.emplace_back(r.page, r.row);
  return out;
}

TEST(IndexPage, EntriesAfterTheFirstLeaveOutTheSharedPrefix) {
  for (const engine::FormatDescriptor* f : {&Jet3(), &Jet4()}) {
    // Keys "7f 41 42 43", "7f 41 42 44 45", "7f 41 42 46": three bytes in common.
    PageFile file(*f, {PageBuilder(*f, engine::kPageIndexLeaf)
                           .Prefix(3)
                           .Leaf({0x7f, 0x41, 0x42, 0x43}, {0x010203, 9})
                           .Leaf({0x44, 0x45}, {17, 0})
                           .Leaf({0x46}, {17, 255})
                           .Bytes()});
    engine::PageReader pages = file.Reader();
    engine::IndexPage page(pages.Read(1), *f);
    EXPECT_TRUE(page.IsLeaf()) << f->name;
    EXPECT_EQ(Rows(engine::ReadIndexRows(pages, 1)),
              (std::vector<std::pair<uint32_t, int>>{{0x010203, 9}, {17, 0}, {17, 255}}))
        << f->name;
  }
}

TEST(IndexScan, NodesAreWalkedChildByChildWithTheTailLast) {
  const auto& f = Jet4();
  PageFile file(f, {
                       // 1: the root, two children named by entries and a tail.
                       PageBuilder(f, engine::kPageIndexNode)
                           .Tail(5)
                           .Node({0x7f, 0x10}, {10, 0}, 2)
                           .Node({0x7f, 0x20}, {11, 5}, 3)
                           .Bytes(),
                       PageBuilder(f, engine::kPageIndexLeaf)
                           .Leaf({0x7f, 0x01}, {10, 1})
                           .Leaf({0x7f, 0x10}, {10, 0})
                           .Bytes(),
                       // 3: a node one level further down whose only child, the leaf on
                       // page 4, is both named by its entry and its tail: read once.
                       PageBuilder(f, engine::kPageIndexNode)
                           .Tail(4)
                           .Node({0x7f, 0x20}, {11, 5}, 4)
                           .Bytes(),
                       PageBuilder(f, engine::kPageIndexLeaf).Leaf({0x7f, 0x20}, {11, 5}).Bytes(),
                       PageBuilder(f, engine::kPageIndexLeaf)
                           .Leaf({0x7f, 0x30}, {12, 7})
                           .Leaf({0x7f, 0x31}, {12, 8})
                           .Bytes(),
                   });
  engine::PageReader pages = file.Reader();
  EXPECT_EQ(Rows(engine::ReadIndexRows(pages, 1)),
            (std::vector<std::pair<uint32_t, int>>{{10, 1}, {10, 0}, {11, 5}, {12, 7}, {12, 8}}));
}

TEST(IndexScan, DamagedTreesAreRefused) {
  const auto& f = Jet4();
  auto walk = [&](const std::vector<std::vector<uint8_t>>& built) {
    PageFile file(f, built);
    engine::PageReader pages = file.Reader();
    engine::ReadIndexRows(pages, 1);
  };
  // A child that is the root again.
  EXPECT_THROW(walk({PageBuilder(f, engine::kPageIndexNode).Node({0x7f}, {1, 0}, 1).Bytes()}),
               engine::CorruptError);
  // A tail that loops back up.
  EXPECT_THROW(walk({PageBuilder(f, engine::kPageIndexNode).Tail(2).Bytes(),
                     PageBuilder(f, engine::kPageIndexNode).Tail(1).Bytes()}),
               engine::CorruptError);
  // A child that is not an index page, and one past the end of the file.
  std::vector<uint8_t> data(f.pageSize, 0);
  data[0] = engine::kPageData;
  EXPECT_THROW(walk({PageBuilder(f, engine::kPageIndexNode).Node({0x7f}, {1, 0}, 2).Bytes(), data}),
               engine::CorruptError);
  EXPECT_THROW(walk({PageBuilder(f, engine::kPageIndexNode).Node({0x7f}, {1, 0}, 99).Bytes()}),
               engine::CorruptError);
  // An entry too short to hold its row pointer.
  EXPECT_THROW(walk({PageBuilder(f, engine::kPageIndexLeaf).Raw({0x7f, 0x01}).Bytes()}),
               engine::CorruptError);
  // A chain of nodes deeper than any real index.
  std::vector<std::vector<uint8_t>> deep;
  for (uint32_t p = 1; p <= 40; ++p)
    deep.push_back(PageBuilder(f, engine::kPageIndexNode).Tail(p + 1).Bytes());
  deep.push_back(PageBuilder(f, engine::kPageIndexLeaf).Bytes());
  EXPECT_THROW(walk(deep), engine::CorruptError);
}

}  // namespace
