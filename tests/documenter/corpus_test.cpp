// The dictionary writers on real files with relations, read by the engine: what the file holds
// (relations with their flags, descriptions) must reach the page, the diagram and the Markdown.
#include <gtest/gtest.h>

#include "documenter/diagram.h"
#include "documenter/dictionary.h"
#include "documenter/html.h"
#include "documenter/markdown.h"
#include "engine/dao.h"

namespace {

using namespace tavrek::doc;

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::shared_ptr<dao::Database> Open(const std::string& file) {
  dao::DBEngine engine;
  return engine.OpenDatabase(std::string(TAVREK_TEST_DATA) + "/" + file);
}

TEST(DictionaryOnFiles, RelationsOfIndexTestWithTheirCascades) {
  auto db = Open("jet4/indexTestV2000.mdb");
  const Dictionary d = ReadDictionary(*db);
  // Four stored relations, two of them between Access's navigation-pane system tables.
  EXPECT_EQ(db->Relations().Count(), 4);
  ASSERT_EQ(d.relations.size(), 2u);
  const DictionaryTable& table1 = d.tables.at(static_cast<size_t>(FindTable(d, "Table1")));
  ASSERT_EQ(table1.outgoing.size(), 2u);
  EXPECT_TRUE(table1.incoming.empty());

  const std::string page = HtmlDictionary(d);
  EXPECT_NE(page.find("<td>Table2Table1</td><td><a href=\"#t2\">Table2</a></td>"
                      "<td>Table1.otherfk1 \xE2\x86\x92 Table2.id</td><td>1\xE2\x80\x93\xE2\x88\x9E</td>"
                      "<td>integrit\xC3\xA0 referenziale, eliminazione a catena</td>"),
            std::string::npos);
  EXPECT_NE(page.find("<td>Table3Table1</td><td><a href=\"#t3\">Table3</a></td>"
                      "<td>Table1.otherfk2 \xE2\x86\x92 Table3.id</td><td>1\xE2\x80\x93\xE2\x88\x9E</td>"
                      "<td>integrit\xC3\xA0 referenziale, aggiornamento a catena</td>"),
            std::string::npos);
  EXPECT_EQ(Count(page, "class=\"edge\""), 2u);
  EXPECT_FALSE(page.find("MSysNavPane") != std::string::npos);

  const std::string md = MarkdownDictionary(d);
  EXPECT_NE(md.find("    \"Table2\" ||--o{ \"Table1\" : \"Table2Table1\"\n"), std::string::npos);
  EXPECT_NE(md.find("        Long otherfk1 FK\n"), std::string::npos);
  db->Close();
}

// The attachment columns of this file carry the AutoNumber bit in their column flags; only Long
// and GUID fields are AutoNumbers, in the HTML and in the Markdown.
TEST(DictionaryOnFiles, AutoNumberOnlyOnLongAndGuidFields) {
  size_t autoNumbers = 0;
  for (const char* file : {"ace/complexDataTestV2010.accdb", "jet4/testV2000.mdb",
                           "ace/calcFieldTestV2010.accdb"}) {
    SCOPED_TRACE(file);
    auto db = Open(file);
    const Dictionary d = ReadDictionary(*db);
    const std::string page = HtmlDictionary(d);
    const std::string md = MarkdownDictionary(d);
    EXPECT_EQ(Count(page, ", AutoNumber"), Count(page, "<td>Long, AutoNumber</td>") +
                                               Count(page, "<td>GUID, AutoNumber</td>"));
    EXPECT_EQ(Count(md, ", AutoNumber"),
              Count(md, "| Long, AutoNumber |") + Count(md, "| GUID, AutoNumber |"));
    autoNumbers += Count(page, "<td>Long, AutoNumber</td>");
    db->Close();
  }
  EXPECT_GE(autoNumbers, 2u);
  auto db = Open("ace/complexDataTestV2010.accdb");
  const std::string page = HtmlDictionary(ReadDictionary(*db));
  EXPECT_NE(page.find("<td>attach-data</td><td>Attachment</td>"), std::string::npos);
  db->Close();
}

// Headings with nothing under them, and tables or lists without rows: the start of each.
std::vector<std::string> EmptySections(const std::string& text, bool html) {
  std::vector<std::string> found;
  auto add = [&](size_t at) { found.push_back(text.substr(at > 60 ? at - 60 : 0, 80)); };
  if (html) {
    // A heading followed by one of its own level or higher, or by the end of its section.
    for (const char* end : {"</h2>\n", "</h3>\n"})
      for (size_t at = text.find(end); at != std::string::npos; at = text.find(end, at + 1)) {
        const std::string next = text.substr(at + 6, 10);
        if (next.starts_with("<h2") || (end[3] == '3' && next.starts_with("<h3")) ||
            next.starts_with("</section>"))
          add(at);
      }
    for (const char* empty : {"<tbody>\n</tbody>", "<ul>\n</ul>"})
      for (size_t at = text.find(empty); at != std::string::npos; at = text.find(empty, at + 1)) add(at);
  } else {
    size_t start = 0;
    std::vector<std::string> lines;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    auto next = [&](size_t i) {  // the next line that is neither blank nor an anchor, or ""
      for (++i; i < lines.size(); ++i)
        if (!lines[i].empty() && !lines[i].starts_with("<a id=")) return lines[i];
      return std::string();
    };
    auto level = [](const std::string& line) {
      size_t n = 0;
      while (n < line.size() && line[n] == '#') ++n;
      return n < line.size() && line[n] == ' ' ? n : 0;
    };
    for (size_t i = 0; i < lines.size(); ++i) {
      const size_t here = level(lines[i]);
      const std::string n = next(i);
      if (here >= 2 && (n.empty() || (level(n) > 0 && level(n) <= here))) found.push_back(lines[i]);
      if (lines[i].starts_with("| --") && (i + 1 >= lines.size() || !lines[i + 1].starts_with("|")))
        found.push_back(lines[i - 1]);
    }
  }
  return found;
}

// How many headings of each level (1 to 3) a page or document has; the heading the HTML diagram
// puts over its drawing of the tables without relations is the drawing's own.
std::vector<size_t> HeadingCounts(const std::string& text, bool html) {
  std::vector<size_t> counts;
  for (int level = 1; level <= 3; ++level)
    counts.push_back(html ? Count(text, "<h" + std::to_string(level)) -
                                (level == 3 ? Count(text, "<h3>Tabelle senza relazioni</h3>") : 0)
                          : Count("\n" + text, "\n" + std::string(static_cast<size_t>(level), '#') + " "));
  return counts;
}

// No heading of the HTML page or the Markdown document stands over nothing: what is empty is
// left out or says so. Both show the same parts, forms' and reports' designs included.
TEST(DictionaryOnFiles, NoEmptySectionsAndTheSamePartsInBothFormats) {
  for (const char* file : {"jet4/testV2000.mdb", "jet3/queryTestV1997.mdb", "app/vbaV2007.accdb",
                           "jet4/emptyV2000.mdb", "generated/stress-e-unicode-V2010.accdb",
                           "app/asvnTest2003.mdb"}) {
    SCOPED_TRACE(file);
    auto db = Open(file);
    const Dictionary d = ReadDictionary(*db);
    const std::string page = HtmlDictionary(d), md = MarkdownDictionary(d);
    EXPECT_EQ(EmptySections(page, true), std::vector<std::string>{});
    EXPECT_EQ(EmptySections(md, false), std::vector<std::string>{});
    EXPECT_EQ(HeadingCounts(page, true), HeadingCounts(md, false));
    db->Close();
  }
  // An event procedure links to its module's code in both.
  auto db = Open("app/asvnTest2003.mdb");
  const Dictionary d = ReadDictionary(*db);
  EXPECT_NE(HtmlDictionary(d).find("OnClick: <a href=\"#codice-Form_Master\">btnClose_Click</a>"), std::string::npos);
  const std::string md = MarkdownDictionary(d);
  EXPECT_NE(md.find("OnClick: [btnClose\\_Click](#codice-Form_Master)"), std::string::npos);
  EXPECT_NE(md.find("<a id=\"codice-Form_Master\"></a>\n\n### Form\\_Master\n"), std::string::npos);
  db->Close();
}

TEST(DictionaryOnFiles, EveryRelationAndDescriptionOfTheStressFile) {
  auto db = Open("generated/stress-d-300rels-V2007.accdb");
  const Dictionary d = ReadDictionary(*db);
  ASSERT_EQ(d.relations.size(), 300u);
  const std::string page = HtmlDictionary(d);
  const std::string md = MarkdownDictionary(d);
  EXPECT_EQ(Count(page, "class=\"edge\""), 300u);
  EXPECT_EQ(Count(page, "stroke-dasharray"), 100u);  // the relations not enforced
  for (const dao::Relation* r : d.relations) {
    // Both tables list it (the foreign-key index of the same name is listed apart).
    EXPECT_EQ(Count(page, "<tr><td>" + r->Name() + "</td><td><a href="), 2u) << r->Name();
    const bool enforced = (r->Attributes() & dao::dbRelationDontEnforce) == 0;
    EXPECT_NE(md.find("\"" + r->Table() + "\" ||" + (enforced ? "--" : "..") + "o{ \"" +
                      r->ForeignTable() + "\" : \"" + r->Name() + "\"\n"),
              std::string::npos)
        << r->Name();
  }
  for (const DictionaryTable& t : d.tables) {
    ASSERT_FALSE(t.description.empty()) << t.def->Name();
    EXPECT_NE(page.find("<p class=\"descr\">" + HtmlEscape(t.description) + "</p>"), std::string::npos);
    for (const dao::Field& f : t.rs->Fields()) {
      const std::string description = DescriptionOf(f.Properties());
      EXPECT_FALSE(description.empty()) << t.def->Name() << "." << f.Name();
      EXPECT_NE(md.find("| " + MarkdownEscape(description) + " |\n"), std::string::npos) << description;
    }
  }
  db->Close();
}

}  // namespace
