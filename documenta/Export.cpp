// "Esporta…": the outputs of tavrek-dump written from the window, each by the writer tavrek-dump
// calls, off the GUI thread on a database opened afresh for the purpose (the engine's objects
// belong to one thread).
#include <QMainWindow>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTemporaryFile>
#include <QThread>
#include <QTimer>

#include "app/Tavrek.h"
#include "documenta/Documenta.h"
#include "documenter/ddl.h"
#include "documenter/dictionary.h"
#include "documenter/html.h"
#include "documenter/json_document.h"
#include "documenter/markdown.h"
#include "documenter/output_file.h"
#include "documenter/sql_dialect.h"
#include "documenter/text_out.h"
#include "engine/dao.h"
#include "report/PdfReport.h"

namespace documenta {

const std::vector<ExportFormat>& ExportFormats() {
  static const std::vector<ExportFormat> formats = {
      {QStringLiteral("html"), QStringLiteral("Dizionario HTML"), QStringLiteral("html")},
      {QStringLiteral("markdown"), QStringLiteral("Dizionario Markdown"), QStringLiteral("md")},
      {QStringLiteral("pdf"), QStringLiteral("Struttura in PDF (tutte le tabelle)"), QStringLiteral("pdf")},
      {QStringLiteral("sqlite"), QStringLiteral("DDL per SQLite"), QStringLiteral("sql")},
      {QStringLiteral("postgresql"), QStringLiteral("DDL per PostgreSQL"), QStringLiteral("sql")},
      {QStringLiteral("mysql"), QStringLiteral("DDL per MySQL"), QStringLiteral("sql")},
      {QStringLiteral("json"), QStringLiteral("Documento JSON"), QStringLiteral("json")},
  };
  return formats;
}

const ExportFormat* FindExportFormat(const QString& keyOrTitle) {
  for (const ExportFormat& f : ExportFormats())
    if (f.key == keyOrTitle || f.title == keyOrTitle) return &f;
  return nullptr;
}

namespace {

// The PDF report writes its file itself: into a temporary file beside the output, then copied
// whole into place as the other outputs are.
bool WritePdfOutput(dao::Database& db, const std::string& path, const QString& output, std::string& error) {
  QTemporaryFile temporary(QFileInfo(output).absolutePath() + QStringLiteral("/.tavrek-XXXXXX.pdf"));
  if (!temporary.open()) {
    error = "impossibile creare un file in " + QFileInfo(output).absolutePath().toStdString();
    return false;
  }
  temporary.close();
  if (!report::WritePdf(db, path, temporary.fileName().toStdString(), {}, error)) return false;
  QFile written(temporary.fileName());
  if (!written.open(QIODevice::ReadOnly)) {
    error = "impossibile rileggere " + temporary.fileName().toStdString();
    return false;
  }
  const QByteArray bytes = written.readAll();
  return tavrek::doc::WriteFileAtomically(QFile::encodeName(output).toStdString(),
                                          std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), error);
}

}  // namespace

QString WriteExport(const ExportFormat& format, const std::string& path, const std::string& connect,
                    const QString& output, const std::shared_ptr<std::atomic<bool>>& cancelled) {
  std::shared_ptr<dao::Database> db;
  std::string error;
  try {
    dao::DBEngine engine;
    db = engine.OpenDatabase(path, false, true,
                             connect.empty() ? std::optional<std::string>() : std::optional<std::string>(connect));
    if (*cancelled) return QStringLiteral("annullato");
    std::string text;
    std::optional<tavrek::doc::TextOut> json;
    if (format.key == QLatin1String("pdf")) {
      const bool written = WritePdfOutput(*db, path, output, error);
      db->Close();
      return written ? QString() : QString::fromStdString(error);
    }
    if (format.key == QLatin1String("html") || format.key == QLatin1String("markdown")) {
      const tavrek::doc::Dictionary dictionary = tavrek::doc::ReadDictionary(*db);
      if (*cancelled) return QStringLiteral("annullato");
      text = format.key == QLatin1String("html") ? tavrek::doc::HtmlDictionary(dictionary, {false})
                                                  : tavrek::doc::MarkdownDictionary(dictionary, {false});
    } else if (format.key == QLatin1String("json")) {
      json.emplace(tavrek::doc::ExpectedJsonSize(*db));
      tavrek::doc::WriteJsonDocument(*json, *db, false);
    } else {
      const tavrek::doc::SqlDialect* dialect = tavrek::doc::FindSqlDialect(format.key.toStdString());
      if (!dialect) return QStringLiteral("formato sconosciuto: ") + format.key;
      text = tavrek::doc::WriteDdl(*db, *dialect, {});
    }
    db->Close();
    if (*cancelled) return QStringLiteral("annullato");
    if (!tavrek::doc::WriteFileAtomically(QFile::encodeName(output).toStdString(),
                                          json ? json->view() : std::string_view(text), error))
      return QString::fromStdString(error);
    return QString();
  } catch (const dao::Error& e) {
    if (db) db->Close();
    return QStringLiteral("Errore %1\n%2").arg(e.Number()).arg(QString::fromStdString(e.Description()));
  } catch (const tavrek::doc::DdlError& e) {
    if (db) db->Close();
    return QString::fromStdString(e.what());
  } catch (const std::exception& e) {
    if (db) db->Close();
    return QString::fromLocal8Bit(e.what());
  }
}

QString Windows::Export(const ExportFormat& format, const QString& output) {
  if (main_.dbOpen != 1 || !main_.db) return QStringLiteral("nessun database aperto");
  const std::string path = main_.db->Name();
  const std::string connect = main_.openConnect;
  auto cancelled = std::make_shared<std::atomic<bool>>(false);
  auto result = std::make_shared<QString>();
  QThread* worker = QThread::create([format, path, connect, output, cancelled, result] {
    *result = WriteExport(format, path, connect, output, cancelled);
  });
  workers_.push_back(worker);

  QProgressDialog progress(QStringLiteral("Esportazione in corso: %1…").arg(format.title), QStringLiteral("Annulla"),
                           0, 0, QApplication::activeWindow());
  progress.setWindowTitle(QStringLiteral("Esporta"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(400);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  QEventLoop loop;
  QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
  QObject::connect(&progress, &QProgressDialog::canceled, &loop, [&loop, cancelled] {
    *cancelled = true;
    loop.quit();
  });
  worker->start();
  loop.exec();
  // Closing the dialog would report a cancel of its own.
  QObject::disconnect(&progress, &QProgressDialog::canceled, nullptr, nullptr);
  progress.close();
  if (*cancelled) return QStringLiteral("annullato");
  worker->wait();
  return *result;
}

}  // namespace documenta

// --- The window

#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "documenta/Parts.h"

namespace documenta {

void Windows::ShowExport() {
  if (!export_) {
    QWidget* w = NewWindow(main_.window(), QStringLiteral("FinestraEsporta"), QStringLiteral("Esporta"), 460, 380);
    auto* layout = new QVBoxLayout(w);
    auto* label = new QLabel(QStringLiteral("&Formato:"), w);
    auto* list = new QListWidget(w);
    list->setObjectName(QStringLiteral("Formati"));
    label->setBuddy(list);
    for (const ExportFormat& f : ExportFormats()) list->addItem(f.title);
    list->setCurrentRow(0);
    auto* button = new QPushButton(QStringLiteral("&Esporta…"), w);
    button->setDefault(true);
    layout->addWidget(label);
    layout->addWidget(list, 1);
    layout->addWidget(button, 0, Qt::AlignRight);
    auto run = [this, list, w] {
      if (main_.dbOpen != 1 || !main_.db || !list->currentItem()) return;
      const ExportFormat* format = FindExportFormat(list->currentItem()->text());
      if (!format) return;
      const QFileInfo source(Q(main_.db->Name()));
      const QString suggested = source.absolutePath() + QLatin1Char('/') + source.completeBaseName() +
                                QLatin1Char('.') + format->suffix;
      QFileDialog dialog(w, QStringLiteral("Esporta: ") + format->title, suggested,
                         format->title + QStringLiteral(" (*.") + format->suffix + QLatin1Char(')'));
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setDefaultSuffix(format->suffix);
      if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
      const QString output = dialog.selectedFiles().front();
      const QString why = Export(*format, output);
      if (why == QLatin1String("annullato")) return;
      if (!why.isEmpty()) {
        QMessageBox::warning(w, QStringLiteral("Esporta"), QStringLiteral("Esportazione non riuscita:\n") + why);
        return;
      }
      QMessageBox ask(QMessageBox::Question, QStringLiteral("Esporta"),
                      QStringLiteral("Scritto %1.\nAprirlo con il programma predefinito?").arg(output),
                      QMessageBox::Yes | QMessageBox::No, w);
      ask.button(QMessageBox::Yes)->setText(QStringLiteral("Sì"));
      if (ask.exec() == QMessageBox::Yes) QDesktopServices::openUrl(QUrl::fromLocalFile(output));
    };
    QObject::connect(button, &QPushButton::clicked, w, run);
    QObject::connect(list, &QListWidget::itemDoubleClicked, w, run);
    export_ = w;
  }
  export_->show();
  export_->raise();
  export_->activateWindow();
}

}  // namespace documenta
