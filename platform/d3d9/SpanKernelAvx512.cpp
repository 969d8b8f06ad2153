// The span kernels with AVX-512 (F, BW, DQ): sixteen pixels a block. Built with those enabled
// for this file only; the device runs them only on processors that have them (SpanKernels.cpp).
#include "platform/d3d9/FastSpan.h"

#if defined(__AVX512F__) && defined(__AVX512BW__) && defined(__AVX512DQ__)
#include "platform/d3d9/SpanKernel.h"

// GCC 12 takes the undefined pass-through vectors of its own AVX-512 intrinsics for
// uninitialised values once they are inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

namespace zrq::d3d9 {
namespace {

// Comparisons give lane masks as vectors (all ones or zero per lane), as the other sets do.
// UseGather: texels scattered over the texture are fetched with the gather instruction, else
// one by one.
template <bool UseGather> struct Avx512Lanes {
  static constexpr int N = 16;
  static constexpr unsigned kAll = 0xFFFF;
  using P = __m512i;
  using H = __m512i;
  using D = __m512d;

  static P Load(const uint32_t *p) { return _mm512_loadu_si512(p); }
  static void Store(uint32_t *p, P v) { _mm512_storeu_si512(p, v); }
  static P Splat(uint32_t v) { return _mm512_set1_epi32(static_cast<int>(v)); }
  static P Zero() { return _mm512_setzero_si512(); }
  static P AllOnes() { return _mm512_set1_epi32(-1); }
  static P And(P a, P b) { return _mm512_and_si512(a, b); }
  static P Or(P a, P b) { return _mm512_or_si512(a, b); }
  static P AndNot(P a, P b) { return _mm512_andnot_si512(a, b); } // ~a & b
  static P Add(P a, P b) { return _mm512_add_epi32(a, b); }
  static P Sub(P a, P b) { return _mm512_sub_epi32(a, b); }
  static P Mul(P a, P b) { return _mm512_mullo_epi32(a, b); }
  static P Srl8(P a) { return _mm512_srli_epi32(a, 8); }
  static P Sll8(P a) { return _mm512_slli_epi32(a, 8); }
  static P CmpEq(P a, P b) { return _mm512_movm_epi32(_mm512_cmpeq_epi32_mask(a, b)); }
  static P CmpGt(P a, P b) { return _mm512_movm_epi32(_mm512_cmpgt_epi32_mask(a, b)); }
  static unsigned Mask(P m) { return _mm512_movepi32_mask(m); }
  static P Select(P m, P a, P b) { return _mm512_mask_blend_epi32(_mm512_movepi32_mask(m), b, a); }
  static P Iota() {
    return _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  }
  static P Reverse(P a) {
    return _mm512_permutexvar_epi32(
        _mm512_setr_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0), a);
  }
  static int First(P a) { return _mm_cvtsi128_si32(_mm512_castsi512_si128(a)); }
  static P AddsU8(P a, P b) { return _mm512_adds_epu8(a, b); }

  // row[iu] for each lane.
  static P Gather(const uint32_t *row, P iu) {
    if constexpr (UseGather) {
      return _mm512_i32gather_epi32(iu, reinterpret_cast<const int *>(row), 4);
    } else {
      alignas(64) int32_t u[16];
      _mm512_store_si512(u, iu);
      alignas(64) uint32_t t[16];
      for (int k = 0; k < 16; ++k) t[k] = row[u[k]];
      return _mm512_load_si512(t);
    }
  }
  // p[0], p[step], ..., p[15·step].
  static P GatherStep(const uint32_t *p, ptrdiff_t step) {
    if constexpr (UseGather) {
      return Gather(p, _mm512_mullo_epi32(Iota(), _mm512_set1_epi32(static_cast<int>(step))));
    } else {
      alignas(64) uint32_t t[16];
      for (int k = 0; k < 16; ++k) t[k] = p[k * step];
      return _mm512_load_si512(t);
    }
  }
  // texels[iv × pitch + iu] for each lane; the texture holds fewer than 2^31 texels.
  static P Gather2(const uint32_t *texels, int pitch, P iv, P iu) {
    return Gather(texels, _mm512_add_epi32(_mm512_mullo_epi32(iv, _mm512_set1_epi32(pitch)), iu));
  }

  static D SplatD(double v) { return _mm512_set1_pd(v); }
  static D AddD(D a, D b) { return _mm512_add_pd(a, b); }
  static D MulD(D a, D b) { return _mm512_mul_pd(a, b); }
  static D MinD(D a, D b) { return _mm512_min_pd(a, b); }
  static D SubD(D a, D b) { return _mm512_sub_pd(a, b); }
  // Which of eight table entries each lane takes: segment[l] − base, below eight.
  using DIndex = __m512i;
  static DIndex SegmentIndex(const uint16_t *segment, int base) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i *>(segment));
    return _mm512_sub_epi64(_mm512_cvtepu16_epi64(s), _mm512_set1_epi64(base));
  }
  static D Pick(const double *table, DIndex index) {
    return _mm512_permutexvar_pd(index, _mm512_loadu_pd(table));
  }
  static D IotaLo() { return _mm512_setr_pd(0, 1, 2, 3, 4, 5, 6, 7); }
  static D IotaHi() { return _mm512_setr_pd(8, 9, 10, 11, 12, 13, 14, 15); }
  // Whether every lane of lo and hi lies in [0, size).
  static bool Inside(D lo, D hi, D size) {
    const D zero = _mm512_setzero_pd();
    const __mmask8 in =
        _mm512_cmp_pd_mask(lo, zero, _CMP_GE_OQ) & _mm512_cmp_pd_mask(lo, size, _CMP_LT_OQ) &
        _mm512_cmp_pd_mask(hi, zero, _CMP_GE_OQ) & _mm512_cmp_pd_mask(hi, size, _CMP_LT_OQ);
    return in == 0xFF;
  }
  static P Trunc(D lo, D hi) {
    return _mm512_inserti64x4(_mm512_castsi256_si512(_mm512_cvttpd_epi32(lo)),
                              _mm512_cvttpd_epi32(hi), 1);
  }
  // ToDepth24 of each lane's z taken to single precision.
  static P Depth24(D lo, D hi) {
    const __m512 z =
        _mm512_insertf32x8(_mm512_castps256_ps512(_mm512_cvtpd_ps(lo)), _mm512_cvtpd_ps(hi), 1);
    const __mmask16 positive = _mm512_cmp_ps_mask(z, _mm512_setzero_ps(), _CMP_GT_OQ);
    const __mmask16 one = _mm512_cmp_ps_mask(z, _mm512_set1_ps(1.0f), _CMP_GE_OQ);
    const D scale = _mm512_set1_pd(16777215.0), half = _mm512_set1_pd(0.5);
    const P v = Trunc(
        _mm512_add_pd(_mm512_mul_pd(_mm512_cvtps_pd(_mm512_castps512_ps256(z)), scale), half),
        _mm512_add_pd(_mm512_mul_pd(_mm512_cvtps_pd(_mm512_extractf32x8_ps(z, 1)), scale), half));
    return _mm512_mask_blend_epi32(one, _mm512_maskz_mov_epi32(positive, v), Splat(0xFFFFFF));
  }

  // The 16-bit halves work within each 128-bit lane; Pack puts the pixels back in order.
  static H Lo(P a) { return _mm512_unpacklo_epi8(a, _mm512_setzero_si512()); }
  static H Hi(P a) { return _mm512_unpackhi_epi8(a, _mm512_setzero_si512()); }
  static P Pack(H lo, H hi) { return _mm512_packus_epi16(lo, hi); }
  static H Splat16(uint32_t pixel) { return Lo(Splat(pixel)); }
  // round(a × b ÷ 255) on 16-bit lanes holding bytes (see the SSE2 kernels).
  static H Mul8(H a, H b) {
    const H t = _mm512_add_epi16(_mm512_mullo_epi16(a, b), _mm512_set1_epi16(128));
    return _mm512_srli_epi16(_mm512_add_epi16(t, _mm512_srli_epi16(t, 8)), 8);
  }
  static H Add16(H a, H b) { return _mm512_add_epi16(a, b); }
  static H Sub16(H a, H b) { return _mm512_sub_epi16(a, b); }
  static H SubsU16(H a, H b) { return _mm512_subs_epu16(a, b); }
  static H Min16(H a, H b) { return _mm512_min_epi16(a, b); }
  static H Max16(H a, H b) { return _mm512_max_epi16(a, b); }
  static H CmpEq16(H a, H b) { return _mm512_movm_epi16(_mm512_cmpeq_epi16_mask(a, b)); }
  // Each pixel's alpha in its four lanes.
  static H SpreadAlpha(H a) {
    return _mm512_shufflehi_epi16(_mm512_shufflelo_epi16(a, _MM_SHUFFLE(3, 3, 3, 3)),
                                  _MM_SHUFFLE(3, 3, 3, 3));
  }
};

} // namespace

const SpanKernelTable *Avx512SpanKernels(bool gather) {
  static const SpanKernelTable loads = SpanKernelFor<Avx512Lanes<false>>::Table();
  static const SpanKernelTable gathers = SpanKernelFor<Avx512Lanes<true>>::Table();
  return gather ? &gathers : &loads;
}

} // namespace zrq::d3d9

#else

namespace zrq::d3d9 {
const SpanKernelTable *Avx512SpanKernels(bool) { return nullptr; }
} // namespace zrq::d3d9

#endif
