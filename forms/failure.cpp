#include "forms/failure.h"

#include <exception>

#include "engine/dao.h"
#include "forms/interaction.h"
#include "forms/runtime_error.h"
#include "forms/screen.h"

namespace forms {

namespace {
constexpr int kErrInternal = 51;  // the platform's "internal error"
}

QString ErrorText(int number, const QString& description) {
  return QStringLiteral("Errore ") + QString::number(number) + QChar(13) + description;
}

void RunHandler(const std::function<void()>& handler) {
  int number = 0;
  QString description;
  try {
    if (handler) handler();
    return;
  } catch (const dao::Error& e) {
    number = e.Number();
    description = QString::fromStdString(e.Description());
  } catch (const RuntimeError& e) {
    number = e.Number();
    description = e.Description();
  } catch (const std::bad_alloc&) {
    number = 7;  // the platform's "out of memory"
    description = QStringLiteral("Memoria esaurita");
  } catch (const std::exception& e) {
    number = kErrInternal;
    description = QStringLiteral("Errore interno: ") + QString::fromUtf8(e.what());
  } catch (...) {
    number = kErrInternal;
    description = QStringLiteral("Errore interno");
  }
  // The pointer goes back to the default before the message, so the user can answer it.
  TheScreen().setMousePointer(0);
  try {
    MsgBox(ErrorText(number, description), vbOKOnly, QString::fromLatin1(kAppTitle));
  } catch (...) {
    // Nothing more can be shown; the program goes on.
  }
}

}  // namespace forms
