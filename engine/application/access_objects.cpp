#include "engine/application/access_objects.h"

#include <map>

#include "engine/storage/column_value.h"
#include "engine/catalogue/table_definition.h"
#include "engine/storage/table_scan.h"

namespace engine::vba {

std::string ReadAccessObjects(PageReader& pages, const TextCodec& codec, uint32_t definitionPage) {
  TableDefinition def = TableDefinition::Read(pages, definitionPage, codec);
  const ColumnDef* id = def.ColumnByName("ID");
  const ColumnDef* data = def.ColumnByName("Data");
  if (!id || !data) ThrowCorrupt("MSysAccessObjects without its columns");
  std::map<int64_t, std::string> slices;
  ScanTable(pages, def, [&](const DataRow& row) {
    ColumnValues v(row, pages, codec);
    const std::optional<int64_t> key = v.Int(id);
    if (!key) ThrowCorrupt("MSysAccessObjects row without ID");
    if (!slices.emplace(*key, v.Binary(data).value_or("")).second)
      ThrowCorrupt("two MSysAccessObjects rows share an ID");
  });
  static const std::string kSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  auto first = slices.begin();
  while (first != slices.end() && first->second.compare(0, kSignature.size(), kSignature) != 0)
    ++first;
  if (first == slices.end()) ThrowCorrupt("MSysAccessObjects holds no compound file");
  std::string file;
  int64_t expected = first->first;
  for (auto it = first; it != slices.end(); ++it) {
    if (it->first != expected) ThrowCorrupt("MSysAccessObjects rows leave a gap");
    ++expected;
    file += it->second;
  }
  return file;
}

}  // namespace engine::vba
