// The property page edits key frames on its window thread while the render path evaluates
// them on another; the parameter set must stay whole.
#include <atomic>
#include <thread>

#include "ParameterSetFixture.h"

namespace {

TEST_F(ParameterSetTest, EditsWhileEvaluatingStayConsistent) {
  // Fixed ends, so that every evaluation has key frames to work with.
  ASSERT_EQ(parameters.SetKeyFrameValue(0.0, StartOffset, 21, I2(0)), S_OK);
  ASSERT_EQ(parameters.SetKeyFrameValue(1.0, StartOffset, 21, I2(100)), S_OK);
  std::atomic<bool> done{false};

  std::thread editor([&] {
    for (int i = 0; i < 20000; ++i) {
      const double t = 0.05 + (i % 17) * 0.05;
      EXPECT_EQ(parameters.SetKeyFrameValue(t, StartOffset, 21, I2(static_cast<SHORT>(i % 101))),
                S_OK);
      if (i % 3 == 0) parameters.MoveKeyFrameValue(21, StartOffset, t, t + 0.01);
      parameters.RemoveKeyFrameValue(21, t, StartOffset);
    }
    done = true;
  });

  int evaluations = 0;
  while (!done || evaluations < 100) {
    Owned v;
    ASSERT_EQ(parameters.GetValueAtTime(0.5, 21, &v), S_OK);
    ASSERT_EQ(v.vt, VT_R8);
    ASSERT_GE(v.dblVal, 0.0);
    ASSERT_LE(v.dblVal, 100.0);
    Owned curve;
    ASSERT_EQ(parameters.GetCurveValueAtTime(0.5, 21, FALSE, &curve), S_OK);
    double previous, next;
    ASSERT_EQ(parameters.GetNeighbourKeyFrames(0.5, 21, &previous, &next), S_OK);
    ++evaluations;
  }
  editor.join();
}

} // namespace
