// Helpers of the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/dao.h"

namespace fuzz {

// Reads everything the object model offers of `db`: every table's dates, record count, fields,
// indexes and rows (a table-type recordset on a linked table must be refused), every query's type,
// dates and SQL. Engine errors of one object do not stop the others; anything else is a bug.
void DescribeAll(dao::Database& db);

// Puts `size` bytes at `data` into an anonymous in-memory file (memfd), replacing what it held, and
// returns a path that opens it as an ordinary read-only file. Nothing touches the disk.
std::string InMemoryFile(const uint8_t* data, size_t size);

}  // namespace fuzz
