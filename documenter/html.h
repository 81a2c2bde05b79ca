// The data dictionary as one self-contained HTML page: styles inline, the relationship diagram as
// inline SVG, nothing loaded from the network or from other files (the page forbids it itself
// through its Content-Security-Policy). Laid out to print one table per page where it fits.
#pragma once

#include <string>

#include "documenter/dictionary.h"

namespace tavrek::doc {

struct HtmlOptions {
  bool showSecrets = false;  // show passwords in connect strings instead of "***"
};

// The page: the database's properties, a table of contents, the relationship diagram, then per
// user table its description, record count, dates, fields, indexes, relations and linked source,
// and per query its type, dates, SQL text (line breaks kept) and parameters. Every text from the
// file is escaped; invalid UTF-8 becomes U+FFFD. When Graphviz cannot draw the diagram the page
// says why in its place.
std::string HtmlDictionary(const Dictionary& d, const HtmlOptions& options = {});

// `text` escaped for HTML content and attribute values (& < > " '), with invalid UTF-8 replaced
// and control characters other than tab and line feed dropped.
std::string HtmlEscape(const std::string& text);

}  // namespace tavrek::doc
