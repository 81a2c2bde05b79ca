#include "engine/storage/row_cursor.h"

#include "engine/storage/usage_map.h"

namespace engine {

RowCursor::RowCursor(PageReader& pages, const TableDefinition& def)
    : pages_(pages), def_(def), pageNumbers_(ReadUsageMap(pages, RowPointer::FromRaw(def.usageMap))) {}

bool RowCursor::Next() {
  row_.reset();
  keep_.reset();
  pageFailed_ = false;
  for (;;) {
    if (!page_) {
      if (nextPage_ >= pageNumbers_.size()) return false;
      const uint32_t number = pageNumbers_[nextPage_++];
      slot_ = 0;
      try {
        PagePtr page = pages_.Read(number);
        // Pages change owner when a table is emptied or compacted; the map may lag behind.
        if (page->Type() != kPageData) continue;
        DataPage data(std::move(page), pages_.Format());
        if (data.Owner() != def_.page) continue;
        page_.emplace(std::move(data));
      } catch (const CorruptError&) {
        // The rows of the page are lost together. Their number is not known: the page could not
        // be read, or its row count does not fit the page.
        pageFailed_ = true;
        where_ = {number, 0};
        throw;
      }
    }
    if (slot_ >= page_->RowCount()) {
      page_.reset();
      continue;
    }
    const size_t slot = slot_++;
    where_ = {page_->GetPage()->Number(), static_cast<uint8_t>(slot)};
    ++position_;  // a row that fails below is counted: its position names it
    DataPage::Slot s = page_->Row(slot);
    if (s.deleted) {
      --position_;
      continue;
    }
    ByteView bytes = s.bytes;
    if (s.overflow) bytes = ReadRowAt(pages_, RowPointer::FromRaw(bytes.U32(0)), keep_);
    row_.emplace(DataRow::Parse(bytes, def_, pages_.Format()));
    return true;
  }
}

}  // namespace engine
