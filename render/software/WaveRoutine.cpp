// Wave: every column moves up or down and every row left or right by a sum of three table
// waves; positions that fall outside the source become 0.
#include "render/software/SoftwareRoutines.h"
#include "render/software/WaveTables.h"

#include <cstdint>
#include <memory>
#include <new>

namespace {

// Amplitudes, wavelengths and phase of one frame's wave.
struct WaveFactors {
  int phase;
  int k1, k2, k3, k4, k5;
};

WaveFactors FactorsFor(double x) {
  const double a = 255.0 * x;
  return WaveFactors{int(256.0 * x),
                     int(a * 0.3333333333333333 + 1.0),
                     int(a * 0.09090909090909091 + 1.0),
                     int(a * 0.058823529411764705 + 1.0),
                     int(a * 0.8333333333333334 + 1.0),
                     int(a * 0.2 + 1.0)};
}

// Displacement of position p: three table waves summed, each scaled by an amplitude / 256
// rounded towards minus infinity. Stays within -63..60.
signed char Displacement(const signed char *table, const WaveFactors &f, std::uint32_t p) {
  const std::uint32_t base = 256u * p;
  const std::uint32_t phase = std::uint32_t(f.phase);
  const int a = table[(base / std::uint32_t(f.k1) + 3u * phase) & 255u];
  const int b = table[(base / std::uint32_t(f.k4) + 2u * phase) & 255u];
  const int c = table[(base / std::uint32_t(f.k5) + 5u * phase) & 255u];
  return static_cast<signed char>(((f.k2 * a) >> 8) + ((f.k1 * b) >> 8) + ((f.k3 * c) >> 8));
}

} // namespace

HRESULT Wave(const SourcePicture &src, const DestinationPicture &dst, PictureSize size, double x,
             const signed char *sineTable, const signed char *cosineTable) {
  const LONG w = size.width;
  const LONG h = size.height;
  // One displacement per column and one per row is all the wave needs.
  std::unique_ptr<signed char[]> columnShift(new (std::nothrow) signed char[std::size_t(w)]);
  std::unique_ptr<signed char[]> rowShift(new (std::nothrow) signed char[std::size_t(h)]);
  if (!columnShift || !rowShift)
    return E_OUTOFMEMORY;
  const WaveFactors f = FactorsFor(x);
  for (LONG c = 0; c < w; ++c)
    columnShift[c] = Displacement(cosineTable, f, std::uint32_t(c));
  for (LONG r = 0; r < h; ++r)
    rowShift[r] = Displacement(sineTable, f, std::uint32_t(r));

  for (LONG r = 0; r < h; ++r) {
    BYTE *out = dst.Row(r);
    const LONG dx = rowShift[r];
    for (LONG c = 0; c < w; ++c) {
      const LONG sr = r + columnShift[c];
      const LONG sc = c + dx;
      const std::uint32_t pixel = (sr >= 0 && sr < h && sc >= 0 && sc < w) ? LoadPixel(src.Row(sr) + 4 * std::ptrdiff_t(sc)) : 0;
      StorePixel(out + 4 * std::ptrdiff_t(c), pixel);
    }
  }
  return S_OK;
}
