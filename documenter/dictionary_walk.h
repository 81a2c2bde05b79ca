// The data dictionary's layout, decided once for every format: its parts and their order, what
// each table, field, index, relation, query and application object shows, and what a part says
// when it has nothing to show. The walk hands that content to an emitter; the HTML and Markdown
// writers are emitters and only format it.
//
// A new part of the dictionary is one row in the part list of dictionary_walk.cpp and one member
// function of its walker; an emitter needs no change unless the part wants a new kind of block.
#pragma once

#include <string>
#include <vector>

#include "documenter/dictionary.h"
#include "engine/application/form_design.h"

namespace tavrek::doc {

// A run of inline content.
struct Span {
  enum Kind {
    kText,     // text from the file (or built from it): escaped by the emitter
    kWording,  // the dictionary's own fixed wording: written as it is
    kCode,     // text from the file shown as code; nothing at all when empty
    kLink,     // text from the file linking to the anchor `target`
    kBreak,    // a line break inside a cell or paragraph
  };
  Kind kind = kText;
  std::string text;
  std::string target;
};
using Inline = std::vector<Span>;

Inline Plain(std::string text);
Inline Words(const char* wording);
Inline CodeText(std::string text);

// One "term: value" line of an object's facts.
struct MetaItem {
  const char* term;
  Inline value;
};

struct TableColumn {
  const char* header;
  bool numeric = false;  // right-aligned
};

struct TableBlock {
  const char* cssClass;  // names the kind of table in HTML ("campi", "indici", …)
  std::vector<TableColumn> columns;
  std::vector<std::vector<Inline>> rows;  // one cell per column
};

// A line of the table of contents: a link to `target` (plain when empty), and the lines under it.
struct ContentsEntry {
  Inline title;
  std::string target;
  std::vector<ContentsEntry> children;
};

enum class ParagraphStyle {
  kPlain,
  kDescription,  // an object's Description property
  kNote,         // a remark about what the dictionary leaves out
};

// The formatter of one output format. The walk calls these in document order; every Open… is
// matched by CloseSection (or CloseHeader).
class DictionaryEmitter {
 public:
  virtual ~DictionaryEmitter() = default;
  // The start and end of the document.
  virtual void Begin(const std::string& title, const std::string& file) = 0;
  virtual void End() = 0;
  // The heading block: the title, the file's path, then facts and notes until CloseHeader.
  virtual void OpenHeader(const std::string& title, const std::string& file) = 0;
  virtual void CloseHeader() = 0;
  virtual void Contents(const char* title, const std::string& id, const std::vector<ContentsEntry>& entries) = 0;
  // A part of the dictionary with its level-2 heading and anchor `id`; `cssClass` may be null.
  virtual void OpenPart(const std::string& id, const Inline& title, const char* cssClass) = 0;
  // One object's entry (a table, a query) with a heading of `level` and anchor `id`.
  virtual void OpenEntry(const char* cssClass, const std::string& id, int level, const Inline& title) = 0;
  virtual void CloseSection() = 0;
  // A heading inside a part; `id` is its anchor, none when empty.
  virtual void Heading(int level, const std::string& id, const Inline& title) = 0;
  virtual void Paragraph(const Inline& text, ParagraphStyle style = ParagraphStyle::kPlain) = 0;
  virtual void Meta(const std::vector<MetaItem>& items) = 0;
  virtual void Table(const TableBlock& table) = 0;
  virtual void List(const std::vector<Inline>& items) = 0;
  // A multi-line text from the file (SQL, VBA, a macro): `language` names it for highlighting.
  virtual void Code(const char* language, const std::string& text) = 0;
  // The relationship diagram of the dictionary's tables (there is at least one table).
  virtual void Diagram(const Dictionary& d) = 0;
  // A drawing of a form's or report's layout: the root object and its sections. A format that
  // cannot carry a drawing leaves it out: the controls' table that follows gives the positions.
  virtual void Sketch(const engine::vba::DesignObject& root,
                      const std::vector<const engine::vba::DesignObject*>& sections) = 0;
};

struct WalkOptions {
  bool showSecrets = false;  // passwords in connect strings shown instead of "***"
};

// Walks the dictionary and hands every part, in order, to `out`.
void WalkDictionary(const Dictionary& d, DictionaryEmitter& out, const WalkOptions& options = {});

// The controls of a form or report section and those nested in them (attached labels, option
// buttons, tab pages), depth first.
std::vector<const engine::vba::DesignObject*> DesignControls(const engine::vba::DesignObject& section);

// What a control shows: its ControlSource, SourceObject or Caption, the first not empty.
std::string ControlShows(const engine::vba::DesignObject& control);

// Multi-line text with CR LF and lone CR as line feeds.
std::string LineFeeds(const std::string& text);

}  // namespace tavrek::doc
