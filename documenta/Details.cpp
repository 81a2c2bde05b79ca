// "Dettagli tabella…": everything the object model holds about one table, as rows of a sortable
// table (object, name, property, value).
#include <QMainWindow>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/Tavrek.h"
#include "documenta/Documenta.h"
#include "documenta/Parts.h"
#include "documenter/catalogue_support.h"
#include "documenter/dictionary.h"
#include "documenter/names.h"

namespace documenta {

namespace {

const QString kYes = QStringLiteral("Sì");
const QString kNo = QStringLiteral("No");
QString YesNo(bool b) { return b ? kYes : kNo; }

// The type in full, as Access's table design names it ("Decimal", "GUID", "Large Number",
// "Attachment", "Long, AutoNumber").
QString FullTypeName(const dao::Field& field) {
  switch (field.Type()) {
    case dao::dbBigInt: return QStringLiteral("Large Number");
    case dao::dbDateTimeExtended: return QStringLiteral("Date/Time Extended");
    default: return Q(tavrek::doc::FieldTypeText(field));
  }
}

// Italian labels of the stored properties the details name; the others keep their own names.
QString PropertyLabel(const std::string& name) {
  static const std::pair<const char*, const char*> kLabels[] = {
      {"Description", "Descrizione"},   {"Caption", "Etichetta"},
      {"Format", "Formato"},            {"InputMask", "Maschera di input"},
      {"RowSource", "Origine riga (ricerca)"}, {"RowSourceType", "Tipo origine riga"},
      {"DisplayControl", "Visualizza controllo"}, {"BoundColumn", "Colonna associata"},
      {"ColumnCount", "Numero colonne"}, {"DecimalPlaces", "Posizioni decimali"},
      {"ValidationRule", "Valido se"},  {"ValidationText", "Messaggio errore"},
      {"DefaultValue", "Valore predefinito"}};
  for (const auto& [n, label] : kLabels)
    if (name == n) return QString::fromUtf8(label);
  return Q(name);
}

// Properties shown from the field's own attributes, not again from the stored list.
bool ShownAsAttribute(const std::string& name) {
  for (const char* n : {"DefaultValue", "ValidationRule", "ValidationText", "Required", "AllowZeroLength"})
    if (name == n) return true;
  return false;
}

void AddProperties(TablePart& part, const QString& object, const QString& name, const dao::Properties& properties,
                   bool skipAttributes) {
  const tavrek::doc::Secrets secrets{false};
  for (const dao::Property& p : properties) {
    if (skipAttributes && ShownAsAttribute(p.Name())) continue;
    std::string value = tavrek::doc::PropertyText(p.Value());
    value = secrets.Text(p.Name(), value);
    part.addRow({object, name, PropertyLabel(p.Name()), Q(value)});
  }
}

void FillDetails(TablePart& part, dao::Database& db, const QString& tableName) {
  part.clear();
  const std::string wanted = tableName.toStdString();
  const dao::TableDef* def = nullptr;
  for (const dao::TableDef& t : db.TableDefs())
    if (t.Name() == wanted) def = &t;
  if (!def) return;
  const QString table = QStringLiteral("Tabella");
  const QString name = Q(def->Name());
  const tavrek::doc::Secrets secrets{false};
  part.addRow({table, name, QStringLiteral("Creata"), Q(tavrek::doc::DateText(def->DateCreated()))});
  part.addRow({table, name, QStringLiteral("Modificata"), Q(tavrek::doc::DateText(def->LastUpdated()))});
  part.addRow({table, name, QStringLiteral("Collegata"), YesNo(def->IsLinked())});
  if (def->IsLinked()) {
    part.addRow({table, name, QStringLiteral("Connessione"), Q(secrets.Connect(def->Connect()))});
    part.addRow({table, name, QStringLiteral("Tabella di origine"), Q(def->SourceTableName())});
  }
  AddProperties(part, table, name, def->Properties(), false);

  if (!def->IsLinked()) {
    std::shared_ptr<dao::Recordset> rs = db.OpenRecordset(def->Name(), dao::dbOpenTable);
    part.addRow({table, name, QStringLiteral("Record"), QString::number(rs->RecordCount())});
    const QString field = QStringLiteral("Campo");
    for (const dao::Field& f : rs->Fields()) {
      const QString fn = Q(f.Name());
      part.addRow({field, fn, QStringLiteral("Tipo"), FullTypeName(f)});
      part.addRow({field, fn, QStringLiteral("Codice DAO"), QString::number(f.Type())});
      part.addRow({field, fn, QStringLiteral("Dimensione"), QString::number(f.Size())});
      if (f.Type() == dao::dbDecimal && f.Precision() > 0) {
        part.addRow({field, fn, QStringLiteral("Precisione"), QString::number(f.Precision())});
        part.addRow({field, fn, QStringLiteral("Scala"), Q(tavrek::doc::DecimalScaleText(f.Scale()))});
      }
      part.addRow({field, fn, QStringLiteral("Richiesto"), YesNo(f.Required())});
      part.addRow({field, fn, QStringLiteral("Consenti lunghezza zero"), YesNo(f.AllowZeroLength())});
      part.addRow({field, fn, QStringLiteral("Valore predefinito"), Q(f.DefaultValue())});
      part.addRow({field, fn, QStringLiteral("Valido se"), Q(f.ValidationRule())});
      part.addRow({field, fn, QStringLiteral("Messaggio errore"), Q(f.ValidationText())});
      AddProperties(part, field, fn, f.Properties(), true);
    }
    const QString index = QStringLiteral("Indice");
    for (const dao::Index& ix : rs->Indexes()) {
      const QString in = Q(ix.Name());
      QStringList keys, descending;
      for (const dao::IndexField& k : ix.Fields()) {
        keys << Q(k.Name());
        if (k.Descending()) descending << Q(k.Name());
      }
      part.addRow({index, in, QStringLiteral("Campi"), keys.join(QStringLiteral(", "))});
      part.addRow({index, in, QStringLiteral("Primario"), YesNo(ix.Primary())});
      part.addRow({index, in, QStringLiteral("Univoco"), YesNo(ix.Unique())});
      part.addRow({index, in, QStringLiteral("Ignora Null"), YesNo(ix.IgnoreNulls())});
      part.addRow({index, in, QStringLiteral("Richiesto"), YesNo(ix.Required())});
      part.addRow({index, in, QStringLiteral("Esterno"), YesNo(ix.Foreign())});
      part.addRow({index, in, QStringLiteral("Chiavi decrescenti"),
                   descending.isEmpty() ? kNo : descending.join(QStringLiteral(", "))});
    }
    rs->Close();
  }

  const QString relation = QStringLiteral("Relazione");
  for (const dao::Relation& r : db.Relations()) {
    const bool outgoing = r.ForeignTable() == def->Name();
    const bool incoming = r.Table() == def->Name();
    if (!outgoing && !incoming) continue;
    const QString rn = Q(r.Name());
    QStringList pairs;
    for (const dao::Relation::Field& f : r.Fields()) pairs << Q(f.Name()) + QStringLiteral(" → ") + Q(f.ForeignName());
    const int32_t a = r.Attributes();
    part.addRow({relation, rn, QStringLiteral("Direzione"),
                 outgoing && incoming ? QStringLiteral("con sé stessa")
                 : outgoing           ? QStringLiteral("verso ") + Q(r.Table())
                                      : QStringLiteral("da ") + Q(r.ForeignTable())});
    part.addRow({relation, rn, QStringLiteral("Tabella primaria"), Q(r.Table())});
    part.addRow({relation, rn, QStringLiteral("Tabella correlata"), Q(r.ForeignTable())});
    part.addRow({relation, rn, QStringLiteral("Campi"), pairs.join(QStringLiteral(", "))});
    part.addRow({relation, rn, QStringLiteral("Cardinalità"), Q(tavrek::doc::Cardinality(r))});
    part.addRow({relation, rn, QStringLiteral("Integrità referenziale"), YesNo(!(a & dao::dbRelationDontEnforce))});
    part.addRow({relation, rn, QStringLiteral("Aggiornamento a catena"), YesNo(a & dao::dbRelationUpdateCascade)});
    part.addRow({relation, rn, QStringLiteral("Eliminazione a catena"), YesNo(a & dao::dbRelationDeleteCascade)});
    part.addRow({relation, rn, QStringLiteral("Attributi"), Q(tavrek::doc::RelationFlags(r))});
  }
  part.fitColumns();
}

}  // namespace

void Windows::ShowDetails() {
  if (!details_) {
    QWidget* w = NewWindow(main_.window(), QStringLiteral("FinestraDettagli"), QStringLiteral("Dettagli tabella"), 900, 640);
    auto* layout = new QVBoxLayout(w);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Tabella:"), w);
    auto* choice = new QComboBox(w);
    choice->setObjectName(QStringLiteral("Tabella"));
    // A long table name must not make the window wider than a small screen.
    choice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    choice->setMinimumContentsLength(20);
    label->setBuddy(choice);
    row->addWidget(label);
    row->addWidget(choice, 1);
    layout->addLayout(row);
    auto* part = new TablePart(QStringLiteral("Proprieta"),
                               {QStringLiteral("Oggetto"), QStringLiteral("Nome"), QStringLiteral("Proprietà"),
                                QStringLiteral("Valore")},
                               w);
    layout->addWidget(part, 1);
    for (const dao::TableDef& t : main_.db->TableDefs())
      if (Q(t.Name()).left(4) != QLatin1String("MSys")) choice->addItem(Q(t.Name()));
    Tavrek& main = main_;
    QObject::connect(choice, &QComboBox::currentTextChanged, w, [&main, part, w](const QString& name) {
      if (main.dbOpen != 1 || !main.db) return;
      w->setWindowTitle(QStringLiteral("Dettagli tabella: ") + name);
      main.Run([&main, part, name] { FillDetails(*part, *main.db, name); });
    });
    details_ = w;
  }
  auto* choice = details_->findChild<QComboBox*>(QStringLiteral("Tabella"));
  // The table on show in the main window, else the first one.
  QString shown;
  if (main_.rsOpen == 1 && main_.rs && main_.rs->IsOpen()) shown = Q(main_.rs->Name());
  else if (main_.List1.ListIndex() >= 0) shown = main_.List1.Text();
  const int at = shown.isEmpty() ? 0 : std::max(0, choice->findText(shown));
  if (choice->currentIndex() == at && choice->count() > 0) emit choice->currentTextChanged(choice->currentText());
  else choice->setCurrentIndex(at);
  details_->show();
  details_->raise();
  details_->activateWindow();
}

}  // namespace documenta
