#include "documenter/html.h"

#include <algorithm>

#include "documenter/diagram.h"
#include "documenter/dictionary_walk.h"
#include "documenter/utf8.h"

namespace tavrek::doc {

namespace {

constexpr const char* kStyle = R"(
:root { color-scheme: light; }
body { font: 14px/1.45 "Liberation Sans", Arial, Helvetica, sans-serif; color: #1d232a;
       margin: 2em auto; max-width: 72em; padding: 0 1.5em; }
h1 { font-size: 1.8em; margin-bottom: .2em; }
h2 { font-size: 1.35em; border-bottom: 2px solid #4a5a6a; padding-bottom: .15em; margin-top: 2em; }
h3 { font-size: 1.05em; margin: 1.3em 0 .4em; color: #34404c; }
p.file { font-family: "Liberation Mono", monospace; color: #4a5a6a; margin-top: 0; word-break: break-all; }
p.descr { font-style: italic; }
p.nota { color: #6a5a3a; }
table { border-collapse: collapse; width: 100%; margin: .3em 0 1em; }
th, td { border: 1px solid #c4ccd4; padding: .25em .5em; text-align: left; vertical-align: top; }
th { background: #e8edf2; font-weight: 600; }
td.num { text-align: right; font-variant-numeric: tabular-nums; }
code, pre { font-family: "Liberation Mono", "DejaVu Sans Mono", monospace; font-size: .92em; }
pre.sql { background: #f5f7f9; border: 1px solid #d4dbe2; padding: .6em .8em; white-space: pre-wrap;
          word-break: break-word; }
dl.meta { display: grid; grid-template-columns: max-content auto; gap: .15em 1em; margin: .5em 0; }
dl.meta dt { font-weight: 600; }
dl.meta dd { margin: 0; word-break: break-word; }
nav ol ol { columns: 16em; column-gap: 2em; }
.diagramma { overflow-x: auto; }
.diagramma svg { display: block; margin: .5em 0; }
footer { margin-top: 3em; color: #6b7580; font-size: .85em; }
@page { size: A4; margin: 14mm; }
@media print {
  body { font-size: 9.5pt; margin: 0; max-width: none; padding: 0; }
  a { color: inherit; text-decoration: none; }
  nav, section.tabella, section.diagramma { break-before: page; }
  section.tabella, section.query { break-inside: avoid-page; }
  h2, h3 { break-after: avoid; }
  tr { break-inside: avoid; }
  thead { display: table-header-group; }
  .diagramma { overflow: visible; }
  .diagramma svg { max-width: 100%; max-height: 255mm; height: auto; }
}
)";

class HtmlEmitter : public DictionaryEmitter {
 public:
  std::string Take() { return std::move(out_); }

  void Begin(const std::string& title, const std::string& file) override {
    out_ +=
        "<!DOCTYPE html>\n<html lang=\"it\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
        "style-src 'unsafe-inline'; img-src data:\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<meta name=\"generator\" content=\"Tavrek\">\n<title>";
    Text(title + " \xE2\x80\x93 " + file);
    out_ += "</title>\n<style>";
    out_ += kStyle;
    out_ += "</style>\n</head>\n<body>\n";
  }

  void End() override {
    out_ += "<footer>Generato da Tavrek in sola lettura: il file non \xC3\xA8 stato modificato.</footer>\n";
    out_ += "</body>\n</html>\n";
  }

  void OpenHeader(const std::string& title, const std::string& file) override {
    out_ += "<header>\n<h1>";
    Text(title);
    out_ += "</h1>\n<p class=\"file\">";
    Text(file);
    out_ += "</p>\n";
  }

  void CloseHeader() override { out_ += "</header>\n"; }

  void Contents(const char* title, const std::string& id, const std::vector<ContentsEntry>& entries) override {
    out_ += "<nav id=\"" + id + "\">\n<h2>" + title + "</h2>\n<ol>\n";
    for (const ContentsEntry& e : entries) {
      out_ += "<li>";
      Link(e.target, e.title);
      if (e.children.empty()) {
        out_ += "</li>\n";
        continue;
      }
      out_ += "\n<ol>\n";
      for (const ContentsEntry& c : e.children) {
        out_ += "<li>";
        Link(c.target, c.title);
        out_ += "</li>\n";
      }
      out_ += "</ol></li>\n";
    }
    out_ += "</ol>\n</nav>\n";
  }

  void OpenPart(const std::string& id, const Inline& title, const char* cssClass) override {
    out_ += "<section id=\"" + id + "\"";
    if (cssClass) out_ += std::string(" class=\"") + cssClass + "\"";
    out_ += ">\n<h2>";
    Spans(title);
    out_ += "</h2>\n";
  }

  void OpenEntry(const char* cssClass, const std::string& id, int level, const Inline& title) override {
    const std::string h = "h" + std::to_string(level);
    out_ += std::string("<section class=\"") + cssClass + "\" id=\"" + id + "\">\n<" + h + ">";
    Spans(title);
    out_ += "</" + h + ">\n";
  }

  void CloseSection() override { out_ += "</section>\n"; }

  void Heading(int level, const std::string& id, const Inline& title) override {
    const std::string h = "h" + std::to_string(level);
    out_ += "<" + h + (id.empty() ? std::string() : " id=\"" + id + "\"") + ">";
    Spans(title);
    out_ += "</" + h + ">\n";
  }

  void Paragraph(const Inline& text, ParagraphStyle style) override {
    switch (style) {
      case ParagraphStyle::kPlain: out_ += "<p>"; break;
      case ParagraphStyle::kDescription: out_ += "<p class=\"descr\">"; break;
      case ParagraphStyle::kNote: out_ += "<p class=\"nota\">"; break;
    }
    Spans(text);
    out_ += "</p>\n";
  }

  void Meta(const std::vector<MetaItem>& items) override {
    out_ += "<dl class=\"meta\">\n";
    for (const MetaItem& m : items) {
      out_ += std::string("<dt>") + m.term + "</dt><dd>";
      Spans(m.value);
      out_ += "</dd>\n";
    }
    out_ += "</dl>\n";
  }

  void Table(const TableBlock& t) override {
    out_ += std::string("<table class=\"") + t.cssClass + "\">\n<thead><tr>";
    for (const TableColumn& c : t.columns) out_ += std::string("<th>") + c.header + "</th>";
    out_ += "</tr></thead>\n<tbody>\n";
    for (const auto& row : t.rows) {
      out_ += "<tr>";
      for (size_t i = 0; i < row.size(); ++i) {
        out_ += i < t.columns.size() && t.columns[i].numeric ? "<td class=\"num\">" : "<td>";
        Spans(row[i]);
        out_ += "</td>";
      }
      out_ += "</tr>\n";
    }
    out_ += "</tbody>\n</table>\n";
  }

  void List(const std::vector<Inline>& items) override {
    out_ += "<ul>\n";
    for (const Inline& item : items) {
      out_ += "<li>";
      Spans(item);
      out_ += "</li>\n";
    }
    out_ += "</ul>\n";
  }

  void Code(const char*, const std::string& text) override {
    out_ += "<pre class=\"sql\">";
    Text(LineFeeds(text));
    out_ += "</pre>\n";
  }

  void Diagram(const Dictionary& d) override {
    std::string error;
    std::optional<std::string> svg = DiagramSvg(BuildDiagram(d), error);
    if (!svg) {
      out_ += "<p class=\"nota\">Diagramma non disponibile: ";
      Text(error);
      out_ += "</p>\n";
      return;
    }
    // The tables without relations follow, in a drawing of their own.
    const size_t alone = svg->find("<svg class=\"isolate\"");
    if (alone != std::string::npos && alone > 0) svg->insert(alone, "<h3>Tabelle senza relazioni</h3>\n");
    out_ += *svg;
  }

  // Each section a band as high as it is, each control a box at its place (twips, 15 to a pixel)
  // with its name and what it shows.
  void Sketch(const engine::vba::DesignObject& root,
              const std::vector<const engine::vba::DesignObject*>& sections) override {
    constexpr double kScale = 1.0 / 15;
    const double width = std::max<double>(static_cast<double>(root.NumberOf("Width").value_or(7200)), 1440) * kScale;
    double height = 0;
    for (const auto* s : sections) height += static_cast<double>(std::max<int64_t>(s->NumberOf("Height").value_or(0), 0)) * kScale + 16;
    out_ += "<svg class=\"schizzo\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
            std::to_string(static_cast<int>(width) + 2) + "\" height=\"" +
            std::to_string(static_cast<int>(height) + 2) + "\" font-size=\"9\">\n";
    double y = 0;
    for (const auto* s : sections) {
      const double h = static_cast<double>(std::max<int64_t>(s->NumberOf("Height").value_or(0), 0)) * kScale;
      out_ += "<rect x=\"0\" y=\"" + std::to_string(static_cast<int>(y)) + "\" width=\"" +
              std::to_string(static_cast<int>(width)) + "\" height=\"16\" fill=\"#ddd\"/>"
              "<text x=\"3\" y=\"" + std::to_string(static_cast<int>(y) + 12) + "\">";
      Text(s->TextOf("Name").empty() ? s->TypeName() : s->TextOf("Name"));
      out_ += "</text>\n";
      y += 16;
      for (const auto* c : DesignControls(*s)) {
        const std::string shows = ControlShows(*c);
        const double cx = static_cast<double>(c->NumberOf("Left").value_or(0)) * kScale;
        const double cy = y + static_cast<double>(c->NumberOf("Top").value_or(0)) * kScale;
        const double cw = static_cast<double>(std::max<int64_t>(c->NumberOf("Width").value_or(0), 15)) * kScale;
        const double ch = static_cast<double>(std::max<int64_t>(c->NumberOf("Height").value_or(0), 15)) * kScale;
        out_ += "<g><title>";
        Text(c->TypeName() + " " + c->TextOf("Name") + (shows.empty() ? "" : ": " + shows));
        out_ += "</title><rect x=\"" + std::to_string(static_cast<int>(cx)) + "\" y=\"" +
                std::to_string(static_cast<int>(cy)) + "\" width=\"" + std::to_string(static_cast<int>(cw)) +
                "\" height=\"" + std::to_string(static_cast<int>(ch)) +
                "\" fill=\"none\" stroke=\"#369\"/><text x=\"" + std::to_string(static_cast<int>(cx) + 2) +
                "\" y=\"" + std::to_string(static_cast<int>(cy) + 10) + "\">";
        Text(shows.empty() ? c->TextOf("Name") : shows);
        out_ += "</text></g>\n";
      }
      y += h;
    }
    out_ += "</svg>\n";
  }

 private:
  void Text(const std::string& s) { out_ += HtmlEscape(s); }

  void Spans(const Inline& spans) {
    for (const Span& s : spans) {
      switch (s.kind) {
        case Span::kText: Text(s.text); break;
        case Span::kWording: out_ += s.text; break;
        case Span::kCode:
          if (s.text.empty()) break;
          out_ += "<code>";
          Text(s.text);
          out_ += "</code>";
          break;
        case Span::kLink:
          out_ += "<a href=\"" + s.target + "\">";
          Text(s.text);
          out_ += "</a>";
          break;
        case Span::kBreak: out_ += "<br>"; break;
      }
    }
  }

  // `text` linked to `target`, or plain when there is no target.
  void Link(const std::string& target, const Inline& text) {
    if (target.empty()) {
      Spans(text);
      return;
    }
    out_ += "<a href=\"" + target + "\">";
    Spans(text);
    out_ += "</a>";
  }

  std::string out_;
};

}  // namespace

std::string HtmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : ValidUtf8(text)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default:
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') || c == 0x7F) break;
        out += c;
    }
  }
  return out;
}

std::string HtmlDictionary(const Dictionary& d, const HtmlOptions& options) {
  HtmlEmitter out;
  WalkDictionary(d, out, {options.showSecrets});
  return out.Take();
}

}  // namespace tavrek::doc
