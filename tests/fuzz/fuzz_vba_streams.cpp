// libFuzzer target: any bytes as a compressed VBA container, and the decompressed bytes (or the
// input itself when it does not decompress) as a dir stream, an object directory and a form or
// macro definition, the form design written out as SaveAsText text; the input itself also as a
// query's design layout and as the bundle of streams of an Access 97 project. CorruptError is the expected outcome of damaged
// input; a crash, a sanitizer report, a hang or runaway memory is a bug.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/storage/bytes.h"
#include "documenter/save_as_text.h"
#include "engine/application/access97_project.h"
#include "engine/application/compression.h"
#include "engine/application/dir_stream.h"
#include "engine/application/form_design.h"
#include "engine/application/object_directory.h"
#include "engine/application/stored_text.h"
#include "engine/application/vba_project.h"
#include "engine/query/query_layout.h"

namespace {

volatile size_t sink;

void Parse(engine::ByteView bytes) {
  try {
    sink = sink + engine::vba::ParseDirStream(bytes).modules.size();
  } catch (const engine::CorruptError&) {
  }
  try {
    sink = sink + tavrek::doc::DesignText(engine::vba::ParseFormDesign(bytes), "x").size();
  } catch (const engine::CorruptError&) {
  }
  try {
    sink = sink + engine::ParseQueryLayout(bytes).tables.size();
  } catch (const engine::CorruptError&) {
  }
  try {
    sink = sink + engine::vba::ParseObjectDirectory(bytes).size();
  } catch (const engine::CorruptError&) {
  }
  sink = sink + engine::vba::StoredStrings(bytes).size() + engine::vba::PropertyStrings(bytes).size() +
         engine::vba::MacroXml(bytes).size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  engine::ByteView input(data, size);
  try {
    const auto tree = engine::vba::Access97ProjectTree(
        {{"MSysDb", std::string(reinterpret_cast<const char*>(data), size)}});
    if (tree) sink = sink + engine::vba::ReadVbaProject(*tree).size();
  } catch (const engine::CorruptError&) {
  }
  try {
    const std::string out = engine::vba::DecompressContainer(input);
    // Every chunk holds at most 4096 bytes and takes at least 3 bytes of input.
    if (out.size() > 4096 * (size / 3 + 1)) __builtin_trap();
    Parse(engine::ByteView(reinterpret_cast<const uint8_t*>(out.data()), out.size()));
  } catch (const engine::CorruptError&) {
    Parse(input);
  }
  return 0;
}
