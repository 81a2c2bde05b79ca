// Credentials inside connect strings, for every output of the documenter.
#pragma once

#include <string>
#include <string_view>

#include "engine/catalogue/connect_string.h"

namespace tavrek::doc {

// `connect` with every password item masked as "PWD=***" (see dao::MaskConnectPasswords).
inline std::string MaskConnectSecrets(std::string_view connect) {
  return dao::MaskConnectPasswords(connect);
}

}  // namespace tavrek::doc
