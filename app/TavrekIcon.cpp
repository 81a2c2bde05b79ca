#include "app/TavrekIcon.h"

#include <QPainter>
#include <QPixmap>

namespace {

// Drawn on a 32 by 32 grid and scaled to the requested size; only the 16 colours of the classic
// palette are used.
QPixmap Draw(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.scale(size / 32.0, size / 32.0);

  // The page, with ruled lines standing for a table's rows.
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawRect(14, 3, 16, 22);
  p.setPen(QPen(QColor(0, 0, 128), 1));
  for (int y = 8; y <= 21; y += 3) p.drawLine(17, y, 27, y);
  p.setPen(QPen(QColor(128, 0, 0), 1));
  p.drawLine(17, 5, 24, 5);

  // The drum: a cylinder in teal with a cyan top.
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(QColor(0, 128, 128));
  p.drawRect(2, 13, 16, 14);
  p.drawEllipse(2, 22, 16, 8);
  p.setPen(Qt::NoPen);
  p.drawRect(3, 14, 15, 13);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(QColor(0, 255, 255));
  p.drawEllipse(2, 9, 16, 8);
  p.setPen(QPen(QColor(0, 0, 0), 1));
  p.drawLine(2, 13, 2, 26);
  p.drawLine(18, 13, 18, 26);
  return pm;
}

}  // namespace

QIcon TavrekIcon() {
  QIcon icon;
  icon.addPixmap(Draw(32));
  icon.addPixmap(Draw(16));
  return icon;
}
