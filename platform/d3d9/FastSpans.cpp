// The fast path for the common case of video drawing: a point-sampled texture times a
// constant colour on an affine triangle, written over or blended with source alpha onto the
// target. Texel coordinates step in 32.32 fixed point; colour maths uses 16-bit SSE2 lanes and
// gives the same bytes as the general path (Mul8 rounding).
#include "platform/d3d9/Pipeline.h"

#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zrq::d3d9 {
namespace {

constexpr double kFixedOne = 4294967296.0;  // 2^32

#if defined(__SSE2__)
// round(a × b ÷ 255) on eight 16-bit lanes holding bytes.
inline __m128i Mul8x8(__m128i a, __m128i b) {
  const __m128i t = _mm_add_epi16(_mm_mullo_epi16(a, b), _mm_set1_epi16(128));
  return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

// Alpha of each pixel copied into its four lanes.
inline __m128i SpreadAlpha(__m128i px16) {
  const __m128i lo = _mm_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
  return _mm_shufflehi_epi16(lo, _MM_SHUFFLE(3, 3, 3, 3));
}

// Four texels times the constant k16 (16-bit lanes, two pixels' worth), optionally over dst.
inline __m128i Shade4(__m128i texels, __m128i k16, bool modulate, bool blend, __m128i dst) {
  const __m128i zero = _mm_setzero_si128();
  __m128i lo = _mm_unpacklo_epi8(texels, zero), hi = _mm_unpackhi_epi8(texels, zero);
  if (modulate) {
    lo = Mul8x8(lo, k16);
    hi = Mul8x8(hi, k16);
  }
  if (blend) {
    const __m128i full = _mm_set1_epi16(255);
    const __m128i dlo = _mm_unpacklo_epi8(dst, zero), dhi = _mm_unpackhi_epi8(dst, zero);
    const __m128i alo = SpreadAlpha(lo), ahi = SpreadAlpha(hi);
    lo = _mm_add_epi16(Mul8x8(lo, alo), Mul8x8(dlo, _mm_sub_epi16(full, alo)));
    hi = _mm_add_epi16(Mul8x8(hi, ahi), Mul8x8(dhi, _mm_sub_epi16(full, ahi)));
  }
  return _mm_packus_epi16(lo, hi);
}
#endif

inline uint32_t Modulate(uint32_t t, uint32_t k) {
  uint32_t out = 0;
  for (int i = 0; i < 32; i += 8) out |= Mul8((t >> i) & 0xFF, (k >> i) & 0xFF) << i;
  return out;
}

inline uint32_t Over(uint32_t s, uint32_t d) {
  const uint32_t a = s >> 24;
  uint32_t out = 0;
  for (int i = 0; i < 32; i += 8) {
    const uint32_t v = Mul8((s >> i) & 0xFF, a) + Mul8((d >> i) & 0xFF, 255 - a);
    out |= (v > 255 ? 255 : v) << i;
  }
  return out;
}

}  // namespace

bool DrawFastSpan(const PixelSetup &s, const TriangleGradients &g, int y, int x0, int x1) {
  const StageSetup &st = s.stages[0];
  const DWORD filter = g.magnified[0] ? st.sampler.magFilter : st.sampler.minFilter;
  if (filter != D3DTEXF_POINT && filter != D3DTEXF_NONE) return false;
  const int width = st.texture.width, height = st.texture.height;
  const double fy = y - g.refY, fx = x0 - g.refX;
  const double u = (g.v0[4] + g.dvdx[4] * fx + g.dvdy[4] * fy) * width;
  const double v = (g.v0[5] + g.dvdx[5] * fx + g.dvdy[5] * fy) * height;
  const double du = g.dvdx[4] * width, dv = g.dvdx[5] * height;
  if (!(std::fabs(u) < 1e6 && std::fabs(v) < 1e6 && std::fabs(du) < 1e6 && std::fabs(dv) < 1e6)) return false;
  const int64_t U = static_cast<int64_t>(std::floor(u * kFixedOne));
  const int64_t V = static_cast<int64_t>(std::floor(v * kFixedOne));
  const int64_t dU = std::llround(du * kFixedOne), dV = std::llround(dv * kFixedOne);
  const int n = x1 - x0;
  // Coordinates are linear along the span, so checking both ends keeps every texel read in
  // bounds; spans that need addressing go to the general path.
  const int64_t Uend = U + dU * n, Vend = V + dV * n;
  auto inside = [](int64_t a, int64_t b, int size) {
    return a >= 0 && b >= 0 && (a >> 32) < size && (b >> 32) < size;
  };
  if (!inside(U, Uend, width) || !inside(V, Vend, height)) return false;

  const uint32_t k = (g.diffuse & s.fastDiffuseMask) | ~s.fastDiffuseMask;
  const bool modulate = k != 0xFFFFFFFFu;
  const bool blend = s.fastAlphaBlend;
  const uint32_t alphaOr = st.texture.alphaOr;
  const uint32_t *tex = st.texture.texels;
  const int pitch = st.texture.pitch;
  uint32_t *dst = s.target + static_cast<ptrdiff_t>(y) * s.targetPitch + x0;
  const uint32_t dstOr = s.targetHasAlpha ? 0u : 0xFF000000u;

  // One texel per pixel along a texture row: the span is a copy.
  if (!modulate && !blend && alphaOr == 0 && dV == 0 && dU == (int64_t{1} << 32)) {
    std::memcpy(dst, tex + (V >> 32) * pitch + (U >> 32), static_cast<size_t>(n + 1) * 4);
    return true;
  }

  int64_t cu = U, cv = V;
  int i = 0;
#if defined(__SSE2__)
  const __m128i k8 = _mm_set1_epi32(static_cast<int>(k));
  const __m128i k16 = _mm_unpacklo_epi8(k8, _mm_setzero_si128());
  const __m128i alpha4 = _mm_set1_epi32(static_cast<int>(alphaOr));
  const __m128i dstAlpha4 = _mm_set1_epi32(static_cast<int>(dstOr));
  for (; i + 4 <= n + 1; i += 4) {
    alignas(16) uint32_t t[4];
    for (int j = 0; j < 4; ++j) {
      t[j] = tex[(cv >> 32) * pitch + (cu >> 32)];
      cu += dU;
      cv += dV;
    }
    const __m128i texels = _mm_or_si128(_mm_load_si128(reinterpret_cast<const __m128i *>(t)), alpha4);
    __m128i d = _mm_setzero_si128();
    if (blend) d = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(dst + i)), dstAlpha4);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), Shade4(texels, k16, modulate, blend, d));
  }
#endif
  for (; i <= n; ++i) {
    uint32_t t = tex[(cv >> 32) * pitch + (cu >> 32)] | alphaOr;
    cu += dU;
    cv += dV;
    if (modulate) t = Modulate(t, k);
    dst[i] = blend ? Over(t, dst[i] | dstOr) : t;
  }
  return true;
}

}  // namespace zrq::d3d9
