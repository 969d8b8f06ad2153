// The fast path for the common case of video drawing: a point-sampled texture times a
// constant colour on an affine triangle, written over, laid over with source alpha, or blended
// with any factors onto the target. Texel coordinates step in 32.32 fixed point; colour maths
// uses 16-bit SSE2 lanes and gives the same bytes as the general path: every product is Mul8's
// round(a × b ÷ 255), sums saturate at 255 and differences at 0, as in the output merger.
#include "platform/d3d9/Pipeline.h"

#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zrq::d3d9 {
namespace {

constexpr double kFixedOne = 4294967296.0;  // 2^32

// One span's texel walk and target.
struct SpanJob {
  const uint32_t *tex;
  int pitch;                 // in texels
  int64_t u, v, du, dv;      // 32.32 texel coordinates and their steps
  uint32_t *dst;
  int count;
  uint32_t alphaOr;          // forced into every texel (formats without alpha)
  uint32_t dstOr;            // forced into every target pixel read (targets without alpha)
  uint32_t k;                // the constant colour texels are multiplied by
};

// The next texel of the walk.
inline uint32_t NextTexel(const SpanJob &j, int64_t &cu, int64_t &cv) {
  const uint32_t t = j.tex[(cv >> 32) * j.pitch + (cu >> 32)];
  cu += j.du;
  cv += j.dv;
  return t;
}

#if defined(__SSE2__)
// round(a × b ÷ 255) on eight 16-bit lanes holding bytes; exact in 16 bits, as a × b + 128
// plus its high byte stays below 65536.
inline __m128i Mul8x8(__m128i a, __m128i b) {
  const __m128i t = _mm_add_epi16(_mm_mullo_epi16(a, b), _mm_set1_epi16(128));
  return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

// Alpha of each pixel copied into its four lanes.
inline __m128i SpreadAlpha(__m128i px16) {
  const __m128i lo = _mm_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
  return _mm_shufflehi_epi16(lo, _MM_SHUFFLE(3, 3, 3, 3));
}

// The per-draw constants of the blend, in 16-bit lanes (two pixels' worth).
struct BlendTerms {
  __m128i k16;          // constant colour
  __m128i factor16;     // D3DRS_BLENDFACTOR
  __m128i alphaLanes;   // 0xFFFF on the alpha lanes
  DWORD srcColour, destColour, srcAlpha, destAlpha, opColour, opAlpha;
  bool sameAlpha;
};

inline __m128i Factor16(DWORD f, __m128i s, __m128i d, const BlendTerms &t) {
  const __m128i full = _mm_set1_epi16(255);
  switch (f) {
    case D3DBLEND_ZERO: return _mm_setzero_si128();
    case D3DBLEND_SRCCOLOR: return s;
    case D3DBLEND_INVSRCCOLOR: return _mm_sub_epi16(full, s);
    case D3DBLEND_SRCALPHA: return SpreadAlpha(s);
    case D3DBLEND_INVSRCALPHA: return _mm_sub_epi16(full, SpreadAlpha(s));
    case D3DBLEND_DESTALPHA: return SpreadAlpha(d);
    case D3DBLEND_INVDESTALPHA: return _mm_sub_epi16(full, SpreadAlpha(d));
    case D3DBLEND_DESTCOLOR: return d;
    case D3DBLEND_INVDESTCOLOR: return _mm_sub_epi16(full, d);
    case D3DBLEND_SRCALPHASAT: {
      // min(As, 1 − Ad) on colour, one on alpha.
      const __m128i m = _mm_min_epi16(SpreadAlpha(s), _mm_sub_epi16(full, SpreadAlpha(d)));
      return _mm_or_si128(_mm_andnot_si128(t.alphaLanes, m), _mm_and_si128(t.alphaLanes, full));
    }
    case D3DBLEND_BLENDFACTOR: return t.factor16;
    case D3DBLEND_INVBLENDFACTOR: return _mm_sub_epi16(full, t.factor16);
    default: return full;  // ONE; the set-up resolves every other value to a plain factor
  }
}

inline __m128i Operate16(DWORD op, DWORD sf, DWORD df, __m128i s, __m128i d, const BlendTerms &t) {
  switch (op) {
    case D3DBLENDOP_MIN: return _mm_min_epi16(s, d);
    case D3DBLENDOP_MAX: return _mm_max_epi16(s, d);
    default: break;
  }
  const __m128i a = Mul8x8(s, Factor16(sf, s, d, t)), b = Mul8x8(d, Factor16(df, s, d, t));
  switch (op) {
    case D3DBLENDOP_SUBTRACT: return _mm_subs_epu16(a, b);
    case D3DBLENDOP_REVSUBTRACT: return _mm_subs_epu16(b, a);
    default: return _mm_add_epi16(a, b);  // ADD; the pack saturates at 255
  }
}

inline __m128i Mixed16(__m128i s, __m128i d, const BlendTerms &t) {
  const __m128i colour = Operate16(t.opColour, t.srcColour, t.destColour, s, d, t);
  if (t.sameAlpha) return colour;
  const __m128i alpha = Operate16(t.opAlpha, t.srcAlpha, t.destAlpha, s, d, t);
  return _mm_or_si128(_mm_andnot_si128(t.alphaLanes, colour), _mm_and_si128(t.alphaLanes, alpha));
}

// Four texels, shaded and combined with four target pixels (dst, already read as opaque
// where the target has no alpha; unused when the pixels are written).
template <bool Modulate, FastBlend Kind>
inline __m128i Shade4(__m128i texels, __m128i dst, const BlendTerms &t) {
  const __m128i zero = _mm_setzero_si128();
  __m128i lo = _mm_unpacklo_epi8(texels, zero), hi = _mm_unpackhi_epi8(texels, zero);
  if constexpr (Modulate) {
    lo = Mul8x8(lo, t.k16);
    hi = Mul8x8(hi, t.k16);
  }
  if constexpr (Kind == FastBlend::Over) {
    const __m128i full = _mm_set1_epi16(255);
    const __m128i dlo = _mm_unpacklo_epi8(dst, zero), dhi = _mm_unpackhi_epi8(dst, zero);
    const __m128i alo = SpreadAlpha(lo), ahi = SpreadAlpha(hi);
    lo = _mm_add_epi16(Mul8x8(lo, alo), Mul8x8(dlo, _mm_sub_epi16(full, alo)));
    hi = _mm_add_epi16(Mul8x8(hi, ahi), Mul8x8(dhi, _mm_sub_epi16(full, ahi)));
  } else if constexpr (Kind == FastBlend::Mixed) {
    lo = Mixed16(lo, _mm_unpacklo_epi8(dst, zero), t);
    hi = Mixed16(hi, _mm_unpackhi_epi8(dst, zero), t);
  }
  return _mm_packus_epi16(lo, hi);
}

template <bool Modulate, FastBlend Kind>
void RunSpan(const SpanJob &j, const BlendTerms &t) {
  const __m128i alpha4 = _mm_set1_epi32(static_cast<int>(j.alphaOr));
  const __m128i dstAlpha4 = _mm_set1_epi32(static_cast<int>(j.dstOr));
  // One texel per pixel along a row: the texels load as they lie.
  const bool contiguous = j.dv == 0 && j.du == (int64_t{1} << 32);
  const uint32_t *row = j.tex + (j.v >> 32) * j.pitch + (j.u >> 32);
  int64_t cu = j.u, cv = j.v;
  int i = 0;
  for (; i + 4 <= j.count; i += 4) {
    __m128i texels;
    if (contiguous) {
      texels = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + i));
    } else {
      // Built in registers: four stores and a wide load would stall on store forwarding.
      const uint32_t a = NextTexel(j, cu, cv), b = NextTexel(j, cu, cv);
      const uint32_t c = NextTexel(j, cu, cv), d = NextTexel(j, cu, cv);
      texels = _mm_set_epi32(static_cast<int>(d), static_cast<int>(c), static_cast<int>(b), static_cast<int>(a));
    }
    texels = _mm_or_si128(texels, alpha4);
    __m128i *out = reinterpret_cast<__m128i *>(j.dst + i);
    __m128i d = _mm_setzero_si128();
    if constexpr (Kind != FastBlend::Write) d = _mm_or_si128(_mm_loadu_si128(out), dstAlpha4);
    _mm_storeu_si128(out, Shade4<Modulate, Kind>(texels, d, t));
  }
  if (i == j.count) return;
  // The last one to three pixels go through the same arithmetic in a scratch block.
  if (contiguous) cu = j.u + (int64_t{i} << 32);
  const int rest = j.count - i;
  alignas(16) uint32_t tex[4] = {}, dst[4] = {};
  for (int r = 0; r < rest; ++r) tex[r] = NextTexel(j, cu, cv);
  std::memcpy(dst, j.dst + i, static_cast<size_t>(rest) * 4);
  const __m128i texels = _mm_or_si128(_mm_load_si128(reinterpret_cast<const __m128i *>(tex)), alpha4);
  const __m128i d = _mm_or_si128(_mm_load_si128(reinterpret_cast<const __m128i *>(dst)), dstAlpha4);
  _mm_store_si128(reinterpret_cast<__m128i *>(dst), Shade4<Modulate, Kind>(texels, d, t));
  std::memcpy(j.dst + i, dst, static_cast<size_t>(rest) * 4);
}

template <bool Modulate>
void RunSpanFor(FastBlend kind, const SpanJob &j, const BlendTerms &t) {
  switch (kind) {
    case FastBlend::Write: return RunSpan<Modulate, FastBlend::Write>(j, t);
    case FastBlend::Over: return RunSpan<Modulate, FastBlend::Over>(j, t);
    case FastBlend::Mixed: return RunSpan<Modulate, FastBlend::Mixed>(j, t);
  }
}
#endif

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
  SpanJob j{st.texture.texels, st.texture.pitch, U, V, dU, dV,
            s.target + static_cast<ptrdiff_t>(y) * s.targetPitch + x0, n + 1, st.texture.alphaOr,
            s.targetHasAlpha ? 0u : 0xFF000000u, k};

  // One texel per pixel along a texture row: the span is a copy.
  if (!modulate && s.fastBlend == FastBlend::Write && j.alphaOr == 0 && dV == 0 && dU == (int64_t{1} << 32)) {
    std::memcpy(j.dst, j.tex + (V >> 32) * j.pitch + (U >> 32), static_cast<size_t>(j.count) * 4);
    return true;
  }
#if defined(__SSE2__)
  BlendTerms t;
  t.k16 = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(k)), _mm_setzero_si128());
  t.factor16 = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(s.blendFactor)), _mm_setzero_si128());
  t.alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
  t.srcColour = s.fastSrcColour;
  t.destColour = s.fastDestColour;
  t.srcAlpha = s.fastSrcAlpha;
  t.destAlpha = s.fastDestAlpha;
  t.opColour = s.fastOpColour;
  t.opAlpha = s.fastOpAlpha;
  t.sameAlpha = t.srcAlpha == t.srcColour && t.destAlpha == t.destColour && t.opAlpha == t.opColour;
  if (modulate)
    RunSpanFor<true>(s.fastBlend, j, t);
  else
    RunSpanFor<false>(s.fastBlend, j, t);
  return true;
#else
  return false;
#endif
}

}  // namespace zrq::d3d9
