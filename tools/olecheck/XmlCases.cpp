#include "XmlCases.h"

#include <msxml2.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace olecheck {

namespace {

// A held interface, released at the end of the case.
template <class T> class Ref {
public:
  Ref() = default;
  Ref(const Ref &) = delete;
  Ref &operator=(const Ref &) = delete;
  Ref(Ref &&other) noexcept : p(other.p) { other.p = nullptr; }
  ~Ref() {
    if (p) p->Release();
  }
  T **Out() { return &p; }
  T *operator->() const { return p; }
  T *get() const { return p; }
  explicit operator bool() const { return p != nullptr; }

private:
  T *p = nullptr;
};

class Text {
public:
  explicit Text(std::u16string_view text) : b(MakeBstr(text)) {}
  Text(const Text &) = delete;
  Text &operator=(const Text &) = delete;
  ~Text() { SysFreeString(b); }
  operator BSTR() const { return b; }

private:
  BSTR b;
};

Ref<IXMLDOMDocument> NewDocument() {
  Ref<IXMLDOMDocument> document;
  const IID documentInterface = {
      0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
#ifdef _WIN32
  // The version-independent DOMDocument, MSXML 3.
  const CLSID documentClass = {
      0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
  CoCreateInstance(documentClass, nullptr, CLSCTX_INPROC_SERVER, documentInterface,
                   reinterpret_cast<void **>(document.Out()));
#else
  ZrqCreateXMLDOMDocument(documentInterface, reinterpret_cast<void **>(document.Out()));
#endif
  return document;
}

Ref<IXMLDOMDocument> Load(std::u16string_view xml, bool preserveWhiteSpace = false) {
  Ref<IXMLDOMDocument> document = NewDocument();
  if (!document) return document;
  document->put_preserveWhiteSpace(preserveWhiteSpace ? VARIANT_TRUE : VARIANT_FALSE);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  document->loadXML(Text(xml), &loaded);
  return document;
}

Ref<IXMLDOMNode> DocumentElement(IXMLDOMDocument *document) {
  Ref<IXMLDOMNode> node;
  Ref<IXMLDOMElement> element;
  if (document && document->get_documentElement(element.Out()) == S_OK && element) {
    element->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void **>(node.Out()));
  }
  return node;
}

Ref<IXMLDOMNode> FirstChild(IXMLDOMNode *node) {
  Ref<IXMLDOMNode> child;
  if (node) node->get_firstChild(child.Out());
  return child;
}

Ref<IXMLDOMNode> Select(IXMLDOMNode *node, std::u16string_view query) {
  Ref<IXMLDOMNode> found;
  if (node) node->selectSingleNode(Text(query), found.Out());
  return found;
}

std::string DescribeResult(HRESULT hr, const VARIANT &value) {
  std::string text = StatusText(hr);
  if (SUCCEEDED(hr)) text += " " + DescribeVariant(value);
  return text;
}

std::string TextOf(IXMLDOMNode *node) {
  if (!node) return "no node";
  BSTR text = nullptr;
  const HRESULT hr = node->get_text(&text);
  std::string out = StatusText(hr);
  if (SUCCEEDED(hr))
    out += " " + (text ? QuoteText(text, SysStringLen(text)) : std::string("null"));
  SysFreeString(text);
  return out;
}

std::string TypedValueOf(IXMLDOMNode *node) {
  if (!node) return "no node";
  VARIANT value;
  VariantInit(&value);
  const HRESULT hr = node->get_nodeTypedValue(&value);
  const std::string out = DescribeResult(hr, value);
  VariantClear(&value);
  return out;
}

std::string DataTypeOf(IXMLDOMNode *node) {
  if (!node) return "no node";
  VARIANT value;
  VariantInit(&value);
  const HRESULT hr = node->get_dataType(&value);
  const std::string out = DescribeResult(hr, value);
  VariantClear(&value);
  return out;
}

// The nodes of a small document, each reached without a query language.
enum class Which { Document, Element, FirstChild, Attribute };

const char *WhichName(Which which) {
  switch (which) {
  case Which::Document:
    return "document";
  case Which::Element:
    return "element";
  case Which::FirstChild:
    return "first child";
  case Which::Attribute:
    return "attribute a";
  }
  return "";
}

Ref<IXMLDOMNode> Reach(IXMLDOMDocument *document, Which which) {
  Ref<IXMLDOMNode> element = DocumentElement(document);
  switch (which) {
  case Which::Document: {
    Ref<IXMLDOMNode> node;
    if (document) document->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void **>(node.Out()));
    return node;
  }
  case Which::Element:
    return element;
  case Which::FirstChild:
    return FirstChild(element.get());
  case Which::Attribute:
    return Select(element.get(), u"@a");
  }
  return element;
}

constexpr char16_t kNamespace[] = u" xmlns:dt='urn:schemas-microsoft-com:datatypes'";

std::u16string Typed(std::u16string_view type, std::u16string_view content) {
  return u"<v" + std::u16string(kNamespace) + u" dt:dt='" + std::u16string(type) + u"'>" +
         std::u16string(content) + u"</v>";
}

// Text, and what white space is kept of it.
void TextCases(Lines &lines) {
  struct Case {
    std::u16string_view xml;
    Which which;
  };
  const Case cases[] = {
      {u"<v>  12  </v>", Which::Element},
      {u"<v>  12  </v>", Which::FirstChild},
      {u"<v>  12  </v>", Which::Document},
      {u"<v>\n\t12\r\n</v>", Which::Element},
      {u"<v>   </v>", Which::Element},
      {u"<v/>", Which::Element},
      {u"<v>a <b> b </b> c</v>", Which::Element},
      {u"<v> a <b/> c </v>", Which::Element},
      {u"<v><b> x </b><b> y </b></v>", Which::Element},
      {u"<v> <![CDATA[  x  ]]> </v>", Which::Element},
      {u"<v><![CDATA[  x  ]]></v>", Which::FirstChild},
      {u"<v a='  x  '/>", Which::Attribute},
      {u"<v><!--  c  --></v>", Which::FirstChild},
      {u"<v><?p  d  ?></v>", Which::FirstChild},
      {u"<v>1&#32;</v>", Which::Element},
      {u"<v>&#32;1</v>", Which::Element},
      {u"<v xml:space='preserve'>  12  </v>", Which::Element},
      {u"<v><b>x</b> <b>y</b></v>", Which::Element},
      {u"<v>a<b/> <b/>c</v>", Which::Element},
  };
  for (bool preserve : {false, true}) {
    for (const Case &c : cases) {
      Ref<IXMLDOMDocument> document = Load(c.xml, preserve);
      Ref<IXMLDOMNode> node = Reach(document.get(), c.which);
      const std::string where =
          QuoteText(c.xml) + " " + WhichName(c.which) + (preserve ? " preserving" : "");
      lines.push_back("get_text " + where + " : " + TextOf(node.get()));
      lines.push_back("get_nodeTypedValue " + where + " : " + TypedValueOf(node.get()));
    }
  }
}

const std::u16string_view kTypeNames[] = {
    u"string",     u"boolean", u"i1",     u"i2",       u"i4",         u"int",
    u"i8",         u"ui1",     u"ui2",    u"ui4",      u"ui8",        u"r4",
    u"r8",         u"float",   u"number", u"I4",       u"NUMbEr",     u"R8",
    u"String",     u"foo",     u"",       u" i4 ",     u"i4 ",        u"bin.hex",
    u"bin.base64", u"char",    u"date",   u"dateTime", u"fixed.14.4", u"uuid"};

// The data type of every kind of node.
void DataTypeCases(Lines &lines) {
  for (std::u16string_view type : kTypeNames) {
    const std::u16string xml = Typed(type, u"1");
    Ref<IXMLDOMDocument> document = Load(xml);
    Ref<IXMLDOMNode> element = DocumentElement(document.get());
    lines.push_back("get_dataType " + QuoteText(xml) + " : " + DataTypeOf(element.get()));
  }
  const std::u16string_view untyped[] = {
      u"<v>1</v>",         u"<v xmlns:dt='urn:other' dt:dt='i4'>1</v>",
      u"<v dt='i4'>1</v>", u"<v><![CDATA[1]]></v>",
      u"<v><!--1--></v>",  u"<v><?p 1?></v>",
      u"<v a='1'/>"};
  for (std::u16string_view xml : untyped) {
    Ref<IXMLDOMDocument> document = Load(xml);
    for (Which which : {Which::Document, Which::Element, Which::FirstChild, Which::Attribute}) {
      Ref<IXMLDOMNode> node = Reach(document.get(), which);
      if (!node) continue;
      lines.push_back("get_dataType " + QuoteText(xml) + " " + WhichName(which) + " : " +
                      DataTypeOf(node.get()));
    }
  }
  // Setting a type: the name as written, in another case, unknown.
  for (std::u16string_view type : {u"r8", u"R8", u"string", u"foo", u"", u"bin.hex"}) {
    Ref<IXMLDOMDocument> document = Load(u"<v>1</v>");
    Ref<IXMLDOMNode> element = DocumentElement(document.get());
    const HRESULT hr = element ? element->put_dataType(Text(type)) : E_POINTER;
    lines.push_back("put_dataType " + QuoteText(type) + " : " + StatusText(hr) + " then " +
                    DataTypeOf(element.get()));
  }
}

const std::u16string_view kContents[] = {u"0",
                                         u"1",
                                         u"-1",
                                         u"12",
                                         u"  12  ",
                                         u"\n12\n",
                                         u"+5",
                                         u"1.5",
                                         u"2.5",
                                         u"-0.5",
                                         u"1e3",
                                         u"1E-3",
                                         u".5",
                                         u"5.",
                                         u"127",
                                         u"128",
                                         u"-128",
                                         u"-129",
                                         u"255",
                                         u"256",
                                         u"32767",
                                         u"32768",
                                         u"-32769",
                                         u"65535",
                                         u"65536",
                                         u"2147483647",
                                         u"2147483648",
                                         u"-2147483649",
                                         u"4294967295",
                                         u"4294967296",
                                         u"9223372036854775807",
                                         u"9223372036854775808",
                                         u"-9223372036854775809",
                                         u"18446744073709551615",
                                         u"18446744073709551616",
                                         u"3.4028235E+38",
                                         u"3.5E+38",
                                         u"1.7976931348623157E+308",
                                         u"1.8E+308",
                                         u"1E-400",
                                         u"2.5E-320",
                                         u"0.1",
                                         u"0.412",
                                         u"NaN",
                                         u"INF",
                                         u"-INF",
                                         u"nan",
                                         u"true",
                                         u"false",
                                         u"True",
                                         u"yes",
                                         u"&amp;H10",
                                         u"(12)",
                                         u"12-",
                                         u"1,000",
                                         u"",
                                         u"   ",
                                         u"abc",
                                         u"12abc",
                                         u"1 2",
                                         u"0x10",
                                         u"-0",
                                         u"00012",
                                         u"#TRUE#",
                                         u"1.0",
                                         u"0.0",
                                         u"-",
                                         u"."};

// Typed values read from the text of loaded documents.
void TypedReadCases(Lines &lines) {
  for (std::u16string_view type : kTypeNames) {
    for (std::u16string_view content : kContents) {
      const std::u16string xml = Typed(type, content);
      Ref<IXMLDOMDocument> document = Load(xml);
      Ref<IXMLDOMNode> element = DocumentElement(document.get());
      lines.push_back("get_nodeTypedValue " + QuoteText(xml) + " : " + TypedValueOf(element.get()));
    }
  }
}

class Value {
public:
  Value() { VariantInit(&v); }
  Value(const Value &) = delete;
  Value &operator=(const Value &) = delete;
  ~Value() { VariantClear(&v); }
  mutable VARIANT v;
};

void Set(Value &value, VARTYPE vt, double d) {
  V_VT(&value.v) = vt;
  switch (vt) {
  case VT_I1:
    V_I1(&value.v) = static_cast<CHAR>(d);
    break;
  case VT_UI1:
    V_UI1(&value.v) = static_cast<BYTE>(d);
    break;
  case VT_I2:
    V_I2(&value.v) = static_cast<SHORT>(d);
    break;
  case VT_UI2:
    V_UI2(&value.v) = static_cast<USHORT>(d);
    break;
  case VT_I4:
    V_I4(&value.v) = static_cast<LONG>(d);
    break;
  case VT_UI4:
    V_UI4(&value.v) = static_cast<ULONG>(d);
    break;
  case VT_I8:
    V_I8(&value.v) = static_cast<LONGLONG>(d);
    break;
  case VT_UI8:
    V_UI8(&value.v) = static_cast<ULONGLONG>(d);
    break;
  case VT_R4:
    V_R4(&value.v) = static_cast<float>(d);
    break;
  case VT_R8:
    V_R8(&value.v) = d;
    break;
  case VT_DATE:
    V_DATE(&value.v) = d;
    break;
  case VT_BOOL:
    V_BOOL(&value.v) = d != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    break;
  case VT_CY:
    V_CY(&value.v).int64 = static_cast<LONGLONG>(d * 10000);
    break;
  case VT_ERROR:
    V_ERROR(&value.v) = static_cast<SCODE>(d);
    break;
  default:
    break;
  }
}

void SetText(Value &value, std::u16string_view text) {
  V_VT(&value.v) = VT_BSTR;
  V_BSTR(&value.v) = MakeBstr(text);
}

// Whether two values of one type hold the same bits (NaN included).
bool SameValue(const VARIANT &a, const VARIANT &b) {
  if (V_VT(&a) != V_VT(&b)) return false;
  if (V_VT(&a) == VT_BSTR) {
    const UINT length = SysStringByteLen(V_BSTR(&a));
    return length == SysStringByteLen(V_BSTR(&b)) &&
           std::memcmp(V_BSTR(&a), V_BSTR(&b), length) == 0;
  }
  return DescribeVariant(a) == DescribeVariant(b);
}

struct TypedWrite {
  std::u16string_view type;
  VARTYPE vt;
  double value;
  // The documented text form of the value in that type; empty when the write must fail.
  std::u16string_view text;
};

// Untyped elements take any value as the text VariantChangeType gives it.
void UntypedWriteCases(Lines &lines) {
  const TypedWrite writes[] = {
      {u"", VT_I4, 12, u""},   {u"", VT_R4, 16777216, u""}, {u"", VT_R4, 0.1, u""},
      {u"", VT_R8, 0.1, u""},  {u"", VT_R8, 1.0 / 3, u""},  {u"", VT_R8, 1e21, u""},
      {u"", VT_R8, -0.0, u""}, {u"", VT_BOOL, 1, u""},      {u"", VT_BOOL, 0, u""},
      {u"", VT_CY, 1.5, u""},  {u"", VT_UI1, 200, u""},     {u"", VT_I8, -5, u""},
      {u"", VT_EMPTY, 0, u""}, {u"", VT_NULL, 0, u""},      {u"", VT_ERROR, 0, u""},
      {u"", VT_DATE, 2.5, u""}};
  for (const TypedWrite &write : writes) {
    Ref<IXMLDOMDocument> document = Load(u"<v>old</v>");
    Ref<IXMLDOMNode> element = DocumentElement(document.get());
    Value value;
    Set(value, write.vt, write.value);
    const HRESULT hr = element ? element->put_nodeTypedValue(value.v) : E_POINTER;
    lines.push_back("put_nodeTypedValue untyped " + DescribeVariant(value.v) + " : " +
                    StatusText(hr) + " then " + TextOf(element.get()));
  }
  for (std::u16string_view text : {u"  x  ", u"", u"a < b"}) {
    Ref<IXMLDOMDocument> document = Load(u"<v>old</v>");
    Ref<IXMLDOMNode> element = DocumentElement(document.get());
    Value value;
    SetText(value, text);
    const HRESULT hr = element ? element->put_nodeTypedValue(value.v) : E_POINTER;
    lines.push_back("put_nodeTypedValue untyped " + DescribeVariant(value.v) + " : " +
                    StatusText(hr) + " then " + TextOf(element.get()) + ", typed value " +
                    TypedValueOf(element.get()));
    const HRESULT put = element ? element->put_text(Text(text)) : E_POINTER;
    lines.push_back("put_text " + QuoteText(text) + " : " + StatusText(put) + " then " +
                    TextOf(element.get()));
  }
}

// Typed elements write the documented text of their type. Each text is also read back from a
// loaded document, which shows that a reader elsewhere takes it for the same value.
void TypedWriteCases(Lines &lines) {
  const double inf = std::numeric_limits<double>::infinity();
  const TypedWrite writes[] = {
      {u"i1", VT_I1, -128, u"-128"},
      {u"i2", VT_I2, -32768, u"-32768"},
      {u"i4", VT_I4, 12, u"12"},
      {u"int", VT_I4, 5, u"5"},
      {u"i8", VT_I8, -9007199254740993.0, u"-9007199254740992"},
      {u"ui1", VT_UI1, 255, u"255"},
      {u"ui2", VT_UI2, 65535, u"65535"},
      {u"ui4", VT_UI4, 4294967295.0, u"4294967295"},
      {u"ui8", VT_UI8, 18446744073709549568.0, u"18446744073709549568"},
      {u"r4", VT_R4, 0.1, u"0.1"},
      {u"r4", VT_R4, 16777216, u"16777216"},
      {u"r4", VT_R4, FLT_MAX, u"3.4028235E+38"},
      {u"r4", VT_R4, FLT_MIN, u"1.1754944E-38"},
      {u"r8", VT_R8, 0.1, u"0.1"},
      {u"r8", VT_R8, 0.412, u"0.412"},
      {u"r8", VT_R8, 1e-300, u"1E-300"},
      {u"r8", VT_R8, DBL_MAX, u"1.7976931348623157E+308"},
      {u"r8", VT_R8, DBL_MIN, u"2.2250738585072014E-308"},
      {u"r8", VT_R8, 1e21, u"1E+21"},
      {u"r8", VT_R8, 123456789012.5, u"123456789012.5"},
      {u"r8", VT_R8, -0.0, u"-0"},
      {u"float", VT_R8, 2.5, u"2.5"},
      {u"number", VT_R8, 12.5, u"12.5"},
      {u"boolean", VT_BOOL, 1, u"1"},
      {u"boolean", VT_BOOL, 0, u"0"},
      {u"i2", VT_R8, 40, u"40"},
      {u"r8", VT_I4, 7, u"7"},
      {u"r8", VT_R8, std::numeric_limits<double>::quiet_NaN(), u""},
      {u"r8", VT_R8, inf, u""},
      {u"r8", VT_R8, -inf, u""},
      {u"r4", VT_R4, inf, u""},
      {u"float", VT_R8, std::numeric_limits<double>::quiet_NaN(), u""},
      {u"i2", VT_I4, 40000, u""},
  };
  for (const TypedWrite &write : writes) {
    Ref<IXMLDOMDocument> document = Load(Typed(write.type, u"old"));
    Ref<IXMLDOMNode> element = DocumentElement(document.get());
    Value value;
    Set(value, write.vt, write.value);
    const HRESULT hr = element ? element->put_nodeTypedValue(value.v) : E_POINTER;
    lines.push_back("put_nodeTypedValue " + QuoteText(write.type) + " " + DescribeVariant(value.v) +
                    " : " + StatusText(hr) + " then " + TextOf(element.get()));
    if (write.text.empty()) continue;
    // The documented text, read back: the same value as written, in the type's VARTYPE.
    Ref<IXMLDOMDocument> written = Load(Typed(write.type, write.text));
    Ref<IXMLDOMNode> back = DocumentElement(written.get());
    Value read, expected;
    const HRESULT readStatus = back ? back->get_nodeTypedValue(&read.v) : E_POINTER;
    const bool same = SUCCEEDED(readStatus) &&
                      SUCCEEDED(VariantChangeType(&expected.v, &value.v, 0, V_VT(&read.v))) &&
                      SameValue(expected.v, read.v);
    lines.push_back("read back " + QuoteText(write.type) + " " + QuoteText(write.text) + " : " +
                    DescribeResult(readStatus, read.v) +
                    (same ? ", the value written" : ", another value"));
  }
}

} // namespace

void RunXmlCases(Lines &lines) {
  TextCases(lines);
  DataTypeCases(lines);
  TypedReadCases(lines);
  UntypedWriteCases(lines);
  TypedWriteCases(lines);
}

} // namespace olecheck
