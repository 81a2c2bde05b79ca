// The data dictionary as GitHub-flavoured Markdown: the same content as the HTML page, in pipe
// tables, with the relationship diagram as a Mermaid erDiagram block.
#pragma once

#include <string>

#include "documenter/diagram.h"
#include "documenter/dictionary.h"

namespace tavrek::doc {

struct MarkdownOptions {
  bool showSecrets = false;  // show passwords in connect strings instead of "***"
};

// The document: properties, contents, diagram, tables (fields, indexes, relations, linked
// source) and queries (type, dates, SQL in a fenced block, parameters).
std::string MarkdownDictionary(const Dictionary& d, const MarkdownOptions& options = {});

// Text escaped for Markdown inline content, pipe-table cells included: the characters with a
// meaning inline (\ ` * _ [ ] < > | ~ # &) behind a backslash, line breaks as "<br>", other
// control characters dropped, invalid UTF-8 replaced.
std::string MarkdownEscape(const std::string& text);

// The diagram as a Mermaid erDiagram (without the fence): entities named by their quoted table
// names, key fields as attributes ("Long ID PK"), one relationship per edge ("||--o{" for 1–∞,
// "||--o|" for 1–1, ".." instead of "--" when not enforced). Characters Mermaid cannot take in a
// name are replaced by '_' and the original kept in the attribute's comment.
std::string MermaidErDiagram(const Diagram& diagram);

}  // namespace tavrek::doc
