// The real program on a real X server (Xvfb, 800 x 600): a database with a table of 89 fields is
// opened from the command line, the table list shown, the table drawn and scrolled to its end;
// the screenshots prove what the user sees. Each screenshot comes with the places of the window's
// parts on the screen (TAVREK_TEST_SCRIPT's "grab" writes them), which say where to look.
#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "tests/app/script_support.h"

namespace {

// The background of the main window, RGB(192, 255, 255).
const QColor kBack(192, 255, 255);

using scripttest::Ink;
using scripttest::Shot;
Shot Load(const QString& png) { return scripttest::LoadShot(png); }

// Pixels of `r` whose colour differs from `c`.
int Differing(const QImage& img, QRect r, QColor c) {
  int n = 0;
  r = r.intersected(img.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (img.pixelColor(x, y) != c) ++n;
  return n;
}

class Screenshot : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty()) return;
    dir_ = new QTemporaryDir;
    ASSERT_TRUE(dir_->isValid());
    const QString script = QStringLiteral(
                               "menu ApriTab; grab %1/list.png; list List1 Table2; grab %1/table.png; "
                               "scroll end; grab %1/end.png; menu Esci")
                               .arg(dir_->path());
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));  // the real X11 platform, on Xvfb
    env.insert(QStringLiteral("TAVREK_TEST_SCRIPT"), script);
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    // The database sits in a folder with a long name, so that its full path (the bold label)
    // always reaches under the list, wherever the tests are run from. The file is named by a
    // relative path, as a user would type it.
    const QString folder = QStringLiteral("archivio dei database della contabilita di esempio");
    ASSERT_TRUE(QDir(dir_->path()).mkpath(folder));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TAVREK_TEST_DATA_DIR "/jet4/testV2000.mdb"),
                            dir_->filePath(folder + QStringLiteral("/testV2000.mdb"))));
    p.setWorkingDirectory(dir_->path());
    p.start(QStringLiteral("xvfb-run"), {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 800x600x24"),
                                        QStringLiteral(TAVREK_PATH), folder + QStringLiteral("/testV2000.mdb")});
    ASSERT_TRUE(p.waitForFinished(180000)) << "tavrek under Xvfb did not end";
    output_ = QString::fromLocal8Bit(p.readAll()).toStdString();
    exitCode_ = p.exitCode();
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (!dir_) GTEST_SKIP() << "xvfb-run is not installed";
    ASSERT_EQ(exitCode_, 0) << output_;
  }
  static Shot Get(const char* name) { return Load(dir_->filePath(QString::fromLatin1(name))); }

  static QTemporaryDir* dir_;
  static std::string output_;
  static int exitCode_;
};

QTemporaryDir* Screenshot::dir_ = nullptr;
std::string Screenshot::output_;
int Screenshot::exitCode_ = -1;

TEST_F(Screenshot, TheTableListStandsOverTheDatabaseName) {
  const Shot s = Get("list.png");
  ASSERT_FALSE(s.image.isNull());
  ASSERT_TRUE(s.parts.contains(QStringLiteral("List1")));
  ASSERT_TRUE(s.parts.contains(QStringLiteral("Label1(0)")));
  const QRect list = s.parts[QStringLiteral("List1")], label = s.parts[QStringLiteral("Label1(0)")];
  // The full path of the database is longer than the room left of the list: they overlap.
  const QRect overlap = list.intersected(label);
  ASSERT_FALSE(overlap.isEmpty()) << "the label does not reach under the list in this case";

  // Left of the list the name is drawn (bold black text)...
  EXPECT_GT(Ink(s.image, QRect(label.left(), label.top(), list.left() - label.left(), label.height())), 50);
  // ...where they overlap, the list's left border runs unbroken over the label's rows, exactly as
  // further down where there is no label.
  const int x = list.left();
  for (int dy = 0; dy < overlap.height(); ++dy) {
    const int y = overlap.top() + dy;
    EXPECT_EQ(s.image.pixel(x, y), s.image.pixel(x, list.top() + list.height() / 2)) << "row " << y;
  }
  // ...and the first entry is readable: the list's own text in its first row, the same as the
  // second row's amount of ink within a margin (Table1 and Table2 differ by one digit).
  const int row = 14;
  const int first = Ink(s.image, QRect(list.left() + 2, list.top() + 2, list.width() - 4, row));
  const int second = Ink(s.image, QRect(list.left() + 2, list.top() + 2 + row, list.width() - 4, row));
  EXPECT_GT(first, 20);
  EXPECT_NEAR(first, second, second / 3 + 5);
}

TEST_F(Screenshot, ManyFieldsKeepTheWindowOnTheScreenWithAScrollBar) {
  const Shot s = Get("table.png");
  ASSERT_FALSE(s.image.isNull());
  const QRect screen = s.parts[QStringLiteral("screen")], window = s.parts[QStringLiteral("window")];
  ASSERT_FALSE(window.isEmpty());
  EXPECT_TRUE(screen.contains(window)) << "window " << window.x() << "," << window.y() << " "
                                       << window.width() << "x" << window.height();
  // 89 fields at 800 x 600 need four columns, wider than the screen: the horizontal scroll bar
  // is shown, on the screen, and drawn (not the window's background).
  ASSERT_TRUE(s.parts.contains(QStringLiteral("hscroll")));
  const QRect bar = s.parts[QStringLiteral("hscroll")];
  EXPECT_TRUE(screen.contains(bar));
  EXPECT_GT(Differing(s.image, bar, kBack), bar.width() * bar.height() * 9 / 10);
  // The viewport's background is the window's colour, with the field rows drawn across it.
  const QRect view = s.parts[QStringLiteral("viewport")];
  EXPECT_GT(Ink(s.image, view), 5000);
}

TEST_F(Screenshot, ScrollingToTheEndShowsTheLastColumn) {
  const Shot before = Get("table.png"), after = Get("end.png");
  ASSERT_FALSE(after.image.isNull());
  const QRect view = after.parts[QStringLiteral("viewport")];
  ASSERT_FALSE(view.isEmpty());
  // The scrolled view differs from the first one, and its right part carries text: the fourth
  // column, which did not fit beside the first three.
  const QRect right(view.right() - view.width() / 4, view.top(), view.width() / 4, view.height());
  EXPECT_NE(before.image.copy(view), after.image.copy(view));
  EXPECT_GT(Ink(after.image, right), 300);
}

}  // namespace
