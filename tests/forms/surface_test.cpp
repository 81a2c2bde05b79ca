// The drawing surface of a window: pen movement, what is kept, and what is shown.
#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QUrl>
#include <cmath>
#include <QWidget>
#include <gtest/gtest.h>

#include "forms/form.h"
#include "forms/screen.h"

namespace {

class Surface : public ::testing::Test {
 protected:
  Surface() : form(QStringLiteral("Surface")) {
    form.setFont(std::make_shared<forms::Font>(QStringLiteral("Arial"), 9.0));
    form.setBackColor(QColor(192, 255, 255));
    form.setClientSize(3000, 1500);
  }
  forms::Form form;
};

TEST_F(Surface, PrintContinuesOnTheLineAndPrintLineMovesToTheNext) {
  form.setCurrentX(120);
  form.setCurrentY(480);
  form.Print(QStringLiteral("Indici"));
  const float afterIndici = 120 + form.TextWidth(QStringLiteral("Indici"));
  EXPECT_FLOAT_EQ(form.CurrentX(), afterIndici);
  EXPECT_FLOAT_EQ(form.CurrentY(), 480);
  form.PrintLine(QStringLiteral("nessuno"));
  EXPECT_FLOAT_EQ(form.CurrentX(), 0);
  EXPECT_FLOAT_EQ(form.CurrentY(), 480 + form.TextHeight(QStringLiteral("0")));
  form.PrintLine();  // nothing drawn, one line down
  EXPECT_FLOAT_EQ(form.CurrentY(), 480 + 2 * form.TextHeight(QStringLiteral("0")));

  ASSERT_EQ(form.Drawn().size(), 2u);
  EXPECT_EQ(form.Drawn()[0].text, QStringLiteral("Indici"));
  EXPECT_FLOAT_EQ(form.Drawn()[0].x, 120);
  EXPECT_FLOAT_EQ(form.Drawn()[0].y, 480);
  EXPECT_EQ(form.Drawn()[1].text, QStringLiteral("nessuno"));
  EXPECT_FLOAT_EQ(form.Drawn()[1].x, afterIndici);
}

TEST_F(Surface, BoldIsRecordedAndMeasuredInBold) {
  const float regular = form.TextWidth(QStringLiteral("Indici Indici Indici"));
  form.setFontBold(true);
  const float bold = form.TextWidth(QStringLiteral("Indici Indici Indici"));
  form.Print(QStringLiteral("Indici"));
  form.setFontBold(false);
  form.Print(QStringLiteral("x"));
  EXPECT_GT(bold, regular);
  EXPECT_TRUE(form.Drawn()[0].bold);
  EXPECT_FALSE(form.Drawn()[1].bold);
}

TEST_F(Surface, TextMeasuresFollowTheFontInTwips) {
  // Arial 9 at 96 dpi: roughly 12 pixels per line, 180 twips.
  const float h = form.TextHeight(QStringLiteral("0"));
  EXPECT_GT(h, 150);
  EXPECT_LT(h, 260);
  EXPECT_FLOAT_EQ(form.TextWidth(QStringLiteral("000")), 3 * form.TextWidth(QStringLiteral("0")));
  EXPECT_FLOAT_EQ(form.TextWidth(QString()), 0);
}

TEST_F(Surface, ClsErasesAndResetsThePen) {
  form.setCurrentX(500);
  form.setCurrentY(700);
  form.PrintLine(QStringLiteral("testo"));
  form.Cls();
  EXPECT_TRUE(form.Drawn().empty());
  EXPECT_FLOAT_EQ(form.CurrentX(), 0);
  EXPECT_FLOAT_EQ(form.CurrentY(), 0);
}

// Count the pixels of a region that are not the background colour.
int InkIn(const QImage& img, QRect r, QColor back) {
  int ink = 0;
  r = r.intersected(img.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (img.pixelColor(x, y) != back) ++ink;
  return ink;
}

TEST_F(Surface, KeepsWhatIsDrawnBelowTheWindowAndShowsItWhenEnlarged) {
  form.Show();
  // Drawn below the bottom edge of the current client area (1500 twips).
  form.setCurrentX(150);
  form.setCurrentY(2400);
  form.PrintLine(QStringLiteral("riga sotto il bordo"));
  const int yPx = forms::Form::ToPixelsY(2400);
  // What the window shows: the scroll area's viewport over the surface.
  QWidget* view = form.scroller()->viewport();
  const QImage before = view->grab().toImage();
  EXPECT_LT(before.height(), yPx);

  form.setHeight(form.Height() + 2000);
  QApplication::processEvents();
  const QImage after = view->grab().toImage();
  ASSERT_GT(after.height(), yPx + 10);
  EXPECT_GT(InkIn(after, QRect(0, yPx, after.width(), 16), QColor(192, 255, 255)), 20);
  // Above the text, only the background.
  EXPECT_EQ(InkIn(after, QRect(0, yPx - 30, after.width(), 20), QColor(192, 255, 255)), 0);
  form.Unload();
}

TEST_F(Surface, ClientHeightIsOuterHeightLessTitleBordersAndMenu) {
  const float withoutMenu = form.Height() - form.ScaleHeight();
  EXPECT_GT(withoutMenu, 0);
  EXPECT_FLOAT_EQ(form.ScaleHeight(), 1500);
  // Growing the outer height by 300 grows the client height by the same.
  form.setHeight(form.Height() + 300);
  EXPECT_FLOAT_EQ(form.ScaleHeight(), 1800);
}

TEST_F(Surface, FractionalTwipsAreKept) {
  form.setWidth(4454.4f);
  form.setLeft(211.2f);
  EXPECT_FLOAT_EQ(form.Width(), 4454.4f);
  EXPECT_FLOAT_EQ(form.Left(), 211.2f);
}

TEST_F(Surface, ClientPositionNeverPutsTheWindowOffTheScreen) {
  form.setClientPosition(165, 630);
  EXPECT_GE(form.Left(), 0);
  EXPECT_FLOAT_EQ(form.Top(), 630 - (form.Height() - form.ScaleHeight() - 4 * 15));  // all but the bottom border
  form.setClientPosition(30, 60);
  EXPECT_FLOAT_EQ(form.Left(), 0);
  EXPECT_FLOAT_EQ(form.Top(), 0);
}

}  // namespace

namespace {

TEST_F(Surface, DrawingPastTheWindowIsReachedWithScrollBarsAtItsOwnPlace) {
  form.Show();
  QScrollArea* area = form.scroller();
  QApplication::processEvents();
  EXPECT_EQ(area->horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(area->verticalScrollBar()->maximum(), 0);

  // A text to the right of and below the client area (3000 x 1500 twips).
  form.setCurrentX(4500);
  form.setCurrentY(2400);
  form.PrintLine(QStringLiteral("lontano"));
  QApplication::processEvents();
  const QSize extent = form.DrawingExtent();
  EXPECT_EQ(extent.width(), static_cast<int>(std::ceil((4500 + form.TextWidth(QStringLiteral("lontano"))) / 15.0f)));
  EXPECT_GE(form.clientArea()->width(), extent.width());
  EXPECT_GE(form.clientArea()->height(), extent.height());
  EXPECT_GT(area->horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(area->verticalScrollBar()->maximum(), 0);

  // Scrolled to the end, the text is in view, at the surface position it was printed at.
  area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum());
  area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
  QApplication::processEvents();
  const QPoint onSurface(forms::Form::ToPixelsX(4500) + 2, forms::Form::ToPixelsY(2400) + 6);
  const QPoint inView = form.clientArea()->mapTo(area->viewport(), onSurface);
  EXPECT_TRUE(area->viewport()->rect().contains(inView));
  const QImage view = area->viewport()->grab().toImage();
  EXPECT_GT(InkIn(view, QRect(inView.x() - 2, inView.y() - 6, 40, 14), QColor(192, 255, 255)), 20);

  // Cls takes the scroll bars away with the drawing.
  form.Cls();
  QApplication::processEvents();
  EXPECT_EQ(form.DrawingExtent(), QSize(0, 0));
  EXPECT_EQ(area->horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(area->verticalScrollBar()->maximum(), 0);
  form.Unload();
}

// A local file dropped on a window that takes files reaches its handler once the drop is over;
// other data, and a window without a handler, take nothing.
TEST_F(Surface, DroppedLocalFileGoesToTheHandler) {
  form.Show();
  QStringList got;
  form.FileDropped = [&got](const QString& path) { got << path; };
  auto drop = [this](QMimeData& data) {
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.window(), &enter);
    QDropEvent e(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.window(), &e);
    QApplication::processEvents();
    return e.isAccepted();
  };
  QMimeData file, web;
  file.setUrls({QUrl::fromLocalFile(QStringLiteral("/dati/archivio.accdb"))});
  web.setUrls({QUrl(QStringLiteral("https://example.org/a.mdb"))});
  EXPECT_FALSE(drop(web));
  EXPECT_TRUE(got.isEmpty());
  EXPECT_TRUE(drop(file));
  EXPECT_EQ(got, QStringList{QStringLiteral("/dati/archivio.accdb")});

  form.FileDropped = nullptr;
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &file, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form.window(), &enter);
  EXPECT_FALSE(enter.isAccepted());
  form.Unload();
}

}  // namespace
