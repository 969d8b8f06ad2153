// Drawing into a window's picture: rectangles, the 3-D edges of the classic look, focus
// rectangles and text, all clipped to the window being painted.
#pragma once

#include <zrqui.h>

#include <string_view>

namespace zrq::ui {

// Colours as 0xRRGGBB.
enum Colour : DWORD {
  kFace = 0xF0F0F0,
  kWindow = 0xFFFFFF,
  kText = 0x000000,
  kGrayText = 0x6D6D6D,
  kLight = 0xFFFFFF,
  kShadow = 0xA0A0A0,
  kDarkShadow = 0x696969,
  kHighlight = 0x0078D7,
  kHighlightText = 0xFFFFFF,
};

class Canvas {
public:
  explicit Canvas(const ZRQUISURFACE &surface);

  // Where window coordinates start on the surface, and the part of the surface drawn on.
  struct Frame {
    POINT origin;
    RECT clip;
  };
  Frame Current() const { return frame; }
  void Restore(const Frame &f) { frame = f; }
  // Enters a child window: its rectangle in the current window's coordinates.
  void Enter(const RECT &child);

  void Fill(const RECT &r, DWORD colour);
  void Pixel(int x, int y, DWORD colour);
  void Outline(const RECT &r, DWORD colour);
  // Light on the top and left, dark on the bottom and right, two pixels deep; Sunken swaps them.
  void Raised(const RECT &r);
  void Sunken(const RECT &r);
  // A dotted rectangle, every other pixel, as focus is shown.
  void FocusRect(const RECT &r);
  // Text from (x, y), the top of the 13-pixel line. With prefixes, "&" underlines the next
  // character. Returns the pen's x after the text.
  int Text(int x, int y, std::u16string_view text, DWORD colour, bool prefixes = false);

private:
  ZRQUISURFACE surface;
  Frame frame;
};

} // namespace zrq::ui
