// Names the documenter outputs share: English names of DAO's type codes.
#pragma once

#include <string>

namespace tavrek::doc {

// A display name for a DAO field type code ("Text", "Long", ...); unknown codes as "Tipo N".
std::string FieldTypeName(int type);

}  // namespace tavrek::doc
