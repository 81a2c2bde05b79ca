#include "report/PdfReport.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <memory>

#include "app/Tavrek.h"
#include "engine/dao.h"
#include "forms/qt_printer.h"
#include "forms/runtime_error.h"
#include "report/TableReport.h"

namespace report {

namespace {

// The tables of the report: those asked for, or every table the table list would show (names not
// beginning with "MSys"), leaving out attached tables, which have no table-type recordset.
std::vector<std::string> TablesToPrint(const dao::Database& db, const std::vector<std::string>& asked) {
  if (!asked.empty()) return asked;
  std::vector<std::string> names;
  const auto& defs = db.TableDefs();
  for (int i = 0; i < defs.Count(); ++i) {
    const dao::TableDef& def = defs.Item(i);
    if (def.Name().rfind("MSys", 0) == 0 || def.IsLinked()) continue;
    names.push_back(def.Name());
  }
  return names;
}

int Report(const PdfRequest& request, std::string& error, bool& started) {
  dao::DBEngine engine;
  std::shared_ptr<dao::Database> db;
  std::vector<std::string> tables;
  try {
    db = engine.OpenDatabase(request.database, false, true, request.connect);
    tables = TablesToPrint(*db, request.tables);
  } catch (const dao::Error& e) {
    error = "Errore " + std::to_string(e.Number()) + ": " + e.Description();
    return 2;
  }
  if (tables.empty()) {
    error = "nessuna tabella da stampare in " + request.database;
    return 2;
  }

  started = true;
  std::unique_ptr<forms::QtPrinter> pdf = forms::QtPrinter::PdfFile(QString::fromStdString(request.output));
  // The main window's state, as "Stampa struttura" uses it: the open database, the file name of
  // the open dialog, the type names and the working variables.
  Tavrek window;
  window.Load();
  window.db = db;
  window.dbOpen = 1;
  window.CommonDialog1.FileName = QFileInfo(QString::fromStdString(request.database)).absoluteFilePath();
  try {
    for (const std::string& name : tables) {
      try {
        window.rs = db->OpenRecordset(name, dao::dbOpenTable);
      } catch (const dao::Error& e) {
        error = "tabella " + name + ": Errore " + std::to_string(e.Number()) + ": " + e.Description();
        return 2;
      }
      window.rsOpen = 1;
      TableReport table(*pdf,
                        ReportVariables{window.printPending, window.loopIndex, window.innerIndex,
                                        window.savedX, window.savedY},
                        [&window](int code) { return window.TypeName(code); });
      table.Print(*window.rs, window.CommonDialog1.FileName);
      // The answer is always "No": the page stays open while it has room.
      if (!table.RoomLeft()) table.EndDocument();
      window.rs->Close();
    }
    if (window.printPending != 0) {
      pdf->EndDoc();
      window.printPending = 0;
    }
    pdf->Close();
  } catch (const dao::Error& e) {
    error = "Errore " + std::to_string(e.Number()) + ": " + e.Description();
    return 2;
  } catch (const forms::RuntimeError& e) {
    error = "Errore " + std::to_string(e.Number()) + ": " + e.Description().toStdString();
    return 1;
  }
  db->Close();
  return 0;
}

}  // namespace

int WritePdf(const PdfRequest& request, std::string& error) {
  std::unique_ptr<QApplication> app;
  if (QCoreApplication::instance() == nullptr) {
    // A command-line tool: no window is ever shown.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tavrek-dump";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
  }
  bool started = false;
  int status = Report(request, error, started);
  // No half-written report is left behind.
  if (status != 0 && started) QFile::remove(QString::fromStdString(request.output));
  return status;
}

}  // namespace report
