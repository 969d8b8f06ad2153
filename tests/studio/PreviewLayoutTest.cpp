// Where the preview puts its pictures: fitted or pixel for pixel, one path or both.
#include <gtest/gtest.h>

#include "host/zrq-studio/PreviewLayout.h"

namespace {

const PixelRect kArea{500, 10, 740, 600};

bool Inside(PixelRect inner, PixelRect outer) {
  return inner.x >= outer.x && inner.y >= outer.y && inner.Right() <= outer.Right() &&
         inner.Bottom() <= outer.Bottom();
}

TEST(PreviewLayout, FitKeepsTheAspectAndCentresThePicture) {
  const std::vector<PreviewPane> panes =
      LayOutPreview(kArea, {1280, 720}, PreviewMode::Software, PreviewZoom::Fit);
  ASSERT_EQ(panes.size(), 1u);
  const PixelRect picture = panes[0].picture;
  EXPECT_EQ(panes[0].path, RenderPath::Software);
  EXPECT_EQ(picture.width, kArea.width);
  EXPECT_NEAR(double(picture.height), 740.0 * 720.0 / 1280.0, 1.0);
  EXPECT_TRUE(Inside(picture, kArea));
  EXPECT_NEAR(picture.y - kArea.y, kArea.Bottom() - picture.Bottom(), 1);
}

TEST(PreviewLayout, FitEnlargesASmallPicture) {
  const std::vector<PreviewPane> panes =
      LayOutPreview(kArea, {64, 64}, PreviewMode::Device, PreviewZoom::Fit);
  ASSERT_EQ(panes.size(), 1u);
  EXPECT_EQ(panes[0].path, RenderPath::Device);
  EXPECT_EQ(panes[0].picture.height, kArea.height);
  EXPECT_EQ(panes[0].picture.width, kArea.height);
}

TEST(PreviewLayout, OneToOneShowsTheMiddleOfALargePicture) {
  const std::vector<PreviewPane> panes =
      LayOutPreview(kArea, {1280, 720}, PreviewMode::Software, PreviewZoom::OneToOne);
  ASSERT_EQ(panes.size(), 1u);
  const PixelRect picture = panes[0].picture;
  EXPECT_EQ(picture.width, 1280);
  EXPECT_EQ(picture.height, 720);
  EXPECT_EQ(picture.x + picture.width / 2, kArea.x + kArea.width / 2);
  EXPECT_EQ(picture.y + picture.height / 2, kArea.y + kArea.height / 2);
  EXPECT_EQ(panes[0].pane, kArea);
}

TEST(PreviewLayout, SplitShowsSoftwareLeftAndDeviceRightWithoutOverlap) {
  for (PreviewZoom zoom : {PreviewZoom::Fit, PreviewZoom::OneToOne}) {
    const std::vector<PreviewPane> panes =
        LayOutPreview(kArea, {1280, 720}, PreviewMode::Split, zoom);
    ASSERT_EQ(panes.size(), 2u);
    EXPECT_EQ(panes[0].path, RenderPath::Software);
    EXPECT_EQ(panes[1].path, RenderPath::Device);
    EXPECT_LE(panes[0].pane.Right(), panes[1].pane.x);
    EXPECT_TRUE(Inside(panes[0].pane, kArea));
    EXPECT_TRUE(Inside(panes[1].pane, kArea));
    EXPECT_EQ(panes[0].picture.width, panes[1].picture.width);
    if (zoom == PreviewZoom::Fit) {
      EXPECT_TRUE(Inside(panes[0].picture, panes[0].pane));
      EXPECT_TRUE(Inside(panes[1].picture, panes[1].pane));
    }
  }
}

TEST(PreviewLayout, NothingToLayOutGivesNoPanes) {
  EXPECT_TRUE(
      LayOutPreview({0, 0, 0, 100}, {64, 64}, PreviewMode::Split, PreviewZoom::Fit).empty());
  EXPECT_TRUE(LayOutPreview(kArea, {0, 0}, PreviewMode::Software, PreviewZoom::Fit).empty());
  EXPECT_TRUE(
      LayOutPreview({0, 0, 5, 100}, {64, 64}, PreviewMode::Split, PreviewZoom::Fit).empty());
}

} // namespace
