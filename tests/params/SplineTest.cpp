#include <cmath>
#include <vector>

#include "params/CurveInterpolation.h"
#include "ParameterSetFixture.h"

namespace {

// The natural cubic spline in its textbook form: on [x_i, x_i+1] with moments M (second
// derivatives, zero at both ends), evaluated as a cubic in t.
double TextbookSpline(const std::vector<double> &x, const std::vector<double> &y,
                      const std::vector<double> &m, size_t i, double t) {
  const double h = x[i + 1] - x[i];
  const double l = x[i + 1] - t;
  const double r = t - x[i];
  return m[i] * l * l * l / (6 * h) + m[i + 1] * r * r * r / (6 * h) +
         (y[i] / h - m[i] * h / 6) * l + (y[i + 1] / h - m[i + 1] * h / 6) * r;
}

// Moments of a natural spline through three points: one equation, one unknown.
std::vector<double> Moments3(const std::vector<double> &x, const std::vector<double> &y) {
  const double h0 = x[1] - x[0], h1 = x[2] - x[1];
  const double m1 = 6 * ((y[2] - y[1]) / h1 - (y[1] - y[0]) / h0) / (2 * (h0 + h1));
  return {0, m1, 0};
}

// Four points: two equations in M1 and M2, solved by Cramer's rule.
std::vector<double> Moments4(const std::vector<double> &x, const std::vector<double> &y) {
  const double h0 = x[1] - x[0], h1 = x[2] - x[1], h2 = x[3] - x[2];
  const double r1 = 6 * ((y[2] - y[1]) / h1 - (y[1] - y[0]) / h0);
  const double r2 = 6 * ((y[3] - y[2]) / h2 - (y[2] - y[1]) / h1);
  const double a = 2 * (h0 + h1), b = h1, c = h1, d = 2 * (h1 + h2);
  const double det = a * d - b * c;
  return {0, (r1 * d - b * r2) / det, (a * r2 - c * r1) / det, 0};
}

class SplineTest : public ParameterSetTest {
protected:
  void Keys(const std::vector<double> &x, const std::vector<double> &y) {
    for (size_t i = 0; i < x.size(); ++i)
      parameters.SetKeyFrameValue(x[i], StartOffset, 21, R8(y[i]));
  }
  double Curve(double t, BOOL spline) {
    Owned v;
    EXPECT_EQ(parameters.GetCurveValueAtTime(t, 21, spline, &v), S_OK);
    EXPECT_EQ(v.vt, VT_R8);
    return v.dblVal;
  }
};

TEST_F(SplineTest, StraightCurveExtrapolatesTheEndIntervals) {
  parameters.SetKeyFrameValue(0.25, StartOffset, 21, I2(40));
  parameters.SetKeyFrameValue(0.75, StartOffset, 21, I2(80));
  for (BOOL spline : {FALSE, TRUE}) {
    EXPECT_NEAR(Curve(0.5, spline), 60.0, 1e-12);
    EXPECT_NEAR(Curve(1.0, spline), 100.0, 1e-12);
    EXPECT_NEAR(Curve(0.0, spline), 20.0, 1e-12);
  }
}

TEST_F(SplineTest, ASingleKeyFrameIsFlat) {
  parameters.SetKeyFrameValue(0.3, StartOffset, 21, I2(70));
  for (double t : {0.0, 0.3, 1.0})
    for (BOOL spline : {FALSE, TRUE}) EXPECT_EQ(Curve(t, spline), 70.0);
}

TEST_F(SplineTest, ThreePointsFollowTheNaturalSpline) {
  const std::vector<double> x = {0.1, 0.4, 0.9}, y = {10, 70, 30};
  Keys(x, y);
  const auto m = Moments3(x, y);
  for (double t : {0.1, 0.2, 0.4, 0.55, 0.8, 0.9}) {
    const size_t i = t < 0.4 ? 0 : 1;
    EXPECT_NEAR(Curve(t, TRUE), TextbookSpline(x, y, m, i, t), 1e-12) << t;
  }
  // Outside, the end interval's cubic goes on.
  EXPECT_NEAR(Curve(0.0, TRUE), TextbookSpline(x, y, m, 0, 0.0), 1e-12);
  EXPECT_NEAR(Curve(1.0, TRUE), TextbookSpline(x, y, m, 1, 1.0), 1e-12);
  // Without the flag: straight lines between neighbours.
  EXPECT_NEAR(Curve(0.25, FALSE), 40.0, 1e-12);
  EXPECT_NEAR(Curve(0.65, FALSE), 50.0, 1e-12);
}

TEST_F(SplineTest, FourUnevenPointsFollowTheNaturalSpline) {
  const std::vector<double> x = {0.0, 0.2, 0.7, 1.0}, y = {0, 100, 25, 60};
  Keys(x, y);
  const auto m = Moments4(x, y);
  for (double t : {0.05, 0.2, 0.33, 0.6, 0.7, 0.95, 1.0}) {
    const size_t i = t < 0.2 ? 0 : t < 0.7 ? 1 : 2;
    EXPECT_NEAR(Curve(t, TRUE), TextbookSpline(x, y, m, i, t), 1e-12) << t;
  }
}

TEST_F(SplineTest, OnlyTheLowByteOfTheFlagCounts) {
  const std::vector<double> x = {0.1, 0.4, 0.9}, y = {10, 70, 30};
  Keys(x, y);
  EXPECT_NEAR(Curve(0.25, 0x100), 40.0, 1e-12) << "0x100 has a zero low byte";
  EXPECT_NE(Curve(0.25, 0x101), 40.0);
}

TEST_F(SplineTest, ValuesThatAreNoNumbersFailTheCurve) {
  parameters.SetKeyFrameValue(0.2, StartOffset, 21, I2(10));
  parameters.SetKeyFrameValue(0.6, StartOffset, 21, Owned(u"abc"));
  VARIANT v = Untouched();
  EXPECT_TRUE(FAILED(parameters.GetCurveValueAtTime(0.4, 21, TRUE, &v)));
  EXPECT_TRUE(IsUntouched(v));
  EXPECT_EQ(parameters.GetCurveValueAtTime(0.4, 21, TRUE, nullptr), E_POINTER);
}

// The curve is built once for many times; every change of a key frame of the id must show in
// the next value, and another id or the other kind of curve must not be served the old one.
TEST_F(SplineTest, TheCurveFollowsEveryChangeOfItsKeyFrames) {
  const std::vector<double> x = {0.0, 0.5, 1.0};
  Keys(x, {0, 100, 0});
  EXPECT_NEAR(Curve(0.25, TRUE), 68.75, 1e-9);
  EXPECT_NEAR(Curve(0.25, FALSE), 50.0, 1e-9);
  parameters.SetKeyFrameValue(0.5, StartOffset, 21, R8(40));
  EXPECT_NEAR(Curve(0.25, FALSE), 20.0, 1e-9) << "a value set anew";
  parameters.MoveKeyFrameValue(21, StartOffset, 0.5, 0.75);
  EXPECT_NEAR(Curve(0.375, FALSE), 20.0, 1e-9) << "a key frame moved";
  parameters.RemoveKeyFrameValue(21, 0.75, StartOffset);
  EXPECT_NEAR(Curve(0.5, FALSE), 0.0, 1e-9) << "a key frame removed";
  parameters.SetKeyFrameValue(0.5, StartOffset, 20, R8(7));
  Owned other;
  ASSERT_EQ(parameters.GetCurveValueAtTime(0.5, 20, FALSE, &other), S_OK);
  EXPECT_EQ(other.dblVal, 7.0) << "another id";
  parameters.RemoveAllKeyFrameValues(21, AllTimeBases);
  parameters.SetKeyFrameValue(0.0, Percentage, 21, R8(30));
  EXPECT_EQ(Curve(0.9, TRUE), 30.0) << "all removed and one set";
}

TEST(CurveInterpolation, SecondDerivativesOfALineAreZero) {
  const double x[] = {0, 1, 3, 4}, y[] = {1, 3, 7, 9};
  double y2[4], w[4];
  NaturalSplineSecondDerivatives(x, y, 4, y2, w);
  for (double d : y2) EXPECT_NEAR(d, 0.0, 1e-12);
  EXPECT_NEAR(EvaluateCurve(x, y, y2, 4, 2.0), 5.0, 1e-12);
  EXPECT_NEAR(EvaluateCurve(x, y, y2, 4, -1.0), -1.0, 1e-12);
}

} // namespace
