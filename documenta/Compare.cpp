// "Confronta con…": the structure differences between the open database and a second one, as
// tavrek-dump --diff writes them, savable as text or JSON.
#include <QMainWindow>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Tavrek.h"
#include "documenta/Documenta.h"
#include "documenta/Parts.h"
#include "documenter/diff.h"
#include "documenter/output_file.h"
#include "forms/interaction.h"

namespace documenta {

QString Windows::Compare(const QString& file, const QString& password, bool ask) {
  if (main_.dbOpen != 1 || !main_.db) return QStringLiteral("nessun database aperto");
  const QFileInfo info(file);
  const std::string nameA = main_.db->Name();
  const std::string nameB = QFile::encodeName(info.absoluteFilePath()).toStdString();
  if (!info.isFile()) return QStringLiteral("Errore %1\n%2").arg(dao::kErrFileNotFound).arg(file);
  if (info.absoluteFilePath() == QFileInfo(Q(nameA)).absoluteFilePath())
    return QStringLiteral("lo stesso file del database aperto: ") + file;
  std::shared_ptr<dao::Database> b;
  QString typed = password;
  for (bool asked = false;;) {
    try {
      dao::DBEngine engine;
      b = engine.OpenDatabase(nameB, false, true,
                              typed.isEmpty() ? std::optional<std::string>()
                                              : std::optional<std::string>(";" + typed.toStdString()));
      break;
    } catch (const dao::Error& e) {
      if (e.Number() == dao::kErrBadPassword && ask && !asked) {
        typed = forms::PasswordBox(QStringLiteral("Immettere Password"), QStringLiteral("DATABASE PROTETTO"));
        asked = true;
        if (!typed.isEmpty()) continue;
      }
      return QStringLiteral("Errore %1\n%2").arg(e.Number()).arg(Q(e.Description()));
    }
  }
  std::vector<tavrek::doc::StructureChange> changes;
  try {
    changes = tavrek::doc::DiffStructure(*main_.db, *b, {});
  } catch (const dao::Error& e) {
    b->Close();
    return QStringLiteral("Errore %1\n%2").arg(e.Number()).arg(Q(e.Description()));
  }
  b->Close();
  const std::string text = tavrek::doc::DiffText(changes, nameA, nameB);
  const std::string json = tavrek::doc::DiffJson(changes, nameA, nameB);

  if (!compare_) {
    QWidget* w = NewWindow(main_.window(), QStringLiteral("FinestraConfronta"), QStringLiteral("Confronta"), 900, 600);
    auto* layout = new QVBoxLayout(w);
    auto* summary = new QLabel(w);
    summary->setObjectName(QStringLiteral("Sintesi"));
    summary->setWordWrap(true);
    auto* view = new QPlainTextEdit(w);
    view->setObjectName(QStringLiteral("Differenze"));
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QHBoxLayout;
    auto* again = new QPushButton(QStringLiteral("&Confronta con…"), w);
    auto* saveText = new QPushButton(QStringLiteral("Salva &testo…"), w);
    auto* saveJson = new QPushButton(QStringLiteral("Salva &JSON…"), w);
    buttons->addWidget(again);
    buttons->addStretch(1);
    buttons->addWidget(saveText);
    buttons->addWidget(saveJson);
    layout->addWidget(summary);
    layout->addWidget(view, 1);
    layout->addLayout(buttons);
    auto save = [w](const char* property, const QString& filter, const QString& suffix) {
      const QString file = QFileDialog::getSaveFileName(w, QStringLiteral("Salva le differenze"),
                                                        QStringLiteral("differenze.") + suffix, filter);
      if (file.isEmpty()) return;
      const QByteArray content = w->property(property).toByteArray();
      std::string error;
      if (!tavrek::doc::WriteFileAtomically(QFile::encodeName(file).toStdString(),
                                            std::string_view(content.constData(), static_cast<size_t>(content.size())), error))
        QMessageBox::warning(w, QStringLiteral("Confronta"), Q(error));
    };
    QObject::connect(saveText, &QPushButton::clicked, w,
                     [save] { save("diffText", QStringLiteral("Testo (*.txt)"), QStringLiteral("txt")); });
    QObject::connect(saveJson, &QPushButton::clicked, w,
                     [save] { save("diffJson", QStringLiteral("JSON (*.json)"), QStringLiteral("json")); });
    QObject::connect(again, &QPushButton::clicked, w, [this] { ShowCompare(); });
    compare_ = w;
  }
  compare_->setProperty("diffText", QByteArray::fromStdString(text));
  compare_->setProperty("diffJson", QByteArray::fromStdString(json));
  compare_->findChild<QPlainTextEdit*>(QStringLiteral("Differenze"))->setPlainText(Q(text));
  compare_->findChild<QLabel*>(QStringLiteral("Sintesi"))
      ->setText(changes.empty() ? QStringLiteral("Nessuna differenza di struttura tra %1 e %2.").arg(Q(nameA), Q(nameB))
                                : QStringLiteral("%1 differenze da %2 a %3.").arg(changes.size()).arg(Q(nameA), Q(nameB)));
  compare_->show();
  compare_->raise();
  compare_->activateWindow();
  return QString();
}

void Windows::ShowCompare() {
  const QString file = QFileDialog::getOpenFileName(main_.window(), QStringLiteral("Confronta con"),
                                                    QFileInfo(Q(main_.db->Name())).absolutePath(),
                                                    QStringLiteral("Access (*.mdb *.mde *.accdb *.accde);;Tutti (*)"));
  if (file.isEmpty()) return;
  const QString why = Compare(file, QString(), true);
  if (!why.isEmpty()) forms::MsgBox(QString(why).replace(QLatin1Char('\n'), QLatin1Char('\r')));
}

}  // namespace documenta
