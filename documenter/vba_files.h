// The module files of --vba: each module's VBA source as a file of its own.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/dao.h"

namespace tavrek::doc {

// A module name made fit for a file name: path separators, control characters and the characters
// Windows refuses become "_", and a leading "." too.
std::string SafeFileName(const std::string& name);

// The files --vba writes: (file name, source) for every module with source, standard modules as
// ".bas", class modules and those behind forms ("Form_…") and reports ("Report_…") as ".cls";
// names that would collide (ignoring case) get "~2", "~3"…
std::vector<std::pair<std::string, std::string>> VbaFiles(dao::Database& db);

// Writes `files` into `dir` (created when missing). False with a message when it cannot.
bool WriteVbaFiles(const std::string& dir,
                   const std::vector<std::pair<std::string, std::string>>& files,
                   std::string& error);

}  // namespace tavrek::doc
