// What the fuzz targets over a storage tree do with it: walk it the way the reader does, reading
// the VBA project and the texts of forms, reports, macros and modules of the names given. A
// damaged tree may be refused (CorruptError) or reported on its documents; anything else is a bug.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <vector>

#include "engine/application/application_objects.h"
#include "engine/application/storage_tree.h"
#include "engine/application/vba_project.h"

namespace fuzz {

// Returns a number that depends on everything read, for the target to keep.
inline size_t WalkApplication(const engine::vba::StorageTree& tree,
                              std::initializer_list<const char*> documentNames) {
  size_t seen = 0;
  try {
    seen += engine::vba::ReadVbaProject(tree).size();
  } catch (const engine::CorruptError&) {
  }
  std::vector<dao::ContainerInfo> containers;
  for (const char* name : {"Forms", "Reports", "Scripts", "Modules"}) {
    dao::ContainerInfo c{name, {}};
    for (const char* doc : documentNames) c.documents.push_back({doc, {}, {}, "", "", "", {}});
    containers.push_back(std::move(c));
  }
  engine::ReadApplicationText(containers, &tree);
  for (const auto& c : containers)
    for (const auto& d : c.documents) seen += d.text.size() + d.storedTexts.size();
  return seen;
}

}  // namespace fuzz
