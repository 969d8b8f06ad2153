// Wave: every column moves up or down and every row left or right by a sum of three table
// waves; positions that fall outside the source become 0.
#include "render/software/CpuFeatures.h"
#include "render/software/SoftwareRoutines.h"
#include "render/software/WaveTables.h"

#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
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

// out[c] = the source pixel at byte rowOffset + offset[c], for c in [first, end).
void GatherRow(const BYTE *src, std::ptrdiff_t rowOffset, const std::ptrdiff_t *offset, BYTE *out, LONG first,
               LONG end) {
  for (LONG c = first; c < end; ++c)
    StorePixel(out + 4 * std::ptrdiff_t(c), LoadPixel(src + (rowOffset + offset[c])));
}

// The same, eight pixels a step with 64-bit offsets.
__attribute__((target("avx2"))) void GatherRowAvx2(const BYTE *src, std::ptrdiff_t rowOffset,
                                                   const std::ptrdiff_t *offset, BYTE *out, LONG first, LONG end) {
  const int *base = reinterpret_cast<const int *>(src);
  const __m256i row = _mm256_set1_epi64x(rowOffset);
  LONG c = first;
  for (; c + 8 <= end; c += 8) {
    const __m256i o0 = _mm256_add_epi64(row, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(offset + c)));
    const __m256i o1 = _mm256_add_epi64(row, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(offset + c + 4)));
    const __m128i p0 = _mm256_i64gather_epi32(base, o0, 1);
    const __m128i p1 = _mm256_i64gather_epi32(base, o1, 1);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 4 * std::ptrdiff_t(c)), _mm256_set_m128i(p1, p0));
  }
  GatherRow(src, rowOffset, offset, out, c, end);
}

} // namespace

HRESULT Wave(const SourcePicture &src, const DestinationPicture &dst, PictureSize size, double x,
             const signed char *sineTable, const signed char *cosineTable) {
  const LONG w = size.width;
  const LONG h = size.height;
  // One displacement per column and one per row is all the wave needs; the columns' are kept
  // as byte offsets into the source so a row is a plain gather.
  std::unique_ptr<std::ptrdiff_t[]> columnOffset(new (std::nothrow) std::ptrdiff_t[std::size_t(w)]);
  std::unique_ptr<signed char[]> columnShift(new (std::nothrow) signed char[std::size_t(w)]);
  std::unique_ptr<signed char[]> rowShift(new (std::nothrow) signed char[std::size_t(h)]);
  if (!columnOffset || !columnShift || !rowShift)
    return E_OUTOFMEMORY;
  const WaveFactors f = FactorsFor(x);
  LONG lowest = 0, highest = 0;
  for (LONG c = 0; c < w; ++c) {
    const signed char dy = Displacement(cosineTable, f, std::uint32_t(c));
    columnShift[c] = dy;
    columnOffset[c] = dy * src.stride + 4 * std::ptrdiff_t(c);
    lowest = std::min<LONG>(lowest, dy);
    highest = std::max<LONG>(highest, dy);
  }
  for (LONG r = 0; r < h; ++r)
    rowShift[r] = Displacement(sineTable, f, std::uint32_t(r));

  const bool avx2 = UseAvx2();
  for (LONG r = 0; r < h; ++r) {
    BYTE *out = dst.Row(r);
    const LONG dx = rowShift[r];
    // Columns whose source column c + dx lies inside the picture.
    const LONG first = std::max<LONG>(0, -dx);
    const LONG end = std::min<LONG>(w, w - dx);
    if (first >= end) {
      std::memset(out, 0, 4 * std::size_t(w));
      continue;
    }
    std::memset(out, 0, 4 * std::size_t(first));
    std::memset(out + 4 * std::ptrdiff_t(end), 0, 4 * std::size_t(w - end));
    const std::ptrdiff_t rowOffset = r * src.stride + 4 * std::ptrdiff_t(dx);
    if (r + lowest >= 0 && r + highest < h) {
      // Every column's source row is inside the picture.
      if (avx2)
        GatherRowAvx2(src.pixels, rowOffset, columnOffset.get(), out, first, end);
      else
        GatherRow(src.pixels, rowOffset, columnOffset.get(), out, first, end);
    } else {
      for (LONG c = first; c < end; ++c) {
        const LONG sr = r + columnShift[c];
        const bool inside = sr >= 0 && sr < h;
        StorePixel(out + 4 * std::ptrdiff_t(c), inside ? LoadPixel(src.pixels + (rowOffset + columnOffset[c])) : 0);
      }
    }
  }
  return S_OK;
}
