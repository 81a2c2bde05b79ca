// tavrek-dump --pdf: the structure report of chosen tables in a PDF file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <sstream>

#include "tests/report/pdf_text.h"
#include "tools/dump.h"
#include "tools/pdf_module.h"

namespace reporttest {
namespace {

const QString kDatabase = QStringLiteral(TAVREK_TEST_DATA "/jet4/testV2000.mdb");

int RunDump(const QStringList& args, QString* err = nullptr) {
  QProcess dump;
  dump.start(QStringLiteral(TAVREK_DUMP_PATH), args);
  EXPECT_TRUE(dump.waitForFinished(60000));
  if (err) *err = QString::fromUtf8(dump.readAllStandardError());
  return dump.exitCode();
}

std::vector<QString> Headings(const std::vector<PdfWord>& words, int page) {
  std::vector<QString> names;
  for (size_t i = 0; i + 1 < words.size(); ++i)
    if (words[i].page == page && words[i].text == QStringLiteral("Tabella:")) names.push_back(words[i + 1].text);
  return names;
}

TEST(DumpPdf, NamedTablesInTheirOrderOnOnePage) {
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("struttura.pdf"));
  ASSERT_EQ(RunDump({kDatabase, QStringLiteral("--pdf"), out, QStringLiteral("--table"), QStringLiteral("Table3"),
                     QStringLiteral("--table"), QStringLiteral("Table1")}),
            0);
  std::vector<PdfWord> words = ReadPdfWords(out);
  EXPECT_EQ(PdfPageCount(words), 1);
  EXPECT_EQ(Headings(words, 1), (std::vector<QString>{QStringLiteral("Table3"), QStringLiteral("Table1")}));
  // One document: the file name heads it once.
  int fileLines = 0;
  for (const PdfWord& w : words) fileLines += w.text == kDatabase ? 1 : 0;
  EXPECT_EQ(fileLines, 1);
}

TEST(DumpPdf, AllUserTablesWhenNoneIsNamed) {
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("tutte.pdf"));
  ASSERT_EQ(RunDump({kDatabase, QStringLiteral("--pdf"), out}), 0);
  std::vector<PdfWord> words = ReadPdfWords(out);
  std::vector<QString> all;
  for (int page = 1; page <= PdfPageCount(words); ++page)
    for (const QString& name : Headings(words, page)) all.push_back(name);
  EXPECT_EQ(all, (std::vector<QString>{QStringLiteral("Table1"), QStringLiteral("Table2"),
                                       QStringLiteral("Table3"), QStringLiteral("Table4")}));
  for (const PdfWord& w : words) EXPECT_FALSE(w.text.startsWith(QStringLiteral("MSys")));
  // Table2's 89 fields run onto a second page.
  bool continued = false;
  for (size_t i = 0; i + 2 < words.size(); ++i)
    continued |= words[i].page == 2 && words[i].text == QStringLiteral("segue") &&
                 words[i + 2].text == QStringLiteral("Table2");
  EXPECT_TRUE(continued);
}

TEST(DumpPdf, UnknownTableIsAnEngineErrorAndLeavesOutAsItWas) {
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("niente.pdf"));
  const QStringList unknown{kDatabase,           QStringLiteral("--pdf"),   out, QStringLiteral("--table"),
                            QStringLiteral("Table1"), QStringLiteral("--table"), QStringLiteral("Nessuna")};
  QString err;
  EXPECT_EQ(RunDump(unknown, &err), 2);
  EXPECT_TRUE(err.contains(QStringLiteral("Errore 3265"))) << err.toStdString();
  EXPECT_FALSE(QFile::exists(out));

  // An existing OUT survives the failure whole.
  {
    QFile old(out);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("il PDF di ieri");
  }
  EXPECT_EQ(RunDump(unknown), 2);
  QFile kept(out);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("il PDF di ieri"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("niente.pdf")});
}

// OUT written as -o writes it: through a link to the file it names, keeping the file's mode.
TEST(DumpPdf, ThroughALinkTheFileIsWrittenAndKeepsItsMode) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("struttura.pdf"));
  const QString link = dir.filePath(QStringLiteral("ultimo.pdf"));
  {
    QFile old(file);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  }
  ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
  ASSERT_TRUE(QFile::link(QStringLiteral("struttura.pdf"), link));
  ASSERT_EQ(RunDump({kDatabase, QStringLiteral("--pdf"), link, QStringLiteral("--table"), QStringLiteral("Table3")}), 0);
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Headings(ReadPdfWords(file), 1), std::vector<QString>{QStringLiteral("Table3")});
}

TEST(DumpPdf, UnwritableOutputIsExitStatus3) {
  QString err;
  EXPECT_EQ(RunDump({kDatabase, QStringLiteral("--pdf"), QStringLiteral("/nessuna/cartella/x.pdf")}, &err), 3);
  EXPECT_TRUE(err.contains(QStringLiteral("/nessuna/cartella/x.pdf"))) << err.toStdString();
}

// The module is loaded only when it is this program's: its ABI string checked, its call present.
TEST(DumpPdf, ModuleOfAnotherBuildOrWithoutItsSymbolsIsRefusedWith3170) {
  EXPECT_NE(LoadPdfModule(TAVREK_PDF_MODULE_PATH, TAVREK_PDF_ABI), nullptr);
  struct Case {
    std::string path, abi, reason;
  };
  const std::vector<Case> cases = {
      {TAVREK_PDF_MODULE_PATH, "1.0.0-vecchio", "modulo di un'altra versione (" TAVREK_PDF_ABI},
      {"libc.so.6", TAVREK_PDF_ABI, "undefined symbol: tavrek_pdf_abi"},
      {"/nessuna/cartella/tavrek_pdf.so", TAVREK_PDF_ABI, "/nessuna/cartella/tavrek_pdf.so: cannot open"},
  };
  for (const Case& c : cases) {
    try {
      LoadPdfModule(c.path, c.abi);
      ADD_FAILURE() << c.path << " loaded";
    } catch (const dao::Error& e) {
      EXPECT_EQ(e.Number(), 3170);
      EXPECT_NE(e.Description().find(c.reason), std::string::npos) << e.Description();
    }
  }
}

TEST(DumpPdf, WithoutAWriterThePdfOptionIsUnavailable) {
  std::ostringstream out, err;
  int opened = 0;
  auto open = [&opened](const std::string&, const std::optional<std::string>&) -> std::shared_ptr<dao::Database> {
    ++opened;
    return nullptr;
  };
  EXPECT_EQ(tavrek::dump::Run({"a.mdb", "--pdf", "a.pdf"}, out, err, open), 1);
  EXPECT_NE(err.str().find("--pdf non disponibile"), std::string::npos) << err.str();
  EXPECT_EQ(opened, 0);
  EXPECT_EQ(tavrek::dump::Run({"a.mdb", "--table", "T"}, out, err, open), 1);
  EXPECT_EQ(opened, 0);
}

}  // namespace
}  // namespace reporttest
