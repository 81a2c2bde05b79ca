// libFuzzer target: any bytes, opened as a database file and described completely, the way
// tavrek-dump and the table and query views use the engine. Engine errors are the expected outcome
// of damaged input; anything else (a crash, a sanitizer report, a hang, runaway memory) is a bug.
//
// The input is served from an anonymous in-memory file (memfd) opened through /proc/self/fd, so
// the reader sees an ordinary read-only file and nothing touches the disk.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/dao.h"
#include "tests/fuzz/describe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzz::InMemoryFile(data, size);
  dao::DBEngine engine;
  // No password first; on 3031 the password of the protected test database, so that mutations
  // of it get past the check.
  for (const char* connect : {static_cast<const char*>(nullptr), ";password"}) {
    try {
      std::optional<std::string> c;
      if (connect) c = connect;
      auto db = engine.OpenDatabase(path, false, true, c);
      fuzz::DescribeAll(*db);
      db->Close();
      db->Close();  // closing twice is harmless
      break;
    } catch (const dao::Error& e) {
      if (e.Number() != dao::kErrBadPassword) break;
    }
  }
  return 0;
}
