// What every printer target shares: the font setting, the pen and the scale unit, the measuring
// of texts and both forms of Print. A target supplies the device it measures on, the drawing area,
// the beginning of a document and the drawing of one text; everything else is done here, so that
// the real printer and the test double place every text alike.
#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>

#include "forms/printer.h"

class QPaintDevice;

namespace forms {

// Text measurement of one printer font on one paint device, in millimetres.
class PrinterFontMetrics {
 public:
  // The Qt font for a printer font setting. "Times New Roman" resolves through fontconfig to its
  // metric twin (Liberation Serif) where the original is not installed.
  static QFont MakeFont(const QString& name, double points, bool bold, bool italic);

  PrinterFontMetrics(const QFont& font, QPaintDevice* device);
  // Advance width of `text`.
  float Width(const QString& text) const;
  // Height of one line: the pen's step of the line-ending Print.
  float LineHeight() const;
  // Distance from the top of a line to its baseline.
  float Ascent() const;

 private:
  float mmPerPixel_;
  float lineHeight_;
  float ascent_;
  QFont font_;
  QPaintDevice* device_;
};

// The size of one scale unit in millimetres (1 for millimetres, 25.4 / 1440 for twips, ...);
// pixels are the device's dots at `dotsPerInch`.
float MillimetresPerUnit(int scaleMode, int dotsPerInch);

class PagePrinter : public Printer {
 public:
  // The pen stays where it is on the page, expressed in the new unit.
  void setScaleMode(int mode) override;
  void setFontName(const QString& name) override { fontName_ = name; }
  void setFontSize(double points) override { fontSize_ = points; }
  void setFontBold(bool bold) override { bold_ = bold; }
  void setFontItalic(bool italic) override { italic_ = italic; }
  QString FontName() const override { return fontName_; }
  double FontSize() const override { return fontSize_; }
  bool FontBold() const override { return bold_; }
  bool FontItalic() const override { return italic_; }

  float CurrentX() const override { return x_; }
  float CurrentY() const override { return y_; }
  void setCurrentX(float x) override { x_ = x; }
  void setCurrentY(float y) override { y_ = y; }
  float ScaleHeight() const override;
  float ScaleWidth() const override;
  float TextWidth(const QString& text) const override;
  float TextHeight(const QString& text) const override;

  // Both begin a document if none is open, even for an empty text.
  void Print(const QString& text) override;
  void PrintLine(const QString& text = QString()) override;

  // True between the first output of a document and its EndDoc. The program ends such a document
  // when it quits, so that its pages are printed.
  virtual bool DocumentOpen() const = 0;

 protected:
  PagePrinter() = default;

  // --- What a target supplies.
  // The device texts are measured on.
  virtual QPaintDevice* MeasuringDevice() const = 0;
  // The device's resolution: the size of the pixel unit.
  virtual int DotsPerInch() const = 0;
  // Size of the drawing area in millimetres.
  virtual QSizeF DrawingAreaSize() const = 0;
  // Called before every output: begins a document if none is open. Raises 482 when it cannot.
  virtual void EnsureDocument() = 0;
  // Draws a non-empty `text` with its top-left corner at the pen, in `font` measured as `metrics`.
  virtual void DrawAtPen(const QString& text, const QFont& font, const PrinterFontMetrics& metrics) = 0;

  // --- For the targets.
  // Millimetres per scale unit.
  float UnitMm() const;
  // Pen to the top-left corner of the drawing area (new document, new page).
  void ResetPen() {
    x_ = 0;
    y_ = 0;
  }

 private:
  void Draw(const QString& text);
  QFont Font() const;

  int scaleMode_ = vbTwips;
  QString fontName_ = QStringLiteral("Arial");
  double fontSize_ = 10;
  bool bold_ = false;
  bool italic_ = false;
  float x_ = 0, y_ = 0;
};

}  // namespace forms
