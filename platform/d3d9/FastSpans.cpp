// The fast path for the common case of video drawing: a point-sampled texture shaded with a
// constant colour on an affine triangle, depth tested or not, written or blended onto the
// target. Per triangle this resolves the terms and picks the kernel (SpanKernel.h).
#include "platform/d3d9/FastSpan.h"

#include "platform/d3d9/TexelSteps.h"

#include <algorithm>
#include <cmath>

namespace zrq::d3d9 {
namespace {

// Adds a stage term's multiplier and addend for the channels in `channels` (see FastTriangle).
void AddTerm(FastTerm term, uint32_t colour, uint32_t channels, uint32_t *mul, uint32_t *add) {
  switch (term) {
  case FastTerm::Texture:
    *mul |= channels;
    return; // × 255 keeps the texel
  case FastTerm::Constant:
    *add |= colour & channels;
    return;
  case FastTerm::Modulate:
    *mul |= colour & channels;
    return;
  case FastTerm::Add:
    *mul |= channels;
    *add |= colour & channels;
    return;
  }
}

// Whether every shaded pixel has alpha 255.
bool OpaqueSource(FastTerm alpha, uint32_t colour, uint32_t alphaOr) {
  const bool texel = alphaOr == 0xFF000000u, vertex = colour >> 24 == 255;
  switch (alpha) {
  case FastTerm::Texture:
    return texel;
  case FastTerm::Constant:
    return vertex;
  case FastTerm::Modulate:
    return texel && vertex;
  case FastTerm::Add:
    return texel || vertex;
  }
  return false;
}

// With a source alpha of 255 the source-alpha factors are ONE and ZERO, exactly.
DWORD ForOpaqueSource(DWORD factor) {
  if (factor == D3DBLEND_SRCALPHA) return D3DBLEND_ONE;
  if (factor == D3DBLEND_INVSRCALPHA) return D3DBLEND_ZERO;
  return factor;
}

FastBlend Classify(const FastTriangle &t) {
  const bool sameAlpha =
      t.srcAlpha == t.srcColour && t.destAlpha == t.destColour && t.opAlpha == t.opColour;
  if (!sameAlpha || t.opColour != D3DBLENDOP_ADD) return FastBlend::Mixed;
  if (t.srcColour == D3DBLEND_ONE && t.destColour == D3DBLEND_ZERO) return FastBlend::Write;
  if (t.srcColour == D3DBLEND_ONE && t.destColour == D3DBLEND_ONE) return FastBlend::Add;
  if (t.srcColour == D3DBLEND_SRCALPHA && t.destColour == D3DBLEND_INVSRCALPHA)
    return FastBlend::Over;
  return FastBlend::Mixed;
}

} // namespace

bool PrepareFastTriangle(const PixelSetup &s, const TriangleGradients &g, FastTriangle *t) {
  const StageSetup &st = s.stages[0];
  const DWORD filter = g.magnified[0] ? st.sampler.magFilter : st.sampler.minFilter;
  if (filter != D3DTEXF_POINT && filter != D3DTEXF_NONE) return false;
  const SpanKernelTable *kernels = ChosenSpanKernels();
  if (!kernels) return false;
  t->texels = st.texture.texels;
  t->texPitch = st.texture.pitch;
  t->texWidth = st.texture.width;
  t->alphaOr = st.texture.alphaOr;
  t->refX = g.refX;
  t->refY = g.refY;
  const int u = TexCoordVarying(0), v = u + 1;
  t->u0 = g.v0[u], t->dudx = g.dvdx[u], t->dudy = g.dvdy[u], t->width = st.texture.width;
  t->v0 = g.v0[v], t->dvdx = g.dvdx[v], t->dvdy = g.dvdy[v], t->height = st.texture.height;
  t->rowV = g.dvdx[v] == 0.0;

  t->depth = s.depthTest ? s.depth : nullptr;
  t->depthPitch = s.depthPitch;
  t->depthFunc = s.depthFunc;
  t->depthWrite = s.depthWrite;
  t->z0 = g.z0, t->dzdx = g.dzdx, t->dzdy = g.dzdy;
  t->constantZ = g.dzdx == 0.0 && g.dzdy == 0.0;
  t->z24 = ToDepth24(static_cast<float>(g.z0));

  t->kMul = t->kAdd = 0;
  AddTerm(s.fastColour, g.diffuse, 0x00FFFFFFu, &t->kMul, &t->kAdd);
  AddTerm(s.fastAlpha, g.diffuse, 0xFF000000u, &t->kMul, &t->kAdd);
  const bool shaded = t->kMul != 0xFFFFFFFFu || t->kAdd != 0;

  t->target = s.target;
  t->targetPitch = s.targetPitch;
  t->dstOr = s.targetHasAlpha ? 0u : 0xFF000000u;
  t->writeMask = s.writeMask;

  const bool opaque = OpaqueSource(s.fastAlpha, g.diffuse, st.texture.alphaOr);
  auto factor = [&](DWORD f) { return opaque ? ForOpaqueSource(f) : f; };
  t->srcColour = factor(s.fastSrcColour), t->destColour = factor(s.fastDestColour);
  t->srcAlpha = factor(s.fastSrcAlpha), t->destAlpha = factor(s.fastDestAlpha);
  t->opColour = s.fastOpColour, t->opAlpha = s.fastOpAlpha;
  t->blendFactor = s.blendFactor;
  const int kind = static_cast<int>(Classify(*t));
  t->kernel = kernels->kernels[kind][shaded][t->depth != nullptr];
  t->kernelUntested = kernels->kernels[kind][shaded][0];
  t->runKernel =
      kind == static_cast<int>(FastBlend::Write) && !shaded && t->writeMask == 0xFFFFFFFFu
          ? kernels->run
          : nullptr;
  return true;
}

// The general path computes t(j) = fl(fl(fl(u0 + fl(a·f)) + c)·W) for pixel j of the span,
// f = fx0 + j. Against the exact T(j) = ((u0 + a·f) + c)·W each of the four roundings adds at
// most 2^-53 of its result, so |t(j) − T(j)| ≤ 4.0001·2^-53·W·M with M = |u0| + max|a·f| + |c|.
// T is affine with slope D = a·W, within 2^-53 of d = fl(a·W); with k the integer nearest d,
// t(j) − (floor(t(0)) + k·j) lies within the fraction of t(0) ± (2E + j·|D − k|), and where
// that stays inside (0, 1) for every j, floor(t(j)) = floor(t(0)) + k·j.
bool TexelWalk(const FastTriangle &t, double fx0, double cu, int count, int *first, int *step) {
  constexpr double kUnit = 0x1p-53;
  const double t0 = ((t.u0 + t.dudx * fx0) + cu) * t.width;
  if (!(t0 >= 0.0 && t0 < t.width)) return false;
  const double d = t.dudx * t.width;
  if (!(std::fabs(d) <= t.width)) return false;
  const double fx1 = fx0 + (count - 1);
  const double m =
      std::fabs(t.u0) + std::max(std::fabs(t.dudx * fx0), std::fabs(t.dudx * fx1)) + std::fabs(cu);
  const double e =
      8.0 * kUnit * t.width * (m + 1.0); // twice the bound, for the bound's own roundings
  int64_t b, k;
  if (!WholeTexelSteps(t0, d, count, 2.0 * e, 4.0 * kUnit, &b, &k)) return false;
  const int64_t last = b + k * (count - 1);
  if (!(last >= 0 && last < t.texWidth)) return false;
  *first = static_cast<int>(b);
  *step = static_cast<int>(k);
  return true;
}

} // namespace zrq::d3d9
