#include "documenter/json.h"

#include <cstdio>

#include "documenter/utf8.h"

namespace tavrek::doc {

std::string JsonString(const std::string& text) {
  const std::string valid = ValidUtf8(text);
  std::string out = "\"";
  for (char ch : valid) {
    const unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += ch;  // UTF-8 sequences pass through whole
        }
    }
  }
  out += '"';
  return out;
}

}  // namespace tavrek::doc
