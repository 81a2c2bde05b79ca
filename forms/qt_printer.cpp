#include "forms/qt_printer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "forms/runtime_error.h"

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
// Targets

std::unique_ptr<QtPrinter> QtPrinter::SystemDefault() {
  return std::unique_ptr<QtPrinter>(new QtPrinter(Target::SystemDefault, QString()));
}

std::unique_ptr<QtPrinter> QtPrinter::PdfFile(const QString& path) {
  return std::unique_ptr<QtPrinter>(new QtPrinter(Target::PdfFile, path));
}

QtPrinter::QtPrinter(Target target, QString path) : target_(target), path_(std::move(path)) {
  MakeDevice();
}

QtPrinter::~QtPrinter() {
  // A document still open is ended so that its pages are not lost. Without an application object
  // the painting machinery is gone and nothing can be finished any more.
  if (QCoreApplication::instance() == nullptr) {
    if (painter_) (void)painter_.release();  // deliberately not ended: it would crash
    return;
  }
  try {
    Close();
  } catch (const RuntimeError&) {
  }
}

void QtPrinter::MakeDevice() {
  if (target_ == Target::PdfFile) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(path_);
    printer_->setPageSize(QPageSize(QPageSize::A4));
    printer_->setPageOrientation(QPageLayout::Portrait);
    printer_->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  } else {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
      // No default printer: a device for measuring only; beginning a document fails.
      printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
      printer_->setOutputFormat(QPrinter::PdfFormat);
      printer_->setPageSize(QPageSize(QPageSize::A4));
    } else {
      printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
      printer_->setPageSize(info.defaultPageSize());
      // The drawing area is what the printer can print: the sheet less its unprintable margins.
      printer_->setPageMargins(printer_->pageLayout().minimumMargins(), printer_->pageLayout().units());
    }
    printer_->setPageOrientation(QPageLayout::Portrait);
  }
  printer_->setFullPage(false);
  printer_->setDocName(QStringLiteral("Tavrek"));
  printer_->setCreator(QStringLiteral("Tavrek"));
}

QString QtPrinter::DeviceName() const {
  if (target_ == Target::PdfFile) return path_;
  return printer_ ? printer_->printerName() : QString();
}

void QtPrinter::Fail(const QString& description) const { throw RuntimeError(kErrPrinter, description); }

bool QtPrinter::DocumentOpen() const { return documentOpen_; }

// Begins a document: on the system printer a new print job on the printer that is the default
// now; on a PDF file the file's first page, or a new page after an earlier document.
void QtPrinter::BeginDocument() {
  if (target_ == Target::PdfFile) {
    if (pdfHasPages_ && painter_ && painter_->isActive()) {
      if (!printer_->newPage())
        Fail(QStringLiteral("Impossibile aggiungere una pagina al file PDF \"%1\".").arg(path_));
    } else {
      QFileInfo dir(QFileInfo(path_).absolutePath());
      if (!dir.isDir() || !dir.isWritable())
        Fail(QStringLiteral("Impossibile scrivere il file PDF \"%1\": la cartella non esiste o non è "
                            "scrivibile.").arg(path_));
      printer_->setPageOrientation(pageSetup_ == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
      painter_ = std::make_unique<QPainter>();
      if (!painter_->begin(printer_.get())) {
        painter_.reset();
        Fail(QStringLiteral("Impossibile creare il file PDF \"%1\".").arg(path_));
      }
    }
  } else {
    if (QPrinterInfo::availablePrinterNames().isEmpty())
      Fail(QStringLiteral("Nessuna stampante installata o raggiungibile: per stampare occorre "
                          "installare una stampante."));
    if (QPrinterInfo::defaultPrinter().isNull())
      Fail(QStringLiteral("Nessuna stampante predefinita: scegliere una stampante predefinita nelle "
                          "impostazioni di sistema."));
    MakeDevice();  // the default printer of this moment
    printer_->setPageOrientation(pageSetup_ == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(printer_.get()) || printer_->printerState() == QPrinter::Error) {
      painter_.reset();
      Fail(QStringLiteral("La stampante \"%1\" non è pronta: impossibile iniziare la stampa.")
               .arg(printer_->printerName()));
    }
  }
  documentOpen_ = true;
  x_ = 0;
  y_ = 0;
}

void QtPrinter::EnsureDocument() {
  if (!documentOpen_) BeginDocument();
}

void QtPrinter::setPageSetup(int16_t value) {
  pageSetup_ = value;
  // The page setup is the first thing a report sets in a new document: the document begins here,
  // so that a missing printer is reported before anything else has been done.
  EnsureDocument();
}

void QtPrinter::setScaleMode(int mode) {
  // The pen stays where it is on the page, expressed in the new unit.
  float mmBefore = UnitMm();
  scaleMode_ = mode;
  float ratio = mmBefore / UnitMm();
  x_ *= ratio;
  y_ *= ratio;
}

void QtPrinter::setFontName(const QString& name) { fontName_ = name; }
void QtPrinter::setFontSize(double points) { fontSize_ = points; }
void QtPrinter::setFontBold(bool bold) { bold_ = bold; }
void QtPrinter::setFontItalic(bool italic) { italic_ = italic; }

float QtPrinter::UnitMm() const {
  return MillimetresPerUnit(scaleMode_, printer_ ? printer_->resolution() : 1200);
}

PrinterFontMetrics QtPrinter::Metrics() const {
  return PrinterFontMetrics(PrinterFontMetrics::MakeFont(fontName_, fontSize_, bold_, italic_),
                            printer_.get());
}

QRectF QtPrinter::DrawingArea() const { return printer_->pageLayout().paintRect(QPageLayout::Millimeter); }

float QtPrinter::ScaleHeight() const {
  QRectF area = printer_->pageLayout().paintRect(QPageLayout::Millimeter);
  return static_cast<float>(area.height()) / UnitMm();
}

float QtPrinter::ScaleWidth() const {
  QRectF area = printer_->pageLayout().paintRect(QPageLayout::Millimeter);
  return static_cast<float>(area.width()) / UnitMm();
}

float QtPrinter::TextWidth(const QString& text) const { return Metrics().Width(text) / UnitMm(); }

float QtPrinter::TextHeight(const QString&) const { return Metrics().LineHeight() / UnitMm(); }

void QtPrinter::Draw(const QString& text) {
  EnsureDocument();
  if (text.isEmpty()) return;
  QFont font = PrinterFontMetrics::MakeFont(fontName_, fontSize_, bold_, italic_);
  PrinterFontMetrics metrics(font, printer_.get());
  float unit = UnitMm();
  double pxPerMmX = printer_->logicalDpiX() / 25.4;
  double pxPerMmY = printer_->logicalDpiY() / 25.4;
  painter_->setFont(font);
  painter_->setPen(Qt::black);
  QPointF baseline(x_ * unit * pxPerMmX, (y_ * unit + metrics.Ascent()) * pxPerMmY);
  painter_->drawText(baseline, text);
  x_ += metrics.Width(text) / unit;
}

void QtPrinter::Print(const QString& text) { Draw(text); }

void QtPrinter::PrintLine(const QString& text) {
  Draw(text);
  x_ = 0;
  y_ += TextHeight(QStringLiteral("0"));
}

void QtPrinter::NewPage() {
  EnsureDocument();
  if (!printer_->newPage() || printer_->printerState() == QPrinter::Error)
    Fail(QStringLiteral("La stampante \"%1\" non ha potuto iniziare una nuova pagina.").arg(DeviceName()));
  x_ = 0;
  y_ = 0;
}

void QtPrinter::EndDoc() {
  if (!documentOpen_) return;  // nothing begun: nothing to hand over
  documentOpen_ = false;
  x_ = 0;
  y_ = 0;
  if (target_ == Target::PdfFile) {
    pdfHasPages_ = true;  // the file is written by Close(); the next document goes on a new page
    return;
  }
  bool ended = painter_->end();
  painter_.reset();
  if (!ended || printer_->printerState() == QPrinter::Error || printer_->printerState() == QPrinter::Aborted)
    Fail(QStringLiteral("La stampante \"%1\" ha segnalato un errore: il documento non è stato "
                        "stampato.").arg(printer_->printerName()));
}

void QtPrinter::Close() {
  if (target_ == Target::SystemDefault) {
    EndDoc();
    return;
  }
  documentOpen_ = false;
  if (!painter_) return;
  bool ended = painter_->end();
  painter_.reset();
  pdfHasPages_ = false;
  if (!ended || printer_->printerState() == QPrinter::Error)
    Fail(QStringLiteral("Impossibile scrivere il file PDF \"%1\".").arg(path_));
}

}  // namespace forms
