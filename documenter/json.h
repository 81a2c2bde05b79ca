// JSON text of the documenter outputs.
#pragma once

#include <string>
#include <string_view>

#include "documenter/text_out.h"
#include "documenter/utf8.h"

namespace tavrek::doc {

// Appends to `out` (a std::string or a TextOut) the JSON string literal, with the quotes, of
// UTF-8 text: quotes, backslash and control characters escaped, other characters passed through
// as UTF-8; invalid UTF-8 bytes become U+FFFD so the document is always valid.
template <class Sink>
void AppendJsonString(Sink& out, std::string_view text) {
  auto plain = [](unsigned char b) { return b >= 0x20 && b < 0x80 && b != '"' && b != '\\'; };
  out.push_back('"');
  size_t i = 0;
  while (i < text.size()) {
    // Copied a run at a time: plain ASCII and valid UTF-8 sequences as they are.
    size_t run = i;
    while (run < text.size()) {
      const unsigned char b = static_cast<unsigned char>(text[run]);
      if (plain(b)) {
        ++run;
        continue;
      }
      if (b < 0x80) break;
      const size_t len = Utf8SequenceLength(text, run);
      if (len == 0) break;
      run += len;
    }
    if (run > i) {
      out.append(text.data() + i, run - i);
      i = run;
      if (i == text.size()) break;
    }
    const unsigned char c = static_cast<unsigned char>(text[i++]);
    switch (c) {
      case '"': out.append("\\\"", 2); break;
      case '\\': out.append("\\\\", 2); break;
      case '\n': out.append("\\n", 2); break;
      case '\r': out.append("\\r", 2); break;
      case '\t': out.append("\\t", 2); break;
      case '\b': out.append("\\b", 2); break;
      case '\f': out.append("\\f", 2); break;
      default:
        if (c >= 0x80) {
          out.append("\xEF\xBF\xBD", 3);
        } else {
          constexpr char kHex[] = "0123456789abcdef";
          const char escaped[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
          out.append(escaped, sizeof escaped);
        }
    }
  }
  out.push_back('"');
}

// The same literal as a string of its own.
std::string JsonString(std::string_view text);

// Writes the JSON string literal of a text straight into a document: `o << Quoted(name)`.
struct Quoted {
  explicit Quoted(std::string_view t) : text(t) {}
  std::string_view text;
};
inline TextOut& operator<<(TextOut& o, Quoted q) {
  AppendJsonString(o, q.text);
  return o;
}

}  // namespace tavrek::doc
