// The printer surface over Qt: the system's default printer (through Qt's CUPS support) or a PDF
// file, drawn in the printer's scale unit with the fonts of the platform.
#pragma once

#include <QFont>
#include <QRectF>
#include <QString>
#include <memory>

#include "forms/printer.h"

class QPaintDevice;
class QPainter;
class QPrinter;

namespace forms {

// A printer that knows whether it holds a begun document. The program ends such a document when
// it quits, so that its pages are printed.
class DocumentPrinter : public Printer {
 public:
  // True between the first output of a document and its EndDoc.
  virtual bool DocumentOpen() const = 0;
};

// Text measurement of one printer font on one paint device, in millimetres. The real printer and
// the test double both measure through this, so that their positions agree.
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

class QtPrinter : public DocumentPrinter {
 public:
  // The system's default printer, looked up afresh at the start of every document (so a printer
  // installed or chosen as default while the program runs is used). Portrait; the printer's
  // default page size.
  static std::unique_ptr<QtPrinter> SystemDefault();
  // A PDF file, A4 portrait, the whole sheet as drawing area. Ending a document and beginning
  // another continues in the same file on a new page; the file is complete after Close().
  static std::unique_ptr<QtPrinter> PdfFile(const QString& path);

  ~QtPrinter() override;

  // The page setup is the orientation: 1 portrait, 2 landscape. A new document begins here (on the
  // default printer of this moment), so that a missing printer is reported before anything else.
  void setPageSetup(int16_t value) override;
  void setScaleMode(int mode) override;
  void setFontName(const QString& name) override;
  void setFontSize(double points) override;
  void setFontBold(bool bold) override;
  void setFontItalic(bool italic) override;
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

  void Print(const QString& text) override;
  void PrintLine(const QString& text = QString()) override;
  void NewPage() override;
  void EndDoc() override;

  bool DocumentOpen() const override;
  // PDF file: ends an open document and writes the file. Printer: ends an open document. Raises
  // 482 when the output could not be written.
  void Close();
  // The drawing area on the sheet, in millimetres from the sheet's top-left corner.
  QRectF DrawingArea() const;
  // Name of the printer that receives the current (or last) document, or the PDF file's path.
  QString DeviceName() const;

 private:
  enum class Target { SystemDefault, PdfFile };
  explicit QtPrinter(Target target, QString path);
  void BeginDocument();
  void EnsureDocument();
  void MakeDevice();
  void Draw(const QString& text);
  PrinterFontMetrics Metrics() const;
  float UnitMm() const;
  [[noreturn]] void Fail(const QString& description) const;

  Target target_;
  QString path_;
  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QPainter> painter_;
  bool documentOpen_ = false;
  bool pdfHasPages_ = false;  // PDF: a document was already written into the file
  int16_t pageSetup_ = 1;
  int scaleMode_ = vbTwips;
  QString fontName_ = QStringLiteral("Arial");
  double fontSize_ = 10;
  bool bold_ = false;
  bool italic_ = false;
  float x_ = 0, y_ = 0;
};

}  // namespace forms
