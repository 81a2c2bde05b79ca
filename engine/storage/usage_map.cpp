#include "engine/storage/usage_map.h"

namespace engine {

namespace {

constexpr uint8_t kInlineMap = 0x00;
constexpr uint8_t kPagedMap = 0x01;
constexpr size_t kMapPageHeader = 4;

void AddBits(ByteView bitmap, uint64_t firstPage, uint32_t pageCount, std::vector<uint32_t>& out) {
  for (size_t byte = 0; byte < bitmap.size(); ++byte) {
    const uint8_t bits = bitmap.data()[byte];
    if (bits == 0) continue;
    for (int bit = 0; bit < 8; ++bit) {
      if (!((bits >> bit) & 1)) continue;
      const uint64_t page = firstPage + byte * 8 + static_cast<uint64_t>(bit);
      if (page >= pageCount) ThrowCorrupt("usage map marks a page past the end of the file");
      out.push_back(static_cast<uint32_t>(page));
    }
  }
}

}  // namespace

std::vector<uint32_t> ReadUsageMap(PageReader& pages, RowPointer pointer) {
  PagePtr keep;
  ByteView map = ReadRowAt(pages, pointer, keep);
  std::vector<uint32_t> result;
  switch (map.U8(0)) {
    case kInlineMap:
      AddBits(map.From(5), map.U32(1), pages.PageCount(), result);
      break;
    case kPagedMap: {
      const uint64_t pagesPerMapPage = (pages.PageSize() - kMapPageHeader) * 8ull;
      for (size_t k = 0; 1 + 4 * k + 4 <= map.size(); ++k) {
        const uint32_t mapPage = map.U32(1 + 4 * k);
        if (mapPage == 0) continue;
        PagePtr page = pages.Read(mapPage);
        if (page->Type() != kPageUsageMap) ThrowCorrupt("usage map points to a page of another kind");
        AddBits(page->View().From(kMapPageHeader), k * pagesPerMapPage, pages.PageCount(), result);
      }
      break;
    }
    default:
      ThrowCorrupt("unknown usage map type");
  }
  return result;
}

}  // namespace engine
