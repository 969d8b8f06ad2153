// A rectangle of window pixels: x to the right, y downwards from the window's top-left corner.
#pragma once

struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  int Right() const { return x + width; }
  int Bottom() const { return y + height; }
  bool Contains(int px, int py) const {
    return px >= x && px < Right() && py >= y && py < Bottom();
  }
  bool operator==(const PixelRect &) const = default;
};
