// The HTML page and the Markdown document of the in-memory sales database: escaping of hostile
// names, masking of secrets, SQL line breaks, relations with their flags, the page's
// self-containment and the Mermaid diagram.
#include <gtest/gtest.h>

#include <regex>

#include "documenter/dictionary.h"
#include "documenter/html.h"
#include "documenter/markdown.h"
#include "tests/documenter/sample_db.h"

namespace {

using namespace tavrek::doc;

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

// The text of the page's section with that id, up to the next section.
std::string Section(const std::string& page, const std::string& id) {
  const size_t start = page.find("id=\"" + id + "\"");
  EXPECT_NE(start, std::string::npos) << id;
  if (start == std::string::npos) return {};
  return page.substr(start, page.find("</section>", start) - start);
}

std::string Html(bool showSecrets = false) {
  auto db = sample::SalesDatabase().Build();
  return HtmlDictionary(ReadDictionary(*db), {showSecrets});
}

std::string Markdown(bool showSecrets = false) {
  auto db = sample::SalesDatabase().Build();
  return MarkdownDictionary(ReadDictionary(*db), {showSecrets});
}

TEST(HtmlDictionary, IsOneSelfContainedDocument) {
  const std::string page = Html();
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\n<html lang=\"it\">", 0), 0u);
  EXPECT_TRUE(page.ends_with("</html>\n"));
  EXPECT_TRUE(Has(page, "<meta charset=\"utf-8\">"));
  EXPECT_TRUE(Has(page, "Content-Security-Policy\" content=\"default-src 'none'"));
  // Nothing refers outside the page: the only URLs are the SVG namespaces.
  std::regex url("(https?|ftp|file)://[^\"' >]*");
  for (auto it = std::sregex_iterator(page.begin(), page.end(), url); it != std::sregex_iterator(); ++it)
    EXPECT_TRUE(it->str().starts_with("http://www.w3.org/")) << it->str();
  for (const char* tag : {"<script", "<link", "<img", "<iframe", "src=", "@import", "url("})
    EXPECT_FALSE(Has(page, tag)) << tag;
  EXPECT_TRUE(Has(page, "<svg"));
}

TEST(HtmlDictionary, EscapesNamesAndTextsFromTheFile) {
  const std::string page = Html();
  EXPECT_FALSE(Has(page, "<b>&"));
  EXPECT_FALSE(Has(page, "<script>alert"));
  EXPECT_TRUE(Has(page, "<h2>Tabella Strano &lt;b&gt;&amp;&quot;x&quot; | {y}</h2>"));
  EXPECT_TRUE(Has(page, "<p class=\"descr\">&lt;script&gt;alert(1)&lt;/script&gt;</p>"));
  EXPECT_TRUE(Has(page, "<td>&lt;i&gt;</td>"));
  EXPECT_FALSE(Has(page, "MSysObjects"));
  EXPECT_TRUE(Has(page, "1 tabelle di sistema non sono elencate."));

  EXPECT_EQ(HtmlEscape(std::string("a\x01\tb\nc'\xE8", 8)), "a\tb\nc&#39;\xEF\xBF\xBD");
}

TEST(HtmlDictionary, FieldsIndexesAndTableFacts) {
  const std::string page = Html();
  const std::string clienti = Section(page, "t1");
  EXPECT_TRUE(Has(clienti, "<h2>Tabella Clienti</h2>\n<p class=\"descr\">Anagrafica dei clienti</p>"));
  EXPECT_TRUE(Has(clienti, "<dt>Record</dt><dd>42</dd>"));
  EXPECT_TRUE(Has(clienti, "<dt>Creata</dt><dd>2009-07-06 12:00:00</dd>"));
  EXPECT_TRUE(Has(clienti, "<td>ID</td><td>Long, AutoNumber</td><td class=\"num\">4</td>"));
  EXPECT_TRUE(Has(clienti,
                  "<td>Nome</td><td>Text</td><td class=\"num\">10</td><td class=\"num\">80</td>"
                  "<td>S\xC3\xAC</td><td><code>&quot;senza nome&quot;</code></td>"
                  "<td><code>Len([Nome])&gt;0</code><br>Il nome non può essere vuoto</td>"
                  "<td>Ragione sociale</td>"));
  const std::string ordini = Section(page, "t4");
  EXPECT_TRUE(Has(ordini, "<td>PerData</td><td>Data (decrescente), Numero</td>"));
  EXPECT_TRUE(Has(ordini, "<td>PrimaryKey</td><td>Anno, Numero</td><td>S\xC3\xAC</td><td>S\xC3\xAC</td>"));
  EXPECT_TRUE(Has(ordini, "<td>ClientiOrdini</td><td>Cliente</td><td></td><td></td><td></td><td></td>"
                          "<td>S\xC3\xAC</td>"));
}

TEST(HtmlDictionary, RelationsBothWaysWithCardinalityAndFlags) {
  const std::string page = Html();
  const std::string righe = Section(page, "t6");
  EXPECT_TRUE(Has(righe, "Relazioni verso altre tabelle"));
  EXPECT_FALSE(Has(righe, "Relazioni da altre tabelle"));
  EXPECT_TRUE(Has(righe, "<td>OrdiniRighe</td><td><a href=\"#t4\">Ordini</a></td>"
                         "<td>Righe.Anno \xE2\x86\x92 Ordini.Anno, Righe.Numero \xE2\x86\x92 Ordini.Numero</td>"
                         "<td>1\xE2\x80\x93\xE2\x88\x9E</td><td>integrit\xC3\xA0 referenziale, eliminazione a catena</td>"));
  EXPECT_TRUE(Has(righe, "<td>ProdottiRighe</td><td><a href=\"#t5\">Prodotti</a></td>"));
  EXPECT_TRUE(Has(righe, "<td>non applicata</td>"));
  const std::string ordini = Section(page, "t4");
  EXPECT_TRUE(Has(ordini, "Relazioni da altre tabelle"));
  EXPECT_TRUE(Has(ordini, "<td>OrdiniNote</td><td><a href=\"#t3\">Note</a></td>"));
  EXPECT_TRUE(Has(ordini, "<td>1\xE2\x80\x93" "1</td>"));
  EXPECT_TRUE(Has(ordini, "aggiornamento a catena"));  // ClientiOrdini, outgoing
  // The relation from a table that is not there names it without a link.
  EXPECT_TRUE(Has(Section(page, "t1"), "<td>Orfana</td><td>Sparita</td>"));
}

TEST(HtmlDictionary, QueriesKeepTheirLineBreaksAndParameters) {
  const std::string page = Html();
  const std::string q = Section(page, "q2");
  EXPECT_TRUE(Has(q, "<h3>OrdiniDiUnAnno</h3>\n<p class=\"descr\">Gli ordini di un anno</p>"));
  EXPECT_TRUE(Has(q, "<dt>Tipo</dt><dd>Select (0)</dd>"));
  EXPECT_TRUE(Has(q, "<pre class=\"sql\">PARAMETERS [Quale anno] Short;\nSELECT *\nFROM Ordini\n"
                     "WHERE Anno=[Quale anno];\n</pre>"));
  EXPECT_TRUE(Has(q, "<td>Quale anno</td><td>Integer</td><td class=\"num\">3</td>"));
  EXPECT_FALSE(Has(page, "\r"));
}

TEST(HtmlDictionary, ConnectPasswordsMaskedUnlessAsked) {
  const std::string masked = Html();
  EXPECT_FALSE(Has(masked, "s3greta"));
  EXPECT_FALSE(Has(masked, "nascosta"));
  EXPECT_TRUE(Has(masked, "<dt>Origine</dt><dd><code>ODBC;DSN=listini;UID=ufficio;PWD=***;</code></dd>"));
  EXPECT_TRUE(Has(masked, "<dt>Tabella di origine</dt><dd>dbo.Listino</dd>"));
  EXPECT_TRUE(Has(masked, "<td>ODBC;UID=x;PWD=***</td>"));
  const std::string shown = Html(true);
  EXPECT_TRUE(Has(shown, "PWD=s3greta;"));
  EXPECT_TRUE(Has(shown, "PWD=nascosta"));
}

TEST(HtmlDictionary, EmptyDatabase) {
  sample::SampleDb f;
  auto db = f.Build("vuoto.mdb");
  const std::string page = HtmlDictionary(ReadDictionary(*db));
  EXPECT_TRUE(Has(page, "Il file non registra propriet\xC3\xA0 del database."));
  EXPECT_TRUE(Has(page, "<p>Nessuna tabella.</p>"));
  EXPECT_FALSE(Has(page, "<svg"));
  EXPECT_FALSE(Has(page, "id=\"query\""));
}

TEST(MarkdownDictionary, TablesEscapedForPipeTables) {
  const std::string md = Markdown();
  EXPECT_EQ(md.rfind("# Dizionario dei dati\n\nC:\\\\dati\\\\vendite.mdb\n", 0), 0u);
  EXPECT_TRUE(Has(md, "## Tabella Strano \\<b\\>\\&\"x\" \\| {y}\n"));
  EXPECT_TRUE(Has(md, "| 1 | a\\|b | Text | 10 | 10 |"));
  EXPECT_TRUE(Has(md, "| 2 | Nome | Text | 10 | 80 | S\xC3\xAC | \"senza nome\" | Len(\\[Nome\\])\\>0<br>Il nome "
                      "non può essere vuoto | Ragione sociale |\n"));
  EXPECT_TRUE(Has(md, "| PerData | Data (decrescente), Numero |  |  |  |  |  |  |\n"));
  EXPECT_TRUE(Has(md, "| OrdiniRighe | [Ordini](#t4) | Righe.Anno \xE2\x86\x92 Ordini.Anno, "
                      "Righe.Numero \xE2\x86\x92 Ordini.Numero | 1\xE2\x80\x93\xE2\x88\x9E | "
                      "integrit\xC3\xA0 referenziale, eliminazione a catena |\n"));
  EXPECT_TRUE(Has(md, "<a id=\"t4\"></a>\n\n## Tabella Ordini\n"));
  EXPECT_TRUE(Has(md, "  - [Ordini](#t4)\n"));
  EXPECT_FALSE(Has(md, "s3greta"));
  EXPECT_TRUE(Has(md, "- **Origine:** ODBC;DSN=listini;UID=ufficio;PWD=\\*\\*\\*;\n"));
  EXPECT_TRUE(Has(Markdown(true), "PWD=s3greta;"));
  EXPECT_FALSE(Has(md, "MSysObjects"));

  EXPECT_EQ(MarkdownEscape("a\r\nb\nc\x01`*_~#&"), "a<br>b<br>c\\`\\*\\_\\~\\#\\&");
}

TEST(MarkdownDictionary, SqlFencedLongerThanAnyBacktickRunInside) {
  const std::string md = Markdown();
  EXPECT_TRUE(Has(md, "```sql\nPARAMETERS [Quale anno] Short;\nSELECT *\nFROM Ordini\n"
                      "WHERE Anno=[Quale anno];\n```\n"));
  EXPECT_TRUE(Has(md, "\n````sql\nUPDATE Righe SET Nota = \"```\"\nWHERE Riga < 0;\n````\n"));
  EXPECT_TRUE(Has(md, "| Quale anno | Integer | 3 |  |\n"));
  EXPECT_FALSE(Has(md, "\r"));
}

TEST(MarkdownDictionary, MermaidDiagramOfKeysAndRelations) {
  const std::string md = Markdown();
  const size_t start = md.find("```mermaid\nerDiagram\n");
  ASSERT_NE(start, std::string::npos);
  const std::string block = md.substr(start, md.find("```\n", start + 10) - start);
  EXPECT_TRUE(Has(block, "    \"Ordini\" {\n        Integer Anno PK\n        Long Numero PK\n"
                         "        Long Cliente FK\n    }\n"));
  EXPECT_TRUE(Has(block, "        Integer Anno PK, FK\n"));
  EXPECT_TRUE(Has(block, "    \"Listino\"\n"));
  EXPECT_TRUE(Has(block, "    \"Clienti\" ||--o{ \"Ordini\" : \"ClientiOrdini\"\n"));
  EXPECT_TRUE(Has(block, "    \"Prodotti\" ||..o{ \"Righe\" : \"ProdottiRighe\"\n"));
  EXPECT_TRUE(Has(block, "    \"Ordini\" ||--o| \"Note\" : \"OrdiniNote\"\n"));
  EXPECT_FALSE(Has(block, "Orfana"));
  EXPECT_TRUE(Has(block, "    \"Strano <b>&_x_ | {y}\"\n"));
}

// Mermaid's erDiagram takes letters from U+00C0 up in attribute names, and any character but the
// quote in an attribute's comment; entity names cannot hold a percent sign.
TEST(MermaidErDiagram, NamesMermaidCannotTakeAreReplacedAndKeptApart) {
  Diagram d;
  d.tables = {{"50% \"sconto\"", false,
               {{"Città", "Text", true, false},
                {"1a", "Date/Time", false, true},
                {"\xD0\x9B\xD0\xBE\xD0\xB3\xD0\xB8\xD0\xBD", "Text", false, false},  // Логин
                {"sconto 50%", "Currency", false, false},
                {"\xC2\xB5m", "Double", false, false}}},  // µm: U+00B5 is below U+00C0
              {"50_ _sconto_", false, {}},
              {"Altra", true, {{"x", "", false, true}}}};
  d.edges = {{"", 0, 2, 0, 0, true, true}};
  const std::string m = MermaidErDiagram(d);
  EXPECT_EQ(m,
            "erDiagram\n"
            "    \"50_ _sconto_\" {\n"
            "        Text Città PK\n"
            "        Date_Time _1a FK \"1a\"\n"
            "        Text \xD0\x9B\xD0\xBE\xD0\xB3\xD0\xB8\xD0\xBD\n"
            "        Currency sconto_50_ \"sconto 50%\"\n"
            "        Double _m \"\xC2\xB5m\"\n"
            "    }\n"
            "    \"50_ _sconto_ (2)\"\n"
            "    \"Altra\" {\n"
            "        unknown x FK\n"
            "    }\n"
            "    \"50_ _sconto_\" ||--o| \"Altra\" : \"relazione\"\n");
}

}  // namespace

namespace {

// Many tables, one relation: the Mermaid text would pass Mermaid's limit.
sample::SampleDb ManyTables(size_t count, bool related) {
  sample::SampleDb f;
  for (size_t i = 0; i < count; ++i) {
    dao::TableInfo t;
    t.name = "Tabella_con_un_nome_piuttosto_lungo_" + std::to_string(10000 + i);
    f.tables.push_back(t);
    dao::TableDetail detail;
    detail.fields = {{"ID", dao::dbLong, 4}};
    dao::IndexInfo pk{"PrimaryKey", {"ID"}};
    pk.primary = true;
    detail.indexes = {pk};
    f.source->details.push_back(detail);
  }
  if (related)
    for (size_t i = 1; i < count; i += 2)
      f.source->relations.push_back({"R" + std::to_string(i), f.tables[i - 1].name, f.tables[i].name, 0,
                                     {{"ID", "ID"}}});
  else
    f.source->relations.push_back({"R", f.tables[0].name, f.tables[1].name, 0, {{"ID", "ID"}}});
  return f;
}

TEST(MarkdownDictionary, DiagramsPastMermaidsLimitAreCutDownOrLeftOut) {
  auto db = ManyTables(1500, false).Build();
  const std::string md = MarkdownDictionary(ReadDictionary(*db));
  EXPECT_TRUE(Has(md, "Le 1498 tabelle senza relazioni non sono nel diagramma"));
  const size_t start = md.find("```mermaid\nerDiagram\n");
  ASSERT_NE(start, std::string::npos);
  const std::string block = md.substr(start, md.find("```\n", start + 10) - start);
  EXPECT_TRUE(Has(block, "\"Tabella_con_un_nome_piuttosto_lungo_10000\" ||--o{ "
                         "\"Tabella_con_un_nome_piuttosto_lungo_10001\" : \"R\""));
  EXPECT_FALSE(Has(block, "10002"));

  auto all = ManyTables(1500, true).Build();
  const std::string big = MarkdownDictionary(ReadDictionary(*all));
  EXPECT_FALSE(Has(big, "```mermaid"));
  EXPECT_TRUE(Has(big, "troppo grande per Mermaid e non \xC3\xA8 incluso."));
  EXPECT_FALSE(Has(big, "tabelle senza relazioni non sono nel diagramma"));  // there are none

  auto small = ManyTables(100, true).Build();
  EXPECT_TRUE(Has(MarkdownDictionary(ReadDictionary(*small)), "```mermaid"));
}

}  // namespace
