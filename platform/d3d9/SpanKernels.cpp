// Which span kernels the device runs on this processor: the one place that decides.
#include "platform/d3d9/FastSpan.h"

#include <cstdlib>
#include <cstring>

namespace zrq::d3d9 {
namespace {

bool HasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

const SpanKernelTable *Choose() {
  const SpanKernelTable *avx2 = HasAvx2() ? Avx2SpanKernels(false) : nullptr;
  // ZRQ_D3D9_SPAN_KERNELS=sse2, avx2 or avx2-gather picks a set the processor has, so that tests
  // and measurements reach each of them; anything else keeps the choice below.
  if (const char *wanted = std::getenv("ZRQ_D3D9_SPAN_KERNELS")) {
    if (std::strcmp(wanted, "sse2") == 0) return Sse2SpanKernels();
    if (avx2 && std::strcmp(wanted, "avx2") == 0) return avx2;
    if (avx2 && std::strcmp(wanted, "avx2-gather") == 0) return Avx2SpanKernels(true);
  }
  return avx2 ? avx2 : Sse2SpanKernels();
}

}  // namespace

const SpanKernelTable *ChosenSpanKernels() {
  static const SpanKernelTable *const chosen = Choose();
  return chosen;
}

}  // namespace zrq::d3d9
