#include "documenter/json.h"

#include <cstdio>

#include "documenter/utf8.h"

namespace tavrek::doc {

std::string JsonString(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (size_t i = 0; i < text.size();) {
    // Text needs no escaping but for quotes, backslashes and control characters: copy it a run at
    // a time, valid UTF-8 sequences whole, an invalid byte as U+FFFD.
    size_t run = i;
    while (run < text.size()) {
      const unsigned char b = static_cast<unsigned char>(text[run]);
      if (b < 0x20 || b == '"' || b == '\\') break;
      if (b < 0x80) {
        ++run;
        continue;
      }
      const size_t len = Utf8SequenceLength(text, run);
      if (len == 0) break;
      run += len;
    }
    if (run > i) {
      out.append(text, i, run - i);
      i = run;
      continue;
    }
    if (static_cast<unsigned char>(text[i]) >= 0x80) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(text[i++]);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default: {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        out += buf;
      }
    }
  }
  out += '"';
  return out;
}

}  // namespace tavrek::doc
