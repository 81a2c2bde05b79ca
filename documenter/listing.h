// The readable listing of a whole database (tavrek-dump without an output format): tables with
// their properties, fields and indexes, queries with their SQL, relations, the application objects
// and the cross-reference, in Italian.
#pragma once

#include <string>

#include "engine/dao.h"

namespace tavrek::doc {

// The listing of an open database. Raises dao::Error when part of the catalogue cannot be read.
// `showSecrets`: passwords of connect strings as stored instead of PWD=***.
std::string TextListing(dao::Database& db, bool showSecrets = false);

}  // namespace tavrek::doc
