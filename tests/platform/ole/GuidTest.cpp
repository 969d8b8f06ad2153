#include <gtest/gtest.h>
#include <objbase.h>

#include <string>

namespace {

DEFINE_GUID(kSample, 0xD5A89DF2, 0x3764, 0x4F0F, 0x9D, 0x0E, 0xA1, 0xB7, 0x5B, 0x65, 0x27, 0x8A);
constexpr const char16_t *kSampleText = u"{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}";

TEST(Guid, FormatsBracedUpperCase) {
  OLECHAR buffer[CHARS_IN_GUID];
  EXPECT_EQ(StringFromGUID2(kSample, buffer, CHARS_IN_GUID), CHARS_IN_GUID);
  EXPECT_EQ(std::u16string(buffer), kSampleText);
  EXPECT_EQ(StringFromGUID2(kSample, buffer, CHARS_IN_GUID - 1), 0);
  EXPECT_EQ(StringFromGUID2(kSample, nullptr, CHARS_IN_GUID), 0);

  LPOLESTR allocated = nullptr;
  ASSERT_EQ(StringFromCLSID(kSample, &allocated), S_OK);
  EXPECT_EQ(std::u16string(allocated), kSampleText);
  CoTaskMemFree(allocated);
}

TEST(Guid, ParsesEitherCaseAndRoundTrips) {
  GUID parsed{};
  ASSERT_EQ(CLSIDFromString(kSampleText, &parsed), S_OK);
  EXPECT_EQ(parsed, kSample);
  ASSERT_EQ(IIDFromString(u"{d5a89df2-3764-4f0f-9d0e-a1b75b65278a}", &parsed), S_OK);
  EXPECT_EQ(parsed, kSample);
  ASSERT_EQ(IIDFromString(u"{00000000-0000-0000-C000-000000000046}", &parsed), S_OK);
  EXPECT_EQ(parsed, IID_IUnknown);
}

TEST(Guid, MalformedTextIsRefusedAndLeavesTheOutputAlone) {
  const char16_t *bad[] = {
      u"",
      u"{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A",   // no closing brace
      u"{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}x", // trailing text
      u"D5A89DF2-3764-4F0F-9D0E-A1B75B65278A",    // no braces (a ProgID)
      u"{D5A89DF2-3764-4F0F-9D0EA1B75B65278A0}",  // dash moved
      u"{G5A89DF2-3764-4F0F-9D0E-A1B75B65278A}",  // not hex
      u"{D5A89DF2-3764-4F0F-9D0E-A1B75B6527}",    // short
  };
  for (const char16_t *text : bad) {
    GUID out = kSample;
    EXPECT_EQ(CLSIDFromString(text, &out), CO_E_CLASSSTRING)
        << std::string(text, text + std::char_traits<char16_t>::length(text));
    EXPECT_EQ(IIDFromString(text, &out), E_INVALIDARG);
    EXPECT_EQ(out, kSample);
  }
  EXPECT_EQ(CLSIDFromString(kSampleText, nullptr), E_INVALIDARG);
  GUID out = kSample;
  EXPECT_EQ(CLSIDFromString(nullptr, &out), S_OK);
  EXPECT_EQ(out, GUID_NULL);
}

} // namespace
