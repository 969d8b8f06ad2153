// The bitmap font every window draws its text with: 6 x 13 pixels per character.
#pragma once

namespace zrq::ui {

constexpr int kGlyphWidth = 6;
constexpr int kGlyphHeight = 13;
constexpr int kFirstGlyph = 0x20;  // the table runs to U+00FF; others draw as '?'

extern const unsigned char kFont6x13[224][13];

}  // namespace zrq::ui
