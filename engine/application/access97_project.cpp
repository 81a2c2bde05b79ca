#include "engine/application/access97_project.h"

#include <map>
#include <new>
#include <set>
#include <stdexcept>

#include "engine/storage/column_value.h"
#include "engine/storage/table_scan.h"
#include "engine/catalogue/name_compare.h"
#include "engine/catalogue/table_definition.h"

namespace engine::vba {

namespace {

constexpr uint16_t kBundleSignature = 0x1269;
constexpr size_t kBundleHeader = 8;
const char* const kProjectRow = "MSysDb";

}  // namespace

bool IsStreamBundle(ByteView value) {
  return value.size() >= kBundleHeader && value.U16(0) == kBundleSignature;
}

std::vector<std::pair<std::string, std::string>> ParseStreamBundle(ByteView value) {
  if (!IsStreamBundle(value)) ThrowCorrupt("MSysModules2 value is not a stream bundle");
  std::vector<std::pair<std::string, std::string>> streams;
  size_t pos = kBundleHeader;
  while (pos < value.size()) {
    const size_t nameBytes = value.U8(pos);
    if (nameBytes % 2 != 0) ThrowCorrupt("stream name of odd length in a bundle");
    ByteView name = value.Sub(pos + 1, nameBytes);
    pos += 1 + nameBytes;
    const uint32_t size = value.U32(pos);
    ByteView data = value.Sub(pos + 4, size);
    pos += 4 + size;
    // The name ends in a NUL character, which is not part of it.
    size_t chars = nameBytes / 2;
    while (chars > 0 && name.U16(2 * (chars - 1)) == 0) --chars;
    streams.emplace_back(DecodeUcs2(name.Sub(0, 2 * chars)), data.Str());
  }
  return streams;
}

std::vector<Modules2Row> ReadModules2Rows(PageReader& pages, const TextCodec& codec,
                                          uint32_t definitionPage) {
  TableDefinition def = TableDefinition::Read(pages, definitionPage, codec);
  const ColumnDef* name = def.ColumnByName("Name");
  const ColumnDef* module = def.ColumnByName("Module");
  if (!name || !module) ThrowCorrupt("MSysModules2 without its columns");
  std::vector<Modules2Row> rows;
  ScanTable(pages, def, [&](const DataRow& row) {
    ColumnValues v(row, pages, codec);
    rows.push_back({v.Text(name).value_or(""), v.Binary(module).value_or("")});
  });
  return rows;
}

std::optional<StorageTree> Access97ProjectTree(const std::vector<Modules2Row>& rows) {
  const Modules2Row* projectRow = nullptr;
  for (const Modules2Row& r : rows)
    if (r.name == kProjectRow && IsStreamBundle(ByteView::Of(r.module))) projectRow = &r;
  if (!projectRow) return std::nullopt;

  // root, VBA, VBAProject, VBA: the path the project reader follows.
  std::vector<StorageEntry> entries;
  entries.push_back({0, 0, "Access97", false, {}, false});
  entries.push_back({1, 0, "VBA", false, {}, false});
  entries.push_back({2, 1, "VBAProject", false, {}, false});
  entries.push_back({3, 2, "VBA", false, {}, false});
  std::set<std::string> names;
  bool hasDir = false;
  auto add = [&](std::string name, std::string data) {
    if (!names.insert(name).second) return;
    hasDir = hasDir || name == "dir";
    entries.push_back({static_cast<int32_t>(entries.size()), 3, std::move(name), true,
                       std::move(data), false});
  };
  for (auto& [name, data] : ParseStreamBundle(ByteView::Of(projectRow->module))) add(name, data);
  if (!hasDir) return std::nullopt;
  for (const Modules2Row& r : rows) {
    if (&r == projectRow || r.module.empty()) continue;
    if (!IsStreamBundle(ByteView::Of(r.module))) {
      add(r.name, r.module);
      continue;
    }
    try {
      for (auto& [name, data] : ParseStreamBundle(ByteView::Of(r.module))) add(name, data);
    } catch (const CorruptError&) {
      // A module row that cannot be unpacked: its module is then reported as not found.
    }
  }
  return StorageTree(std::move(entries), "Access97");
}

std::vector<ModuleSource> MergeAccess97Modules(std::vector<ModuleSource> own,
                                               const std::vector<ModuleSource>& enabled) {
  std::map<std::string, const ModuleSource*> byName;
  for (const ModuleSource& m : enabled) byName.emplace(engine::FoldName(m.name), &m);
  std::set<std::string> seen;
  for (ModuleSource& m : own) {
    seen.insert(engine::FoldName(m.name));
    auto it = byName.find(engine::FoldName(m.name));
    if (m.error.empty() || it == byName.end() || !it->second->error.empty()) continue;
    m.text = it->second->text;
    m.error.clear();
  }
  for (const ModuleSource& m : enabled)
    if (!seen.count(engine::FoldName(m.name))) own.push_back(m);
  return own;
}

}  // namespace engine::vba

namespace engine {

namespace {

const char* const kNotRead =
    " non letta: nei file Jet3 (Access 95 e 97) questa parte non viene ancora letta";

}  // namespace

void ReadAccess97Application(std::vector<dao::ContainerInfo>& containers,
                             const std::vector<vba::ModuleSource>& modules, bool projectFound,
                             const std::string& projectError) {
  std::map<std::string, const vba::ModuleSource*> byName;
  for (const auto& m : modules) byName.emplace(engine::FoldName(m.name), &m);

  // Sets the module's text on `d`; returns false when the project has no such module.
  auto attach = [&](dao::DocumentInfo& d, const std::string& moduleName) {
    auto it = byName.find(engine::FoldName(moduleName));
    if (it == byName.end()) return false;
    d.kind = it->second->kind;
    d.text = it->second->text;
    d.error = it->second->error;
    // The stream of a module is looked for in rows whose layout is known only in part.
    if (d.error.rfind("flusso del modulo", 0) == 0 && d.error.find("assente") != std::string::npos)
      d.error = "codice del modulo non letto: in questo file Jet3 (Access 95 e 97) il suo flusso "
                "non è stato trovato fra le righe di MSysModules2";
    return true;
  };
  for (auto& c : containers) {
    for (auto& d : c.documents) {
      if (c.name == "Modules") {
        if (!projectError.empty()) {
          d.error = projectError;
        } else if (!attach(d, d.name)) {
          d.error = projectFound ? "codice del modulo non letto: il progetto VBA di MSysModules2 "
                                   "non elenca questo modulo (file Jet3, Access 95 e 97)"
                                 : "codice VBA non letto: in questo file Jet3 (Access 95 e 97) "
                                   "MSysModules2 non contiene il progetto VBA (i moduli di "
                                   "Access 95, in MSysModules, non vengono letti)";
        }
      } else if (c.name == "Forms" || c.name == "Reports") {
        const std::string prefix = c.name == "Forms" ? "Form_" : "Report_";
        if (projectError.empty()) attach(d, prefix + d.name);
        const std::string design = std::string("struttura") + kNotRead;
        d.error = d.error.empty() ? design : d.error + "; " + design;
      } else if (c.name == "Scripts") {
        d.error = std::string("definizione della macro") + kNotRead;
      }
    }
  }
}

}  // namespace engine
