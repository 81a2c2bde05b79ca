// "Apri Database": choose an Access file, open it read-only (asking once for a password when the
// engine says the file is protected) and fill the table and query lists.
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <exception>

#include "app/Tavrek.h"
#include "engine/dao.h"
#include "forms/failure.h"
#include "forms/interaction.h"
#include "forms/printer.h"
#include "forms/runtime_error.h"
#include "forms/screen.h"

namespace {

constexpr int kPointerDefault = 0;
constexpr int kPointerBusy = 11;

// An error caught while opening: its number and description, as the message box shows them.
struct OpenFailure {
  int number;
  QString description;
};

// Names the failure that is being handled. Engine and runtime errors keep their numbers; anything
// else is an internal error (51) with its own text.
OpenFailure CurrentFailure() {
  try {
    throw;
  } catch (const dao::Error& e) {
    return {e.Number(), QString::fromStdString(e.Description())};
  } catch (const forms::RuntimeError& e) {
    return {e.Number(), e.Description()};
  } catch (const std::exception& e) {
    return {51, QString::fromLocal8Bit(e.what())};
  } catch (...) {
    return {51, QStringLiteral("Errore interno")};
  }
}

// The text without the blanks at either end (blanks only: other white space is kept, it may be
// part of a password).
QString TrimBlanks(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text[first] == u' ') ++first;
  while (last > first && text[last - 1] == u' ') --last;
  return text.mid(first, last - first);
}

// The directory lookup: true when an ordinary file (not a folder) exists at `path`.
bool OrdinaryFileExists(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  return info.exists() && info.isFile();
}

QString FromEngine(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void Tavrek::Apri_Click() {
  // Hide both lists, clear the surface and the two name labels.
  List1.setVisible(false);
  List2.setVisible(false);
  Cls();
  Label1(0).setVisible(false);
  Label1(1).setVisible(false);

  // Only "Apri Database", "Esci" and "Info" stay usable until a database is open.
  ApriTab.setEnabled(false);
  ApriQuery.setEnabled(false);
  Stampa.setEnabled(false);
  Documenta.setEnabled(false);
  CloseDocumentaWindows();

  // Close the database open until now; a printed report still pending belongs to it and is sent
  // to the printer now. (Closing an already closed database does nothing.)
  if (dbOpen > 0) {
    if (db) db->Close();
    if (printPending == 1) {
      forms::ThePrinter().EndDoc();
      printPending = 0;
    }
  }

  // Ask for the file, then repaint at once so that the window looks right behind what follows.
  // (At start-up with a file named on the command line, the dialog takes that answer unseen.)
  CommonDialog1.ShowOpen();
  Refresh();

  // No file chosen: nothing more to do.
  if (CommonDialog1.FileTitle.isEmpty()) return;

  // The file must exist as an ordinary file; otherwise stop without a word.
  const QString path = CommonDialog1.FileName;
  if (!OrdinaryFileExists(path)) return;

  forms::TheScreen().setMousePointer(kPointerBusy);

  // Open the file, read-only and shared. Error 3031 (missing or wrong password) asks the user for
  // the password once and tries again with ";" + password as the connect string, or without a
  // connect string when the answer is empty. Any other failure, and a second failure after the
  // prompt, is shown as "Errore <number>" CR <description> and ends the command.
  QString password;
  bool passwordAsked = false;
  for (;;) {
    try {
      const std::string file = QFile::encodeName(path).toStdString();
      if (password.isEmpty()) {
        db = Engine().OpenDatabase(file, false, true);
      } else {
        // Appended, not concatenated with operator+: GCC 12's -Wrestrict misreads that at -O3.
        std::string connect = ";";
        connect += password.toStdString();
        db = Engine().OpenDatabase(file, false, true, connect);
      }
      break;
    } catch (...) {
      const OpenFailure failure = CurrentFailure();
      forms::TheScreen().setMousePointer(kPointerDefault);
      if (failure.number == dao::kErrBadPassword && !passwordAsked) {
        password.clear();
        password = forms::PasswordBox(QStringLiteral("Immettere Password"), QStringLiteral("DATABASE PROTETTO"));
        password = TrimBlanks(password);
        passwordAsked = true;
        forms::TheScreen().setMousePointer(kPointerBusy);
        continue;
      }
      forms::MsgBox(forms::ErrorText(failure.number, failure.description), forms::vbOKOnly);
      return;
    }
  }

  // The new database is open; no table of it is open yet.
  openConnect = password.isEmpty() ? std::string() : ";" + password.toStdString();
  dbOpen = 1;
  rsOpen = 0;

  List1.Clear();
  List2.Clear();

  // Table list: every table whose name does not begin with "MSys" (the engine's own tables; the
  // first four characters, case by case, so "msysdata" and a three-letter name are listed).
  const int16_t tableCount = forms::CheckedInt16(db->TableDefs().Count());
  for (loopIndex = 0; loopIndex <= tableCount - 1; loopIndex = forms::CheckedInt16(loopIndex + 1)) {
    if (FromEngine(db->TableDefs().Item(loopIndex).Name()).left(4) != QLatin1String("MSys"))
      List1.AddItem(FromEngine(db->TableDefs().Item(loopIndex).Name()));
  }

  // The database's name, as the engine reports it (the path as opened).
  Label1(0).setCaption(QFile::decodeName(QByteArray::fromStdString(db->Name())));
  Label1(0).setVisible(true);

  // Query list: every stored query, in the engine's order (entry i is query i).
  if (forms::CheckedInt16(db->QueryDefs().Count()) > 0) {
    const int16_t queryCount = forms::CheckedInt16(db->QueryDefs().Count());
    for (loopIndex = 0; loopIndex <= queryCount - 1; loopIndex = forms::CheckedInt16(loopIndex + 1))
      List2.AddItem(FromEngine(db->QueryDefs().Item(loopIndex).Name()));
    ApriQuery.setEnabled(true);
  }

  ApriTab.setEnabled(true);
  Documenta.setEnabled(true);
  forms::TheScreen().setMousePointer(kPointerDefault);
}
