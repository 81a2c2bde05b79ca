// The "Documenta" windows of the real program under Xvfb, driven by TAVREK_TEST_SCRIPT on real
// files, at 800 x 600 and at 1280 x 1024: what they show and save is checked against what
// tavrek-dump writes for the same files (the same writers, so the exports are byte for byte the
// same), and the screenshots show every window on the screen with its parts drawn.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include "tests/app/script_support.h"

namespace {

using scripttest::Ink;
using scripttest::LoadShot;
using scripttest::ReadAll;
using scripttest::Shot;

const QString kApp = QStringLiteral("asvnTest2003.mdb");         // relations, forms, reports, macros, modules
const QString kEncrypted = QStringLiteral("enc_vbaV2000.mdb");   // database password "1234567890"

// The windows and the part that must carry text in each.
const std::pair<const char*, const char*> kWindows[] = {{"FinestraDettagli", "Proprieta"},
                                                        {"FinestraRelazioni", "Diagramma"},
                                                        {"FinestraApplicazione", "Codice"},
                                                        {"FinestraEsporta", "Formati"},
                                                        {"FinestraConfronta", "Differenze"}};

QByteArray Dump(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(TAVREK_DUMP_PATH), args);
  p.waitForFinished(120000);
  return p.readAllStandardOutput();
}

class DocumentaScript : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!scripttest::HaveXvfb()) return;
    dir_ = new QTemporaryDir;
    ASSERT_TRUE(dir_->isValid());
    ASSERT_TRUE(QFile::copy(QStringLiteral(TAVREK_TEST_DATA_DIR "/app/asvnTest2003.mdb"), dir_->filePath(kApp)));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TAVREK_TEST_DATA_DIR "/encrypted/enc_vbaV2000.mdb"), dir_->filePath(kEncrypted)));
    const QString d = dir_->path();
    QStringList steps = {
        "menu ApriTab", "list List1 Details", "menu Documenta", "grab %1/menu-S.png",
        "menu Dettagli", "grab %1/dettagli-S.png", "save Proprieta %1/details.tsv",
        "list Tabella Currencies", "save Proprieta %1/currencies.tsv",
        "menu Relazioni", "grab %1/relazioni-S.png", "save Diagramma %1/rel.svg", "save Diagramma %1/rel.png",
        "save Diagramma %1/rel.pdf", "list Diagramma MasterTable",
        "menu Applicazione", "list Oggetti DateFunctions", "grab %1/applicazione-S.png",
        "save Codice %1/DateFunctions.txt", "save Oggetti %1/oggetti.tsv", "list Oggetti Details",
        "save UsatoDa %1/usato.tsv",
        "menu Esporta", "grab %1/esporta-S.png",
        "export html %1/x.html", "export markdown %1/x.md", "export pdf %1/x.pdf", "export sqlite %1/x.sqlite.sql",
        "export postgresql %1/x.postgresql.sql", "export mysql %1/x.mysql.sql", "export json %1/x.json",
        "compare %1/" + kEncrypted + " 1234567890", "grab %1/confronta-S.png", "save Differenze %1/diff.txt",
        "menu Esci"};
    for (const auto& [size, w, h] : {std::tuple{"small", 800, 600}, std::tuple{"large", 1280, 1024}}) {
      QString script = steps.join(QStringLiteral("; ")).arg(d);
      script.replace(QStringLiteral("-S.png"), QStringLiteral("-%1.png").arg(QString::fromLatin1(size)));
      const auto o = scripttest::RunScripted(QStringLiteral(TAVREK_PATH), {dir_->filePath(kApp)}, script, w, h, d);
      outcome_[QString::fromLatin1(size)] = {o.finished ? o.exitCode : -1, o.output.toStdString()};
    }
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (!dir_) GTEST_SKIP() << "xvfb-run is not installed";
    for (const auto& [size, o] : outcome_) ASSERT_EQ(o.first, 0) << size.toStdString() << ": " << o.second;
  }
  static QString Path(const QString& name) { return dir_->filePath(name); }
  static QString Text(const QString& name) { return QString::fromUtf8(ReadAll(Path(name))); }
  static QJsonObject DumpJson() {
    return QJsonDocument::fromJson(Dump({QStringLiteral("--json"), Path(kApp)})).object();
  }
  // The rows of a saved table, each split into its cells; the header first.
  static std::vector<QStringList> Rows(const QString& name) {
    std::vector<QStringList> rows;
    for (const QString& line : Text(name).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) rows.push_back(line.split(QLatin1Char('\t')));
    return rows;
  }

  static QTemporaryDir* dir_;
  static std::map<QString, std::pair<int, std::string>> outcome_;
};

QTemporaryDir* DocumentaScript::dir_ = nullptr;
std::map<QString, std::pair<int, std::string>> DocumentaScript::outcome_;

TEST_F(DocumentaScript, ExportsAreWhatTavrekDumpWrites) {
  const std::pair<const char*, QStringList> cases[] = {
      {"x.html", {"--html"}},
      {"x.md", {"--markdown"}},
      {"x.json", {"--json"}},
      {"x.sqlite.sql", {"--ddl", "sqlite"}},
      {"x.postgresql.sql", {"--ddl", "postgresql"}},
      {"x.mysql.sql", {"--ddl", "mysql"}},
  };
  for (const auto& [file, options] : cases) {
    const QByteArray exported = ReadAll(Path(QString::fromLatin1(file)));
    ASSERT_FALSE(exported.isEmpty()) << file;
    EXPECT_EQ(exported, Dump(QStringList(options) << Path(kApp))) << file;
  }
  // The PDF report: the same pages of text as tavrek-dump --pdf (the files differ in their dates).
  const QString dumped = Path(QStringLiteral("dump.pdf"));
  Dump({Path(kApp), QStringLiteral("--pdf"), dumped});
  ASSERT_TRUE(ReadAll(Path(QStringLiteral("x.pdf"))).startsWith("%PDF"));
  if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) GTEST_SKIP() << "no pdftotext";
  auto text = [](const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished();
    return p.readAllStandardOutput();
  };
  const QByteArray fromWindow = text(Path(QStringLiteral("x.pdf")));
  EXPECT_GT(fromWindow.size(), 100);
  EXPECT_EQ(fromWindow, text(dumped));
}

TEST_F(DocumentaScript, ComparisonWithAnEncryptedFileIsTavrekDumpDiff) {
  const QByteArray shown = ReadAll(Path(QStringLiteral("diff.txt")));
  const QByteArray dumped = Dump({QStringLiteral("--diff"), Path(kApp), Path(kEncrypted), QStringLiteral("--password-b"),
                                  QStringLiteral("1234567890")});
  ASSERT_FALSE(dumped.isEmpty());
  EXPECT_EQ(shown, dumped);
  EXPECT_FALSE(shown.contains("1234567890"));
}

// Every field, index and relation of the table, with what tavrek-dump --json says of them.
TEST_F(DocumentaScript, DetailsListEveryFieldIndexAndRelation) {
  const QJsonObject doc = DumpJson();
  for (const QString& table : {QStringLiteral("Details"), QStringLiteral("Currencies")}) {
    const std::vector<QStringList> rows = Rows(table.toLower() + QStringLiteral(".tsv"));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], (QStringList{QStringLiteral("Oggetto"), QStringLiteral("Nome"), QStringLiteral("Proprietà"),
                                    QStringLiteral("Valore")}));
    QSet<QString> lines;
    for (const QStringList& r : rows) lines.insert(r.join(QLatin1Char('\t')));
    auto has = [&](const QStringList& cells) {
      EXPECT_TRUE(lines.contains(cells.join(QLatin1Char('\t')))) << table.toStdString() << ": " << cells.join(QLatin1Char('|')).toStdString();
    };
    auto yesNo = [](bool b) { return b ? QStringLiteral("Sì") : QStringLiteral("No"); };
    QJsonObject t;
    for (const QJsonValue v : doc[QStringLiteral("tables")].toArray())
      if (v[QStringLiteral("name")].toString() == table) t = v.toObject();
    ASSERT_FALSE(t.isEmpty());
    has({QStringLiteral("Tabella"), table, QStringLiteral("Record"), QString::number(t[QStringLiteral("recordCount")].toInt())});
    int fields = 0;
    for (const QJsonValue f : t[QStringLiteral("fields")].toArray()) {
      const QString name = f[QStringLiteral("name")].toString();
      has({QStringLiteral("Campo"), name, QStringLiteral("Dimensione"), QString::number(f[QStringLiteral("size")].toInt())});
      has({QStringLiteral("Campo"), name, QStringLiteral("Richiesto"), yesNo(f[QStringLiteral("required")].toBool())});
      has({QStringLiteral("Campo"), name, QStringLiteral("Consenti lunghezza zero"), yesNo(f[QStringLiteral("allowZeroLength")].toBool())});
      const QJsonObject props = f[QStringLiteral("properties")].toObject();
      if (props.contains(QStringLiteral("Description")))
        has({QStringLiteral("Campo"), name, QStringLiteral("Descrizione"), props[QStringLiteral("Description")].toString()});
      ++fields;
    }
    EXPECT_GT(fields, 0);
    for (const QJsonValue ix : t[QStringLiteral("indexes")].toArray()) {
      const QString name = ix[QStringLiteral("name")].toString();
      QStringList keys;
      for (const QJsonValue k : ix[QStringLiteral("fields")].toArray()) keys << k.toString();
      has({QStringLiteral("Indice"), name, QStringLiteral("Campi"), keys.join(QStringLiteral(", "))});
      has({QStringLiteral("Indice"), name, QStringLiteral("Primario"), yesNo(ix[QStringLiteral("primary")].toBool())});
      has({QStringLiteral("Indice"), name, QStringLiteral("Univoco"), yesNo(ix[QStringLiteral("unique")].toBool())});
      has({QStringLiteral("Indice"), name, QStringLiteral("Esterno"), yesNo(ix[QStringLiteral("foreign")].toBool())});
    }
    int relations = 0;
    for (const QJsonValue r : doc[QStringLiteral("relations")].toArray()) {
      if (r[QStringLiteral("table")].toString() != table && r[QStringLiteral("foreignTable")].toString() != table) continue;
      const QString name = r[QStringLiteral("name")].toString();
      has({QStringLiteral("Relazione"), name, QStringLiteral("Tabella primaria"), r[QStringLiteral("table")].toString()});
      has({QStringLiteral("Relazione"), name, QStringLiteral("Tabella correlata"), r[QStringLiteral("foreignTable")].toString()});
      has({QStringLiteral("Relazione"), name, QStringLiteral("Integrità referenziale"),
           yesNo(!(r[QStringLiteral("attributes")].toInt() & 2))});
      ++relations;
    }
    EXPECT_GT(relations, 0) << table.toStdString();
  }
}

// The tree holds every form, report, macro and module; a module's code is its VBA source; a form
// is linked to the tables the cross-reference says it names.
TEST_F(DocumentaScript, ApplicationTreeCodeAndUses) {
  const QJsonObject doc = DumpJson();
  const QJsonObject containers = doc[QStringLiteral("containers")].toObject();
  const QString tree = Text(QStringLiteral("oggetti.tsv"));
  int objects = 0;
  for (const QString& group : {QStringLiteral("forms"), QStringLiteral("reports"), QStringLiteral("macros"), QStringLiteral("modules")})
    for (const QJsonValue o : containers[group].toArray()) {
      EXPECT_TRUE(tree.contains(QStringLiteral("\n\t") + o[QStringLiteral("name")].toString() + QLatin1Char('\t')))
          << o[QStringLiteral("name")].toString().toStdString();
      ++objects;
    }
  EXPECT_GE(objects, 7);
  QString source;
  for (const QJsonValue m : containers[QStringLiteral("modules")].toArray())
    if (m[QStringLiteral("name")].toString() == QStringLiteral("DateFunctions")) source = m[QStringLiteral("source")].toString();
  ASSERT_FALSE(source.isEmpty());
  source.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  EXPECT_EQ(Text(QStringLiteral("DateFunctions.txt")), source);

  QSet<QString> expected, shown;
  for (const QJsonValue e : doc[QStringLiteral("references")].toArray())
    for (const QJsonValue u : e[QStringLiteral("usedBy")].toArray())
      if (u[QStringLiteral("kind")].toString() == QStringLiteral("form") && u[QStringLiteral("name")].toString() == QStringLiteral("Details"))
        expected.insert(e[QStringLiteral("name")].toString());
  for (const QStringList& r : Rows(QStringLiteral("usato.tsv")))
    if (r.size() == 4 && r[0] == QStringLiteral("usa")) shown.insert(r[2]);
  EXPECT_FALSE(expected.isEmpty());
  EXPECT_EQ(shown, expected);
}

TEST_F(DocumentaScript, DiagramSavesAsSvgPngAndPdf) {
  QSvgRenderer svg(Path(QStringLiteral("rel.svg")));
  ASSERT_TRUE(svg.isValid());
  const QByteArray text = ReadAll(Path(QStringLiteral("rel.svg")));
  for (const char* table : {"MasterTable", "Details", "Currencies"}) EXPECT_TRUE(text.contains(table)) << table;
  const QImage png(Path(QStringLiteral("rel.png")));
  ASSERT_FALSE(png.isNull());
  EXPECT_GT(Ink(png, png.rect()), 500);
  EXPECT_TRUE(ReadAll(Path(QStringLiteral("rel.pdf"))).startsWith("%PDF"));
}

// At both sizes every window is on the screen whole, and its main part is drawn with text in it.
TEST_F(DocumentaScript, WindowsFitTheScreenWithTheirPartsDrawn) {
  for (const char* size : {"small", "large"}) {
    for (const auto& [window, part] : kWindows) {
      QString shot = QString::fromLatin1(window).mid(8).toLower();
      const Shot s = LoadShot(Path(QStringLiteral("%1-%2.png").arg(shot, QString::fromLatin1(size))));
      ASSERT_FALSE(s.image.isNull()) << window << " " << size;
      const QRect screen = s.parts.value(QStringLiteral("screen"));
      const QRect w = s.parts.value(QString::fromLatin1(window)), p = s.parts.value(QString::fromLatin1(part));
      ASSERT_FALSE(w.isEmpty()) << window << " " << size;
      ASSERT_FALSE(p.isEmpty()) << part << " " << size;
      EXPECT_TRUE(screen.contains(w)) << window << " " << size;
      EXPECT_TRUE(w.contains(p)) << part << " " << size;
      // Usable: the main part takes most of the window, and shows text.
      EXPECT_GT(p.width() * p.height(), w.width() * w.height() / 4) << part << " " << size;
      EXPECT_GT(Ink(s.image, p), 200) << part << " " << size;
    }
  }
}

// A command that cannot be carried out ends the program at once with a line saying why; a dialog
// nobody answers ends it too, instead of hanging.
TEST_F(DocumentaScript, ScriptErrorsEndTheProgramWithAReason) {
  const std::pair<const char*, const char*> cases[] = {
      {"menu Applicazione; list Oggetti NonEsiste", "no entry NonEsiste in Oggetti"},
      {"save Inesistente %1/x.txt", "no part Inesistente"},
      {"export rtf %1/x.rtf", "unknown export format rtf"},
      {"compare %1/manca.mdb", "compare"},
      {"menu Apri", "a dialog waits for an answer"},
  };
  for (const auto& [script, message] : cases) {
    const auto o = scripttest::RunScripted(QStringLiteral(TAVREK_PATH), {Path(kApp)},
                                           QString::fromLatin1(script).replace(QStringLiteral("%1"), dir_->path()), 800, 600, dir_->path(), 60);
    ASSERT_TRUE(o.finished) << script;
    EXPECT_EQ(o.exitCode, 3) << script << "\n" << o.output.toStdString();
    EXPECT_TRUE(o.output.contains(QString::fromLatin1(message))) << script << "\n" << o.output.toStdString();
  }
}

}  // namespace
