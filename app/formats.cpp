#include "app/formats.h"

#include <QLocale>
#include <cmath>

namespace formats {

namespace {

// The first character of `format` that is not a letter: the separator the locale puts between
// the parts of a short date or time ("/" in "dd/MM/yy", "." in "dd.MM.yy").
QChar SeparatorOf(const QString& format, QChar fallback) {
  for (QChar c : format)
    if (!c.isLetter() && !c.isSpace() && c != '\'') return c;
  return fallback;
}

QString TwoDigits(int v) { return QString::number(v).rightJustified(2, '0'); }

}  // namespace

QString RecordCount(int64_t n) {
  QLocale locale;
  QString digits = QString::number(n < 0 ? -n : n);
  QString sep = locale.groupSeparator();
  QString out;
  int lead = static_cast<int>(digits.size() % 3);
  for (int i = 0; i < digits.size(); ++i) {
    if (i > 0 && (i - lead) % 3 == 0) out += sep;
    out += digits[i];
  }
  return n < 0 ? "-" + out : out;
}

QString DateTime(const dao::DateTime& t) {
  QLocale locale;
  QChar dateSep = SeparatorOf(locale.dateFormat(QLocale::ShortFormat), '/');
  QChar timeSep = SeparatorOf(locale.timeFormat(QLocale::ShortFormat), ':');
  dao::DateTime::Parts p = t.Split();
  return TwoDigits(p.day) + dateSep + TwoDigits(p.month) + dateSep + TwoDigits(p.year % 100) + ' ' +
         TwoDigits(p.hour) + timeSep + TwoDigits(p.minute) + timeSep + TwoDigits(p.second);
}

QString PrintedNumber(int64_t n) {
  return (n < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + QString::number(n < 0 ? -n : n) + ' ';
}

QString Percent(float fraction) {
  double pct = std::round(static_cast<double>(fraction) * 100.0);
  return QString::number(static_cast<long long>(pct)) + '%';
}

}  // namespace formats
