#include <gtest/gtest.h>

#include "effect/EffectParameterTable.h"
#include "params/VariantHelpers.h"

namespace {

struct Expected {
  LONG id;
  const char16_t *name;
  const char16_t *desc;
  VARTYPE vt;
  double value, low, high, def;
  LONG usage;
};

double AsDouble(const VARIANT &v) {
  switch (v.vt) {
  case VT_I2:
    return v.iVal;
  case VT_I4:
    return v.lVal;
  case VT_R8:
    return v.dblVal;
  default:
    return -12345;
  }
}

TEST(EffectParameterTable, RegistersTheFourParametersInOrder) {
  EffectParameters parameters;
  ASSERT_EQ(RegisterEffectParameters(parameters), S_OK);
  const Expected expected[] = {
      {1000, u"Inputs", u"number of inputs", VT_I4, 1, 1, 1, 1, 0},
      {0, u"Effect ID", u"Effect ID", VT_I4, 2002, 0, 0, 2002, 0},
      {21, u"Effect Value", u"Effect Value", VT_I2, 50, 0, 100, 50, 1},
      {20, u"Current Time", u"Current Time", VT_R8, 0.0, 0.0, 100.0, 0.0, 1},
  };
  for (ULONG i = 0; i < 4; ++i) {
    const Expected &e = expected[i];
    SCOPED_TRACE(e.id);
    LONG id = -1;
    ASSERT_EQ(parameters.GetParameterId(i, &id), S_OK);
    EXPECT_EQ(id, e.id);
    Owned value, low, high, def;
    BSTR name = nullptr, desc = nullptr;
    LONG usage = -1;
    ASSERT_EQ(parameters.GetParameterInfo(id, &value, &low, &high, &def, &name, &desc, &usage),
              S_OK);
    for (const VARIANT *v : {&value, &low, &high, &def}) EXPECT_EQ(v->vt, e.vt);
    EXPECT_EQ(AsDouble(value), e.value);
    EXPECT_EQ(AsDouble(low), e.low);
    EXPECT_EQ(AsDouble(high), e.high);
    EXPECT_EQ(AsDouble(def), e.def);
    EXPECT_EQ(std::u16string(name), e.name);
    EXPECT_EQ(std::u16string(desc), e.desc);
    EXPECT_EQ(usage, e.usage);
    SysFreeString(name);
    SysFreeString(desc);
  }
  LONG id;
  EXPECT_EQ(parameters.GetParameterId(4, &id), E_INVALIDARG);
  EXPECT_TRUE(parameters.RootElementName().IsEmpty());
  EXPECT_FALSE(parameters.RootElementName().IsAbsent());
}

TEST(EffectParameterTable, KeepsAParameterAlreadyHeld) {
  EffectParameters parameters;
  LONG ids[] = {21};
  VARIANT values[] = {R8(3.5)};
  ASSERT_EQ(parameters.SetValues(1, ids, values), S_OK);
  ASSERT_EQ(RegisterEffectParameters(parameters), S_OK);
  LONG order[4];
  for (ULONG i = 0; i < 4; ++i) ASSERT_EQ(parameters.GetParameterId(i, &order[i]), S_OK);
  EXPECT_EQ(order[0], 21);
  EXPECT_EQ(order[1], 1000);
  EXPECT_EQ(order[2], 0);
  EXPECT_EQ(order[3], 20);
  Owned v;
  parameters.GetValue(21, &v);
  EXPECT_EQ(v.vt, VT_R8);
  EXPECT_EQ(v.dblVal, 3.5);
}

TEST(EffectParameterTable, EffectsShareTheModulesStrings) {
  std::span<const ParameterRecord> records;
  ASSERT_EQ(GetEffectParameterRecords(&records), S_OK);
  ASSERT_EQ(records.size(), 4u);
  const long before = records[2].Name.UseCount();
  {
    EffectParameters a, b;
    ASSERT_EQ(RegisterEffectParameters(a), S_OK);
    ASSERT_EQ(RegisterEffectParameters(b), S_OK);
    EXPECT_EQ(records[2].Name.UseCount(), before + 2);
    // Editing one effect's copy leaves the module's record and the other effect alone.
    ASSERT_EQ(a.SetValue(21, I2(99)), S_OK);
    Owned v;
    b.GetValue(21, &v);
    EXPECT_EQ(v.iVal, 50);
    EXPECT_EQ(records[2].Value.iVal, 50);
  }
  EXPECT_EQ(records[2].Name.UseCount(), before);
}

TEST(EffectParameterTable, EffectValueReachesTheRendererScaled) {
  EffectParameters parameters;
  ASSERT_EQ(RegisterEffectParameters(parameters), S_OK);
  for (SHORT percent : {SHORT(100), SHORT(0), SHORT(50)}) {
    ASSERT_EQ(parameters.SetKeyFrameValue(0.4, StartOffset, EffectValueParameter, I2(percent)),
              S_OK);
    Owned v;
    ASSERT_EQ(parameters.GetValueAtTime(0.4, EffectValueParameter, &v), S_OK);
    ASSERT_EQ(v.vt, VT_R8);
    EXPECT_EQ(v.dblVal * 0.01, percent / 100.0);
  }
}

} // namespace
