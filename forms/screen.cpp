#include "forms/screen.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

namespace forms {

namespace {
QScreen* Primary() { return QGuiApplication::primaryScreen(); }
}  // namespace

float Screen::TwipsPerPixelX() const {
  if (simulated_) return tppX_;
  QScreen* s = Primary();
  return s ? 1440.0f / static_cast<float>(s->logicalDotsPerInchX()) : 15.0f;
}

float Screen::TwipsPerPixelY() const {
  if (simulated_) return tppY_;
  QScreen* s = Primary();
  return s ? 1440.0f / static_cast<float>(s->logicalDotsPerInchY()) : 15.0f;
}

float Screen::Width() const {
  if (simulated_) return static_cast<float>(pixelsX_) * tppX_;
  QScreen* s = Primary();
  return s ? static_cast<float>(s->geometry().width()) * TwipsPerPixelX() : 0.0f;
}

float Screen::Height() const {
  if (simulated_) return static_cast<float>(pixelsY_) * tppY_;
  QScreen* s = Primary();
  return s ? static_cast<float>(s->geometry().height()) * TwipsPerPixelY() : 0.0f;
}

void Screen::setMousePointer(int value) {
  const bool wasBusy = mousePointer_ == 11;
  mousePointer_ = value;
  const bool busy = value == 11;
  if (busy == wasBusy || !qApp) return;
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void Screen::Simulate(int pixelsX, int pixelsY, float twipsPerPixelX, float twipsPerPixelY) {
  simulated_ = true;
  pixelsX_ = pixelsX;
  pixelsY_ = pixelsY;
  tppX_ = twipsPerPixelX;
  tppY_ = twipsPerPixelY;
}

void Screen::Reset() { simulated_ = false; }

Screen& TheScreen() {
  static Screen screen;
  return screen;
}

}  // namespace forms
