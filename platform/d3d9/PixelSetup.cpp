// Resolves the render, texture-stage and sampler states into the pixel set-up of one draw.
#include "platform/d3d9/DeviceImpl.h"
#include "platform/d3d9/Pipeline.h"
#include "platform/d3d9/ShaderProgram.h"

#include <algorithm>

namespace zrq::d3d9 {
namespace {

// What stage 0's operation makes of the texel and the vertex colour (which CURRENT also is at
// stage 0); false for anything the fast path does not do.
bool StageTerm(DWORD op, DWORD arg1, DWORD arg2, FastTerm *term) {
  auto isTexture = [](DWORD a) { return a == D3DTA_TEXTURE; };
  auto isColour = [](DWORD a) { return a == D3DTA_DIFFUSE || a == D3DTA_CURRENT; };
  auto select = [&](DWORD a) {
    if (isTexture(a)) return *term = FastTerm::Texture, true;
    if (isColour(a)) return *term = FastTerm::Constant, true;
    return false;
  };
  const bool textureAndColour =
      (isTexture(arg1) && isColour(arg2)) || (isColour(arg1) && isTexture(arg2));
  switch (op) {
  case D3DTOP_SELECTARG1:
    return select(arg1);
  case D3DTOP_SELECTARG2:
    return select(arg2);
  case D3DTOP_MODULATE:
    return textureAndColour && (*term = FastTerm::Modulate, true);
  case D3DTOP_ADD:
    return textureAndColour && (*term = FastTerm::Add, true);
  default:
    return false;
  }
}

// The plain factor a blend value stands for, as the general blend reads it: the BOTH values
// set the destination factor from the source one, and unknown values read as ONE (source) or
// ZERO (destination).
DWORD PlainFactor(DWORD blend, BlendSide side) {
  const bool isSource = side == BlendSide::Source;
  switch (blend) {
  case D3DBLEND_ZERO:
  case D3DBLEND_ONE:
  case D3DBLEND_SRCCOLOR:
  case D3DBLEND_INVSRCCOLOR:
  case D3DBLEND_SRCALPHA:
  case D3DBLEND_INVSRCALPHA:
  case D3DBLEND_DESTALPHA:
  case D3DBLEND_INVDESTALPHA:
  case D3DBLEND_DESTCOLOR:
  case D3DBLEND_INVDESTCOLOR:
  case D3DBLEND_SRCALPHASAT:
  case D3DBLEND_BLENDFACTOR:
  case D3DBLEND_INVBLENDFACTOR:
    return blend;
  case D3DBLEND_BOTHSRCALPHA:
    return isSource ? D3DBLEND_SRCALPHA : D3DBLEND_INVSRCALPHA;
  case D3DBLEND_BOTHINVSRCALPHA:
    return isSource ? D3DBLEND_INVSRCALPHA : D3DBLEND_SRCALPHA;
  default:
    return isSource ? D3DBLEND_ONE : D3DBLEND_ZERO;
  }
}

void PlainFactors(DWORD src, DWORD dest, DWORD *plainSrc, DWORD *plainDest) {
  *plainSrc = PlainFactor(src, BlendSide::Source);
  const bool both = src == D3DBLEND_BOTHSRCALPHA || src == D3DBLEND_BOTHINVSRCALPHA;
  *plainDest = PlainFactor(both ? src : dest, BlendSide::Destination);
}

DWORD PlainOp(DWORD op) {
  return op >= D3DBLENDOP_ADD && op <= D3DBLENDOP_MAX ? op : DWORD{D3DBLENDOP_ADD};
}

// The texture bound to sampler i and that sampler's states; none when `textured` is false.
void ResolveTexture(const DeviceState &st, int i, bool textured, StageSetup *s) {
  s->hasTexture = false;
  if (!textured || !st.textures[i]) return;
  const Surface *level = st.textures[i]->Level(0);
  const PixelBuffer &px = level->Pixels();
  s->hasTexture = true;
  s->texture.texels = reinterpret_cast<const uint32_t *>(px.bits.get());
  s->texture.width = static_cast<int>(px.width);
  s->texture.height = static_cast<int>(px.height);
  s->texture.pitch = static_cast<int>(px.pitch / 4);
  s->texture.alphaOr = px.format == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0u;
  const DWORD *ss = st.samplerStates[i];
  s->sampler.addressU = ss[D3DSAMP_ADDRESSU];
  s->sampler.addressV = ss[D3DSAMP_ADDRESSV];
  s->sampler.magFilter = ss[D3DSAMP_MAGFILTER];
  s->sampler.minFilter = ss[D3DSAMP_MINFILTER];
  s->sampler.border = ss[D3DSAMP_BORDERCOLOR];
}

// The bound pixel shader's program, constants and samplers.
void ResolvePixelShader(const DeviceState &st, bool fastPaths, PixelSetup *p) {
  p->pixelShader = nullptr;
  if (!st.pixelShader) return;
  const ShaderProgram &program = st.pixelShader->Program();
  p->pixelShader = &program;
  p->shaderPath = fastPaths ? ChosenShaderSpan() : ScalarShaderSpan();
  p->shaderSteps = nullptr;
  std::copy(&st.psConstF[0][0], &st.psConstF[0][0] + 32 * 4, &p->psConstants[0][0]);
  for (const ShaderProgram::Definition &d : program.definitions)
    std::copy(d.value, d.value + 4, p->psConstants[d.index]);
  for (int i = 0; i < 16; ++i)
    ResolveTexture(st, i, (program.samplersUsed >> i) & 1, &p->shaderSamplers[i]);
}

void ResolveFastPath(PixelSetup *p) {
  p->fastTextured = false;
  const StageSetup &s = p->stages[0];
  if (p->stageCount != 1 || !s.hasTexture || p->alphaTest || p->stencil) return;
  if (!StageTerm(s.colorOp, s.colorArg1, s.colorArg2, &p->fastColour)) return;
  // Without an alpha operation the stage passes the vertex colour's alpha on.
  if (s.alphaOp == D3DTOP_DISABLE)
    p->fastAlpha = FastTerm::Constant;
  else if (!StageTerm(s.alphaOp, s.alphaArg1, s.alphaArg2, &p->fastAlpha))
    return;
  if (p->blend) {
    PlainFactors(p->srcBlend, p->destBlend, &p->fastSrcColour, &p->fastDestColour);
    PlainFactors(p->srcBlendAlpha, p->destBlendAlpha, &p->fastSrcAlpha, &p->fastDestAlpha);
    p->fastOpColour = PlainOp(p->blendOp);
    p->fastOpAlpha = PlainOp(p->blendOpAlpha);
  } else {
    p->fastSrcColour = p->fastSrcAlpha = D3DBLEND_ONE;
    p->fastDestColour = p->fastDestAlpha = D3DBLEND_ZERO;
    p->fastOpColour = p->fastOpAlpha = D3DBLENDOP_ADD;
  }
  p->fastTextured = true;
}

} // namespace

void ResolvePixelSetup(const DeviceState &st, const DrawSurfaces &surfaces, FastPaths fastPaths,
                       PixelSetup *p) {
  const DWORD *rs = st.renderStates;
  p->stageCount = 0;
  for (int i = 0; i < kStageCount; ++i) {
    const DWORD *ts = st.stageStates[i];
    if (ts[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
    StageSetup &s = p->stages[i];
    s.colorOp = ts[D3DTSS_COLOROP];
    s.colorArg0 = ts[D3DTSS_COLORARG0];
    s.colorArg1 = ts[D3DTSS_COLORARG1];
    s.colorArg2 = ts[D3DTSS_COLORARG2];
    s.alphaOp = ts[D3DTSS_ALPHAOP];
    s.alphaArg0 = ts[D3DTSS_ALPHAARG0];
    s.alphaArg1 = ts[D3DTSS_ALPHAARG1];
    s.alphaArg2 = ts[D3DTSS_ALPHAARG2];
    s.constant = ts[D3DTSS_CONSTANT];
    ResolveTexture(st, i, i < kTexturedStages, &s);
    p->stageCount = i + 1;
  }
  p->textureFactor = rs[D3DRS_TEXTUREFACTOR];
  p->flatShading = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;

  p->alphaTest = rs[D3DRS_ALPHATESTENABLE] != FALSE;
  p->alphaFunc = rs[D3DRS_ALPHAFUNC];
  p->alphaRef = rs[D3DRS_ALPHAREF] & 0xFF;

  const bool hasDepth = surfaces.depth != nullptr;
  p->depthHasStencil = hasDepth && surfaces.depthHasStencil;
  p->depthTest = hasDepth && rs[D3DRS_ZENABLE] != D3DZB_FALSE;
  p->depthFunc = rs[D3DRS_ZFUNC];
  p->depthWrite = rs[D3DRS_ZWRITEENABLE] != FALSE;

  p->stencil = p->depthHasStencil && rs[D3DRS_STENCILENABLE] != FALSE;
  p->stencilFunc = rs[D3DRS_STENCILFUNC];
  p->stencilFail = rs[D3DRS_STENCILFAIL];
  p->stencilZFail = rs[D3DRS_STENCILZFAIL];
  p->stencilPass = rs[D3DRS_STENCILPASS];
  p->twoSidedStencil = rs[D3DRS_TWOSIDEDSTENCILMODE] != FALSE;
  p->ccwStencilFunc = rs[D3DRS_CCW_STENCILFUNC];
  p->ccwStencilFail = rs[D3DRS_CCW_STENCILFAIL];
  p->ccwStencilZFail = rs[D3DRS_CCW_STENCILZFAIL];
  p->ccwStencilPass = rs[D3DRS_CCW_STENCILPASS];
  p->stencilRef = rs[D3DRS_STENCILREF];
  p->stencilMask = rs[D3DRS_STENCILMASK];
  p->stencilWriteMask = rs[D3DRS_STENCILWRITEMASK];
  // With neither test on, a pixel would write back the word it read: the words are left alone.
  const bool usesDepth = p->depthTest || p->stencil;
  p->depth = usesDepth ? surfaces.depth : nullptr;
  p->depthPitch = surfaces.depthPitch;
  p->heldDepth = usesDepth ? surfaces.heldDepth : nullptr;

  p->blend = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
  p->srcBlend = rs[D3DRS_SRCBLEND];
  p->destBlend = rs[D3DRS_DESTBLEND];
  p->blendOp = rs[D3DRS_BLENDOP];
  const bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE] != FALSE;
  p->srcBlendAlpha = separate ? rs[D3DRS_SRCBLENDALPHA] : p->srcBlend;
  p->destBlendAlpha = separate ? rs[D3DRS_DESTBLENDALPHA] : p->destBlend;
  p->blendOpAlpha = separate ? rs[D3DRS_BLENDOPALPHA] : p->blendOp;
  p->blendFactor = rs[D3DRS_BLENDFACTOR];
  const DWORD cw = rs[D3DRS_COLORWRITEENABLE];
  p->writeMask = ((cw & D3DCOLORWRITEENABLE_RED) ? 0x00FF0000u : 0u) |
                 ((cw & D3DCOLORWRITEENABLE_GREEN) ? 0x0000FF00u : 0u) |
                 ((cw & D3DCOLORWRITEENABLE_BLUE) ? 0x000000FFu : 0u) |
                 ((cw & D3DCOLORWRITEENABLE_ALPHA) ? 0xFF000000u : 0u);

  p->target = surfaces.target;
  p->targetPitch = surfaces.targetPitch;
  p->targetHasAlpha = surfaces.targetHasAlpha;

  const D3DVIEWPORT9 &vp = st.viewport;
  int64_t x0 = vp.X, y0 = vp.Y, x1 = static_cast<int64_t>(vp.X) + vp.Width,
          y1 = static_cast<int64_t>(vp.Y) + vp.Height;
  x1 = std::min<int64_t>(x1, surfaces.targetWidth);
  y1 = std::min<int64_t>(y1, surfaces.targetHeight);
  // A depth-stencil surface smaller than the target (which Direct3D 9 leaves undefined) keeps
  // the pixels it has no words for from being drawn, rather than reading past its end.
  if (usesDepth) {
    x1 = std::min<int64_t>(x1, surfaces.depthWidth);
    y1 = std::min<int64_t>(y1, surfaces.depthHeight);
  }
  if (rs[D3DRS_SCISSORTESTENABLE]) {
    x0 = std::max<int64_t>(x0, st.scissor.left);
    y0 = std::max<int64_t>(y0, st.scissor.top);
    x1 = std::min<int64_t>(x1, st.scissor.right);
    y1 = std::min<int64_t>(y1, st.scissor.bottom);
  }
  p->clipX0 = static_cast<int>(std::clamp<int64_t>(x0, 0, surfaces.targetWidth));
  p->clipY0 = static_cast<int>(std::clamp<int64_t>(y0, 0, surfaces.targetHeight));
  p->clipX1 = static_cast<int>(std::clamp<int64_t>(x1, 0, surfaces.targetWidth));
  p->clipY1 = static_cast<int>(std::clamp<int64_t>(y1, 0, surfaces.targetHeight));
  p->fastPaths = fastPaths == FastPaths::Allowed;
  ResolveFastPath(p);
  ResolvePixelShader(st, p->fastPaths, p);
  p->plainWrite = !p->alphaTest && !p->depth && !p->blend && p->writeMask == 0xFFFFFFFFu;
  p->depthOnly = !p->alphaTest && p->depth && p->depthTest && !p->stencil && !p->blend &&
                 p->writeMask == 0xFFFFFFFFu;
}

} // namespace zrq::d3d9
