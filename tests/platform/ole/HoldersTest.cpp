#include <atlcomcli.h>
#include <gtest/gtest.h>

#include "platform/ole/CountingUnknown.h"

namespace {

TEST(CComPtr, CountsReferencesThroughCopyMoveAndOutParameter) {
  CountingUnknown object;
  {
    CComPtr<IUnknown> a(&object);
    EXPECT_EQ(object.refs, 2);
    CComPtr<IUnknown> b = a;
    EXPECT_EQ(object.refs, 3);
    CComPtr<IUnknown> c = std::move(b);
    EXPECT_EQ(object.refs, 3);
    EXPECT_EQ(b.p, nullptr);
    CComPtr<IUnknown> &alias = a;
    a = alias; // self-assignment keeps the reference
    EXPECT_EQ(object.refs, 3);
    IUnknown **out = &c; // releases what c held
    EXPECT_EQ(object.refs, 2);
    *out = &object; // an out-parameter hands over a reference
    object.AddRef();
    IUnknown *raw = nullptr;
    ASSERT_EQ(c.CopyTo(&raw), S_OK);
    EXPECT_EQ(object.refs, 4);
    raw->Release();
    CComPtr<IUnknown> queried;
    ASSERT_EQ(a.QueryInterface(&queried), S_OK);
    EXPECT_EQ(object.refs, 4);
  }
  EXPECT_EQ(object.refs, 1);

  CComPtr<IUnknown> attached;
  object.AddRef();
  attached.Attach(&object);
  EXPECT_EQ(object.refs, 2);
  IUnknown *detached = attached.Detach();
  EXPECT_EQ(object.refs, 2);
  detached->Release();
}

TEST(CComBSTR, OwnsAndCopiesDeeply) {
  CComBSTR a(u"text");
  CComBSTR b = a;
  EXPECT_NE(a.m_str, b.m_str);
  EXPECT_EQ(b.Length(), 4u);
  CComBSTR c = std::move(a);
  EXPECT_EQ(a.m_str, nullptr);
  BSTR *out = &c; // frees the old string
  *out = SysAllocString(u"fresh");
  EXPECT_EQ(std::u16string_view(c), u"fresh");
  BSTR copy = c.Copy();
  EXPECT_EQ(std::u16string_view(copy), u"fresh");
  SysFreeString(copy);
  c.Attach(c.Detach());
  EXPECT_EQ(c.Length(), 5u);
  c.Empty();
  EXPECT_EQ(c.m_str, nullptr);
  EXPECT_EQ(CComBSTR(static_cast<const char *>(nullptr)).m_str, nullptr);
}

TEST(CComBSTR, Utf8RoundTripWithSurrogatePairs) {
  const char *utf8 =
      "Ze\xC3\xAF, \xE2\x82\xAC, \xF0\x9F\x8E\xAC"; // two-, three- and four-byte forms
  CComBSTR b(utf8);
  EXPECT_EQ(std::u16string_view(b.m_str, b.Length()), u"Ze\u00EF, \u20AC, \U0001F3AC");
  EXPECT_EQ(ZrqToUtf8(b.m_str, b.Length()), utf8);
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(ZrqFromUtf8("a\xFF"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(ZrqFromUtf8("\xC0\xAF"),
            u"\uFFFD\uFFFD");                        // overlong slash: bad lead, stray continuation
  EXPECT_EQ(ZrqFromUtf8("\xE0\x80\xAF"), u"\uFFFD"); // overlong three-byte form
  EXPECT_EQ(ZrqFromUtf8("\xED\xA0\x80"), u"\uFFFD"); // encoded surrogate
  EXPECT_EQ(ZrqFromUtf8("\xF4\x90\x80\x80"), u"\uFFFD"); // beyond U+10FFFF
  EXPECT_EQ(ZrqFromUtf8("x\xE2\x82"), u"x\uFFFD");       // cut short at the end
  const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00};
  EXPECT_EQ(ZrqToUtf8(lone, 4), "a\xEF\xBF\xBD"
                                "b\xEF\xBF\xBD");
  EXPECT_EQ(ZrqToUtf8(nullptr, 3), "");
}

TEST(CComVariant, ConstructorsPickTheVariantType) {
  EXPECT_EQ(CComVariant(short{3}).vt, VT_I2);
  EXPECT_EQ(CComVariant(3).vt, VT_I4);
  EXPECT_EQ(CComVariant(3L).vt, VT_I4);
  CComVariant wide(0x100000000L);
  EXPECT_EQ(wide.vt, VT_I8);
  EXPECT_EQ(wide.llVal, 0x100000000L);
  EXPECT_EQ(CComVariant(2.5).vt, VT_R8);
  EXPECT_EQ(CComVariant(2.5f).vt, VT_R4);
  CComVariant yes(true);
  EXPECT_EQ(yes.vt, VT_BOOL);
  EXPECT_EQ(yes.boolVal, VARIANT_TRUE);
  CComVariant text(u"abc");
  EXPECT_EQ(text.vt, VT_BSTR);
  EXPECT_EQ(SysStringLen(text.bstrVal), 3u);
  CComVariant narrow("\xE2\x82\xAC");
  EXPECT_EQ(narrow.vt, VT_BSTR);
  EXPECT_EQ(std::u16string_view(narrow.bstrVal), u"\u20AC");
}

TEST(CComVariant, CopyMoveAndDetachKeepOneOwner) {
  CComVariant a(u"shared?");
  CComVariant b = a;
  EXPECT_NE(a.bstrVal, b.bstrVal);
  CComVariant c = std::move(b);
  EXPECT_EQ(b.vt, VT_EMPTY);
  b = c;
  EXPECT_NE(b.bstrVal, c.bstrVal);
  VARIANT out;
  VariantInit(&out);
  ASSERT_EQ(c.Detach(&out), S_OK);
  EXPECT_EQ(c.vt, VT_EMPTY);
  EXPECT_EQ(std::u16string_view(out.bstrVal), u"shared?");
  VariantClear(&out);
  CComVariant &alias = a;
  a = alias;
  EXPECT_EQ(std::u16string_view(a.bstrVal), u"shared?");
}

} // namespace
