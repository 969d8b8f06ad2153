// Hostile and large documents: deep nesting, many siblings, long texts, entity tricks. Each
// must load or fail cleanly, in time proportional to its size (the test's own timeout is the
// guard; nothing is timed here).
#include <gtest/gtest.h>

#include <string>

#include "platform/xml/XmlTestSupport.h"

namespace {

constexpr int kDeep = 100000;

std::string Nested(int depth) {
  std::string xml;
  xml.reserve(static_cast<size_t>(depth) * 7 + 8);
  for (int i = 0; i < depth; ++i) xml += "<a>";
  xml += "x";
  for (int i = 0; i < depth; ++i) xml += "</a>";
  return xml;
}

LONG Count(IXMLDOMNode *node, const char *query) {
  CComPtr<IXMLDOMNodeList> list;
  EXPECT_EQ(S_OK, node->selectNodes(CComBSTR(query), &list)) << query;
  LONG length = -1;
  if (list) {
    EXPECT_EQ(S_OK, list->get_length(&length));
  }
  return length;
}

} // namespace

TEST(XmlRobustness, DeepNestingParsesSerialisesSelectsAndEditsWithoutRecursion) {
  const std::string xml = Nested(kDeep);
  CComPtr<IXMLDOMDocument> doc = LoadDocument(xml.c_str());
  EXPECT_EQ(xml + "\n", XmlOf(doc));
  EXPECT_EQ("x", TextOf(doc));
  EXPECT_EQ(kDeep, Count(doc, "//a"));
  CComPtr<IXMLDOMNode> deepest = SelectOne(doc, "(//a)[last()]");
  EXPECT_EQ("x", TextOf(deepest));
  // Replacing the top element's text detaches the rest of the tree, which stays whole: the
  // deepest node still sees its ancestors from the second level down.
  CComPtr<IXMLDOMNode> top = SelectOne(doc, "a");
  ASSERT_EQ(S_OK, top->put_text(CComBSTR("flat")));
  EXPECT_EQ("x", TextOf(deepest));
  EXPECT_EQ(kDeep - 2, Count(deepest, "ancestor::a"));
  EXPECT_EQ("<a>flat</a>\n", XmlOf(doc));
}

TEST(XmlRobustness, ManySiblingsAndHugeTexts) {
  std::string xml = "<r>";
  for (int i = 0; i < 100000; ++i) xml += "<k v='" + std::to_string(i) + "'/>";
  const std::string huge(4 << 20, 'z');
  xml += "<big a='" + huge + "'>" + huge + "</big></r>";
  CComPtr<IXMLDOMDocument> doc = LoadDocument(xml.c_str());
  CComPtr<IXMLDOMNode> root = SelectOne(doc, "r");
  EXPECT_EQ(100000, Count(root, "k"));
  EXPECT_EQ("99999", TextOf(SelectOne(root, "k[@v='99999']/@v")));
  EXPECT_EQ(huge.size(), TextOf(SelectOne(root, "big")).size());
  EXPECT_EQ(huge.size(), TextOf(SelectOne(root, "big/@a")).size());
}

TEST(XmlRobustness, EntitiesAndDoctypesAreNeverExpandedOrFetched) {
  // The classic tricks: an external entity, a billion laughs, a parameter entity.
  CComPtr<IXMLDOMDocument> doc =
      LoadDocument("<!DOCTYPE r [<!ENTITY x SYSTEM 'file:///etc/passwd'>"
                   "<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>"
                   "<!ENTITY % p SYSTEM 'http://example.invalid/p.dtd'> %p;]>"
                   "<r><e>&x;</e><l>&b;</l><ok>&lt;&#65;&#x42;</ok></r>");
  CComPtr<IXMLDOMNode> root = SelectOne(doc, "r");
  EXPECT_EQ("&x;", TextOf(SelectOne(root, "e")));
  EXPECT_EQ("&b;", TextOf(SelectOne(root, "l")));
  EXPECT_EQ("<AB", TextOf(SelectOne(root, "ok")));
  // The document type is not kept.
  EXPECT_EQ(std::string::npos, XmlOf(doc).find("DOCTYPE"));
}

TEST(XmlRobustness, DeeplyNestedQueriesAndDoctypesFailCleanly) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument("<r/>");
  std::string query(kDeep, '(');
  query += "r";
  query += std::string(kDeep, ')');
  CComPtr<IXMLDOMNode> node;
  EXPECT_EQ(E_FAIL, doc->selectSingleNode(CComBSTR(query.c_str()), &node));
  std::string doctype = "<!DOCTYPE r [";
  for (int i = 0; i < kDeep; ++i) doctype += "<![INCLUDE[";
  for (int i = 0; i < kDeep; ++i) doctype += "]]>";
  doctype += "]><r/>";
  VARIANT_BOOL ok = VARIANT_FALSE;
  const HRESULT hr = doc->loadXML(CComBSTR(doctype.c_str()), &ok);
  EXPECT_TRUE(hr == S_OK || hr == S_FALSE);
}

TEST(XmlRobustness, TextSurvivesEveryCharacterClass) {
  CComPtr<IXMLDOMDocument> doc = NewDocument();
  CComPtr<IXMLDOMElement> element = CreateElement(doc, "t");
  ASSERT_EQ(S_OK, doc->appendChild(element, nullptr));
  const std::u16string text = u"a\r\nb\t<&>\"' \u00e9\u4e2d\U0001F3AC]]>";
  ASSERT_EQ(S_OK, element->put_text(CComBSTR(text)));
  CComBSTR xml;
  ASSERT_EQ(S_OK, doc->get_xml(&xml));
  CComPtr<IXMLDOMDocument> again = NewDocument();
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(S_OK, again->loadXML(xml, &ok));
  CComBSTR back;
  ASSERT_EQ(S_OK, SelectOne(again, "t")->get_text(&back));
  // Reading XML turns every line end into a line feed.
  std::u16string expected = text;
  expected.erase(expected.find(u'\r'), 1);
  EXPECT_EQ(expected, std::u16string(back.m_str, back.Length()));
}
