// Which span kernels the device runs on this processor: the one place that decides.
#include "platform/d3d9/FastSpan.h"

#include <cstdlib>
#include <cstring>

namespace zrq::d3d9 {
namespace {

bool Has(const char *feature) {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  if (std::strcmp(feature, "amd") == 0) return __builtin_cpu_is("amd");
  if (std::strcmp(feature, "avx2") == 0) return __builtin_cpu_supports("avx2");
  if (std::strcmp(feature, "avx512") == 0)
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512dq");
#endif
  (void)feature;
  return false;
}

const SpanKernelTable *Choose() {
  const bool avx2 = Has("avx2"), avx512 = Has("avx512");
  // ZRQ_D3D9_SPAN_KERNELS names a set the processor has, so that tests and measurements reach
  // each of them; anything else keeps the choice below.
  if (const char *wanted = std::getenv("ZRQ_D3D9_SPAN_KERNELS")) {
    if (std::strcmp(wanted, "sse2") == 0) return Sse2SpanKernels();
    if (avx2 && std::strcmp(wanted, "avx2") == 0) return Avx2SpanKernels(false);
    if (avx2 && std::strcmp(wanted, "avx2-gather") == 0) return Avx2SpanKernels(true);
    if (avx512 && std::strcmp(wanted, "avx512") == 0) return Avx512SpanKernels(true);
    if (avx512 && std::strcmp(wanted, "avx512-loads") == 0) return Avx512SpanKernels(false);
  }
  // Texels scattered over the texture: measured on an AMD EPYC (Zen 5), the 512-bit gather
  // instruction beat sixteen loads by a few per cent, while the 256-bit one lost to eight.
  // Elsewhere, unmeasured (and where microcode may have slowed gathers), loads.
  if (const SpanKernelTable *kernels = avx512 ? Avx512SpanKernels(Has("amd")) : nullptr)
    return kernels;
  if (const SpanKernelTable *kernels = avx2 ? Avx2SpanKernels(false) : nullptr) return kernels;
  return Sse2SpanKernels();
}

} // namespace

const SpanKernelTable *ChosenSpanKernels() {
  static const SpanKernelTable *const chosen = Choose();
  return chosen;
}

} // namespace zrq::d3d9
