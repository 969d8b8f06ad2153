// The effect's two render paths as the host drives them through the module: the software path
// byte for byte the processor's, the device path's picture the right way up and exact where
// the effect copies, and how --compare measures the two against each other.
#include "HostTestSupport.h"

#include "effect/EffectIds.h"
#include "host/DeviceTarget.h"
#include "host/FrameDifference.h"
#include "host/ProjectParameters.h"
#include "host/TestCard.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr RenderPath kPaths[] = {RenderPath::Software, RenderPath::Device};

TEST(SoftwarePath, IsTheProcessorsResultByteForByteForEveryEffectAndValue) {
  // An odd size and random alpha, so rows, strides and every channel count.
  Frame source = PatternFrame({37, 23}, 11);
  for (LONG id = WaveEffectId; id <= PanelRotateEffectId; ++id)
    for (double percent : {0.0, 12.5, 50.0, 99.0, 100.0})
      EXPECT_TRUE(SamePixels(RenderOnPath(RenderPath::Software, id, percent, source),
                             ProcessDirectly(id, percent, source)))
          << id << " at " << percent;
}

TEST(SoftwarePath, ReadsTheValueAtTheFramesTimeInAClipOfDurationOne) {
  Frame source = PatternFrame({20, 12}, 3);
  Result<ProjectParameters> project = ProjectParameters::Create(TestModule());
  ASSERT_TRUE(project.ok()) << project.message();
  const KeyFrameArgument ramp[] = {{0.0, 0.0}, {1.0, 100.0}};
  ASSERT_TRUE(project.value().SetEffectId(MirrorFromRightEffectId).ok());
  ASSERT_TRUE(project.value().ReplaceKeyFrames(ramp).ok());
  Result<std::unique_ptr<FrameRenderer>> renderer =
      MakeFrameRenderer(RenderPath::Software, project.value().Interface(), source.Size());
  ASSERT_TRUE(renderer.ok()) << renderer.message();
  Frame rendered = std::move(Frame::Allocate(source.Size()).value());
  for (double time : {0.0, 0.3, 1.0}) {
    // What the destination held before must not show: the effect leaves some bytes as they
    // are (Replicate its alpha and the margins), which the path fills from the source first.
    std::memset(rendered.Data(), int(time * 100) + 7, rendered.ByteCount());
    ASSERT_TRUE(renderer.value()->Render(source, rendered, time).ok());
    EXPECT_TRUE(SamePixels(rendered, ProcessDirectly(MirrorFromRightEffectId, time * 100, source)))
        << time;
  }
  // A picture of another size than the path was set up for is refused, not overrun.
  Frame other = PatternFrame({21, 12});
  EXPECT_FALSE(renderer.value()->Render(other, rendered, 0.0).ok());
}

TEST(DevicePath, ReplicateAtZeroReproducesThePictureExactly) {
  for (const Frame &source : {PatternFrame({37, 23}, 5), std::move(MakeTestCard({64, 36}).value())})
    EXPECT_TRUE(SamePixels(RenderOnPath(RenderPath::Device, ReplicateEffectId, 0, source), source))
        << source.Width() << "x" << source.Height();
}

int64_t TransparentBlackPixels(const Frame &frame) {
  int64_t count = 0;
  for (size_t i = 0; i < frame.ByteCount(); i += 4)
    count += frame.Data()[i] == 0 && frame.Data()[i + 1] == 0 && frame.Data()[i + 2] == 0 &&
             frame.Data()[i + 3] == 0;
  return count;
}

// The wave without shaders draws with the host's lighting on vertices without normals: it shows
// the picture only on an unlit device, and where it moves the picture away the target stays
// cleared. (Its shader path keeps the 4:3 height it was attached with, so a 16:9 picture does
// not come back whole at 0.)
TEST(DevicePath, WaveShowsThePictureAndLeavesTransparentBlackWhereItMovesAway) {
  Frame card = std::move(MakeTestCard({96, 54}).value());
  ASSERT_EQ(TransparentBlackPixels(card), 0);
  EXPECT_TRUE(
      SamePixels(RenderOnPath(RenderPath::Device, WaveEffectId, 0, card, DeviceCaps::None), card));
  Frame waved = RenderOnPath(RenderPath::Device, WaveEffectId, 100, card, DeviceCaps::None);
  int64_t cleared = TransparentBlackPixels(waved);
  EXPECT_GT(cleared, 96);
  EXPECT_LT(cleared, 96 * 54 / 2);
}

// At 100 a mirror shows the far half reflected on the side it mirrors from, as a viewer sees
// the picture: a path that turned its picture upside down or round would show it elsewhere.
TEST(BothPaths, MirrorOnTheSideTheViewerSees) {
  Frame card = std::move(MakeTestCard({64, 36}).value());
  for (RenderPath path : kPaths) {
    Frame top = RenderOnPath(path, MirrorFromTopEffectId, 100, card);
    for (int y = 0; y < 18; ++y) {
      EXPECT_EQ(std::memcmp(top.ViewRow(y), card.ViewRow(35 - y), card.RowBytes()), 0)
          << RenderPathName(path) << " row " << y;
      EXPECT_EQ(std::memcmp(top.ViewRow(35 - y), card.ViewRow(35 - y), card.RowBytes()), 0)
          << RenderPathName(path) << " row " << 35 - y;
    }
    Frame left = RenderOnPath(path, MirrorFromLeftEffectId, 100, card);
    for (int y = 0; y < 36; ++y)
      for (int x = 0; x < 32; ++x) {
        ASSERT_EQ(std::memcmp(left.ViewPixel(x, y), card.ViewPixel(63 - x, y), 4), 0)
            << RenderPathName(path) << " at " << x << "," << y;
        ASSERT_EQ(std::memcmp(left.ViewPixel(63 - x, y), card.ViewPixel(63 - x, y), 4), 0)
            << RenderPathName(path) << " at " << 63 - x << "," << y;
      }
  }
}

TEST(DeviceTarget, UploadsAndReadsBackTheRightWayUpAndClearsToTransparentBlack) {
  Frame picture = PatternFrame({9, 5}, 2);
  Result<std::unique_ptr<DeviceTarget>> made = DeviceTarget::Create(picture.Size());
  ASSERT_TRUE(made.ok()) << made.message();
  DeviceTarget &target = *made.value();
  ASSERT_TRUE(target.Upload(picture.Data()).ok());
  // The texture holds the viewer's top row first.
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(target.Texture()->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  for (int y = 0; y < 5; ++y)
    EXPECT_EQ(std::memcmp(static_cast<BYTE *>(locked.pBits) + y * locked.Pitch, picture.ViewRow(y),
                          picture.RowBytes()),
              0)
        << y;
  target.Texture()->UnlockRect(0);

  ASSERT_TRUE(target.Clear().ok());
  Frame read = PatternFrame({9, 5}, 4);
  ASSERT_TRUE(target.ReadBack(read).ok());
  for (size_t i = 0; i < read.ByteCount(); ++i) ASSERT_EQ(read.Data()[i], 0) << i;
  Frame wrongSize = PatternFrame({5, 9});
  EXPECT_FALSE(target.ReadBack(wrongSize).ok());
}

TEST(FrameDifference, CountsPixelsThatDifferInAnyChannelAndTheLargestChannelDifference) {
  Frame a = PatternFrame({4, 3}, 1);
  Frame b = std::move(a.Clone().value());
  FrameDifference same = CompareFrames(a, b);
  EXPECT_EQ(same.pixels, 12);
  EXPECT_EQ(same.differingPixels, 0);
  EXPECT_EQ(same.largestChannelDifference, 0);
  EXPECT_EQ(same.Percent(), 0.0);

  a.ViewPixel(0, 0)[3] = 10; // alpha counts
  b.ViewPixel(0, 0)[3] = 250;
  a.ViewPixel(3, 2)[1] = 100;
  b.ViewPixel(3, 2)[1] = 103;
  FrameDifference two = CompareFrames(a, b);
  EXPECT_EQ(two.differingPixels, 2);
  EXPECT_EQ(two.largestChannelDifference, 240);
  EXPECT_DOUBLE_EQ(two.Percent(), 100.0 * 2 / 12);
}

} // namespace
