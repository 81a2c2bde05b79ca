#include "scaling/AutoSize.h"

#include <cmath>

#include "forms/control.h"

namespace AutoSize {

// The design screen until the main window's load measures the real one: a window scaled before
// that (the load failed) keeps its design size instead of shrinking to nothing.
float screenPixelsX = 800;
float screenPixelsY = 600;
forms::Form* scaleTarget = nullptr;
forms::FontRef workFont;

namespace {

using forms::Kind;

// Design screen in pixels.
constexpr float kDesignX = 800;
constexpr float kDesignY = 600;
constexpr int kMaximized = 2;
constexpr int kManual = 0;
// At exactly this screen width, scaled fonts are raised to the minimum size.
constexpr float kMinimumFontScreen = 640;
constexpr double kMinimumFontSize = 8;
// Dialog font size: 8 up to 800 pixels, then a point per 100 pixels.
constexpr int kDialogFontSize = 8;
constexpr float kDialogFontDivisor = 100;

enum class Treatment { Untouched, GeometryOnly, FontAndGeometry };

bool IsGeometryKind(const forms::Control& c) {
  return c.Is(Kind::VScrollBar) || c.Is(Kind::HScrollBar) || c.Is(Kind::Shape) || c.Is(Kind::Image);
}

bool IsFontKind(const forms::Control& c) {
  return c.Is(Kind::Label) || c.Is(Kind::FileListBox) || c.Is(Kind::DirListBox) || c.Is(Kind::DriveListBox) ||
         c.Is(Kind::ComboBox) || c.Is(Kind::ListBox) || c.Is(Kind::OptionButton) || c.Is(Kind::CheckBox) ||
         c.Is(Kind::Frame) || c.Is(Kind::PictureBox) || c.Is(Kind::CommandButton) || c.Is(Kind::Data) ||
         c.Is(Kind::TextBox);
}

}  // namespace

void ScaleToScreen() {
  forms::Form& form = *scaleTarget;

  // 1. The window.
  if (form.WindowState() != kMaximized) {
    if (form.StartUpPosition() == kManual) {
      form.setTop(form.Top() * screenPixelsY / kDesignY);
      form.setLeft(form.Left() * screenPixelsX / kDesignX);
    }
    form.setHeight(form.Height() * screenPixelsY / kDesignY);
    form.setWidth(form.Width() * screenPixelsX / kDesignX);
  }

  // 2. Its controls, in the collection's order.
  const int count = form.ControlCount();
  for (int i = 0; i < count; ++i) {
    forms::Control& c = form.Controls(i);
    Treatment treatment = Treatment::Untouched;

    if (c.Is(Kind::Line)) {
      auto& line = static_cast<forms::Line&>(c);
      line.setX1(line.X1() * screenPixelsX / kDesignX);
      line.setX2(line.X2() * screenPixelsX / kDesignX);
      line.setY1(line.Y1() * screenPixelsY / kDesignY);
      line.setY2(line.Y2() * screenPixelsY / kDesignY);
    }
    if (IsGeometryKind(c)) treatment = Treatment::GeometryOnly;
    if (IsFontKind(c)) treatment = Treatment::FontAndGeometry;
    if (c.Is(Kind::CommonDialog)) {
      auto& dialog = static_cast<forms::CommonDialog&>(c);
      dialog.FontSize = screenPixelsX <= kDesignX ? kDialogFontSize
                                                  : static_cast<int>(std::floor(screenPixelsX / kDialogFontDivisor));
    }

    if (treatment == Treatment::FontAndGeometry) {
      workFont = c.Font();
      const double scaled = std::floor(workFont->Size() * static_cast<double>(screenPixelsX) / 800.0);
      workFont->setSize(scaled);
      if (screenPixelsX == kMinimumFontScreen && workFont->Size() < kMinimumFontSize) workFont->setSize(kMinimumFontSize);
      c.setFont(workFont);
    }

    if (treatment == Treatment::GeometryOnly || treatment == Treatment::FontAndGeometry) {
      c.setLeft(c.Left() * screenPixelsX / kDesignX);
      c.setTop(c.Top() * screenPixelsY / kDesignY);
      if (c.Is(Kind::Label) && static_cast<forms::Label&>(c).AutoSize()) continue;
      c.setWidth(c.Width() * screenPixelsX / kDesignX);
      c.setHeight(c.Height() * screenPixelsY / kDesignY);
    }
  }
}

}  // namespace AutoSize
