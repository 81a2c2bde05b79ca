#include "engine/storage/index_page.h"

namespace engine {

namespace {
constexpr size_t kRowPointerSize = 4;  // page (3 bytes) and row (1 byte), big-endian
constexpr size_t kChildPointerSize = 4;
}  // namespace

IndexPage::IndexPage(const PagePtr& page, const FormatDescriptor& f) {
  const ByteView view = page->View();
  const uint8_t type = page->Type();
  if (type != kPageIndexLeaf && type != kPageIndexNode) ThrowCorrupt("not an index page");
  leaf_ = type == kPageIndexLeaf;
  next_ = view.U32(f.indexPageNext);
  tail_ = leaf_ ? 0 : view.U32(f.indexPageTail);
  if (view.U16(f.indexPagePrefixLength) > view.size()) ThrowCorrupt("index prefix too long");

  const ByteView mask = view.Sub(f.indexPageEntryMask, f.indexPageEntries - f.indexPageEntryMask);
  const ByteView area = view.From(f.indexPageEntries);
  // The fixed part at the end of an entry; what comes before it is the key.
  const size_t tailSize = kRowPointerSize + (leaf_ ? 0 : kChildPointerSize);
  size_t start = 0;
  for (size_t bit = 0; bit < mask.size() * 8; ++bit) {
    const uint8_t bits = mask.U8(bit / 8);
    if (bits == 0) {  // no entry ends in these eight bytes
      bit |= 7;
      continue;
    }
    if ((bits & (1u << (bit % 8))) == 0) continue;
    if (bit <= start) ThrowCorrupt("empty index entry");
    // Only the end of an entry is read here, so the shared prefix (taken from the keys, never
    // from the pointers after them) needs no rebuilding.
    const size_t stored = bit - start;
    if (stored < tailSize) ThrowCorrupt("index entry too short");
    const ByteView entry = area.Sub(start, stored);
    const size_t rowAt = stored - tailSize;
    Entry e;
    e.row.page = entry.U24Be(rowAt);
    e.row.row = entry.U8(rowAt + 3);
    if (!leaf_) e.childPage = entry.U32Be(rowAt + kRowPointerSize);
    entries_.push_back(e);
    start = bit;
  }
}

}  // namespace engine
