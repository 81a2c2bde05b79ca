#include "engine/storage/page_reader.h"

#include "engine/dao.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace engine {

namespace {
// The pages kept (256 KiB of 4 KiB pages): what one catalogue walk comes back to — the
// catalogue's own definition and data pages, long values, index pages — fits; a table definition
// read once makes way for the next in a buffer already touched. A larger cache costs more in
// fresh memory than it saves in reads (measured on a catalogue of 2,000 tables).
constexpr size_t kCachePages = 64;
}  // namespace

PageReader::PageReader(int fd, uint64_t fileSize, const FormatDescriptor& format,
                       std::unique_ptr<crypto::PageCodec> codec)
    : fd_(fd),
      map_(MappedFile::Map(fd, fileSize)),
      format_(format),
      pageCount_(static_cast<uint32_t>(
          std::min<uint64_t>(fileSize / format.pageSize, UINT32_MAX))),
      codec_(std::move(codec)) {
  slots_.reserve(kCachePages);
  slotOf_.reserve(kCachePages);
}

PageReader::~PageReader() {
  if (fd_ >= 0) ::close(fd_);
}

void PageReader::ReadAt(off_t offset, std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t got = ::pread(fd_, bytes.data() + done, bytes.size() - done,
                          offset + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) ThrowCorrupt("short read");
    done += static_cast<size_t>(got);
  }
}

void PageReader::Load(uint32_t number, std::vector<uint8_t>& bytes) {
  bytes.resize(format_.pageSize);
  const off_t offset = static_cast<off_t>(number) * format_.pageSize;
  if (map_) {
    if (!map_->Copy(static_cast<uint64_t>(offset), bytes.data(), bytes.size())) ThrowCorrupt("short read");
  } else {
    ReadAt(offset, bytes);
  }
  if (codec_ && number > 0) {
    try {
      codec_->Decode(number, bytes.data(), bytes.size());
    } catch (const dao::Error&) {
      throw;  // the cryptographic library could not be loaded: not the file's fault
    } catch (const std::runtime_error&) {
      ThrowCorrupt("page could not be decrypted");
    }
  }
}

PagePtr PageReader::Read(uint32_t number) {
  if (number >= pageCount_) ThrowCorrupt("page number past the end of the file");
  if (auto it = slotOf_.find(number); it != slotOf_.end()) {
    Slot& hit = slots_[it->second];
    hit.recentlyUsed = true;
    return hit.page;
  }

  size_t index;
  if (slots_.size() < kCachePages) {
    index = slots_.size();
    slots_.emplace_back();
  } else {
    while (slots_[hand_].recentlyUsed) {
      slots_[hand_].recentlyUsed = false;
      hand_ = (hand_ + 1) % slots_.size();
    }
    index = hand_;
    hand_ = (hand_ + 1) % slots_.size();
  }

  // The slot is empty until the new page is in: a failed read leaves nothing half-filled behind.
  Slot& slot = slots_[index];
  std::shared_ptr<Page> page = std::move(slot.page);
  slot.recentlyUsed = false;
  if (page) slotOf_.erase(page->number_);
  if (page && page.use_count() == 1) {
    // Nobody else holds the page that leaves: its buffer takes the new one.
    page->number_ = number;
    Load(number, page->bytes_);
  } else {
    std::vector<uint8_t> bytes;
    Load(number, bytes);
    page = std::make_shared<Page>(number, std::move(bytes));
  }
  slot.page = page;
  slotOf_.emplace(number, index);
  return page;
}

}  // namespace engine
