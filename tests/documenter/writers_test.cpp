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

// The part of a page or document that starts at the anchor `id`, up to the next section (HTML)
// or the next anchor (Markdown); all of it when `id` is empty.
std::string Part(const std::string& text, const std::string& id, bool html) {
  if (id.empty()) return text;
  const size_t start = text.find(html ? "id=\"" + id + "\"" : "<a id=\"" + id + "\"></a>");
  EXPECT_NE(start, std::string::npos) << id;
  if (start == std::string::npos) return {};
  return text.substr(start, text.find(html ? "</section>" : "\n<a id=\"", start + 1) - start);
}

// One fact of the sales database as each format shows it, in the part with that anchor.
struct Shown {
  const char* part;
  const char* html;
  const char* md;
  bool present = true;
};

const Shown kSalesFacts[] = {
    // Names and texts from the file are escaped; system tables are left out.
    {"", "<h2>Tabella Strano &lt;b&gt;&amp;&quot;x&quot; | {y}</h2>", "## Tabella Strano \\<b\\>\\&\"x\" \\| {y}\n"},
    {"", "<p class=\"descr\">&lt;script&gt;alert(1)&lt;/script&gt;</p>", "*\\<script\\>alert(1)\\</script\\>*\n"},
    {"", "<td>&lt;i&gt;</td>", "| \\<i\\> |"},
    {"", "<script>alert", "<script>alert", false},
    {"", "MSysObjects", "MSysObjects", false},
    {"", "1 tabelle di sistema non sono elencate.", "1 tabelle di sistema non sono elencate.\n"},
    {"", "<p class=\"file\">C:\\dati\\vendite.mdb</p>", "# Dizionario dei dati\n\nC:\\\\dati\\\\vendite.mdb\n"},
    {"", "<li><a href=\"#t4\">Ordini</a></li>", "  - [Ordini](#t4)\n"},
    {"", "<section class=\"tabella\" id=\"t4\">\n<h2>Tabella Ordini</h2>", "<a id=\"t4\"></a>\n\n## Tabella Ordini\n"},
    // A table's facts, fields and indexes.
    {"t1", "<h2>Tabella Clienti</h2>\n<p class=\"descr\">Anagrafica dei clienti</p>",
     "## Tabella Clienti\n\n*Anagrafica dei clienti*\n"},
    {"t1", "<dt>Record</dt><dd>42</dd>", "- **Record:** 42\n"},
    {"t1", "<dt>Creata</dt><dd>2009-07-06 12:00:00</dd>", "- **Creata:** 2009-07-06 12:00:00\n"},
    {"t1", "<td>ID</td><td>Long, AutoNumber</td><td class=\"num\">4</td>", "| ID | Long, AutoNumber | 4 |"},
    {"t1",
     "<td>Nome</td><td>Text</td><td class=\"num\">10</td><td class=\"num\">80</td><td>S\xC3\xAC</td>"
     "<td><code>&quot;senza nome&quot;</code></td><td><code>Len([Nome])&gt;0</code><br>Il nome non può essere "
     "vuoto</td><td>Ragione sociale</td>",
     "| 2 | Nome | Text | 10 | 80 | S\xC3\xAC | \"senza nome\" | Len(\\[Nome\\])\\>0<br>Il nome non può essere "
     "vuoto | Ragione sociale |\n"},
    {"t4", "<td>PerData</td><td>Data (decrescente), Numero</td>", "| PerData | Data (decrescente), Numero |  |  |  |  |  |  |\n"},
    {"t4", "<td>PrimaryKey</td><td>Anno, Numero</td><td>S\xC3\xAC</td><td>S\xC3\xAC</td>",
     "| PrimaryKey | Anno, Numero | S\xC3\xAC | S\xC3\xAC |"},
    {"t4", "<td>ClientiOrdini</td><td>Cliente</td><td></td><td></td><td></td><td></td><td>S\xC3\xAC</td>",
     "| ClientiOrdini | Cliente |  |  |  |  | S\xC3\xAC |"},
    // Relations, each way, with cardinality and flags; a missing table is named without a link.
    {"t6", "Relazioni verso altre tabelle", "### Relazioni verso altre tabelle"},
    {"t6", "Relazioni da altre tabelle", "Relazioni da altre tabelle", false},
    {"t6",
     "<td>OrdiniRighe</td><td><a href=\"#t4\">Ordini</a></td><td>Righe.Anno \xE2\x86\x92 Ordini.Anno, Righe.Numero "
     "\xE2\x86\x92 Ordini.Numero</td><td>1\xE2\x80\x93\xE2\x88\x9E</td><td>integrit\xC3\xA0 referenziale, "
     "eliminazione a catena</td>",
     "| OrdiniRighe | [Ordini](#t4) | Righe.Anno \xE2\x86\x92 Ordini.Anno, Righe.Numero \xE2\x86\x92 Ordini.Numero | "
     "1\xE2\x80\x93\xE2\x88\x9E | integrit\xC3\xA0 referenziale, eliminazione a catena |\n"},
    {"t6", "<td>ProdottiRighe</td><td><a href=\"#t5\">Prodotti</a></td>", "| ProdottiRighe | [Prodotti](#t5) |"},
    {"t6", "<td>non applicata</td>", "| non applicata |"},
    {"t4", "Relazioni da altre tabelle", "### Relazioni da altre tabelle"},
    {"t4", "<td>OrdiniNote</td><td><a href=\"#t3\">Note</a></td>", "| OrdiniNote | [Note](#t3) |"},
    {"t4", "<td>1\xE2\x80\x93" "1</td>", "| 1\xE2\x80\x93" "1 |"},
    {"t4", "aggiornamento a catena", "aggiornamento a catena"},
    {"t1", "<td>Orfana</td><td>Sparita</td>", "| Orfana | Sparita |"},
    // Queries: SQL with line feeds, fenced past any run of backticks, and parameters.
    {"q2", "<h3>OrdiniDiUnAnno</h3>\n<p class=\"descr\">Gli ordini di un anno</p>",
     "### OrdiniDiUnAnno\n\n*Gli ordini di un anno*\n"},
    {"q2", "<dt>Tipo</dt><dd>Select (0)</dd>", "- **Tipo:** Select (0)\n"},
    {"q2", "<pre class=\"sql\">PARAMETERS [Quale anno] Short;\nSELECT *\nFROM Ordini\nWHERE Anno=[Quale anno];\n</pre>",
     "```sql\nPARAMETERS [Quale anno] Short;\nSELECT *\nFROM Ordini\nWHERE Anno=[Quale anno];\n```\n"},
    {"q2", "<td>Quale anno</td><td>Integer</td><td class=\"num\">3</td>", "| Quale anno | Integer | 3 |  |\n"},
    {"q1", "<pre class=\"sql\">UPDATE Righe SET Nota = &quot;```&quot;\nWHERE Riga &lt; 0;\n</pre>",
     "\n````sql\nUPDATE Righe SET Nota = \"```\"\nWHERE Riga < 0;\n````\n"},
    {"", "\r", "\r", false},
    // Passwords in connect strings are masked.
    {"", "<dt>Origine</dt><dd><code>ODBC;DSN=listini;UID=ufficio;PWD=***;</code></dd>",
     "- **Origine:** ODBC;DSN=listini;UID=ufficio;PWD=\\*\\*\\*;\n"},
    {"", "<dt>Tabella di origine</dt><dd>dbo.Listino</dd>", "- **Tabella di origine:** dbo.Listino\n"},
    {"", "<td>ODBC;UID=x;PWD=***</td>", "| ODBC;UID=x;PWD=\\*\\*\\* |"},
    {"", "s3greta", "s3greta", false},
    {"", "nascosta", "nascosta", false},
};

// Every fact of the sales database, in both formats, where it belongs.
TEST(Dictionary, SalesDatabaseInHtmlAndMarkdown) {
  auto db = sample::SalesDatabase().Build();
  const Dictionary d = ReadDictionary(*db);
  const std::string page = HtmlDictionary(d), md = MarkdownDictionary(d);
  for (const Shown& s : kSalesFacts) {
    EXPECT_EQ(Has(Part(page, s.part, true), s.html), s.present) << s.part << ": " << s.html;
    EXPECT_EQ(Has(Part(md, s.part, false), s.md), s.present) << s.part << ": " << s.md;
  }
  // Shown when asked.
  for (const std::string& text : {HtmlDictionary(d, {true}), MarkdownDictionary(d, {true})}) {
    EXPECT_TRUE(Has(text, "PWD=s3greta;"));
    EXPECT_TRUE(Has(text, "PWD=nascosta"));
  }
}

TEST(HtmlDictionary, IsOneSelfContainedDocument) {
  auto db = sample::SalesDatabase().Build();
  const std::string page = HtmlDictionary(ReadDictionary(*db));
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

TEST(Dictionary, EmptyDatabaseAndEscapes) {
  auto db = sample::SampleDb().Build("vuoto.mdb");
  const Dictionary d = ReadDictionary(*db);
  const std::string page = HtmlDictionary(d), md = MarkdownDictionary(d);
  EXPECT_TRUE(Has(page, "<p>Il file non registra propriet\xC3\xA0 del database.</p>"));
  EXPECT_TRUE(Has(md, "\nIl file non registra propriet\xC3\xA0 del database.\n"));
  EXPECT_TRUE(Has(page, "<p>Nessuna tabella.</p>"));
  EXPECT_TRUE(Has(md, "\nNessuna tabella.\n"));
  EXPECT_FALSE(Has(page, "<svg"));
  EXPECT_FALSE(Has(md, "```mermaid"));
  EXPECT_FALSE(Has(page, "id=\"query\""));
  EXPECT_FALSE(Has(md, "id=\"query\""));

  EXPECT_EQ(HtmlEscape(std::string("a\x01\tb\nc'\xE8", 8)), "a\tb\nc&#39;\xEF\xBF\xBD");
  EXPECT_EQ(MarkdownEscape("a\r\nb\nc\x01`*_~#&"), "a<br>b<br>c\\`\\*\\_\\~\\#\\&");
}

TEST(MarkdownDictionary, MermaidDiagramOfKeysAndRelations) {
  auto db = sample::SalesDatabase().Build();
  const std::string md = MarkdownDictionary(ReadDictionary(*db));
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
