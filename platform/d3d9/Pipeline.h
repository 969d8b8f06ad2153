// The drawing pipeline behind DrawPrimitive and friends: vertices in clip space, the per-draw
// set-up of the pixel stages resolved from the device state, and the stage functions.
#pragma once

#include <d3d9.h>

#include <cstdint>

namespace zrq::d3d9 {

struct DeviceState;
struct VertexLayout;

// Texture stages that can sample a texture; stages from here on combine colours only.
inline constexpr int kTexturedStages = 4;
// Interpolated values: diffuse r, g, b, a (0..1), then u, v for each textured stage.
inline constexpr int kVaryings = 4 + 2 * kTexturedStages;

struct ClipVertex {
  float x, y, z, w;
  float v[kVaryings];
};

// A vertex after the viewport transform: screen x, y, depth z, 1/w and the varyings.
struct ScreenVertex {
  float x, y, z, oow;
  float v[kVaryings];
};

struct TextureView {
  const uint32_t *texels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;         // in texels
  uint32_t alphaOr = 0;  // 0xFF000000 for formats without alpha, which read as opaque
};

struct SamplerSetup {
  DWORD addressU, addressV;
  DWORD magFilter, minFilter;
  uint32_t border;
};

struct StageSetup {
  DWORD colorOp, colorArg0, colorArg1, colorArg2;
  DWORD alphaOp, alphaArg0, alphaArg1, alphaArg2;
  uint32_t constant;
  bool hasTexture;
  TextureView texture;
  SamplerSetup sampler;
};

// How the fast path combines a shaded pixel with the target.
enum class FastBlend {
  Write,  // no blending, or ONE/ZERO with ADD: the pixel replaces the target
  Over,   // SRCALPHA/INVSRCALPHA with ADD on all four channels
  Mixed,  // any other factors and operations, resolved per channel
};

// Everything the pixel stages need, resolved once per draw.
struct PixelSetup {
  StageSetup stages[8];
  int stageCount;  // stages before the first whose colour operation is DISABLE
  uint32_t textureFactor;
  bool flatShading;

  bool alphaTest;
  DWORD alphaFunc;
  uint32_t alphaRef;

  bool depthTest;
  DWORD depthFunc;
  bool depthWrite;

  bool stencil;
  DWORD stencilFunc, stencilFail, stencilZFail, stencilPass;
  bool twoSidedStencil;
  DWORD ccwStencilFunc, ccwStencilFail, ccwStencilZFail, ccwStencilPass;
  uint32_t stencilRef, stencilMask, stencilWriteMask;

  bool blend;
  DWORD srcBlend, destBlend, blendOp;
  DWORD srcBlendAlpha, destBlendAlpha, blendOpAlpha;
  uint32_t blendFactor;
  uint32_t writeMask;  // bits of the target pixel that may change

  uint32_t *target;
  int targetPitch;  // in pixels
  bool targetHasAlpha;
  uint32_t *depth;  // null when there is no depth-stencil surface
  int depthPitch;
  bool depthHasStencil;

  // Pixels that may be written: the viewport, the target and the scissor rectangle.
  int clipX0, clipY0, clipX1, clipY1;  // x0 <= x < x1, y0 <= y < y1
  bool fastPaths;

  // The fast path's terms (see FastSpans.cpp): texel × constant colour, written, laid over
  // the target with source alpha, or blended with any other factors and operations.
  bool fastTextured;
  uint32_t fastDiffuseMask;  // channels taken from the vertex colour; the others are 255
  FastBlend fastBlend;
  // For FastBlend::Mixed: the factors with BOTHSRCALPHA, BOTHINVSRCALPHA and unknown values
  // already turned into the plain factors they stand for, and the operations (unknown ones ADD).
  DWORD fastSrcColour, fastDestColour, fastSrcAlpha, fastDestAlpha;
  DWORD fastOpColour, fastOpAlpha;
};

// Resolves the pixel set-up from the state; false when nothing can be drawn (no target).
void ResolvePixelSetup(const DeviceState &state, uint32_t *target, int targetPitch, int targetWidth,
                       int targetHeight, bool targetHasAlpha, uint32_t *depth, int depthPitch, bool depthHasStencil,
                       bool fastPaths, PixelSetup *setup);

// Clips a triangle in homogeneous space to the near and far planes and to a guard band around
// the viewport; writes up to kMaxClipped vertices of a convex polygon and returns their count.
inline constexpr int kMaxClipped = 12;
int ClipTriangle(const ClipVertex &a, const ClipVertex &b, const ClipVertex &c, ClipVertex *out);
// True when all three vertices lie inside every clip plane.
bool InsideClipVolume(const ClipVertex &v);

// Rasterises one triangle with the top-left rule, pixel centres on integer coordinates, and
// calls the pixel stages for every covered pixel inside the setup's clip rectangle.
// ccwFacing selects the counter-clockwise stencil operations in two-sided stencil mode.
void RasterizeTriangle(const PixelSetup &setup, const ScreenVertex &a, const ScreenVertex &b,
                       const ScreenVertex &c, bool ccwFacing);

// ---- Pixel stages (8 bits per channel, A8R8G8B8 words) -----------------------------------------

// round(a × b ÷ 255) for a, b in 0..255.
inline uint32_t Mul8(uint32_t a, uint32_t b) {
  const uint32_t t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

// Samples texel coordinates (u, v scaled by nothing: 0..1 across the texture).
uint32_t SampleTexture(const StageSetup &stage, double u, double v, bool magnified);

// Runs the texture stages for one pixel; diffuse is the interpolated vertex colour.
uint32_t CombineStages(const PixelSetup &setup, uint32_t diffuse, const uint32_t *texels);

bool CompareValues(DWORD func, uint32_t value, uint32_t reference);

// Depth, stencil, blending and the write of one pixel; returns false when it was discarded.
void MergePixel(const PixelSetup &setup, int x, int y, uint32_t source, float z, bool ccwFacing);

// A triangle's values as planes over the screen: value(x, y) = v0 + dx·(x − refX) + dy·(y − refY).
struct TriangleGradients {
  double refX, refY;
  double z0, dzdx, dzdy;
  double w0, dwdx, dwdy;  // 1/w, for perspective
  double v0[kVaryings], dvdx[kVaryings], dvdy[kVaryings];
  bool affine;             // w is the same at all three vertices: no division per pixel
  bool constantDiffuse;    // the vertex colours are equal
  uint32_t diffuse;        // that colour, when constant
  bool magnified[kTexturedStages];
  bool ccw;
};

// The fast path for a span, when it applies; returns false to leave the span to the general path.
bool DrawFastSpan(const PixelSetup &setup, const TriangleGradients &g, int y, int x0, int x1);

}  // namespace zrq::d3d9
