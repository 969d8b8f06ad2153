// The drawing pipeline behind DrawPrimitive and friends: vertices in clip space, the per-draw
// set-up of the pixel stages resolved from the device state, and the stage functions.
#pragma once

#include <d3d9.h>

#include "platform/d3d9/ShaderProgram.h"

#include <cstdint>

namespace zrq::d3d9 {

class DeferredDepth;
struct DeviceState;
struct VertexLayout;
struct PixelSetup;
struct TriangleGradients;

// Pixels a span's shader runs take together: enough that decoding an operation costs little
// beside its work, few enough that the registers a program uses stay in the first-level cache.
inline constexpr int kShaderBlock = 32;
// Floats the pixel shader's registers take for a block.
inline constexpr size_t kShaderRegisterFloats = size_t{reg::kCount} * 4 * kShaderBlock;

struct ShaderSteps;
// Shades pixels x0..x1 of row y of a triangle with the bound pixel shader. With depthPassed
// the span's depth test is known to pass (and its depth kept elsewhere): the pixels are written
// as they are.
using ShaderSpanFunction = void (*)(const PixelSetup &, const TriangleGradients &, int y, int x0,
                                    int x1, bool depthPassed);
// Turns the draw's pixel shader into steps for the span function (see ShaderStep.h); false
// when it keeps to interpreting the program.
using ShaderPrepareFunction = bool (*)(const PixelSetup &, ShaderSteps *);
struct ShaderSpanPath {
  ShaderSpanFunction shade;
  ShaderPrepareFunction prepare; // null: the program is interpreted
};
// The pixel shader's span functions: the interpreter one pixel at a time, against which the
// others are checked, and the widest this processor runs, on prepared steps
// (ZRQ_D3D9_SHADER_LANES=1, 4 or 8 chooses, where the processor has them).
ShaderSpanPath ScalarShaderSpan();
ShaderSpanPath ChosenShaderSpan();

// Texture stages that can sample a texture; stages from here on combine colours only.
inline constexpr int kTexturedStages = 4;
// Texture coordinate sets a vertex hands on: those of the texture stages, or a pixel shader's
// t0..t7.
inline constexpr int kTexCoordSlots = 8;
// Interpolated values: diffuse r, g, b, a (0..1), specular r, g, b, a, then four components of
// each texture coordinate slot.
inline constexpr int kVaryings = 8 + 4 * kTexCoordSlots;
constexpr int TexCoordVarying(int slot) { return 8 + 4 * slot; }

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
  int pitch = 0;        // in texels
  uint32_t alphaOr = 0; // 0xFF000000 for formats without alpha, which read as opaque
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
  Write, // no blending, or factors that leave the source as it is: the pixel replaces the target
  Add,   // ONE/ONE with ADD on all four channels: a saturating sum
  Over,  // SRCALPHA/INVSRCALPHA with ADD on all four channels
  Mixed, // any other factors and operations, resolved per channel
};

// What stage 0 makes of the texel and the (constant) vertex colour, for colour or alpha.
enum class FastTerm {
  Texture,  // the texel
  Constant, // the vertex colour
  Modulate, // texel × vertex colour
  Add,      // texel + vertex colour, saturating
};

// Everything the pixel stages need, resolved once per draw.
struct PixelSetup {
  StageSetup stages[8];
  int stageCount; // stages before the first whose colour operation is DISABLE
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
  uint32_t writeMask; // bits of the target pixel that may change

  uint32_t *target;
  int targetPitch; // in pixels
  bool targetHasAlpha;
  // Null when there is no depth-stencil surface, or neither the depth nor the stencil test is
  // on: the pixels then leave it alone.
  uint32_t *depth;
  int depthPitch;
  bool depthHasStencil;
  DeferredDepth
      *heldDepth; // what the words hold without being in memory: consulted before they are read

  // The pixel shader, when one is bound: it replaces the texture stages. Its constants (the
  // device's, with those it defines itself) and samplers s0..s15 are resolved with the rest.
  const ShaderProgram *pixelShader;
  ShaderSpanPath shaderPath;
  float *shaderRegisters;         // room for the registers of kShaderRegisterFloats
  const ShaderSteps *shaderSteps; // the program prepared for this draw, or null
  float psConstants[32][4];
  StageSetup shaderSamplers[16];
  // No alpha test, depth, stencil or blending, and every channel written: a shaded pixel is
  // stored as it is.
  bool plainWrite;
  // As plainWrite, but with the depth test on (no stencil).
  bool depthOnly;

  // Pixels that may be written: the viewport, the target and the scissor rectangle.
  int clipX0, clipY0, clipX1, clipY1; // x0 <= x < x1, y0 <= y < y1
  bool fastPaths;

  // The fast path's terms (see FastSpans.cpp): a point-sampled texel shaded with the constant
  // vertex colour, depth tested or not, written or blended onto the target.
  bool fastTextured;
  FastTerm fastColour, fastAlpha;
  // The factors with BOTHSRCALPHA, BOTHINVSRCALPHA and unknown values already turned into the
  // plain factors they stand for, and the operations (unknown ones ADD); ONE/ZERO with ADD when
  // blending is off.
  DWORD fastSrcColour, fastDestColour, fastSrcAlpha, fastDestAlpha;
  DWORD fastOpColour, fastOpAlpha;
};

// The surfaces a draw writes (pitches in pixels).
struct DrawSurfaces {
  uint32_t *target;
  int targetPitch, targetWidth, targetHeight;
  bool targetHasAlpha;
  uint32_t *depth; // null when no depth-stencil surface is bound
  int depthPitch, depthWidth, depthHeight;
  bool depthHasStencil;
  DeferredDepth *heldDepth;
};

// Whether a draw may take the span kernels; the device's option turns them off so the general
// stages can be checked against them.
enum class FastPaths { Allowed, Off };

// Which side of the blend a factor is for.
enum class BlendSide { Source, Destination };

// Resolves the pixel set-up of a draw from the state.
void ResolvePixelSetup(const DeviceState &state, const DrawSurfaces &surfaces, FastPaths fastPaths,
                       PixelSetup *setup);

// Clips a triangle in homogeneous space to the near and far planes and to a guard band around
// the viewport; writes up to kMaxClipped vertices of a convex polygon and returns their count.
inline constexpr int kMaxClipped = 12;
int ClipTriangle(const ClipVertex &a, const ClipVertex &b, const ClipVertex &c, ClipVertex *out);
// True when all three vertices lie inside every clip plane.
bool InsideClipVolume(const ClipVertex &v);

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

inline bool CompareValues(DWORD func, uint32_t value, uint32_t reference) {
  switch (func) {
  case D3DCMP_NEVER:
    return false;
  case D3DCMP_LESS:
    return value < reference;
  case D3DCMP_EQUAL:
    return value == reference;
  case D3DCMP_LESSEQUAL:
    return value <= reference;
  case D3DCMP_GREATER:
    return value > reference;
  case D3DCMP_NOTEQUAL:
    return value != reference;
  case D3DCMP_GREATEREQUAL:
    return value >= reference;
  case D3DCMP_ALWAYS:
  default:
    return true;
  }
}

// A depth value as the 24 bits a depth word holds.
inline uint32_t ToDepth24(float z) {
  if (!(z > 0.0f)) return 0;
  if (z >= 1.0f) return 0xFFFFFF;
  return static_cast<uint32_t>(static_cast<double>(z) * 16777215.0 + 0.5);
}

// Depth, stencil, blending and the write of one pixel; a pixel a test discards writes nothing.
void MergePixel(const PixelSetup &setup, int x, int y, uint32_t source, float z, bool ccwFacing);

// A triangle's values as planes over the screen: value(x, y) = v0 + dx·(x − refX) + dy·(y − refY).
struct TriangleGradients {
  double refX, refY;
  double z0, dzdx, dzdy;
  double w0, dwdx, dwdy; // 1/w, for perspective
  double v0[kVaryings], dvdx[kVaryings], dvdy[kVaryings];
  bool affine;          // w is the same at all three vertices: no division per pixel
  bool constantDiffuse; // the vertex colours are equal
  uint32_t diffuse;     // that colour, when constant
  bool magnified[kTexturedStages];
  bool ccw;
};

struct FastTriangle;
// The fast path's terms for one triangle; false when the triangle cannot take it.
bool PrepareFastTriangle(const PixelSetup &setup, const TriangleGradients &g, FastTriangle *t);

} // namespace zrq::d3d9
