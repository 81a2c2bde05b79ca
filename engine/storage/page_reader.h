// Reads pages of an open database file. Every page access of the reader goes through here: page
// numbers are checked against the file's size, encoded databases are decoded transparently, and
// recently read pages are kept in a small cache.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/storage/bytes.h"
#include "engine/crypto/page_codec.h"
#include "engine/storage/format.h"
#include "engine/storage/mapped_file.h"

namespace engine {

// One decoded page. Holds its bytes alive for as long as the caller keeps the pointer.
class Page {
 public:
  Page(uint32_t number, std::vector<uint8_t> bytes) : number_(number), bytes_(std::move(bytes)) {}
  uint32_t Number() const { return number_; }
  ByteView View() const { return ByteView(bytes_.data(), bytes_.size()); }
  uint8_t Type() const { return bytes_.empty() ? 0 : bytes_[0]; }

 private:
  friend class PageReader;  // refills pages nobody holds any more
  uint32_t number_;
  std::vector<uint8_t> bytes_;
};

using PagePtr = std::shared_ptr<const Page>;

// Page types (first byte of a page).
enum PageType : uint8_t {
  kPageData = 0x01,
  kPageTableDefinition = 0x02,
  kPageIndexNode = 0x03,
  kPageIndexLeaf = 0x04,
  kPageUsageMap = 0x05,
};

class PageReader {
 public:
  // Takes ownership of `fd` (opened read-only) and closes it when destroyed. `fileSize` is a whole
  // number of pages. `codec`, when given, decodes every page after the first.
  PageReader(int fd, uint64_t fileSize, const FormatDescriptor& format,
             std::unique_ptr<crypto::PageCodec> codec);
  ~PageReader();
  PageReader(const PageReader&) = delete;
  PageReader& operator=(const PageReader&) = delete;

  const FormatDescriptor& Format() const { return format_; }
  uint32_t PageSize() const { return format_.pageSize; }
  uint32_t PageCount() const { return pageCount_; }

  // Page `number`, decoded. Raises CorruptError for a page past the end of the file or a failed
  // read.
  PagePtr Read(uint32_t number);

 private:
  // Reads page `number` from the file into `bytes` (one page long) and decodes it.
  void Load(uint32_t number, std::vector<uint8_t>& bytes);
  // Fills `bytes` from the file at `offset` with pread.
  void ReadAt(off_t offset, std::vector<uint8_t>& bytes);

  int fd_;
  std::unique_ptr<MappedFile> map_;  // the file as memory, when the system maps it
  const FormatDescriptor& format_;
  uint32_t pageCount_;
  std::unique_ptr<crypto::PageCodec> codec_;
  // The cache: a fixed number of slots replaced in clock order, a page read again since the
  // hand last passed keeping its slot one more round. A page no caller holds any more lends its
  // buffer to the next page read.
  struct Slot {
    std::shared_ptr<Page> page;
    bool recentlyUsed = false;
  };
  std::vector<Slot> slots_;
  size_t hand_ = 0;
  std::unordered_map<uint32_t, size_t> slotOf_;  // page number -> slot
};

}  // namespace engine
