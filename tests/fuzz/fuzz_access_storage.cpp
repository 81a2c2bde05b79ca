// libFuzzer target: the Access storage tree built from rows made of the input bytes, walked the
// way the reader does: the VBA project (dir stream, PROJECT stream, module streams) and the
// object directories and definitions of forms, reports and macros. Row names are mostly taken
// from the names the reader looks for, so that the walk goes deep; parents and ids are small
// numbers, so loops, orphans and duplicates are frequent. A damaged tree may be refused
// (CorruptError) or reported on its documents; anything else is a bug.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/bytes.h"
#include "engine/application/storage_tree.h"
#include "tests/fuzz/walk_application.h"

namespace {

volatile size_t sink;

const char* const kNames[] = {
    "MSysAccessStorage_ROOT", "VBA", "VBAProject", "dir", "PROJECT", "Forms", "Reports",
    "Scripts", "Modules", "\003DirData", "DirData", "Blob", "0", "1", "2", "M1",
};

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Done() const { return pos_ >= size_; }
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::string Take(size_t n) {
    n = std::min(n, size_ - pos_);
    std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return s;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  std::vector<engine::vba::StorageEntry> rows;
  // Each row: id, parent, flags (bit 0: stream; bit 1: a name of its own), name, data length
  // (two bytes) and data.
  while (!in.Done() && rows.size() < 256) {
    engine::vba::StorageEntry e;
    e.id = in.Byte();
    e.parentId = in.Byte();
    const uint8_t flags = in.Byte();
    e.stream = flags & 1;
    if (flags & 2) e.name = in.Take(in.Byte() % 64);
    else e.name = kNames[in.Byte() % std::size(kNames)];
    if (e.stream) {
      const size_t n = in.Byte() | (size_t{in.Byte()} << 8);
      e.data = in.Take(n);
    }
    rows.push_back(std::move(e));
  }
  try {
    engine::vba::StorageTree tree(std::move(rows));
    sink = sink + fuzz::WalkApplication(tree, {"0", "1", "M1", "Form1"});
  } catch (const engine::CorruptError&) {
  }
  return 0;
}
