// The application sections of the HTML page and the Markdown document: forms, reports, macros and
// modules with what was read of them, the code and macro texts, and the cross-reference.
#include <gtest/gtest.h>

#include "documenter/dictionary.h"
#include "documenter/html.h"
#include "documenter/markdown.h"
#include "tests/documenter/sample_db.h"

namespace {

using namespace tavrek::doc;

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

std::string Between(const std::string& text, const std::string& from, const std::string& to) {
  const size_t start = text.find(from);
  EXPECT_NE(start, std::string::npos) << from;
  if (start == std::string::npos) return {};
  return text.substr(start, text.find(to, start + from.size()) - start);
}

dao::DocumentInfo Doc(std::string name, std::string kind, std::string text, std::string error = "") {
  dao::DocumentInfo d;
  d.name = std::move(name);
  d.dateCreated = dao::DateTime{42000.5};
  d.lastUpdated = dao::DateTime{42001.0};
  d.kind = std::move(kind);
  d.text = std::move(text);
  d.error = std::move(error);
  return d;
}

// The sales database with an application: a form whose code names Clienti, a macro naming
// Prodotti, a module with a hostile line, and one that could not be read.
sample::SampleDb AppDatabase() {
  sample::SampleDb f = sample::SalesDatabase();
  f.source->containers = {
      {"Forms", {Doc("Anagrafica", "document", "Sub X()\r\n  Me.RecordSource = \"Clienti\"\r\nEnd Sub\r\n")}},
      {"Reports", {}},
      {"Scripts", {Doc("Avvio", "xml", "<Action Name=\"OpenTable\"><Argument>Prodotti</Argument></Action>")}},
      {"Modules", {Doc("Strani", "standard", "' <b>&``` | fine\r\nDim [Note]\r\n"),
                   Doc("Rotto", "standard", "", "testo del modulo danneggiato")}},
  };
  return f;
}

// What the application parts show, in the HTML page and the Markdown document: in the part with
// that anchor (up to the next part), the text each format shows.
const struct {
  const char* part;
  const char* html;
  const char* md;
  bool present = true;
} kApplicationFacts[] = {
    {"", "<a href=\"#applicazione\">", "- [Oggetti dell'applicazione](#applicazione)"},
    {"", "<a href=\"#riferimenti\">", "- [Riferimenti](#riferimenti)"},
    // Objects: a group without objects has no heading; a damaged module says why.
    {"applicazione", "<h3>Maschere (1)</h3>", "### Maschere (1)\n"},
    {"applicazione", "Report", "Report", false},
    {"applicazione",
     "<td>Anagrafica</td><td>2014-12-27 12:00:00</td><td>2014-12-28 00:00:00</td><td>document</td>"
     "<td class=\"num\">3</td>",
     "| Anagrafica | 2014-12-27 12:00:00 | 2014-12-28 00:00:00 | document | 3 |  |"},
    {"applicazione", "<h3>Moduli (2)</h3>", "### Moduli (2)\n"},
    {"applicazione", "<td>testo del modulo danneggiato</td>",
     "| Rotto | 2014-12-27 12:00:00 | 2014-12-28 00:00:00 | standard |  | testo del modulo danneggiato |"},
    // Code: escaped (HTML) or fenced past the backticks inside (Markdown), line feeds only.
    {"codice", "<h3 id=\"codice-Form_Anagrafica\">Form_Anagrafica</h3>", "### Form\\_Anagrafica\n"},
    {"codice", "&#39; &lt;b&gt;&amp;``` | fine\nDim [Note]\n</pre>",
     "### Strani\n\n````vb\n' <b>&``` | fine\nDim [Note]\n````\n"},
    {"codice", "<h3 id=\"codice-Macro_Avvio\">Macro Avvio</h3>", "```xml\n<Action Name=\"OpenTable\">"},
    {"codice", "Rotto", "Rotto", false},
    {"codice", "\r", "\r", false},
    // The cross-reference, and what nothing names (the hostile name escaped).
    {"riferimenti", "Evidenza testuale, non prova", "Evidenza testuale, non prova"},
    {"riferimenti", "<td>Clienti</td><td>tabella</td><td>modulo Form_Anagrafica (nome)</td>",
     "| Clienti | tabella | modulo Form\\_Anagrafica (nome) |"},
    {"riferimenti", "<td>Prodotti</td><td>tabella</td><td>macro Avvio (nome)</td>",
     "| Prodotti | tabella | macro Avvio (nome) |"},
    {"riferimenti", "<td>Note</td><td>tabella</td><td>modulo Strani (tra parentesi)</td>",
     "| Note | tabella | modulo Strani (tra parentesi) |"},
    {"riferimenti", "<li>Strano &lt;b&gt;&amp;&quot;x&quot; | {y} (tabella)</li>",
     "- Strano \\<b\\>\\&\"x\" \\| {y} (tabella)\n"},
};

TEST(ApplicationSections, ObjectsCodeAndReferencesInBothFormats) {
  auto db = AppDatabase().Build();
  const Dictionary d = ReadDictionary(*db);
  const std::string page = HtmlDictionary(d), md = MarkdownDictionary(d);
  for (const auto& f : kApplicationFacts) {
    const std::string id = f.part;
    const std::string inPage = id.empty() ? page : Between(page, "id=\"" + id + "\"", "</section>");
    const std::string inMd = id.empty() ? md : Between(md, "<a id=\"" + id + "\"></a>\n\n## ", "\n## ");
    EXPECT_EQ(Has(inPage, f.html), f.present) << id << ": " << f.html;
    EXPECT_EQ(Has(inMd, f.md), f.present) << id << ": " << f.md;
  }
}

}  // namespace
