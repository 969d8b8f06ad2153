#include <cmath>
#include <limits>
#include <vector>

#include "ParameterSetFixture.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class KeyFramesTest : public ParameterSetTest {
protected:
  ULONG KeyFrameCount(LONG id) {
    ULONG n = 999;
    EXPECT_EQ(parameters.GetKeyFrameCount(id, &n), S_OK);
    return n;
  }
  SHORT HeldAt(double time, LONG code = StartOffset, LONG id = 21) {
    Owned v;
    EXPECT_EQ(parameters.GetKeyFrameValue(time, code, id, &v), S_OK);
    return v.iVal;
  }
};

TEST_F(KeyFramesTest, TimesMatchExactly) {
  ASSERT_EQ(parameters.SetKeyFrameValue(0.5, StartOffset, 21, I2(70)), S_OK);
  EXPECT_EQ(HeldAt(0.5), 70);
  VARIANT v = Untouched();
  EXPECT_EQ(parameters.GetKeyFrameValue(0.5000001, StartOffset, 21, &v), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(parameters.GetKeyFrameValue(0.5, StartOffset, 20, &v), E_INVALIDARG) << "id not held";
  EXPECT_EQ(parameters.GetKeyFrameValue(0.5, EndOffset, 21, &v), TYPE_E_ELEMENTNOTFOUND)
      << "other group";
  EXPECT_EQ(parameters.GetKeyFrameValue(kNaN, StartOffset, 21, &v), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_TRUE(IsUntouched(v));
  EXPECT_EQ(parameters.GetKeyFrameValue(0.5, StartOffset, 21, nullptr), E_POINTER);
}

TEST_F(KeyFramesTest, SetReplacesAndAcceptsAnyIdAndType) {
  ASSERT_EQ(parameters.SetKeyFrameValue(0.5, StartOffset, 21, I2(70)), S_OK);
  ASSERT_EQ(parameters.SetKeyFrameValue(0.5, StartOffset, 21, I2(80)), S_OK);
  EXPECT_EQ(HeldAt(0.5), 80);
  EXPECT_EQ(KeyFrameCount(21), 1u);
  ASSERT_EQ(parameters.SetKeyFrameValue(0.5, StartOffset, 4242, Owned(u"any")), S_OK);
  Owned a, b;
  ASSERT_EQ(parameters.GetKeyFrameValue(0.5, StartOffset, 4242, &a), S_OK);
  ASSERT_EQ(parameters.GetKeyFrameValue(0.5, StartOffset, 4242, &b), S_OK);
  EXPECT_NE(a.bstrVal, b.bstrVal) << "a handed-out string is a fresh copy";
  EXPECT_EQ(a.Text(), u"any");
}

TEST_F(KeyFramesTest, EveryOperationRejectsBadCodes) {
  for (LONG code : {0, 3, 7, 8, -1}) {
    SCOPED_TRACE(code);
    VARIANT v = Untouched();
    EXPECT_EQ(parameters.SetKeyFrameValue(0.5, code, 21, I2(1)), E_INVALIDARG);
    EXPECT_EQ(parameters.GetKeyFrameValue(0.5, code, 21, &v), E_INVALIDARG);
    EXPECT_EQ(parameters.MoveKeyFrameValue(21, code, 0.5, 0.6), E_INVALIDARG);
    EXPECT_EQ(parameters.RemoveKeyFrameValue(21, 0.5, code), E_INVALIDARG);
    EXPECT_TRUE(IsUntouched(v));
  }
  EXPECT_EQ(KeyFrameCount(21), 0u);
  for (LONG mask : {0, 3, 5, 6, 8, -1})
    EXPECT_EQ(parameters.RemoveAllKeyFrameValues(21, mask), E_INVALIDARG);
}

TEST_F(KeyFramesTest, NaNTimesAreRejected) {
  EXPECT_EQ(parameters.SetKeyFrameValue(kNaN, StartOffset, 21, I2(1)), E_INVALIDARG);
  EXPECT_EQ(KeyFrameCount(21), 0u);
  ASSERT_EQ(parameters.SetKeyFrameValue(0.25, StartOffset, 21, I2(40)), S_OK);
  EXPECT_EQ(parameters.MoveKeyFrameValue(21, StartOffset, 0.25, kNaN), E_INVALIDARG);
  EXPECT_EQ(parameters.MoveKeyFrameValue(21, StartOffset, kNaN, 0.5), E_INVALIDARG);
  EXPECT_EQ(HeldAt(0.25), 40);
  EXPECT_EQ(parameters.RemoveKeyFrameValue(21, kNaN, StartOffset), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(KeyFrameCount(21), 1u);
}

TEST_F(KeyFramesTest, TimesListStartOffsetThenEndOffsetThenPercentage) {
  parameters.SetKeyFrameValue(0.75, Percentage, 21, I2(30));
  parameters.SetKeyFrameValue(0.5, EndOffset, 21, I2(20));
  parameters.SetKeyFrameValue(0.9, StartOffset, 21, I2(10));
  parameters.SetKeyFrameValue(0.25, StartOffset, 21, I2(10));
  parameters.SetKeyFrameValue(0.1, StartOffset, 20, R8(1)); // another id
  ASSERT_EQ(KeyFrameCount(21), 4u);
  double times[4];
  LONG codes[4];
  ASSERT_EQ(parameters.GetKeyFrameTimes(21, times, codes), S_OK);
  EXPECT_EQ(std::vector<double>(times, times + 4), (std::vector<double>{0.25, 0.9, 0.5, 0.75}));
  EXPECT_EQ(std::vector<LONG>(codes, codes + 4), (std::vector<LONG>{1, 1, 2, 4}));
  EXPECT_EQ(parameters.GetKeyFrameTimes(21, nullptr, codes), E_POINTER);
  EXPECT_EQ(parameters.GetKeyFrameTimes(21, times, nullptr), E_POINTER);
  EXPECT_EQ(parameters.GetKeyFrameCount(21, nullptr), E_POINTER);
  EXPECT_EQ(KeyFrameCount(-5), 0u);
}

TEST_F(KeyFramesTest, RemovingTheLastValueRemovesTheKeyFrame) {
  parameters.SetKeyFrameValue(0.5, StartOffset, 21, I2(1));
  parameters.SetKeyFrameValue(0.5, StartOffset, 20, R8(1));
  parameters.SetKeyFrameValue(0.7, StartOffset, 21, I2(2));
  ASSERT_EQ(parameters.RemoveKeyFrameValue(21, 0.7, StartOffset), S_OK);
  EXPECT_EQ(KeyFrameCount(21), 1u);
  VARIANT v = Untouched();
  EXPECT_EQ(parameters.GetKeyFrameValue(0.7, StartOffset, 20, &v), TYPE_E_ELEMENTNOTFOUND)
      << "key frame gone";
  EXPECT_EQ(parameters.RemoveKeyFrameValue(21, 0.7, StartOffset), TYPE_E_ELEMENTNOTFOUND);

  ASSERT_EQ(parameters.RemoveKeyFrameValue(21, 0.5, StartOffset), S_OK);
  EXPECT_EQ(parameters.GetKeyFrameValue(0.5, StartOffset, 20, &v), S_OK)
      << "other values keep their key frame";
  EXPECT_EQ(parameters.RemoveKeyFrameValue(99, 0.5, StartOffset), S_OK)
      << "an id it does not hold is no error";
}

TEST_F(KeyFramesTest, RemoveAllEmptiesTheSelectedGroups) {
  parameters.SetKeyFrameValue(0.1, StartOffset, 21, I2(1));
  parameters.SetKeyFrameValue(0.2, EndOffset, 21, I2(1));
  parameters.SetKeyFrameValue(0.3, Percentage, 21, I2(1));
  parameters.SetKeyFrameValue(0.3, Percentage, 20, R8(1));
  ASSERT_EQ(parameters.RemoveAllKeyFrameValues(21, EndOffset), S_OK);
  EXPECT_EQ(KeyFrameCount(21), 2u);
  ASSERT_EQ(parameters.RemoveAllKeyFrameValues(21, AllTimeBases), S_OK);
  EXPECT_EQ(KeyFrameCount(21), 0u);
  EXPECT_EQ(KeyFrameCount(20), 1u);
  EXPECT_EQ(parameters.RemoveAllKeyFrameValues(21, AllTimeBases), S_OK) << "nothing left to remove";
}

TEST_F(KeyFramesTest, MoveCarriesTheValue) {
  parameters.SetKeyFrameValue(0.2, StartOffset, 21, I2(10));
  parameters.SetKeyFrameValue(0.2, StartOffset, 20, R8(1));
  parameters.SetKeyFrameValue(0.8, StartOffset, 21, I2(80));
  parameters.SetKeyFrameValue(0.8, StartOffset, 1000, I4(5));
  ASSERT_EQ(parameters.MoveKeyFrameValue(21, StartOffset, 0.2, 0.8), S_OK);
  EXPECT_EQ(HeldAt(0.8), 10) << "replaces the value held at the new time";
  Owned other;
  EXPECT_EQ(parameters.GetKeyFrameValue(0.8, StartOffset, 1000, &other), S_OK)
      << "and keeps its other values";
  EXPECT_EQ(KeyFrameCount(21), 1u);

  ASSERT_EQ(parameters.MoveKeyFrameValue(21, StartOffset, 0.8, 0.8), S_OK);
  EXPECT_EQ(HeldAt(0.8), 10) << "moving onto its own time keeps the value";

  EXPECT_EQ(parameters.MoveKeyFrameValue(21, StartOffset, 0.3, 0.4), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(parameters.MoveKeyFrameValue(21, StartOffset, 0.2, 0.4), TYPE_E_ELEMENTNOTFOUND)
      << "id not held";
  EXPECT_EQ(parameters.MoveKeyFrameValue(20, StartOffset, 0.3, 0.3), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(KeyFramesTest, InterfaceValuesCarryTheirOwnReference) {
  struct Counted : IUnknown {
    LONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID, void **) override { return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
  } object;
  {
    VARIANT in = Empty();
    in.vt = VT_UNKNOWN;
    in.punkVal = &object;
    EffectParameters local;
    ASSERT_EQ(local.SetKeyFrameValue(0.5, StartOffset, 1, in), S_OK);
    EXPECT_EQ(object.refs, 2);
    Owned out;
    ASSERT_EQ(local.GetKeyFrameValue(0.5, StartOffset, 1, &out), S_OK);
    EXPECT_EQ(object.refs, 3);
  }
  EXPECT_EQ(object.refs, 1) << "every reference taken is given back";
}

} // namespace
