// AutoSize on the screen sizes the tool meets: 800x600 (design), 640x480, 1024x768, 1280x1024 and
// a 720-pixel-wide screen.
#include <QAction>
#include <QWidget>
#include <gtest/gtest.h>

#include "forms/control.h"
#include "forms/form.h"
#include "scaling/AutoSize.h"

namespace {

using forms::Kind;

// A window with one control of each treatment, at design values.
struct Design : forms::Form {
  Design() : forms::Form(QStringLiteral("Design")),
             menu(Add<forms::MenuItem>(QStringLiteral("Apri"), QStringLiteral("Apri Database"))),
             autoLabel(Add<forms::Label>(QStringLiteral("Auto"))),
             fixedLabel(Add<forms::Label>(QStringLiteral("Fisso"))),
             list(Add<forms::ListBox>(QStringLiteral("List2"))),
             text(Add<forms::GenericControl>(Kind::TextBox, QStringLiteral("Text1"))),
             shape(Add<forms::Shape>(QStringLiteral("Shape1"))),
             line(Add<forms::Line>(QStringLiteral("Line1"))),
             dialog(Add<forms::CommonDialog>(QStringLiteral("CommonDialog1"))),
             timer(Add<forms::GenericControl>(Kind::Timer, QStringLiteral("Timer1"))),
             frame(Add<forms::GenericControl>(Kind::Frame, QStringLiteral("Frame1"))),
             inFrame(Add<forms::GenericControl>(Kind::CommandButton, QStringLiteral("Command1"))) {
    setStartUpPosition(forms::vbStartUpManual);
    Move(300, 600, 6000, 6405);
    autoLabel.setFont(std::make_shared<forms::Font>(QStringLiteral("Arial"), 8.25));
    autoLabel.Move(120, 120, 570, 225);
    autoLabel.setCaption(QStringLiteral("Tabella"));
    autoLabel.setAutoSize(true);
    fixedLabel.setFont(std::make_shared<forms::Font>(QStringLiteral("Arial"), 9.75, true));
    fixedLabel.Move(1560, 270, 855, 240);
    fixedLabel.setCaption(QStringLiteral("ver. 2.0.0"));
    list.setFont(std::make_shared<forms::Font>(QStringLiteral("Arial"), 12));
    list.Move(3480, 120, 2295, 1860);
    text.setFont(std::make_shared<forms::Font>(QStringLiteral("Arial"), 9));
    text.Move(100, 3000, 1000, 300);
    shape.Move(0, 0, 5175, 2295);
    line.setX1(100);
    line.setY1(200);
    line.setX2(4100);
    line.setY2(200);
    timer.Move(100, 100, 420, 420);
    frame.setFont(std::make_shared<forms::Font>(QStringLiteral("Arial"), 9));
    frame.Move(2000, 3000, 3000, 1500);
    inFrame.setContainer(&frame);
    inFrame.Move(300, 600, 1200, 450);
  }
  void Move(float l, float t, float w, float h) {
    setLeft(l);
    setTop(t);
    setWidth(w);
    setHeight(h);
  }
  forms::MenuItem& menu;
  forms::Label& autoLabel;
  forms::Label& fixedLabel;
  forms::ListBox& list;
  forms::GenericControl& text;
  forms::Shape& shape;
  forms::Line& line;
  forms::CommonDialog& dialog;
  forms::GenericControl& timer;
  forms::GenericControl& frame;
  forms::GenericControl& inFrame;
};

void ScaleFor(forms::Form& f, float px, float py) {
  AutoSize::screenPixelsX = px;
  AutoSize::screenPixelsY = py;
  AutoSize::scaleTarget = &f;
  AutoSize::ScaleToScreen();
}

TEST(AutoSize, DesignScreenKeepsGeometryButDropsFontFractions) {
  Design d;
  ScaleFor(d, 800, 600);
  EXPECT_FLOAT_EQ(d.Width(), 6000);
  EXPECT_FLOAT_EQ(d.Height(), 6405);
  EXPECT_FLOAT_EQ(d.Left(), 300);
  EXPECT_FLOAT_EQ(d.list.Width(), 2295);
  EXPECT_DOUBLE_EQ(d.autoLabel.Font()->Size(), 8);   // 8.25
  EXPECT_DOUBLE_EQ(d.fixedLabel.Font()->Size(), 9);  // 9.75
  EXPECT_DOUBLE_EQ(d.text.Font()->Size(), 9);
  EXPECT_DOUBLE_EQ(d.list.Font()->Size(), 12);
  EXPECT_EQ(d.dialog.FontSize, 8);
}

TEST(AutoSize, At640FontsBelowEightAreRaisedToEight) {
  Design d;
  ScaleFor(d, 640, 480);
  EXPECT_DOUBLE_EQ(d.text.Font()->Size(), 8);        // 9 -> 7 -> 8
  EXPECT_DOUBLE_EQ(d.list.Font()->Size(), 9);        // 12 -> 9.6 -> 9
  EXPECT_DOUBLE_EQ(d.fixedLabel.Font()->Size(), 8);  // 9.75 -> 7 -> 8
  EXPECT_DOUBLE_EQ(d.autoLabel.Font()->Size(), 8);   // 8.25 -> 6 -> 8
  EXPECT_EQ(d.dialog.FontSize, 8);
  EXPECT_FLOAT_EQ(d.Width(), 4800);
  EXPECT_FLOAT_EQ(d.Height(), 5124);
  EXPECT_FLOAT_EQ(d.Top(), 480);
  EXPECT_FLOAT_EQ(d.Left(), 240);
}

TEST(AutoSize, At1024FontsFollowTheRatioTruncated) {
  Design d;
  ScaleFor(d, 1024, 768);
  EXPECT_DOUBLE_EQ(d.text.Font()->Size(), 11);        // 11.52
  EXPECT_DOUBLE_EQ(d.list.Font()->Size(), 15);        // 15.36
  EXPECT_DOUBLE_EQ(d.fixedLabel.Font()->Size(), 12);  // 12.48
  EXPECT_EQ(d.dialog.FontSize, 10);
  EXPECT_FLOAT_EQ(d.list.Left(), 4454.4f);
  EXPECT_FLOAT_EQ(d.list.Top(), 153.6f);
}

TEST(AutoSize, At1280x1024TheTwoRatiosApplyIndependently) {
  Design d;
  ScaleFor(d, 1280, 1024);
  EXPECT_FLOAT_EQ(d.list.Height(), 3174.4f);
  EXPECT_FLOAT_EQ(d.list.Width(), 3672);
  EXPECT_DOUBLE_EQ(d.text.Font()->Size(), 14);  // fonts follow 1.6
  EXPECT_EQ(d.dialog.FontSize, 12);
}

TEST(AutoSize, At720TheMinimumDoesNotApply) {
  Design d;
  ScaleFor(d, 720, 540);
  EXPECT_DOUBLE_EQ(d.autoLabel.Font()->Size(), 7);  // 8.25 * 0.9 = 7.425
  EXPECT_DOUBLE_EQ(d.text.Font()->Size(), 8);       // 8.1
  EXPECT_EQ(d.dialog.FontSize, 8);
}

TEST(AutoSize, DialogFontSizeAboveEightHundredIsAPointPerHundredPixels) {
  Design d;
  ScaleFor(d, 801, 600);
  EXPECT_EQ(d.dialog.FontSize, 8);
  Design e;
  ScaleFor(e, 1920, 1080);
  EXPECT_EQ(e.dialog.FontSize, 19);
}

TEST(AutoSize, AutoSizingLabelMovesButKeepsItsOwnSize) {
  Design d;
  ScaleFor(d, 1280, 1024);
  // Its size is that of its caption in the new font, not the old size times the ratios.
  forms::Form other(QStringLiteral("Confronto"));
  forms::Label& same = other.Add<forms::Label>(QStringLiteral("L"));
  same.setFont(std::make_shared<forms::Font>(QStringLiteral("Arial"), 13));  // 8.25 * 1.6 = 13.2
  same.setAutoSize(true);
  same.setCaption(QStringLiteral("Tabella"));
  EXPECT_FLOAT_EQ(d.autoLabel.Width(), same.Width());
  EXPECT_FLOAT_EQ(d.autoLabel.Height(), same.Height());
  EXPECT_FLOAT_EQ(d.autoLabel.Left(), 192);
  EXPECT_FLOAT_EQ(d.autoLabel.Top(), 204.8f);
  // A label that does not size itself is moved and resized.
  EXPECT_FLOAT_EQ(d.fixedLabel.Width(), 1368);
  EXPECT_FLOAT_EQ(d.fixedLabel.Height(), 409.6f);
}

TEST(AutoSize, OtherFontAndGeometryKindsAreAlwaysResized) {
  Design d;
  ScaleFor(d, 640, 480);
  EXPECT_FLOAT_EQ(d.text.Width(), 800);
  EXPECT_FLOAT_EQ(d.text.Height(), 240);
  EXPECT_FLOAT_EQ(d.shape.Width(), 4140);
  EXPECT_FLOAT_EQ(d.shape.Height(), 1836);
}

TEST(AutoSize, LineEndPointsOnly) {
  Design d;
  ScaleFor(d, 1024, 768);
  EXPECT_FLOAT_EQ(d.line.X1(), 128);
  EXPECT_FLOAT_EQ(d.line.Y1(), 256);
  EXPECT_FLOAT_EQ(d.line.X2(), 5248);
  EXPECT_FLOAT_EQ(d.line.Y2(), 256);
  EXPECT_FLOAT_EQ(d.line.Left(), 0);
  EXPECT_FLOAT_EQ(d.line.Width(), 0);
}

TEST(AutoSize, MenuEntriesTimersAndTheWindowFontAreUntouched) {
  Design d;
  d.menu.Move(10, 20, 30, 40);
  ScaleFor(d, 1280, 1024);
  EXPECT_FLOAT_EQ(d.menu.Left(), 10);
  EXPECT_FLOAT_EQ(d.menu.Height(), 40);
  EXPECT_EQ(d.menu.Action()->text(), QStringLiteral("Apri Database"));
  EXPECT_FLOAT_EQ(d.timer.Left(), 100);
  EXPECT_FLOAT_EQ(d.timer.Width(), 420);
  EXPECT_DOUBLE_EQ(d.Font()->Size(), 9);
}

TEST(AutoSize, MaximizedWindowKeepsSizeAndPositionButControlsScale) {
  Design d;
  d.setWindowState(forms::vbMaximized);
  ScaleFor(d, 1024, 768);
  EXPECT_FLOAT_EQ(d.Width(), 6000);
  EXPECT_FLOAT_EQ(d.Height(), 6405);
  EXPECT_FLOAT_EQ(d.Left(), 300);
  EXPECT_FLOAT_EQ(d.Top(), 600);
  EXPECT_FLOAT_EQ(d.list.Left(), 4454.4f);
}

TEST(AutoSize, CentredWindowChangesSizeOnly) {
  Design d;
  d.setStartUpPosition(forms::vbStartUpScreen);
  ScaleFor(d, 1024, 768);
  EXPECT_FLOAT_EQ(d.Left(), 300);
  EXPECT_FLOAT_EQ(d.Top(), 600);
  EXPECT_FLOAT_EQ(d.Width(), 7680);
  EXPECT_FLOAT_EQ(d.Height(), 8198.4f);
}

TEST(AutoSize, ControlsInAFrameKeepTheirPlaceWithinIt) {
  Design d;
  ScaleFor(d, 1280, 1024);
  EXPECT_FLOAT_EQ(d.inFrame.Left(), 480);
  EXPECT_FLOAT_EQ(d.inFrame.Top(), 1024);
  EXPECT_FLOAT_EQ(d.frame.Left(), 3200);
  // Relative place within the frame: same fraction of its size as at design.
  EXPECT_FLOAT_EQ(d.inFrame.Left() / d.frame.Width(), 300.0f / 3000.0f);
  EXPECT_EQ(d.inFrame.widget()->parentWidget(), d.frame.widget());
}

TEST(AutoSize, WorkFontRefersToTheLastScaledControlsFont) {
  Design d;
  ScaleFor(d, 1024, 768);
  EXPECT_EQ(AutoSize::workFont, d.inFrame.Font());
  EXPECT_EQ(AutoSize::scaleTarget, &d);
  AutoSize::workFont.reset();
}

}  // namespace
