// What the fast span kernels work from: one triangle's terms, resolved once per triangle, and
// one span's, resolved once per row. The kernels repeat the general pipeline's arithmetic
// step for step (texel coordinates and depth in the same double operations, colours in Mul8's
// rounding), so that every pixel they write is the one the general path would write.
#pragma once

#include "platform/d3d9/Pipeline.h"

#include <cstdint>

namespace zrq::d3d9 {

struct FastRow;
struct FastRun;
struct FastTriangle;

// Draws spans of one triangle, each as far as its texels lie inside the texture (see FastRow);
// chosen per triangle from the blend, whether the texel is shaded, and whether depth is tested.
using SpanKernel = void (*)(const FastTriangle &t, FastRow *rows, int count);
// Draws a run of spans of several triangles side by side on one row (see FastRun) in whole
// blocks across their borders; returns how many blocks it left, with a texel outside the
// texture, each as its first and its end pixel (from the run's x0) in failed, which has room
// for every block.
using RunKernel = int (*)(const FastTriangle &t, const FastRun &run, int *failed);

struct FastTriangle {
  // The point-sampled texture.
  const uint32_t *texels;
  int texPitch; // in texels
  int texWidth;
  uint32_t alphaOr;

  // Texel coordinates as the general path computes them at x:
  // floor(((u0 + dudx·(x − refX)) + dudy·(y − refY)) · width), and the same for v.
  double refX, refY;
  double u0, dudx, dudy, width;
  double v0, dvdx, dvdy, height;
  bool rowV; // dvdx is 0: v is the same all along a row

  // Depth, tested when depth is not null: z = float((z0 + dzdx·fx) + dzdy·fy) turned into 24
  // bits; constantZ when the plane is flat, with that value in z24.
  uint32_t *depth;
  int depthPitch;
  DWORD depthFunc;
  bool depthWrite;
  bool constantZ;
  uint32_t z24;
  double z0, dzdx, dzdy;

  // The shaded pixel: saturate(Mul8(texel, kMul) + kAdd) per channel (see FastTerm).
  uint32_t kMul, kAdd;

  uint32_t *target;
  int targetPitch;
  uint32_t dstOr;     // forced into every target pixel read (targets without alpha read opaque)
  uint32_t writeMask; // bits of the target that may change

  // For FastBlend::Mixed: plain factors and operations, as in PixelSetup.
  DWORD srcColour, destColour, srcAlpha, destAlpha, opColour, opAlpha;
  uint32_t blendFactor;

  SpanKernel kernel;
  SpanKernel kernelUntested; // the same without the depth test, for spans whose test is decided
  // For texels written unshaded and whole, without the depth test: spans of triangles side by
  // side drawn together. Null otherwise.
  RunKernel runKernel;
};

// One span: pixels x0 .. x0 + count − 1 of row y. The kernel draws blocks of it from the left
// for as long as every texel a block reads lies inside the texture, and sets `drawn` to the
// pixels it drew; the general path draws the rest.
struct FastRow {
  int y, x0, count;
  int drawn;
};

// Spans of triangles of one draw lying side by side on row y, pixels x0 .. x0 + count − 1, all
// drawn by the same run kernel: pixel x0 + i belongs to triangle number segment[i] of the run,
// whose plane terms are entry segment[i] of the arrays (the row's dudy·fy in cu, dvdy·fy in cv).
// The segment numbers go on for a block past the end, repeating the last; the arrays may be read
// eight entries past the last triangle.
struct FastRun {
  int y, x0, count;
  const uint16_t *segment;
  const double *refX, *u0, *dudx, *cu, *v0, *dvdx, *cv;
};

// Whether the texel columns of a span's `count` pixels, as the general path computes them from
// x − refX = fx0 on, are exactly first, first + step, first + 2·step, ... inside the texture:
// then a kernel walks them without computing each. Proved from bounds on the rounding of that
// arithmetic; false when they do not settle it. cu is the row's dudy·fy.
bool TexelWalk(const FastTriangle &t, double fx0, double cu, int count, int *first, int *step);

// The kernels of one instruction set, by [FastBlend][shaded][depth tested].
struct SpanKernelTable {
  SpanKernel kernels[4][2][2];
  RunKernel run; // written, unshaded, untested
};

const SpanKernelTable *Sse2SpanKernels(); // null where SSE2 is not available
// Null where the build has no such variant; `gather` fetches scattered texels with the gather
// instruction rather than one by one.
const SpanKernelTable *Avx2SpanKernels(bool gather);
const SpanKernelTable *Avx512SpanKernels(bool gather);
// The kernels for this processor, chosen once; null when there are none (the general path then
// draws everything).
const SpanKernelTable *ChosenSpanKernels();

} // namespace zrq::d3d9
