// How object names compare: equality ignores case in every script Access users write names in
// (Latin, Greek, Cyrillic, full-width Latin), and a default order close to Access's "General"
// sort order, for catalogues that do not carry an order of their own.
#pragma once

#include <string>
#include <string_view>

namespace engine {

// `name` (UTF-8) with every letter in its lower-case form; two names are the same for Access
// when their folded forms are equal. Bytes that are not valid UTF-8 are kept as they are.
std::string FoldName(std::string_view name);

// Names ordered as the General sort order does in the main: symbols before digits before
// letters; Latin letters by their base letter, case and accents set aside (then accents decide,
// then case); Greek, Cyrillic and then every other script after Latin. A strict weak order that
// tells apart any two names whose folded forms differ.
bool NameLess(std::string_view a, std::string_view b);

}  // namespace engine
