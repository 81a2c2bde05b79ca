// UTF-8 hygiene for the documenter outputs: names and texts come from files that may be damaged,
// and a page or document with a broken byte sequence is rejected by browsers and renderers.
#pragma once

#include <string>
#include <string_view>

namespace tavrek::doc {

// `text` with every byte that does not start a valid UTF-8 sequence (truncated, overlong,
// surrogate, past U+10FFFF) replaced by U+FFFD. Valid text is returned unchanged.
std::string ValidUtf8(const std::string& text);

// Length of the valid UTF-8 sequence that starts at s[i] (1 to 4), or 0 when none does there
// (overlong forms, surrogates and code points past U+10FFFF are not valid).
size_t Utf8SequenceLength(std::string_view s, size_t i);

}  // namespace tavrek::doc
