#include "tests/report/pdf_text.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <cmath>
#include <map>
#include <utility>

#include "forms/qt_printer.h"

namespace reporttest {

namespace {

QString Unescape(QString s) {
  s.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
  s.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
  s.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
  s.replace(QStringLiteral("&apos;"), QStringLiteral("'"));
  s.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
  return s;
}

constexpr float kMmPerPoint = 25.4f / 72.0f;

// Ascent and descent in mm of a printer font, measured as the printers measure it.
std::pair<float, float> AscentDescent(const forms::RecordingPrinter::Text& t) {
  QImage device(1, 1, QImage::Format_RGB32);
  int dpm = static_cast<int>(std::lround(1200 / 0.0254));
  device.setDotsPerMeterX(dpm);
  device.setDotsPerMeterY(dpm);
  QFontMetricsF fm(forms::PrinterFontMetrics::MakeFont(t.fontName, t.size, t.bold, t.italic), &device);
  float mmPerPixel = 25.4f / 1200.0f;
  return {static_cast<float>(fm.ascent()) * mmPerPixel, static_cast<float>(fm.descent()) * mmPerPixel};
}

}  // namespace

std::vector<PdfWord> ReadPdfWords(const QString& path) {
  QProcess pdftotext;
  pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
  std::vector<PdfWord> words;
  if (!pdftotext.waitForFinished(60000) || pdftotext.exitCode() != 0) {
    ADD_FAILURE() << "pdftotext failed on " << path.toStdString() << ": "
                  << pdftotext.readAllStandardError().toStdString();
    return words;
  }
  const QString xml = QString::fromUtf8(pdftotext.readAllStandardOutput());
  static const QRegularExpression tag(
      QStringLiteral("<page |<word xMin=\"([-\\d.]+)\" yMin=\"([-\\d.]+)\" xMax=\"([-\\d.]+)\" "
                     "yMax=\"([-\\d.]+)\">(.*?)</word>"));
  int page = 0;
  for (auto it = tag.globalMatch(xml); it.hasNext();) {
    auto m = it.next();
    if (m.captured(0).startsWith(QStringLiteral("<page"))) {
      ++page;
      continue;
    }
    words.push_back(PdfWord{page, Unescape(m.captured(5)), m.captured(1).toFloat() * kMmPerPoint,
                            m.captured(2).toFloat() * kMmPerPoint, m.captured(3).toFloat() * kMmPerPoint,
                            m.captured(4).toFloat() * kMmPerPoint});
  }
  // Pages without words still count.
  int pages = static_cast<int>(xml.count(QStringLiteral("<page ")));
  if (pages > PdfPageCount(words)) words.push_back(PdfWord{pages, QString(), 0, 0, 0, 0});
  return words;
}

int PdfPageCount(const std::vector<PdfWord>& words) {
  int pages = 0;
  for (const PdfWord& w : words) pages = std::max(pages, w.page);
  return pages;
}

void ExpectPrintedAsRecorded(const std::vector<forms::RecordingPrinter::Text>& recorded,
                             const std::vector<PdfWord>& words, float originX, float originY,
                             float tolerance) {
  std::map<std::pair<int, int>, int> pdfPage;  // (document, page) -> page of the file
  for (const auto& t : recorded) {
    auto key = std::make_pair(t.document, t.page);
    if (!pdfPage.count(key)) {
      int next = static_cast<int>(pdfPage.size()) + 1;
      pdfPage[key] = next;
    }
    if (t.text.isEmpty() || t.text.front().isSpace()) continue;
    const QString first = t.text.split(QLatin1Char(' '), Qt::SkipEmptyParts).front();
    const auto [ascent, descent] = AscentDescent(t);
    const float x = originX + t.x;
    const float baseline = originY + t.y + ascent;
    const PdfWord* best = nullptr;
    float bestDistance = 1e9f;
    for (const PdfWord& w : words) {
      if (w.page != pdfPage[key] || w.text != first) continue;
      float d = std::fabs(w.xMin - x) + std::fabs((w.yMax - descent) - baseline);
      if (d < bestDistance) {
        bestDistance = d;
        best = &w;
      }
    }
    if (best == nullptr) {
      ADD_FAILURE() << "\"" << first.toStdString() << "\" (from \"" << t.text.toStdString()
                    << "\") is not on page " << pdfPage[key];
      continue;
    }
    EXPECT_NEAR(best->xMin, x, tolerance) << t.text.toStdString();
    EXPECT_NEAR(best->yMax - descent, baseline, tolerance) << t.text.toStdString();
  }
}

}  // namespace reporttest
