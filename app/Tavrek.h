// The main window: menu commands, the two catalogue lists, the labels that carry names and anchor
// the table view, and the state that every command shares.
//
// The handlers are defined beside the features they implement: Form_Load and the small commands
// in app/, Apri_Click in catalogue/OpenDatabase.cpp, List1_Click in catalogue/TableView.cpp,
// List2_Click in catalogue/QueryView.cpp, Stampa_Click in report/StructureReport.cpp, Inf_Click
// with the About window in about/.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/dao.h"
#include "forms/control.h"
#include "forms/form.h"

namespace documenta {
class Windows;
}

class Tavrek : public forms::Form {
 public:
  Tavrek();
  ~Tavrek() override;

  // --- Controls (design names).
  forms::MenuItem& Apri;
  forms::MenuItem& ApriTab;
  forms::MenuItem& ApriQuery;
  forms::MenuItem& Stampa;
  forms::MenuItem& Esci;
  forms::MenuItem& Inf;
  forms::ListBox& List1;
  forms::ListBox& List2;
  forms::Label& Label1(int index);
  forms::CommonDialog& CommonDialog1;
  // The "Documenta" menu: what the object model holds beyond the table view, and the exports.
  forms::MenuItem& Documenta;
  forms::MenuItem& Dettagli;
  forms::MenuItem& Relazioni;
  forms::MenuItem& Applicazione;
  forms::MenuItem& Esporta;
  forms::MenuItem& Confronta;

  // --- Shared state.
  std::shared_ptr<dao::Database> db;
  std::shared_ptr<dao::Recordset> rs;
  int16_t dbOpen = 0;
  int16_t rsOpen = 0;
  int16_t printPending = 0;
  float designHeight = 0;
  float designWidth = 0;
  std::array<QString, 16> typeNames;
  // The connect string the open database was opened with ("" or ";" + password): an export on
  // another thread opens the file again with it.
  std::string openConnect;
  // Working variables: every handler writes them before reading them.
  int16_t loopIndex = 0;
  int16_t innerIndex = 0;
  float savedX = 0;
  float savedY = 0;
  float columnOffset = 0;
  int16_t pageAnswer = 0;

  // The type names of the table view and the printed report, for codes 0..15.
  static std::array<QString, 16> DesignTypeNames();
  // The display name of a field type code: typeNames for 0..15, "??? " + code otherwise.
  QString TypeName(int code) const;

  // The engine, created on first use. Tests replace the factory before the first open.
  dao::DBEngine& Engine();
  std::function<std::unique_ptr<dao::DBEngine>()> engineFactory;

  // --- Handlers.
  void Form_Load() override;
  void Apri_Click();
  void ApriTab_Click();
  void ApriQuery_Click();
  void Stampa_Click();
  void Esci_Click();
  void Inf_Click();
  void List1_Click();
  void List2_Click();
  // Defined with the windows in documenta/.
  void Dettagli_Click();
  void Relazioni_Click();
  void Applicazione_Click();
  void Esporta_Click();
  void Confronta_Click();
  // Closes the windows of the "Documenta" menu (a new database replaces what they show).
  void CloseDocumentaWindows();
  // The windows of the "Documenta" menu, created on first use (documenta/Documenta.h).
  documenta::Windows& DocumentaWindows();

  // A file named on the command line or dropped onto the window: the steps of Apri_Click with
  // `path` as the dialog's answer, no dialog shown. It presets CommonDialog1's next answer
  // (CommonDialog::PresetAnswer) and runs Apri_Click, whose CommonDialog1.ShowOpen() then takes
  // the path without showing anything. The dialog only offers files that exist; a path that
  // names no ordinary file is reported as the engine reports it ("Errore 3024" and the rest),
  // with the message box "Apri Database" shows for a file it cannot open.
  void OpenFile(const QString& path);

 protected:
  void Form_Unload() override;

 private:
  std::array<forms::Label*, 5> label1_{};
  std::unique_ptr<dao::DBEngine> engine_;
  std::unique_ptr<documenta::Windows> documenta_;
};
