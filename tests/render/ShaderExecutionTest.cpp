// The colour shifts through their pixel shader, compiled from the module's resource and run by
// the software device: with point sampling every pixel is exactly the shader's rule, red (and
// above half strength green, at half the offset) read at the shifted place, the rest in place.
#include <gtest/gtest.h>

#include "effect/EffectIds.h"
#include "render/ColorShiftRenderer.h"
#include "render/RendererFrames.h"

using zrq::test::PatternPixel;
using zrq::test::RendererFrames;

namespace {

// 128 × 96 pixels, the 4:3 the shader's quad is made for: the offsets, ±1/16 of the picture,
// and their halves are whole pixels (8 and 4 across, 6 and 3 down), so every sample lands in a
// texel's middle.
constexpr UINT kWidth = 128, kHeight = 96;

// The swing of the offset with the effect value.
double Swing(double v) {
  if (v <= 0.25) return -0.25 * v;
  if (v <= 0.5) return -0.25 * (0.5 - v);
  if (v <= 0.75) return 0.25 * (v - 0.5);
  return 0.25 * (1 - v);
}

// The picture's pixel at (x, y) moved by whole pixels, wrapping as the sampler does.
uint32_t Picture(int x, int y) {
  return PatternPixel(static_cast<UINT>((x % int{kWidth} + int{kWidth}) % int{kWidth}),
                      static_cast<UINT>((y % int{kHeight} + int{kHeight}) % int{kHeight}));
}

struct ShaderCase {
  LONG effectId;
  double value;
};

class ColorShiftShader : public ::testing::TestWithParam<ShaderCase> {};

TEST_P(ColorShiftShader, EveryPixelFollowsTheShaderRule) {
  const ShaderCase c = GetParam();
  RendererFrames frames(kWidth, kHeight);
  frames.ShaderVersions(D3DVS_VERSION(1, 1), D3DPS_VERSION(2, 0));
  CComPtr<IDirect3DTexture9> picture =
      frames.sw.Texture(kWidth, kHeight, zrq::test::PatternPicture(kWidth, kHeight));
  ColorShiftRenderer r(c.effectId);
  ASSERT_EQ(frames.Attach(r), S_OK);
  ASSERT_EQ(frames.Frame(r, c.value, picture, 4.0f / 3.0f), S_OK);
  const double b = Swing(c.value);
  const bool horizontal = c.effectId != ColorShiftVerticalEffectId,
             vertical = c.effectId != ColorShiftHorizontalEffectId;
  const int dx = horizontal ? static_cast<int>(b * kWidth) : 0,
            dy = vertical ? static_cast<int>(b * kHeight) : 0;
  for (UINT y = 0; y < kHeight; ++y)
    for (UINT x = 0; x < kWidth; ++x) {
      const int ix = static_cast<int>(x), iy = static_cast<int>(y);
      const uint32_t here = Picture(ix, iy), red = Picture(ix + dx, iy + dy);
      const uint32_t green = c.value > 0.5 ? Picture(ix + dx / 2, iy + dy / 2) : here;
      const uint32_t expected = (here & 0xFF0000FFu) | (red & 0x00FF0000u) | (green & 0x0000FF00u);
      ASSERT_EQ(frames.At(x, y), expected) << std::hex << "pixel " << std::dec << x << ", " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Values, ColorShiftShader,
                         ::testing::Values(ShaderCase{ColorShiftHorizontalEffectId, 0.25},
                                           ShaderCase{ColorShiftHorizontalEffectId, 0.75},
                                           ShaderCase{ColorShiftVerticalEffectId, 0.25},
                                           ShaderCase{ColorShiftVerticalEffectId, 0.75},
                                           ShaderCase{ColorShiftDiagonalEffectId, 0.25},
                                           ShaderCase{ColorShiftDiagonalEffectId, 0.75},
                                           ShaderCase{ColorShiftDiagonalEffectId, 0.5},
                                           ShaderCase{ColorShiftHorizontalEffectId, 1.0}));

} // namespace
