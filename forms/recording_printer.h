// A printer for tests: records every text with its position in millimetres, font and page, and
// every new page and end of document, instead of printing. Texts are measured with the same Qt
// font metrics as the real printer, at a fixed resolution, so positions are deterministic.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

#include "forms/page_printer.h"

namespace forms {

class RecordingPrinter : public PagePrinter {
 public:
  struct Text {
    QString text;
    float x = 0, y = 0;  // top-left corner, in the scale unit at the time of printing
    double size = 0;
    bool bold = false, italic = false;
    QString fontName;
    int document = 0;  // 1 for the first document, counted up at each EndDoc
    int page = 0;      // 1 for a document's first page
  };

  // The drawing area is `widthMm` by `heightMm` (an A4 sheet by default); `dotsPerInch` is the
  // resolution at which texts are measured.
  explicit RecordingPrinter(float widthMm = 210.0f, float heightMm = 297.0f, int dotsPerInch = 1200);

  // --- What was done.
  std::vector<Text> texts;
  int newPages = 0;
  int endDocs = 0;
  std::vector<int16_t> pageSetups;
  std::vector<int> scaleModes;
  // The texts of one document (1-based), in printing order.
  std::vector<Text> Document(int n) const;
  // The first text equal to `text`, or nullptr.
  const Text* Find(const QString& text) const;

  // --- Test set-up.
  void setPageHeight(float heightMm) { heightMm_ = heightMm; }
  // The next setPageSetup, Print, PrintLine, NewPage or EndDoc raises error 482 with this description.
  void FailNext(const QString& description) { failNext_ = description; }

  // --- The printer.
  void setPageSetup(int16_t value) override;
  void setScaleMode(int mode) override;
  void NewPage() override;
  void EndDoc() override;
  bool DocumentOpen() const override { return open_; }

 private:
  QPaintDevice* MeasuringDevice() const override { return &device_; }
  int DotsPerInch() const override { return dpi_; }
  QSizeF DrawingAreaSize() const override { return QSizeF(widthMm_, heightMm_); }
  void EnsureDocument() override;
  void DrawAtPen(const QString& text, const QFont& font, const PrinterFontMetrics& metrics) override;
  void CheckFailure();

  mutable QImage device_;  // measuring only: never drawn on
  int dpi_;
  float widthMm_, heightMm_;
  QString failNext_;
  bool open_ = false;
  int document_ = 1;
  int page_ = 1;
};

}  // namespace forms
