// The pixel shader's span functions on processors without AVX2 (SSE2, part of x86-64, runs a
// block as vectors of 4 lanes) and one pixel at a time, and the one place that decides which
// the device runs.
#include "platform/d3d9/ShaderSpanLanes.h"

#include <cstdlib>
#include <cstring>

namespace zrq::d3d9 {

ShaderSpanPath Avx2ShaderSpan();

namespace {

template <int N> constexpr ShaderSpanPath kStepped{&ShadeShaderSpanLanes<N>, &PrepareSteps<N>};

ShaderSpanPath Choose() {
  bool avx2 = false;
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  avx2 = __builtin_cpu_supports("avx2");
#endif
  // ZRQ_D3D9_SHADER_LANES names a vector width the processor has (1: one pixel at a time), so
  // that tests and measurements reach each of them; anything else keeps the widest.
  if (const char *wanted = std::getenv("ZRQ_D3D9_SHADER_LANES")) {
    if (std::strcmp(wanted, "1") == 0) return kStepped<1>;
    if (std::strcmp(wanted, "4") == 0) return kStepped<kShaderBlock>;
  }
  return avx2 ? Avx2ShaderSpan() : kStepped<kShaderBlock>;
}

} // namespace

ShaderSpanPath ScalarShaderSpan() { return {&ShadeShaderSpanLanes<1>, nullptr}; }

ShaderSpanPath ChosenShaderSpan() {
  static const ShaderSpanPath chosen = Choose();
  return chosen;
}

} // namespace zrq::d3d9
