#include "engine/page_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace engine {

namespace {
// At most this many pages are cached (a few MiB); the catalogue touches far fewer.
constexpr size_t kCachePages = 1024;
}  // namespace

PageReader::PageReader(int fd, uint64_t fileSize, const FormatDescriptor& format,
                       std::unique_ptr<crypto::PageCodec> codec)
    : fd_(fd),
      format_(format),
      pageCount_(static_cast<uint32_t>(
          std::min<uint64_t>(fileSize / format.pageSize, UINT32_MAX))),
      codec_(std::move(codec)) {}

PageReader::~PageReader() {
  if (fd_ >= 0) ::close(fd_);
}

PagePtr PageReader::Read(uint32_t number) {
  if (number >= pageCount_) ThrowCorrupt("page number past the end of the file");
  if (auto it = cache_.find(number); it != cache_.end()) return it->second;

  std::vector<uint8_t> bytes(format_.pageSize);
  const off_t offset = static_cast<off_t>(number) * format_.pageSize;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t got = ::pread(fd_, bytes.data() + done, bytes.size() - done,
                          offset + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) ThrowCorrupt("short read");
    done += static_cast<size_t>(got);
  }
  if (codec_ && number > 0) {
    try {
      codec_->Decode(number, bytes.data(), bytes.size());
    } catch (const std::runtime_error&) {
      ThrowCorrupt("page could not be decrypted");
    }
  }

  if (cache_.size() >= kCachePages) cache_.clear();
  auto page = std::make_shared<const Page>(number, std::move(bytes));
  cache_.emplace(number, page);
  return page;
}

}  // namespace engine
