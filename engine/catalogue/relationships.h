// The relationships of a database, stored in MSysRelationships one row per column pair: the
// relationship's name (szRelationship), its flags (grbit), its number of pairs (ccolumn) and the
// position of this pair (icolumn), the referencing table and column (szObject, szColumn) and the
// referenced table and column (szReferencedObject, szReferencedColumn).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/page_reader.h"
#include "engine/storage/text_codec.h"

namespace engine {

struct Relationship {
  struct Pair {
    std::string referencedColumn;
    std::string column;
  };
  std::string name;
  std::string referencedTable;  // the "one" side
  std::string table;            // the referencing side
  int32_t flags = 0;            // grbit as stored
  std::vector<Pair> pairs;      // in icolumn order
};

// Every relationship of the table whose definition starts on `definitionPage`, one per name in
// the order their first rows are stored, each with its pairs in order. Raises CorruptError when a
// relationship's rows disagree on its tables or pair count, repeat or miss a position.
std::vector<Relationship> ReadRelationships(PageReader& pages, const TextCodec& codec,
                                            uint32_t definitionPage);

struct RelationshipRow {
  std::string name;
  int32_t flags = 0;
  int32_t pairCount = 0;
  int32_t position = 0;
  std::string table, column, referencedTable, referencedColumn;
};

// Groups stored rows into relationships (the second half of ReadRelationships).
std::vector<Relationship> GroupRelationships(const std::vector<RelationshipRow>& rows);

}  // namespace engine
