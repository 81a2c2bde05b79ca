#include "engine/storage/data_page.h"

namespace engine {

namespace {
constexpr uint16_t kDeletedFlag = 0x8000;
constexpr uint16_t kOverflowFlag = 0x4000;
constexpr uint16_t kOffsetMask = 0x1FFF;
constexpr int kMaxOverflowHops = 8;
}  // namespace

DataPage::DataPage(PagePtr page, const FormatDescriptor& format)
    : page_(std::move(page)), format_(format) {
  if (page_->Type() != kPageData) ThrowCorrupt("not a data page");
  ByteView view = page_->View();
  rowCount_ = view.U16(format_.dataRowCountOffset);
  if (!view.Has(format_.dataRowCountOffset + 2, rowCount_ * 2))
    ThrowCorrupt("row offset table past the end of its page");
}

DataPage::Slot DataPage::Row(size_t index, bool withDeleted) const {
  ByteView view = page_->View();
  const size_t table = format_.dataRowCountOffset + 2;
  const uint16_t raw = view.U16(table + 2 * index);
  Slot slot;
  slot.deleted = (raw & kDeletedFlag) != 0;
  slot.overflow = (raw & kOverflowFlag) != 0;
  if (slot.deleted && !withDeleted) return slot;
  const size_t start = raw & kOffsetMask;
  const size_t end = index == 0 ? view.size() : (view.U16(table + 2 * (index - 1)) & kOffsetMask);
  if (start < table + 2 * rowCount_ || start > end || end > view.size())
    ThrowCorrupt("row outside its page");
  slot.bytes = view.Sub(start, end - start);
  return slot;
}

ByteView ReadRowAt(PageReader& pages, RowPointer pointer, PagePtr& keep) {
  for (int hop = 0; hop <= kMaxOverflowHops; ++hop) {
    DataPage page(pages.Read(pointer.page), pages.Format());
    if (pointer.row >= page.RowCount()) ThrowCorrupt("row pointer past the rows of its page");
    // An overflow row's target is itself flagged deleted so that scans skip it: accept it here.
    DataPage::Slot slot = page.Row(pointer.row, /*withDeleted=*/true);
    if (!slot.overflow || slot.deleted) {
      keep = page.GetPage();
      return slot.bytes;
    }
    pointer = RowPointer::FromRaw(slot.bytes.U32(0));
  }
  ThrowCorrupt("too many overflow hops");
}

}  // namespace engine
