// The printer surface over Qt: the system's default printer (through Qt's CUPS support) or a PDF
// file, drawn in the printer's scale unit with the fonts of the platform.
#pragma once

#include <QRectF>
#include <QString>
#include <memory>

#include "forms/page_printer.h"

class QPainter;
class QPrinter;

namespace forms {

class QtPrinter : public PagePrinter {
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
  QPaintDevice* MeasuringDevice() const override;
  int DotsPerInch() const override;
  QSizeF DrawingAreaSize() const override;
  void EnsureDocument() override;
  void DrawAtPen(const QString& text, const QFont& font, const PrinterFontMetrics& metrics) override;
  void BeginDocument();
  void MakeDevice();
  [[noreturn]] void Fail(const QString& description) const;

  Target target_;
  QString path_;
  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QPainter> painter_;
  bool documentOpen_ = false;
  bool pdfHasPages_ = false;  // PDF: a document was already written into the file
  int16_t pageSetup_ = 1;
};

}  // namespace forms
