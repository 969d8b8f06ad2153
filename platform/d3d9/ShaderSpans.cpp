// The pixel shader's span functions on processors without AVX2 (SSE2, part of x86-64, runs a
// block as vectors of 4 lanes) and one pixel at a time, and the one place that decides which
// the device runs: the widest the processor has (AVX-512: 16 lanes, AVX2: 8).
#include "platform/d3d9/ShaderSpanLanes.h"

#include <cstdlib>
#include <cstring>

namespace zrq::d3d9 {

ShaderSpanPath Avx2ShaderSpan();
ShaderSpanPath Avx512ShaderSpan();

namespace {

template <int N> constexpr ShaderSpanPath kStepped{&ShadeShaderSpanLanes<N>, &PrepareSteps<N>};

ShaderSpanPath Choose() {
  bool avx2 = false, avx512 = false;
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  avx2 = __builtin_cpu_supports("avx2");
  avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl");
#endif
  // ZRQ_D3D9_SHADER_LANES names a vector width the processor has (1: one pixel at a time), so
  // that tests and measurements reach each of them; anything else keeps the widest.
  if (const char *wanted = std::getenv("ZRQ_D3D9_SHADER_LANES")) {
    if (std::strcmp(wanted, "1") == 0) return kStepped<1>;
    if (std::strcmp(wanted, "4") == 0) return kStepped<kShaderBlock>;
    if (avx2 && std::strcmp(wanted, "8") == 0) return Avx2ShaderSpan();
  }
  if (avx512) return Avx512ShaderSpan();
  return avx2 ? Avx2ShaderSpan() : kStepped<kShaderBlock>;
}

} // namespace

ShaderSpanPath ScalarShaderSpan() { return {&ShadeShaderSpanLanes<1>, nullptr}; }

ShaderSpanPath ChosenShaderSpan() {
  static const ShaderSpanPath chosen = Choose();
  return chosen;
}

} // namespace zrq::d3d9
