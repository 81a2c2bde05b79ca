#include "engine/application/application_objects.h"

#include <algorithm>
#include <map>
#include <new>
#include <stdexcept>

#include "engine/catalogue/name_compare.h"
#include "engine/storage/text_codec.h"
#include "engine/application/form_design.h"
#include "engine/application/macro_rows.h"
#include "engine/application/object_directory.h"
#include "engine/application/stored_text.h"
#include "engine/application/vba_project.h"

namespace engine {

namespace {

const char* const kFirstContainers[] = {"Forms", "Reports", "Scripts", "Modules"};

dao::ContainerInfo* FindContainer(std::vector<dao::ContainerInfo>& containers, const char* name) {
  for (auto& c : containers)
    if (c.name == name) return &c;
  return nullptr;
}

// The Blob stream of each object of a container storage, by object name; an object whose entry
// cannot be followed maps to null.
std::map<std::string, const vba::StorageEntry*> Blobs(const vba::StorageTree& tree,
                                                      const std::string& container) {
  std::map<std::string, const vba::StorageEntry*> blobs;
  const vba::StorageEntry* dir = tree.Find({container, "DirData"});
  if (!dir || !dir->stream) return blobs;
  if (dir->damaged) ThrowCorrupt("object directory unreadable");
  for (const vba::DirectoryEntry& e : vba::ParseObjectDirectory(vba::StreamView(*dir))) {
    const vba::StorageEntry* blob = tree.Find({container, std::to_string(e.storage), "Blob"});
    blobs[e.name] = blob && blob->stream ? blob : nullptr;
  }
  return blobs;
}

// Runs `read`; a damaged structure or an impossible size becomes `error` on the document.
template <class F>
void Guarded(dao::DocumentInfo& d, const std::string& error, F read) {
  try {
    read();
  } catch (const CorruptError&) {
    d.error = error;
  } catch (const std::bad_alloc&) {
    d.error = error;
  } catch (const std::length_error&) {
    d.error = error;
  }
}

void ReadDefinitions(dao::ContainerInfo& c, const vba::StorageTree& tree, bool macros) {
  std::map<std::string, const vba::StorageEntry*> blobs;
  try {
    blobs = Blobs(tree, c.name);
  } catch (const CorruptError&) {
    for (auto& d : c.documents) d.error = "elenco degli oggetti di " + c.name + " danneggiato";
    return;
  }
  for (auto& d : c.documents) {
    auto it = blobs.find(d.name);
    if (it == blobs.end() || !it->second) {
      if (macros) d.error = "definizione della macro assente";
      continue;
    }
    const vba::StorageEntry& blob = *it->second;
    if (blob.damaged) {
      d.error = "definizione danneggiata";
      continue;
    }
    Guarded(d, "definizione danneggiata", [&] {
      if (!macros) {
        d.storedTexts = vba::PropertyStrings(vba::StreamView(blob));
        const ByteView view = vba::StreamView(blob);
        if (view.size() >= 2 && view.U16(0) < vba::kFirstRecordDesignVersion) {
          d.designError = "struttura nel formato di Access 2000 (versione " +
                          std::to_string(view.U16(0)) + "): non letta";
          return;
        }
        try {
          d.design = std::make_shared<const vba::FormDesign>(vba::ParseFormDesign(view));
        } catch (const CorruptError& e) {
          d.designError = std::string("struttura non leggibile: ") + e.what();
        }
        return;
      }
      d.storedTexts = vba::StoredStrings(vba::StreamView(blob));
      d.definition = std::make_shared<const std::string>(vba::StreamView(blob).Str());
      d.text = vba::MacroXml(vba::StreamView(blob));
      d.kind = "xml";
      if (!d.text.empty()) return;
      // Definitions saved before Access 2010 hold only the rows of the macro sheet.
      try {
        static const TextCodec kWestern(TextStorage::kCodePage, 1252);
        d.text = vba::MacroRowsText(vba::ParseMacroRows(vba::StreamView(blob), kWestern));
        d.kind = "actions";
      } catch (const CorruptError&) {
        // Rows this reader cannot follow: the strings they hold, as found.
        d.kind = "strings";
        d.text.clear();
        for (const std::string& s : d.storedTexts) d.text += s + "\n";
      }
    });
  }
}

void ReadModules(std::vector<dao::ContainerInfo>& containers, const vba::StorageTree& tree) {
  std::vector<vba::ModuleSource> modules;
  std::string projectError;
  try {
    modules = vba::ReadVbaProject(tree);
  } catch (const CorruptError&) {
    projectError = "progetto VBA danneggiato";
  } catch (const std::bad_alloc&) {
    projectError = "progetto VBA danneggiato";
  } catch (const std::length_error&) {
    projectError = "progetto VBA danneggiato";
  }
  std::map<std::string, const vba::ModuleSource*> byName;
  for (const auto& m : modules) byName.emplace(FoldName(m.name), &m);

  auto attach = [&](dao::DocumentInfo& d, const std::string& moduleName, bool required) {
    if (!projectError.empty()) {
      if (required) d.error = projectError;
      return;
    }
    auto it = byName.find(FoldName(moduleName));
    if (it == byName.end()) {
      if (required) d.error = "modulo assente dal progetto VBA";
      return;
    }
    d.kind = it->second->kind;
    d.text = it->second->text;
    d.error = it->second->error;
  };
  if (auto* c = FindContainer(containers, "Modules"))
    for (auto& d : c->documents) attach(d, d.name, true);
  if (auto* c = FindContainer(containers, "Forms"))
    for (auto& d : c->documents) attach(d, "Form_" + d.name, false);
  if (auto* c = FindContainer(containers, "Reports"))
    for (auto& d : c->documents) attach(d, "Report_" + d.name, false);
}

}  // namespace

std::vector<dao::ContainerInfo> ListContainers(const std::vector<CatalogueObject>& objects) {
  std::vector<dao::ContainerInfo> containers;
  std::vector<int32_t> ids;
  for (const char* name : kFirstContainers) {
    containers.push_back({name, {}});
    ids.push_back(0);
  }
  std::vector<const CatalogueObject*> others;
  for (const CatalogueObject& o : objects) {
    if (o.type != kObjectContainer || o.name == "Tables") continue;
    bool first = false;
    for (size_t i = 0; i < std::size(kFirstContainers); ++i) {
      if (o.name == kFirstContainers[i] && ids[i] == 0) {
        ids[i] = o.id;
        first = true;
      }
    }
    if (!first) others.push_back(&o);
  }
  std::stable_sort(others.begin(), others.end(),
                   [](const CatalogueObject* a, const CatalogueObject* b) {
                     return FoldName(a->name) < FoldName(b->name);
                   });
  for (const CatalogueObject* o : others) {
    containers.push_back({o->name, {}});
    ids.push_back(o->id);
  }
  for (size_t i = 0; i < containers.size(); ++i) {
    if (ids[i] == 0) continue;
    for (const CatalogueObject& o : objects) {
      if (o.parentId != ids[i] || o.id == ids[i] || o.type == kObjectContainer) continue;
      dao::DocumentInfo d;
      d.name = o.name;
      d.dateCreated.days = o.dateCreated;
      d.lastUpdated.days = o.dateUpdated;
      containers[i].documents.push_back(std::move(d));
    }
    std::stable_sort(containers[i].documents.begin(), containers[i].documents.end(),
                     [](const dao::DocumentInfo& a, const dao::DocumentInfo& b) {
                       return FoldName(a.name) < FoldName(b.name);
                     });
  }
  // Other containers are listed only when they hold something.
  std::vector<dao::ContainerInfo> out;
  for (size_t i = 0; i < containers.size(); ++i)
    if (i < std::size(kFirstContainers) || !containers[i].documents.empty())
      out.push_back(std::move(containers[i]));
  return out;
}

void ReadApplicationText(std::vector<dao::ContainerInfo>& containers, const vba::StorageTree* tree) {
  if (!tree) {
    MarkApplicationTextUnreadable(
        containers, "definizione e codice non letti: il file non ha l'archivio MSysAccessStorage");
    return;
  }
  for (const char* name : {"Forms", "Reports", "Scripts"})
    if (auto* c = FindContainer(containers, name))
      ReadDefinitions(*c, *tree, std::string(name) == "Scripts");
  ReadModules(containers, *tree);
}

void MarkApplicationTextUnreadable(std::vector<dao::ContainerInfo>& containers,
                                   const std::string& error) {
  for (auto& c : containers) {
    bool app = false;
    for (const char* name : kFirstContainers) app = app || c.name == name;
    if (!app) continue;
    for (auto& d : c.documents) d.error = error;
  }
}

}  // namespace engine
