// Which span kernels the device runs on this processor: the one place that decides.
#include "platform/d3d9/FastSpan.h"

#include <cstdlib>
#include <cstring>

namespace zrq::d3d9 {
namespace {

bool Has(const char *feature) {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  if (std::strcmp(feature, "avx2") == 0) return __builtin_cpu_supports("avx2");
  if (std::strcmp(feature, "avx512") == 0)
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512dq");
#endif
  (void)feature;
  return false;
}

const SpanKernelTable *Choose() {
  const SpanKernelTable *avx2 = Has("avx2") ? Avx2SpanKernels(false) : nullptr;
  const SpanKernelTable *avx512 = Has("avx512") ? Avx512SpanKernels() : nullptr;
  // ZRQ_D3D9_SPAN_KERNELS=sse2, avx2, avx2-gather or avx512 picks a set the processor has, so
  // that tests and measurements reach each of them; anything else keeps the choice below.
  if (const char *wanted = std::getenv("ZRQ_D3D9_SPAN_KERNELS")) {
    if (std::strcmp(wanted, "sse2") == 0) return Sse2SpanKernels();
    if (avx2 && std::strcmp(wanted, "avx2") == 0) return avx2;
    if (avx2 && std::strcmp(wanted, "avx2-gather") == 0) return Avx2SpanKernels(true);
    if (avx512 && std::strcmp(wanted, "avx512") == 0) return avx512;
  }
  // Texels scattered over the texture are fetched one by one: on the processors measured
  // (AMD EPYC) the gather instruction was no faster.
  if (avx512) return avx512;
  return avx2 ? avx2 : Sse2SpanKernels();
}

}  // namespace

const SpanKernelTable *ChosenSpanKernels() {
  static const SpanKernelTable *const chosen = Choose();
  return chosen;
}

}  // namespace zrq::d3d9
