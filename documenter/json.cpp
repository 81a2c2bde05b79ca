#include "documenter/json.h"

namespace tavrek::doc {

std::string JsonString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  AppendJsonString(out, text);
  return out;
}

}  // namespace tavrek::doc
