// The structure report of chosen tables written into a PDF file, without a printer and without
// anyone to answer: the tables follow one another as if the user always kept the page open, until
// a page is full (then the document ends and the next table begins a new one, on a new page).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace report {

struct PdfRequest {
  std::string database;                 // the database file
  std::optional<std::string> connect;   // none, or ";" + password
  std::string output;                   // the PDF file to write
  std::vector<std::string> tables;      // tables to print, in this order; none = every user table
};

// Writes the report. Creates the (offscreen) application object when the caller has none.
// Returns 0 on success; otherwise leaves a one-line message in `error` and returns 2 for a
// database failure (open, unknown table, unreadable definition) or 1 for an output failure.
int WritePdf(const PdfRequest& request, std::string& error);

}  // namespace report
