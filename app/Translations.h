// Qt's own texts (the file dialog's columns and buttons, the standard buttons, the context menus of
// text fields) in Italian, from the translations Debian installs with Qt.
#pragma once

// Installs Qt's Italian translations into the running application, once. Returns false when
// they are not installed (Qt's texts then stay in English).
bool InstallQtItalianTranslations();
