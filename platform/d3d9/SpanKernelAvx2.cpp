// The span kernels with AVX2: eight pixels a block. Built with AVX2 enabled for this file only;
// the device runs them only on processors that have it (see SpanKernels.cpp).
#include "platform/d3d9/FastSpan.h"

#if defined(__AVX2__)
#include "platform/d3d9/SpanKernel.h"

#include <immintrin.h>

namespace zrq::d3d9 {
namespace {

// UseGather: texels scattered over the texture are fetched with the gather instruction, else one
// by one (which is faster where gathers are slow).
template <bool UseGather> struct Avx2Lanes {
  static constexpr int N = 8;
  static constexpr unsigned kAll = 0xFF;
  using P = __m256i;
  using H = __m256i;
  using D = __m256d;

  static P Load(const uint32_t *p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
  }
  static void Store(uint32_t *p, P v) { _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v); }
  static P Splat(uint32_t v) { return _mm256_set1_epi32(static_cast<int>(v)); }
  static P Zero() { return _mm256_setzero_si256(); }
  static P AllOnes() { return _mm256_set1_epi32(-1); }
  static P And(P a, P b) { return _mm256_and_si256(a, b); }
  static P Or(P a, P b) { return _mm256_or_si256(a, b); }
  static P AndNot(P a, P b) { return _mm256_andnot_si256(a, b); } // ~a & b
  static P Add(P a, P b) { return _mm256_add_epi32(a, b); }
  static P Sub(P a, P b) { return _mm256_sub_epi32(a, b); }
  static P Mul(P a, P b) { return _mm256_mullo_epi32(a, b); }
  static P Srl8(P a) { return _mm256_srli_epi32(a, 8); }
  static P Sll8(P a) { return _mm256_slli_epi32(a, 8); }
  static P CmpEq(P a, P b) { return _mm256_cmpeq_epi32(a, b); }
  static P CmpGt(P a, P b) { return _mm256_cmpgt_epi32(a, b); }
  static unsigned Mask(P m) {
    return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(m)));
  }
  static P Select(P m, P a, P b) { return _mm256_blendv_epi8(b, a, m); }
  static P Iota() { return _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7); }
  static P Reverse(P a) {
    return _mm256_permutevar8x32_epi32(a, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0));
  }
  static int First(P a) { return _mm256_cvtsi256_si32(a); }
  static P AddsU8(P a, P b) { return _mm256_adds_epu8(a, b); }

  // row[iu] for each lane.
  static P Gather(const uint32_t *row, P iu) {
    if constexpr (UseGather) {
      return _mm256_i32gather_epi32(reinterpret_cast<const int *>(row), iu, 4);
    } else {
      alignas(32) int32_t u[8];
      _mm256_store_si256(reinterpret_cast<__m256i *>(u), iu);
      return _mm256_setr_epi32(static_cast<int>(row[u[0]]), static_cast<int>(row[u[1]]),
                               static_cast<int>(row[u[2]]), static_cast<int>(row[u[3]]),
                               static_cast<int>(row[u[4]]), static_cast<int>(row[u[5]]),
                               static_cast<int>(row[u[6]]), static_cast<int>(row[u[7]]));
    }
  }
  // p[0], p[step], ..., p[7·step].
  static P GatherStep(const uint32_t *p, ptrdiff_t step) {
    return _mm256_setr_epi32(static_cast<int>(p[0]), static_cast<int>(p[step]),
                             static_cast<int>(p[2 * step]), static_cast<int>(p[3 * step]),
                             static_cast<int>(p[4 * step]), static_cast<int>(p[5 * step]),
                             static_cast<int>(p[6 * step]), static_cast<int>(p[7 * step]));
  }
  // texels[iv × pitch + iu] for each lane; the texture holds fewer than 2^31 texels.
  static P Gather2(const uint32_t *texels, int pitch, P iv, P iu) {
    return Gather(texels, _mm256_add_epi32(_mm256_mullo_epi32(iv, _mm256_set1_epi32(pitch)), iu));
  }

  static D SplatD(double v) { return _mm256_set1_pd(v); }
  static D AddD(D a, D b) { return _mm256_add_pd(a, b); }
  static D MulD(D a, D b) { return _mm256_mul_pd(a, b); }
  static D MinD(D a, D b) { return _mm256_min_pd(a, b); }
  static D SubD(D a, D b) { return _mm256_sub_pd(a, b); }
  // Which of four table entries each lane takes (segment[l] − base, below four), as the pair
  // of 32-bit halves 2i, 2i + 1 that make up double i.
  using DIndex = __m256i;
  static DIndex SegmentIndex(const uint16_t *segment, int base) {
    int64_t four;
    std::memcpy(&four, segment, sizeof four);
    const __m128i i =
        _mm_sub_epi32(_mm_cvtepu16_epi32(_mm_cvtsi64_si128(four)), _mm_set1_epi32(base));
    const __m256i wide = _mm256_cvtepu32_epi64(i);
    return _mm256_add_epi64(
        _mm256_add_epi64(_mm256_slli_epi64(wide, 1), _mm256_slli_epi64(wide, 33)),
        _mm256_set1_epi64x(int64_t{1} << 32));
  }
  static D Pick(const double *table, DIndex index) {
    return _mm256_castps_pd(
        _mm256_permutevar8x32_ps(_mm256_castpd_ps(_mm256_loadu_pd(table)), index));
  }
  static D IotaLo() { return _mm256_setr_pd(0.0, 1.0, 2.0, 3.0); }
  static D IotaHi() { return _mm256_setr_pd(4.0, 5.0, 6.0, 7.0); }
  // Whether every lane of lo and hi lies in [0, size).
  static bool Inside(D lo, D hi, D size) {
    const D zero = _mm256_setzero_pd();
    const D in = _mm256_and_pd(
        _mm256_and_pd(_mm256_cmp_pd(lo, zero, _CMP_GE_OQ), _mm256_cmp_pd(lo, size, _CMP_LT_OQ)),
        _mm256_and_pd(_mm256_cmp_pd(hi, zero, _CMP_GE_OQ), _mm256_cmp_pd(hi, size, _CMP_LT_OQ)));
    return _mm256_movemask_pd(in) == 0xF;
  }
  static P Trunc(D lo, D hi) {
    return _mm256_set_m128i(_mm256_cvttpd_epi32(hi), _mm256_cvttpd_epi32(lo));
  }
  // ToDepth24 of each lane's z taken to single precision.
  static P Depth24(D lo, D hi) {
    const __m256 z = _mm256_set_m128(_mm256_cvtpd_ps(hi), _mm256_cvtpd_ps(lo));
    const P positive = _mm256_castps_si256(_mm256_cmp_ps(z, _mm256_setzero_ps(), _CMP_GT_OQ));
    const P one = _mm256_castps_si256(_mm256_cmp_ps(z, _mm256_set1_ps(1.0f), _CMP_GE_OQ));
    const D scale = _mm256_set1_pd(16777215.0), half = _mm256_set1_pd(0.5);
    const P v = Trunc(
        _mm256_add_pd(_mm256_mul_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(z)), scale), half),
        _mm256_add_pd(_mm256_mul_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(z, 1)), scale), half));
    return Select(one, Splat(0xFFFFFF), And(v, positive));
  }

  // The 16-bit halves work within each 128-bit lane; Pack puts the pixels back in order.
  static H Lo(P a) { return _mm256_unpacklo_epi8(a, _mm256_setzero_si256()); }
  static H Hi(P a) { return _mm256_unpackhi_epi8(a, _mm256_setzero_si256()); }
  static P Pack(H lo, H hi) { return _mm256_packus_epi16(lo, hi); }
  static H Splat16(uint32_t pixel) { return Lo(Splat(pixel)); }
  // round(a × b ÷ 255) on 16-bit lanes holding bytes (see the SSE2 kernels).
  static H Mul8(H a, H b) {
    const H t = _mm256_add_epi16(_mm256_mullo_epi16(a, b), _mm256_set1_epi16(128));
    return _mm256_srli_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), 8);
  }
  static H Add16(H a, H b) { return _mm256_add_epi16(a, b); }
  static H Sub16(H a, H b) { return _mm256_sub_epi16(a, b); }
  static H SubsU16(H a, H b) { return _mm256_subs_epu16(a, b); }
  static H Min16(H a, H b) { return _mm256_min_epi16(a, b); }
  static H Max16(H a, H b) { return _mm256_max_epi16(a, b); }
  static H CmpEq16(H a, H b) { return _mm256_cmpeq_epi16(a, b); }
  // Each pixel's alpha in its four lanes.
  static H SpreadAlpha(H a) {
    return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(a, _MM_SHUFFLE(3, 3, 3, 3)),
                                  _MM_SHUFFLE(3, 3, 3, 3));
  }
};

} // namespace

const SpanKernelTable *Avx2SpanKernels(bool gather) {
  static const SpanKernelTable loads = SpanKernelFor<Avx2Lanes<false>>::Table();
  static const SpanKernelTable gathers = SpanKernelFor<Avx2Lanes<true>>::Table();
  return gather ? &gathers : &loads;
}

} // namespace zrq::d3d9

#else

namespace zrq::d3d9 {
const SpanKernelTable *Avx2SpanKernels(bool) { return nullptr; }
} // namespace zrq::d3d9

#endif
