// Walks an index's B-tree from its root: the rows it names, in the index's key order.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/storage/data_page.h"
#include "engine/storage/page_reader.h"

namespace engine {

// The row pointers of every entry of the index whose root is `rootPage`, in key order (node
// pages are walked child by child, their tail last). Raises CorruptError for a page that is not
// an index page, a page reached twice, or a tree deeper than any index Access writes.
std::vector<RowPointer> ReadIndexRows(PageReader& pages, uint32_t rootPage);

}  // namespace engine
