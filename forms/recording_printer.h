// A printer for tests: records every text with its position in millimetres, font and page, and
// every new page and end of document, instead of printing. Texts are measured with the same Qt
// font metrics as the real printer, at a fixed resolution, so positions are deterministic.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

#include "forms/qt_printer.h"

namespace forms {

class RecordingPrinter : public DocumentPrinter {
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
  void Print(const QString& text) override;
  void PrintLine(const QString& text = QString()) override;
  void NewPage() override;
  void EndDoc() override;
  bool DocumentOpen() const override { return open_; }

 private:
  void CheckFailure();
  void Draw(const QString& text);
  float UnitMm() const;
  PrinterFontMetrics Metrics() const;

  QImage device_;
  int dpi_;
  float widthMm_, heightMm_;
  QString failNext_;
  int scaleMode_ = vbTwips;
  QString fontName_ = QStringLiteral("Arial");
  double fontSize_ = 10;
  bool bold_ = false, italic_ = false;
  float x_ = 0, y_ = 0;
  bool open_ = false;
  int document_ = 1;
  int page_ = 1;
};

}  // namespace forms
