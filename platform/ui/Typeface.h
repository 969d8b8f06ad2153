// Text in the bitmap font, set proportionally: each glyph takes the columns it inks and one of
// space, so labels sized for the proportional dialog fonts fit their controls.
#pragma once

#include <string_view>

namespace zrq::ui {

constexpr int kTextHeight = 13;

// The pixels a character advances the pen.
int Advance(char16_t c);
// The width of a run of text; with prefixes, "&" marks the next character and "&&" is one "&".
int TextWidth(std::u16string_view text, bool prefixes = false);

// The glyph's columns: the first inked one and how many follow it.
struct GlyphColumns {
  int first = 0;
  int count = 0;
};
GlyphColumns ColumnsOf(char16_t c);
// Row y (0 to 12, top down) of the glyph on its 13-pixel line, bit 7 the leftmost column.
unsigned char GlyphRow(char16_t c, int y);

} // namespace zrq::ui
