#include "documenter/markdown.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include "documenter/dictionary_walk.h"
#include "documenter/utf8.h"

namespace tavrek::doc {

namespace {

// A fence of backticks longer than any run of backticks in `text` (at least three).
std::string FenceFor(const std::string& text) {
  size_t longest = 0, run = 0;
  for (char c : text) {
    run = c == '`' ? run + 1 : 0;
    if (run > longest) longest = run;
  }
  return std::string(longest >= 3 ? longest + 1 : 3, '`');
}

// Multi-line text for a fenced block: line feeds only, valid UTF-8, ending in one line feed.
std::string BlockText(const std::string& text) {
  std::string out = ValidUtf8(LineFeeds(text));
  if (out.empty() || out.back() != '\n') out += '\n';
  return out;
}

// A quoted Mermaid entity name or relation label: the characters Mermaid's grammar refuses there
// (quote, percent, backslash, control characters) as '_'.
std::string MermaidQuoted(const std::string& text) {
  std::string out = "\"";
  for (char c : ValidUtf8(text)) {
    const unsigned char u = static_cast<unsigned char>(c);
    out += (c == '"' || c == '%' || c == '\\' || u < 0x20 || u == 0x7F) ? '_' : c;
  }
  return out + "\"";
}

// A quoted attribute comment: Mermaid takes any character there but the quote (and line breaks).
std::string MermaidComment(const std::string& text) {
  std::string out = "\"";
  for (char c : ValidUtf8(text)) {
    const unsigned char u = static_cast<unsigned char>(c);
    out += (c == '"' || u < 0x20 || u == 0x7F) ? '_' : c;
  }
  return out + "\"";
}

// A Mermaid attribute word (type or name). Mermaid 11's erDiagram takes ASCII letters, digits,
// '_' and '-', and every character from U+00C0 up (Latin letters with accents, Greek, Cyrillic,
// CJK, ...), starting with a letter, '_' or such a character; anything else becomes '_'.
std::string MermaidWord(const std::string& text) {
  const std::string valid = ValidUtf8(text);
  std::string out;
  for (size_t i = 0; i < valid.size();) {
    const unsigned char u = static_cast<unsigned char>(valid[i]);
    const size_t n = std::max<size_t>(1, Utf8SequenceLength(valid, i));
    if (u >= 0x80) {
      // Two-byte sequences below U+00C0 start with 0xC2.
      out += u == 0xC2 ? std::string("_") : valid.substr(i, n);
    } else {
      const char c = valid[i];
      const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-';
      out += ok ? c : '_';
    }
    i += n;
  }
  if (out.empty()) return "_";
  const char first = out[0];
  if (!((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z') || first == '_' ||
        static_cast<unsigned char>(first) >= 0x80))
    out.insert(out.begin(), '_');
  return out;
}

// The diagram without the tables that no relation touches, edges renumbered.
Diagram RelatedTablesOnly(const Diagram& diagram) {
  std::vector<size_t> position(diagram.tables.size(), SIZE_MAX);
  for (const DiagramEdge& e : diagram.edges) position[e.table] = position[e.foreignTable] = 0;
  Diagram out;
  for (size_t i = 0; i < diagram.tables.size(); ++i) {
    if (position[i] == SIZE_MAX) continue;
    position[i] = out.tables.size();
    out.tables.push_back(diagram.tables[i]);
  }
  for (DiagramEdge e : diagram.edges) {
    e.table = position[e.table];
    e.foreignTable = position[e.foreignTable];
    out.edges.push_back(std::move(e));
  }
  return out;
}

class MarkdownEmitter : public DictionaryEmitter {
 public:
  std::string Take() { return std::move(out_); }

  void Begin(const std::string&, const std::string&) override {}
  void End() override {}

  void OpenHeader(const std::string& title, const std::string& file) override {
    out_ += "# " + E(title) + "\n\n" + E(file) + "\n\n";
  }
  void CloseHeader() override {}

  void Contents(const char* title, const std::string&, const std::vector<ContentsEntry>& entries) override {
    out_ += std::string("## ") + title + "\n\n";
    for (const ContentsEntry& e : entries) {
      out_ += "- " + Link(e.target, e.title) + "\n";
      for (const ContentsEntry& c : e.children) out_ += "  - " + Link(c.target, c.title) + "\n";
    }
    out_ += "\n";
  }

  void OpenPart(const std::string& id, const Inline& title, const char*) override { Heading(2, id, title); }
  void OpenEntry(const char*, const std::string& id, int level, const Inline& title) override {
    Heading(level, id, title);
  }
  void CloseSection() override {}

  void Heading(int level, const std::string& id, const Inline& title) override {
    if (!id.empty()) out_ += "<a id=\"" + id + "\"></a>\n\n";
    out_ += std::string(static_cast<size_t>(level), '#') + " " + Spans(title) + "\n\n";
  }

  void Paragraph(const Inline& text, ParagraphStyle style) override {
    const char* mark = style == ParagraphStyle::kDescription ? "*" : "";
    out_ += mark + Spans(text) + mark + "\n\n";
  }

  void Meta(const std::vector<MetaItem>& items) override {
    for (const MetaItem& m : items) out_ += std::string("- **") + m.term + ":** " + Spans(m.value) + "\n";
    out_ += "\n";
  }

  void Table(const TableBlock& t) override {
    std::string header = "|", rule = "|";
    for (const TableColumn& c : t.columns) {
      header += std::string(" ") + c.header + " |";
      rule += c.numeric ? " --: |" : " --- |";
    }
    out_ += header + "\n" + rule + "\n";
    for (const auto& row : t.rows) {
      out_ += "|";
      for (const Inline& cell : row) out_ += " " + Spans(cell) + " |";
      out_ += "\n";
    }
    out_ += "\n";
  }

  void List(const std::vector<Inline>& items) override {
    for (const Inline& item : items) out_ += "- " + Spans(item) + "\n";
    out_ += "\n";
  }

  void Code(const char* language, const std::string& text) override {
    const std::string body = BlockText(text);
    const std::string fence = FenceFor(body);
    out_ += fence + language + "\n" + body + fence + "\n\n";
  }

  // Mermaid refuses a diagram longer than its limit: the tables without relations go first,
  // then the whole diagram.
  void Diagram(const Dictionary& d) override {
    doc::Diagram diagram = BuildDiagram(d);
    std::string text = MermaidErDiagram(diagram);
    if (text.size() > kMermaidTextLimit) {
      const size_t before = diagram.tables.size();
      diagram = RelatedTablesOnly(diagram);
      text = MermaidErDiagram(diagram);
      if (before > diagram.tables.size())
        out_ += "Le " + std::to_string(before - diagram.tables.size()) +
                " tabelle senza relazioni non sono nel diagramma: Mermaid non disegna testi di oltre " +
                std::to_string(kMermaidTextLimit) + " caratteri.\n\n";
    }
    if (diagram.tables.empty()) return;
    if (text.size() > kMermaidTextLimit) {
      out_ += "Il diagramma, di " + std::to_string(text.size()) +
              " caratteri, \xC3\xA8 troppo grande per Mermaid e non \xC3\xA8 incluso.\n\n";
      return;
    }
    out_ += "```mermaid\n" + text + "```\n\n";
  }

  // GitHub and most Markdown viewers drop inline SVG: the controls' table carries the positions.
  void Sketch(const engine::vba::DesignObject&, const std::vector<const engine::vba::DesignObject*>&) override {}

 private:
  static std::string E(const std::string& s) { return MarkdownEscape(s); }

  static std::string Spans(const Inline& spans) {
    std::string out;
    for (const Span& s : spans) {
      switch (s.kind) {
        case Span::kText:
        case Span::kCode: out += E(s.text); break;
        case Span::kWording: out += s.text; break;
        case Span::kLink: out += "[" + E(s.text) + "](" + s.target + ")"; break;
        case Span::kBreak: out += "<br>"; break;
      }
    }
    return out;
  }

  static std::string Link(const std::string& target, const Inline& text) {
    return target.empty() ? Spans(text) : "[" + Spans(text) + "](" + target + ")";
  }

  std::string out_;
};

}  // namespace

std::string MarkdownEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  const std::string valid = ValidUtf8(text);
  for (size_t i = 0; i < valid.size(); ++i) {
    const char c = valid[i];
    switch (c) {
      case '\\': case '`': case '*': case '_': case '[': case ']': case '<': case '>': case '|':
      case '~': case '#': case '&':
        out += '\\';
        out += c;
        break;
      case '\r':
        out += "<br>";
        if (i + 1 < valid.size() && valid[i + 1] == '\n') ++i;
        break;
      case '\n':
        out += "<br>";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) break;
        out += c;
    }
  }
  return out;
}

std::string MarkdownDictionary(const Dictionary& d, const MarkdownOptions& options) {
  MarkdownEmitter out;
  WalkDictionary(d, out, {options.showSecrets});
  return out.Take();
}

std::string MermaidErDiagram(const Diagram& diagram) {
  std::string out = "erDiagram\n";
  // Names as Mermaid will see them: two tables that differ only in replaced characters must
  // stay two entities.
  std::vector<std::string> names;
  std::set<std::string> used;
  for (const DiagramTable& t : diagram.tables) {
    std::string name = MermaidQuoted(t.name);
    for (int n = 2; used.count(name); ++n) name = MermaidQuoted(t.name + " (" + std::to_string(n) + ")");
    used.insert(name);
    names.push_back(name);
  }
  for (size_t i = 0; i < diagram.tables.size(); ++i) {
    const DiagramTable& t = diagram.tables[i];
    if (t.columns.empty()) {
      out += "    " + names[i] + "\n";
      continue;
    }
    out += "    " + names[i] + " {\n";
    for (const DiagramColumn& c : t.columns) {
      const std::string word = MermaidWord(c.name);
      out += "        " + MermaidWord(c.type.empty() ? "unknown" : c.type) + " " + word;
      if (c.primary && c.foreign) out += " PK, FK";
      else if (c.primary) out += " PK";
      else if (c.foreign) out += " FK";
      if (word != c.name) out += " " + MermaidComment(c.name);
      out += "\n";
    }
    out += "    }\n";
  }
  for (const DiagramEdge& e : diagram.edges) {
    out += "    " + names[e.table] + " ||" + (e.enforced ? "--" : "..") + (e.oneToOne ? "o|" : "o{") +
           " " + names[e.foreignTable] + " : " + MermaidQuoted(e.name.empty() ? "relazione" : e.name) +
           "\n";
  }
  return out;
}

}  // namespace tavrek::doc
