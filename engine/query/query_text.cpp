#include "engine/query/query_text.h"

#include "engine/query/query_words.h"

namespace engine {

namespace {

bool IsNameByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '_' || c >= 0x80;
}

bool IsBracketed(std::string_view name) {
  return name.size() >= 2 && name.front() == '[' && name.back() == ']';
}

}  // namespace

std::string TextOf(const std::optional<std::string>& value) { return value.value_or(""); }

bool NeedsBrackets(std::string_view name) {
  if (name.empty() || IsBracketed(name)) return false;
  if (name.front() >= '0' && name.front() <= '9') return true;
  for (unsigned char c : name) {
    if (!IsNameByte(c)) return true;
  }
  return IsReservedWord(name);
}

std::string QuoteName(std::string_view name) {
  if (!NeedsBrackets(name)) return std::string(name);
  std::string quoted;
  quoted.reserve(name.size() + 2);
  quoted += '[';
  quoted.append(name);
  quoted += ']';
  return quoted;
}

std::string QuoteAlias(std::string_view name) {
  if (!name.empty() && IsReservedWord(name) && !IsReservedAlias(name)) return std::string(name);
  return QuoteName(name);
}

std::string QuoteIdentifier(std::string_view identifier) {
  std::string out;
  std::size_t part_start = 0;
  bool in_brackets = false;
  for (std::size_t i = 0; i <= identifier.size(); ++i) {
    if (i < identifier.size()) {
      char c = identifier[i];
      if (c == '[') in_brackets = true;
      if (c == ']') in_brackets = false;
      if (c != '.' || in_brackets) continue;
    }
    if (part_start > 0) out += '.';
    out += QuoteName(identifier.substr(part_start, i - part_start));
    part_start = i + 1;
  }
  return out;
}

std::string JoinList(const std::vector<std::string>& items, std::string_view separator) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += separator;
    out += items[i];
  }
  return out;
}

std::string RemoteDbSuffix(const std::optional<std::string>& path,
                           const std::optional<std::string>& type) {
  if (!path && !type) return "";
  std::string out = " IN '" + TextOf(path) + "'";
  if (type) out += " [" + *type + "]";
  return out;
}

}  // namespace engine
