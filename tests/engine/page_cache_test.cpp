// The page reader's cache: pages still held by a caller keep their bytes whatever is read after
// them, and pages read again come back right after their slot has been reused.
#include <fcntl.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/storage/bytes.h"
#include "engine/storage/format.h"
#include "engine/storage/mapped_file.h"
#include "engine/storage/page_reader.h"
#include "tests/engine/test_files.h"

namespace {

// A Jet4 file of `count` pages, each filled with the low byte of its number and carrying the
// whole number in its first four bytes.
std::string NumberedFile(const enginetest::ScratchDir& dir, uint32_t count) {
  std::vector<uint8_t> bytes;
  for (uint32_t n = 0; n < count; ++n) {
    std::vector<uint8_t> page(4096, static_cast<uint8_t>(n));
    for (int k = 0; k < 4; ++k) page[static_cast<size_t>(k)] = static_cast<uint8_t>(n >> (8 * k));
    bytes.insert(bytes.end(), page.begin(), page.end());
  }
  const std::string path = dir.File("pages.bin");
  enginetest::WriteBytes(path, bytes);
  return path;
}

void ExpectPage(const engine::PagePtr& page, uint32_t number) {
  ASSERT_TRUE(page);
  EXPECT_EQ(page->Number(), number);
  EXPECT_EQ(page->View().U32(0), number);
  EXPECT_EQ(page->View().U8(4095), static_cast<uint8_t>(number));
}

TEST(PageCache, HeldPagesSurviveAndEvictedPagesComeBack) {
  enginetest::ScratchDir dir;
  const uint32_t count = 2000;
  const std::string path = NumberedFile(dir, count);
  engine::PageReader pages(::open(path.c_str(), O_RDONLY | O_CLOEXEC), uint64_t{count} * 4096,
                           *engine::DescriptorForVersion(1), nullptr);
  engine::PagePtr held = pages.Read(7);
  engine::PagePtr again = pages.Read(7);
  EXPECT_EQ(held.get(), again.get());  // a hit, not a second copy
  again.reset();

  // Far more pages than the cache keeps, some of them twice, while page 7 is held.
  for (uint32_t round = 0; round < 2; ++round)
    for (uint32_t n = 1; n < count; n += 1 + round) ExpectPage(pages.Read(n), n);
  ExpectPage(held, 7);
  // Pages handed out and let go are refilled: each read still gives its own page.
  for (uint32_t n = count - 1; n > count - 600; --n) ExpectPage(pages.Read(n), n);
  ExpectPage(pages.Read(1), 1);
  EXPECT_THROW(pages.Read(count), engine::CorruptError);
}

// A file cut short by someone else after it was opened: the pages it still has read as before,
// the ones it lost are a damaged file, and the process goes on (reading them from the mapping
// would otherwise end it with SIGBUS).
TEST(PageCache, FileCutShortAfterOpeningIsADamagedFileNotACrash) {
  enginetest::ScratchDir dir;
  const uint32_t count = 64;
  const std::string path = NumberedFile(dir, count);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  {
    // The mapping on its own.
    std::unique_ptr<engine::MappedFile> map = engine::MappedFile::Map(fd, uint64_t{count} * 4096);
    ASSERT_TRUE(map) << "the system maps regular files";
    std::vector<uint8_t> page(4096);
    ASSERT_TRUE(map->Copy(uint64_t{40} * 4096, page.data(), page.size()));
    EXPECT_EQ(page[100], 40);
    EXPECT_FALSE(map->Copy(uint64_t{count} * 4096 - 100, page.data(), page.size()));  // past the end
  }
  engine::PageReader pages(fd, uint64_t{count} * 4096, *engine::DescriptorForVersion(1), nullptr);
  ExpectPage(pages.Read(3), 3);
  ASSERT_EQ(::truncate(path.c_str(), 16 * 4096), 0);
  for (uint32_t n : {40u, 63u, 17u}) EXPECT_THROW(pages.Read(n), engine::CorruptError) << n;
  // Twice in a row, and after that the pages still there read as before.
  EXPECT_THROW(pages.Read(50), engine::CorruptError);
  ExpectPage(pages.Read(15), 15);
  ExpectPage(pages.Read(3), 3);
}

}  // namespace
