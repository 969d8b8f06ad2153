// The colour shifts drawn in passes on the software device: which channel moves where, the
// strips at the edge, the recorded order of the passes, and the device probe.
#include "render/FakeShaderCompiler.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "effect/EffectIds.h"
#include "render/ColorShiftRenderer.h"
#include "render/RecordedWrites.h"
#include "render/RendererFrames.h"

using zrq::test::FrameIs;
using zrq::test::PatternPixel;
using zrq::test::RendererFrames;

namespace {

// 64 × 48 pixels for the 2 × 1.5 model picture: 32 pixels to a model unit, so the largest
// offset, 1/16, is 2 pixels.
constexpr UINT kWidth = 64, kHeight = 48;
constexpr float kFourThirds = 4.0f / 3.0f;

uint32_t Channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

struct Shift {
  int dx, dy; // the output's channel at (x, y) is the picture's at (x + dx, y + dy)
};

struct ShiftCase {
  const char *name;
  LONG effectId;
  double value;
  Shift red, green, blue;
};

void PrintTo(const ShiftCase &c, std::ostream *os) { *os << c.name; }

class ColorShiftFrames : public ::testing::TestWithParam<ShiftCase> {
protected:
  void SetUp() override {
    ASSERT_NE(frames.sw.device, nullptr);
    picture = frames.sw.Texture(kWidth, kHeight, zrq::test::PatternPicture(kWidth, kHeight));
    ASSERT_NE(picture, nullptr);
  }

  RendererFrames frames{kWidth, kHeight};
  CComPtr<IDirect3DTexture9> picture;
};

} // namespace

TEST_P(ColorShiftFrames, EachChannelStandsAtItsOffset) {
  const ShiftCase c = GetParam();
  ColorShiftRenderer r(c.effectId);
  ASSERT_EQ(frames.Attach(r), S_OK);
  ASSERT_EQ(frames.Frame(r, c.value, picture, kFourThirds), S_OK);
  // Away from the edges, where strips and the moved passes meet.
  for (UINT y = 4; y < kHeight - 4; ++y)
    for (UINT x = 4; x < kWidth - 4; ++x) {
      const uint32_t out = frames.At(x, y);
      ASSERT_EQ(out >> 24, 0xFFu) << x << ", " << y;
      ASSERT_EQ(Channel(out, 16), Channel(PatternPixel(x + c.red.dx, y + c.red.dy), 16))
          << "red at " << x << ", " << y;
      ASSERT_EQ(Channel(out, 8), Channel(PatternPixel(x + c.green.dx, y + c.green.dy), 8))
          << "green at " << x << ", " << y;
      ASSERT_EQ(Channel(out, 0), Channel(PatternPixel(x + c.blue.dx, y + c.blue.dy), 0))
          << "blue at " << x << ", " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Passes, ColorShiftFrames,
    ::testing::Values(
        // Below half strength red moves by the offset over a cyan backdrop; above it the
        // horizontal shift adds green half as far again over a blue one, the vertical one moves
        // blue over yellow, and the diagonal one keeps cyan and red.
        ShiftCase{"HorizontalQuarter", ColorShiftHorizontalEffectId, 0.25, {-2, 0}, {0, 0}, {0, 0}},
        ShiftCase{
            "HorizontalThreeQuarters", ColorShiftHorizontalEffectId, 0.75, {2, 0}, {3, 0}, {0, 0}},
        ShiftCase{"VerticalQuarter", ColorShiftVerticalEffectId, 0.25, {0, 2}, {0, 0}, {0, 0}},
        ShiftCase{
            "VerticalThreeQuarters", ColorShiftVerticalEffectId, 0.75, {0, 0}, {0, 0}, {0, -2}},
        ShiftCase{"DiagonalQuarter", ColorShiftDiagonalEffectId, 0.25, {-2, 2}, {0, 0}, {0, 0}},
        ShiftCase{"DiagonalThreeQuartersAsTheFirstFrame",
                  ColorShiftDiagonalEffectId,
                  0.75,
                  {2, -2},
                  {0, 0},
                  {0, 0}},
        // At 0, 0.5 and 1 nothing moves.
        ShiftCase{"VerticalZero", ColorShiftVerticalEffectId, 0.0, {0, 0}, {0, 0}, {0, 0}},
        ShiftCase{"DiagonalHalf", ColorShiftDiagonalEffectId, 0.5, {0, 0}, {0, 0}, {0, 0}},
        ShiftCase{"HorizontalOne", ColorShiftHorizontalEffectId, 1.0, {0, 0}, {0, 0}, {0, 0}}),
    [](const ::testing::TestParamInfo<ShiftCase> &info) { return std::string(info.param.name); });

TEST(ColorShiftRenderer, TheStripLeftUncoveredByTheShiftedRedShowsThePictureUnfiltered) {
  // Red moves 2 pixels right; the two left columns show the picture's first columns whole.
  RendererFrames frames(kWidth, kHeight);
  CComPtr<IDirect3DTexture9> picture =
      frames.sw.Texture(kWidth, kHeight, zrq::test::PatternPicture(kWidth, kHeight));
  ColorShiftRenderer r(ColorShiftHorizontalEffectId);
  ASSERT_EQ(frames.Attach(r), S_OK);
  ASSERT_EQ(frames.Frame(r, 0.25, picture, kFourThirds), S_OK);
  for (UINT y = 0; y < kHeight; ++y)
    for (UINT x = 0; x < 2; ++x) {
      bool found = false;
      for (UINT u = 0; u < 4; ++u) found = found || frames.At(x, y) == PatternPixel(u, y);
      EXPECT_TRUE(found) << x << ", " << y;
    }
}

TEST(ColorShiftRenderer, ThePassesAddTheShiftedColoursInOrder) {
  RendererFrames frames(kWidth, kHeight);
  CComPtr<IDirect3DTexture9> picture =
      frames.sw.Texture(kWidth, kHeight, zrq::test::PatternPicture(kWidth, kHeight));
  struct Probe : ColorShiftRenderer {
    using ColorShiftRenderer::ColorShiftRenderer;
    using ColorShiftRenderer::indexBuffer;
    using ColorShiftRenderer::vertexBuffer;
  } r(ColorShiftHorizontalEffectId);
  ASSERT_EQ(frames.Attach(r), S_OK);
  const double value = 0.75;
  r.SetEffectValue(&value, 8);
  ASSERT_EQ(r.UpdateGeometry(), S_OK);
  IDirect3DTexture9 *textures[1] = {picture};
  frames.sw.Record(true);
  ASSERT_EQ(r.Render(textures, 1), S_OK);
  const std::vector<std::string> writes =
      zrq::test::RecordedWrites(frames.sw, {{nullptr, "null"},
                                            {r.vertexBuffer.p, "vb"},
                                            {r.indexBuffer.p, "ib"},
                                            {picture.p, "picture"}});

  const std::string reset = "SetMaterial(D(1 1 1 1) A(1 1 1 1) S(0 0 0 1) E(0 0 0 1) P 0)";
  const auto afterSharedDraw = std::find(writes.begin(), writes.end(), reset);
  ASSERT_NE(afterSharedDraw, writes.end());
  EXPECT_NE(std::find(writes.begin(), afterSharedDraw,
                      "SetMaterial(D(0 0 1 1) A(0 0 1 1) S(0 0 1 1) E(0 0 0 1) P 0)"),
            afterSharedDraw)
      << "the backdrop is drawn through blue";
  // The backdrop is quad 1 of the buffers: vertices from 4 (byte 128), indices from 6.
  // After the shared draw's own reset: blending on, adding (source ONE is already set), then
  // the red pass and the green pass, each moving the backdrop first, and blending off.
  const std::vector<std::string> passes = {
      "SetRenderState(7,0)",
      "SetRenderState(27,0)", // the shared draw's reset
      "SetRenderState(27,1)",
      "SetRenderState(20,5)",
      "SetTextureStageState(0,4,7)",
      "VertexBuffer::Lock(128,128)",
      "SetMaterial(D(1 0 0 1) A(1 0 0 1) S(1 0 0 1) E(0 0 0 1) P 0)",
      "SetTexture(0,picture)",
      "SetTransform(256)",
      "SetIndices(ib)",
      "DrawIndexedPrimitive(4,4,0,4,6,2)",
      "VertexBuffer::Lock(128,128)",
      "SetMaterial(D(0 1 0 1) A(0 1 0 1) S(0 1 0 1) E(0 0 0 1) P 0)",
      "SetTexture(0,picture)",
      "SetTransform(256)",
      "SetIndices(ib)",
      "DrawIndexedPrimitive(4,4,0,4,6,2)",
      "SetRenderState(27,0)"};
  EXPECT_EQ(std::vector<std::string>(afterSharedDraw + 1, writes.end()), passes);
}

TEST(ColorShiftRenderer, ADeviceWithShadersDrawsThePassesWhenNoShaderCanBeCompiled) {
  zrq::test::ResetShaderCompiler(E_NOTIMPL); // as when no compiler is at hand
  RendererFrames plain(kWidth, kHeight), capable(kWidth, kHeight);
  capable.ShaderVersions(D3DVS_VERSION(1, 1), D3DPS_VERSION(2, 0));
  for (RendererFrames *frames : {&plain, &capable}) {
    CComPtr<IDirect3DTexture9> picture =
        frames->sw.Texture(kWidth, kHeight, zrq::test::PatternPicture(kWidth, kHeight));
    ColorShiftRenderer r(ColorShiftDiagonalEffectId);
    ASSERT_EQ(frames->Attach(r), S_OK);
    ASSERT_EQ(frames->Frame(r, 0.25, picture, kFourThirds), S_OK);
  }
  EXPECT_EQ(capable.pixels, plain.pixels);
}
