// Reading back a printed PDF: the words poppler's pdftotext finds on each page, with their boxes
// in millimetres, and a check of recorded texts against them.
#pragma once

#include <QString>
#include <vector>

#include "forms/recording_printer.h"

namespace reporttest {

struct PdfWord {
  int page = 0;  // 1-based
  QString text;
  float xMin = 0, yMin = 0, xMax = 0, yMax = 0;  // mm from the sheet's top-left corner
};

// The words of every page of `path` (pdftotext -bbox). Fails the test when pdftotext fails.
std::vector<PdfWord> ReadPdfWords(const QString& path);
// Number of pages (0 when the file cannot be read).
int PdfPageCount(const std::vector<PdfWord>& words);

// Expects every recorded text that starts with a visible character to appear in the PDF: its first
// word on the right page, starting at the recorded x and with its baseline where the recorded top
// of the line plus the font's ascent puts it, within `tolerance` mm. `originX`, `originY` place the
// drawing area on the sheet. Pages are counted through the documents in order.
void ExpectPrintedAsRecorded(const std::vector<forms::RecordingPrinter::Text>& recorded,
                             const std::vector<PdfWord>& words, float originX, float originY,
                             float tolerance);

}  // namespace reporttest
