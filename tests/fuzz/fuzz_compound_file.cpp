// libFuzzer target: a compound file as Access 2000 keeps it in MSysAccessObjects, read into a
// storage tree and walked the way the reader does (the VBA project, the object directories and
// definitions of forms, reports and macros). A damaged file may be refused (CorruptError) or
// reported on its streams and documents; anything else is a bug. Seeds: the compound files of
// the Access 2000 test databases (tests/fuzz/compound_seeds.sh).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/application_objects.h"
#include "engine/bytes.h"
#include "engine/vba/compound_file.h"
#include "engine/vba/vba_project.h"

namespace {
volatile size_t sink;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const engine::vba::StorageTree tree = engine::vba::ReadCompoundFile(engine::ByteView(data, size));
    try {
      sink = sink + engine::vba::ReadVbaProject(tree).size();
    } catch (const engine::CorruptError&) {
    }
    std::vector<dao::ContainerInfo> containers;
    for (const char* name : {"Forms", "Reports", "Scripts", "Modules"}) {
      dao::ContainerInfo c{name, {}};
      for (const char* doc : {"Form1", "Module1", "Class1", "Macro1"})
        c.documents.push_back({doc, {}, {}, "", "", "", {}});
      containers.push_back(std::move(c));
    }
    engine::ReadApplicationText(containers, &tree);
    for (const auto& c : containers)
      for (const auto& d : c.documents) sink = sink + d.text.size() + d.storedTexts.size();
  } catch (const engine::CorruptError&) {
  }
  return 0;
}
