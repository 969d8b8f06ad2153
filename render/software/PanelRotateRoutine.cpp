// Panel rotate: every destination pixel looks up the source pixel at its offset from the centre
// turned by the angle; what falls outside the source becomes 0.
#include "render/software/SoftwareRoutines.h"

#include <cmath>

void PanelRotate(const SourcePicture &src, const DestinationPicture &dst, PictureSize size, double x) {
  const LONG w = size.width;
  const LONG h = size.height;
  const double theta = x * 12.566370964050293;
  const float cosTheta = float(std::cos(theta));
  const float sinTheta = float(std::sin(theta));
  const LONG cx = w / 2;
  const LONG cy = h / 2;
  for (LONG r = 0; r < h; ++r) {
    const LONG dy = r - cy;
    const double dySin = dy * double(sinTheta);
    const double dyCos = dy * double(cosTheta);
    BYTE *out = dst.Row(r);
    for (LONG i = 0; i < w; ++i) {
      const LONG dx = i - cx;
      const LONG u = cx + LONG(dx * double(cosTheta) + dySin);
      const LONG v = cy + LONG(-dx * double(sinTheta) + dyCos);
      const std::uint32_t pixel = (u >= 0 && u < w && v >= 0 && v < h) ? LoadPixel(src.Row(v) + 4 * std::ptrdiff_t(u)) : 0;
      StorePixel(out + 4 * std::ptrdiff_t(i), pixel);
    }
  }
}
