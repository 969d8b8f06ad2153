// Plain drawing on a Frame in viewer coordinates (x to the right, y downwards from the top).
// Everything is clipped to the picture, so callers may draw partly or wholly outside it.
#pragma once

#include "host/Frame.h"

#include <string_view>

struct Colour {
  BYTE red = 0;
  BYTE green = 0;
  BYTE blue = 0;
  BYTE alpha = 255;
};

void FillRect(Frame &frame, int x, int y, int width, int height, Colour colour);
inline void PutPixel(Frame &frame, int x, int y, Colour colour) {
  FillRect(frame, x, y, 1, 1, colour);
}

// Text in a built-in 5 x 7 capital font (small letters are drawn as capitals; characters it
// lacks are drawn as blanks). Each character takes 6 x 8 cells of `scale` pixels.
void DrawText(Frame &frame, int x, int y, std::string_view text, int scale, Colour colour);
int TextWidth(std::string_view text, int scale);
inline int TextHeight(int scale) { return 7 * scale; }
