// The last step of proving that a span's texel coordinates move by whole texels: both the
// fixed-function fast path (TexelWalk) and the pixel shader's texel walk (ProveTexelLine) bound
// their own roundings, then ask this.
#pragma once

#include <cmath>
#include <cstdint>

namespace zrq::d3d9 {
// Each file gets its own copy, built for its own instruction set.
namespace {

// Whether floor(v(l)) = floor(r0) + k·l for l = 0 .. count − 1 and every value v(l) within
// `error` of the line r0 + d·l, k being the whole number nearest d and the line's true slope
// within slopeError·|d| of d: where the fraction of r0 stays further than `error` plus the
// drift from the nearest whole numbers, it does. Then *first = floor(r0), *step = k. r0 must lie
// well within the range of 64-bit integers.
inline bool WholeTexelSteps(double r0, double d, int count, double error, double slopeError,
                            int64_t *first, int64_t *step) {
  if (!(std::fabs(d) < 0x1p52)) return false;
  // The whole number nearest d (which of two at a tie does not matter: the bound uses the
  // distance), and floor(r0), without a call into the maths library.
  const double k = static_cast<double>(static_cast<int64_t>(d + (d < 0.0 ? -0.5 : 0.5)));
  double b = static_cast<double>(static_cast<int64_t>(r0));
  if (b > r0) b -= 1.0;
  const double drift = (count - 1) * (std::fabs(d - k) + slopeError * std::fabs(d));
  const double margin = (error + drift) * 1.01;
  const double fraction = r0 - b; // exact
  if (!(fraction > margin && 1.0 - fraction > margin)) return false;
  *first = static_cast<int64_t>(b);
  *step = static_cast<int64_t>(k);
  return true;
}

} // namespace
} // namespace zrq::d3d9
