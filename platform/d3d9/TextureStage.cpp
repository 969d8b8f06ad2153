// The fixed-function texture stages: each stage combines up to three arguments with one
// operation for colour and one for alpha, 8 bits per channel, saturating.
#include "platform/d3d9/Pipeline.h"

#include <algorithm>

namespace zrq::d3d9 {
namespace {

uint32_t Channel(uint32_t c, int i) { return (c >> (8 * i)) & 0xFF; }
uint32_t Alpha(uint32_t c) { return c >> 24; }
uint32_t Sat(int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); }

struct StageInputs {
  uint32_t diffuse, current, texel, factor, constant;
};

uint32_t Argument(DWORD arg, const StageInputs &in) {
  uint32_t c;
  switch (arg & D3DTA_SELECTMASK) {
  case D3DTA_DIFFUSE:
    c = in.diffuse;
    break;
  case D3DTA_CURRENT:
    c = in.current;
    break;
  case D3DTA_TEXTURE:
    c = in.texel;
    break;
  case D3DTA_TFACTOR:
    c = in.factor;
    break;
  case D3DTA_CONSTANT:
    c = in.constant;
    break;
  // The device computes no specular colour and keeps no temporary register: both read as 0.
  default:
    c = 0;
    break;
  }
  if (arg & D3DTA_COMPLEMENT) c = ~c;
  if (arg & D3DTA_ALPHAREPLICATE) c = Alpha(c) * 0x01010101u;
  return c;
}

// One channel of an operation; i is the channel (3 = alpha).
uint32_t Operate(DWORD op, uint32_t a0, uint32_t a1, uint32_t a2, int i, const StageInputs &in) {
  const int x0 = static_cast<int>(Channel(a0, i)), x1 = static_cast<int>(Channel(a1, i)),
            x2 = static_cast<int>(Channel(a2, i));
  auto lerp = [&](uint32_t alpha) { return Mul8(x1, alpha) + Mul8(x2, 255 - alpha); };
  switch (op) {
  case D3DTOP_SELECTARG1:
    return x1;
  case D3DTOP_SELECTARG2:
    return x2;
  case D3DTOP_MODULATE:
    return Mul8(x1, x2);
  case D3DTOP_MODULATE2X:
    return Sat((x1 * x2 * 2 + 127) / 255);
  case D3DTOP_MODULATE4X:
    return Sat((x1 * x2 * 4 + 127) / 255);
  case D3DTOP_ADD:
    return Sat(x1 + x2);
  case D3DTOP_ADDSIGNED:
    return Sat(x1 + x2 - 128);
  case D3DTOP_ADDSIGNED2X:
    return Sat((x1 + x2 - 128) * 2);
  case D3DTOP_SUBTRACT:
    return Sat(x1 - x2);
  case D3DTOP_ADDSMOOTH:
    return Sat(x1 + x2 - static_cast<int>(Mul8(x1, x2)));
  case D3DTOP_BLENDDIFFUSEALPHA:
    return lerp(Alpha(in.diffuse));
  case D3DTOP_BLENDTEXTUREALPHA:
    return lerp(Alpha(in.texel));
  case D3DTOP_BLENDFACTORALPHA:
    return lerp(Alpha(in.factor));
  case D3DTOP_BLENDCURRENTALPHA:
    return lerp(Alpha(in.current));
  case D3DTOP_BLENDTEXTUREALPHAPM:
    return Sat(x1 + static_cast<int>(Mul8(x2, 255 - Alpha(in.texel))));
  case D3DTOP_MODULATEALPHA_ADDCOLOR:
    return Sat(x1 + static_cast<int>(Mul8(Alpha(a1), x2)));
  case D3DTOP_MODULATECOLOR_ADDALPHA:
    return Sat(static_cast<int>(Mul8(x1, x2)) + static_cast<int>(Alpha(a1)));
  case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
    return Sat(x1 + static_cast<int>(Mul8(255 - Alpha(a1), x2)));
  case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
    return Sat(static_cast<int>(Mul8(255 - x1, x2)) + static_cast<int>(Alpha(a1)));
  case D3DTOP_DOTPRODUCT3: {
    int dot = 0;
    for (int c = 0; c < 3; ++c)
      dot += (2 * static_cast<int>(Channel(a1, c)) - 255) *
             (2 * static_cast<int>(Channel(a2, c)) - 255);
    return Sat((dot + 127) / 255);
  }
  case D3DTOP_MULTIPLYADD:
    return Sat(x0 + static_cast<int>(Mul8(x1, x2)));
  case D3DTOP_LERP:
    return Mul8(x0, x1) + Mul8(255 - x0, x2);
  // Bump mapping and premodulation are not done: those stages pass their first argument on.
  default:
    return x1;
  }
}

} // namespace

uint32_t CombineStages(const PixelSetup &setup, uint32_t diffuse, const uint32_t *texels) {
  StageInputs in{diffuse, diffuse, 0xFFFFFFFFu, setup.textureFactor, 0};
  for (int st = 0; st < setup.stageCount; ++st) {
    const StageSetup &s = setup.stages[st];
    in.texel = st < kTexturedStages ? texels[st] : 0xFFFFFFFFu;
    in.constant = s.constant;
    const uint32_t c0 = Argument(s.colorArg0, in), c1 = Argument(s.colorArg1, in),
                   c2 = Argument(s.colorArg2, in);
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) out |= Operate(s.colorOp, c0, c1, c2, i, in) << (8 * i);
    if (s.alphaOp == D3DTOP_DISABLE) {
      out |= in.current & 0xFF000000u;
    } else {
      const uint32_t a0 = Argument(s.alphaArg0, in), a1 = Argument(s.alphaArg1, in),
                     a2 = Argument(s.alphaArg2, in);
      out |= Operate(s.alphaOp, a0, a1, a2, 3, in) << 24;
    }
    in.current = out;
  }
  return in.current;
}

} // namespace zrq::d3d9
