// The DDL writer: CREATE TABLE statements for every table of an Access database (its own, not
// the linked or system ones), for one SQL target described by a SqlDialect.
//
// What is written: columns with their types mapped to the target, NOT NULL from Required,
// AutoNumber as the target's identity, DEFAULT where the Access expression has a meaning in SQL
// (a comment where it does not), primary keys, unique and plain indexes (with descending keys),
// foreign keys from the enforced relations (ON UPDATE / ON DELETE actions included) and the
// descriptions as comments; validation rules as CHECK constraints where they translate (comments
// where they do not), captions and formats as comments. Tables come in an order where every
// foreign key points to a table already created; a cycle is closed by ALTER TABLE statements at
// the end. Relations Access does not enforce, and those that cannot be expressed, are listed as
// comments.
#pragma once

#include <stdexcept>
#include <string>

#include "documenter/sql_dialect.h"
#include "engine/dao.h"

namespace tavrek::doc {

// The database cannot be written for the target: two names the server would take for one (they
// differ only in case, or are longer than the server keeps). The message (Italian) names both.
class DdlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct DdlOptions {
  bool showSecrets = false;  // linked tables' connect strings unmasked in the comments
};

// The whole script for `db` in `dialect`, ending with a newline. Raises dao::Error when part of
// the catalogue cannot be read and DdlError when the names collide; nothing is returned then.
std::string WriteDdl(dao::Database& db, const SqlDialect& dialect, const DdlOptions& options = {});

}  // namespace tavrek::doc
