// Names the documenter outputs share: English names of DAO's type codes, a Decimal's scale.
#pragma once

#include <string>

namespace tavrek::doc {

// A display name for a DAO field type code ("Text", "Long", ...); unknown codes as "Tipo N".
std::string FieldTypeName(int type);

// A Decimal field's scale as text: its number, or "per valore" when each value carries its own.
std::string DecimalScaleText(int scale);

}  // namespace tavrek::doc
