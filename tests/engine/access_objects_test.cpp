// Access 2000's application store: the compound file reader on files built here from the
// documented structures (and damaged on purpose), then real files saved by Access in the 2000,
// 2002-2003 and 2007 formats, whose VBA projects live in MSysAccessObjects and MSysAccessStorage.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/storage/bytes.h"
#include "engine/dao.h"
#include "engine/storage/text_codec.h"
#include "engine/application/compound_file.h"
#include "engine/application/macro_rows.h"
#include "engine/application/vba_project.h"
#include "tests/engine/test_files.h"

namespace {

using engine::ByteView;
using engine::CorruptError;
namespace vba = engine::vba;

constexpr uint32_t kEnd = 0xFFFFFFFE;
constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr size_t kSector = 512;

void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + i]);
  return v;
}

// A compound file with 512-byte sectors laid out as: the FAT (sector 0), the directory, the mini
// FAT, the mini stream, then each stream of 4096 bytes or more. A storage's children are chained
// through their right-sibling links, which is a valid (if unbalanced) sibling tree.
class CompoundBuilder {
 public:
  // `shift` 9: 512-byte sectors (version 3); 12: 4096-byte sectors (version 4).
  explicit CompoundBuilder(int shift = 9) : shift_(shift), sector_(size_t{1} << shift) {
    nodes_.push_back({"Root Entry", -1, false, ""});
  }

  int Storage(int parent, const std::string& name) { return Add(parent, name, false, ""); }
  int Stream(int parent, const std::string& name, const std::string& data) {
    return Add(parent, name, true, data);
  }

  std::string Build() {
    std::string mini;
    std::vector<uint32_t> miniFat;
    std::vector<uint32_t> start(nodes_.size(), kEnd);
    for (size_t i = 1; i < nodes_.size(); ++i) {
      const Node& n = nodes_[i];
      if (!n.stream || n.data.empty() || n.data.size() >= 4096) continue;
      const uint32_t first = static_cast<uint32_t>(mini.size() / 64);
      const size_t count = (n.data.size() + 63) / 64;
      for (size_t k = 0; k < count; ++k)
        miniFat.push_back(k + 1 < count ? first + static_cast<uint32_t>(k) + 1 : kEnd);
      mini += n.data;
      mini.resize(mini.size() + (64 - mini.size() % 64) % 64, '\0');
      start[i] = first;
    }
    std::vector<uint32_t> fat = {0xFFFFFFFD};  // sector 0 holds the FAT itself
    auto region = [&](size_t bytes) -> uint32_t {
      const size_t count = (bytes + sector_ - 1) / sector_;
      if (count == 0) return kEnd;
      const uint32_t first = static_cast<uint32_t>(fat.size());
      for (size_t k = 0; k < count; ++k)
        fat.push_back(k + 1 < count ? first + static_cast<uint32_t>(k) + 1 : kEnd);
      return first;
    };
    const uint32_t dir = region(nodes_.size() * 128);
    const uint32_t miniFatStart = region(miniFat.size() * 4);
    const uint32_t miniStart = region(mini.size());
    for (size_t i = 1; i < nodes_.size(); ++i)
      if (nodes_[i].stream && nodes_[i].data.size() >= 4096) start[i] = region(nodes_[i].data.size());
    EXPECT_LE(fat.size(), sector_ / 4);
    fat.resize(sector_ / 4, kFree);

    std::string out(sector_ * (1 + (fat.size() > 0 ? SectorsUsed(fat) : 0)), '\0');
    std::memcpy(out.data(), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    out[0x18] = 0x3E;
    out[0x1A] = shift_ == 9 ? 3 : 4;
    out[0x1C] = '\xFE';
    out[0x1D] = '\xFF';
    out[0x1E] = static_cast<char>(shift_);
    out[0x20] = 6;
    Put32(out, 0x2C, 1);
    Put32(out, 0x30, dir);
    Put32(out, 0x38, 4096);
    Put32(out, 0x3C, miniFat.empty() ? kEnd : miniFatStart);
    Put32(out, 0x40, static_cast<uint32_t>((miniFat.size() * 4 + sector_ - 1) / sector_));
    Put32(out, 0x44, kEnd);
    for (size_t i = 0; i < 109; ++i) Put32(out, 0x4C + 4 * i, i == 0 ? 0 : kFree);
    for (size_t i = 0; i < fat.size(); ++i) Put32(out, Offset(0) + 4 * i, fat[i]);

    // Children chained through right siblings, in the order they were added.
    std::vector<uint32_t> child(nodes_.size(), kFree), right(nodes_.size(), kFree);
    std::vector<int> last(nodes_.size(), -1);
    for (size_t i = 1; i < nodes_.size(); ++i) {
      const int p = nodes_[i].parent;
      if (last[p] < 0) child[p] = static_cast<uint32_t>(i);
      else right[last[p]] = static_cast<uint32_t>(i);
      last[p] = static_cast<int>(i);
    }
    dirOffset_ = Offset(dir);
    for (size_t i = 0; i < nodes_.size(); ++i) {
      const size_t e = EntryOffset(static_cast<int>(i));
      const Node& n = nodes_[i];
      for (size_t c = 0; c < n.name.size(); ++c) out[e + 2 * c] = n.name[c];
      out[e + 0x40] = static_cast<char>((n.name.size() + 1) * 2);
      out[e + 0x42] = i == 0 ? 5 : (n.stream ? 2 : 1);
      out[e + 0x43] = 1;
      Put32(out, e + 0x44, kFree);
      Put32(out, e + 0x48, right[i]);
      Put32(out, e + 0x4C, child[i]);
      Put32(out, e + 0x74, i == 0 ? (mini.empty() ? kEnd : miniStart) : start[i]);
      Put32(out, e + 0x78, static_cast<uint32_t>(i == 0 ? mini.size() : n.data.size()));
    }
    for (size_t i = 0; i < miniFat.size(); ++i) Put32(out, Offset(miniFatStart) + 4 * i, miniFat[i]);
    if (!mini.empty()) out.replace(Offset(miniStart), mini.size(), mini);
    for (size_t i = 1; i < nodes_.size(); ++i)
      if (nodes_[i].stream && nodes_[i].data.size() >= 4096)
        out.replace(Offset(start[i]), nodes_[i].data.size(), nodes_[i].data);
    start_ = start;
    return out;
  }

  static size_t SectorOffset(uint32_t sector) { return (sector + 1) * kSector; }
  size_t Offset(uint32_t sector) const { return (sector + 1) * sector_; }
  size_t EntryOffset(int entry) const { return dirOffset_ + 128 * static_cast<size_t>(entry); }
  uint32_t FirstSector(int entry) const { return start_[entry]; }

 private:
  struct Node {
    std::string name;
    int parent;
    bool stream;
    std::string data;
  };
  int Add(int parent, const std::string& name, bool stream, const std::string& data) {
    nodes_.push_back({name, parent, stream, data});
    return static_cast<int>(nodes_.size() - 1);
  }
  static size_t SectorsUsed(const std::vector<uint32_t>& fat) {
    size_t used = 0;
    for (size_t i = 0; i < fat.size(); ++i)
      if (fat[i] != kFree) used = i + 1;
    return used;
  }

  int shift_;
  size_t sector_;
  std::vector<Node> nodes_;
  std::vector<uint32_t> start_;
  size_t dirOffset_ = 0;
};

// A compressed container holding `text` in stored (uncompressed) chunks.
std::string Stored(const std::string& text) {
  std::string out(1, '\x01');
  for (size_t at = 0; at < text.size(); at += 4096) {
    const std::string part = text.substr(at, 4096);
    const unsigned header = 0x3000u | static_cast<unsigned>(part.size() + 2 - 3);
    out.push_back(static_cast<char>(header & 0xFF));
    out.push_back(static_cast<char>(header >> 8));
    out += part;
  }
  return out;
}

std::string Record(uint16_t id, const std::string& data) {
  std::string r(6, '\0');
  r[0] = static_cast<char>(id & 0xFF);
  r[1] = static_cast<char>(id >> 8);
  Put32(r, 2, static_cast<uint32_t>(data.size()));
  return r + data;
}

// A VBA project of one standard module whose text starts at offset 0 of its stream.
struct Project {
  CompoundBuilder cf;
  int module = 0;
  int dir = 0;
};

void AddProject(Project& p, const std::string& text) {
  const int vbaStorage = p.cf.Storage(0, "VBA");
  const int project = p.cf.Storage(vbaStorage, "VBAProject");
  const int inner = p.cf.Storage(project, "VBA");
  std::string dir = Record(0x0003, std::string("\xE4\x04", 2)) + Record(0x0004, "Progetto") +
                    Record(0x0019, "Modulo1") + Record(0x001A, "Modulo1") +
                    Record(0x0031, std::string(4, '\0')) + Record(0x0021, "") +
                    Record(0x002B, "") + Record(0x0010, "");
  p.dir = p.cf.Stream(inner, "dir", Stored(dir));
  p.module = p.cf.Stream(inner, "Modulo1", Stored(text));
  p.cf.Stream(project, "PROJECT", "Module=Modulo1\r\n");
}

TEST(CompoundFile, StoragesStreamsAndAProjectInside) {
  Project p;
  const int forms = p.cf.Storage(0, "Forms");
  p.cf.Stream(forms, "\003DirData", "elenco");
  std::string longText;
  for (int i = 0; longText.size() < 6000; ++i) longText += "' riga " + std::to_string(i) + "\r\n";
  AddProject(p, longText);  // its stream lies in regular sectors, the rest in the mini stream
  const std::string file = p.cf.Build();

  const vba::StorageTree tree = vba::ReadCompoundFile(ByteView::Of(file));
  EXPECT_EQ(tree.Root().name, vba::kCompoundRootName);
  const vba::StorageEntry* dirData = tree.Find({"Forms", "DirData"});
  ASSERT_NE(dirData, nullptr);
  EXPECT_EQ(dirData->data, "elenco");
  ASSERT_EQ(tree.Children(tree.Root()).size(), 2u);

  const std::vector<vba::ModuleSource> modules = vba::ReadVbaProject(tree);
  ASSERT_EQ(modules.size(), 1u);
  EXPECT_EQ(modules[0].name, "Modulo1");
  EXPECT_EQ(modules[0].kind, "standard");
  EXPECT_EQ(modules[0].error, "");
  EXPECT_EQ(modules[0].text, longText);
}

TEST(CompoundFile, FourKilobyteSectors) {
  Project p{CompoundBuilder(12), 0, 0};
  std::string text;
  for (int i = 0; text.size() < 9000; ++i) text += "Debug.Print " + std::to_string(i) + "\r\n";
  AddProject(p, text);
  const std::string file = p.cf.Build();
  ASSERT_EQ(file.size() % 4096, 0u);
  const std::vector<vba::ModuleSource> modules = vba::ReadVbaProject(vba::ReadCompoundFile(ByteView::Of(file)));
  ASSERT_EQ(modules.size(), 1u);
  EXPECT_EQ(modules[0].text, text);
}

TEST(CompoundFile, ABrokenChainStaysWithItsStream) {
  Project p;
  AddProject(p, std::string(5000, 'x'));
  std::string file = p.cf.Build();
  // The module's second sector points back at its first: a loop.
  const uint32_t first = p.cf.FirstSector(p.module);
  Put32(file, CompoundBuilder::SectorOffset(0) + 4 * (first + 1), first);
  vba::StorageTree tree = vba::ReadCompoundFile(ByteView::Of(file));
  std::vector<vba::ModuleSource> modules = vba::ReadVbaProject(tree);
  ASSERT_EQ(modules.size(), 1u);
  EXPECT_EQ(modules[0].text, "");
  EXPECT_EQ(modules[0].error, "flusso del modulo 'Modulo1' danneggiato");

  // A stream claiming more bytes than the file holds, and a mini chain leaving the mini stream.
  file = p.cf.Build();
  Put32(file, p.cf.EntryOffset(p.module) + 0x78, 0x7FFFFFFF);
  Put32(file, CompoundBuilder::SectorOffset(Get32(file, 0x3C)), 0x00FFFFFF);  // dir's mini chain
  tree = vba::ReadCompoundFile(ByteView::Of(file));
  ASSERT_NE(tree.Find({"VBA", "VBAProject", "VBA", "Modulo1"}), nullptr);
  EXPECT_TRUE(tree.Find({"VBA", "VBAProject", "VBA", "Modulo1"})->damaged);
  EXPECT_TRUE(tree.Find({"VBA", "VBAProject", "VBA", "dir"})->damaged);
  EXPECT_FALSE(tree.Find({"VBA", "VBAProject", "PROJECT"})->damaged);
  EXPECT_THROW(vba::ReadVbaProject(tree), CorruptError);  // without its dir, no project
}

TEST(CompoundFile, DirectoryLoopsAndStrayLinksAreWalkedOnce) {
  CompoundBuilder cf;
  const int a = cf.Storage(0, "A");
  const int b = cf.Stream(a, "B", "bi");
  const int c = cf.Stream(a, "C", "ci");
  std::string file = cf.Build();
  Put32(file, cf.EntryOffset(c) + 0x48, static_cast<uint32_t>(b));  // C's sibling is B again
  Put32(file, cf.EntryOffset(b) + 0x44, 0);                           // B's left is the root
  Put32(file, cf.EntryOffset(c) + 0x44, 0x12345678);                  // past the directory
  const vba::StorageTree tree = vba::ReadCompoundFile(ByteView::Of(file));
  const vba::StorageEntry* storage = tree.Find({"A"});
  ASSERT_NE(storage, nullptr);
  EXPECT_EQ(tree.Children(*storage).size(), 2u);
  EXPECT_EQ(tree.Find({"A", "C"})->data, "ci");

  // A storage whose child is its own parent: the root is never entered twice.
  file = cf.Build();
  Put32(file, cf.EntryOffset(a) + 0x4C, 0);
  const vba::StorageTree looped = vba::ReadCompoundFile(ByteView::Of(file));
  EXPECT_EQ(looped.Children(*looped.Find({"A"})).size(), 0u);
}

TEST(CompoundFile, HeaderAndTableDamageIsCorrupt) {
  CompoundBuilder cf;
  cf.Stream(0, "S", "dati");
  const std::string good = cf.Build();
  ASSERT_NO_THROW(vba::ReadCompoundFile(ByteView::Of(good)));

  auto damaged = [&](size_t at, uint32_t value) {
    std::string f = good;
    Put32(f, at, value);
    return f;
  };
  const std::string cases[] = {
      damaged(0, 0x12345678),                           // signature
      damaged(0x1C, 0x000DFFFE),                        // sector shift 13
      damaged(0x1C, 0x0006FFFE),                        // sector shift 6
      damaged(0x2C, 1000),                              // more FAT sectors than the file has
      damaged(0x4C, 500),                               // FAT sector past the end
      damaged(0x30, 500),                               // directory past the end
      damaged(CompoundBuilder::SectorOffset(0) + 4, 1), // directory chain loops on itself
      good.substr(0, 300),                              // shorter than the header
  };
  for (const std::string& f : cases) EXPECT_THROW(vba::ReadCompoundFile(ByteView::Of(f)), CorruptError);
  // The root entry must be one.
  std::string noRoot = good;
  noRoot[cf.EntryOffset(0) + 0x42] = 1;
  EXPECT_THROW(vba::ReadCompoundFile(ByteView::Of(noRoot)), CorruptError);
}

TEST(CompoundFile, AFileCutInItsLastSectorKeepsWhatItHolds) {
  CompoundBuilder cf;
  const int small = cf.Stream(0, "Piccolo", "breve");
  const int large = cf.Stream(0, "Grande", std::string(4600, 'g'));  // ends 504 bytes into its last sector
  const std::string full = cf.Build();
  const size_t lastSector = CompoundBuilder::SectorOffset(cf.FirstSector(large) + 8);
  ASSERT_EQ(full.size(), lastSector + kSector);

  // Cut after the stream's last byte: still whole. Cut before it: that stream only is damaged.
  vba::StorageTree tree = vba::ReadCompoundFile(ByteView::Of(full.substr(0, lastSector + 504)));
  EXPECT_EQ(tree.Find({"Grande"})->data.size(), 4600u);
  tree = vba::ReadCompoundFile(ByteView::Of(full.substr(0, lastSector + 100)));
  EXPECT_TRUE(tree.Find({"Grande"})->damaged);
  EXPECT_EQ(tree.Find({"Piccolo"})->data, "breve");
  (void)small;
}

// --- macro rows ---------------------------------------------------------------------------------

// A macro definition: the header with its marker string, then each row with its strings.
struct GridRow {
  uint16_t action;
  uint16_t number;
  const char* comment;
  const char* condition;
  const char* name;
  std::vector<const char*> arguments;
};

std::string Put16(uint16_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

std::string Grid(const std::vector<GridRow>& rows, bool wide) {
  std::string out(0x20, '\0');
  out[0] = 1;
  const std::string marker = wide ? std::string("3\0" "3\0", 4) : "";
  out += Put16(static_cast<uint16_t>(marker.size())) + marker + std::string(2, '\0');
  for (const GridRow& r : rows) {
    std::string block;
    auto place = [&](const char* s) -> uint16_t {
      if (!s) return 0xFFFF;
      const uint16_t at = static_cast<uint16_t>(block.size());
      for (const char* c = s; *c; ++c) {
        block += *c;
        if (wide) block += '\0';
      }
      block += wide ? std::string(2, '\0') : std::string(1, '\0');
      return at;
    };
    std::string head = Put16(r.action) + Put16(r.number) + Put16(0xFFFF);
    head += Put16(place(r.comment)) + Put16(place(r.condition)) + Put16(place(r.name));
    for (size_t k = 0; k < 10; ++k) head += Put16(place(k < r.arguments.size() ? r.arguments[k] : nullptr));
    out += head + Put16(static_cast<uint16_t>(block.size())) + block + std::string(2, '\0');
  }
  return out;
}

TEST(MacroRows, ActionsArgumentsConditionsAndNames) {
  const engine::TextCodec western(engine::TextStorage::kCodePage, 1252);
  const std::vector<GridRow> rows = {
      {0, 1, "Apre gli ordini", nullptr, "Avvio", {}},
      {23, 2, nullptr, "[Forms]![A]![B]=1", nullptr, {"Ordini", nullptr, nullptr, "[Id]=\"x\""}},
      {4, 3, nullptr, "...", nullptr, {}},
      {999, 5, nullptr, nullptr, nullptr, {"a"}},
  };
  for (bool wide : {true, false}) {
    SCOPED_TRACE(wide);
    const std::string blob = Grid(rows, wide);
    const std::vector<vba::MacroRow> parsed = vba::ParseMacroRows(ByteView::Of(blob), western);
    ASSERT_EQ(parsed.size(), 4u);
    EXPECT_EQ(parsed[1].number, 2);
    EXPECT_EQ(parsed[1].arguments.size(), 10u);
    EXPECT_FALSE(parsed[1].arguments[1].has_value());
    EXPECT_EQ(vba::MacroRowsText(parsed),
              "Avvio:\n"
              "' Apre gli ordini\n"
              "If [Forms]![A]![B]=1 Then OpenForm \"Ordini\", \"\", \"\", \"[Id]=\"\"x\"\"\"\n"
              "If ... Then Beep\n"
              "Azione 999 \"a\"\n");
  }
  EXPECT_EQ(vba::MacroActionName(17), "Hourglass");
  EXPECT_EQ(vba::MacroActionName(95), "DeleteRecord");
  EXPECT_EQ(vba::MacroActionName(2), "");
}

TEST(MacroRows, DamagedDefinitionsAreCorrupt) {
  const engine::TextCodec western(engine::TextStorage::kCodePage, 1252);
  const std::string good = Grid({{33, 1, nullptr, nullptr, nullptr, {"Avvia()"}}}, true);
  ASSERT_NO_THROW(vba::ParseMacroRows(ByteView::Of(good), western));
  std::string longer = good;
  longer[0x28 + 32] = 0x7F;  // the strings run past the end
  std::string offset = good;
  offset[0x28 + 12] = 0x40;  // an argument past its row's strings
  const std::string cases[] = {good.substr(0, 0x21), good.substr(0, 0x30), longer, offset};
  for (const std::string& blob : cases)
    EXPECT_THROW(vba::ParseMacroRows(ByteView::Of(blob), western), CorruptError);
}

// --- real files -----------------------------------------------------------------------------------

const dao::Document& DocumentNamed(const dao::Database& db, const std::string& container,
                                   const std::string& name) {
  for (const auto& c : db.Containers())
    if (c.Name() == container)
      for (const auto& d : c.Documents())
        if (d.Name() == name) return d;
  throw std::runtime_error("no document " + name);
}

// The three modules of the jetdb project's files, read by hand once. Module1 keeps lines of
// spaces where a blank line would be expected: the stored text has them in all three formats.
std::string Lines(std::initializer_list<std::string> lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\r\n";
  return s;
}
std::string ClassHeader(const std::string& name, const std::string& base, bool document) {
  return Lines({"Attribute VB_Name = \"" + name + "\"", "Attribute VB_Base = \"" + base + "\"",
                "Attribute VB_GlobalNameSpace = False",
                std::string("Attribute VB_Creatable = ") + (document ? "True" : "False"),
                std::string("Attribute VB_PredeclaredId = ") + (document ? "True" : "False"),
                "Attribute VB_Exposed = False", "Attribute VB_TemplateDerived = False",
                "Attribute VB_Customizable = False"});
}
const std::string kForm1 =
    ClassHeader("Form_Form1", "0{8D5EAB36-84C5-4C28-B6B8-39546D4F09D7}", true) +
    Lines({"Option Compare Database", "Option Explicit", "", "Private Sub Form_Load()",
           "    MsgBox \"Form loaded\"", "End Sub", ""});
const std::string kClass1 =
    ClassHeader("Class1", "0{FCFB3D2A-A0FA-1068-A738-08002B3371B5}", false) +
    Lines({"Option Compare Database", "Option Explicit", "", "Private m_Name As String", "",
           "Public Property Get Name() As String", "    Name = m_Name", "End Property", "",
           "Public Property Let Name(value As String)", "    m_Name = value", "End Property", ""});
const std::string kModule1 =
    Lines({"Attribute VB_Name = \"Module1\"", "Option Compare Database", "Option Explicit",
           std::string(141, ' '), "Public Function Hello() As String",
           "    Hello = \"Hello, World!\"", "End Function", std::string(58, ' '),
           "Public Function Add(a As Long, b As Long) As Long", "    Add = a + b", "End Function",
           ""});

TEST(AccessApplicationFormats, TheSameProjectInEveryFormat) {
  for (const char* file : {"app/vbaV2000.mdb", "app/vbaV2003.mdb", "app/vbaV2007.accdb"}) {
    SCOPED_TRACE(file);
    auto db = dao::DBEngine().OpenDatabase(enginetest::Corpus(file));
    const dao::Document& form = DocumentNamed(*db, "Forms", "Form1");
    EXPECT_EQ(form.Error(), "");
    EXPECT_EQ(form.Kind(), "document");
    EXPECT_EQ(form.Text(), kForm1);
    const dao::Document& cls = DocumentNamed(*db, "Modules", "Class1");
    EXPECT_EQ(cls.Kind(), "class");
    EXPECT_EQ(cls.Text(), kClass1);
    const dao::Document& mod = DocumentNamed(*db, "Modules", "Module1");
    EXPECT_EQ(mod.Kind(), "standard");
    EXPECT_EQ(mod.Text(), kModule1);
    EXPECT_EQ(mod.DateCreated().Iso(), "2026-02-14T07:08:39");
  }
}

// The same project behind a Jet database password, its pages RC4-encoded.
TEST(AccessApplicationFormats, AnEncodedAccess2000File) {
  auto db = dao::DBEngine().OpenDatabase(enginetest::Corpus("encrypted/enc_vbaV2000.mdb"), false,
                                         true, std::string(";PWD=1234567890"));
  EXPECT_EQ(DocumentNamed(*db, "Forms", "Form1").Text(), kForm1);
  EXPECT_EQ(DocumentNamed(*db, "Modules", "Class1").Text(), kClass1);
  EXPECT_EQ(DocumentNamed(*db, "Modules", "Module1").Text(), kModule1);
}

// A real Access 2002-2003 application: a form with code, a report, a macro saved before macros had
// their XML, two standard modules.
TEST(AccessApplicationFormats, AnAccess2003Application) {
  auto db = dao::DBEngine().OpenDatabase(enginetest::Corpus("app/asvnTest2003.mdb"));
  const dao::Document& macro = DocumentNamed(*db, "Scripts", "Macro1");
  EXPECT_EQ(macro.Kind(), "actions");
  EXPECT_EQ(macro.Text(), "Quit \"1\"\n");
  EXPECT_EQ(DocumentNamed(*db, "Forms", "Master").Text(),
            ClassHeader("Form_Master", "0{8DAC324A-9BBD-4305-BB26-9A967D88C335}", true) +
                Lines({"Option Compare Database", "", "Private Sub btnClose_Click()",
                       "    DoCmd.Close acForm, Me.Name", "End Sub"}));
  EXPECT_EQ(DocumentNamed(*db, "Forms", "Details").Text(), "");
  EXPECT_EQ(DocumentNamed(*db, "Modules", "Another module").Text(),
            Lines({"Attribute VB_Name = \"Another module\"", "Option Compare Database", "",
                   "Public Sub HandShake()", "    MsgBox \"Hello world\", vbInformation, \"Info\"",
                   "End Sub"}));
  const dao::Document& dates = DocumentNamed(*db, "Modules", "DateFunctions");
  EXPECT_EQ(dates.Kind(), "standard");
  EXPECT_NE(dates.Text().find("            IsLeapYear = True\r\n            End If\r\n"),
            std::string::npos);
}

// A real Access 2007 application (Anthony Duguid's "Access examples"): every object its README
// lists, each module with the procedures the README names for it (all 161 were found once; the
// first and last of each are kept here), lines and hash of every text as read by hand once, and the macros of the
// 2007 kind, which keep only the rows of their sheet.
struct Expected {
  const char* name;
  size_t lines;
  uint64_t hash;
  std::vector<const char*> procedures;
};
const Expected kExampleModules[] = {
    {"clsMonthCal", 1813, 0xddfb41099835acd8ull, {"CreateDTPControl", "IsCalendar"}},
    {"modCalendar", 1722, 0xaa617d9188d4e966ull, {"ShowMonthCalendar", "MakeDWord"}},
    {"modDate", 413, 0x94d84c2756689aaeull, {"Timedelay", "WorkDays"}},
    {"modFileFunctions", 686, 0xe4f7cf7396d3cf01ull, {"RefreshLinks", "MSAOF_to_OF"}},
    {"modMain", 158, 0x1906928908ec7697ull, {"OSUserID", "GetObjectTypeName"}},
    {"modMathAreaVolume", 133, 0x9e7fe359e19aac74ull, {"ACircle", "VTruncPyramid"}},
    {"modMathCumulative", 193, 0x5c3687c374af08ebull, {"CumulativeValue", "DeCumulativeValue"}},
    {"modMathStatistics", 111, 0x9903958c30eb0a84ull, {"Combin", "TestRegress"}},
    {"modMathTrig", 168, 0xf21a6f039db9e356ull, {"ArcCos", "Sec"}},
    {"modMathXYZ", 145, 0x7b82d9c0a1274ceaull, {"DegToDMS", "XYZToLatLong"}},
    {"modOutlook", 201, 0x95b17ab12e00986cull, {"ImportContactsFromOutlook", "PushAppointments"}},
    {"modString", 682, 0x71586eb318984b58ull, {"LowerCC", "ParseArticle"}},
};
const Expected kExampleDocuments[] = {
    {"001_About_frm", 136, 0xa74d921daaf496ddull, {}},
    {"002_Splash_Screen_frm", 53, 0x979ae1f56cb71485ull, {}},
    {"003_Buttons_frm", 381, 0x2fd68bd9dc62c001ull, {}},
    {"004_DSN_Password_frm", 228, 0xfc837ef466192ce7ull, {}},
    {"005_Access_Security_frm", 518, 0x3498552cfea09bf4ull, {}},
    {"006_Dialogbox_Examples_frm", 35, 0xcf4a53bdaf5f2384ull, {}},
    {"010_Date_Calendar_frm", 197, 0xb3e312bd8e75007eull, {}},
    {"301_Roulette_frm", 266, 0x076892274e7682c6ull, {}},
    {"700_Create_Filelist_frm", 380, 0x5d99d1a3d30e2ff5ull, {}},
    {"800_Link_Manager_frm", 1010, 0xb68197a1fd02bd80ull, {}},
    {"900_Check_Runtime_frm", 213, 0xf09296b3660646e0ull, {}},
    {"950_Leszynski_Conventions_frm", 40, 0xc287adf1fd76468full, {}},
    {"980_Data_Dictionary_frm", 331, 0x5f5f13b894980fbeull, {}},
    {"001_Organization_Logo_srp", 16, 0xca459299a6fbba6full, {}},
    {"099_Object_Listing_Report_rpt", 401, 0x176be24e830fd979ull, {}},
    {"803_Object_Calendar_List_rpt", 236, 0x9437fff7358b83f2ull, {}},
    {"803a_Calendar_List_srp", 10, 0x905c04a57e45a551ull, {}},
    {"804_Weekly_Report_rpt", 90, 0x7c5826414cbe8ddeull, {}},
    {"805_Timeline_Report_rpt", 274, 0xd1174172822eb01full, {}},
    {"950_Leszynski_Conventions_rpt", 53, 0x9bf75868d21ee1a5ull, {}},
    {"980_Data_Dictionary_rpt", 161, 0xac02f06ce391c62cull, {}},
};

uint64_t Fnv1a(const std::string& s) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : s) h = (h ^ c) * 0x100000001b3ull;
  return h;
}
size_t LineCount(const std::string& s) {
  size_t n = 0;
  for (size_t at = s.find("\r\n"); at != std::string::npos; at = s.find("\r\n", at + 2)) ++n;
  return n;
}

TEST(AccessApplicationFormats, AnAccess2007ExampleApplication) {
  auto db = dao::DBEngine().OpenDatabase(enginetest::Corpus("app/Access_Example_VBA.accdb"));
  std::map<std::string, int> counts;
  for (const auto& c : db->Containers()) counts[c.Name()] = c.Documents().Count();
  EXPECT_EQ(counts["Forms"], 13);
  EXPECT_EQ(counts["Reports"], 8);
  EXPECT_EQ(counts["Scripts"], 3);
  EXPECT_EQ(counts["Modules"], 12);
  for (const Expected& m : kExampleModules) {
    SCOPED_TRACE(m.name);
    const dao::Document& d = DocumentNamed(*db, "Modules", m.name);
    EXPECT_EQ(d.Error(), "");
    EXPECT_EQ(d.Kind(), std::string(m.name) == "clsMonthCal" ? "class" : "standard");
    EXPECT_EQ(LineCount(d.Text()), m.lines);
    EXPECT_EQ(Fnv1a(d.Text()), m.hash);
    for (const char* p : m.procedures) EXPECT_NE(d.Text().find(std::string(" ") + p + "("), std::string::npos) << p;
  }
  for (const Expected& m : kExampleDocuments) {
    SCOPED_TRACE(m.name);
    const std::string name = m.name;
    const bool report = name.find("_rpt") != std::string::npos || name.find("_srp") != std::string::npos;
    const dao::Document& d = DocumentNamed(*db, report ? "Reports" : "Forms", name);
    EXPECT_EQ(d.Kind(), "document");
    EXPECT_EQ(d.Text().rfind("Attribute VB_Name = \"" + std::string(report ? "Report_" : "Form_") + name + "\"\r\n", 0), 0u);
    EXPECT_EQ(LineCount(d.Text()), m.lines);
    EXPECT_EQ(Fnv1a(d.Text()), m.hash);
  }
  const dao::Document& autoExec = DocumentNamed(*db, "Scripts", "zzzAutoExec");
  EXPECT_EQ(autoExec.Kind(), "actions");
  EXPECT_EQ(autoExec.Text(),
            "OpenForm \"002_Splash_Screen_frm\", \"0\", \"\", \"\", \"-1\", \"0\"\n"
            "RepaintObject \"2\", \"002_Splash_Screen_frm\"\n");
  const std::string keys = DocumentNamed(*db, "Scripts", "AutoKeys").Text();
  EXPECT_EQ(keys.substr(0, keys.find("^A:")),
            "{F2}:\nBeep\nOpenForm \"001_About_frm\", \"0\", \"\", \"\", \"-1\", \"0\"\n{F12}:\nBeep\n");
  EXPECT_NE(keys.find("+{DELETE}:\n' SHIFT+DEL\nBeep\n"), std::string::npos);
  EXPECT_NE(DocumentNamed(*db, "Scripts", "Ribbon").Text().find("RefreshData:\nRunCode \"SetFilter()\"\n"),
            std::string::npos);
}

// Access 2000 files without forms or modules still keep a compound file with an empty project.
TEST(AccessApplicationFormats, AnEmptyAccess2000ProjectListsNothing) {
  auto db = dao::DBEngine().OpenDatabase(enginetest::Corpus("jet4/testV2000.mdb"));
  for (const auto& c : db->Containers())
    for (const auto& d : c.Documents()) EXPECT_EQ(d.Text(), "") << d.Name();
}

// Bytes flipped in the data pages of MSysAccessObjects (table definition on page 25): the
// documents are all still listed, each with its text or an error, and nothing crashes.
TEST(AccessApplicationFormats, FlippedAccessObjectPagesNeverCrash) {
  const std::vector<uint8_t> original =
      enginetest::ReadBytes(enginetest::Corpus("app/vbaV2000.mdb"));
  constexpr size_t kPage = 4096;
  std::vector<size_t> pages;
  for (size_t p = 1; (p + 1) * kPage <= original.size(); ++p) {
    const uint8_t* page = &original[p * kPage];
    if (page[0] == 0x01 && page[4] == 25 && page[5] == 0 && page[6] == 0 && page[7] == 0)
      pages.push_back(p);
  }
  ASSERT_EQ(pages.size(), 9u);
  enginetest::ScratchDir dir;
  uint32_t seed = 2000;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  int damaged = 0;
  for (int round = 0; round < 60; ++round) {
    std::vector<uint8_t> bytes = original;
    for (int k = 0; k < 8; ++k) {
      const size_t page = pages[(next() >> 8) % pages.size()];
      bytes[page * kPage + 14 + (next() >> 8) % (kPage - 14)] ^= static_cast<uint8_t>(1u << (next() % 8));
    }
    enginetest::WriteBytes(dir.File("app.mdb"), bytes);
    try {
      auto db = dao::DBEngine().OpenDatabase(dir.File("app.mdb"));
      const dao::Document& mod = DocumentNamed(*db, "Modules", "Module1");
      const dao::Document& cls = DocumentNamed(*db, "Modules", "Class1");
      for (const dao::Document* d : {&mod, &cls}) {
        if (!d->Error().empty()) ++damaged;
        else EXPECT_FALSE(d->Text().empty());
      }
    } catch (const dao::Error& e) {
      EXPECT_EQ(e.Number(), dao::kErrCorrupt);
    }
  }
  EXPECT_GT(damaged, 0);
}

}  // namespace
