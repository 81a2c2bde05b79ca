#include "forms/font.h"

#include <cmath>

namespace forms {

namespace {
// The font object keeps its size to four decimal places.
double KeepFourDecimals(double points) { return std::round(points * 10000.0) / 10000.0; }
}  // namespace

Font::Font(QString name, double size, bool bold, bool italic)
    : name_(std::move(name)), size_(KeepFourDecimals(size)), bold_(bold), italic_(italic) {}

void Font::setName(const QString& n) {
  name_ = n;
  changed();
}

void Font::setSize(double points) {
  size_ = KeepFourDecimals(points);
  changed();
}

void Font::setBold(bool b) {
  bold_ = b;
  changed();
}

void Font::setItalic(bool i) {
  italic_ = i;
  changed();
}

QFont Font::toQFont() const {
  QFont f(name_);
  f.setPointSizeF(size_ > 0 ? size_ : 1.0);
  f.setBold(bold_);
  f.setItalic(italic_);
  return f;
}

void Font::changed() {
  if (onChange_) onChange_();
}

}  // namespace forms
