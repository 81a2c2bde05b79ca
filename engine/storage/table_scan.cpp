#include "engine/storage/table_scan.h"

#include "engine/storage/data_page.h"
#include "engine/storage/usage_map.h"

namespace engine {

void ScanTable(PageReader& pages, const TableDefinition& def,
               const std::function<void(const DataRow&)>& visit) {
  ScanTableRows(pages, def, [&](const DataRow& row, RowPointer) { visit(row); });
}

void ScanTableRows(PageReader& pages, const TableDefinition& def,
                   const std::function<void(const DataRow&, RowPointer)>& visit) {
  const FormatDescriptor& f = pages.Format();
  for (uint32_t number : ReadUsageMap(pages, RowPointer::FromRaw(def.usageMap))) {
    PagePtr page = pages.Read(number);
    // Pages change owner when a table is emptied or compacted; the map may lag behind.
    if (page->Type() != kPageData) continue;
    DataPage data(page, f);
    if (data.Owner() != def.page) continue;
    for (size_t r = 0; r < data.RowCount(); ++r) {
      DataPage::Slot slot = data.Row(r);
      if (slot.deleted) continue;
      PagePtr keep = page;
      ByteView bytes = slot.bytes;
      if (slot.overflow) bytes = ReadRowAt(pages, RowPointer::FromRaw(bytes.U32(0)), keep);
      visit(DataRow::Parse(bytes, def, f), RowPointer{number, static_cast<uint8_t>(r)});
    }
  }
}

}  // namespace engine
