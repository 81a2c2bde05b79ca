// The VBA project of an Access 2000 or later database, kept in the storage tree under
// VBA/VBAProject: its dir stream lists the modules, each module's source text is compressed in its
// own stream from a given offset, and its PROJECT stream says which modules are classes and which
// belong to a form or report.
#pragma once

#include <string>
#include <vector>

#include "engine/application/storage_tree.h"

namespace engine::vba {

struct ModuleSource {
  std::string name;   // as the VBA project names it: "mod_X", "Form_frmY", "Report_rptZ"
  std::string kind;   // "standard", "class" or "document" (behind a form or report)
  std::string text;   // the source, UTF-8, lines ending in CR LF
  std::string error;  // why the text could not be read (then `text` is empty)
};

// Every module of the project, in the dir stream's order; empty when the tree holds no project.
// A module whose stream is missing or damaged is listed with an error. Raises CorruptError when
// the dir stream itself cannot be read.
std::vector<ModuleSource> ReadVbaProject(const StorageTree& tree);

// The source of one module: `stream` decompressed from `offset` and decoded from `codePage`.
// Raises CorruptError when the offset lies past the stream or the compressed text is damaged.
std::string ModuleText(ByteView stream, uint32_t offset, uint16_t codePage);

}  // namespace engine::vba
