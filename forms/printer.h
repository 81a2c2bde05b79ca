// The default printer as a page surface, as the report sees it: a scale unit, a font, a pen, both
// forms of Print, new page and end of document. A document begins with the first output after
// the previous one ended.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

namespace forms {

enum ScaleMode : int { vbTwips = 1, vbPoints = 2, vbPixels = 3, vbInches = 5, vbMillimeters = 6, vbCentimeters = 7 };

class Printer {
 public:
  virtual ~Printer() = default;

  // A 16-bit page-setup value of the printer (the report sets it to 1 at the start of a document).
  virtual void setPageSetup(int16_t value) = 0;
  virtual void setScaleMode(int mode) = 0;
  virtual void setFontName(const QString& name) = 0;
  virtual void setFontSize(double points) = 0;
  virtual void setFontBold(bool bold) = 0;
  virtual void setFontItalic(bool italic) = 0;
  virtual QString FontName() const = 0;
  virtual double FontSize() const = 0;
  virtual bool FontBold() const = 0;
  virtual bool FontItalic() const = 0;

  // Pen position in the scale unit, from the top-left corner of the drawing area.
  virtual float CurrentX() const = 0;
  virtual float CurrentY() const = 0;
  virtual void setCurrentX(float x) = 0;
  virtual void setCurrentY(float y) = 0;
  // Height and width of the page's drawing area in the scale unit.
  virtual float ScaleHeight() const = 0;
  virtual float ScaleWidth() const = 0;
  virtual float TextWidth(const QString& text) const = 0;
  virtual float TextHeight(const QString& text) const = 0;

  // Continuing form: draws at the pen, pen moves right by the text's width.
  virtual void Print(const QString& text) = 0;
  // Line-ending form: draws (or not), then x = 0 and y grows by one line of the current font.
  virtual void PrintLine(const QString& text = QString()) = 0;
  virtual void NewPage() = 0;
  // Ends the last page and hands the document to the printer.
  virtual void EndDoc() = 0;

  // Failures raise forms::RuntimeError 482 with a description of what went wrong.
};

// The printer in force: the system's default printer unless a test or a tool installed another.
Printer& ThePrinter();
void SetPrinter(std::shared_ptr<Printer> p);

}  // namespace forms
