#include "platform/ui/Typeface.h"

#include "platform/ui/Font6x9.h"

namespace zrq::ui {
namespace {

// Glyphs sit two rows down their line, so the baseline falls under row 8 of 13, where the
// dialog fonts have it too.
constexpr int kGlyphTop = 2;

int IndexOf(char16_t c) {
  return c >= kFirstGlyph && c <= 0xFF ? c - kFirstGlyph : u'?' - kFirstGlyph;
}

} // namespace

unsigned char GlyphRow(char16_t c, int y) {
  y -= kGlyphTop;
  return y >= 0 && y < kGlyphHeight ? kFont6x9[IndexOf(c)][y] : 0;
}

GlyphColumns ColumnsOf(char16_t c) {
  unsigned char ink = 0;
  for (int y = 0; y < kGlyphHeight; ++y) ink |= kFont6x9[IndexOf(c)][y];
  if (!ink) return {0, 3}; // blanks keep a narrow space
  int first = 0, last = kGlyphWidth - 1;
  while (!(ink & (0x80 >> first))) ++first;
  while (!(ink & (0x80 >> last))) --last;
  return {first, last - first + 1};
}

int Advance(char16_t c) { return ColumnsOf(c).count + 1; }

int TextWidth(std::u16string_view text, bool prefixes) {
  int width = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (prefixes && text[i] == u'&' && i + 1 < text.size()) ++i;
    width += Advance(text[i]);
  }
  return width;
}

} // namespace zrq::ui
