// Wave: every column moves up or down and every row left or right by a sum of three table
// waves; positions that fall outside the source become 0.
//
// A destination row reads single pixels from the source rows up to 63 above and 60 below it, in
// an order no hardware prefetcher follows. So the destination is drawn in strips of columns,
// each from top to bottom, and a strip's part of each source row is fetched a few rows before
// the first destination row that can read it; the 124 rows a strip reads from at a time stay
// in the second-level cache.
#include "render/software/CpuFeatures.h"
#include "render/software/SoftwareRoutines.h"
#include "render/software/WaveTables.h"

#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
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

// 512 columns: a strip's source, 124 rows of 2.5 KB with the reach of the row shifts, is some
// 300 KB.
constexpr LONG kStripColumns = 512;
// How far a row shift can reach beyond a strip's columns.
constexpr LONG kShiftReach = 64;
// Rows between a source row's fetch and the first destination row that can read it.
constexpr LONG kFetchAhead = 3;

void FetchPixels(const BYTE *from, LONG count) {
  const std::ptrdiff_t bytes = 4 * std::ptrdiff_t(count);
  for (std::ptrdiff_t b = 0; b < bytes; b += 64) __builtin_prefetch(from + b);
  __builtin_prefetch(from + bytes - 1);
}

// Draws columns [first, end) of one destination row whose source pixels all lie inside the
// picture: out[c] = the pixel at byte shift + offset[c] from `row`.
using ShiftRowFunction = void (*)(const BYTE *row, std::ptrdiff_t shift, const std::int32_t *offset,
                                  BYTE *out, LONG first, LONG end);

// Four plain loads to one 16-byte store.
void ShiftRowPlain(const BYTE *row, std::ptrdiff_t shift, const std::int32_t *offset, BYTE *out,
                   LONG first, LONG end) {
  auto load = [&](LONG c) { return _mm_cvtsi32_si128(int(LoadPixel(row + (shift + offset[c])))); };
  LONG c = first;
  for (; c + 4 <= end; c += 4) {
    const __m128i low = _mm_unpacklo_epi32(load(c), load(c + 1));
    const __m128i high = _mm_unpacklo_epi32(load(c + 2), load(c + 3));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 4 * std::ptrdiff_t(c)),
                     _mm_unpacklo_epi64(low, high));
  }
  for (; c < end; ++c)
    StorePixel(out + 4 * std::ptrdiff_t(c), LoadPixel(row + (shift + offset[c])));
}

// One gather of eight pixels to one 32-byte store.
__attribute__((target("avx2"))) void ShiftRowGather(const BYTE *row, std::ptrdiff_t shift,
                                                    const std::int32_t *offset, BYTE *out,
                                                    LONG first, LONG end) {
  const int *base = reinterpret_cast<const int *>(row);
  const __m256i add = _mm256_set1_epi32(std::int32_t(shift));
  LONG c = first;
  for (; c + 8 <= end; c += 8) {
    const __m256i o =
        _mm256_add_epi32(add, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(offset + c)));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 4 * std::ptrdiff_t(c)),
                        _mm256_i32gather_epi32(base, o, 1));
  }
  // The compiler leaves this out before a tail call to SSE code, which would then run with
  // dirty upper halves, slowly, as would every SSE routine after it.
  _mm256_zeroupper();
  ShiftRowPlain(row, shift, offset, out, c, end);
}

ShiftRowFunction ShiftRowFor(RoutineVariant variant) {
  switch (variant) {
  case RoutineVariant::kPlain:
  case RoutineVariant::kVector: // not a form of the wave
    return ShiftRowPlain;
  case RoutineVariant::kGather:
    return ShiftRowGather;
  }
  return ShiftRowPlain;
}

} // namespace

HRESULT Wave(const SourcePicture &src, const DestinationPicture &dst, PictureSize size, double x,
             const signed char *sineTable, const signed char *cosineTable, WorkingMemory &memory) {
  const LONG w = size.width;
  const LONG h = size.height;
  // One displacement per column and one per row is all the wave needs; the columns' are also
  // kept as byte offsets from the pixel's own place, so a row is a plain gather.
  void *block = memory.Get(std::size_t(w) * (sizeof(std::int32_t) + 1) + std::size_t(h));
  if (!block) return E_OUTOFMEMORY;
  std::int32_t *const columnOffset = static_cast<std::int32_t *>(block);
  signed char *const columnShift = reinterpret_cast<signed char *>(columnOffset + w);
  signed char *const rowShift = columnShift + w;
  const WaveFactors f = FactorsFor(x);
  // An offset reaches 63 rows and 4 x (w + 63) bytes at most; pictures too large for 32 bits
  // take the checked path everywhere.
  const bool offsetsFit =
      64 * std::int64_t(src.stride) + 256 <= std::numeric_limits<std::int32_t>::max();
  LONG lowest = 0, highest = 0;
  for (LONG c = 0; c < w; ++c) {
    const signed char dy = Displacement(cosineTable, f, std::uint32_t(c));
    columnShift[c] = dy;
    columnOffset[c] = offsetsFit ? std::int32_t(dy * src.stride + 4 * std::ptrdiff_t(c)) : 0;
    lowest = std::min<LONG>(lowest, dy);
    highest = std::max<LONG>(highest, dy);
  }
  for (LONG r = 0; r < h; ++r) rowShift[r] = Displacement(sineTable, f, std::uint32_t(r));

  const ShiftRowFunction shiftRow = ShiftRowFor(VariantFor(VariantRoutine::kWave));
  for (LONG c0 = 0; c0 < w; c0 += kStripColumns) {
    const LONG c1 = std::min(w, c0 + kStripColumns);
    const LONG fetchFirst = std::max<LONG>(0, c0 - kShiftReach);
    const LONG fetchEnd = std::min(w, c1 + kShiftReach);
    for (LONG r = 0; r < h; ++r) {
      if (r + highest + kFetchAhead < h)
        FetchPixels(src.Row(r + highest + kFetchAhead) + 4 * std::ptrdiff_t(fetchFirst),
                    fetchEnd - fetchFirst);
      BYTE *out = dst.Row(r);
      const LONG dx = rowShift[r];
      // Columns of the strip whose source column c + dx lies inside the picture.
      const LONG first = std::clamp<LONG>(-dx, c0, c1);
      const LONG end = std::clamp<LONG>(w - dx, first, c1);
      std::memset(out + 4 * std::ptrdiff_t(c0), 0, 4 * std::size_t(first - c0));
      std::memset(out + 4 * std::ptrdiff_t(end), 0, 4 * std::size_t(c1 - end));
      if (offsetsFit && r + lowest >= 0 && r + highest < h) {
        // Every column's source row is inside the picture.
        shiftRow(src.Row(r), 4 * std::ptrdiff_t(dx), columnOffset, out, first, end);
      } else {
        for (LONG c = first; c < end; ++c) {
          const LONG sr = r + columnShift[c];
          const bool inside = sr >= 0 && sr < h;
          StorePixel(out + 4 * std::ptrdiff_t(c),
                     inside ? LoadPixel(src.Row(sr) + 4 * std::ptrdiff_t(c + dx)) : 0);
        }
      }
    }
  }
  return S_OK;
}
