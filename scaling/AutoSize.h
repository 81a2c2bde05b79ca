// AutoSize: adapts a window designed for an 800 by 600 pixel screen, at the moment it is loaded,
// to the screen it runs on. Positions and sizes follow the horizontal and vertical ratios of the
// screen to 800 by 600; control fonts follow the horizontal ratio, truncated to whole points.
#pragma once

#include "forms/font.h"
#include "forms/form.h"

namespace AutoSize {

// Screen size in pixels; the main window's load writes them before its first ScaleToScreen.
extern float screenPixelsX;
extern float screenPixelsY;
// The window the next ScaleToScreen scales; each caller sets it to itself. It stays set.
extern forms::Form* scaleTarget;
// Working reference: the font of the control being scaled; afterwards the last one scaled.
extern forms::FontRef workFont;

// Scales scaleTarget (size, and position when placed manually; unless maximized), then each of its
// controls by kind: lines by their end points, geometry kinds by position and size, font kinds by
// font then position and size (auto-sizing labels keep their own size), the common dialog's font
// size; every other kind (menu entries among them) is left alone. Property failures propagate;
// whatever was scaled before them stays scaled.
void ScaleToScreen();

}  // namespace AutoSize
