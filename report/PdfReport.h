// The structure report of chosen tables written into a PDF file, without a printer and without
// anyone to answer: the tables follow one another as if the user always kept the page open, until
// a page is full (then the document ends and the next table begins a new one, on a new page).
#pragma once

#include <string>
#include <vector>

#include "engine/dao.h"

namespace report {

// Writes the report of `tables` of the open database `db` (every table the table list would show,
// names not beginning with "MSys" and attached tables left out, when `tables` is empty) into
// `output`; `databaseFile` heads each document. Creates the (offscreen) application object when
// the caller has none. Raises dao::Error for a failure of the engine (an unknown table: 3265);
// returns false with a one-line message in `error` when the PDF could not be written. No partial
// file is left behind after a failure.
bool WritePdf(dao::Database& db, const std::string& databaseFile, const std::string& output,
              const std::vector<std::string>& tables, std::string& error);

}  // namespace report
