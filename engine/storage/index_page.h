// One page of an index's B-tree. Leaf pages list the index's entries in key order, each naming
// the row it indexes; node pages list, for each child page, the last entry that child holds, and
// name their right-most child apart (the tail). Entries are packed: a bit mask marks where each
// one ends, and every entry after the first leaves out the bytes it shares with the first.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/storage/data_page.h"
#include "engine/storage/page_reader.h"

namespace engine {

class IndexPage {
 public:
  struct Entry {
    RowPointer row;          // the indexed row (for node entries: the child's last row)
    uint32_t childPage = 0;  // node pages only: the child holding the entries up to this one
  };

  // Decodes `page`. Raises CorruptError unless it is an index page whose entries fit in it.
  IndexPage(const PagePtr& page, const FormatDescriptor& format);

  bool IsLeaf() const { return leaf_; }
  // The entries in key order.
  const std::vector<Entry>& Entries() const { return entries_; }
  // Node pages: the right-most child page, 0 when there is none.
  uint32_t TailPage() const { return tail_; }
  // The next page of the same level, 0 for the last.
  uint32_t NextPage() const { return next_; }

 private:
  bool leaf_ = false;
  uint32_t tail_ = 0;
  uint32_t next_ = 0;
  std::vector<Entry> entries_;
};

}  // namespace engine
