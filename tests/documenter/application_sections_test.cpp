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

TEST(ApplicationSections, HtmlListsObjectsCodeAndReferences) {
  auto db = AppDatabase().Build();
  const std::string page = HtmlDictionary(ReadDictionary(*db), {false});
  EXPECT_TRUE(Has(page, "<a href=\"#applicazione\">"));
  const std::string objects = Between(page, "id=\"applicazione\"", "</section>");
  EXPECT_TRUE(Has(objects, "<h3>Maschere (1)</h3>"));
  EXPECT_FALSE(Has(objects, "Report"));  // no reports: no heading
  EXPECT_TRUE(Has(objects, "<td>Anagrafica</td><td>2014-12-27 12:00:00</td><td>2014-12-28 00:00:00</td>"
                           "<td>document</td><td class=\"num\">3</td>"));
  EXPECT_TRUE(Has(objects, "<td>testo del modulo danneggiato</td>"));

  const std::string code = Between(page, "id=\"codice\"", "</section>");
  EXPECT_TRUE(Has(code, "<h3 id=\"codice-Form_Anagrafica\">Form_Anagrafica</h3>"));
  EXPECT_TRUE(Has(code, "&#39; &lt;b&gt;&amp;``` | fine\nDim [Note]\n</pre>"));  // escaped, LF only
  EXPECT_TRUE(Has(code, "<h3 id=\"codice-Macro_Avvio\">Macro Avvio</h3>"));
  EXPECT_FALSE(Has(code, "Rotto"));
  EXPECT_FALSE(Has(code, "\r"));

  const std::string refs = Between(page, "id=\"riferimenti\"", "</section>");
  EXPECT_TRUE(Has(refs, "Evidenza testuale, non prova"));
  EXPECT_TRUE(Has(refs, "<td>Clienti</td><td>tabella</td><td>modulo Form_Anagrafica (nome)</td>"));
  EXPECT_TRUE(Has(refs, "<td>Prodotti</td><td>tabella</td><td>macro Avvio (nome)</td>"));
  EXPECT_TRUE(Has(refs, "<td>Note</td><td>tabella</td><td>modulo Strani (tra parentesi)</td>"));
  // The hostile table name is escaped in the list of what nothing names.
  EXPECT_TRUE(Has(refs, "<li>Strano &lt;b&gt;&amp;&quot;x&quot; | {y} (tabella)</li>"));
}

TEST(ApplicationSections, MarkdownFencesCodeAndEscapesTables) {
  auto db = AppDatabase().Build();
  const std::string doc = MarkdownDictionary(ReadDictionary(*db), {false});
  EXPECT_TRUE(Has(doc, "- [Riferimenti](#riferimenti)"));
  const std::string objects = Between(doc, "## Oggetti dell'applicazione", "<a id=\"codice\">");
  EXPECT_TRUE(Has(objects, "### Moduli (2)"));
  EXPECT_TRUE(Has(objects, "| Rotto | 2014-12-27 12:00:00 | 2014-12-28 00:00:00 | standard |  | testo del modulo danneggiato |"));
  // A fence longer than the backtick run inside the module.
  EXPECT_TRUE(Has(doc, "### Strani\n\n````vb\n' <b>&``` | fine\nDim [Note]\n````\n"));
  EXPECT_TRUE(Has(doc, "```xml\n<Action Name=\"OpenTable\">"));
  const std::string refs = Between(doc, "## Riferimenti", "### Non nominati");
  EXPECT_TRUE(Has(refs, "| Clienti | tabella | modulo Form\\_Anagrafica (nome) |"));
  EXPECT_TRUE(Has(doc, "### Non nominati da nulla ("));
}

}  // namespace
