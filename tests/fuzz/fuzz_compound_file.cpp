// libFuzzer target: a compound file as Access 2000 keeps it in MSysAccessObjects, read into a
// storage tree and walked the way the reader does (the VBA project, the object directories and
// definitions of forms, reports and macros). A damaged file may be refused (CorruptError) or
// reported on its streams and documents; anything else is a bug. Seeds: the compound files of
// the Access 2000 test databases (tests/fuzz/compound_seeds.sh).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/bytes.h"
#include "engine/application/compound_file.h"
#include "tests/fuzz/walk_application.h"

namespace {
volatile size_t sink;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const engine::vba::StorageTree tree = engine::vba::ReadCompoundFile(engine::ByteView(data, size));
    sink = sink + fuzz::WalkApplication(tree, {"Form1", "Module1", "Class1", "Macro1"});
  } catch (const engine::CorruptError&) {
  }
  return 0;
}
