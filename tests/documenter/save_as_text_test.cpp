// Forms, reports and modules of a real application written as Access's SaveAsText writes them,
// set against the files Access itself exported from the same database; and the design reader on
// damaged definitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <sstream>

#include "documenter/catalogue_support.h"
#include "documenter/dictionary.h"
#include "documenter/html.h"
#include "documenter/references.h"
#include "documenter/save_as_text.h"
#include "engine/application/form_design.h"
#include "engine/dao.h"
#include "engine/query/query_layout.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
const fs::path kData = TAVREK_TEST_DATA;

// Access's own exports of targetlists, kept packed (their names are the objects' names), unpacked
// once into a temporary folder for the tests of this file.
const fs::path& AccessExports() {
  static testsupport::TempDir dir("tavrek-targetlists");
  static const bool unpacked = [] {
    const std::string command = "tar -xzf '" + (kData / "access-sql/targetlists.source.tar.gz").string() +
                                "' -C '" + dir.Path().string() + "'";
    return std::system(command.c_str()) == 0;
  }();
  EXPECT_TRUE(unpacked);
  static const fs::path path = dir.Path() / "targetlists.source";
  return path;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A file as the exporter of targetlists keeps it: LF line ends, and without the Checksum, BaseInfo
// and PublishToWeb properties (with their continuation lines) and the GUID, NameMap, PrtDev* and
// DOL blocks. The byte-order mark is kept.
std::string AsExporterKeepsIt(const std::string& text) {
  static const std::regex kLine(R"(^\s*(Checksum|BaseInfo|PublishToWeb|db\w+ "PublishToWeb") =.*)");
  static const std::regex kBlock(R"(^\s*(GUID|NameMap|PrtDev[A-Za-z]*|DOL|db\w+ "DOL") = Begin$)");
  std::string out;
  bool inBlock = false, continuation = false;
  std::istringstream in(text);
  std::string line;
  bool first = true;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t lead = line.find_first_not_of(' ');
    if (continuation && lead != std::string::npos && line[lead] == '"') continue;
    continuation = false;
    if (inBlock) {
      inBlock = line.find_first_not_of(' ') == std::string::npos || line.substr(lead) != "End";
      continue;
    }
    if (std::regex_match(line, kBlock)) {
      inBlock = true;
      continue;
    }
    if (std::regex_match(line, kLine)) {
      continuation = true;
      continue;
    }
    out += (first ? "" : "\n") + line;
    first = false;
  }
  return out + (!text.empty() && text.back() == '\n' ? "\n" : "");
}

class TargetLists : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    auto db = dao::DBEngine().OpenDatabase((kData / "access-sql/targetlists.accdb").string());
    std::vector<std::string> skipped;
    for (auto& [path, text] : tavrek::doc::SaveAsTextFiles(*db, skipped)) files_[path] = text;
    skipped_ = skipped;
    for (int i = 0; i < db->QueryDefs().Count(); ++i)
      if (db->QueryDefs().Item(i).Name() == "Query4") layout_ = db->QueryDefs().Item(i).DesignLayout();
    const dao::Container* forms = tavrek::doc::FindContainer(*db, "Forms");
    for (const auto& d : forms->Documents())
      if (d.Name() == "frmSelectYear" && d.Design()) selectYear_ = *d.Design();
    html_ = tavrek::doc::HtmlDictionary(tavrek::doc::ReadDictionary(*db));
    for (auto& e : tavrek::doc::CrossReference(*db)) references_[e.kind + " " + e.name] = e.usedBy;
    db->Close();
  }
  static inline std::string html_;
  static inline std::string layout_;  // the design layout of Query4
  static inline std::map<std::string, std::vector<tavrek::doc::Reference>> references_;
  static std::map<std::string, std::string> files_;
  static std::vector<std::string> skipped_;
  static engine::vba::FormDesign selectYear_;
};
std::map<std::string, std::string> TargetLists::files_;
std::vector<std::string> TargetLists::skipped_;
engine::vba::FormDesign TargetLists::selectYear_;

// Every form, report, module and query Access exported is written byte for byte as Access wrote
// it (apart from what its exporter left out), byte-order mark included: queries in the SQL form
// and in the design-grid form with the layout of their design window.
TEST_F(TargetLists, EveryExportedObjectEqualsAccessFile) {
  EXPECT_EQ(skipped_, std::vector<std::string>{});
  int compared = 0;
  for (const char* folder : {"forms", "reports", "modules", "queries"}) {
    for (const auto& entry : fs::directory_iterator(AccessExports() / folder)) {
      const std::string path = std::string(folder) + "/" + entry.path().filename().string();
      SCOPED_TRACE(path);
      auto it = files_.find(path);
      ASSERT_NE(it, files_.end());
      EXPECT_EQ(it->second.find('\n'), it->second.find("\r\n") + 1) << "lines end in CR LF";
      const std::string expected = ReadText(entry.path());
      const std::string got = AsExporterKeepsIt(it->second);
      if (got == expected) {
        ++compared;
        continue;
      }
      // The first differing line, for the failure message.
      size_t at = 0;
      while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
      const size_t from = expected.rfind('\n', at) == std::string::npos ? 0 : expected.rfind('\n', at) + 1;
      ADD_FAILURE() << "differs at byte " << at << ": Access «" << expected.substr(from, 120)
                    << "» Tavrek «" << got.substr(from, 120) << "»";
    }
  }
  EXPECT_EQ(compared, 16 + 4 + 12 + 12);
}

// The layout of a query's design window: every cut of a real one before its last table record
// is refused with a reason, every longer one gives the same tables.
TEST_F(TargetLists, DamagedQueryLayoutGivesAReason) {
  ASSERT_FALSE(layout_.empty());
  auto parse = [](const std::string& bytes) {
    return engine::ParseQueryLayout(
        engine::ByteView(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  };
  const engine::QueryLayout whole = parse(layout_);
  ASSERT_EQ(whole.tables.size(), 3u);
  EXPECT_EQ(whole.tables[2].name, "tlu_NCPN_Plants");
  const size_t needed = 16 + 13 * 4 + 3 * 284;
  for (size_t n = 0; n <= layout_.size(); ++n) {
    if (n < needed) {
      EXPECT_THROW(parse(layout_.substr(0, n)), engine::CorruptError) << n;
    } else {
      EXPECT_EQ(parse(layout_.substr(0, n)).tables.size(), 3u) << n;
    }
  }
  std::string foreign = layout_;
  foreign[0] = 'x';
  EXPECT_THROW(parse(foreign), engine::CorruptError);
}

// The model behind the text: sections, controls nested in them, positions in twips, sources and
// events, as frmSelectYear.bas (Access's export) shows them.
TEST_F(TargetLists, DesignModelHoldsSectionsAndControls) {
  const engine::vba::DesignObject& form = selectYear_.root;
  EXPECT_EQ(form.TypeName(), "Form");
  EXPECT_EQ(form.TextOf("RecordSource"), "tbl_Target_Areas");
  EXPECT_EQ(form.TextOf("OnLoad"), "[Event Procedure]");
  std::vector<std::string> sections;
  const engine::vba::DesignObject* header = nullptr;
  for (const auto& c : form.children) {
    if (c.Find("Name")) sections.push_back(c.TypeName() + ":" + c.TextOf("Name"));
    if (c.TypeName() == "FormHeader") header = &c;
  }
  EXPECT_EQ(sections, (std::vector<std::string>{"FormHeader:FormHeader", "Section:Detail",
                                                "FormFooter:FormFooter"}));
  ASSERT_NE(header, nullptr);
  ASSERT_EQ(header->children.size(), 3u);
  const auto& button = header->children[1];
  EXPECT_EQ(button.TypeName(), "CommandButton");
  EXPECT_EQ(button.TextOf("Name"), "btnContinue");
  EXPECT_EQ(button.TextOf("OnClick"), "[Event Procedure]");
  EXPECT_EQ(button.NumberOf("Left"), 4380);
  EXPECT_EQ(button.NumberOf("Top"), 1740);
  const auto& combo = header->children[2];
  EXPECT_EQ(combo.TextOf("Name"), "cbxYear");
  ASSERT_EQ(combo.children.size(), 1u);
  EXPECT_EQ(combo.children[0].TypeName(), "Label");
  EXPECT_EQ(combo.children[0].TextOf("Name"), "lblAction");
  EXPECT_EQ(combo.children[0].NumberOf("Width"), 4452);
}

// The cross-reference follows the designs: the subform both species forms show, a form's record
// source, and a table named only as a control's row source.
TEST_F(TargetLists, CrossReferenceFollowsRecordSourcesRowSourcesAndSubforms) {
  const auto& sub = references_["form sfrmSpeciesListbox"];
  for (const char* parent : {"frmTgtSpecies", "frmTgtSpeciesBoth"})
    EXPECT_NE(std::find(sub.begin(), sub.end(), tavrek::doc::Reference{"form", parent, "subform"}), sub.end())
        << parent;
  const auto& areas = references_["table tbl_Target_Areas"];
  const tavrek::doc::Reference selectYear{"form", "frmSelectYear", "recordSource"};
  EXPECT_NE(std::find(areas.begin(), areas.end(), selectYear), areas.end());
  size_t designed = 0;
  for (const auto& [target, by] : references_)
    for (const auto& r : by) designed += r.match == "rowSource" || r.match == "controlSource";
  EXPECT_GT(designed, 0u);
}

// The HTML page sketches every form and report and lists its controls, the events linked to the
// code behind.
TEST_F(TargetLists, HtmlSketchesLayoutsAndLinksEvents) {
  const size_t start = html_.find("<section id=\"struttura\">");
  ASSERT_NE(start, std::string::npos);
  const std::string section = html_.substr(start, html_.find("</section>", start) - start);
  size_t sketches = 0;
  for (size_t at = section.find("<svg"); at != std::string::npos; at = section.find("<svg", at + 1))
    ++sketches;
  EXPECT_EQ(sketches, 16u + 4u);
  const size_t form = section.find("<h3>Maschera frmSelectYear</h3>");
  ASSERT_NE(form, std::string::npos);
  const std::string part = section.substr(form, section.find("<h3>", form + 4) - form);
  EXPECT_NE(part.find("Origine dei record: <code>tbl_Target_Areas</code>"), std::string::npos);
  EXPECT_NE(part.find("<td>btnContinue</td><td>Continue &gt;&gt;</td>"), std::string::npos) << part;
  EXPECT_NE(part.find("OnClick: <a href=\"#codice-Form_frmSelectYear\">btnContinue_Click</a>"),
            std::string::npos);
  EXPECT_NE(html_.find("<h3 id=\"codice-Form_frmSelectYear\">"), std::string::npos);
  // Events of the form itself and of a report's section, named as VBA names their procedures.
  EXPECT_NE(part.find("<td>Maschera</td><td>OnLoad: <a href=\"#codice-Form_frmSelectYear\">Form_Load</a>"),
            std::string::npos);
  EXPECT_NE(section.find("<td>Sezione Detail</td><td>OnFormat: <a href=\"#codice-Report_"
                         "rptTgtSpeciesListAnnualSummary\">Detail_Format</a>"),
            std::string::npos);
  // Every linked procedure is declared in the code; a setting whose procedure was deleted from
  // the code (left behind in frmExportLists) says so instead of linking.
  static const std::regex kLink("<a href=\"#codice-[^\"]+\">([^<]+)</a>");
  int links = 0;
  for (auto it = std::sregex_iterator(section.begin(), section.end(), kLink);
       it != std::sregex_iterator(); ++it, ++links)
    EXPECT_NE(html_.find("Sub " + (*it)[1].str() + "("), std::string::npos) << (*it)[1].str();
  EXPECT_GT(links, 80);
  EXPECT_NE(section.find("OnClick: [Event Procedure] (btnExportList_Click assente dal codice)"),
            std::string::npos);
}

// Standalone macros of a real application: one file each, rows in the order Access writes them
// (name, condition, action, comment, arguments), the macro Access keeps for the clipboard
// left out.
TEST(SaveAsText, MacrosAreWrittenRowByRow) {
  auto db = dao::DBEngine().OpenDatabase((kData / "app/Access_Example_VBA.accdb").string());
  std::vector<std::string> skipped;
  std::map<std::string, std::string> files;
  for (auto& [path, text] : tavrek::doc::SaveAsTextFiles(*db, skipped)) files[path] = text;
  std::vector<std::string> macros;
  for (const auto& [path, text] : files)
    if (path.rfind("macros/", 0) == 0) macros.push_back(path);
  EXPECT_EQ(macros, (std::vector<std::string>{"macros/AutoKeys.bas", "macros/Ribbon.bas",
                                              "macros/zzzAutoExec.bas"}));
  const std::string& keys = files["macros/AutoKeys.bas"];
  EXPECT_EQ(keys.rfind("\xEF\xBB\xBFVersion =196611\r\nColumnsShown =3\r\nBegin\r\n"
                       "    MacroName =\"{F2}\"\r\n    Action =\"Beep\"\r\nEnd\r\n", 0), 0u);
  EXPECT_NE(keys.find("Begin\r\n    MacroName =\"^A\"\r\n    Action =\"Beep\"\r\n"
                      "    Comment =\"CTRL + A\"\r\nEnd\r\n"),
            std::string::npos);
  EXPECT_NE(keys.find("    Action =\"OpenForm\"\r\n    Argument =\"001_About_frm\"\r\n"),
            std::string::npos);
}

// A damaged definition raises CorruptError (never crashes, never loops): every truncation of a
// small one, the same with bytes overwritten at random, impossible counts and endless nesting.
TEST(FormDesign, DamagedDefinitionsGiveAReason) {
  std::mt19937 random(7);
  int corrupt = 0, parsed = 0;
  auto attempt = [&](const std::string& bytes) {
    try {
      engine::vba::ParseFormDesign(
          engine::ByteView(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
      ++parsed;
    } catch (const engine::CorruptError&) {
      ++corrupt;
    }
  };
  // A small definition written here: a form with one property and one label child.
  std::string form;
  auto u16 = [&](uint16_t v) { form += static_cast<char>(v & 255); form += static_cast<char>(v >> 8); };
  auto u32 = [&](uint32_t v) { u16(static_cast<uint16_t>(v)); u16(static_cast<uint16_t>(v >> 16)); };
  u16(20); u16(20); u32(0);
  u16(150);                                // Form
  u32(0x61); u16(0x29); u32(3); u32(4); u32(2); u16(24);  // GridX =24
  u16(0xFE); u16(0);                       // one child
  u16(100);                                // Label
  u32(0xdc); u16(0x14); u32(10); u32(4); u32(4); u16('a'); u16('b');  // Name ="ab"
  u16(0xFD); u16(0);
  attempt(form);
  ASSERT_EQ(parsed, 1);
  const auto design = engine::vba::ParseFormDesign(
      engine::ByteView(reinterpret_cast<const uint8_t*>(form.data()), form.size()));
  EXPECT_EQ(design.root.NumberOf("GridX"), 24);
  ASSERT_EQ(design.root.children.size(), 1u);
  EXPECT_EQ(design.root.children[0].TextOf("Name"), "ab");
  for (size_t n = 0; n < form.size(); ++n) attempt(form.substr(0, n));
  EXPECT_EQ(corrupt, static_cast<int>(form.size()));
  for (int i = 0; i < 2000; ++i) {
    std::string damaged = form;
    for (int k = 0; k < 3; ++k) damaged[random() % damaged.size()] = static_cast<char>(random());
    attempt(damaged);
  }
  // A count of children far beyond what the stream holds, and nesting without end.
  std::string many = form.substr(0, 8) + std::string("\x96\x00\xFF\x00\x00\x00\xFF\xFF", 8);
  attempt(many);
  std::string deep = form.substr(0, 8);
  for (int i = 0; i < 200; ++i) deep += std::string("\x64\x00\xFE\x00\x00\x00", 6);
  const int before = corrupt;
  attempt(many);
  attempt(deep);
  EXPECT_EQ(corrupt, before + 2);
}

}  // namespace
