// get_text and white space: trimmed unless the document or an xml:space attribute preserves
// it, with CDATA sections kept as they are.
#include <gtest/gtest.h>

#include "platform/xml/XmlTestSupport.h"

namespace {

CComPtr<IXMLDOMNode> Element(IXMLDOMDocument *doc) {
  CComPtr<IXMLDOMElement> element;
  EXPECT_EQ(S_OK, doc->get_documentElement(&element));
  return CComPtr<IXMLDOMNode>(element);
}

TEST(XmlTextContent, TextIsTrimmedUnlessWhiteSpaceIsPreserved) {
  const struct {
    const char *xml;
    const char *trimmed;
  } cases[] = {
      {"<v>  12  </v>", "12"},
      {"<v>\n\t12\r\n</v>", "12"},
      {"<v>a <b> b </b> c</v>", "a  b  c"},
      {"<v> <![CDATA[  x  ]]> </v>", "  x  "},
      {"<v> a<![CDATA[ x ]]>b </v>", "a x b"},
      {"<v>   </v>", ""},
  };
  for (const auto &c : cases) {
    CComPtr<IXMLDOMDocument> doc = LoadDocument(c.xml);
    EXPECT_EQ(c.trimmed, TextOf(Element(doc))) << c.xml;
    EXPECT_EQ(c.trimmed, TextOf(doc)) << c.xml;
  }
  // The setting is read when the text is asked for, not only when the document loads.
  CComPtr<IXMLDOMDocument> doc = NewDocument();
  ASSERT_EQ(S_OK, doc->put_preserveWhiteSpace(VARIANT_TRUE));
  VARIANT_BOOL loaded = VARIANT_FALSE;
  ASSERT_EQ(S_OK, doc->loadXML(CComBSTR("<v> a <b/> c </v>"), &loaded));
  EXPECT_EQ(" a  c ", TextOf(Element(doc)));
  ASSERT_EQ(S_OK, doc->put_preserveWhiteSpace(VARIANT_FALSE));
  EXPECT_EQ("a  c", TextOf(Element(doc)));
}

TEST(XmlTextContent, XmlSpacePreservesBelowItself) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument(
      "<v><p xml:space='preserve'> p <d xml:space='default'> d </d></p><q> q </q></v>");
  EXPECT_EQ(" p  d ", TextOf(SelectOne(doc, "v/p")));
  EXPECT_EQ("d", TextOf(SelectOne(doc, "v/p/d")));
  EXPECT_EQ("q", TextOf(SelectOne(doc, "v/q")));
}

TEST(XmlTextContent, EachKindOfNodeGivesItsText) {
  CComPtr<IXMLDOMDocument> doc =
      LoadDocument("<v a='  x  '>  t  <![CDATA[  c  ]]><!--  m  --></v>");
  CComPtr<IXMLDOMNode> text, cdata, comment;
  ASSERT_EQ(S_OK, Element(doc)->get_firstChild(&text));
  ASSERT_EQ(S_OK, text->get_nextSibling(&cdata));
  ASSERT_EQ(S_OK, cdata->get_nextSibling(&comment));
  EXPECT_EQ("t", TextOf(text));
  EXPECT_EQ("  c  ", TextOf(cdata));
  EXPECT_EQ("  m  ", TextOf(comment));
  EXPECT_EQ("  x  ", TextOf(SelectOne(doc, "v/@a")));
  // nodeValue stays the text as it stands.
  CComVariant value;
  ASSERT_EQ(S_OK, text->get_nodeValue(&value));
  EXPECT_EQ(u"  t  ", std::u16string(value.bstrVal));
}

} // namespace
