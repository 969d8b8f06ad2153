#include <gtest/gtest.h>

#include "params/ParameterRecord.h"
#include "VariantHelpers.h"

namespace {

TEST(ParameterRecord, NewRecordIsEmpty) {
  ParameterRecord r;
  EXPECT_EQ(r.Value.vt, VT_EMPTY);
  EXPECT_EQ(r.ValueMin.vt, VT_EMPTY);
  EXPECT_EQ(r.ValueMax.vt, VT_EMPTY);
  EXPECT_EQ(r.ValueDef.vt, VT_EMPTY);
  EXPECT_TRUE(r.Name.IsEmpty());
  EXPECT_TRUE(r.Desc.IsEmpty());
  EXPECT_EQ(r.Usage, 0);
  EXPECT_EQ(r.ParamID, 0);
}

TEST(ParameterRecord, CreateCopiesEveryPart) {
  Owned text(u"abc");
  ParameterRecord r;
  ASSERT_EQ(ParameterRecord::Create(7, text, I2(1), I2(9), I2(5), u"Name", u"Desc", 1, &r), S_OK);
  EXPECT_EQ(r.ParamID, 7);
  ASSERT_EQ(r.Value.vt, VT_BSTR);
  EXPECT_NE(r.Value.bstrVal, text.bstrVal) << "the string value is copied";
  EXPECT_EQ(r.ValueMax.iVal, 9);
  EXPECT_EQ(std::u16string(r.Name.Get()), u"Name");
  EXPECT_EQ(std::u16string(r.Desc.Get()), u"Desc");
  EXPECT_EQ(r.Usage, 1);
}

TEST(ParameterRecord, CopiesDuplicateValuesAndShareStrings) {
  ParameterRecord r;
  ASSERT_EQ(ParameterRecord::Create(3, Owned(u"v"), Empty(), Empty(), Empty(), u"N", u"D", 0, &r),
            S_OK);
  ParameterRecord copy(r);
  EXPECT_NE(copy.Value.bstrVal, r.Value.bstrVal);
  EXPECT_EQ(copy.Name.Get(), r.Name.Get());
  EXPECT_EQ(copy.Desc.Get(), r.Desc.Get());
  EXPECT_EQ(r.Name.UseCount(), 2);

  ParameterRecord assigned;
  assigned = r;
  EXPECT_EQ(r.Name.UseCount(), 3);
  ParameterRecord &alias = assigned;
  assigned = alias;
  EXPECT_EQ(r.Name.UseCount(), 3) << "self-assignment leaves the strings alone";
  EXPECT_EQ(assigned.Value.vt, VT_BSTR);
  EXPECT_EQ(assigned.ParamID, 3);
}

TEST(ParameterRecord, AFailedValueCopyBecomesAnError) {
  VARIANT bad = Empty();
  bad.vt = 0x0FFF; // no such type
  ParameterRecord r;
  ASSERT_EQ(ParameterRecord::Create(1, bad, I4(0), Empty(), Empty(), nullptr, nullptr, 0, &r),
            S_OK);
  EXPECT_EQ(r.Value.vt, VT_ERROR);
  EXPECT_TRUE(FAILED(r.Value.scode));
  EXPECT_EQ(r.ValueMin.vt, VT_I4) << "the copy goes on after a failure";
  EXPECT_TRUE(r.Name.IsAbsent());
}

} // namespace
