#include "about/Info.h"

#include "app/Tavrek.h"
#include "scaling/AutoSize.h"

using forms::Label;

namespace {

struct LabelDesign {
  const char* text;
  float left, top, width, height;
  double fontSize;
  bool bold;
  bool wordWrap;
};

// Each notice is one sentence of 112 characters.
constexpr LabelDesign kLabel1[5] = {
    {"Tavrek", 360, 240, 810, 285, 12, true, false},
    {"ver. 2.0.0", 1560, 270, 855, 240, 9.75, true, false},
    {"by Brenvalo - www.brenvalo.example", 360, 600, 4560, 225, 9, true, false},
    {"This program may be used and copied freely, provided it is passed on whole, and with this notice left unchanged.",
     360, 960, 4620, 450, 9, false, true},
    {"It is distributed without warranty; responsibility for consequences, foreseeable or unforeseeable, rests on you.",
     360, 1440, 4620, 675, 9, false, true},
};

}  // namespace

Info::Info() : forms::Form(QStringLiteral("Info"), /*borderless=*/true), Shape1(Add<forms::Shape>(QStringLiteral("Shape1"))) {
  setCaption(QStringLiteral("Form1"));
  setBackColor(QColor(255, 255, 192));
  setFont(std::make_shared<forms::Font>(QStringLiteral("Arial"), 9.0));
  setStartUpPosition(forms::vbStartUpScreen);
  setClientSize(5175, 2310);

  Shape1.Move(0, 0, 5175, 2295);

  for (int i = 0; i < 5; ++i) {
    const LabelDesign& d = kLabel1[i];
    Label& label = Add<Label>(QStringLiteral("Label1"), i);
    label1_[static_cast<size_t>(i)] = &label;
    label.setBackColor(forms::SystemWindowColor());
    label.setForeColor(forms::SystemWindowTextColor());
    label.setFont(std::make_shared<forms::Font>(QStringLiteral("Arial"), d.fontSize, d.bold));
    label.Move(d.left, d.top, d.width, d.height);
    label.setWordWrap(d.wordWrap);
    label.setCaption(QString::fromLatin1(d.text));
    label.setAutoSize(true);
    label.Click = [this, i] { Label1_Click(i); };
  }
}

forms::Label& Info::Label1(int index) { return *label1_.at(static_cast<size_t>(index)); }

void Info::Form_Load() {
  AutoSize::scaleTarget = this;
  AutoSize::ScaleToScreen();
}

void Info::Form_Click() { Unload(); }

void Info::Label1_Click(int) { Unload(); }

// "Info": the About window, created afresh for every showing, modal until a click closes it.
void Tavrek::Inf_Click() {
  Info info;
  info.ShowModal();
}
