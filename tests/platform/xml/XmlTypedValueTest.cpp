// Data types as the platform's DOM keeps them: the dt:dt attribute in its namespace, the
// text form of each type, and the value and VARTYPE read back.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/xml/XmlTestSupport.h"

namespace {

constexpr const char *kNs = "xmlns:dt=\"urn:schemas-microsoft-com:datatypes\"";

// A Value element typed typeName and given value, as a writer of project files does it.
CComPtr<IXMLDOMElement> TypedElement(IXMLDOMDocument *doc, const char *typeName,
                                     const VARIANT &value, HRESULT expectPut = S_OK) {
  CComPtr<IXMLDOMElement> element = CreateElement(doc, "Value");
  EXPECT_EQ(S_OK, element->put_dataType(CComBSTR(typeName)));
  EXPECT_EQ(expectPut, element->put_nodeTypedValue(value)) << typeName;
  return element;
}

CComVariant ReadTyped(IXMLDOMNode *node, HRESULT expect = S_OK) {
  CComVariant value;
  EXPECT_EQ(expect, node->get_nodeTypedValue(&value));
  return value;
}

bool SameValue(const VARIANT &a, const VARIANT &b) {
  if (a.vt != b.vt) return false;
  switch (a.vt) {
  case VT_I1:
    return a.cVal == b.cVal;
  case VT_I2:
    return a.iVal == b.iVal;
  case VT_I4:
    return a.lVal == b.lVal;
  case VT_I8:
    return a.llVal == b.llVal;
  case VT_UI1:
    return a.bVal == b.bVal;
  case VT_UI2:
    return a.uiVal == b.uiVal;
  case VT_UI4:
    return a.ulVal == b.ulVal;
  case VT_UI8:
    return a.ullVal == b.ullVal;
  case VT_R4:
    return a.fltVal == b.fltVal;
  case VT_R8:
    return a.dblVal == b.dblVal;
  case VT_BOOL:
    return a.boolVal == b.boolVal;
  case VT_BSTR:
    return std::u16string(a.bstrVal) == std::u16string(b.bstrVal);
  default:
    return false;
  }
}

std::string Expected(const char *type, const char *text) {
  return std::string("<Value ") + kNs + " dt:dt=\"" + type + "\">" + text + "</Value>";
}

} // namespace

TEST(XmlTypedValue, WritesTheNamespacedDataTypeAndTextForm) {
  CComPtr<IXMLDOMDocument> doc = NewDocument();
  EXPECT_EQ(Expected("i4", "1"), XmlOf(TypedElement(doc, "i4", CComVariant(1))));
  EXPECT_EQ(Expected("r8", "0.412"), XmlOf(TypedElement(doc, "r8", CComVariant(0.412))));
  EXPECT_EQ(Expected("ui1", "123"), XmlOf(TypedElement(doc, "ui1", CComVariant(BYTE(123)))));
  EXPECT_EQ(Expected("boolean", "1"), XmlOf(TypedElement(doc, "boolean", CComVariant(true))));
  EXPECT_EQ(Expected("boolean", "0"), XmlOf(TypedElement(doc, "boolean", CComVariant(false))));
  EXPECT_EQ(Expected("string", "Effect &amp; Value"),
            XmlOf(TypedElement(doc, "string", CComVariant("Effect & Value"))));
  // The value is converted to the element's type first.
  EXPECT_EQ(Expected("i2", "40"), XmlOf(TypedElement(doc, "i2", CComVariant(40.0))));
  EXPECT_EQ(Expected("r8", "0.25"), XmlOf(TypedElement(doc, "r8", CComVariant("0.25"))));
  // Setting the type again changes the attribute, not the declaration.
  CComPtr<IXMLDOMElement> element = TypedElement(doc, "i4", CComVariant(7));
  ASSERT_EQ(S_OK, element->put_dataType(CComBSTR("R8")));
  ASSERT_EQ(S_OK, element->put_nodeTypedValue(CComVariant(0.5)));
  EXPECT_EQ(Expected("r8", "0.5"), XmlOf(element));
}

TEST(XmlTypedValue, DeclaresTheNamespaceOnlyWhereNoAncestorDoes) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument(
      "<Set xmlns:dt='urn:schemas-microsoft-com:datatypes'><A/><B xmlns:dt='urn:other'/></Set>");
  CComPtr<IXMLDOMNode> a = SelectOne(doc, "Set/A");
  ASSERT_EQ(S_OK, a->put_dataType(CComBSTR("i4")));
  EXPECT_EQ("<A dt:dt=\"i4\"/>", XmlOf(a));
  // Under a different binding of dt the type needs a prefix of its own.
  CComPtr<IXMLDOMNode> b = SelectOne(doc, "Set/B");
  ASSERT_EQ(S_OK, b->put_dataType(CComBSTR("r8")));
  EXPECT_EQ(
      "<B xmlns:dt=\"urn:other\" xmlns:dt1=\"urn:schemas-microsoft-com:datatypes\" dt1:dt=\"r8\"/>",
      XmlOf(b));
  CComVariant type;
  ASSERT_EQ(S_OK, b->get_dataType(&type));
  EXPECT_EQ(u"r8", std::u16string(type.bstrVal));
}

TEST(XmlTypedValue, EachTypeReadsBackToTheSameValueAndVarType) {
  CComPtr<IXMLDOMDocument> doc = NewDocument();
  struct Case {
    const char *type;
    CComVariant value;
    VARTYPE vt;
  };
  CComVariant i1, ui2, ui4, i8, ui8;
  i1.vt = VT_I1, i1.cVal = -128;
  ui2.vt = VT_UI2, ui2.uiVal = 65535;
  ui4.vt = VT_UI4, ui4.ulVal = 4294967295u;
  i8.vt = VT_I8, i8.llVal = std::numeric_limits<LONGLONG>::min();
  ui8.vt = VT_UI8, ui8.ullVal = std::numeric_limits<ULONGLONG>::max();
  const Case cases[] = {
      {"i1", i1, VT_I1},
      {"i2", CComVariant(short(-32768)), VT_I2},
      {"i4", CComVariant(-2147483647 - 1), VT_I4},
      {"int", CComVariant(5), VT_I4},
      {"i8", i8, VT_I8},
      {"ui1", CComVariant(BYTE(255)), VT_UI1},
      {"ui2", ui2, VT_UI2},
      {"ui4", ui4, VT_UI4},
      {"ui8", ui8, VT_UI8},
      {"r4", CComVariant(0.1f), VT_R4},
      {"r8", CComVariant(0.1), VT_R8},
      {"float", CComVariant(2.5), VT_R8},
      {"boolean", CComVariant(true), VT_BOOL},
      {"string", CComVariant(" spaced  text "), VT_BSTR},
  };
  for (const Case &c : cases) {
    CComPtr<IXMLDOMElement> element = TypedElement(doc, c.type, c.value);
    const CComVariant back = ReadTyped(element);
    EXPECT_EQ(c.vt, back.vt) << c.type;
    CComVariant expected;
    ASSERT_EQ(S_OK, expected.ChangeType(c.vt, &c.value)) << c.type;
    EXPECT_TRUE(SameValue(expected, back)) << c.type;
  }
  // "number" keeps its digits: it reads back as text.
  const CComVariant number = ReadTyped(TypedElement(doc, "number", CComVariant(12.5)));
  ASSERT_EQ(VT_BSTR, number.vt);
  EXPECT_EQ(u"12.5", std::u16string(number.bstrVal));
}

TEST(XmlTypedValue, DoublesUseTheShortestExactForm) {
  CComPtr<IXMLDOMDocument> doc = NewDocument();
  const struct {
    double value;
    const char *text;
  } cases[] = {
      {0.1, "0.1"}, {1e-300, "1E-300"}, {1.7976931348623157e308, "1.7976931348623157E+308"},
      {-0.0, "-0"}, {5e-324, "5E-324"}, {2.2250738585072009e-308, "2.225073858507201E-308"},
  };
  for (const auto &c : cases) {
    CComPtr<IXMLDOMElement> element = TypedElement(doc, "r8", CComVariant(c.value));
    EXPECT_EQ(c.text, TextOf(element));
    const CComVariant back = ReadTyped(element);
    ASSERT_EQ(VT_R8, back.vt);
    EXPECT_EQ(0, std::memcmp(&c.value, &back.dblVal, sizeof(double))) << c.text;
  }
}

// The float types have no infinities and no NaN: such a value is refused and the old text
// stays, and such text does not read as a value.
TEST(XmlTypedValue, NonFiniteRealsAreNeitherWrittenNorRead) {
  CComPtr<IXMLDOMDocument> doc = NewDocument();
  const double kInf = std::numeric_limits<double>::infinity();
  for (const char *type : {"r8", "float", "number"}) {
    for (double value : {kInf, -kInf, std::nan("")}) {
      CComPtr<IXMLDOMElement> element = TypedElement(doc, type, CComVariant(0.5));
      EXPECT_EQ(DISP_E_OVERFLOW, element->put_nodeTypedValue(CComVariant(value))) << type;
      EXPECT_EQ("0.5", TextOf(element)) << type;
    }
  }
  CComPtr<IXMLDOMElement> single = TypedElement(doc, "r4", CComVariant(0.5f));
  EXPECT_EQ(DISP_E_OVERFLOW,
            single->put_nodeTypedValue(CComVariant(std::numeric_limits<float>::infinity())));
  EXPECT_EQ("0.5", TextOf(single));
  CComPtr<IXMLDOMDocument> loaded =
      LoadDocument("<P xmlns:dt='urn:schemas-microsoft-com:datatypes'><A dt:dt='r8'>NaN</A><B "
                   "dt:dt='r8'>-INF</B>"
                   "<C dt:dt='r4'>INF</C><D dt:dt='r8'>infinity</D></P>");
  for (const char *query : {"P/A", "P/B", "P/C", "P/D"})
    ReadTyped(SelectOne(loaded, query), DISP_E_TYPEMISMATCH);
}

TEST(XmlTypedValue, ReadsTheTextOfLoadedDocuments) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument(
      "<P xmlns:dt='urn:schemas-microsoft-com:datatypes'>"
      "<B1 dt:dt='boolean'>true</B1><B2 dt:dt='boolean'>false</B2><B3 dt:dt='boolean'>yes</B3>"
      "<T dt:dt='r8'> 0.412\n</T><E dt:dt='r8'>1E-400</E><X dt:dt='i4'>12abc</X><O "
      "dt:dt='i2'>32768</O>"
      "<U dt:dt='ui4'>-1</U><N dt:dt='i4'></N><Plain> as is </Plain><Q dt:dt='bin.hex'>ff</Q>"
      "<W xmlns:dt='urn:other' dt:dt='i4'>1</W></P>");
  CComVariant value = ReadTyped(SelectOne(doc, "P/B1"));
  EXPECT_EQ(VT_BOOL, value.vt);
  EXPECT_EQ(VARIANT_TRUE, value.boolVal);
  value = ReadTyped(SelectOne(doc, "P/B2"));
  EXPECT_EQ(VARIANT_FALSE, value.boolVal);
  ReadTyped(SelectOne(doc, "P/B3"), DISP_E_TYPEMISMATCH);
  value = ReadTyped(SelectOne(doc, "P/T"));
  EXPECT_EQ(0.412, value.dblVal);
  value = ReadTyped(SelectOne(doc, "P/E"));
  EXPECT_EQ(0.0, value.dblVal);
  ReadTyped(SelectOne(doc, "P/X"), DISP_E_TYPEMISMATCH);
  ReadTyped(SelectOne(doc, "P/O"), DISP_E_OVERFLOW);
  ReadTyped(SelectOne(doc, "P/U"), DISP_E_OVERFLOW);
  // A typed element without content has no value.
  EXPECT_EQ(VT_NULL, ReadTyped(SelectOne(doc, "P/N")).vt);
  // Untyped, unknown-typed and wrongly-namespaced elements give their text.
  for (const char *query : {"P/Plain", "P/Q", "P/W"}) {
    value = ReadTyped(SelectOne(doc, query));
    EXPECT_EQ(VT_BSTR, value.vt) << query;
  }
  // Untyped text is trimmed, as get_text gives it with white space not preserved.
  EXPECT_EQ(u"as is", std::u16string(ReadTyped(SelectOne(doc, "P/Plain")).bstrVal));
  VARIANT type;
  type.vt = VT_I4;
  EXPECT_EQ(S_FALSE, SelectOne(doc, "P/Plain")->get_dataType(&type));
  EXPECT_EQ(VT_NULL, type.vt);
  EXPECT_EQ(S_FALSE, SelectOne(doc, "P/W")->get_dataType(&type));
}

TEST(XmlTypedValue, RefusesUnknownTypesAndValuesThatDoNotConvert) {
  CComPtr<IXMLDOMDocument> doc = NewDocument();
  CComPtr<IXMLDOMElement> element = CreateElement(doc, "Value");
  EXPECT_EQ(E_FAIL, element->put_dataType(CComBSTR("no-such-type")));
  EXPECT_EQ("<Value/>", XmlOf(element));
  ASSERT_EQ(S_OK, element->put_dataType(CComBSTR("i2")));
  ASSERT_EQ(S_OK, element->put_nodeTypedValue(CComVariant(5)));
  EXPECT_EQ(DISP_E_OVERFLOW, element->put_nodeTypedValue(CComVariant(40000)));
  EXPECT_EQ(DISP_E_TYPEMISMATCH, element->put_nodeTypedValue(CComVariant("five")));
  // A refused value leaves the old one.
  EXPECT_EQ("5", TextOf(element));
  // An untyped element takes any value as its text.
  CComPtr<IXMLDOMElement> plain = CreateElement(doc, "Plain");
  ASSERT_EQ(S_OK, plain->put_nodeTypedValue(CComVariant(12)));
  EXPECT_EQ("12", TextOf(plain));
}

TEST(XmlTypedValue, DataTypesAreReportedByTheirCanonicalNames) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument(
      "<P xmlns:dt='urn:schemas-microsoft-com:datatypes'><A dt:dt='NUMbEr'>1</A><B dt:dt='I4'>1</B>"
      "<S dt:dt='string'> s </S><U dt:dt='foo'>1</U><E dt:dt=''>1</E><W dt:dt=' i4 '>1</W>"
      "<T>text<![CDATA[c]]><!--c--><?p d?></T></P>");
  auto typeOf = [&](IXMLDOMNode *node, HRESULT expect) {
    VARIANT type;
    type.vt = VT_I4;
    EXPECT_EQ(expect, node->get_dataType(&type));
    std::string name =
        type.vt == VT_BSTR ? ZrqToUtf8(type.bstrVal, SysStringLen(type.bstrVal)) : "";
    if (type.vt != VT_BSTR) {
      EXPECT_EQ(VT_NULL, type.vt);
    }
    VariantClear(&type);
    return name;
  };
  EXPECT_EQ("number", typeOf(SelectOne(doc, "P/A"), S_OK));
  EXPECT_EQ("i4", typeOf(SelectOne(doc, "P/B"), S_OK));
  // Text is the default: a "string" element reports no type, but keeps its text as written.
  EXPECT_EQ("", typeOf(SelectOne(doc, "P/S"), S_FALSE));
  EXPECT_EQ(u" s ", std::u16string(ReadTyped(SelectOne(doc, "P/S")).bstrVal));
  for (const char *unknown : {"P/U", "P/E", "P/W"}) {
    EXPECT_EQ("", typeOf(SelectOne(doc, unknown), S_FALSE)) << unknown;
  }
  // Nodes that are no element carry no type, nor does the document.
  CComPtr<IXMLDOMNode> child;
  ASSERT_EQ(S_OK, SelectOne(doc, "P/T")->get_firstChild(&child));
  while (child) {
    EXPECT_EQ("", typeOf(child, S_FALSE));
    CComPtr<IXMLDOMNode> next;
    child->get_nextSibling(&next);
    child = next;
  }
  EXPECT_EQ("", typeOf(doc, S_FALSE));
  // The document has no typed value of its own.
  VARIANT value;
  value.vt = VT_I4;
  EXPECT_EQ(S_FALSE, doc->get_nodeTypedValue(&value));
  EXPECT_EQ(VT_NULL, value.vt);
}
