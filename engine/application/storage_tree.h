// The tree of storages and streams Access 2002 and later keep in the rows of MSysAccessStorage:
// each row is a storage (Type 1) or a stream (Type 2, its bytes in the Lv column) and names its
// parent by Id. The root storage, "MSysAccessStorage_ROOT", is its own parent. The tree holds the
// application's objects (forms, reports, macros under storages named after their containers) and
// the VBA project. Access 2000 keeps the same tree in a compound file (see compound_file.h).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/bytes.h"
#include "engine/storage/page_reader.h"
#include "engine/storage/text_codec.h"

namespace engine::vba {

struct StorageEntry {
  int32_t id = 0;
  int32_t parentId = 0;
  std::string name;
  bool stream = false;  // a stream (bytes in `data`) or a storage (children below it)
  std::string data;
  bool damaged = false;  // a stream whose bytes could not be read (then `data` is empty)
};

class StorageTree {
 public:
  // Builds the tree from its rows, in any order. Rows naming a parent that does not exist, and
  // rows that end up in a loop of parents, are not reachable from the root and are ignored; of
  // rows sharing an Id the first one stored is kept.
  // The root is the storage named `rootName` that is its own parent.
  // Raises CorruptError when there is no root or more than one.
  explicit StorageTree(std::vector<StorageEntry> entries,
                       std::string_view rootName = "MSysAccessStorage_ROOT");

  // Reads every row of MSysAccessStorage, whose table definition starts on `definitionPage`.
  // Raises CorruptError.
  static StorageTree Read(PageReader& pages, const TextCodec& codec, uint32_t definitionPage);

  // The entry reached from the root by following `path`, or nullptr. Names are compared exactly,
  // except that control characters before a stored name may be left out ("DirData" finds
  // "\x03DirData"). An empty path is the root itself.
  const StorageEntry* Find(const std::vector<std::string>& path) const;
  // The children of a storage, in Id order.
  std::vector<const StorageEntry*> Children(const StorageEntry& storage) const;
  const StorageEntry& Root() const { return entries_[root_]; }

 private:
  std::vector<StorageEntry> entries_;
  size_t root_ = 0;
  // parent id -> child indexes into entries_, in Id order; the root is not its own child
  std::map<int32_t, std::vector<size_t>> children_;
};

// The stream bytes of an entry as a view (valid while the tree lives).
inline ByteView StreamView(const StorageEntry& e) {
  return ByteView(reinterpret_cast<const uint8_t*>(e.data.data()), e.data.size());
}

}  // namespace engine::vba
