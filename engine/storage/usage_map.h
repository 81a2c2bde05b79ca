// Page usage maps: which pages belong to a table. A map is a row holding either a bitmap with its
// first page number (type 0) or a list of pages that each hold a bitmap (type 1).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/storage/data_page.h"

namespace engine {

// The pages marked in the usage map stored at `pointer`, in ascending order. Raises CorruptError
// when the map is malformed or marks a page past the end of the file.
std::vector<uint32_t> ReadUsageMap(PageReader& pages, RowPointer pointer);

}  // namespace engine
