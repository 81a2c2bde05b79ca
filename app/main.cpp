// Tavrek: documents the structure of Microsoft Access databases.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/StartupProbe.h"
#include "app/TestScript.h"
#include "app/Tavrek.h"
#include "app/TavrekIcon.h"
#include "app/Translations.h"

int main(int argc, char** argv) {
  // --help and --version are answered before Qt looks for a display.
  switch (cli::Parse(std::vector<std::string>(argv + 1, argv + argc))) {
    case cli::Action::kHelp:
      std::fputs(cli::HelpText().c_str(), stdout);
      return 0;
    case cli::Action::kVersion:
      std::fputs(cli::VersionText().c_str(), stdout);
      return 0;
    case cli::Action::kRun:
      break;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrek"));
  QApplication::setApplicationVersion(QStringLiteral(TAVREK_VERSION));
  QApplication::setWindowIcon(TavrekIcon());
  InstallQtItalianTranslations();
  Tavrek window;
  InstallStartupProbe(window);
  window.Show();
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) QTimer::singleShot(0, &app, [&window, path = args.at(1)] { window.OpenFile(path); });
  InstallTestScript(window);
  return QApplication::exec();
}
