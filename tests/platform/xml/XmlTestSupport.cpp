#include "platform/xml/XmlTestSupport.h"

#include <gtest/gtest.h>

CComPtr<IXMLDOMDocument> NewDocument() {
  CComPtr<IXMLDOMDocument> doc;
  EXPECT_EQ(S_OK, ZrqCreateXMLDOMDocument(IID_IXMLDOMDocument, reinterpret_cast<void **>(&doc)));
  return doc;
}

CComPtr<IXMLDOMDocument> LoadDocument(const char *xml) {
  CComPtr<IXMLDOMDocument> doc = NewDocument();
  VARIANT_BOOL ok = VARIANT_FALSE;
  EXPECT_EQ(S_OK, doc->loadXML(CComBSTR(xml), &ok)) << xml;
  EXPECT_EQ(VARIANT_TRUE, ok);
  return doc;
}

std::string XmlOf(IXMLDOMNode *node) {
  CComBSTR xml;
  EXPECT_EQ(S_OK, node->get_xml(&xml));
  return ZrqToUtf8(xml, xml.Length());
}

std::string TextOf(IXMLDOMNode *node) {
  CComBSTR text;
  EXPECT_EQ(S_OK, node->get_text(&text));
  return ZrqToUtf8(text, text.Length());
}

CComPtr<IXMLDOMElement> CreateElement(IXMLDOMDocument *doc, const char *name) {
  CComPtr<IXMLDOMElement> element;
  EXPECT_EQ(S_OK, doc->createElement(CComBSTR(name), &element));
  return element;
}

CComPtr<IXMLDOMNode> SelectOne(IXMLDOMNode *node, const char *query) {
  CComPtr<IXMLDOMNode> found;
  EXPECT_EQ(S_OK, node->selectSingleNode(CComBSTR(query), &found)) << query;
  return found;
}
