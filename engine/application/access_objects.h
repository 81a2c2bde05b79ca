// MSysAccessObjects, where Access 2000 keeps the objects of its application (forms, reports,
// macros, the VBA project): an OLE compound file cut into rows of (ID, Data), each Data a fixed
// slice of the file. Joined in ID order, the slices give the compound file back. The first row
// (ID 0) holds bookkeeping of its own; the file starts with the row that carries its signature.
#pragma once

#include <cstdint>
#include <string>

#include "engine/storage/page_reader.h"
#include "engine/storage/text_codec.h"

namespace engine::vba {

// The bytes of the compound file held by MSysAccessObjects, whose table definition starts on
// `definitionPage`: the Data of the rows in ascending ID, from the first whose Data starts with
// the compound file signature. Rows without data count as empty. Raises CorruptError when the
// table lacks its columns, no row starts a compound file, two rows share an ID or the IDs leave a
// gap (a slice missing: what follows it would land at the wrong offset).
std::string ReadAccessObjects(PageReader& pages, const TextCodec& codec, uint32_t definitionPage);

}  // namespace engine::vba
