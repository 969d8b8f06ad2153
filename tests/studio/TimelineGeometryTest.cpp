// The timeline's mapping between pixels, times and values, and stepping along the clip's frames.
#include <gtest/gtest.h>

#include "host/zrq-studio/TimelineGeometry.h"

namespace {

const TimelineGeometry kTimeline(PixelRect{100, 500, 620, 132});

TEST(TimelineGeometry, TimeAndColumnsMapBothWaysAcrossTheTrack) {
  const PixelRect track = kTimeline.Track();
  EXPECT_TRUE(kTimeline.Area().Contains(track.x, track.y));
  EXPECT_TRUE(kTimeline.Area().Contains(track.Right() - 1, track.Bottom() - 1));
  EXPECT_EQ(kTimeline.XOfTime(0.0), track.x);
  EXPECT_EQ(kTimeline.XOfTime(1.0), track.Right() - 1);
  for (double time : {0.0, 0.25, 0.5, 0.75, 1.0})
    EXPECT_NEAR(kTimeline.TimeOfX(kTimeline.XOfTime(time)), time, 0.5 / (track.width - 1));
}

TEST(TimelineGeometry, PointsBeyondTheTrackHoldToItsEnds) {
  EXPECT_EQ(kTimeline.TimeOfX(0), 0.0);
  EXPECT_EQ(kTimeline.TimeOfX(5000), 1.0);
  EXPECT_EQ(kTimeline.XOfTime(-3.0), kTimeline.XOfTime(0.0));
  EXPECT_EQ(kTimeline.XOfTime(7.0), kTimeline.XOfTime(1.0));
}

TEST(TimelineGeometry, ValuesRunUpTheTrackAndHoldAtItsEdges) {
  const PixelRect track = kTimeline.Track();
  EXPECT_EQ(kTimeline.YOfValue(0.0), track.Bottom() - 1);
  EXPECT_EQ(kTimeline.YOfValue(100.0), track.y);
  EXPECT_LT(kTimeline.YOfValue(60.0), kTimeline.YOfValue(40.0));
  EXPECT_EQ(kTimeline.YOfValue(250.0), track.y);
  EXPECT_EQ(kTimeline.YOfValue(-20.0), track.Bottom() - 1);
  EXPECT_EQ(kTimeline.YOfValue(std::numeric_limits<double>::quiet_NaN()), track.Bottom() - 1);
}

TEST(TimelineGeometry, ATinyAreaStillHasATrack) {
  const TimelineGeometry tiny(PixelRect{0, 0, 4, 4});
  EXPECT_GE(tiny.Track().width, 1);
  EXPECT_EQ(tiny.TimeOfX(2), 0.0);
}

TEST(StepFrames, StepsFromTheNearestFrameAndStopsAtTheClipsEnds) {
  EXPECT_DOUBLE_EQ(StepFrames(0.0, 101, 1), 0.01);
  EXPECT_DOUBLE_EQ(StepFrames(0.503, 101, 1), 0.51);
  EXPECT_DOUBLE_EQ(StepFrames(0.503, 101, -1), 0.49);
  EXPECT_DOUBLE_EQ(StepFrames(0.0, 101, -1), 0.0);
  EXPECT_DOUBLE_EQ(StepFrames(1.0, 101, 1), 1.0);
  EXPECT_DOUBLE_EQ(StepFrames(0.5, 5, 10), 1.0);
  EXPECT_DOUBLE_EQ(StepFrames(0.5, 1, 1), 0.0);
}

} // namespace
