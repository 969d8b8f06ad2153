#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "ParameterSetFixture.h"

namespace {

class InterpolationTest : public ParameterSetTest {
protected:
  double At(double t, LONG id = 21) {
    Owned v;
    EXPECT_EQ(parameters.GetValueAtTime(t, id, &v), S_OK);
    EXPECT_EQ(v.vt, VT_R8) << "at " << t;
    return v.dblVal;
  }
  std::pair<double, double> Neighbours(double t) {
    double previous = 0, next = 0;
    EXPECT_EQ(parameters.GetNeighbourKeyFrames(t, 21, &previous, &next), S_OK);
    return {previous, next};
  }
};

TEST_F(InterpolationTest, StraightLineBetweenKeyFramesWithHeldEnds) {
  parameters.SetKeyFrameValue(0.25, StartOffset, 21, I2(40));
  parameters.SetKeyFrameValue(0.75, StartOffset, 21, I2(80));
  EXPECT_NEAR(At(0.5), 60.0, 1e-12);
  EXPECT_NEAR(At(0.3), 40.0 * 0.9 + 80.0 * 0.1, 1e-12);
  EXPECT_EQ(At(0.125), 40.0);
  EXPECT_EQ(At(0.25), 40.0);
  EXPECT_EQ(At(0.75), 80.0);
  EXPECT_EQ(At(0.875), 80.0);
  EXPECT_EQ(At(5.0), 80.0);
}

TEST_F(InterpolationTest, ASingleKeyFrameHoldsEverywhere) {
  parameters.SetKeyFrameValue(0.3, StartOffset, 21, I2(70));
  for (double t : {-1.0, 0.0, 0.3, 0.9, 1.0}) EXPECT_EQ(At(t), 70.0) << t;
}

TEST_F(InterpolationTest, GroupsShareOneTimeAxis) {
  parameters.SetKeyFrameValue(0.25, StartOffset, 21, I2(10));
  parameters.SetKeyFrameValue(0.75, Percentage, 21, I2(30));
  EXPECT_NEAR(At(0.5), 20.0, 1e-12);
}

TEST_F(InterpolationTest, TheRenderPathsValues) {
  // What the render entry hands the renderer is the result times 0.01.
  parameters.SetKeyFrameValue(0.0, StartOffset, 21, I2(0));
  parameters.SetKeyFrameValue(1.0, StartOffset, 21, I2(100));
  EXPECT_NEAR(At(0.25) * 0.01, 0.25, 1e-12);
  EXPECT_EQ(At(1.0) * 0.01, 1.0);
  EXPECT_EQ(At(0.0) * 0.01, 0.0);
}

TEST_F(InterpolationTest, KeyFramesOutsideTheClipAreIgnored) {
  // Only key frames after -0.1 and before 1.1 can be neighbours; with none, the
  // parameter's own value stands.
  parameters.SetKeyFrameValue(-0.5, StartOffset, 21, I2(10));
  parameters.SetKeyFrameValue(3.0, StartOffset, 21, I2(90));
  EXPECT_EQ(At(0.5), 50.0);
  parameters.SetKeyFrameValue(0.5, StartOffset, 555, I2(7)); // no such parameter
  parameters.SetKeyFrameValue(-0.5, StartOffset, 556, I2(7));
  EXPECT_EQ(At(0.2, 555), 7.0);
  VARIANT v = Untouched();
  EXPECT_EQ(parameters.GetValueAtTime(0.2, 556, &v), E_INVALIDARG);
  EXPECT_TRUE(IsUntouched(v));
}

TEST_F(InterpolationTest, ValuesOfOtherTypes) {
  VARIANT yes = Empty();
  yes.vt = VT_BOOL;
  yes.boolVal = VARIANT_TRUE;
  parameters.SetKeyFrameValue(0.0, StartOffset, 40, yes);
  parameters.SetKeyFrameValue(1.0, StartOffset, 40, Owned(u"12"));
  EXPECT_NEAR(At(0.5, 40), 0.5 * -1.0 + 0.5 * 12.0, 1e-12);
  EXPECT_EQ(At(0.0, 40), -1.0);

  // A held value that cannot become a number keeps its type, as a fresh string.
  parameters.SetKeyFrameValue(0.5, StartOffset, 41, Owned(u"abc"));
  Owned held;
  ASSERT_EQ(parameters.GetValueAtTime(0.7, 41, &held), S_OK);
  ASSERT_EQ(held.vt, VT_BSTR);
  EXPECT_EQ(held.Text(), u"abc");
}

TEST_F(InterpolationTest, ArithmeticFailuresPassThroughAndWriteNothing) {
  parameters.SetKeyFrameValue(0.25, StartOffset, 42, UI4(4));
  parameters.SetKeyFrameValue(0.75, StartOffset, 42, UI4(8));
  VARIANT v = Untouched();
  const HRESULT hr = parameters.GetValueAtTime(0.5, 42, &v);
  EXPECT_TRUE(hr == DISP_E_BADVARTYPE || hr == DISP_E_TYPEMISMATCH) << std::hex << hr;
  EXPECT_TRUE(IsUntouched(v));
}

TEST_F(InterpolationTest, WithoutKeyFramesEvaluationFailsAndWritesNothing) {
  VARIANT v = Untouched();
  double previous = 7, next = 7;
  EXPECT_EQ(parameters.GetValueAtTime(0.5, 21, &v), E_INVALIDARG);
  EXPECT_EQ(parameters.GetCurveValueAtTime(0.5, 21, TRUE, &v), E_INVALIDARG);
  EXPECT_EQ(parameters.GetNeighbourKeyFrames(0.5, 21, &previous, &next), E_INVALIDARG);
  EXPECT_TRUE(IsUntouched(v));
  EXPECT_EQ(previous, 7);
  EXPECT_EQ(next, 7);
  EXPECT_EQ(parameters.GetValueAtTime(0.5, 21, nullptr), E_POINTER);
  EXPECT_EQ(parameters.GetNeighbourKeyFrames(0.5, 21, nullptr, &next), E_POINTER);
  EXPECT_EQ(parameters.GetNeighbourKeyFrames(0.5, 21, &previous, nullptr), E_POINTER);
}

TEST_F(InterpolationTest, NeighboursSkipKeyFramesWithinOneHundredth) {
  parameters.SetKeyFrameValue(0.2, StartOffset, 21, I2(1));
  parameters.SetKeyFrameValue(0.5, StartOffset, 21, I2(1));
  parameters.SetKeyFrameValue(0.8, StartOffset, 21, I2(1));
  EXPECT_EQ(Neighbours(0.5), std::make_pair(0.2, 0.8));
  EXPECT_EQ(Neighbours(0.505), std::make_pair(0.2, 0.8));
  EXPECT_EQ(Neighbours(0.52), std::make_pair(0.5, 0.8));
  EXPECT_EQ(Neighbours(0.1), std::make_pair(-0.1, 0.2));
  EXPECT_EQ(Neighbours(0.9), std::make_pair(0.8, 1.1));
}

TEST_F(InterpolationTest, NaNTimeFallsBackToTheParameter) {
  parameters.SetKeyFrameValue(0.25, StartOffset, 21, I2(40));
  EXPECT_EQ(At(std::numeric_limits<double>::quiet_NaN()), 50.0);
}

// What evaluation must find, worked out by reading every key frame of the id through the
// interface: the nearest at or before the time and the nearest after it, only those after -0.1
// and before 1.1 counting, the group met first keeping a tie.
struct Scan {
  double leftTime = -0.1, rightTime = 1.1;
  LONG leftCode = 0, rightCode = 0;
};

Scan ScanKeyFrames(EffectParameters &parameters, LONG id, double time) {
  Scan scan;
  ULONG count = 0;
  parameters.GetKeyFrameCount(id, &count);
  std::vector<double> times(count);
  std::vector<LONG> codes(count);
  if (count > 0) parameters.GetKeyFrameTimes(id, times.data(), codes.data());
  for (ULONG i = 0; i < count; ++i) {
    const double k = times[i];
    if (k <= time) {
      if (time - scan.leftTime > time - k) scan.leftTime = k, scan.leftCode = codes[i];
    } else if (scan.rightTime - time > k - time) {
      scan.rightTime = k, scan.rightCode = codes[i];
    }
  }
  return scan;
}

double Held(EffectParameters &parameters, double time, LONG code, LONG id) {
  Owned v;
  EXPECT_EQ(parameters.GetKeyFrameValue(time, code, id, &v), S_OK);
  Owned number;
  EXPECT_EQ(VariantChangeType(&number, &v, 0, VT_R8), S_OK);
  return number.dblVal;
}

// Many key frames of several ids in all three groups, edited at random: after every edit the
// value and the neighbours at each time are those a scan of every key frame finds.
TEST_F(InterpolationTest, EvaluationAgreesWithAScanOfEveryKeyFrameThroughEdits) {
  std::mt19937 rng(20241208);
  const LONG codes[] = {StartOffset, EndOffset, Percentage};
  const LONG ids[] = {21, 20, 1000};
  // Times on a grid that reaches past both sentinels, so ties across groups happen.
  auto gridTime = [&] { return -0.25 + static_cast<double>(rng() % 49) / 32.0; };
  const double probes[] = {-1.0,
                           -0.1,
                           0.0,
                           0.3,
                           0.5,
                           1.0,
                           1.1,
                           2.0,
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()};
  for (int edit = 0; edit < 600; ++edit) {
    const LONG id = ids[rng() % 3];
    const LONG code = codes[rng() % 3];
    switch (rng() % 6) {
    case 0:
    case 1:
    case 2:
      ASSERT_EQ(
          parameters.SetKeyFrameValue(gridTime(), code, id, I2(static_cast<SHORT>(rng() % 101))),
          S_OK);
      break;
    case 3:
      parameters.MoveKeyFrameValue(id, code, gridTime(), gridTime());
      break;
    case 4:
      parameters.RemoveKeyFrameValue(id, gridTime(), code);
      break;
    case 5:
      if (rng() % 8 == 0) {
        ASSERT_EQ(parameters.RemoveAllKeyFrameValues(id, rng() % 2 ? code : AllTimeBases), S_OK);
      }
      break;
    }
    for (const LONG probeId : ids) {
      ULONG count = 0;
      ASSERT_EQ(parameters.GetKeyFrameCount(probeId, &count), S_OK);
      if (count == 0) continue;
      std::vector<double> times = {gridTime(), gridTime() + 1.0 / 64.0};
      times.insert(times.end(), std::begin(probes), std::end(probes));
      for (const double t : times) {
        SCOPED_TRACE(testing::Message() << "edit " << edit << ", id " << probeId << ", time " << t);
        const Scan scan = ScanKeyFrames(parameters, probeId, t);
        Owned v;
        ASSERT_EQ(parameters.GetValueAtTime(t, probeId, &v), S_OK);
        ASSERT_EQ(v.vt, VT_R8);
        double expected;
        if (scan.leftCode != 0 && scan.rightCode != 0) {
          const double u = (t - scan.leftTime) / (scan.rightTime - scan.leftTime);
          expected = Held(parameters, scan.leftTime, scan.leftCode, probeId) * (1.0 - u) +
                     Held(parameters, scan.rightTime, scan.rightCode, probeId) * u;
        } else if (scan.leftCode != 0) {
          expected = Held(parameters, scan.leftTime, scan.leftCode, probeId);
        } else if (scan.rightCode != 0) {
          expected = Held(parameters, scan.rightTime, scan.rightCode, probeId);
        } else {
          Owned own, number;
          ASSERT_EQ(parameters.GetValue(probeId, &own), S_OK);
          ASSERT_EQ(VariantChangeType(&number, &own, 0, VT_R8), S_OK);
          expected = number.dblVal;
        }
        ASSERT_DOUBLE_EQ(v.dblVal, expected);

        // The neighbours leave out key frames within a hundredth of the time.
        double previous = 0, next = 0;
        ASSERT_EQ(parameters.GetNeighbourKeyFrames(t, probeId, &previous, &next), S_OK);
        const Scan before = ScanKeyFrames(parameters, probeId, std::nextafter(t - 0.01, -HUGE_VAL));
        const Scan after = ScanKeyFrames(parameters, probeId, t + 0.01);
        if (std::isfinite(t)) {
          EXPECT_EQ(previous, before.leftCode != 0 ? before.leftTime : -0.1);
          EXPECT_EQ(next, after.rightCode != 0 ? after.rightTime : 1.1);
        }
      }
    }
  }
}

} // namespace
