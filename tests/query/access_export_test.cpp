// Query text against Access's own: each database under access-sql/ has beside it the SQL that
// Access itself wrote for its queries (SaveAsText exports kept in the database's repository at
// the same commit, extracted by tools/access_query_texts.py into NAME.sql.json). Every query
// listed there must read byte for byte the same through the engine.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

#include "engine/dao.h"

namespace {

namespace fs = std::filesystem;

// Just enough JSON for {"queries": {"name": "text", …}, "skipped": […]}: the strings of the
// "queries" object. Fails the test on anything else.
class ExportReader {
 public:
  explicit ExportReader(std::string text) : text_(std::move(text)) {}

  std::map<std::string, std::string> Queries() {
    std::map<std::string, std::string> out;
    Expect('{');
    while (Peek() != '}') {
      const std::string key = String();
      Expect(':');
      if (key == "queries") {
        Expect('{');
        while (Peek() != '}') {
          std::string name = String();
          Expect(':');
          out[name] = String();
          if (Peek() == ',') ++pos_;
        }
        Expect('}');
      } else {
        SkipValue();
      }
      if (Peek() == ',') ++pos_;
    }
    return out;
  }

 private:
  char Peek() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    if (pos_ >= text_.size()) throw std::runtime_error("unexpected end of JSON");
    return text_[pos_];
  }
  void Expect(char c) {
    if (Peek() != c) throw std::runtime_error(std::string("expected ") + c);
    ++pos_;
  }
  void SkipValue() {
    if (Peek() == '"') {
      String();
      return;
    }
    Expect('[');
    while (Peek() != ']') {
      String();
      if (Peek() == ',') ++pos_;
    }
    ++pos_;
  }
  void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  uint32_t Hex4() {
    if (pos_ + 4 > text_.size()) throw std::runtime_error("short \\u escape");
    const uint32_t v = static_cast<uint32_t>(std::stoul(text_.substr(pos_, 4), nullptr, 16));
    pos_ += 4;
    return v;
  }
  std::string String() {
    Expect('"');
    std::string out;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      char c = text_[pos_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) break;
      c = text_[pos_++];
      switch (c) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          uint32_t cp = Hex4();
          if (cp >= 0xD800 && cp < 0xDC00 && text_.compare(pos_, 2, "\\u") == 0) {
            pos_ += 2;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (Hex4() - 0xDC00);
          }
          AppendUtf8(out, cp);
          break;
        }
        default: out += c; break;  // \" \\ \/
      }
    }
    Expect('"');
    return out;
  }

  std::string text_;
  size_t pos_ = 0;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(AccessExports, EveryExportedQueryReadsAsAccessWroteIt) {
  const fs::path folder = fs::path(TAVREK_TEST_DATA) / "access-sql";
  int databases = 0;
  int compared = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string file = entry.path().filename().string();
    const std::string suffix = ".sql.json";
    if (file.size() <= suffix.size() || file.compare(file.size() - suffix.size(), suffix.size(),
                                                     suffix) != 0) {
      continue;
    }
    const fs::path database = folder / file.substr(0, file.size() - suffix.size());
    SCOPED_TRACE(database.filename().string());
    std::map<std::string, std::string> expected;
    ASSERT_NO_THROW(expected = ExportReader(ReadAll(entry.path())).Queries());
    ASSERT_FALSE(expected.empty());

    dao::DBEngine engine;
    std::shared_ptr<dao::Database> db = engine.OpenDatabase(database.string(), false, true);
    ASSERT_TRUE(db);
    std::map<std::string, std::string> actual;
    const dao::Collection<dao::QueryDef>& queries = db->QueryDefs();
    for (int i = 0; i < queries.Count(); ++i) actual[queries.Item(i).Name()] = queries.Item(i).SQL();
    for (const auto& [name, sql] : expected) {
      SCOPED_TRACE(name);
      const auto it = actual.find(name);
      ASSERT_NE(it, actual.end());
      EXPECT_EQ(it->second, sql);
      ++compared;
    }
    db->Close();
    ++databases;
  }
  EXPECT_GE(databases, 1);
  EXPECT_GE(compared, 6);
}

// The parameters of a real query, as its PARAMETERS line declares them:
// "PARAMETERS park Text ( 255 ), tgtYear Short;".
TEST(AccessExports, ParametersOfARealQuery) {
  dao::DBEngine engine;
  std::shared_ptr<dao::Database> db = engine.OpenDatabase(
      std::string(TAVREK_TEST_DATA) + "/access-sql/targetlists.accdb", false, true);
  ASSERT_TRUE(db);
  const dao::Collection<dao::QueryDef>& queries = db->QueryDefs();
  for (int i = 0; i < queries.Count(); ++i) {
    const dao::QueryDef& query = queries.Item(i);
    SCOPED_TRACE(query.Name());
    if (query.Name() == "qryTgtSpeciesList") {
      const dao::Collection<dao::Parameter>& parameters = query.Parameters();
      ASSERT_EQ(parameters.Count(), 2);
      EXPECT_EQ(parameters.Item(0).Name(), "park");
      EXPECT_EQ(parameters.Item(0).Type(), dao::dbText);
      EXPECT_EQ(parameters.Item(0).Size(), 255);
      EXPECT_EQ(parameters.Item(1).Name(), "tgtYear");
      EXPECT_EQ(parameters.Item(1).Type(), dao::dbInteger);
      EXPECT_EQ(parameters.Item(1).Size(), 0);
    } else if (query.SQL().rfind("PARAMETERS", 0) != 0) {
      EXPECT_EQ(query.Parameters().Count(), 0);
    }
  }
  db->Close();
}

}  // namespace
