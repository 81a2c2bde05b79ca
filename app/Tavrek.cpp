#include "app/Tavrek.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QWidget>

#include "app/TavrekIcon.h"
#include "documenta/Documenta.h"
#include "forms/failure.h"
#include "forms/interaction.h"
#include "forms/runtime_error.h"
#include "forms/screen.h"
#include "scaling/AutoSize.h"

using forms::Label;
using forms::ListBox;
using forms::MenuItem;

namespace {

struct LabelDesign {
  const char* caption;
  float left, top, width, height;
  bool boldWindowFont;  // Arial 9 bold; otherwise the window's font
};

constexpr LabelDesign kLabel1[5] = {
    {"Label1", 120, 120, 570, 225, true},
    {"Label1", 120, 480, 570, 225, true},
    {"X", 2400, 840, 105, 225, false},
    {"000", 3240, 840, 315, 225, false},
    {"X", 3960, 840, 105, 225, false},
};

}  // namespace

Tavrek::Tavrek()
    : forms::Form(QStringLiteral("Tavrek")),
      Apri(Add<MenuItem>(QStringLiteral("Apri"), QStringLiteral("&Apri Database"))),
      ApriTab(Add<MenuItem>(QStringLiteral("ApriTab"), QStringLiteral("Scegli &Tabella"))),
      ApriQuery(Add<MenuItem>(QStringLiteral("ApriQuery"), QStringLiteral("Scegli &Query"))),
      Stampa(Add<MenuItem>(QStringLiteral("Stampa"), QStringLiteral("&Stampa struttura"))),
      Esci(Add<MenuItem>(QStringLiteral("Esci"), QStringLiteral("&Esci"))),
      Inf(Add<MenuItem>(QStringLiteral("Inf"), QStringLiteral("&Info"))),
      List1(Add<ListBox>(QStringLiteral("List1"))),
      List2(Add<ListBox>(QStringLiteral("List2"))),
      CommonDialog1(Add<forms::CommonDialog>(QStringLiteral("CommonDialog1"))),
      Documenta(Add<MenuItem>(QStringLiteral("Documenta"), QStringLiteral("&Documenta"), MenuItem::Role::Heading)),
      Dettagli(Add<MenuItem>(QStringLiteral("Dettagli"), QStringLiteral("&Dettagli tabella…"), Documenta)),
      Relazioni(Add<MenuItem>(QStringLiteral("Relazioni"), QStringLiteral("&Relazioni…"), Documenta)),
      Applicazione(Add<MenuItem>(QStringLiteral("Applicazione"), QStringLiteral("&Applicazione…"), Documenta)),
      Esporta(Add<MenuItem>(QStringLiteral("Esporta"), QStringLiteral("&Esporta…"), Documenta)),
      Confronta(Add<MenuItem>(QStringLiteral("Confronta"), QStringLiteral("&Confronta con…"), Documenta)) {
  setCaption(QStringLiteral("STRUTTURA DB ACCESS by Brenvalo"));
  setBackColor(QColor(192, 255, 255));
  setFont(std::make_shared<forms::Font>(QStringLiteral("Arial"), 9.0));
  setIcon(TavrekIcon());
  setStartUpPosition(forms::vbStartUpManual);
  setClientSize(6000, 6405);
  setClientPosition(165, 630);

  ApriTab.setEnabled(false);
  ApriQuery.setEnabled(false);
  Stampa.setEnabled(false);
  Documenta.setEnabled(false);
  Apri.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  Stampa.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  Esci.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  Inf.setShortcut(QKeySequence(Qt::Key_F1));

  List1.Move(3720, 120, 2055, 1860);
  List1.setVisible(false);
  List2.Move(3480, 120, 2295, 1860);
  List2.setVisible(false);
  if (List1.widget() && List2.widget()) QWidget::setTabOrder(List1.widget(), List2.widget());

  for (int i = 0; i < 5; ++i) {
    const LabelDesign& d = kLabel1[i];
    Label& label = Add<Label>(QStringLiteral("Label1"), i);
    label1_[static_cast<size_t>(i)] = &label;
    label.setVisible(false);
    label.setBackColor(forms::SystemWindowColor());
    label.setForeColor(forms::SystemWindowTextColor());
    if (d.boldWindowFont) label.setFont(std::make_shared<forms::Font>(QStringLiteral("Arial"), 9.0, true));
    label.Move(d.left, d.top, d.width, d.height);
    label.setCaption(QString::fromLatin1(d.caption));
    label.setAutoSize(true);
  }

  CommonDialog1.DefaultExt = QStringLiteral("mdb");
  CommonDialog1.DialogTitle = QStringLiteral("APRI DATABASE");
  // Every kind of Access file the reader opens, and any file at all.
  CommonDialog1.Filter = QStringLiteral("Access|*.mdb;*.mde;*.accdb;*.accde|Tutti|*.*");

  Apri.Click = [this] { Apri_Click(); };
  ApriTab.Click = [this] { ApriTab_Click(); };
  ApriQuery.Click = [this] { ApriQuery_Click(); };
  Stampa.Click = [this] { Stampa_Click(); };
  Esci.Click = [this] { Esci_Click(); };
  Inf.Click = [this] { Inf_Click(); };
  Dettagli.Click = [this] { Dettagli_Click(); };
  Relazioni.Click = [this] { Relazioni_Click(); };
  Applicazione.Click = [this] { Applicazione_Click(); };
  Esporta.Click = [this] { Esporta_Click(); };
  Confronta.Click = [this] { Confronta_Click(); };
  List1.Click = [this] { List1_Click(); };
  List2.Click = [this] { List2_Click(); };
  // A database file dropped onto the window is opened as "Apri Database" would open it.
  FileDropped = [this](const QString& path) { OpenFile(path); };
}

Tavrek::~Tavrek() = default;

forms::Label& Tavrek::Label1(int index) { return *label1_.at(static_cast<size_t>(index)); }

void Tavrek::Form_Load() {
  forms::Screen& screen = forms::TheScreen();
  AutoSize::screenPixelsX = forms::CheckedDivide(screen.Width(), screen.TwipsPerPixelX());
  AutoSize::screenPixelsY = forms::CheckedDivide(screen.Height(), screen.TwipsPerPixelY());
  AutoSize::scaleTarget = this;
  AutoSize::ScaleToScreen();
  designHeight = Height();
  designWidth = Width();
  dbOpen = 0;
  rsOpen = 0;
  printPending = 0;
  typeNames = DesignTypeNames();
}

std::array<QString, 16> Tavrek::DesignTypeNames() {
  return {QStringLiteral("??? 0"), QStringLiteral("logico"), QStringLiteral("byte"),
          QStringLiteral("intero"), QStringLiteral("long"), QStringLiteral("valuta"),
          QStringLiteral("single"), QStringLiteral("double"), QStringLiteral("data"),
          QStringLiteral("??? 9"), QStringLiteral("testo"), QStringLiteral("OLE"),
          QStringLiteral("memo"), QStringLiteral("??? 13"), QStringLiteral("??? 14"),
          QStringLiteral("??? 15")};
}

QString Tavrek::TypeName(int code) const {
  if (code >= 0 && code < static_cast<int>(typeNames.size()) && !typeNames[static_cast<size_t>(code)].isEmpty())
    return typeNames[static_cast<size_t>(code)];
  return QStringLiteral("??? ") + QString::number(code);
}

dao::DBEngine& Tavrek::Engine() {
  if (!engine_) engine_ = engineFactory ? engineFactory() : std::make_unique<dao::DBEngine>();
  return *engine_;
}

void Tavrek::ApriTab_Click() {
  List1.setVisible(true);
  List2.setVisible(false);
}

void Tavrek::ApriQuery_Click() {
  List1.setVisible(false);
  List2.setVisible(true);
}

// Closing what is already closed does nothing (the engine's objects make Close idempotent).
void Tavrek::Esci_Click() {
  if (rsOpen == 1 && rs) rs->Close();
  if (dbOpen == 1 && db) db->Close();
  Unload();
}

// The dialog always answers with a full path; so do the command line and a dropped file, once
// made absolute.
void Tavrek::OpenFile(const QString& path) {
  const QFileInfo info(path);
  if (!info.isFile()) {
    Run([this, file = info.absoluteFilePath()] {
      try {
        Engine().OpenDatabase(QFile::encodeName(file).toStdString(), false, true)->Close();
      } catch (const dao::Error& e) {
        forms::MsgBox(forms::ErrorText(e.Number(), QString::fromStdString(e.Description())), forms::vbOKOnly);
      }
    });
    return;
  }
  CommonDialog1.PresetAnswer(info.absoluteFilePath());
  Run([this] { Apri_Click(); });
  CommonDialog1.ForgetPresetAnswer();
}

// The program ends with its main window.
void Tavrek::Form_Unload() { QCoreApplication::quit(); }
