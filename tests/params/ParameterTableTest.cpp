#include <gtest/gtest.h>

#include "params/ParameterTable.h"
#include "ParameterSetFixture.h"

namespace {

class ParameterTableTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(table.AddParameter(21, I2(50), I2(0), I2(100), I2(50), u"Effect Value", u"", 1),
              S_OK);
    ASSERT_EQ(table.AddParameter(8, Owned(u"text"), Empty(), Empty(), Empty(), nullptr, nullptr, 0),
              S_OK);
  }
  ParameterTable table;
};

TEST(ParameterTableEmpty, HasNoRecords) {
  ParameterTable table;
  ULONG count = 99;
  EXPECT_EQ(table.GetCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  LONG id = -1;
  EXPECT_EQ(table.GetParameterId(0, &id), E_INVALIDARG);
  EXPECT_EQ(id, -1);
}

TEST_F(ParameterTableTest, ReadsHandOutCopies) {
  Owned value;
  ASSERT_EQ(table.GetValue(8, &value), S_OK);
  ASSERT_EQ(value.vt, VT_BSTR);
  Owned again;
  ASSERT_EQ(table.GetValue(8, &again), S_OK);
  EXPECT_NE(value.bstrVal, again.bstrVal) << "each read is a fresh string the caller frees";
  EXPECT_EQ(value.Text(), u"text");

  VARTYPE vt = 0;
  EXPECT_EQ(table.GetType(21, &vt), S_OK);
  EXPECT_EQ(vt, VT_I2);
  Owned low, high, def;
  EXPECT_EQ(table.GetRange(21, &low, &high), S_OK);
  EXPECT_EQ(high.iVal, 100);
  EXPECT_EQ(table.GetDefault(21, &def), S_OK);
  EXPECT_EQ(def.iVal, 50);
  LONG usage = 0;
  EXPECT_EQ(table.GetUsage(21, &usage), S_OK);
  EXPECT_EQ(usage, 1);
}

TEST_F(ParameterTableTest, NamesAreFreshCopiesOrNullWhenAbsent) {
  BSTR name = nullptr;
  ASSERT_EQ(table.GetName(21, &name), S_OK);
  EXPECT_EQ(std::u16string(name), u"Effect Value");
  SysFreeString(name);
  BSTR desc = nullptr;
  ASSERT_EQ(table.GetDescription(21, &desc), S_OK);
  ASSERT_NE(desc, nullptr) << "an empty description is an empty string, not null";
  EXPECT_EQ(SysStringLen(desc), 0u);
  SysFreeString(desc);
  name = reinterpret_cast<BSTR>(1);
  ASSERT_EQ(table.GetName(8, &name), S_OK);
  EXPECT_EQ(name, nullptr);
}

TEST_F(ParameterTableTest, BadArgumentsWriteNothing) {
  VARIANT v = Untouched();
  EXPECT_EQ(table.GetValue(21, nullptr), E_POINTER);
  EXPECT_EQ(table.GetValue(5, &v), E_INVALIDARG);
  EXPECT_TRUE(IsUntouched(v));
  EXPECT_EQ(table.GetRange(21, &v, nullptr), E_POINTER);
  EXPECT_EQ(table.GetRange(21, nullptr, &v), E_POINTER);
  EXPECT_TRUE(IsUntouched(v));
  EXPECT_EQ(table.GetRange(5, &v, &v), E_INVALIDARG);
  EXPECT_EQ(table.GetDefault(5, &v), E_INVALIDARG);
  EXPECT_TRUE(IsUntouched(v));
  EXPECT_EQ(table.GetCount(nullptr), E_POINTER);
  EXPECT_EQ(table.GetType(21, nullptr), E_POINTER);
  EXPECT_EQ(table.GetName(21, nullptr), E_POINTER);
  EXPECT_EQ(table.GetDescription(5, nullptr), E_POINTER);
  EXPECT_EQ(table.GetUsage(21, nullptr), E_POINTER);
  LONG usage = 7;
  EXPECT_EQ(table.GetUsage(5, &usage), E_INVALIDARG);
  EXPECT_EQ(usage, 7);
  LONG id = 7;
  EXPECT_EQ(table.GetParameterId(2, &id), E_INVALIDARG);
  EXPECT_EQ(table.GetParameterId(0xFFFFFFFFu, &id), E_INVALIDARG);
  EXPECT_EQ(id, 7);
  EXPECT_EQ(table.GetParameterId(0, nullptr), E_POINTER);
}

TEST_F(ParameterTableTest, SetValueNeedsTheStoredTypeButNoRange) {
  EXPECT_EQ(table.SetValue(21, I4(60)), E_INVALIDARG);
  Owned v;
  table.GetValue(21, &v);
  EXPECT_EQ(v.vt, VT_I2);
  EXPECT_EQ(v.iVal, 50);
  EXPECT_EQ(table.SetValue(21, I2(150)), S_OK);
  table.GetValue(21, &v);
  EXPECT_EQ(v.iVal, 150);
  EXPECT_EQ(table.SetValue(99, I2(1)), E_INVALIDARG);
}

TEST_F(ParameterTableTest, AnswersOnlyItsOwnInterface) {
  void *out = nullptr;
  EXPECT_EQ(table.QueryInterface(IID_IParameterTable, &out), S_OK);
  EXPECT_EQ(out, static_cast<IParameterTable *>(&table));
  EXPECT_EQ(table.QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(table.QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

// ---- Through the parameter set ----

TEST_F(ParameterSetTest, GetParameterInfoFillsWhatIsAskedFor) {
  Owned value, low, high, def;
  BSTR name = nullptr, desc = nullptr;
  LONG usage = -1;
  ASSERT_EQ(parameters.GetParameterInfo(1000, &value, &low, &high, &def, &name, &desc, &usage),
            S_OK);
  EXPECT_EQ(value.lVal, 1);
  EXPECT_EQ(std::u16string(name), u"Inputs");
  EXPECT_EQ(std::u16string(desc), u"number of inputs");
  EXPECT_EQ(usage, 0);
  SysFreeString(name);
  SysFreeString(desc);

  EXPECT_EQ(parameters.GetParameterInfo(21, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        nullptr),
            S_OK);
  VARIANT untouched = Untouched();
  name = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(
      parameters.GetParameterInfo(5, &untouched, nullptr, nullptr, nullptr, &name, nullptr, &usage),
      E_INVALIDARG);
  EXPECT_TRUE(IsUntouched(untouched));
  EXPECT_EQ(name, reinterpret_cast<BSTR>(1));
}

TEST_F(ParameterSetTest, SetValuesSetsOrAppends) {
  LONG ids[] = {21, 77};
  VARIANT values[] = {I2(60), R8(2.5)};
  ASSERT_EQ(parameters.SetValues(2, ids, values), S_OK);
  EXPECT_EQ(Count(), 5u);
  LONG last = 0;
  parameters.GetParameterId(4, &last);
  EXPECT_EQ(last, 77) << "a new parameter comes last";

  Owned value, low, high, def;
  BSTR name = nullptr, desc = nullptr;
  LONG usage = -1;
  ASSERT_EQ(parameters.GetParameterInfo(77, &value, &low, &high, &def, &name, &desc, &usage), S_OK);
  EXPECT_EQ(value.dblVal, 2.5);
  EXPECT_EQ(low.vt, VT_EMPTY);
  EXPECT_EQ(high.vt, VT_EMPTY);
  EXPECT_EQ(def.vt, VT_EMPTY);
  EXPECT_EQ(SysStringLen(name), 0u);
  EXPECT_EQ(usage, 0);
  SysFreeString(name);
  SysFreeString(desc);
}

TEST_F(ParameterSetTest, SetValuesStopsAtTheFirstFailure) {
  LONG ids[] = {20, 21, 0};
  VARIANT values[] = {R8(0.5), I4(60), I4(2005)};
  EXPECT_EQ(parameters.SetValues(3, ids, values), E_INVALIDARG);
  Owned time, effect;
  parameters.GetValue(20, &time);
  parameters.GetValue(0, &effect);
  EXPECT_EQ(time.dblVal, 0.5) << "values before the failure stay set";
  EXPECT_EQ(effect.lVal, 2002) << "values after it are not touched";

  EXPECT_EQ(parameters.SetValues(0, ids, values), S_OK);
  EXPECT_EQ(parameters.SetValues(1, nullptr, values), E_POINTER);
  EXPECT_EQ(parameters.SetValues(1, ids, nullptr), E_POINTER);
}

TEST_F(ParameterSetTest, GetValuesChecksTheCountBeforeWriting) {
  LONG ids[] = {21, 0, 20, 1000, 21};
  Owned a, b, c, d, e;
  VARIANT *out[] = {&a, &b, &c, &d, &e};
  ASSERT_EQ(parameters.GetValues(2, ids, out), S_OK);
  EXPECT_EQ(a.iVal, 50);
  EXPECT_EQ(b.lVal, 2002);

  VARIANT m1 = Untouched(), m2 = Untouched(), m3 = Untouched(), m4 = Untouched(), m5 = Untouched();
  VARIANT *marked[] = {&m1, &m2, &m3, &m4, &m5};
  EXPECT_EQ(parameters.GetValues(5, ids, marked), E_INVALIDARG) << "more ids than parameters";
  EXPECT_EQ(parameters.GetValues(0xFFFFFFFFu, ids, marked), E_INVALIDARG);
  EXPECT_TRUE(IsUntouched(m1));
  EXPECT_EQ(parameters.GetValues(2, nullptr, marked), E_POINTER);
  EXPECT_EQ(parameters.GetValues(2, ids, nullptr), E_POINTER);
  EXPECT_TRUE(IsUntouched(m1));
  LONG unknown[] = {21, 99};
  EXPECT_EQ(parameters.GetValues(2, unknown, marked), E_INVALIDARG);
  EXPECT_TRUE(IsUntouched(m2));
}

TEST_F(ParameterSetTest, InitializeParametersKeepsTheFirstOfEachId) {
  std::array<ParameterRecord, 3> records;
  ASSERT_EQ(ParameterRecord::Create(21, I4(1), Empty(), Empty(), Empty(), u"other", nullptr, 0,
                                    &records[0]),
            S_OK);
  ASSERT_EQ(ParameterRecord::Create(30, I4(1), Empty(), Empty(), Empty(), u"first", nullptr, 0,
                                    &records[1]),
            S_OK);
  ASSERT_EQ(ParameterRecord::Create(30, I4(2), Empty(), Empty(), Empty(), u"second", nullptr, 0,
                                    &records[2]),
            S_OK);
  SharedString root;
  ASSERT_EQ(SharedString::Create(u"Root", &root), S_OK);
  ASSERT_EQ(parameters.InitializeParameters(root, records.data(), 3), S_OK);
  EXPECT_EQ(Count(), 5u);
  Owned v;
  parameters.GetValue(21, &v);
  EXPECT_EQ(v.vt, VT_I2) << "the parameter already held stays";
  parameters.GetValue(30, &v);
  EXPECT_EQ(v.lVal, 1);
  EXPECT_EQ(parameters.RootElementName().Get(), root.Get()) << "the root name is shared";

  ASSERT_EQ(parameters.InitializeParameters(root, records.data(), 3), S_OK);
  EXPECT_EQ(Count(), 5u);
  EXPECT_EQ(parameters.InitializeParameters(root, nullptr, 1), E_POINTER);
  EXPECT_EQ(parameters.InitializeParameters(root, nullptr, 0), S_OK);
}

} // namespace
