// Every operation answers E_OUTOFMEMORY when the C++ heap runs dry, and leaves the set as it
// was. The program's operator new fails the n-th allocation of the current thread on demand.
#include "support/FailingAllocator.h"
#include "ParameterSetFixture.h"

namespace {

TEST_F(ParameterSetTest, KeyFrameEditsFailWhole) {
  ASSERT_EQ(parameters.SetKeyFrameValue(0.2, StartOffset, 21, I2(1)), S_OK);
  WithEachAllocationFailing(
      [&] { return parameters.SetKeyFrameValue(0.6, StartOffset, 21, I2(2)); },
      [&](HRESULT hr) {
        ULONG count = 0;
        parameters.GetKeyFrameCount(21, &count);
        EXPECT_EQ(count, hr == S_OK ? 2u : 1u);
        VARIANT v = Untouched();
        EXPECT_EQ(parameters.GetKeyFrameValue(0.6, StartOffset, 20, &v),
                  hr == S_OK ? E_INVALIDARG : TYPE_E_ELEMENTNOTFOUND)
            << "no empty key frame is left behind";
      });
  WithEachAllocationFailing([&] { return parameters.MoveKeyFrameValue(21, StartOffset, 0.2, 0.9); },
                            [&](HRESULT hr) {
                              Owned v;
                              EXPECT_EQ(parameters.GetKeyFrameValue(0.2, StartOffset, 21, &v),
                                        hr == S_OK ? TYPE_E_ELEMENTNOTFOUND : S_OK);
                            });
}

TEST_F(ParameterSetTest, EvaluationReportsOutOfMemory) {
  parameters.SetKeyFrameValue(0.2, StartOffset, 21, I2(10));
  parameters.SetKeyFrameValue(0.8, StartOffset, 21, I2(70));
  WithEachAllocationFailing(
      [&] {
        Owned v;
        return parameters.GetValueAtTime(0.5, 21, &v);
      },
      [](HRESULT) {});
  WithEachAllocationFailing(
      [&] {
        Owned v;
        return parameters.GetCurveValueAtTime(0.5, 21, TRUE, &v);
      },
      [](HRESULT) {});
  WithEachAllocationFailing(
      [&] {
        double previous, next;
        return parameters.GetNeighbourKeyFrames(0.5, 21, &previous, &next);
      },
      [](HRESULT) {});
}

TEST_F(ParameterSetTest, TableGrowthFailsWhole) {
  LONG ids[] = {21, 300};
  VARIANT values[] = {I2(7), I4(1)};
  WithEachAllocationFailing([&] { return parameters.SetValues(2, ids, values); },
                            [&](HRESULT hr) { EXPECT_EQ(Count(), hr == S_OK ? 5u : 4u); });

  ParameterRecord record;
  ASSERT_EQ(ParameterRecord::Create(400, I4(1), Empty(), Empty(), Empty(), u"n", u"d", 0, &record),
            S_OK);
  WithEachAllocationFailing(
      [&] { return parameters.InitializeParameters(SharedString(), &record, 1); },
      [&](HRESULT hr) { EXPECT_EQ(Count(), hr == S_OK ? 6u : 5u); });
}

} // namespace
