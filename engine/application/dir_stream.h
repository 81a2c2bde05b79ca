// The `dir` stream of a VBA project, once decompressed: a sequence of records (a 16-bit id, a
// 32-bit size, the data) describing the project (its code page, name, references) and then each
// module: its name, the name of the stream holding it, where its source text starts in that
// stream and whether it is a standard module or a class-like one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/bytes.h"

namespace engine::vba {

struct ModuleEntry {
  std::string name;        // UTF-8 (from the Unicode record when present)
  std::string streamName;  // UTF-8
  uint32_t textOffset = 0; // where the compressed source starts in the module stream
  bool procedural = true;  // a standard module; false: class, form or report module
};

struct ProjectDirectory {
  uint16_t codePage = 1252;
  std::string projectName;
  std::vector<ModuleEntry> modules;  // stored order
};

// Parses a decompressed dir stream. Raises CorruptError when a record runs past the end of the
// stream or a module lacks its name or stream name.
ProjectDirectory ParseDirStream(ByteView dir);

}  // namespace engine::vba
