// Alpha test, stencil and depth tests, blending and the masked write of one pixel.
#include "platform/d3d9/Pipeline.h"

#include <algorithm>

namespace zrq::d3d9 {
namespace {

uint32_t StencilOp(DWORD op, uint32_t value, uint32_t ref) {
  switch (op) {
  case D3DSTENCILOP_ZERO:
    return 0;
  case D3DSTENCILOP_REPLACE:
    return ref & 0xFF;
  case D3DSTENCILOP_INCRSAT:
    return value < 255 ? value + 1 : 255;
  case D3DSTENCILOP_DECRSAT:
    return value > 0 ? value - 1 : 0;
  case D3DSTENCILOP_INVERT:
    return ~value & 0xFF;
  case D3DSTENCILOP_INCR:
    return (value + 1) & 0xFF;
  case D3DSTENCILOP_DECR:
    return (value - 1) & 0xFF;
  case D3DSTENCILOP_KEEP:
  default:
    return value;
  }
}

uint32_t Factor(DWORD blend, int i, uint32_t src, uint32_t dst, uint32_t blendFactor,
                BlendSide side) {
  const bool isSource = side == BlendSide::Source;
  const uint32_t sc = (src >> (8 * i)) & 0xFF, dc = (dst >> (8 * i)) & 0xFF;
  const uint32_t sa = src >> 24, da = dst >> 24, bf = (blendFactor >> (8 * i)) & 0xFF;
  switch (blend) {
  case D3DBLEND_ZERO:
    return 0;
  case D3DBLEND_ONE:
    return 255;
  case D3DBLEND_SRCCOLOR:
    return sc;
  case D3DBLEND_INVSRCCOLOR:
    return 255 - sc;
  case D3DBLEND_SRCALPHA:
    return sa;
  case D3DBLEND_INVSRCALPHA:
    return 255 - sa;
  case D3DBLEND_DESTALPHA:
    return da;
  case D3DBLEND_INVDESTALPHA:
    return 255 - da;
  case D3DBLEND_DESTCOLOR:
    return dc;
  case D3DBLEND_INVDESTCOLOR:
    return 255 - dc;
  case D3DBLEND_SRCALPHASAT:
    return i == 3 ? 255 : std::min(sa, 255 - da);
  // As a source factor these set both factors (the blend overrides the destination one);
  // given as a destination factor they read as the destination half of the pair.
  case D3DBLEND_BOTHSRCALPHA:
    return isSource ? sa : 255 - sa;
  case D3DBLEND_BOTHINVSRCALPHA:
    return isSource ? 255 - sa : sa;
  case D3DBLEND_BLENDFACTOR:
    return bf;
  case D3DBLEND_INVBLENDFACTOR:
    return 255 - bf;
  default:
    return isSource ? 255 : 0;
  }
}

uint32_t BlendChannel(DWORD op, uint32_t s, uint32_t sf, uint32_t d, uint32_t df) {
  const int a = static_cast<int>(Mul8(s, sf)), b = static_cast<int>(Mul8(d, df));
  switch (op) {
  case D3DBLENDOP_SUBTRACT:
    return static_cast<uint32_t>(std::clamp(a - b, 0, 255));
  case D3DBLENDOP_REVSUBTRACT:
    return static_cast<uint32_t>(std::clamp(b - a, 0, 255));
  case D3DBLENDOP_MIN:
    return std::min(s, d);
  case D3DBLENDOP_MAX:
    return std::max(s, d);
  case D3DBLENDOP_ADD:
  default:
    return static_cast<uint32_t>(std::min(a + b, 255));
  }
}

} // namespace

void MergePixel(const PixelSetup &s, int x, int y, uint32_t src, float z, bool ccw) {
  if (s.alphaTest && !CompareValues(s.alphaFunc, src >> 24, s.alphaRef)) return;

  if (s.depth) {
    uint32_t *word = s.depth + static_cast<ptrdiff_t>(y) * s.depthPitch + x;
    const uint32_t stored = *word >> 8;
    uint32_t stencil = *word & 0xFF;
    const uint32_t before = stencil;
    const bool twoSided = s.twoSidedStencil && ccw;
    const DWORD func = twoSided ? s.ccwStencilFunc : s.stencilFunc;
    const DWORD fail = twoSided ? s.ccwStencilFail : s.stencilFail;
    const DWORD zfail = twoSided ? s.ccwStencilZFail : s.stencilZFail;
    const DWORD pass = twoSided ? s.ccwStencilPass : s.stencilPass;
    auto writeStencil = [&](uint32_t value) {
      stencil = (before & ~s.stencilWriteMask) | (value & s.stencilWriteMask & 0xFF);
    };
    if (s.stencil &&
        !CompareValues(func, s.stencilRef & s.stencilMask & 0xFF, before & s.stencilMask)) {
      writeStencil(StencilOp(fail, before, s.stencilRef));
      *word = (stored << 8) | stencil;
      return;
    }
    const uint32_t z24 = ToDepth24(z);
    if (s.depthTest && !CompareValues(s.depthFunc, z24, stored)) {
      if (s.stencil) {
        writeStencil(StencilOp(zfail, before, s.stencilRef));
        *word = (stored << 8) | stencil;
      }
      return;
    }
    if (s.stencil) writeStencil(StencilOp(pass, before, s.stencilRef));
    const uint32_t newDepth = s.depthTest && s.depthWrite ? z24 : stored;
    *word = (newDepth << 8) | stencil;
  }

  uint32_t *pixel = s.target + static_cast<ptrdiff_t>(y) * s.targetPitch + x;
  const uint32_t dst = *pixel;
  uint32_t out = src;
  if (s.blend) {
    // A target without alpha reads as opaque.
    const uint32_t d = s.targetHasAlpha ? dst : dst | 0xFF000000u;
    out = 0;
    for (int i = 0; i < 4; ++i) {
      const DWORD sb = i == 3 ? s.srcBlendAlpha : s.srcBlend;
      const DWORD db = i == 3 ? s.destBlendAlpha : s.destBlend;
      const DWORD op = i == 3 ? s.blendOpAlpha : s.blendOp;
      uint32_t sf = Factor(sb, i, src, d, s.blendFactor, BlendSide::Source);
      uint32_t df = Factor(db, i, src, d, s.blendFactor, BlendSide::Destination);
      if (sb == D3DBLEND_BOTHSRCALPHA || sb == D3DBLEND_BOTHINVSRCALPHA)
        df = Factor(sb, i, src, d, s.blendFactor, BlendSide::Destination);
      out |= BlendChannel(op, (src >> (8 * i)) & 0xFF, sf, (d >> (8 * i)) & 0xFF, df) << (8 * i);
    }
  }
  *pixel = (out & s.writeMask) | (dst & ~s.writeMask);
}

} // namespace zrq::d3d9
