// The About window: design, scaling at each opening, and closing by a click anywhere.
#include <QMainWindow>
#include <QtTest/QTest>
#include <functional>
#include <gtest/gtest.h>

#include "about/Info.h"
#include "app/Tavrek.h"
#include "forms/interaction.h"
#include "forms/screen.h"

namespace {

// What the About window looked like while it was on show.
struct Seen {
  float width = 0, height = 0;
  double fontSize[5] = {};
  float labelLeft[5] = {}, labelWidth[5] = {}, labelHeight[5] = {};
  float shapeWidth = 0, shapeHeight = 0;
};

class About : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted = std::make_shared<forms::ScriptedInteraction>();
    forms::SetInteraction(scripted);
  }
  void TearDown() override {
    forms::TheScreen().Reset();
    forms::SetInteraction(nullptr);
  }
  // Loads the main window on a screen of px by py pixels (it sets the screen values), then opens
  // "Info" and records what it shows; `close` closes it.
  Seen Open(Tavrek& main, const std::function<void(Info&)>& close = [](Info& i) { i.Unload(); }) {
    Seen seen;
    scripted->onModal = [&](forms::Form& f) {
      auto& info = static_cast<Info&>(f);
      seen.width = info.Width();
      seen.height = info.Height();
      for (int i = 0; i < 5; ++i) {
        seen.fontSize[i] = info.Label1(i).Font()->Size();
        seen.labelLeft[i] = info.Label1(i).Left();
        seen.labelWidth[i] = info.Label1(i).Width();
        seen.labelHeight[i] = info.Label1(i).Height();
      }
      seen.shapeWidth = info.Shape1.Width();
      seen.shapeHeight = info.Shape1.Height();
      close(info);
    };
    main.Inf.DoClick();
    return seen;
  }
  Tavrek& LoadedMain(int px, int py) {
    forms::TheScreen().Simulate(px, py);
    main_ = std::make_unique<Tavrek>();
    main_->Load();
    return *main_;
  }
  std::shared_ptr<forms::ScriptedInteraction> scripted;
  std::unique_ptr<Tavrek> main_;
};

TEST_F(About, Design) {
  Tavrek& main = LoadedMain(800, 600);
  (void)main;
  Info info;
  EXPECT_EQ(info.Caption(), QStringLiteral("Form1"));
  EXPECT_EQ(info.BackColor(), QColor(255, 255, 192));
  EXPECT_TRUE(info.window()->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(info.StartUpPosition(), forms::vbStartUpScreen);
  EXPECT_FLOAT_EQ(info.Width(), 5175);  // no border, no title bar
  EXPECT_FLOAT_EQ(info.Height(), 2310);
  EXPECT_EQ(info.Label1(0).Caption(), QStringLiteral("Tavrek"));
  EXPECT_EQ(info.Label1(1).Caption(), QStringLiteral("ver. 2.0.0"));
  EXPECT_TRUE(info.Label1(2).Caption().startsWith(QStringLiteral("by Brenvalo - ")));
  EXPECT_EQ(info.Label1(3).Caption().size(), 112);
  EXPECT_EQ(info.Label1(4).Caption().size(), 112);
  EXPECT_TRUE(info.Label1(3).WordWrap());
  EXPECT_FALSE(info.Label1(2).WordWrap());
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(info.Label1(i).AutoSize()) << i;
  // The notices wrap within their width: the second takes more lines than the first.
  EXPECT_FLOAT_EQ(info.Label1(3).Width(), 4620);
  EXPECT_GT(info.Label1(3).Height(), 1.5f * info.Label1(2).Height());
  EXPECT_GT(info.Label1(4).Height(), info.Label1(3).Height());
}

TEST_F(About, AtEightHundredTheVersionIsDrawnAtNinePoints) {
  Seen s = Open(LoadedMain(800, 600));
  EXPECT_FLOAT_EQ(s.width, 5175);
  EXPECT_FLOAT_EQ(s.height, 2310);
  EXPECT_DOUBLE_EQ(s.fontSize[0], 12);
  EXPECT_DOUBLE_EQ(s.fontSize[1], 9);
  EXPECT_DOUBLE_EQ(s.fontSize[3], 9);
  EXPECT_FLOAT_EQ(s.shapeWidth, 5175);
}

TEST_F(About, At640TheLabelsComeOutAtEightAndTheNameAtNine) {
  Seen s = Open(LoadedMain(640, 480));
  EXPECT_DOUBLE_EQ(s.fontSize[0], 9);
  for (int i = 1; i < 5; ++i) EXPECT_DOUBLE_EQ(s.fontSize[i], 8) << i;
  EXPECT_FLOAT_EQ(s.width, 4140);
  EXPECT_FLOAT_EQ(s.height, 1848);
  EXPECT_FLOAT_EQ(s.labelLeft[0], 288);
}

TEST_F(About, At1024TheNoticesKeepTheirWidthAndWrapMore) {
  Seen design = Open(LoadedMain(800, 600));
  Seen s = Open(LoadedMain(1024, 768));
  EXPECT_DOUBLE_EQ(s.fontSize[0], 15);
  EXPECT_DOUBLE_EQ(s.fontSize[1], 12);
  for (int i = 2; i < 5; ++i) EXPECT_DOUBLE_EQ(s.fontSize[i], 11) << i;
  EXPECT_FLOAT_EQ(s.labelWidth[3], 4620);
  EXPECT_FLOAT_EQ(s.labelWidth[4], 4620);
  EXPECT_GT(s.labelHeight[4], design.labelHeight[4]);
  EXPECT_FLOAT_EQ(s.shapeWidth, 6624);
  EXPECT_FLOAT_EQ(s.shapeHeight, 2937.6f);
}

TEST_F(About, ASecondOpeningIsScaledTheSame) {
  Tavrek& main = LoadedMain(1280, 1024);
  Seen first = Open(main);
  Seen second = Open(main);
  EXPECT_FLOAT_EQ(second.width, first.width);
  EXPECT_FLOAT_EQ(second.height, first.height);
  EXPECT_FLOAT_EQ(first.width, 8280);
  for (int i = 0; i < 5; ++i) {
    EXPECT_DOUBLE_EQ(second.fontSize[i], first.fontSize[i]) << i;
    EXPECT_FLOAT_EQ(second.labelLeft[i], first.labelLeft[i]) << i;
    EXPECT_FLOAT_EQ(second.labelHeight[i], first.labelHeight[i]) << i;
  }
  EXPECT_EQ(scripted->modalForms.size(), 2u);
}

TEST_F(About, AClickOnAnyLabelCloses) {
  Tavrek& main = LoadedMain(800, 600);
  for (int i = 0; i < 5; ++i) {
    bool closed = false;
    Open(main, [&](Info& info) {
      QTest::mouseClick(info.Label1(i).widget(), Qt::LeftButton, {}, QPoint(2, 2));
      closed = !info.IsLoaded();
    });
    EXPECT_TRUE(closed) << "label " << i;
  }
}

TEST_F(About, AClickOnTheFrameLineOrTheBackgroundCloses) {
  Tavrek& main = LoadedMain(800, 600);
  const QPoint onFrameLine(0, 20), onBackground(200, 150);
  for (QPoint p : {onFrameLine, onBackground}) {
    bool closed = false;
    Open(main, [&](Info& info) {
      QWidget* client = info.clientArea();
      // The frame takes no clicks: whatever is under the pointer there is the window itself.
      EXPECT_EQ(client->childAt(p), nullptr);
      QTest::mouseClick(client, Qt::LeftButton, {}, p);
      closed = !info.IsLoaded();
    });
    EXPECT_TRUE(closed) << p.x() << "," << p.y();
  }
}

TEST_F(About, AClickOnTheMainWindowDoesNotClose) {
  Tavrek& main = LoadedMain(800, 600);
  bool stillOpen = false;
  Open(main, [&](Info& info) {
    QTest::mouseClick(main.clientArea(), Qt::LeftButton, {}, QPoint(5, 5));
    stillOpen = info.IsLoaded();
    info.Unload();
  });
  EXPECT_TRUE(stillOpen);
}

}  // namespace
