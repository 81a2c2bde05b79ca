// Tavrek: documents the structure of Microsoft Access databases.
#include <QApplication>
#include <QTimer>

#include "app/StartupProbe.h"
#include "app/Tavrek.h"
#include "app/TavrekIcon.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrek"));
  QApplication::setApplicationVersion(QStringLiteral("2.0.0"));
  QApplication::setWindowIcon(TavrekIcon());
  Tavrek window;
  InstallStartupProbe(window);
  window.Show();
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) QTimer::singleShot(0, &app, [&window, path = args.at(1)] { window.OpenAtStartup(path); });
  return QApplication::exec();
}
