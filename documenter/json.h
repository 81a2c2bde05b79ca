// JSON text of the documenter outputs.
#pragma once

#include <string>

namespace tavrek::doc {

// JSON string literal (with the quotes) of UTF-8 text: quotes, backslash and control characters
// escaped, other characters passed through as UTF-8; invalid UTF-8 bytes become U+FFFD so the
// document is always valid.
std::string JsonString(const std::string& text);

}  // namespace tavrek::doc
