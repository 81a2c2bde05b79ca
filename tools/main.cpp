// tavrek-dump: prints the catalogue of an Access database (see tools/dump.h).
#include <iostream>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "tools/dump.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  dao::DBEngine engine;
  auto open = [&engine](const std::string& path, const std::optional<std::string>& connect) {
    return engine.OpenDatabase(path, false, true, connect);
  };
  return tavrek::dump::Run(args, std::cout, std::cerr, open);
}
