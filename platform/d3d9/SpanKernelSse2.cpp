// The span kernels with SSE2, which every x86-64 processor has: four pixels a block.
#include "platform/d3d9/FastSpan.h"

#if defined(__SSE2__)
#include "platform/d3d9/SpanKernel.h"

#include <emmintrin.h>

namespace zrq::d3d9 {
namespace {

struct Sse2Lanes {
  static constexpr int N = 4;
  static constexpr unsigned kAll = 0xF;
  using P = __m128i;
  using H = __m128i;
  using D = __m128d;

  static P Load(const uint32_t *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
  static void Store(uint32_t *p, P v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); }
  static P Splat(uint32_t v) { return _mm_set1_epi32(static_cast<int>(v)); }
  static P Zero() { return _mm_setzero_si128(); }
  static P AllOnes() { return _mm_set1_epi32(-1); }
  static P And(P a, P b) { return _mm_and_si128(a, b); }
  static P Or(P a, P b) { return _mm_or_si128(a, b); }
  static P AndNot(P a, P b) { return _mm_andnot_si128(a, b); } // ~a & b
  static P Add(P a, P b) { return _mm_add_epi32(a, b); }
  static P Sub(P a, P b) { return _mm_sub_epi32(a, b); }
  // Low 32 bits of each lane's product (SSE2 multiplies only even lanes at a time).
  static P Mul(P a, P b) {
    const __m128i even = _mm_mul_epu32(a, b),
                  odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
  }
  static P Srl8(P a) { return _mm_srli_epi32(a, 8); }
  static P Sll8(P a) { return _mm_slli_epi32(a, 8); }
  static P CmpEq(P a, P b) { return _mm_cmpeq_epi32(a, b); }
  static P CmpGt(P a, P b) { return _mm_cmpgt_epi32(a, b); }
  static unsigned Mask(P m) { return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(m))); }
  static P Select(P m, P a, P b) {
    return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b));
  }
  static P Iota() { return _mm_setr_epi32(0, 1, 2, 3); }
  static P Reverse(P a) { return _mm_shuffle_epi32(a, _MM_SHUFFLE(0, 1, 2, 3)); }
  static int First(P a) { return _mm_cvtsi128_si32(a); }
  static P AddsU8(P a, P b) { return _mm_adds_epu8(a, b); }

  // row[iu] for each lane.
  static P Gather(const uint32_t *row, P iu) {
    alignas(16) int32_t u[4];
    _mm_store_si128(reinterpret_cast<__m128i *>(u), iu);
    return _mm_setr_epi32(static_cast<int>(row[u[0]]), static_cast<int>(row[u[1]]),
                          static_cast<int>(row[u[2]]), static_cast<int>(row[u[3]]));
  }
  // p[0], p[step], p[2·step], p[3·step].
  static P GatherStep(const uint32_t *p, ptrdiff_t step) {
    return _mm_setr_epi32(static_cast<int>(p[0]), static_cast<int>(p[step]),
                          static_cast<int>(p[2 * step]), static_cast<int>(p[3 * step]));
  }
  // texels[iv × pitch + iu] for each lane.
  static P Gather2(const uint32_t *texels, int pitch, P iv, P iu) {
    alignas(16) int32_t u[4], v[4];
    _mm_store_si128(reinterpret_cast<__m128i *>(u), iu);
    _mm_store_si128(reinterpret_cast<__m128i *>(v), iv);
    auto at = [&](int k) {
      return static_cast<int>(texels[static_cast<ptrdiff_t>(v[k]) * pitch + u[k]]);
    };
    return _mm_setr_epi32(at(0), at(1), at(2), at(3));
  }

  static D SplatD(double v) { return _mm_set1_pd(v); }
  static D AddD(D a, D b) { return _mm_add_pd(a, b); }
  static D MulD(D a, D b) { return _mm_mul_pd(a, b); }
  static D MinD(D a, D b) { return _mm_min_pd(a, b); }
  static D SubD(D a, D b) { return _mm_sub_pd(a, b); }
  // Which of two table entries each lane takes (segment[l] − base, 0 or 1), as a lane mask of
  // the second.
  using DIndex = __m128d;
  static DIndex SegmentIndex(const uint16_t *segment, int base) {
    return _mm_castsi128_pd(_mm_set_epi64x(-static_cast<int64_t>(segment[1] - base),
                                           -static_cast<int64_t>(segment[0] - base)));
  }
  static D Pick(const double *table, DIndex second) {
    return _mm_or_pd(_mm_and_pd(second, _mm_set1_pd(table[1])),
                     _mm_andnot_pd(second, _mm_set1_pd(table[0])));
  }
  static D IotaLo() { return _mm_setr_pd(0.0, 1.0); }
  static D IotaHi() { return _mm_setr_pd(2.0, 3.0); }
  // Whether every lane of lo and hi lies in [0, size).
  static bool Inside(D lo, D hi, D size) {
    const D zero = _mm_setzero_pd();
    const D in = _mm_and_pd(_mm_and_pd(_mm_cmpge_pd(lo, zero), _mm_cmplt_pd(lo, size)),
                            _mm_and_pd(_mm_cmpge_pd(hi, zero), _mm_cmplt_pd(hi, size)));
    return _mm_movemask_pd(in) == 3;
  }
  static P Trunc(D lo, D hi) {
    return _mm_unpacklo_epi64(_mm_cvttpd_epi32(lo), _mm_cvttpd_epi32(hi));
  }
  // ToDepth24 of each lane's z taken to single precision.
  static P Depth24(D lo, D hi) {
    const __m128 z = _mm_movelh_ps(_mm_cvtpd_ps(lo), _mm_cvtpd_ps(hi));
    const P positive = _mm_castps_si128(_mm_cmpgt_ps(z, _mm_setzero_ps()));
    const P one = _mm_castps_si128(_mm_cmpge_ps(z, _mm_set1_ps(1.0f)));
    const D scale = _mm_set1_pd(16777215.0), half = _mm_set1_pd(0.5);
    const P v = Trunc(_mm_add_pd(_mm_mul_pd(_mm_cvtps_pd(z), scale), half),
                      _mm_add_pd(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(z, z)), scale), half));
    return Select(one, Splat(0xFFFFFF), And(v, positive));
  }

  static H Lo(P a) { return _mm_unpacklo_epi8(a, _mm_setzero_si128()); }
  static H Hi(P a) { return _mm_unpackhi_epi8(a, _mm_setzero_si128()); }
  static P Pack(H lo, H hi) { return _mm_packus_epi16(lo, hi); }
  static H Splat16(uint32_t pixel) { return Lo(Splat(pixel)); }
  // round(a × b ÷ 255) on 16-bit lanes holding bytes; exact in 16 bits, as a × b + 128 plus
  // its high byte stays below 65536.
  static H Mul8(H a, H b) {
    const H t = _mm_add_epi16(_mm_mullo_epi16(a, b), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
  }
  static H Add16(H a, H b) { return _mm_add_epi16(a, b); }
  static H Sub16(H a, H b) { return _mm_sub_epi16(a, b); }
  static H SubsU16(H a, H b) { return _mm_subs_epu16(a, b); }
  static H Min16(H a, H b) { return _mm_min_epi16(a, b); }
  static H Max16(H a, H b) { return _mm_max_epi16(a, b); }
  static H CmpEq16(H a, H b) { return _mm_cmpeq_epi16(a, b); }
  // Each pixel's alpha in its four lanes.
  static H SpreadAlpha(H a) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, _MM_SHUFFLE(3, 3, 3, 3)),
                               _MM_SHUFFLE(3, 3, 3, 3));
  }
};

} // namespace

const SpanKernelTable *Sse2SpanKernels() {
  static const SpanKernelTable table = SpanKernelFor<Sse2Lanes>::Table();
  return &table;
}

} // namespace zrq::d3d9

#else

namespace zrq::d3d9 {
const SpanKernelTable *Sse2SpanKernels() { return nullptr; }
} // namespace zrq::d3d9

#endif
