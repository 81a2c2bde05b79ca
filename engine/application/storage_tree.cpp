#include "engine/application/storage_tree.h"

#include <algorithm>
#include <string_view>

#include "engine/storage/column_value.h"
#include "engine/storage/table_scan.h"

namespace engine::vba {

namespace {

constexpr int kStreamType = 2;

// Some entries carry a control character before their name ("\x03DirData"), as OLE compound files
// do for their special streams; a name given without it still finds them.
std::string_view Bare(std::string_view name) {
  while (!name.empty() && static_cast<unsigned char>(name.front()) < 0x20) name.remove_prefix(1);
  return name;
}

}  // namespace

StorageTree::StorageTree(std::vector<StorageEntry> entries, std::string_view rootName)
    : entries_(std::move(entries)) {
  // In Id order; of rows sharing an Id only the first is kept, so every entry has one parent and
  // walking down from the root can never come back to an entry it has passed.
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const StorageEntry& a, const StorageEntry& b) { return a.id < b.id; });
  entries_.erase(std::unique(entries_.begin(), entries_.end(),
                             [](const StorageEntry& a, const StorageEntry& b) { return a.id == b.id; }),
                 entries_.end());
  bool found = false;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const StorageEntry& e = entries_[i];
    if (e.id == e.parentId && e.name == rootName && !e.stream) {
      if (found) ThrowCorrupt("two roots in the Access storage");
      root_ = i;
      found = true;
    }
  }
  if (!found) ThrowCorrupt("no root in the Access storage");
  // A loop of parents never reaches the root, so its entries are never walked.
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (i == root_ || entries_[i].id == entries_[i].parentId) continue;
    children_[entries_[i].parentId].push_back(i);
  }
}

StorageTree StorageTree::Read(PageReader& pages, const TextCodec& codec, uint32_t definitionPage) {
  TableDefinition def = TableDefinition::Read(pages, definitionPage, codec);
  const ColumnDef* id = def.ColumnByName("Id");
  const ColumnDef* parentId = def.ColumnByName("ParentId");
  const ColumnDef* name = def.ColumnByName("Name");
  const ColumnDef* type = def.ColumnByName("Type");
  const ColumnDef* lv = def.ColumnByName("Lv");
  if (!id || !parentId || !name || !type || !lv)
    ThrowCorrupt("MSysAccessStorage without its columns");
  std::vector<StorageEntry> entries;
  ScanTable(pages, def, [&](const DataRow& row) {
    ColumnValues v(row, pages, codec);
    StorageEntry e;
    e.id = static_cast<int32_t>(v.Int(id).value_or(0));
    e.parentId = static_cast<int32_t>(v.Int(parentId).value_or(0));
    e.name = v.Text(name).value_or("");
    e.stream = v.Int(type).value_or(0) == kStreamType;
    if (e.stream) e.data = v.Binary(lv).value_or("");
    entries.push_back(std::move(e));
  });
  return StorageTree(std::move(entries));
}

std::vector<const StorageEntry*> StorageTree::Children(const StorageEntry& storage) const {
  std::vector<const StorageEntry*> out;
  if (storage.stream) return out;
  auto it = children_.find(storage.id);
  if (it == children_.end()) return out;
  for (size_t i : it->second) out.push_back(&entries_[i]);
  return out;
}

const StorageEntry* StorageTree::Find(const std::vector<std::string>& path) const {
  const StorageEntry* at = &entries_[root_];
  for (const std::string& part : path) {
    const StorageEntry* next = nullptr;
    for (const StorageEntry* child : Children(*at)) {
      if (child->name == part || Bare(child->name) == part) {
        next = child;
        break;
      }
    }
    if (!next) return nullptr;
    at = next;
  }
  return at;
}

}  // namespace engine::vba
