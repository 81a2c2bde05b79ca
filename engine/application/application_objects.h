// The application inside a database: the containers of MSysObjects (Forms, Reports, Scripts for
// macros, Modules, DataAccessPages and the rest) with their documents, and what the storage tree
// of the application (MSysAccessStorage from Access 2002 on, the compound file of MSysAccessObjects
// in Access 2000 files) tells about them: the VBA source of modules and of the modules behind
// forms and reports, the definition of macros, the strings stored in form and report definitions.
#pragma once

#include <vector>

#include "engine/dao.h"
#include "engine/catalogue/system_tables.h"
#include "engine/application/storage_tree.h"

namespace engine {

// MSysObjects types of the application's objects.
enum ApplicationObjectType : int {
  kObjectContainer = 3,
  kObjectForm = -32768,
  kObjectReport = -32764,
  kObjectMacro = -32766,
  kObjectModule = -32761,
  kObjectDataAccessPage = -32756,
};

// The containers and their documents (names and dates) as the catalogue lists them: Forms,
// Reports, Scripts and Modules always and in that order, then every other container holding a
// document, by name; "Tables" is left out (its documents are the tables and queries). Documents in
// name order, compared case-insensitively.
std::vector<dao::ContainerInfo> ListContainers(const std::vector<CatalogueObject>& objects);

// Fills the documents of Forms, Reports, Scripts and Modules with what `tree` holds for them (null:
// the file has no storage tree, as Access 97 files). Never raises: what cannot be read is said
// in the document's `error`.
void ReadApplicationText(std::vector<dao::ContainerInfo>& containers, const vba::StorageTree* tree);

// Sets `error` on the documents of Forms, Reports, Scripts and Modules.
void MarkApplicationTextUnreadable(std::vector<dao::ContainerInfo>& containers,
                                   const std::string& error);

}  // namespace engine
