// What the catalogue writers share: the connect-string policy, finding a container, and numbers
// as JSON writes them.
#pragma once

#include <string>

#include "documenter/secrets.h"
#include "engine/catalogue/name_compare.h"
#include "engine/dao.h"

namespace tavrek::doc {

// How connect strings are written: masked unless the user asked for the secrets.
struct Secrets {
  bool show;
  std::string Connect(const std::string& connect) const {
    return show ? connect : MaskConnectSecrets(connect);
  }
  // Text properties that hold a connect string (Connect, ODBCConnectStr, …) are masked too.
  std::string Text(const std::string& name, const std::string& value) const {
    return HoldsConnect(name) ? Connect(value) : value;
  }
  static bool HoldsConnect(const std::string& name) {
    return engine::FoldName(name).find("connect") != std::string::npos;
  }
};

// The container of that name ("Forms", "Reports", "Scripts", "Modules"), or null.
const dao::Container* FindContainer(dao::Database& db, const std::string& name);

// A double as the shortest text that reads back as the same value; null when not finite.
std::string JsonNumber(double d);

// A date as the listings show it: "YYYY-MM-DD hh:mm:ss".
std::string DisplayDate(const dao::DateTime& d);

}  // namespace tavrek::doc
