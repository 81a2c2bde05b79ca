#include "documenter/catalogue_support.h"

#include <charconv>
#include <cmath>

namespace tavrek::doc {

const dao::Container* FindContainer(dao::Database& db, const std::string& name) {
  for (const auto& c : db.Containers())
    if (c.Name() == name) return &c;
  return nullptr;
}

std::string JsonNumber(double d) {
  if (!std::isfinite(d)) return "null";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, r.ptr);
}

std::string DisplayDate(const dao::DateTime& d) {
  std::string iso = d.Iso();
  iso[10] = ' ';
  return iso;
}

}  // namespace tavrek::doc
