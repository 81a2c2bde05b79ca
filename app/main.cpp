// Tavrek: documents the structure of Microsoft Access databases.
#include <QApplication>
#include <QTimer>

#include "app/StartupProbe.h"
#include "app/Tavrek.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  Tavrek window;
  InstallStartupProbe(window);
  window.Show();
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) QTimer::singleShot(0, &app, [&window, path = args.at(1)] { window.OpenAtStartup(path); });
  return QApplication::exec();
}
