// Panel rotate: every destination pixel looks up the source pixel at its offset from the centre
// turned by the angle; what falls outside the source becomes 0.
//
// The column products dx x cos and -dx x sin are the same in every row, so they are formed once
// per frame; each pixel then costs two additions and two truncations, exactly as the plain
// formula. Both source coordinates are monotonic along a row (rounding and truncation keep
// order), so the columns that land inside the source form one interval, found per row by
// bisection; the columns outside it are zero-filled without looking at the source.
#include "render/software/CpuFeatures.h"
#include "render/software/SoftwareRoutines.h"

#include <immintrin.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>

namespace {

struct RotateFrame {
  LONG w, h, cx, cy;
  float cosTheta, sinTheta;
  const double *columnCos; // dx x cos theta per column
  const double *columnSin; // -dx x sin theta per column
};

LONG SourceColumn(const RotateFrame &f, LONG i, double dySin) { return f.cx + LONG(f.columnCos[i] + dySin); }
LONG SourceRow(const RotateFrame &f, LONG i, double dyCos) { return f.cy + LONG(f.columnSin[i] + dyCos); }

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
template <typename Coord> void Narrow(LONG &first, LONG &end, LONG w, bool rising, LONG limit, Coord g) {
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

void RotatePixelsScalar(const RotateFrame &f, const SourcePicture &src, BYTE *out, LONG first, LONG end,
                        double dySin, double dyCos) {
  for (LONG i = first; i < end; ++i) {
    const LONG u = SourceColumn(f, i, dySin);
    const LONG v = SourceRow(f, i, dyCos);
    StorePixel(out + 4 * std::ptrdiff_t(i), LoadPixel(src.Row(v) + 4 * std::ptrdiff_t(u)));
  }
}

// Eight pixels a step: the same additions and truncating conversions as the scalar loop, then
// one gather. Byte offsets are 32-bit, so the caller checks that the source fits.
__attribute__((target("avx2"))) void RotatePixelsAvx2(const RotateFrame &f, const SourcePicture &src, BYTE *out,
                                                      LONG first, LONG end, double dySin, double dyCos) {
  const __m256d addSin = _mm256_set1_pd(dySin);
  const __m256d addCos = _mm256_set1_pd(dyCos);
  const __m256i cx = _mm256_set1_epi32(f.cx);
  const __m256i cy = _mm256_set1_epi32(f.cy);
  const __m256i stride = _mm256_set1_epi32(int(src.stride));
  const int *base = reinterpret_cast<const int *>(src.pixels);
  LONG i = first;
  for (; i + 8 <= end; i += 8) {
    const __m128i u0 = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_loadu_pd(f.columnCos + i), addSin));
    const __m128i u1 = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_loadu_pd(f.columnCos + i + 4), addSin));
    const __m128i v0 = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_loadu_pd(f.columnSin + i), addCos));
    const __m128i v1 = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_loadu_pd(f.columnSin + i + 4), addCos));
    const __m256i u = _mm256_add_epi32(_mm256_set_m128i(u1, u0), cx);
    const __m256i v = _mm256_add_epi32(_mm256_set_m128i(v1, v0), cy);
    const __m256i offset = _mm256_add_epi32(_mm256_mullo_epi32(v, stride), _mm256_slli_epi32(u, 2));
    const __m256i pixels = _mm256_i32gather_epi32(base, offset, 1);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 4 * std::ptrdiff_t(i)), pixels);
  }
  RotatePixelsScalar(f, src, out, i, end, dySin, dyCos);
}

void ZeroPixels(BYTE *out, LONG first, LONG end) {
  if (first < end)
    std::memset(out + 4 * std::ptrdiff_t(first), 0, 4 * std::size_t(end - first));
}

} // namespace

void PanelRotate(const SourcePicture &src, const DestinationPicture &dst, PictureSize size, double x) {
  const LONG w = size.width;
  const LONG h = size.height;
  const double theta = x * 12.566370964050293;
  const float cosTheta = float(std::cos(theta));
  const float sinTheta = float(std::sin(theta));
  const LONG cx = w / 2;
  const LONG cy = h / 2;

  std::unique_ptr<double[]> columns(new (std::nothrow) double[2 * std::size_t(w)]);
  if (!columns) {
    // Without room for the column products every pixel is computed in full.
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
        StorePixel(out + 4 * std::ptrdiff_t(i), inside ? LoadPixel(src.Row(v) + 4 * std::ptrdiff_t(u)) : 0);
      }
    }
    return;
  }
  for (LONG i = 0; i < w; ++i) {
    const LONG dx = i - cx;
    columns[i] = dx * double(cosTheta);
    columns[std::size_t(w) + std::size_t(i)] = -dx * double(sinTheta);
  }
  const RotateFrame f{w, h, cx, cy, cosTheta, sinTheta, columns.get(), columns.get() + w};
  // The gather addresses the source with 32-bit byte offsets.
  const bool gather = VariantFor(VariantRoutine::kPanelRotate) == RoutineVariant::kGather &&
                      std::int64_t(h) * src.stride <= std::numeric_limits<std::int32_t>::max();

  for (LONG r = 0; r < h; ++r) {
    const LONG dy = r - cy;
    const double dySin = dy * double(sinTheta);
    const double dyCos = dy * double(cosTheta);
    BYTE *out = dst.Row(r);
    LONG first = 0, end = w;
    // u rises with the column when cos >= 0; v = cy + trunc(-dx sin + ...) rises when sin <= 0.
    Narrow(first, end, w, cosTheta >= 0.0f, w, [&](LONG i) { return SourceColumn(f, i, dySin); });
    Narrow(first, end, w, sinTheta <= 0.0f, h, [&](LONG i) { return SourceRow(f, i, dyCos); });
    if (first >= end) {
      ZeroPixels(out, 0, w);
      continue;
    }
    ZeroPixels(out, 0, first);
    if (gather)
      RotatePixelsAvx2(f, src, out, first, end, dySin, dyCos);
    else
      RotatePixelsScalar(f, src, out, first, end, dySin, dyCos);
    ZeroPixels(out, end, w);
  }
}
