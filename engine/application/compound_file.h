// An OLE compound file (structured storage) held in memory, as Access 2000 keeps its application
// objects and VBA project: a header, a file allocation table chaining fixed-size sectors, a
// directory of storages and streams whose siblings form a binary tree below their parent, and a
// mini stream of 64-byte sectors holding the streams shorter than the cutoff the header gives.
#pragma once

#include "engine/storage/bytes.h"
#include "engine/application/storage_tree.h"

namespace engine::vba {

// The name given to the root storage of a tree read from a compound file.
inline constexpr const char* kCompoundRootName = "Root Entry";

// The storages and streams of a compound file as a tree (the root named kCompoundRootName).
// Raises CorruptError when the header is not that of a compound file (signature, sector sizes) or
// its allocation table or directory cannot be read. A stream whose sectors cannot be followed (a
// chain that leaves the file, loops or ends before the stream does) stays in the tree, marked
// damaged and without data. Directory entries that loop or that no storage reaches are left out.
// The data read never exceeds a few times the size of `file`, whatever the directory claims.
StorageTree ReadCompoundFile(ByteView file);

}  // namespace engine::vba
