// The screen object: size in twips, twips per pixel and the mouse pointer.
#pragma once

namespace forms {

class Screen {
 public:
  // Screen size in twips.
  float Width() const;
  float Height() const;
  // 1440 / logical DPI of the primary screen.
  float TwipsPerPixelX() const;
  float TwipsPerPixelY() const;
  // 0 = default arrow, 11 = busy (hourglass). Setting 11 shows the busy cursor application-wide.
  int MousePointer() const { return mousePointer_; }
  void setMousePointer(int value);

  // Tests: pretend the screen is pixelsX by pixelsY pixels at the given twips per pixel (0 for
  // either twips-per-pixel value is allowed, to exercise the load's division fault). Reset() goes
  // back to the real screen.
  void Simulate(int pixelsX, int pixelsY, float twipsPerPixelX = 15.0f, float twipsPerPixelY = 15.0f);
  void Reset();

 private:
  int mousePointer_ = 0;
  bool simulated_ = false;
  int pixelsX_ = 0, pixelsY_ = 0;
  float tppX_ = 15.0f, tppY_ = 15.0f;
};

// The one screen object of the process.
Screen& TheScreen();

}  // namespace forms
