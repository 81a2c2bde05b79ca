// Helpers shared by the engine tests: paths of the test databases and scratch copies of them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "engine/dao.h"

namespace enginetest {

// Path of a test database, e.g. Corpus("jet4/testV2000.mdb").
std::string Corpus(const std::string& relative);
// Every test database, as paths relative to the data folder.
std::vector<std::string> CorpusFiles();

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A temporary folder removed with everything in it when the object goes.
using ScratchDir = testsupport::TempDir;

// Opens `path` and reads everything the object model offers: the database's properties and
// relations, every table's properties and definition (linked tables excepted) and every query's
// SQL and properties. Returns the number of objects described.
int DescribeAll(const std::string& path, const std::optional<std::string>& connect = {});

}  // namespace enginetest
