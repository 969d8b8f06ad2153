// Every renderer gives back what it took of the device: attaching again holds no more than
// before, giving the device up and destroying the renderer each leave its count where it was.
#include <gtest/gtest.h>

#include <memory>

#include "effect/EffectIds.h"
#include "render/ColorShiftRenderer.h"
#include "render/MirrorRenderer.h"
#include "render/PanelRotateRenderer.h"
#include "render/RendererFrames.h"
#include "render/ReplicateRenderer.h"
#include "render/WaveRenderer.h"

TEST(Renderers, GiveBackEveryDeviceReference) {
  zrq::test::RendererFrames frames(16, 12);
  CComPtr<IDirect3DTexture9> picture = frames.sw.Texture(16, 12, zrq::test::PatternPicture(16, 12));
  const ULONG baseline = frames.DeviceRefs();
  std::unique_ptr<DistortionRenderer> renderers[] = {
      std::make_unique<WaveRenderer>(), std::make_unique<ReplicateRenderer>(),
      std::make_unique<MirrorRenderer>(MirrorFromBottomEffectId),
      std::make_unique<PanelRotateRenderer>(),
      std::make_unique<ColorShiftRenderer>(ColorShiftDiagonalEffectId)};
  for (std::unique_ptr<DistortionRenderer> &r : renderers) {
    ASSERT_EQ(frames.Attach(*r), S_OK);
    ASSERT_EQ(frames.Frame(*r, 0.6, picture, 4.0f / 3.0f), S_OK);
    const ULONG drawn = frames.DeviceRefs();
    ASSERT_EQ(frames.Attach(*r), S_OK);
    ASSERT_EQ(frames.Frame(*r, 0.6, picture, 4.0f / 3.0f), S_OK);
    EXPECT_EQ(frames.DeviceRefs(), drawn); // one set of device objects, whatever was made again
    ASSERT_EQ(r->DetachDevice(), S_OK);
    EXPECT_EQ(frames.DeviceRefs(), baseline);
    EXPECT_EQ(frames.Frame(*r, 0.6, picture, 4.0f / 3.0f), E_FAIL);
    ASSERT_EQ(frames.Attach(*r), S_OK);
    ASSERT_EQ(frames.Frame(*r, 0.3, picture, 4.0f / 3.0f), S_OK);
    r.reset();
    EXPECT_EQ(frames.DeviceRefs(), baseline);
  }
}
