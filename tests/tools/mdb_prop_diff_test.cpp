// Stored properties in tavrek-dump --json against Debian's mdb-prop (mdbtools), which prints the
// raw property blocks of one catalogue object: for every test database, the database itself
// (MSysDb), every table with its columns and every query.
//
// mdb-prop prints the blocks in stored order but the properties of a block in no fixed order, so
// the comparison is by name. Its value forms are translated: "yes"/"no" for Yes/No, numbers in
// decimal, "(binary data of length N)" for bytes; a 16-byte binary value (the GUID property) is
// printed as a brace-enclosed GUID, so only its length is compared. Blocks of columns that no
// longer exist (deleted columns keep their block) have no field to compare with and are skipped.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/json.h"
#include "tests/support/shell.h"

namespace {

using testshell::ShellQuote;

namespace fs = std::filesystem;

const std::string kDataDir = TAVREK_TEST_DATA;
const std::string kDump = TAVREK_DUMP_PATH;

std::vector<std::string> DataFiles() {
  std::vector<std::string> files;
  for (const char* dir : {"jet3", "jet4", "ace", "generated"}) {
    if (!fs::exists(fs::path(kDataDir) / dir)) continue;
    for (const auto& e : fs::directory_iterator(fs::path(kDataDir) / dir)) {
      std::string ext = e.path().extension().string();
      if (ext == ".mdb" || ext == ".accdb")
        files.push_back(fs::relative(e.path(), kDataDir).generic_string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

using Block = std::map<std::string, std::string>;  // property name -> mdb-prop's value text

// mdb-prop's blocks: "name: X" (X "(none)" for the object itself), then "\tKey: value" lines;
// a line without the tab continues the previous value (text with line breaks).
std::vector<std::pair<std::string, Block>> ParseMdbProp(const std::string& text) {
  std::vector<std::pair<std::string, Block>> blocks;
  std::istringstream in(text);
  std::string line, lastKey;
  while (std::getline(in, line)) {
    if (line.rfind("name: ", 0) == 0) {
      blocks.emplace_back(line.substr(6), Block{});
      lastKey.clear();
    } else if (!line.empty() && line[0] == '\t' && !blocks.empty()) {
      size_t colon = line.find(": ");
      if (colon == std::string::npos) continue;
      lastKey = line.substr(1, colon - 1);
      blocks.back().second[lastKey] = line.substr(colon + 2);
    } else if (!blocks.empty() && !lastKey.empty() && !line.empty()) {
      blocks.back().second[lastKey] += "\n" + line;
    }
  }
  return blocks;
}

// Compares one property of ours (a JSON value) with mdb-prop's text for it.
void ExpectSameValue(const std::string& where, const testjson::Value& ours, const std::string& theirs) {
  SCOPED_TRACE(where);
  switch (ours.kind) {
    case testjson::Value::kBool:
      EXPECT_EQ(theirs, ours.boolean ? "yes" : "no");
      break;
    case testjson::Value::kNumber:
      EXPECT_NEAR(std::stod(theirs), ours.number, 1e-6 * std::max(1.0, std::fabs(ours.number)));
      break;
    case testjson::Value::kString:
      if (ours.string.rfind("0x", 0) == 0 && theirs.rfind("(binary data of length ", 0) == 0) {
        EXPECT_EQ(theirs, "(binary data of length " + std::to_string((ours.string.size() - 2) / 2) + ")");
      } else if (ours.string.size() == 34 && ours.string.rfind("0x", 0) == 0) {
        EXPECT_EQ(theirs.front(), '{');  // a 16-byte binary printed as a GUID
      } else {
        EXPECT_EQ(theirs, ours.string);
      }
      break;
    default:
      ADD_FAILURE() << "unexpected value kind for " << theirs;
  }
}

// mdb-prop finds no object whose name has a character outside the Basic Multilingual Plane
// (an emoji): four-byte UTF-8 sequences start with a byte of 0xF0 or more.
bool MdbPropCanFind(const std::string& name) {
  return std::none_of(name.begin(), name.end(),
                      [](char c) { return static_cast<unsigned char>(c) >= 0xF0; });
}

class MdbPropAgrees : public ::testing::TestWithParam<std::string> {
 protected:
  std::string file_ = kDataDir + "/" + GetParam();

  std::vector<std::pair<std::string, Block>> MdbProp(const std::string& object) {
    const testshell::CommandResult r =
        testshell::RunCommand("mdb-prop " + ShellQuote(file_) + " " + ShellQuote(object) + " 2>/dev/null");
    EXPECT_EQ(r.status, 0) << "mdb-prop " << object;
    return ParseMdbProp(r.out);
  }

  // The object's own properties and, when `fields` is given, its columns'.
  void Compare(const std::string& object, const testjson::Value& own, const testjson::Value* fields) {
    SCOPED_TRACE(object);
    std::map<std::string, const testjson::Value*> byField;
    if (fields && !fields->IsNull())
      for (const auto& f : fields->array) byField[f["name"].string] = &f["properties"];
    bool sawOwn = false;
    for (const auto& [target, block] : MdbProp(object)) {
      const testjson::Value* ours = nullptr;
      if (target == "(none)") {
        ours = &own;
        sawOwn = true;
      } else if (auto it = byField.find(target); it != byField.end()) {
        ours = it->second;
      } else {
        continue;  // a deleted column's block
      }
      std::vector<std::string> theirNames, ourNames = ours->Keys();
      for (const auto& [name, value] : block) theirNames.push_back(name);
      std::sort(ourNames.begin(), ourNames.end());
      EXPECT_EQ(ourNames, theirNames) << "block " << target;
      for (const auto& [name, value] : block)
        if (ours->Has(name)) ExpectSameValue(target + "." + name, (*ours)[name], value);
    }
    if (!sawOwn) {
      EXPECT_TRUE(own.Keys().empty()) << "properties mdb-prop does not see";
    }
  }
};

TEST_P(MdbPropAgrees, StoredPropertiesMatch) {
  std::string pw = GetParam().find("with-password") != std::string::npos ? "--password password " : "";
  const testshell::CommandResult dumped =
      testshell::RunCommand(ShellQuote(kDump) + " --json --show-secrets " + pw + ShellQuote(file_));
  ASSERT_EQ(dumped.status, 0);
  testjson::Value doc = testjson::Parse(dumped.out);
  Compare("MSysDb", doc["properties"], nullptr);
  for (const auto& t : doc["tables"].array) {
    if (t["system"].boolean || !MdbPropCanFind(t["name"].string)) continue;
    Compare(t["name"].string, t["properties"], &t["fields"]);
  }
  for (const auto& q : doc["queries"].array)
    if (MdbPropCanFind(q["name"].string)) Compare(q["name"].string, q["properties"], nullptr);
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, MdbPropAgrees, ::testing::ValuesIn(DataFiles()), TestName);

}  // namespace
