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
  float before = UnitMm();
  scaleMode_ = mode;
  float ratio = before / UnitMm();
  x_ *= ratio;
  y_ *= ratio;
}

float RecordingPrinter::UnitMm() const { return MillimetresPerUnit(scaleMode_, dpi_); }

PrinterFontMetrics RecordingPrinter::Metrics() const {
  return PrinterFontMetrics(PrinterFontMetrics::MakeFont(fontName_, fontSize_, bold_, italic_),
                            const_cast<QImage*>(&device_));
}

float RecordingPrinter::ScaleHeight() const { return heightMm_ / UnitMm(); }
float RecordingPrinter::ScaleWidth() const { return widthMm_ / UnitMm(); }
float RecordingPrinter::TextWidth(const QString& text) const { return Metrics().Width(text) / UnitMm(); }
float RecordingPrinter::TextHeight(const QString&) const { return Metrics().LineHeight() / UnitMm(); }

void RecordingPrinter::Draw(const QString& text) {
  CheckFailure();
  open_ = true;
  if (text.isEmpty()) return;
  texts.push_back(Text{text, x_, y_, fontSize_, bold_, italic_, fontName_, document_, page_});
  x_ += TextWidth(text);
}

void RecordingPrinter::Print(const QString& text) { Draw(text); }

void RecordingPrinter::PrintLine(const QString& text) {
  Draw(text);
  x_ = 0;
  y_ += TextHeight(QStringLiteral("0"));
}

void RecordingPrinter::NewPage() {
  CheckFailure();
  open_ = true;
  ++newPages;
  ++page_;
  x_ = 0;
  y_ = 0;
}

void RecordingPrinter::EndDoc() {
  CheckFailure();
  ++endDocs;
  if (!open_) return;
  open_ = false;
  ++document_;
  page_ = 1;
  x_ = 0;
  y_ = 0;
}

}  // namespace forms
