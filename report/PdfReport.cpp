#include "report/PdfReport.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <memory>

#include "app/Tavrek.h"
#include "forms/qt_printer.h"
#include "forms/runtime_error.h"
#include "report/TableReport.h"

namespace report {

namespace {

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

bool Report(dao::Database& db, const QString& fileName, const QString& output,
            const std::vector<std::string>& tables, std::string& error) {
  std::unique_ptr<forms::QtPrinter> pdf = forms::QtPrinter::PdfFile(output);
  // The variables "Stampa struttura" shares with the main window, and its type names. No window
  // is made, so that the report can be written on any thread.
  int16_t printPending = 0, loopIndex = 0, innerIndex = 0;
  float savedX = 0, savedY = 0;
  const std::array<QString, 16> typeNames = Tavrek::DesignTypeNames();
  const auto typeName = [&typeNames](int code) {
    if (code >= 0 && code < static_cast<int>(typeNames.size())) return typeNames[static_cast<size_t>(code)];
    return QStringLiteral("??? ") + QString::number(code);
  };
  try {
    for (const std::string& name : tables) {
      std::shared_ptr<dao::Recordset> rs = db.OpenRecordset(name, dao::dbOpenTable);
      TableReport table(*pdf, ReportVariables{printPending, loopIndex, innerIndex, savedX, savedY}, typeName);
      table.Print(*rs, fileName);
      // The answer is always "No": the page stays open while it has room.
      if (!table.RoomLeft()) table.EndDocument();
      rs->Close();
    }
    if (printPending != 0) {
      pdf->EndDoc();
      printPending = 0;
    }
    pdf->Close();
  } catch (const forms::RuntimeError& e) {
    error = e.Description().toStdString();
    return false;
  }
  return true;
}

}  // namespace

bool WritePdf(dao::Database& db, const std::string& databaseFile, const std::string& output,
              const std::vector<std::string>& tables, std::string& error) {
  std::unique_ptr<QApplication> app;
  if (QCoreApplication::instance() == nullptr) {
    // A command-line tool: no window is ever shown.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tavrek-dump";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
  }
  std::vector<std::string> names = TablesToPrint(db, tables);
  if (names.empty()) {
    error = "nessuna tabella da stampare";
    return false;
  }
  const QString out = QString::fromStdString(output);
  const QString fileName = QFileInfo(QString::fromStdString(databaseFile)).absoluteFilePath();
  bool written = false;
  try {
    written = Report(db, fileName, out, names, error);
  } catch (...) {
    QFile::remove(out);
    throw;
  }
  if (!written) QFile::remove(out);
  return written;
}

}  // namespace report
