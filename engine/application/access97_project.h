// The application of an Access 97 (Jet3) file. Its VBA project lives in the rows of
// MSysModules2: the row named "MSysDb" holds the project's own streams (_VBA_PROJECT and the
// compressed dir stream that lists the modules), packed in one value as a bundle: the 16-bit
// signature 0x1269, six bytes of header, then to the end of the value entries of (a byte count,
// the stream name in UTF-16 ending in NUL, a 32-bit size, the stream bytes). The modules' own
// streams are looked for in the other rows, packed the same way or stored bare under the row's
// name. The design of forms and reports and the definition of macros are not read for this format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/dao.h"
#include "engine/storage/bytes.h"
#include "engine/storage/page_reader.h"
#include "engine/storage/text_codec.h"
#include "engine/application/storage_tree.h"
#include "engine/application/vba_project.h"

namespace engine::vba {

// Said of a project whose rows do not have the form this reader knows.
inline constexpr const char* kAccess97ProjectUnreadable =
    "progetto VBA non letto: le righe di MSysModules2 non hanno la forma che questo lettore "
    "conosce per i file Jet3 (Access 95 e 97)";

// One row of MSysModules2: its Name and the bytes of its Module column.
struct Modules2Row {
  std::string name;
  std::string module;
};

// Whether `value` starts as a bundle of streams does (its signature).
bool IsStreamBundle(ByteView value);

// The streams of a bundle, in stored order, as (name without its NUL, bytes). Raises CorruptError
// when the signature is missing, an entry runs past the end of the value or a name is not whole
// UTF-16.
std::vector<std::pair<std::string, std::string>> ParseStreamBundle(ByteView value);

// Every row of MSysModules2, whose table definition starts on `definitionPage`, in stored order.
// Raises CorruptError when the table lacks its Name or Module column or cannot be read.
std::vector<Modules2Row> ReadModules2Rows(PageReader& pages, const TextCodec& codec,
                                          uint32_t definitionPage);

// The rows as the storage tree the later formats keep (VBA/VBAProject/VBA/<stream>), so that the
// project reader serves both: the bundle's streams first, then each other row's streams (of a
// bundle, or the bare value under the row's name). Of streams sharing a name the first is kept.
// No tree (nullopt) when no row holds the project's dir stream. Raises CorruptError when the
// row holding the project is not a readable bundle.
std::optional<StorageTree> Access97ProjectTree(const std::vector<Modules2Row>& rows);

// The modules of an Access 97 file: those of `own` (the project of MSysModules2), with the text
// of a module `own` lacks or cannot give taken from `enabled`, the copy of the project that Access
// 2000 and later keep in the compound file of MSysAccessObjects when they open an Access 97 file
// without converting it; modules only `enabled` has are added after the others.
std::vector<ModuleSource> MergeAccess97Modules(std::vector<ModuleSource> own,
                                               const std::vector<ModuleSource>& enabled);

}  // namespace engine::vba

namespace engine {

// Fills the documents of Forms, Reports, Scripts and Modules of an Access 97 file: the VBA source
// of modules and of the modules behind forms and reports from `modules` (`projectFound` false: no
// project was found; `projectError` non-empty: why it could not be read). What this format's
// reader does not read (the design of forms and reports, the definition of macros, a module whose
// text is not found) is said in the document's `error` as not read, never as damage. Never raises.
void ReadAccess97Application(std::vector<dao::ContainerInfo>& containers,
                             const std::vector<vba::ModuleSource>& modules, bool projectFound,
                             const std::string& projectError);

}  // namespace engine
