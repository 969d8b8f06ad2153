// The transcendental functions of the shader instructions, written with nothing but float
// arithmetic, comparisons and bit moves, so that one pixel at a time and several at once (the
// loops over lanes vectorise) give the same bits. Accurate to a few units in 1e-7.
#pragma once

#include <cstdint>
#include <cstring>

namespace zrq::d3d9::shadermath {
// Each file that runs shaders gets its own copy, built for its own instruction set.
namespace {

inline float Bits(uint32_t u) {
  float f;
  std::memcpy(&f, &u, sizeof f);
  return f;
}
inline uint32_t Word(float f) {
  uint32_t u;
  std::memcpy(&u, &f, sizeof u);
  return u;
}

inline float Abs(float x) { return Bits(Word(x) & 0x7FFFFFFFu); }

// floor is exact, so the instruction set's rounding and the library's give the same bits.
inline float Floor(float x) { return __builtin_floorf(x); }

// 2 to the power n for an integer n in -75..75, built from its bits.
inline float PowerOfTwo(int32_t n) { return Bits(static_cast<uint32_t>(n + 127) << 23); }

inline float Exp2(float x) {
  if (x != x) return x;
  if (x >= 128.0f) return Bits(0x7F800000u);
  if (x < -150.0f) return 0.0f;
  const float n = Floor(x + 0.5f);
  const float f = x - n; // -0.5 .. 0.5
  const float t = f * 0.693147180559945f;
  // e^t to the seventh power of t.
  float p = 1.0f / 5040.0f;
  p = p * t + 1.0f / 720.0f;
  p = p * t + 1.0f / 120.0f;
  p = p * t + 1.0f / 24.0f;
  p = p * t + 1.0f / 6.0f;
  p = p * t + 0.5f;
  p = p * t + 1.0f;
  p = p * t + 1.0f;
  const int32_t k = static_cast<int32_t>(n);
  const int32_t half = k / 2;
  // Two steps, so that results below the normal range come out as denormals.
  return p * PowerOfTwo(half) * PowerOfTwo(k - half);
}

// log2 of |x|: −inf at 0, +inf at inf, NaN for NaN.
inline float Log2(float x) {
  x = Abs(x);
  if (x != x) return x;
  if (x == 0.0f) return Bits(0xFF800000u);
  if (x == Bits(0x7F800000u)) return x;
  float bias = 0.0f;
  if (x < 1.17549435e-38f) { // a denormal: scale it into the normal range first
    x = x * 8388608.0f;
    bias = -23.0f;
  }
  const uint32_t w = Word(x);
  float e = static_cast<float>(static_cast<int32_t>(w >> 23) - 127) + bias;
  float m = Bits((w & 0x007FFFFFu) | 0x3F800000u); // 1 .. 2
  if (m > 1.41421356f) {
    m = m * 0.5f;
    e = e + 1.0f;
  }
  const float s = (m - 1.0f) / (m + 1.0f); // |s| < 0.1716
  const float s2 = s * s;
  float p = 1.0f / 9.0f;
  p = p * s2 + 1.0f / 7.0f;
  p = p * s2 + 1.0f / 5.0f;
  p = p * s2 + 1.0f / 3.0f;
  p = p * s2 + 1.0f;
  return e + s * p * 2.88539008177793f; // 2 / ln 2
}

// sin and cos of x, reduced to a quarter turn around a multiple of π/2.
inline void SinCos(float x, float *sine, float *cosine) {
  if (!(Abs(x) < 3.0e5f)) {
    if (x != x || Abs(x) == Bits(0x7F800000u)) {
      *sine = *cosine = Bits(0x7FC00000u);
      return;
    }
    // Arguments beyond any picture's use lose their fraction in a float; they are reduced in
    // double, which keeps the results within -1..1 if not accurate.
    const double turns = static_cast<double>(x) * 0.15915494309189535;
    x = static_cast<float>((turns - static_cast<double>(static_cast<int64_t>(turns))) *
                           6.283185307179586);
  }
  const float k = Floor(x * 0.636619772367581f + 0.5f);
  // π/2 in three parts, the first two exact in few bits, so k times each is exact.
  float r = x - k * 1.5703125f;
  r = r - k * 4.83751297e-4f;
  r = r - k * 7.54978995e-8f;
  const int32_t q = static_cast<int32_t>(Abs(k) < 8388608.0f ? k : 0.0f) & 3;
  const float r2 = r * r;
  float s = -1.0f / 39916800.0f;
  s = s * r2 + 1.0f / 362880.0f;
  s = s * r2 - 1.0f / 5040.0f;
  s = s * r2 + 1.0f / 120.0f;
  s = s * r2 - 1.0f / 6.0f;
  s = s * r2 * r + r;
  float c = 1.0f / 479001600.0f;
  c = c * r2 - 1.0f / 3628800.0f;
  c = c * r2 + 1.0f / 40320.0f;
  c = c * r2 - 1.0f / 720.0f;
  c = c * r2 + 1.0f / 24.0f;
  c = c * r2 - 0.5f;
  c = c * r2 + 1.0f;
  const float sq = (q & 1) ? c : s, cq = (q & 1) ? s : c;
  *sine = (q & 2) ? -sq : sq;
  *cosine = ((q + 1) & 2) ? -cq : cq;
}

} // namespace
} // namespace zrq::d3d9::shadermath
