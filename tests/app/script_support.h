// Running the real program under Xvfb with a TAVREK_TEST_SCRIPT, and reading back what the
// script's "grab" and "save" wrote: shared by the screenshot tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace scripttest {

struct Shot {
  QImage image;
  QHash<QString, QRect> parts;  // visible parts, screen pixels
};

inline Shot LoadShot(const QString& png) {
  Shot s;
  s.image = QImage(png).convertToFormat(QImage::Format_RGB32);
  QFile f(png + QStringLiteral(".txt"));
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return s;
  while (!f.atEnd()) {
    const QStringList w = QString::fromUtf8(f.readLine()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (w.size() == 5) s.parts.insert(w[0], QRect(w[1].toInt(), w[2].toInt(), w[3].toInt(), w[4].toInt()));
  }
  return s;
}

// Dark pixels (text) in `r`.
inline int Ink(const QImage& img, QRect r) {
  int n = 0;
  r = r.intersected(img.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (qGray(img.pixel(x, y)) < 96) ++n;
  return n;
}

inline bool HaveXvfb() { return !QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty(); }

struct Outcome {
  int exitCode = -1;
  bool finished = false;
  QString output;
};

// Runs `program args` on an Xvfb screen of `width` x `height` with `script`; waits up to
// `seconds`.
inline Outcome RunScripted(const QString& program, const QStringList& args, const QString& script, int width,
                           int height, const QString& workingDir, int seconds = 180) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));  // the real X11 platform, on Xvfb
  env.insert(QStringLiteral("TAVREK_TEST_SCRIPT"), script);
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.setWorkingDirectory(workingDir);
  QStringList all = {QStringLiteral("-a"), QStringLiteral("-s"),
                     QStringLiteral("-screen 0 %1x%2x24").arg(width).arg(height), program};
  all += args;
  p.start(QStringLiteral("xvfb-run"), all);
  Outcome o;
  o.finished = p.waitForFinished(seconds * 1000);
  if (!o.finished) p.kill(), p.waitForFinished();
  o.output = QString::fromLocal8Bit(p.readAll());
  o.exitCode = p.exitCode();
  return o;
}

inline QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace scripttest
