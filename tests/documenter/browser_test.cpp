// The HTML data dictionary in a real browser: headless Chromium loads the page written by
// tavrek-dump for real database files, renders it to PNG and to PDF, and dumps its DOM. The page
// must raise no console message at all (a script error, a blocked load, a CSP violation would
// each log one), every user table must be in the rendered DOM with its node in the diagram, and
// the printed page must give each table a page of its own.
//
// The Markdown dictionary's Mermaid diagram is drawn by Mermaid itself in the same browser.
//
// Chromium and Mermaid are part of the test environment (scripts/deps.sh installs them): without
// them the tests fail rather than skip.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "documenter/diagram.h"
#include "tests/support/temp_dir.h"
#include "documenter/html.h"
#include "documenter/markdown.h"
#include "engine/dao.h"
#include "tests/documenter/sample_db.h"
#include "tests/support/shell.h"

namespace {

using testshell::ShellQuote;

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs a shell command with standard output into `out` and standard error into `err` (files).
int Shell(const std::string& command, const fs::path& out, const fs::path& err) {
  const std::string line = command + " >" + ShellQuote(out.string()) + " 2>" + ShellQuote(err.string());
  const int st = std::system(line.c_str());
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The lines of Chromium's log that report a message of the page's console.
std::vector<std::string> ConsoleMessages(const std::string& log) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(start, end - start);
    if (line.find(":CONSOLE") != std::string::npos) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

class Browser : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(std::system("command -v chromium >/dev/null 2>&1"), 0)
        << "Chromium is missing: install the Debian package chromium (scripts/deps.sh)";
  }

  // Runs headless Chromium on `page` with `what` (--dump-dom, --screenshot=…, --print-to-pdf=…),
  // a fresh profile each time and no network. Returns its exit status; standard output in
  // `out`, the log in `log`.
  int Chromium(const fs::path& page, const std::string& what, std::string& out, std::string& log) {
    const fs::path profile = dir_ / ("profile" + std::to_string(++runs_));
    const std::string command =
        "timeout 180 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
        "--disable-background-networking --disable-component-update --disable-sync "
        "--disable-extensions --no-default-browser-check --hide-scrollbars --disable-dev-shm-usage "
        "--enable-logging=stderr --v=0 --window-size=1280,2000 --user-data-dir=" +
        ShellQuote(profile.string()) + " " + what + " " + ShellQuote("file://" + page.string());
    const int status = Shell(command, dir_ / "chromium.out", dir_ / "chromium.log");
    out = ReadFile(dir_ / "chromium.out");
    log = ReadFile(dir_ / "chromium.log");
    return status;
  }

  // Draws Mermaid source with Mermaid in this browser; returns the page's DOM afterwards, whose
  // body carries data-esito="ok" when Mermaid drew the diagram, or the error.
  std::string DrawWithMermaid(const std::string& diagram, std::string& log) {
    EXPECT_TRUE(fs::exists(TAVREK_MERMAID_JS))
        << TAVREK_MERMAID_JS << " is missing: scripts/deps.sh fetches it";
    const fs::path page = dir_ / "mermaid.html";
    std::ofstream(page) << "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><script src=\""
                        << "file://" TAVREK_MERMAID_JS "\"></script></head><body><pre id=\"src\">"
                        << tavrek::doc::HtmlEscape(diagram)
                        << "</pre><div id=\"out\"></div><script>\n"
                           "mermaid.initialize({startOnLoad: false, securityLevel: 'strict'});\n"
                           "mermaid.render('diagramma', document.getElementById('src').textContent)\n"
                           "  .then(r => { document.getElementById('out').innerHTML = r.svg;\n"
                           "               document.body.setAttribute('data-esito', 'ok'); })\n"
                           "  .catch(e => document.body.setAttribute('data-esito', 'errore: ' + e.message));\n"
                           "</script></body></html>\n";
    std::string dom;
    EXPECT_EQ(Chromium(page, "--virtual-time-budget=20000 --dump-dom", dom, log), 0) << log;
    return dom;
  }

  testsupport::TempDir temp_{"tavrek-browser"};
  const fs::path dir_ = temp_.Path();
  int runs_ = 0;
};

TEST_F(Browser, ConsoleMessagesOfABrokenPageAreSeen) {
  // The check used below must catch what it is there for: a page with a script error and a
  // blocked load.
  const fs::path page = dir_ / "guasta.html";
  std::ofstream(page) << "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                         "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                         "script-src 'unsafe-inline'\"></head><body><p>x</p>"
                         "<img src=\"http://192.0.2.1/a.png\"><script>nonEsiste();</script></body></html>";
  std::string out, log;
  ASSERT_EQ(Chromium(page, "--dump-dom", out, log), 0) << log;
  const std::vector<std::string> messages = ConsoleMessages(log);
  EXPECT_GE(messages.size(), 2u) << log;
  EXPECT_NE(log.find("nonEsiste"), std::string::npos);
}

class BrowserOnFile : public Browser, public ::testing::WithParamInterface<const char*> {};

TEST_P(BrowserOnFile, PageRendersWithoutErrorsAndShowsEveryTable) {
  const std::string file = std::string(TAVREK_TEST_DATA) + "/" + GetParam();
  const fs::path page = dir_ / "dizionario.html";
  const std::string dump = std::string(TAVREK_DUMP_PATH) + " --html " + ShellQuote(file) + " -o " +
                           ShellQuote(page.string());
  ASSERT_EQ(Shell(dump, dir_ / "dump.out", dir_ / "dump.err"), 0) << ReadFile(dir_ / "dump.err");

  // The user tables as the engine lists them.
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(file);
  std::vector<std::string> tables;
  for (const dao::TableDef& t : db->TableDefs())
    if (!t.IsSystem()) tables.push_back(t.Name());
  db->Close();
  ASSERT_FALSE(tables.empty());

  std::string dom, log;
  ASSERT_EQ(Chromium(page, "--dump-dom", dom, log), 0) << log;
  EXPECT_EQ(ConsoleMessages(log), std::vector<std::string>{}) << log;
  ASSERT_NE(dom.find("<h1>Dizionario dei dati</h1>"), std::string::npos) << dom.substr(0, 2000);
  for (const std::string& name : tables) {
    // Text nodes serialised by the browser: & < > escaped, quotes not.
    std::string text = tavrek::doc::HtmlEscape(name);
    text = std::regex_replace(text, std::regex("&quot;"), "\"");
    text = std::regex_replace(text, std::regex("&#39;"), "'");
    EXPECT_NE(dom.find(">Tabella " + text + "</h2>"), std::string::npos) << name;
    EXPECT_NE(dom.find(text + "</a></li>"), std::string::npos) << name << " (contents)";
  }
  // The diagram is inside the page: one SVG for the related tables, one for the others (either
  // may be absent), a node per table in all.
  EXPECT_GE(Count(dom, "<svg"), 1u);
  EXPECT_EQ(Count(dom, "<svg"), Count(dom, "<svg class=\"relazioni\"") + Count(dom, "<svg class=\"isolate\""));
  EXPECT_EQ(Count(dom, "class=\"node\""), tables.size());

  // A PNG of the rendering, kept beside the test for people to look at.
  const fs::path png = fs::current_path() / (std::string("browser-") + fs::path(GetParam()).stem().string() + ".png");
  std::string out;
  ASSERT_EQ(Chromium(page, "--screenshot=" + ShellQuote(png.string()), out, log), 0) << log;
  EXPECT_EQ(ConsoleMessages(log), std::vector<std::string>{}) << log;
  const std::string image = ReadFile(png);
  ASSERT_GT(image.size(), 8u);
  EXPECT_EQ(image.substr(0, 8), "\x89PNG\r\n\x1a\n");

  // Printed: the contents, the diagram and each table begin a page.
  const fs::path pdf = dir_ / "dizionario.pdf";
  ASSERT_EQ(Chromium(page, "--no-pdf-header-footer --print-to-pdf=" + ShellQuote(pdf.string()), out, log), 0)
      << log;
  ASSERT_EQ(Shell("pdfinfo " + ShellQuote(pdf.string()), dir_ / "pdfinfo.out", dir_ / "pdfinfo.err"), 0)
      << ReadFile(dir_ / "pdfinfo.err");
  std::smatch pages;
  const std::string info = ReadFile(dir_ / "pdfinfo.out");
  ASSERT_TRUE(std::regex_search(info, pages, std::regex("Pages:\\s+(\\d+)"))) << info;
  EXPECT_GE(std::stoul(pages[1]), tables.size() + 2) << info;
}

TEST_F(Browser, MermaidDrawsTheDiagramOfRelationsAndAwkwardNames) {
  auto db = tavrek::doc::sample::SalesDatabase().Build();
  const std::string diagram =
      tavrek::doc::MermaidErDiagram(tavrek::doc::BuildDiagram(tavrek::doc::ReadDictionary(*db)));
  std::string log;
  const std::string dom = DrawWithMermaid(diagram, log);
  ASSERT_NE(dom.find("data-esito=\"ok\""), std::string::npos) << dom.substr(dom.find("<body")) << log;
  const size_t svg = dom.find("<svg id=\"diagramma\"");
  ASSERT_NE(svg, std::string::npos);
  const std::string drawing = dom.substr(svg);
  for (const char* text : {">Clienti<", ">Ordini<", ">Righe<", ">Note<", ">Prodotti<", ">Listino<",
                           "Strano &lt;b&gt;&amp;_x_ | {y}", ">ClientiOrdini<", ">ProdottiRighe<", ">Cliente<"})
    EXPECT_NE(drawing.find(text), std::string::npos) << text;

  // And a broken diagram is reported as such, so that "ok" above means something.
  const std::string broken = DrawWithMermaid("erDiagram\n    \"A\" ||--o{ : \"senza tabella\"\n", log);
  EXPECT_NE(broken.find("data-esito=\"errore"), std::string::npos) << broken;
}

TEST_P(BrowserOnFile, MarkdownDiagramIsDrawnByMermaid) {
  const std::string file = std::string(TAVREK_TEST_DATA) + "/" + GetParam();
  const std::string dump = std::string(TAVREK_DUMP_PATH) + " --markdown " + ShellQuote(file);
  ASSERT_EQ(Shell(dump, dir_ / "dump.md", dir_ / "dump.err"), 0) << ReadFile(dir_ / "dump.err");
  const std::string md = ReadFile(dir_ / "dump.md");
  const size_t start = md.find("```mermaid\n");
  ASSERT_NE(start, std::string::npos);
  const size_t end = md.find("\n```\n", start);
  ASSERT_NE(end, std::string::npos);
  const std::string diagram = md.substr(start + 11, end + 1 - (start + 11));

  std::string log;
  const std::string dom = DrawWithMermaid(diagram, log);
  EXPECT_NE(dom.find("data-esito=\"ok\""), std::string::npos) << diagram << log;
  dao::DBEngine engine;
  auto db = engine.OpenDatabase(file);
  for (const dao::TableDef& t : db->TableDefs()) {
    if (t.IsSystem()) continue;
    EXPECT_NE(dom.find(">" + tavrek::doc::HtmlEscape(t.Name()) + "<"), std::string::npos) << t.Name();
  }
  db->Close();
}

INSTANTIATE_TEST_SUITE_P(Corpus, BrowserOnFile,
                         ::testing::Values("jet4/queryTestV2000.mdb", "jet3/testIndexCodesV1997.mdb",
                                           "ace/indexTestV2007.accdb", "jet4/indexTestV2000.mdb",
                                           "generated/stress-e-unicode-V2010.accdb",
                                           "generated/stress-d-300rels-V2007.accdb"),
                         [](const auto& info) {
                           std::string name = fs::path(info.param).stem().string();
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
