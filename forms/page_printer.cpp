#include "forms/page_printer.h"

#include <QFontMetricsF>
#include <QPaintDevice>

namespace forms {

// ---------------------------------------------------------------------------------------------
// Measuring

QFont PrinterFontMetrics::MakeFont(const QString& name, double points, bool bold, bool italic) {
  QFont font(name);
  font.setPointSizeF(points);
  font.setBold(bold);
  font.setItalic(italic);
  // Unhinted outlines: the advance widths scale linearly with the resolution, so a test double
  // measuring at another resolution finds the same millimetres.
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::PreferOutline);
  return font;
}

PrinterFontMetrics::PrinterFontMetrics(const QFont& font, QPaintDevice* device)
    : font_(font), device_(device) {
  QFontMetricsF fm(font_, device_);
  mmPerPixel_ = 25.4f / static_cast<float>(device_->logicalDpiX());
  float mmPerPixelY = 25.4f / static_cast<float>(device_->logicalDpiY());
  lineHeight_ = static_cast<float>(fm.lineSpacing()) * mmPerPixelY;
  ascent_ = static_cast<float>(fm.ascent()) * mmPerPixelY;
}

float PrinterFontMetrics::Width(const QString& text) const {
  if (text.isEmpty()) return 0.0f;
  QFontMetricsF fm(font_, device_);
  return static_cast<float>(fm.horizontalAdvance(text)) * mmPerPixel_;
}

float PrinterFontMetrics::LineHeight() const { return lineHeight_; }
float PrinterFontMetrics::Ascent() const { return ascent_; }

float MillimetresPerUnit(int scaleMode, int dotsPerInch) {
  switch (scaleMode) {
    case vbMillimeters: return 1.0f;
    case vbCentimeters: return 10.0f;
    case vbInches: return 25.4f;
    case vbPoints: return 25.4f / 72.0f;
    case vbPixels: return 25.4f / static_cast<float>(dotsPerInch > 0 ? dotsPerInch : 96);
    case vbTwips:
    default: return 25.4f / 1440.0f;
  }
}

// ---------------------------------------------------------------------------------------------
// The page surface

void PagePrinter::setScaleMode(int mode) {
  float mmBefore = UnitMm();
  scaleMode_ = mode;
  float ratio = mmBefore / UnitMm();
  x_ *= ratio;
  y_ *= ratio;
}

float PagePrinter::UnitMm() const { return MillimetresPerUnit(scaleMode_, DotsPerInch()); }

QFont PagePrinter::Font() const { return PrinterFontMetrics::MakeFont(fontName_, fontSize_, bold_, italic_); }

float PagePrinter::ScaleHeight() const { return static_cast<float>(DrawingAreaSize().height()) / UnitMm(); }
float PagePrinter::ScaleWidth() const { return static_cast<float>(DrawingAreaSize().width()) / UnitMm(); }

float PagePrinter::TextWidth(const QString& text) const {
  return PrinterFontMetrics(Font(), MeasuringDevice()).Width(text) / UnitMm();
}

float PagePrinter::TextHeight(const QString&) const {
  return PrinterFontMetrics(Font(), MeasuringDevice()).LineHeight() / UnitMm();
}

void PagePrinter::Draw(const QString& text) {
  EnsureDocument();  // first: beginning a document may change the device
  if (text.isEmpty()) return;
  QFont font = Font();
  PrinterFontMetrics metrics(font, MeasuringDevice());
  DrawAtPen(text, font, metrics);
  x_ += metrics.Width(text) / UnitMm();
}

void PagePrinter::Print(const QString& text) { Draw(text); }

void PagePrinter::PrintLine(const QString& text) {
  Draw(text);
  x_ = 0;
  y_ += TextHeight(QStringLiteral("0"));
}

}  // namespace forms
