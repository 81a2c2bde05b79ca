#include "forms/printer.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>

#include "forms/qt_printer.h"
#include "forms/runtime_error.h"

namespace forms {

namespace {

std::shared_ptr<Printer>& Current() {
  static std::shared_ptr<Printer> printer;
  return printer;
}

// When the program ends with a printed document still open, that document is ended, so that its
// pages reach the printer instead of being lost.
void EndOpenDocumentAtQuit() {
  auto* printer = dynamic_cast<PagePrinter*>(Current().get());
  if (printer == nullptr || !printer->DocumentOpen()) return;
  try {
    printer->EndDoc();
  } catch (const RuntimeError&) {
    // The program is going away; there is nobody left to tell.
  }
}

void WatchQuit() {
  static QPointer<QCoreApplication> watched;
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || watched == app) return;
  watched = app;
  QObject::connect(app, &QCoreApplication::aboutToQuit, app, &EndOpenDocumentAtQuit);
}

}  // namespace

Printer& ThePrinter() {
  WatchQuit();
  std::shared_ptr<Printer>& printer = Current();
  if (!printer) printer = QtPrinter::SystemDefault();
  return *printer;
}

void SetPrinter(std::shared_ptr<Printer> p) {
  WatchQuit();
  Current() = std::move(p);
}

}  // namespace forms
