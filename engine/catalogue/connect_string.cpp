#include "engine/catalogue/connect_string.h"

#include <cctype>

namespace dao {

namespace {

// Whether `text` at `pos` starts with `key` (an upper-case ASCII key), ignoring case.
bool KeyAt(std::string_view text, size_t pos, std::string_view key) {
  if (text.size() - pos < key.size()) return false;
  for (size_t i = 0; i < key.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(text[pos + i])) != key[i]) return false;
  return true;
}

}  // namespace

std::string MaskConnectPasswords(std::string_view connect) {
  static constexpr std::string_view kKeys[] = {"PWD=", "PASSWORD="};
  std::string out;
  out.reserve(connect.size());
  size_t i = 0;
  while (i < connect.size()) {
    const bool itemStart = i == 0 || connect[i - 1] == ';';
    std::string_view key;
    if (itemStart) {
      size_t p = i;
      while (p < connect.size() && connect[p] == ' ') ++p;
      for (std::string_view k : kKeys)
        if (KeyAt(connect, p, k)) key = connect.substr(p, k.size());
      if (!key.empty()) {
        out.append(connect.substr(i, p - i + key.size()));
        i = p + key.size();
        // Skip the value: up to the next ';', or a whole {…} group.
        if (i < connect.size() && connect[i] == '{') {
          size_t close = connect.find('}', i);
          i = close == std::string_view::npos ? connect.size() : close + 1;
        }
        while (i < connect.size() && connect[i] != ';') ++i;
        out += "***";
        continue;
      }
    }
    out += connect[i++];
  }
  return out;
}

}  // namespace dao
