#include "platform/ui/Canvas.h"

#include <algorithm>

#include "platform/ui/Typeface.h"

namespace zrq::ui {

Canvas::Canvas(const ZRQUISURFACE &surface)
    : surface(surface), frame{{0, 0}, {0, 0, surface.width, surface.height}} {}

void Canvas::Enter(const RECT &child) {
  frame.origin.x += child.left;
  frame.origin.y += child.top;
  frame.clip.left = std::max(frame.clip.left, frame.origin.x);
  frame.clip.top = std::max(frame.clip.top, frame.origin.y);
  frame.clip.right = std::min(frame.clip.right, frame.origin.x + (child.right - child.left));
  frame.clip.bottom = std::min(frame.clip.bottom, frame.origin.y + (child.bottom - child.top));
}

void Canvas::Fill(const RECT &r, DWORD colour) {
  const LONG left = std::max(frame.clip.left, frame.origin.x + r.left);
  const LONG right = std::min(frame.clip.right, frame.origin.x + r.right);
  const LONG top = std::max(frame.clip.top, frame.origin.y + r.top);
  const LONG bottom = std::min(frame.clip.bottom, frame.origin.y + r.bottom);
  for (LONG y = top; y < bottom; ++y) {
    BYTE *row = surface.bits + static_cast<ptrdiff_t>(y) * surface.pitch;
    for (LONG x = left; x < right; ++x) {
      BYTE *p = row + static_cast<ptrdiff_t>(x) * 4;
      p[0] = static_cast<BYTE>(colour);
      p[1] = static_cast<BYTE>(colour >> 8);
      p[2] = static_cast<BYTE>(colour >> 16);
      p[3] = 0xFF;
    }
  }
}

void Canvas::Pixel(int x, int y, DWORD colour) { Fill(RECT{x, y, x + 1, y + 1}, colour); }

void Canvas::Outline(const RECT &r, DWORD colour) {
  Fill(RECT{r.left, r.top, r.right, r.top + 1}, colour);
  Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, colour);
  Fill(RECT{r.left, r.top, r.left + 1, r.bottom}, colour);
  Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, colour);
}

void Canvas::Raised(const RECT &r) {
  Fill(RECT{r.left, r.top, r.right - 1, r.top + 1}, kLight);
  Fill(RECT{r.left, r.top, r.left + 1, r.bottom - 1}, kLight);
  Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, kDarkShadow);
  Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, kDarkShadow);
  Fill(RECT{r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1}, kShadow);
  Fill(RECT{r.right - 2, r.top + 1, r.right - 1, r.bottom - 1}, kShadow);
}

void Canvas::Sunken(const RECT &r) {
  Fill(RECT{r.left, r.top, r.right - 1, r.top + 1}, kShadow);
  Fill(RECT{r.left, r.top, r.left + 1, r.bottom - 1}, kShadow);
  Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, kLight);
  Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, kLight);
  Fill(RECT{r.left + 1, r.top + 1, r.right - 2, r.top + 2}, kDarkShadow);
  Fill(RECT{r.left + 1, r.top + 1, r.left + 2, r.bottom - 2}, kDarkShadow);
}

void Canvas::FocusRect(const RECT &r) {
  for (LONG x = r.left; x < r.right; x += 2) Pixel(x, r.top, kText), Pixel(x, r.bottom - 1, kText);
  for (LONG y = r.top; y < r.bottom; y += 2) Pixel(r.left, y, kText), Pixel(r.right - 1, y, kText);
}

int Canvas::Text(int x, int y, std::u16string_view text, DWORD colour, bool prefixes) {
  for (size_t i = 0; i < text.size(); ++i) {
    bool underline = false;
    if (prefixes && text[i] == u'&' && i + 1 < text.size()) {
      ++i;
      underline = text[i] != u'&';
    }
    const char16_t c = text[i];
    const GlyphColumns columns = ColumnsOf(c);
    for (int row = 0; row < kTextHeight; ++row) {
      const unsigned char bits = GlyphRow(c, row);
      for (int col = 0; col < columns.count; ++col)
        if (bits & (0x80 >> (columns.first + col))) Pixel(x + col, y + row, colour);
    }
    if (underline) Fill(RECT{x, y + 9, x + columns.count, y + 10}, colour); // under the baseline
    x += columns.count + 1;
  }
  return x;
}

} // namespace zrq::ui
