// Replicate, Mirror and Panel Rotate on the software device, pixel for pixel, and what they do
// when their panels are not there.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "effect/EffectIds.h"
#include "render/FakeDevice.h"
#include "render/MirrorRenderer.h"
#include "render/PanelRotateRenderer.h"
#include "render/RendererFrames.h"
#include "render/ReplicateRenderer.h"

using zrq::test::FakeDevice;
using zrq::test::FakeTexture;
using zrq::test::FrameIs;
using zrq::test::kUntouched;
using zrq::test::PatternPixel;
using zrq::test::RendererFrames;

namespace {

constexpr float kFourThirds = 4.0f / 3.0f;

class ReplicateProbe : public ReplicateRenderer {
public:
  using ReplicateRenderer::panelLists;
};

// A 16 × 12 picture drawn into a 16 × 12 target: one texel to a pixel.
class PanelRendererFrames : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NE(frames.sw.device, nullptr);
    picture = frames.sw.Texture(16, 12, zrq::test::PatternPicture(16, 12));
    ASSERT_NE(picture, nullptr);
  }

  RendererFrames frames{16, 12};
  CComPtr<IDirect3DTexture9> picture;
};

} // namespace

TEST_F(PanelRendererFrames, EveryPanelEffectAtValueZeroReproducesThePicture) {
  ReplicateRenderer replicate;
  PanelRotateRenderer rotate;
  MirrorRenderer top(MirrorFromTopEffectId), bottom(MirrorFromBottomEffectId),
      left(MirrorFromLeftEffectId), right(MirrorFromRightEffectId);
  DistortionRenderer *renderers[] = {&replicate, &rotate, &top, &bottom, &left, &right};
  for (DistortionRenderer *r : renderers) {
    ASSERT_EQ(frames.Attach(*r), S_OK);
    ASSERT_EQ(frames.Frame(*r, 0.0, picture, kFourThirds), S_OK);
    EXPECT_TRUE(FrameIs(frames, PatternPixel));
  }
}

TEST(ReplicateRenderer, GridGrowsFromOneToEightAtTheRoundedSevenths) {
  // The effect object passes the "Effect Value" percentage times 0.01.
  const int firstPercentOf[] = {0, 8, 22, 36, 50, 65, 79, 93};
  for (int n = 1; n <= 8; ++n) {
    const int first = firstPercentOf[n - 1];
    EXPECT_EQ(ReplicateRenderer::GridSize(first * 0.01), n) << first << "%";
    if (first > 0) {
      EXPECT_EQ(ReplicateRenderer::GridSize((first - 1) * 0.01), n - 1) << first - 1 << "%";
    }
  }
  EXPECT_EQ(ReplicateRenderer::GridSize(1.0), 8);
}

TEST_F(PanelRendererFrames, ReplicateMakesTheNearestGridForValuesOutsideTheRange) {
  ReplicateProbe r;
  ASSERT_EQ(frames.Attach(r), S_OK);
  const std::pair<double, UINT> panelsFor[] = {
      {1e300, 64}, {std::numeric_limits<double>::infinity(), 64}, {-5.0, 1}, {std::nan(""), 1}};
  for (const auto &[value, panels] : panelsFor) {
    EXPECT_EQ(frames.Frame(r, value, picture, kFourThirds), S_OK);
    EXPECT_EQ(r.panelLists[0].count, panels) << value;
  }
  EXPECT_EQ(r.SetEffectValue(nullptr, 8), E_POINTER);
}

TEST(ReplicateRenderer, ValueOneTilesThePictureEightByEight) {
  // Each tile is as large as the picture, so tiles are texel for pixel too.
  RendererFrames frames(128, 96);
  CComPtr<IDirect3DTexture9> picture = frames.sw.Texture(16, 12, zrq::test::PatternPicture(16, 12));
  ReplicateRenderer r;
  ASSERT_EQ(frames.Attach(r), S_OK);
  ASSERT_EQ(frames.Frame(r, 1.0, picture, kFourThirds), S_OK);
  EXPECT_TRUE(FrameIs(frames, [](UINT x, UINT y) { return PatternPixel(x % 16, y % 12); }));
}

// The band along the mirror's edge shows the band next to it reflected about the line where
// they meet; the rest stays in place. Band depth: half the value times the picture.
struct MirrorCase {
  LONG effectId;
  double value;
};

void PrintTo(const MirrorCase &c, std::ostream *os) {
  *os << "effect " << c.effectId << " at " << c.value;
}

class MirrorFrames : public PanelRendererFrames,
                     public ::testing::WithParamInterface<MirrorCase> {};

TEST_P(MirrorFrames, TheBandShowsItsNeighbourReflected) {
  const MirrorCase c = GetParam();
  MirrorRenderer r(c.effectId);
  ASSERT_EQ(frames.Attach(r), S_OK);
  ASSERT_EQ(frames.Frame(r, c.value, picture, kFourThirds), S_OK);
  const UINT rows = static_cast<UINT>(c.value * 0.5 * 12),
             columns = static_cast<UINT>(c.value * 0.5 * 16);
  const auto expected = [&](UINT x, UINT y) {
    switch (c.effectId) {
    case MirrorFromTopEffectId:
      return y < rows ? PatternPixel(x, 2 * rows - 1 - y) : PatternPixel(x, y);
    case MirrorFromBottomEffectId:
      return y >= 12 - rows ? PatternPixel(x, 2 * (12 - rows) - 1 - y) : PatternPixel(x, y);
    case MirrorFromLeftEffectId:
      return x < columns ? PatternPixel(2 * columns - 1 - x, y) : PatternPixel(x, y);
    default:
      return x >= 16 - columns ? PatternPixel(2 * (16 - columns) - 1 - x, y) : PatternPixel(x, y);
    }
  };
  EXPECT_TRUE(FrameIs(frames, expected));
}

INSTANTIATE_TEST_SUITE_P(EveryEdge, MirrorFrames,
                         ::testing::Values(MirrorCase{MirrorFromTopEffectId, 0.5},
                                           MirrorCase{MirrorFromTopEffectId, 1.0},
                                           MirrorCase{MirrorFromBottomEffectId, 0.5},
                                           MirrorCase{MirrorFromBottomEffectId, 1.0},
                                           MirrorCase{MirrorFromLeftEffectId, 0.5},
                                           MirrorCase{MirrorFromLeftEffectId, 1.0},
                                           MirrorCase{MirrorFromRightEffectId, 0.5},
                                           MirrorCase{MirrorFromRightEffectId, 1.0}));

TEST_F(PanelRendererFrames, PanelRotateTurnsThePictureTwiceOverTheRange) {
  PanelRotateRenderer r;
  ASSERT_EQ(frames.Attach(r), S_OK);
  for (double upright : {0.5, 1.0}) {
    ASSERT_EQ(frames.Frame(r, upright, picture, kFourThirds), S_OK);
    EXPECT_TRUE(FrameIs(frames, PatternPixel)) << upright;
  }
  for (double upsideDown : {0.25, 0.75}) {
    ASSERT_EQ(frames.Frame(r, upsideDown, picture, kFourThirds), S_OK);
    EXPECT_TRUE(FrameIs(frames, [](UINT x, UINT y) { return PatternPixel(15 - x, 11 - y); }))
        << upsideDown;
  }
}

TEST(PanelRenderers, WithoutTheirPanelsTheyFailAndDrawNothing) {
  FakeDevice device;
  FakeTexture texture;
  IDirect3DTexture9 *textures[1] = {&texture};
  const double value = 0.5;

  // Never attached: no panels, no device.
  MirrorRenderer unattached(MirrorFromTopEffectId);
  unattached.SetEffectValue(&value, 8);
  EXPECT_EQ(unattached.UpdateGeometry(), E_FAIL);
  EXPECT_EQ(unattached.Render(textures, 1), E_FAIL);

  // Attached to a device that cannot make the buffers: Attach says so, and so do the frames.
  device.Fail("CreateVertexBuffer", E_OUTOFMEMORY);
  MirrorRenderer mirror(MirrorFromLeftEffectId);
  PanelRotateRenderer rotate;
  ReplicateRenderer replicate;
  EXPECT_EQ(mirror.Attach(&device, kFourThirds), E_FAIL);
  EXPECT_EQ(rotate.Attach(&device, kFourThirds), E_FAIL);
  EXPECT_EQ(replicate.Attach(&device, kFourThirds), S_OK); // its panels are made per frame
  for (DistortionRenderer *r :
       {static_cast<DistortionRenderer *>(&mirror), static_cast<DistortionRenderer *>(&rotate),
        static_cast<DistortionRenderer *>(&replicate)}) {
    r->SetEffectValue(&value, 8);
    EXPECT_EQ(r->UpdateGeometry(), E_FAIL);
    EXPECT_EQ(r->Render(textures, 1), E_FAIL);
  }
  EXPECT_TRUE(device.CallsOf({"DrawIndexedPrimitive", "SetTexture"}).empty());

  // Attached, then the device given up: the panels went with it.
  FakeDevice working;
  MirrorRenderer detached(MirrorFromTopEffectId);
  ASSERT_EQ(detached.Attach(&working, kFourThirds), S_OK);
  ASSERT_EQ(detached.DetachDevice(), S_OK);
  EXPECT_EQ(detached.UpdateGeometry(), E_FAIL);
  EXPECT_EQ(detached.Render(textures, 1), E_FAIL);
}
