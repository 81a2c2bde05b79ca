// The layout of a query's design window, as Access keeps it in the LvExtra field of the query's
// row in MSysObjects (queries written out in the design grid carry it into their SaveAsText file).
//
// A 16-byte header (0x99 0x99 0xCE 0xAC, then twelve bytes of 0xAA), then 32-bit little-endian
// signed numbers: the window's rectangle (left, top, right, bottom), its state, the rectangle of
// the table pane, two more positions, the grid's "ColumnsShown" and the number of tables; then
// per table a record of 284 bytes: its box (left, top, right, bottom), a scroll position, and two
// NUL-padded UTF-16 fields of 132 bytes each, the table's name and its alias.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/bytes.h"

namespace engine {

struct QueryLayoutTable {
  std::array<int32_t, 4> box{};  // left, top, right, bottom
  int32_t scrollTop = 0;
  std::string name;
  std::string alias;
};

struct QueryLayout {
  int32_t state = 0;
  std::array<int32_t, 4> window{};  // left, top, right, bottom
  std::array<int32_t, 4> pane{};
  int32_t left = 0;
  int32_t top = 0;
  int32_t columnsShown = 0;
  std::vector<QueryLayoutTable> tables;
};

// Decodes the field. Raises CorruptError when the header is not the one above or a table record
// runs past the end.
QueryLayout ParseQueryLayout(ByteView field);

}  // namespace engine
