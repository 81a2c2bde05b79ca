// The application of Access 97 files: the VBA project packed in the rows of MSysModules2, read
// from the Access 97 test files and from rows built here, and what is said of the parts this
// reader does not read for that format (never that they are damaged).
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cstring>

#include <map>
#include <memory>
#include <stdexcept>
#include <tuple>
#include <string>
#include <vector>

#include "engine/application/access97_project.h"
#include "engine/application/compression.h"
#include "engine/application/dir_stream.h"
#include "engine/application/vba_project.h"
#include "engine/catalogue/system_tables.h"
#include "engine/storage/bytes.h"
#include "engine/storage/format.h"
#include "engine/storage/page_reader.h"
#include "engine/storage/text_codec.h"
#include "tests/engine/test_files.h"

namespace {

using engine::ByteView;
using engine::CorruptError;
namespace vba = engine::vba;

std::string Le(uint32_t v, int bytes) {
  std::string s;
  for (int k = 0; k < bytes; ++k) s.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
  return s;
}

std::string Utf16(const std::string& ascii) {
  std::string s;
  for (char c : ascii) s += std::string(1, c) + '\0';
  return s;
}

// A bundle of streams as MSysModules2 packs them.
std::string Bundle(const std::vector<std::pair<std::string, std::string>>& streams) {
  std::string b = Le(0x1269, 2) + Le(4, 2) + Le(1, 4);
  for (const auto& [name, data] : streams) {
    const std::string n = Utf16(name) + std::string(2, '\0');
    b += Le(static_cast<uint32_t>(n.size()), 1) + n;
    b += Le(static_cast<uint32_t>(data.size()), 4) + data;
  }
  return b;
}

// A compressed container holding `text` (under 4096 bytes) in one stored chunk.
std::string Stored(const std::string& text) {
  const unsigned header = 0x3000u | static_cast<unsigned>(text.size() + 2 - 3);
  return std::string(1, '\x01') + Le(header, 2) + text;
}

void Record(std::string& s, uint16_t id, const std::string& data) {
  s += Le(id, 2) + Le(static_cast<uint32_t>(data.size()), 4) + data;
}

// A dir stream naming the project and its modules (name, stream, procedural).
std::string Dir(const std::vector<std::tuple<std::string, std::string, bool>>& modules) {
  std::string dir;
  Record(dir, 0x0001, Le(1, 4));
  Record(dir, 0x0003, Le(1252, 2));
  Record(dir, 0x0004, "Progetto97");
  Record(dir, 0x000F, Le(static_cast<uint32_t>(modules.size()), 2));
  for (const auto& [name, stream, procedural] : modules) {
    Record(dir, 0x0019, name);
    Record(dir, 0x001A, stream);
    Record(dir, 0x0031, Le(0, 4));
    Record(dir, procedural ? 0x0021 : 0x0022, "");
    Record(dir, 0x002B, "");
  }
  Record(dir, 0x0010, "");
  return dir;
}

// The rows of MSysModules2 of an Access 97 test file, read through the engine's page reader.
std::vector<vba::Modules2Row> Modules2Rows(const std::string& file) {
  const std::vector<uint8_t> bytes = enginetest::ReadBytes(enginetest::Corpus(file));
  const int fd = ::open(enginetest::Corpus(file).c_str(), O_RDONLY);
  if (fd < 0) throw std::runtime_error("cannot open " + file);
  engine::PageReader pages(fd, bytes.size(), *engine::DescriptorForVersion(0), nullptr);
  engine::TextCodec codec(engine::TextStorage::kCodePage, 1252);
  for (const engine::CatalogueObject& o : engine::ReadCatalogue(pages, codec))
    if (o.name == "MSysModules2")
      return vba::ReadModules2Rows(pages, codec,
                                   static_cast<uint32_t>(o.id) & 0x00FFFFFFu);
  return {};
}

// Every Access 97 test file written with a VBA project keeps it in the MSysDb row: the
// _VBA_PROJECT stream and the dir stream, which names the project and (in these files) no module.
TEST(Access97Project, TheProjectRowOfRealFiles) {
  const std::map<std::string, std::string> projects = {
      {"jet3/testV1997.mdb", "test"},
      {"jet3/test2V1997.mdb", "patch_test"},
      {"jet3/indexTestV1997.mdb", "db1"},
      {"jet3/testIndexCodesV1997.mdb", "testAllIndexCodesV1997"},
  };
  for (const auto& [file, projectName] : projects) {
    SCOPED_TRACE(file);
    const std::vector<vba::Modules2Row> rows = Modules2Rows(file);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, "MSysDb");
    const auto streams = vba::ParseStreamBundle(ByteView::Of(rows[0].module));
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].first, "_VBA_PROJECT");
    EXPECT_EQ(streams[0].second.substr(0, 2), "\xCC\x61");
    EXPECT_EQ(streams[1].first, "dir");
    const std::string dir = vba::DecompressContainer(ByteView::Of(streams[1].second));
    const vba::ProjectDirectory p = vba::ParseDirStream(ByteView::Of(dir));
    EXPECT_EQ(p.projectName, projectName);
    EXPECT_TRUE(p.modules.empty());
    const auto tree = vba::Access97ProjectTree(rows);
    ASSERT_TRUE(tree.has_value());
    EXPECT_TRUE(vba::ReadVbaProject(*tree).empty());
  }
}

std::vector<dao::ContainerInfo> Application() {
  auto doc = [](const std::string& name) {
    dao::DocumentInfo d;
    d.name = name;
    return d;
  };
  return {{"Forms", {doc("Clienti"), doc("Vuota")}},
          {"Reports", {doc("Elenco")}},
          {"Scripts", {doc("AutoExec")}},
          {"Modules", {doc("Funzioni"), doc("Perso")}}};
}

const dao::DocumentInfo& Doc(const std::vector<dao::ContainerInfo>& app,
                                     const std::string& container, const std::string& name) {
  for (const auto& c : app)
    if (c.name == container)
      for (const auto& d : c.documents)
        if (d.name == name) return d;
  throw std::runtime_error("no document " + name);
}

// A project built here: the module streams in rows of their own, one packed as a bundle, one bare.
// Modules get their text (or that of the later copy of the project); forms and reports their code
// and a note that their design is not read; macros that their definition is not read; a module
// whose stream is in no row, that it was not found. Nothing is called damaged.
TEST(Access97Project, ModulesFormsReportsAndMacros) {
  const std::string funzioni = "Attribute VB_Name = \"Funzioni\"\r\nOption Compare Database\r\n";
  const std::string clienti = "Option Compare Database\r\nPrivate Sub Form_Load()\r\nEnd Sub\r\n";
  const std::vector<vba::Modules2Row> rows = {
      {"MSysDb", Bundle({{"_VBA_PROJECT", "\xCC\x61"},
                         {"dir", Stored(Dir({{"Funzioni", "Funzioni", true},
                                             {"Form_Clienti", "Form_Clienti", false},
                                             {"Perso", "Perso", true}}))}})},
      {"Funzioni", Bundle({{"Funzioni", Stored(funzioni)}})},
      {"Form_Clienti", Stored(clienti)},
  };
  const auto tree = vba::Access97ProjectTree(rows);
  ASSERT_TRUE(tree.has_value());
  std::vector<dao::ContainerInfo> app = Application();
  engine::ReadAccess97Application(app, vba::ReadVbaProject(*tree), true, "");

  EXPECT_EQ(Doc(app, "Modules", "Funzioni").text, funzioni);
  EXPECT_EQ(Doc(app, "Modules", "Funzioni").kind, "standard");
  EXPECT_EQ(Doc(app, "Modules", "Funzioni").error, "");
  EXPECT_EQ(Doc(app, "Forms", "Clienti").text, clienti);
  EXPECT_EQ(Doc(app, "Forms", "Clienti").kind, "document");
  EXPECT_EQ(Doc(app, "Modules", "Perso").text, "");
  EXPECT_NE(Doc(app, "Modules", "Perso").error.find("non letto"), std::string::npos);
  for (const char* form : {"Clienti", "Vuota"})
    EXPECT_NE(Doc(app, "Forms", form).error.find("struttura non letta"), std::string::npos);
  EXPECT_NE(Doc(app, "Reports", "Elenco").error.find("struttura non letta"), std::string::npos);
  EXPECT_NE(Doc(app, "Scripts", "AutoExec").error.find("macro non letta"), std::string::npos);
  for (const auto& c : app)
    for (const auto& d : c.documents) {
      EXPECT_EQ(d.error.find("danneggiat"), std::string::npos) << d.name << ": " << d.error;
      if (d.name != "Funzioni") {
        EXPECT_NE(d.error.find("Jet3 (Access 95 e 97)"), std::string::npos) << d.name;
      }
    }

  // A module the own project cannot give comes from the copy a later Access keeps in
  // MSysAccessObjects; the own text wins where both have one.
  const vba::ModuleSource copy{"perso", "standard", "Attribute VB_Name = \"Perso\"\r\n", ""};
  const vba::ModuleSource stale{"Funzioni", "standard", "older text", ""};
  const vba::ModuleSource extra{"Nuovo", "class", "Option Explicit\r\n", ""};
  const auto merged = vba::MergeAccess97Modules(vba::ReadVbaProject(*tree), {stale, copy, extra});
  ASSERT_EQ(merged.size(), 4u);
  EXPECT_EQ(merged[0].text, funzioni);
  EXPECT_EQ(merged[2].name, "Perso");
  EXPECT_EQ(merged[2].text, copy.text);
  EXPECT_EQ(merged[2].error, "");
  EXPECT_EQ(merged[3].name, "Nuovo");

  // No project at all, or one this reader cannot follow: still nothing called damaged.
  for (const std::string& error : {std::string(), std::string(vba::kAccess97ProjectUnreadable)}) {
    std::vector<dao::ContainerInfo> none = Application();
    engine::ReadAccess97Application(none, {}, false, error);
    for (const auto& c : none)
      for (const auto& d : c.documents) {
        EXPECT_NE(d.error.find("non lett"), std::string::npos) << d.name << ": " << d.error;
        EXPECT_NE(d.error.find("Jet3"), std::string::npos) << d.name;
        EXPECT_EQ(d.error.find("danneggiat"), std::string::npos) << d.name;
      }
  }
}

// Bundles cut short or with impossible sizes raise CorruptError; so does every cut of a real one
// (except where an entry ends), and bytes flipped in it give a project, a CorruptError or nothing.
TEST(Access97Project, DamagedBundlesGiveAReason) {
  EXPECT_THROW(vba::ParseStreamBundle(ByteView::Of(std::string("\x69\x12\x04", 3))), CorruptError);
  EXPECT_THROW(vba::ParseStreamBundle(ByteView::Of(std::string(8, '\0'))), CorruptError);
  std::string odd = Bundle({{"dir", "x"}});
  odd[8] = 7;  // a name of odd length
  EXPECT_THROW(vba::ParseStreamBundle(ByteView::Of(odd)), CorruptError);
  std::string huge = Bundle({{"dir", "x"}});
  huge[8 + 1 + 8] = '\xFF';  // the size of the stream, far past the value
  EXPECT_THROW(vba::ParseStreamBundle(ByteView::Of(huge)), CorruptError);
  EXPECT_THROW(vba::Access97ProjectTree({{"MSysDb", huge}}), CorruptError);
  EXPECT_FALSE(vba::Access97ProjectTree({{"MSysDb", "not a bundle"}}).has_value());
  EXPECT_FALSE(vba::Access97ProjectTree({}).has_value());

  const std::string real = Modules2Rows("jet3/test2V1997.mdb").at(0).module;
  const size_t ends[] = {8, 8 + 1 + 26 + 4 + 8};
  for (size_t cut = 1; cut < real.size(); ++cut) {
    if (cut == ends[0] || cut == ends[1]) continue;  // an entry ends there
    EXPECT_THROW(vba::ParseStreamBundle(ByteView::Of(real.substr(0, cut))), CorruptError) << cut;
  }
  uint32_t seed = 97;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  int refused = 0;
  for (int round = 0; round < 300; ++round) {
    std::string bytes = real;
    for (int k = 0; k < 3; ++k)
      bytes[2 + (next() >> 8) % (bytes.size() - 2)] ^= static_cast<char>(1u << (next() % 8));
    try {
      const auto tree = vba::Access97ProjectTree({{"MSysDb", bytes}});
      if (tree) vba::ReadVbaProject(*tree);
    } catch (const CorruptError&) {
      ++refused;
    }
  }
  EXPECT_GT(refused, 0);
}

// The same through the object model, on an Access 97 test file whose catalogue rows of two tables
// are turned here into a form and a module (their parent and type changed in every copy of the
// row the file holds): the catalogue reads the file's MSysModules2 project and says what it does
// not read.
TEST(Access97Project, AnAccess97FileThroughTheObjectModel) {
  std::vector<uint8_t> bytes = enginetest::ReadBytes(enginetest::Corpus("jet3/testV1997.mdb"));
  auto retype = [&](int32_t id, int32_t parent, int16_t type) {
    const std::string key = Le(static_cast<uint32_t>(id), 4) + Le(0x0F000001u, 4);
    int copies = 0;
    for (size_t at = 0; at + 10 <= bytes.size(); ++at) {
      if (std::memcmp(&bytes[at], key.data(), key.size()) != 0) continue;
      const std::string patch = Le(static_cast<uint32_t>(parent), 4) +
                                Le(static_cast<uint16_t>(type), 2);
      std::memcpy(&bytes[at + 4], patch.data(), patch.size());
      ++copies;
    }
    return copies;
  };
  ASSERT_GT(retype(34, -2147483646, -32768), 0);  // Table2 into the Forms container
  ASSERT_GT(retype(29, -2147483643, -32761), 0);  // Table1 into the Modules container
  enginetest::ScratchDir dir;
  enginetest::WriteBytes(dir.File("app97.mdb"), bytes);
  auto db = dao::DBEngine().OpenDatabase(dir.File("app97.mdb"));
  std::map<std::string, std::string> errors;
  for (const auto& c : db->Containers())
    if (c.Name() == "Forms" || c.Name() == "Reports" || c.Name() == "Scripts" ||
        c.Name() == "Modules")
      for (const auto& d : c.Documents()) errors[c.Name() + "/" + d.Name()] = d.Error();
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors["Forms/Table2"],
            "struttura non letta: nei file Jet3 (Access 95 e 97) questa parte non viene ancora "
            "letta");
  EXPECT_EQ(errors["Modules/Table1"],
            "codice del modulo non letto: il progetto VBA di MSysModules2 non elenca questo modulo "
            "(file Jet3, Access 95 e 97)");
}

}  // namespace
