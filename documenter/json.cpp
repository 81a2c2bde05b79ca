#include "documenter/json.h"

#include <cstdio>

#include "documenter/utf8.h"

namespace tavrek::doc {

std::string JsonString(const std::string& text) {
  const std::string valid = ValidUtf8(text);
  std::string out;
  out.reserve(valid.size() + 2);
  out += '"';
  for (size_t i = 0; i < valid.size();) {
    // Text needs no escaping but for quotes, backslashes and control characters: copy it a run at
    // a time (UTF-8 sequences pass through whole).
    size_t run = i;
    while (run < valid.size() && static_cast<unsigned char>(valid[run]) >= 0x20 &&
           valid[run] != '"' && valid[run] != '\\')
      ++run;
    if (run > i) {
      out.append(valid, i, run - i);
      i = run;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(valid[i++]);
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
