// Replicate: n x n tiles, each the picture reduced to every n-th pixel of every n-th row. Only
// the colour bytes are written; byte 3 and the leftover rows and columns keep what was there.
#include "render/software/SoftwareRoutines.h"

#include <cstdint>

namespace {

constexpr std::uint32_t kColour = 0x00FFFFFFu;

} // namespace

void Replicate(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
               double x) {
  const LONG n = LONG(x * 7.0 + 0.5) + 1;
  const LONG cellHeight = size.height / n;
  const LONG cellWidth = size.width / n;
  if (cellHeight <= 0 || cellWidth <= 0) return;
  for (LONG r = 0; r < cellHeight; ++r) {
    const BYTE *from = src.Row(n * r);
    for (LONG tileRow = 0; tileRow < n; ++tileRow) {
      BYTE *to = dst.Row(tileRow * cellHeight + r);
      for (LONG tileColumn = 0; tileColumn < n; ++tileColumn) {
        BYTE *cell = to + 4 * std::ptrdiff_t(tileColumn) * cellWidth;
        for (LONG c = 0; c < cellWidth; ++c) {
          BYTE *p = cell + 4 * std::ptrdiff_t(c);
          const std::uint32_t v = LoadPixel(from + 4 * std::ptrdiff_t(n) * c);
          StorePixel(p, (LoadPixel(p) & ~kColour) | (v & kColour));
        }
      }
    }
  }
}
