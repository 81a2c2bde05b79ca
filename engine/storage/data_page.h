// Data pages: the page header and the table of row offsets. Also the row pointers used
// throughout the file (page number in the upper three bytes, row number in the lowest).
#pragma once

#include <cstdint>

#include "engine/storage/page_reader.h"

namespace engine {

struct RowPointer {
  uint32_t page = 0;
  uint8_t row = 0;
  static RowPointer FromRaw(uint32_t raw) { return {raw >> 8, static_cast<uint8_t>(raw & 0xFF)}; }
};

class DataPage {
 public:
  // Wraps `page`. Raises CorruptError unless it is a data page whose offset table fits.
  DataPage(PagePtr page, const FormatDescriptor& format);

  // The page of the table definition the rows belong to ("LVAL" on long-value pages).
  uint32_t Owner() const { return page_->View().U32(kOwnerOffset); }
  size_t RowCount() const { return rowCount_; }

  struct Slot {
    bool deleted = false;
    bool overflow = false;  // the row holds only a pointer to where the row really is
    ByteView bytes;         // empty for a deleted row
  };
  // Row `index` (0 .. RowCount() - 1); a deleted row's bytes only with `withDeleted`. Raises
  // CorruptError when the row's bounds are impossible.
  Slot Row(size_t index, bool withDeleted = false) const;
  const PagePtr& GetPage() const { return page_; }

 private:
  static constexpr size_t kOwnerOffset = 4;
  PagePtr page_;
  const FormatDescriptor& format_;
  size_t rowCount_ = 0;
};

// The bytes of the row `pointer` designates, following overflow pointers. `keep` receives the
// page that holds them. Raises CorruptError for a missing or deleted row, or too many hops.
ByteView ReadRowAt(PageReader& pages, RowPointer pointer, PagePtr& keep);

}  // namespace engine
