#include "engine/storage/long_value.h"

#include <unordered_set>

#include "engine/storage/data_page.h"

namespace engine {

namespace {
constexpr size_t kFieldSize = 12;
constexpr uint32_t kLengthMask = 0x3FFFFFFF;
constexpr uint32_t kInline = 0x80000000;
constexpr uint32_t kSingleRow = 0x40000000;
constexpr size_t kPointerOffset = 4;
constexpr size_t kChainHeader = 4;  // each row of a chain starts with the pointer to the next
}  // namespace

std::string ReadLongValue(PageReader& pages, ByteView field, size_t maxLength) {
  if (field.empty()) return {};
  if (field.size() < kFieldSize) ThrowCorrupt("long value field too short");
  const uint32_t head = field.U32(0);
  const size_t length = head & kLengthMask;
  if (length == 0) return {};
  if (length > maxLength || length > static_cast<uint64_t>(pages.PageCount()) * pages.PageSize())
    ThrowCorrupt("long value longer than the file");

  if (head & kInline) return field.Sub(kFieldSize, length).Str();

  PagePtr keep;
  RowPointer pointer = RowPointer::FromRaw(field.U32(kPointerOffset));
  if (head & kSingleRow) return ReadRowAt(pages, pointer, keep).Sub(0, length).Str();

  std::string value;
  value.reserve(length);
  std::unordered_set<uint32_t> seen;
  while (value.size() < length) {
    const uint32_t raw = (pointer.page << 8) | pointer.row;
    if (raw == 0) ThrowCorrupt("long value chain ends early");
    if (!seen.insert(raw).second) ThrowCorrupt("loop in a long value chain");
    ByteView row = ReadRowAt(pages, pointer, keep);
    ByteView data = row.From(kChainHeader);
    const size_t take = std::min(data.size(), length - value.size());
    value.append(reinterpret_cast<const char*>(data.data()), take);
    pointer = RowPointer::FromRaw(row.U32(0));
  }
  return value;
}

}  // namespace engine
