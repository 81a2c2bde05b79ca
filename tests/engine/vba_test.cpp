// The application objects: the VBA compression, the dir stream, the Access storage tree, the
// object directories and stored strings of form, report and macro definitions, and all of them
// together on a real Access application.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/storage/bytes.h"
#include "engine/dao.h"
#include "engine/application/compression.h"
#include "engine/application/dir_stream.h"
#include "engine/application/object_directory.h"
#include "engine/application/storage_tree.h"
#include "engine/application/stored_text.h"
#include "engine/application/vba_project.h"
#include "tests/engine/test_files.h"

namespace {

using engine::ByteView;
using engine::CorruptError;
namespace vba = engine::vba;

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

std::string Decompress(const std::string& container) {
  return vba::DecompressContainer(ByteView::Of(container));
}

// A compressed container holding `text` in stored (uncompressed) chunks of up to 4096 bytes.
std::string Stored(const std::string& text) {
  std::string out(1, '\x01');
  for (size_t at = 0; at < text.size() || at == 0; at += 4096) {
    const std::string part = text.substr(at, 4096);
    const unsigned header = 0x3000u | static_cast<unsigned>(part.size() + 2 - 3);
    out.push_back(static_cast<char>(header & 0xFF));
    out.push_back(static_cast<char>(header >> 8));
    out += part;
    if (text.empty()) break;
  }
  return out;
}

// The two worked examples of the VBA file format documentation.
TEST(VbaCompression, DocumentedExamples) {
  EXPECT_EQ(Decompress(Bytes({0x01, 0x19, 0xB0, 0x00, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67,
                              0x68, 0x00, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70, 0x00,
                              0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x2E})),
            "abcdefghijklmnopqrstuv.");
  EXPECT_EQ(Decompress(Bytes({0x01, 0x2F, 0xB0, 0x00, 0x23, 0x61, 0x61, 0x61, 0x62, 0x63, 0x64,
                              0x65, 0x82, 0x66, 0x00, 0x70, 0x61, 0x67, 0x68, 0x69, 0x6A, 0x01,
                              0x38, 0x08, 0x61, 0x6B, 0x6C, 0x00, 0x20, 0x6D, 0x6E, 0x6F, 0x70,
                              0x06, 0x71, 0x02, 0x70, 0x04, 0x00, 0x72, 0x73, 0x74, 0x75, 0x76,
                              0x10, 0x77, 0x78, 0x79, 0x7A, 0x00, 0x2C})),
            "#aaabcdefaaaaghijaaaaaklaaamnopqaaaaaaaaaaaarstuvwxyzaaa");
}

TEST(VbaCompression, OverlappingCopiesStoredChunksAndChunkBoundaries) {
  // One literal, then a copy of 72 bytes from 1 byte back: the copy reads what it writes.
  EXPECT_EQ(Decompress(Bytes({0x01, 0x03, 0xB0, 0x02, 0x61, 0x45, 0x00})), std::string(73, 'a'));

  // Two stored chunks: 4096 bytes, then the rest.
  std::string text;
  for (int i = 0; i < 5000; ++i) text.push_back(static_cast<char>('A' + i % 26));
  EXPECT_EQ(Decompress(Stored(text)), text);

  // The split between offset and length bits starts again at each chunk: after a full stored
  // chunk, a token 1 byte into the next chunk has 4 offset bits again.
  std::string two = Stored(std::string(4096, 'x'));
  two += Bytes({0x04, 0xB0, 0x02, 'y', 0x00, 0x00});  // 'y' then copy 3 from 1 back
  EXPECT_EQ(Decompress(two), std::string(4096, 'x') + "yyyy");

  // A last chunk whose stated size runs past the container is read as far as it goes.
  EXPECT_EQ(Decompress(Bytes({0x01, 0x20, 0xB0, 0x00, 'a', 'b'})), "ab");
  EXPECT_EQ(Decompress(Bytes({0x01})), "");
}

TEST(VbaCompression, DamagedContainersAreCorruptNotCrashes) {
  EXPECT_THROW(Decompress(""), CorruptError);
  EXPECT_THROW(Decompress(Bytes({0x02, 0x19, 0xB0, 0x00, 'a'})), CorruptError);  // signature
  EXPECT_THROW(Decompress(Bytes({0x01, 0x19, 0xA0, 0x00, 'a'})), CorruptError);  // chunk bits
  EXPECT_THROW(Decompress(Bytes({0x01, 0x19})), CorruptError);                   // half header
  // A copy before anything was decompressed in the chunk.
  EXPECT_THROW(Decompress(Bytes({0x01, 0x03, 0xB0, 0x01, 0x00, 0x00})), CorruptError);
  // Offset 2 when one byte is there.
  EXPECT_THROW(Decompress(Bytes({0x01, 0x04, 0xB0, 0x02, 'a', 0x00, 0x10})), CorruptError);
  // A token cut in half by the end of its chunk.
  EXPECT_THROW(Decompress(Bytes({0x01, 0x02, 0xB0, 0x02, 'a', 0x45})), CorruptError);
  // Copies that would make a chunk larger than 4096 bytes.
  std::string big = Bytes({0x01, 0x00, 0xB0, 0x00});
  big += 'a';
  for (int i = 0; i < 9; ++i) big += Bytes({0xFF, 0xFF, 0x0F, 0xFF, 0x0F, 0xFF, 0x0F, 0xFF, 0x0F,
                                            0xFF, 0x0F, 0xFF, 0x0F, 0xFF, 0x0F, 0xFF, 0x0F});
  const unsigned size = static_cast<unsigned>(big.size() - 1 - 3);
  big[1] = static_cast<char>(size & 0xFF);
  big[2] = static_cast<char>(0xB0 | (size >> 8));
  EXPECT_THROW(Decompress(big), CorruptError);
}

// --- dir stream ---------------------------------------------------------------------------------

void Record(std::string& s, uint16_t id, const std::string& data) {
  s.push_back(static_cast<char>(id & 0xFF));
  s.push_back(static_cast<char>(id >> 8));
  const uint32_t n = static_cast<uint32_t>(data.size());
  for (int k = 0; k < 4; ++k) s.push_back(static_cast<char>((n >> (8 * k)) & 0xFF));
  s += data;
}

std::string U16(uint16_t v) { return Bytes({v & 0xFF, v >> 8}); }
std::string U32(uint32_t v) {
  return Bytes({static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF), static_cast<int>(v >> 24)});
}
std::string Utf16(const std::string& ascii) {
  std::string s;
  for (char c : ascii) s += std::string(1, c) + '\0';
  return s;
}

void Module(std::string& dir, const std::string& name, const std::string& unicodeName,
            const std::string& stream, uint32_t offset, bool procedural) {
  Record(dir, 0x0019, name);
  if (!unicodeName.empty()) Record(dir, 0x0047, unicodeName);
  Record(dir, 0x001A, stream);
  Record(dir, 0x0032, Utf16(stream));
  Record(dir, 0x001C, "");
  Record(dir, 0x0048, "");
  Record(dir, 0x0031, U32(offset));
  Record(dir, 0x001E, U32(0));
  Record(dir, 0x002C, U16(0xFFFF));
  Record(dir, procedural ? 0x0021 : 0x0022, "");
  Record(dir, 0x002B, "");
}

// A dir stream with the project records before the modules, the version record whose size field
// does not give its length, and two modules.
std::string SampleDir() {
  std::string dir;
  Record(dir, 0x0001, U32(1));
  Record(dir, 0x0002, U32(0x409));
  Record(dir, 0x0003, U16(1252));
  Record(dir, 0x0004, "Progetto");
  dir += U16(0x0009) + U32(4) + U32(0x5A3BE1C7) + U16(0x0011);
  Record(dir, 0x000F, U16(2));
  Record(dir, 0x0013, U16(0xFFFF));
  Module(dir, "Funzioni", "", "FUNZ", 1234, true);
  Module(dir, "Form_Anagrafica\xE9", Utf16("Form_Anagrafica") + Bytes({0xE9, 0x00}), "FORM1", 0,
         false);
  Record(dir, 0x0010, "");
  return dir;
}

TEST(VbaDirStream, ProjectAndModules) {
  const std::string dir = SampleDir();
  vba::ProjectDirectory p = vba::ParseDirStream(ByteView::Of(dir));
  EXPECT_EQ(p.codePage, 1252);
  EXPECT_EQ(p.projectName, "Progetto");
  ASSERT_EQ(p.modules.size(), 2u);
  EXPECT_EQ(p.modules[0].name, "Funzioni");
  EXPECT_EQ(p.modules[0].streamName, "FUNZ");
  EXPECT_EQ(p.modules[0].textOffset, 1234u);
  EXPECT_TRUE(p.modules[0].procedural);
  EXPECT_EQ(p.modules[1].name, "Form_Anagrafica\xC3\xA9");  // é, from the Unicode record
  EXPECT_FALSE(p.modules[1].procedural);
}

TEST(VbaDirStream, DamagedStreamsAreCorrupt) {
  const std::string dir = SampleDir();
  // Cut inside the second module's records: its record runs past the end.
  EXPECT_THROW(vba::ParseDirStream(ByteView::Of(dir.substr(0, dir.size() - 40))), CorruptError);
  // A size field far larger than the stream.
  std::string huge;
  Record(huge, 0x0004, "x");
  huge[2] = '\xFF';
  huge[5] = '\x7F';
  EXPECT_THROW(vba::ParseDirStream(ByteView::Of(huge)), CorruptError);
  // A module that ends without its stream name.
  std::string nameless;
  Record(nameless, 0x0019, "Solo");
  Record(nameless, 0x002B, "");
  EXPECT_THROW(vba::ParseDirStream(ByteView::Of(nameless)), CorruptError);
}

// --- the storage tree ---------------------------------------------------------------------------

vba::StorageEntry Storage(int32_t id, int32_t parent, const std::string& name) {
  return {id, parent, name, false, ""};
}
vba::StorageEntry Stream(int32_t id, int32_t parent, const std::string& name,
                         const std::string& data) {
  return {id, parent, name, true, data};
}

TEST(StorageTree, PathsLoopsAndDuplicates) {
  vba::StorageTree tree({
      Stream(12, 10, "Blob", "definizione"),
      Storage(1, 1, "MSysAccessStorage_ROOT"),
      Storage(4, 1, "Forms"),
      Stream(5, 4, "\003DirData", "elenco"),
      Storage(10, 4, "0"),
      Stream(12, 4, "Blob", "un doppione: ignorato"),
      // A loop of parents that never reaches the root, and an entry that is its own parent.
      Storage(20, 21, "Forms"),
      Storage(21, 20, "Forms"),
      Storage(30, 30, "Forms"),
  });
  const vba::StorageEntry* blob = tree.Find({"Forms", "0", "Blob"});
  ASSERT_NE(blob, nullptr);
  EXPECT_EQ(blob->data, "definizione");
  const vba::StorageEntry* dir = tree.Find({"Forms", "DirData"});
  ASSERT_NE(dir, nullptr);
  EXPECT_EQ(dir->data, "elenco");
  EXPECT_EQ(tree.Find({"Forms", "1"}), nullptr);
  EXPECT_EQ(tree.Find({"Forms", "0", "Blob", "oltre"}), nullptr);  // below a stream
  EXPECT_EQ(tree.Find({}), &tree.Root());
  // The looping entries are not children of anything reachable.
  ASSERT_EQ(tree.Children(tree.Root()).size(), 1u);
  EXPECT_EQ(tree.Children(tree.Root())[0]->id, 4);
}

TEST(StorageTree, RootMustBeThereOnce) {
  EXPECT_THROW(vba::StorageTree({Storage(4, 1, "Forms")}), CorruptError);
  EXPECT_THROW(vba::StorageTree({Storage(1, 1, "MSysAccessStorage_ROOT"),
                                 Storage(2, 2, "MSysAccessStorage_ROOT")}),
               CorruptError);
}

// --- object directories and stored strings ------------------------------------------------------

TEST(ObjectDirectory, EntriesAndDamage) {
  std::string d = U32(0);
  d += Bytes({0x04, 4 + 10}) + Utf16("Clienti") .substr(0, 10) + U32(3);
  d += Bytes({0x04, 4 + 4}) + Utf16("Or") + U32(0);
  auto entries = vba::ParseObjectDirectory(ByteView::Of(d));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "Clien");
  EXPECT_EQ(entries[0].storage, 3u);
  EXPECT_EQ(entries[1].name, "Or");
  EXPECT_THROW(vba::ParseObjectDirectory(ByteView::Of(d.substr(0, d.size() - 1))), CorruptError);
  EXPECT_THROW(vba::ParseObjectDirectory(ByteView::Of(U32(0) + Bytes({0x04, 0x02, 'a', 0}))), CorruptError);
}

TEST(StoredText, StringsAtEitherAlignmentAndMacroXml) {
  std::string blob = Bytes({0x07, 0x00, 0x01});      // binary, then a string at an odd offset
  blob += Utf16("tbl_Clienti") + Bytes({0x00, 0x00, 0x12});
  blob += Utf16("SELECT * FROM [Ordini]") + Bytes({0x00, 0x00});
  blob += Utf16("x") + Bytes({0x00, 0x00});          // too short
  std::vector<std::string> strings = vba::StoredStrings(ByteView::Of(blob));
  EXPECT_EQ(strings, (std::vector<std::string>{"tbl_Clienti", "SELECT * FROM [Ordini]"}));

  std::string macro = Bytes({0xFF, 0xFF, 0x01}) + Utf16("Not [Form].[NewRecord]") + Bytes({0, 0});
  EXPECT_EQ(vba::MacroXml(ByteView::Of(macro)), "");
  macro += Bytes({0x05}) + Utf16("_AXL:<?xml version=\"1.0\"?><UserInterfa") + Bytes({0, 0, 9});
  macro += Bytes({0, 0, 0, 0x0A, 0, 0xFF}) + Utf16("_AXL:ceMacro/>") + Bytes({0, 0});
  EXPECT_EQ(vba::MacroXml(ByteView::Of(macro)), "<?xml version=\"1.0\"?><UserInterfaceMacro/>");
}

TEST(StoredText, PropertyStringsAreTheLengthPrefixedTexts) {
  std::string blob = U32(0x11) + U32(4);                       // not a text property
  blob += U32(4) + U32(22) + Utf16("tbl_Clienti");            // kind 4, 22 bytes
  blob += U32(7) + U32(4) + U32(4) + U32(6) + Utf16("Or") + U32(0);  // length past the text
  blob += U32(4) + U32(16) + Utf16("[Ordini]");
  blob += U32(4) + U32(400) + Utf16("cut");                   // runs past the end
  EXPECT_EQ(vba::PropertyStrings(ByteView::Of(blob)), (std::vector<std::string>{"tbl_Clienti", "[Ordini]"}));
}

// --- a VBA project built in memory --------------------------------------------------------------

TEST(VbaProject, EveryModuleIsListedAndDamageStaysWithItsModule) {
  std::string dir;
  Record(dir, 0x0003, U16(1252));
  Module(dir, "Buono", "", "S1", 3, true);
  Module(dir, "Senzaflusso", "", "S2", 0, true);
  Module(dir, "Oltre", "", "S3", 500, true);
  Module(dir, "Rotto", "", "S4", 0, true);
  Module(dir, "Classe", "", "S5", 0, false);
  Record(dir, 0x0010, "");
  const std::string project = "Module=Buono\r\nClass=Classe\r\n";
  vba::StorageTree tree({
      Storage(1, 1, "MSysAccessStorage_ROOT"),
      Storage(2, 1, "VBA"),
      Storage(3, 2, "VBAProject"),
      Stream(4, 3, "PROJECT", project),
      Storage(5, 3, "VBA"),
      Stream(6, 5, "dir", Stored(dir)),
      Stream(7, 5, "S1", "p-c" + Stored("Attribute VB_Name = \"Buono\"\r\nPrivate \xE8\r\n")),
      Stream(8, 5, "S3", Stored("corto")),
      Stream(9, 5, "S4", Bytes({0x01, 0x05, 0xA0, 0, 'a', 'b'})),
      Stream(10, 5, "S5", Stored("Option Explicit\r\n")),
  });
  std::vector<vba::ModuleSource> modules = vba::ReadVbaProject(tree);
  ASSERT_EQ(modules.size(), 5u);
  EXPECT_EQ(modules[0].kind, "standard");
  EXPECT_EQ(modules[0].text, "Attribute VB_Name = \"Buono\"\r\nPrivate \xC3\xA8\r\n");
  EXPECT_EQ(modules[0].error, "");
  EXPECT_NE(modules[1].error.find("S2"), std::string::npos);
  EXPECT_FALSE(modules[2].error.empty());
  EXPECT_FALSE(modules[3].error.empty());
  EXPECT_EQ(modules[3].text, "");
  EXPECT_EQ(modules[4].kind, "class");
  EXPECT_EQ(modules[4].text, "Option Explicit\r\n");

  // A damaged dir stream loses the whole project.
  vba::StorageTree broken({
      Storage(1, 1, "MSysAccessStorage_ROOT"), Storage(2, 1, "VBA"),
      Storage(3, 2, "VBAProject"), Storage(5, 3, "VBA"),
      Stream(6, 5, "dir", Stored(dir.substr(0, 30))),
  });
  EXPECT_THROW(vba::ReadVbaProject(broken), CorruptError);
  // No project at all: nothing to list.
  EXPECT_TRUE(vba::ReadVbaProject(vba::StorageTree({Storage(1, 1, "MSysAccessStorage_ROOT")})).empty());
}

// --- a real application -------------------------------------------------------------------------

uint64_t Fnv1a(const std::string& s) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : s) h = (h ^ c) * 0x100000001b3ull;
  return h;
}

size_t Lines(const std::string& s) {
  size_t n = 0;
  for (size_t at = s.find("\r\n"); at != std::string::npos; at = s.find("\r\n", at + 2)) ++n;
  return n;
}

const dao::Container& ContainerNamed(const dao::Database& db, const std::string& name) {
  for (const auto& c : db.Containers())
    if (c.Name() == name) return c;
  throw std::runtime_error("no container " + name);
}

// Every module of targetlists.accdb: CR LF lines and a hash of the text. The texts were compared
// once, line by line, with the SaveAsText exports the same project keeps of its modules, forms and
// reports (identical but for the "Attribute VB_…" lines those leave out); the VCS_ modules have no
// export and were read by hand.
struct ExpectedModule {
  const char* name;
  size_t lines;
  uint64_t hash;
};
constexpr ExpectedModule kModules[] = {
    {"mod_Color", 86, 0x4c01fdbfe19cd710ull},        {"mod_Data", 406, 0xbcaf34a5627f3694ull},
    {"mod_Export", 56, 0x3848718c33182c79ull},       {"mod_Forms", 440, 0x7186bcbd1c8bfe2eull},
    {"mod_Git", 556, 0x7ae94b866727618full},         {"mod_Init", 55, 0x3a1a5d81999ec9adull},
    {"mod_Lists", 899, 0x0502adf892bef78full},       {"mod_Print", 145, 0xecffcf619b52b7f0ull},
    {"mod_Species", 65, 0xdaf50dcd17e0a9c8ull},      {"mod_SQL", 168, 0x0d49963244aaaf9bull},
    {"mod_Strings", 55, 0x7c2f405e40d02267ull},      {"mod_Validation", 247, 0xc6ff0d6d6bf27d3dull},
    {"VCS_DataMacro", 80, 0x9d81f1c10cecfddfull},    {"VCS_Dir", 47, 0x7a9204de6de7e190ull},
    {"VCS_File", 246, 0x98de7b91e22edab3ull},        {"VCS_IE_Functions", 172, 0xbe0dbc26246b25c6ull},
    {"VCS_ImportExport", 442, 0x80e84bfb40a3de30ull}, {"VCS_Loader", 69, 0x310e0059f8c76e58ull},
    {"VCS_Reference", 65, 0x62aebf70f0ea1b3aull},    {"VCS_String", 81, 0x3f0e3b8fbff92cd2ull},
    {"VCS_Table", 613, 0x6c2d1d069cb81de9ull},
};
constexpr ExpectedModule kDocumentModules[] = {
    {"frmActions", 138, 0x1972a6acfbed3d61ull},        {"frmExportList", 128, 0x0811650bbf6b90d0ull},
    {"frmExportLists", 219, 0xf144590b410322e3ull},    {"frmPhotoEntry", 53, 0xb804e4e00dd87e55ull},
    {"frmPrintDocs", 570, 0x7c8a6d4ed2810af5ull},      {"frmPrintLists", 215, 0x9d205218f545dbc6ull},
    {"frmSelectList", 219, 0x8b0a3d313f475310ull},     {"frmSelectPark", 133, 0xbe0920c6e46d01faull},
    {"frmSelectYear", 128, 0xc45af8f9c8f2e442ull},     {"frmSpeciesSearch", 884, 0x20fc0cf6d330509bull},
    {"frmTgtAreas", 277, 0x0159de1c309487cbull},       {"frmTgtSpecies", 720, 0x14b54dc6bba82871ull},
    {"frmTgtSpeciesBoth", 554, 0x5c958df45a6a2dd4ull}, {"frmTgtSpeciesList", 35, 0x76fe61ea4ddaf19bull},
    {"sfrmSpeciesListbox", 370, 0x99c8fd016f12d636ull},
    {"rptTgtSpeciesList", 71, 0x638774d4663c8465ull},
    {"rptTgtSpeciesListAnnualSummary", 127, 0x1a0f89bfe481216full},
    {"rptTgtSpeciesListByPark", 70, 0x3cec6d5a380e9b48ull},
};

class AccessApplication : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = dao::DBEngine().OpenDatabase(enginetest::Corpus("access-sql/targetlists.accdb"));
  }
  std::shared_ptr<dao::Database> db_;
};

TEST_F(AccessApplication, ContainersListEveryObjectWithItsDates) {
  const auto& containers = db_->Containers();
  ASSERT_GE(containers.Count(), 4);
  EXPECT_EQ(containers[0].Name(), "Forms");
  EXPECT_EQ(containers[1].Name(), "Reports");
  EXPECT_EQ(containers[2].Name(), "Scripts");
  EXPECT_EQ(containers[3].Name(), "Modules");
  EXPECT_EQ(containers[0].Documents().Count(), 16);
  EXPECT_EQ(containers[1].Documents().Count(), 4);
  EXPECT_EQ(containers[2].Documents().Count(), 1);
  EXPECT_EQ(containers[3].Documents().Count(), 21);
  for (const auto& c : containers) EXPECT_NE(c.Name(), "Tables");
  // Name order, ignoring case: "mod_SQL" after "mod_Species".
  const auto& modules = containers[3].Documents();
  EXPECT_EQ(modules[8].Name(), "mod_Species");
  EXPECT_EQ(modules[9].Name(), "mod_SQL");
  EXPECT_EQ(modules[0].DateCreated().Iso(), "2015-03-04T11:20:12");
}

TEST_F(AccessApplication, ModuleSourcesAreTheProjectsText) {
  std::map<std::string, const dao::Document*> byName;
  for (const char* name : {"Forms", "Reports", "Modules"})
    for (const auto& d : ContainerNamed(*db_, name).Documents()) byName[d.Name()] = &d;
  for (const auto& m : kModules) {
    SCOPED_TRACE(m.name);
    const dao::Document& d = *byName.at(m.name);
    EXPECT_EQ(d.Kind(), "standard");
    EXPECT_EQ(d.Error(), "");
    EXPECT_EQ(d.Text().rfind(std::string("Attribute VB_Name = \"") + m.name + "\"\r\n", 0), 0u);
    EXPECT_EQ(Lines(d.Text()), m.lines);
    EXPECT_EQ(Fnv1a(d.Text()), m.hash);
  }
  for (const auto& m : kDocumentModules) {
    SCOPED_TRACE(m.name);
    const dao::Document& d = *byName.at(m.name);
    EXPECT_EQ(d.Kind(), "document");
    EXPECT_EQ(Lines(d.Text()), m.lines);
    EXPECT_EQ(Fnv1a(d.Text()), m.hash);
  }
  // A form without code and the relationships report have no module.
  EXPECT_EQ(byName.at("sfrmSearchResults")->Text(), "");
  EXPECT_EQ(byName.at("sfrmSearchResults")->Error(), "");
  EXPECT_EQ(byName.at("Relationships for targetlists")->Kind(), "");
}

TEST_F(AccessApplication, MacroDefinitionAndFormStrings) {
  const dao::Document& macro = ContainerNamed(*db_, "Scripts").Documents()[0];
  EXPECT_EQ(macro.Name(), "~TMPCLPMacro");
  EXPECT_EQ(macro.Kind(), "xml");
  EXPECT_EQ(macro.Text().rfind("<?xml version=\"1.0\" encoding=\"UTF-16\"", 0), 0u);
  EXPECT_NE(macro.Text().find("<UserInterfaceMacro"), std::string::npos);
  const std::string end = "</UserInterfaceMacro>";
  ASSERT_GE(macro.Text().size(), end.size());
  EXPECT_EQ(macro.Text().substr(macro.Text().size() - end.size()), end);
  EXPECT_NE(macro.Text().find("Not [Form].[NewRecord]"), std::string::npos);

  // The print form's definition holds its list box's value list and event settings.
  for (const auto& d : ContainerNamed(*db_, "Forms").Documents()) {
    if (d.Name() != "frmPrintDocs") continue;
    const auto& s = d.StoredTexts();
    EXPECT_NE(std::find(s.begin(), s.end(), "lbxDataSheets"), s.end());
    EXPECT_NE(std::find(s.begin(), s.end(), "[Event Procedure]"), s.end());
  }
}

TEST(ApplicationObjects, FilesWithoutTheStorageListEmptyContainers) {
  for (const char* file : {"jet3/testV1997.mdb", "jet4/testV2000.mdb", "ace/testV2007.accdb"}) {
    SCOPED_TRACE(file);
    auto db = dao::DBEngine().OpenDatabase(enginetest::Corpus(file));
    const auto& c = db->Containers();
    ASSERT_GE(c.Count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(c[i].Documents().Count(), 0);
    // The Databases container lists the summary and user-defined property documents.
    bool databases = false;
    for (const auto& k : c)
      if (k.Name() == "Databases") databases = k.Documents().Count() >= 1;
    EXPECT_TRUE(databases);
  }
}

// --- damaged applications ----------------------------------------------------------------------

const dao::Document& DocumentNamed(const dao::Database& db, const std::string& container,
                                   const std::string& name) {
  for (const auto& d : ContainerNamed(db, container).Documents())
    if (d.Name() == name) return d;
  throw std::runtime_error("no document " + name);
}

// The compressed text of VCS_Dir starts at this offset of targetlists.accdb (its stream lies in
// one long-value page; found once by searching the file for the stream's bytes).
constexpr size_t kVcsDirText = 1248585;

TEST(DamagedApplication, ABrokenModuleIsReportedAndTheRestStillRead) {
  enginetest::ScratchDir dir;
  std::vector<uint8_t> bytes = enginetest::ReadBytes(enginetest::Corpus("access-sql/targetlists.accdb"));
  ASSERT_EQ(bytes.at(kVcsDirText), 0x01);  // the container's signature byte
  bytes[kVcsDirText + 1] = 0;              // a chunk header without its signature bits
  bytes[kVcsDirText + 2] = 0;
  enginetest::WriteBytes(dir.File("app.accdb"), bytes);
  auto db = dao::DBEngine().OpenDatabase(dir.File("app.accdb"));
  EXPECT_EQ(ContainerNamed(*db, "Modules").Documents().Count(), 21);
  const dao::Document& broken = DocumentNamed(*db, "Modules", "VCS_Dir");
  EXPECT_EQ(broken.Text(), "");
  EXPECT_EQ(broken.Error(), "testo del modulo danneggiato");
  const dao::Document& fine = DocumentNamed(*db, "Modules", "mod_Color");
  EXPECT_EQ(fine.Error(), "");
  EXPECT_EQ(Fnv1a(fine.Text()), kModules[0].hash);
}

// Bytes flipped in the pages of MSysAccessStorage (table definition on page 60) and in the
// long-value pages holding its streams: the objects of MSysObjects are still all listed, each
// document has its text or an error, and nothing crashes.
TEST(DamagedApplication, FlippedStoragePagesNeverCrash) {
  const std::vector<uint8_t> original =
      enginetest::ReadBytes(enginetest::Corpus("access-sql/targetlists.accdb"));
  constexpr size_t kPage = 4096;
  std::vector<size_t> pages;
  for (size_t p = 1; (p + 1) * kPage <= original.size(); ++p) {
    const uint8_t* page = &original[p * kPage];
    const uint32_t owner = page[4] | (page[5] << 8) | (page[6] << 16) | (uint32_t{page[7]} << 24);
    if (page[0] == 0x01 && (owner == 60 || std::string(page + 4, page + 8) == "LVAL"))
      pages.push_back(p);
  }
  ASSERT_GT(pages.size(), 100u);
  enginetest::ScratchDir dir;
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  int withErrors = 0;
  for (int round = 0; round < 30; ++round) {
    std::vector<uint8_t> bytes = original;
    for (int k = 0; k < 24; ++k) {
      const size_t page = pages[(next() >> 8) % pages.size()];
      bytes[page * kPage + 8 + (next() >> 8) % (kPage - 8)] ^= static_cast<uint8_t>(1u << (next() % 8));
    }
    enginetest::WriteBytes(dir.File("app.accdb"), bytes);
    try {
      auto db = dao::DBEngine().OpenDatabase(dir.File("app.accdb"));
      EXPECT_EQ(ContainerNamed(*db, "Forms").Documents().Count(), 16);
      EXPECT_EQ(ContainerNamed(*db, "Modules").Documents().Count(), 21);
      for (const auto& d : ContainerNamed(*db, "Modules").Documents())
        withErrors += !d.Error().empty();
    } catch (const dao::Error& e) {
      EXPECT_EQ(e.Number(), dao::kErrCorrupt);
    }
  }
  EXPECT_GT(withErrors, 0);  // the damage was noticed somewhere, not silently read
}

}  // namespace
