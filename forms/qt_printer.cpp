#include "forms/qt_printer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "forms/runtime_error.h"

namespace forms {

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
  ResetPen();
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

QPaintDevice* QtPrinter::MeasuringDevice() const { return printer_.get(); }

int QtPrinter::DotsPerInch() const { return printer_ ? printer_->resolution() : 1200; }

QRectF QtPrinter::DrawingArea() const { return printer_->pageLayout().paintRect(QPageLayout::Millimeter); }

QSizeF QtPrinter::DrawingAreaSize() const { return DrawingArea().size(); }

void QtPrinter::DrawAtPen(const QString& text, const QFont& font, const PrinterFontMetrics& metrics) {
  float unit = UnitMm();
  double pxPerMmX = printer_->logicalDpiX() / 25.4;
  double pxPerMmY = printer_->logicalDpiY() / 25.4;
  painter_->setFont(font);
  painter_->setPen(Qt::black);
  QPointF baseline(CurrentX() * unit * pxPerMmX, (CurrentY() * unit + metrics.Ascent()) * pxPerMmY);
  painter_->drawText(baseline, text);
}

void QtPrinter::NewPage() {
  EnsureDocument();
  if (!printer_->newPage() || printer_->printerState() == QPrinter::Error)
    Fail(QStringLiteral("La stampante \"%1\" non ha potuto iniziare una nuova pagina.").arg(DeviceName()));
  ResetPen();
}

void QtPrinter::EndDoc() {
  if (!documentOpen_) return;  // nothing begun: nothing to hand over
  documentOpen_ = false;
  ResetPen();
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
