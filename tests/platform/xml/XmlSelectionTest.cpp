// XPath selection and walking node lists.
#include <gtest/gtest.h>

#include "platform/xml/XmlTestSupport.h"

namespace {

constexpr const char *kSet =
    "<Host><ParameterSet>"
    "<Parameter><Value>1</Value><Name>Inputs</Name></Parameter>"
    "<Parameter Name='Effect Value'><Value>40</Value><Name>Effect Value</Name></Parameter>"
    "<Parameter Name=\"it's\"><Value>3</Value></Parameter>"
    "</ParameterSet></Host>";

std::vector<std::string> Walk(IXMLDOMNodeList *list) {
  std::vector<std::string> names;
  for (;;) {
    CComPtr<IXMLDOMNode> node;
    const HRESULT hr = list->nextNode(&node);
    if (hr != S_OK) {
      EXPECT_EQ(S_FALSE, hr);
      EXPECT_EQ(nullptr, node.p);
      break;
    }
    names.push_back(XmlOf(node));
  }
  return names;
}

} // namespace

TEST(XmlSelection, ChildNamesAndAttributePredicates) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument(kSet);
  CComPtr<IXMLDOMNode> host = SelectOne(doc, "Host");
  CComPtr<IXMLDOMNode> set = SelectOne(host, "ParameterSet");
  CComPtr<IXMLDOMNodeList> list;
  ASSERT_EQ(S_OK, set->selectNodes(CComBSTR("Parameter"), &list));
  LONG length = 0;
  ASSERT_EQ(S_OK, list->get_length(&length));
  EXPECT_EQ(3, length);

  CComPtr<IXMLDOMNode> named = SelectOne(set, "Parameter[@Name='Effect Value']");
  EXPECT_EQ("40", TextOf(SelectOne(named, "Value")));
  EXPECT_EQ("3", TextOf(SelectOne(set, "Parameter[@Name=\"it's\"]/Value")));
  // Only children: a grandchild is not found by its name alone.
  CComPtr<IXMLDOMNode> none;
  EXPECT_EQ(S_FALSE, host->selectSingleNode(CComBSTR("Value"), &none));
  EXPECT_EQ(nullptr, none.p);
  EXPECT_EQ(S_FALSE, set->selectSingleNode(CComBSTR("Parameter[@Name='Other']"), &none));
  // An attribute can be selected too.
  CComPtr<IXMLDOMNode> attribute = SelectOne(set, "Parameter/@Name");
  DOMNodeType type = NODE_INVALID;
  ASSERT_EQ(S_OK, attribute->get_nodeType(&type));
  EXPECT_EQ(NODE_ATTRIBUTE, type);
  EXPECT_EQ("Effect Value", TextOf(attribute));
}

TEST(XmlSelection, SyntaxErrorsFailWithoutThrowing) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument(kSet);
  for (const char *query : {"", "Parameter[", "///", "Parameter[@Name='x]", "count(", "@@"}) {
    CComPtr<IXMLDOMNode> node;
    EXPECT_EQ(E_FAIL, doc->selectSingleNode(CComBSTR(query), &node)) << query;
    CComPtr<IXMLDOMNodeList> list;
    EXPECT_EQ(E_FAIL, doc->selectNodes(CComBSTR(query), &list)) << query;
    EXPECT_EQ(nullptr, list.p);
  }
  // A query that gives a number, not nodes.
  CComPtr<IXMLDOMNodeList> list;
  EXPECT_EQ(E_FAIL, doc->selectNodes(CComBSTR("count(//Parameter)"), &list));
}

TEST(XmlSelection, NodeListWalksResetsAndIndexes) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument("<a><b>1</b><b>2</b><b>3</b></a>");
  CComPtr<IXMLDOMNodeList> list;
  ASSERT_EQ(S_OK, doc->selectNodes(CComBSTR("a/b"), &list));
  const std::vector<std::string> all = {"<b>1</b>", "<b>2</b>", "<b>3</b>"};
  EXPECT_EQ(all, Walk(list));
  EXPECT_EQ(std::vector<std::string>{}, Walk(list));
  ASSERT_EQ(S_OK, list->reset());
  EXPECT_EQ(all, Walk(list));
  CComPtr<IXMLDOMNode> item;
  EXPECT_EQ(S_OK, list->get_item(2, &item));
  EXPECT_EQ("3", TextOf(item));
  EXPECT_EQ(S_FALSE, list->get_item(3, &item));
  EXPECT_EQ(nullptr, item.p);
  EXPECT_EQ(S_FALSE, list->get_item(-1, &item));
  EXPECT_EQ(E_INVALIDARG, list->nextNode(nullptr));
  EXPECT_EQ(E_INVALIDARG, list->get_length(nullptr));
}

TEST(XmlSelection, DetachedSubtreesAreSearchableButHiddenFromTheDocument) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument("<root/>");
  CComPtr<IXMLDOMElement> group = CreateElement(doc, "Group");
  ASSERT_EQ(S_OK, group->appendChild(CreateElement(doc, "KeyFrame"), nullptr));
  ASSERT_EQ(S_OK, group->appendChild(CreateElement(doc, "KeyFrame"), nullptr));
  CComPtr<IXMLDOMNodeList> frames;
  ASSERT_EQ(S_OK, group->selectNodes(CComBSTR("KeyFrame"), &frames));
  LONG length = 0;
  ASSERT_EQ(S_OK, frames->get_length(&length));
  EXPECT_EQ(2, length);
  // Other detached elements and the document do not see into it.
  CComPtr<IXMLDOMElement> other = CreateElement(doc, "Other");
  CComPtr<IXMLDOMNodeList> found;
  ASSERT_EQ(S_OK, other->selectNodes(CComBSTR("//KeyFrame"), &found));
  ASSERT_EQ(S_OK, found->get_length(&length));
  EXPECT_EQ(0, length);
  found.Release();
  ASSERT_EQ(S_OK, doc->selectNodes(CComBSTR("//*"), &found));
  ASSERT_EQ(S_OK, found->get_length(&length));
  EXPECT_EQ(1, length);
}
