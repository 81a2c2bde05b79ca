// tavrek-dump's Run called inside the test: its exit status, standard output and standard error,
// with the databases opened by the engine (real files) or served by the test.
#pragma once

#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "tools/dump.h"

namespace testsupport {

struct DumpResult {
  int status = -1;
  std::string out, err;
  std::string path;                    // the last path Run asked to open
  std::optional<std::string> connect;  // and the connect string it gave
};

// Runs with every database opened by `open`.
inline DumpResult RunDump(const std::vector<std::string>& args, const tavrek::dump::Opener& open) {
  DumpResult r;
  std::ostringstream out, err;
  r.status = tavrek::dump::Run(args, out, err, [&](const std::string& path, const std::optional<std::string>& c) {
    r.path = path;
    r.connect = c;
    return open(path, c);
  });
  r.out = out.str();
  r.err = err.str();
  return r;
}

// Runs on real files, opened read-only by the engine.
inline DumpResult RunDumpOnFiles(const std::vector<std::string>& args) {
  dao::DBEngine engine;
  return RunDump(args, [&](const std::string& path, const std::optional<std::string>& connect) {
    return engine.OpenDatabase(path, false, true, connect);
  });
}

// Runs with every open answered by `db`, whatever the path.
inline DumpResult RunDumpOn(std::shared_ptr<dao::Database> db, const std::vector<std::string>& args) {
  return RunDump(args, [&](const std::string&, const std::optional<std::string>&) { return db; });
}

}  // namespace testsupport
