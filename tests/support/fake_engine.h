// A fake engine for the main-window tests: it serves catalogues described in the test for the
// paths registered with it, records every open and raises the errors a file is set up to raise.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/dao.h"

namespace testsupport {

// One thing that happened, in order, as the tests that watch the order note it down (for instance
// "dialog", "EndDoc", "open <connect>").
using EventLog = std::vector<std::string>;

struct FakeTable {
  dao::TableInfo info;
  dao::TableDetail detail;
};

struct FakeQuery {
  dao::QueryInfo info;
  std::string sql;
};

// What the fake engine serves for one path.
struct FakeFile {
  std::vector<FakeTable> tables;
  std::vector<FakeQuery> queries;
  std::optional<std::string> password;  // 3031 unless the connect string carries it
  int failure = 0;                      // raised by every open when not 0
  std::string failureText;
};

struct OpenCall {
  std::string path;
  bool options;
  bool readOnly;
  std::optional<std::string> connect;
};

// Shared between the test and every engine the window creates.
struct EngineState {
  std::map<std::string, FakeFile> files;
  std::vector<OpenCall> calls;
  std::vector<int> pointerWhileLoading;  // the mouse pointer each time a table was read
  EventLog* events = nullptr;            // when set, each open is noted as "open <connect>"
};

// Serves the files of `state` by path; a path it does not know raises 3024.
class FakeEngine : public dao::DBEngine {
 public:
  explicit FakeEngine(std::shared_ptr<EngineState> state) : state_(std::move(state)) {}
  std::shared_ptr<dao::Database> OpenDatabase(const std::string& path, bool options, bool readOnly,
                                              const std::optional<std::string>& connect) override;

 private:
  std::shared_ptr<EngineState> state_;
};

// A day and time as the engine stores it.
dao::DateTime At(int year, int month, int day, int hour, int minute, int second);

// A table created and last changed at those times; a system table when its name begins with
// "MSys".
FakeTable MakeTable(const std::string& name, dao::DateTime created, dao::DateTime updated,
                    int32_t records, std::vector<dao::FieldInfo> fields,
                    std::vector<dao::IndexInfo> indexes);

// `prefix` followed by the decimal digits of `n` ("T" and 7 give "T7"). Appended rather than
// built with operator+, which GCC 12 at -O3 misreads as an overlapping copy (-Wrestrict).
inline std::string Numbered(const std::string& prefix, long long n) {
  std::string s = prefix;
  s += std::to_string(n);
  return s;
}

}  // namespace testsupport
