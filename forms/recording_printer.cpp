#include "forms/recording_printer.h"

#include <cmath>

#include "forms/runtime_error.h"

namespace forms {

RecordingPrinter::RecordingPrinter(float widthMm, float heightMm, int dotsPerInch)
    : device_(1, 1, QImage::Format_RGB32), dpi_(dotsPerInch), widthMm_(widthMm), heightMm_(heightMm) {
  int dotsPerMetre = static_cast<int>(std::lround(dotsPerInch / 0.0254));
  device_.setDotsPerMeterX(dotsPerMetre);
  device_.setDotsPerMeterY(dotsPerMetre);
}

std::vector<RecordingPrinter::Text> RecordingPrinter::Document(int n) const {
  std::vector<Text> out;
  for (const Text& t : texts)
    if (t.document == n) out.push_back(t);
  return out;
}

const RecordingPrinter::Text* RecordingPrinter::Find(const QString& text) const {
  for (const Text& t : texts)
    if (t.text == text) return &t;
  return nullptr;
}

void RecordingPrinter::CheckFailure() {
  if (failNext_.isEmpty()) return;
  QString description = failNext_;
  failNext_.clear();
  throw RuntimeError(kErrPrinter, description);
}

// As on the real printer, the page setup begins the document (a failure set up by FailNext shows
// up here, like a missing printer).
void RecordingPrinter::setPageSetup(int16_t value) {
  CheckFailure();
  pageSetups.push_back(value);
  open_ = true;
}

void RecordingPrinter::setScaleMode(int mode) {
  scaleModes.push_back(mode);
  PagePrinter::setScaleMode(mode);
}

void RecordingPrinter::EnsureDocument() {
  CheckFailure();
  open_ = true;
}

void RecordingPrinter::DrawAtPen(const QString& text, const QFont&, const PrinterFontMetrics&) {
  texts.push_back(Text{text, CurrentX(), CurrentY(), FontSize(), FontBold(), FontItalic(), FontName(),
                       document_, page_});
}

void RecordingPrinter::NewPage() {
  EnsureDocument();
  ++newPages;
  ++page_;
  ResetPen();
}

void RecordingPrinter::EndDoc() {
  CheckFailure();
  ++endDocs;
  if (!open_) return;
  open_ = false;
  ++document_;
  page_ = 1;
  ResetPen();
}

}  // namespace forms
