// The bitmap font every window draws its text with: 6 x 9 pixel cells, set proportionally
// (Typeface.h) on 13-pixel lines, the height of the 8-point dialog fonts.
#pragma once

namespace zrq::ui {

constexpr int kGlyphWidth = 6;
constexpr int kGlyphHeight = 9;
constexpr int kFirstGlyph = 0x20; // the table runs to U+00FF; others draw as '?'

extern const unsigned char kFont6x9[224][9];

} // namespace zrq::ui
