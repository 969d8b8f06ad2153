// Panel rotate: every destination pixel looks up the source pixel at its offset from the centre
// turned by the angle; what falls outside the source becomes 0.
//
// The column products dx x cos and -dx x sin are the same in every row, so they are formed once
// per frame; each pixel then costs two additions and two truncations, exactly as the plain
// formula. Both source coordinates are monotonic along a row (rounding and truncation keep
// order), so the columns that land inside the source form one interval, found per row by
// bisection; the columns outside it are zero-filled without looking at the source.
//
// A destination row reads the source along a slanted line, a few pixels from each source row
// it crosses, which no hardware prefetcher follows. So the destination is drawn in blocks, whose
// source is a small turned rectangle that stays in the cache, and while one block is drawn the
// source lines of the next are fetched (RotateFootprint).
#include "render/software/CpuFeatures.h"
#include "render/software/RotateFootprint.h"
#include "render/software/RotateFrame.h"
#include "render/software/SoftwareRoutines.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace {

// A block's source is its 64 x 256 pixels turned, some 64 KB on at most 268 source rows: it
// stays in the second-level cache while the block is drawn, and each block row writes 1 KB in
// one run.
constexpr LONG kBlockRows = 64;
constexpr LONG kBlockColumns = 256;
static_assert(kBlockRows + kBlockColumns + 4 <= RotateFootprint::kMaxSourceRows);

// First column in [lo, hi) for which `past` holds, given that it holds on a suffix.
template <typename Pred> LONG FirstWhere(LONG lo, LONG hi, Pred past) {
  while (lo < hi) {
    const LONG mid = lo + (hi - lo) / 2;
    if (past(mid))
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

// The columns whose coordinate g(i) (monotonic, rising when `rising`) lies in [0, limit).
template <typename Coord>
void Narrow(LONG &first, LONG &end, LONG w, bool rising, LONG limit, Coord g) {
  LONG a, b;
  if (rising) {
    a = FirstWhere(0, w, [&](LONG i) { return g(i) >= 0; });
    b = FirstWhere(0, w, [&](LONG i) { return g(i) >= limit; });
  } else {
    a = FirstWhere(0, w, [&](LONG i) { return g(i) < limit; });
    b = FirstWhere(0, w, [&](LONG i) { return g(i) < 0; });
  }
  first = std::max(first, a);
  end = std::min(end, b);
}

// Draws columns [first, end) of one destination row, all of whose source pixels lie inside.
using RotateRowFunction = void (*)(const RotateFrame &f, const SourcePicture &src, BYTE *out,
                                   LONG first, LONG end, double dySin, double dyCos);

void RotateRowPlain(const RotateFrame &f, const SourcePicture &src, BYTE *out, LONG first, LONG end,
                    double dySin, double dyCos) {
  for (LONG i = first; i < end; ++i) {
    const LONG u = f.SourceColumn(i, dySin);
    const LONG v = f.SourceRow(i, dyCos);
    StorePixel(out + 4 * std::ptrdiff_t(i), LoadPixel(src.Row(v) + 4 * std::ptrdiff_t(u)));
  }
}

// The per-row constants of the vector forms.
struct Avx2Row {
  __m256d addSin, addCos;
  __m256i cx, cy, stride;
};

// Source byte offsets of destination columns i..i+7: the plain loop's additions and truncating
// conversions, eight at a time. 32 bits suffice, as the caller checks that the source fits.
__attribute__((target("avx2"))) inline __m256i EightOffsets(const RotateFrame &f, const Avx2Row &k,
                                                            LONG i) {
  const __m128i u0 = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_loadu_pd(f.columnCos + i), k.addSin));
  const __m128i u1 =
      _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_loadu_pd(f.columnCos + i + 4), k.addSin));
  const __m128i v0 = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_loadu_pd(f.columnSin + i), k.addCos));
  const __m128i v1 =
      _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_loadu_pd(f.columnSin + i + 4), k.addCos));
  const __m256i u = _mm256_add_epi32(_mm256_set_m128i(u1, u0), k.cx);
  const __m256i v = _mm256_add_epi32(_mm256_set_m128i(v1, v0), k.cy);
  return _mm256_add_epi32(_mm256_mullo_epi32(v, k.stride), _mm256_slli_epi32(u, 2));
}

__attribute__((target("avx2"))) inline Avx2Row
Avx2RowFor(const RotateFrame &f, const SourcePicture &src, double dySin, double dyCos) {
  return Avx2Row{_mm256_set1_pd(dySin), _mm256_set1_pd(dyCos), _mm256_set1_epi32(f.cx),
                 _mm256_set1_epi32(f.cy), _mm256_set1_epi32(std::int32_t(src.stride))};
}

// Eight offsets at a time, then eight plain loads: for processors whose gathers are slow.
__attribute__((target("avx2"))) void RotateRowVector(const RotateFrame &f, const SourcePicture &src,
                                                     BYTE *out, LONG first, LONG end, double dySin,
                                                     double dyCos) {
  const Avx2Row k = Avx2RowFor(f, src, dySin, dyCos);
  LONG i = first;
  for (; i + 8 <= end; i += 8) {
    const __m256i offsets = EightOffsets(f, k, i);
    // Offsets inside the picture are not negative: two to a 64-bit word, zero-extended.
    const __m128i low = _mm256_castsi256_si128(offsets),
                  high = _mm256_extracti128_si256(offsets, 1);
    const std::uint64_t pairs[4] = {
        std::uint64_t(_mm_cvtsi128_si64(low)), std::uint64_t(_mm_extract_epi64(low, 1)),
        std::uint64_t(_mm_cvtsi128_si64(high)), std::uint64_t(_mm_extract_epi64(high, 1))};
    BYTE *to = out + 4 * std::ptrdiff_t(i);
    for (int p = 0; p < 4; ++p) {
      StorePixel(to + 8 * p, LoadPixel(src.pixels + std::uint32_t(pairs[p])));
      StorePixel(to + 8 * p + 4, LoadPixel(src.pixels + (pairs[p] >> 32)));
    }
  }
  RotateRowPlain(f, src, out, i, end, dySin, dyCos);
}

// Eight offsets and one gather at a time: for processors whose gathers are fast.
__attribute__((target("avx2"))) void RotateRowGather(const RotateFrame &f, const SourcePicture &src,
                                                     BYTE *out, LONG first, LONG end, double dySin,
                                                     double dyCos) {
  const Avx2Row k = Avx2RowFor(f, src, dySin, dyCos);
  const int *base = reinterpret_cast<const int *>(src.pixels);
  LONG i = first;
  for (; i + 8 <= end; i += 8)
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 4 * std::ptrdiff_t(i)),
                        _mm256_i32gather_epi32(base, EightOffsets(f, k, i), 1));
  RotateRowPlain(f, src, out, i, end, dySin, dyCos);
}

RotateRowFunction RotateRowFor(RoutineVariant variant) {
  switch (variant) {
  case RoutineVariant::kPlain:
    return RotateRowPlain;
  case RoutineVariant::kVector:
    return RotateRowVector;
  case RoutineVariant::kGather:
    return RotateRowGather;
  }
  return RotateRowPlain;
}

void ZeroPixels(BYTE *out, LONG first, LONG end) {
  if (first < end) std::memset(out + 4 * std::ptrdiff_t(first), 0, 4 * std::size_t(end - first));
}

// The frame without the column products, every pixel computed in full.
void PanelRotateInFull(const SourcePicture &src, const DestinationPicture &dst, LONG w, LONG h,
                       float cosTheta, float sinTheta) {
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
      const bool inside = u >= 0 && u < w && v >= 0 && v < h;
      StorePixel(out + 4 * std::ptrdiff_t(i),
                 inside ? LoadPixel(src.Row(v) + 4 * std::ptrdiff_t(u)) : 0);
    }
  }
}

} // namespace

void PanelRotate(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                 double x, WorkingMemory &memory) {
  const LONG w = size.width;
  const LONG h = size.height;
  // Two full turns over the value's range: 4π, rounded to a float as the angle always was.
  constexpr double kTwoTurns = 12.566370964050293;
  const double theta = x * kTwoTurns;
  const float cosTheta = float(std::cos(theta));
  const float sinTheta = float(std::sin(theta));
  const LONG cx = w / 2;
  const LONG cy = h / 2;

  double *const columns = static_cast<double *>(memory.Get(2 * std::size_t(w) * sizeof(double)));
  if (!columns) {
    PanelRotateInFull(src, dst, w, h, cosTheta, sinTheta);
    return;
  }
  for (LONG i = 0; i < w; ++i) {
    const LONG dx = i - cx;
    columns[i] = dx * double(cosTheta);
    columns[std::size_t(w) + std::size_t(i)] = -dx * double(sinTheta);
  }
  const RotateFrame f{w, h, cx, cy, cosTheta, sinTheta, columns, columns + w};
  // The vector forms address the source with 32-bit byte offsets.
  const bool offsetsFit = std::int64_t(h) * src.stride <= std::numeric_limits<std::int32_t>::max();
  const RotateRowFunction rotateRow =
      offsetsFit ? RotateRowFor(VariantFor(VariantRoutine::kPanelRotate)) : RotateRowPlain;

  LONG first[kBlockRows], end[kBlockRows];
  RotateFootprint next;
  for (LONG r0 = 0; r0 < h; r0 += kBlockRows) {
    const LONG r1 = std::min(h, r0 + kBlockRows);
    for (LONG r = r0; r < r1; ++r) {
      const LONG dy = r - cy;
      const double dySin = dy * double(sinTheta);
      const double dyCos = dy * double(cosTheta);
      LONG a = 0, b = w;
      // u rises with the column when cos >= 0; v = cy + trunc(-dx sin + ...) rises when sin <= 0.
      Narrow(a, b, w, cosTheta >= 0.0f, w, [&](LONG i) { return f.SourceColumn(i, dySin); });
      Narrow(a, b, w, sinTheta <= 0.0f, h, [&](LONG i) { return f.SourceRow(i, dyCos); });
      if (a >= b) a = b = w;
      ZeroPixels(dst.Row(r), 0, a);
      ZeroPixels(dst.Row(r), b, w);
      first[r - r0] = a;
      end[r - r0] = b;
    }
    for (LONG i0 = 0; i0 < w; i0 += kBlockColumns) {
      const LONG i1 = std::min(w, i0 + kBlockColumns);
      // The next block: to the right, or the first of the next row of blocks.
      if (i1 < w)
        next.Start(f, src, r0, r1, i1, std::min(w, i1 + kBlockColumns));
      else
        next.Start(f, src, r1, std::min(h, r1 + kBlockRows), 0, std::min(w, kBlockColumns));
      const std::ptrdiff_t fetchesPerRow = (next.Lines() + (r1 - r0) - 1) / (r1 - r0);
      for (LONG r = r0; r < r1; ++r) {
        const LONG a = std::max(first[r - r0], i0);
        const LONG b = std::min(end[r - r0], i1);
        if (a < b) {
          const LONG dy = r - cy;
          rotateRow(f, src, dst.Row(r), a, b, dy * double(sinTheta), dy * double(cosTheta));
        }
        next.Fetch(fetchesPerRow);
      }
    }
  }
}
