// Building, parsing, serialising, loading and saving documents, node lifetime, and the
// answers to bad arguments.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/xml/XmlTestSupport.h"

namespace {

std::string TempPath(const char *name) {
  return (std::filesystem::temp_directory_path() /
          (std::string("zrq-xml-") + std::to_string(::getpid()) + name))
      .string();
}

CComVariant PathVariant(const std::string &path) { return CComVariant(path.c_str()); }

} // namespace

TEST(XmlDocumentBuild, AppendsCreatedElementsIntoATree) {
  CComPtr<IXMLDOMDocument> doc = NewDocument();
  CComPtr<IXMLDOMElement> root = CreateElement(doc, "Project");
  CComPtr<IXMLDOMNode> appended;
  ASSERT_EQ(S_OK, doc->appendChild(root, &appended));
  EXPECT_EQ(static_cast<IXMLDOMNode *>(root), appended.p);

  CComPtr<IXMLDOMElement> child = CreateElement(doc, "Effect");
  // A created element belongs to no parent and is not part of the document yet.
  CComPtr<IXMLDOMNode> parent;
  EXPECT_EQ(S_FALSE, child->get_parentNode(&parent));
  EXPECT_EQ(nullptr, parent.p);
  EXPECT_EQ("<Project/>\n", XmlOf(doc));

  ASSERT_EQ(S_OK, child->setAttribute(CComBSTR("Name"), CComVariant("a<\"b\">&c")));
  ASSERT_EQ(S_OK, child->put_text(CComBSTR("x < y & z")));
  ASSERT_EQ(S_OK, root->appendChild(child, nullptr));
  EXPECT_EQ(
      "<Project><Effect Name=\"a&lt;&quot;b&quot;>&amp;c\">x &lt; y &amp; z</Effect></Project>\n",
      XmlOf(doc));

  ASSERT_EQ(S_OK, child->get_parentNode(&parent));
  CComBSTR name;
  ASSERT_EQ(S_OK, parent->get_nodeName(&name));
  EXPECT_EQ(u"Project", std::u16string(name.m_str));

  // Only one document element.
  EXPECT_EQ(E_FAIL, doc->appendChild(CreateElement(doc, "Second"), nullptr));
  // Not into its own subtree.
  EXPECT_EQ(E_FAIL, child->appendChild(root, nullptr));
}

TEST(XmlDocumentBuild, NamesNodesAndGivesOwnerAndElementInterface) {
  CComPtr<IXMLDOMDocument> doc =
      LoadDocument("<?xml version=\"1.0\"?><!--c--><a>t<![CDATA[d]]><b/></a>");
  CComPtr<IXMLDOMElement> root;
  ASSERT_EQ(S_OK, doc->get_documentElement(&root));
  CComPtr<IXMLDOMNodeList> children;
  ASSERT_EQ(S_OK, root->get_childNodes(&children));
  LONG length = 0;
  ASSERT_EQ(S_OK, children->get_length(&length));
  ASSERT_EQ(3, length);
  const DOMNodeType expected[] = {NODE_TEXT, NODE_CDATA_SECTION, NODE_ELEMENT};
  for (LONG i = 0; i < length; ++i) {
    CComPtr<IXMLDOMNode> node;
    ASSERT_EQ(S_OK, children->get_item(i, &node));
    DOMNodeType type = NODE_INVALID;
    ASSERT_EQ(S_OK, node->get_nodeType(&type));
    EXPECT_EQ(expected[i], type);
    CComPtr<IXMLDOMElement> element;
    EXPECT_EQ(type == NODE_ELEMENT ? S_OK : E_NOINTERFACE,
              node->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void **>(&element)));
    CComPtr<IXMLDOMDocument> owner;
    ASSERT_EQ(S_OK, node->get_ownerDocument(&owner));
    EXPECT_EQ(doc.p, owner.p);
  }
  EXPECT_EQ("td", TextOf(root));
  DOMNodeType type = NODE_INVALID;
  ASSERT_EQ(S_OK, doc->get_nodeType(&type));
  EXPECT_EQ(NODE_DOCUMENT, type);
  CComPtr<IXMLDOMNode> docParent;
  ASSERT_EQ(S_OK, root->get_parentNode(&docParent));
  EXPECT_EQ(static_cast<IXMLDOMNode *>(doc.p), docParent.p);
  // The declaration and comment stay with the document.
  EXPECT_EQ("<?xml version=\"1.0\"?>\n<!--c-->\n<a>t<![CDATA[d]]><b/></a>\n", XmlOf(doc));
}

TEST(XmlDocumentBuild, PutTextReplacesChildrenAndKeepsHeldNodesUsable) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument("<a><b>1</b><c/></a>");
  CComPtr<IXMLDOMNode> root = SelectOne(doc, "a");
  CComPtr<IXMLDOMNode> b = SelectOne(root, "b");
  ASSERT_EQ(S_OK, root->put_text(CComBSTR("new")));
  EXPECT_EQ("<a>new</a>\n", XmlOf(doc));
  // The replaced child lives on, detached.
  EXPECT_EQ("<b>1</b>", XmlOf(b));
  CComPtr<IXMLDOMNode> parent;
  EXPECT_EQ(S_FALSE, b->get_parentNode(&parent));
  ASSERT_EQ(S_OK, root->put_text(CComBSTR("")));
  EXPECT_EQ("<a/>\n", XmlOf(doc));
}

TEST(XmlDocumentBuild, RemoveChildDetachesAndCanBeAppendedAgain) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument("<a><b/><c/></a>");
  CComPtr<IXMLDOMNode> root = SelectOne(doc, "a");
  CComPtr<IXMLDOMNode> b = SelectOne(root, "b");
  CComPtr<IXMLDOMNode> removed;
  ASSERT_EQ(S_OK, root->removeChild(b, &removed));
  EXPECT_EQ(b.p, removed.p);
  EXPECT_EQ("<a><c/></a>\n", XmlOf(doc));
  // Not a child any more.
  EXPECT_EQ(E_INVALIDARG, root->removeChild(b, nullptr));
  // A detached node is not found from the document.
  CComPtr<IXMLDOMNode> none;
  EXPECT_EQ(S_FALSE, doc->selectSingleNode(CComBSTR("//b"), &none));
  ASSERT_EQ(S_OK, root->appendChild(b, nullptr));
  EXPECT_EQ("<a><c/><b/></a>\n", XmlOf(doc));
}

TEST(XmlDocumentLoad, MalformedTextFailsWithSFalseAndEmptiesTheDocument) {
  const char *bad[] = {
      "",         "   ",          "<a>",          "<a></b>",        "text",
      "<a/><b/>", "<a/>trailing", "<a x='1></a>", "<a><!-- --</a>", "<?xml version='1.0'?>"};
  for (const char *xml : bad) {
    CComPtr<IXMLDOMDocument> doc = LoadDocument("<old/>");
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(S_FALSE, doc->loadXML(CComBSTR(xml), &ok)) << xml;
    EXPECT_EQ(VARIANT_FALSE, ok) << xml;
    CComPtr<IXMLDOMElement> root;
    EXPECT_EQ(S_FALSE, doc->get_documentElement(&root)) << xml;
    EXPECT_EQ("", XmlOf(doc)) << xml;
  }
  CComPtr<IXMLDOMDocument> doc = NewDocument();
  EXPECT_EQ(S_FALSE, doc->loadXML(nullptr, nullptr));
}

TEST(XmlDocumentLoad, NodesOfEarlierContentSurviveANewLoad) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument("<a><b>old</b></a>");
  CComPtr<IXMLDOMNode> b = SelectOne(doc, "a/b");
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(S_OK, doc->loadXML(CComBSTR("<z/>"), &ok));
  EXPECT_EQ("old", TextOf(b));
  // It belongs to the earlier content, not to the new tree.
  CComPtr<IXMLDOMNode> z = SelectOne(doc, "z");
  EXPECT_EQ(E_INVALIDARG, z->appendChild(b, nullptr));
}

TEST(XmlDocumentFile, SaveAndLoadRoundTripThroughAFile) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument(
      "<Project><Value>caf\xC3\xA9 \xF0\x9F\x8E\xAC</Value><Mixed>a<b/>c</Mixed></Project>");
  const std::string path = TempPath("-roundtrip.xml");
  ASSERT_EQ(S_OK, doc->save(PathVariant(path)));

  std::ifstream file(path, std::ios::binary);
  std::stringstream contents;
  contents << file.rdbuf();
  EXPECT_EQ(0u, contents.str().rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0));

  CComPtr<IXMLDOMDocument> again = NewDocument();
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(S_OK, again->load(PathVariant(path), &ok));
  EXPECT_EQ(VARIANT_TRUE, ok);
  EXPECT_EQ(XmlOf(SelectOne(doc, "Project")), XmlOf(SelectOne(again, "Project")));
  // No temporary file is left beside it.
  int files = 0;
  for (const auto &entry :
       std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
    files += entry.path().string().rfind(path, 0) == 0;
  }
  EXPECT_EQ(1, files);
  std::remove(path.c_str());
}

TEST(XmlDocumentFile, LoadAndSaveFailuresAreReported) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument("<a/>");
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(S_FALSE, doc->load(PathVariant(TempPath("-missing.xml")), &ok));
  EXPECT_EQ(VARIANT_FALSE, ok);
  EXPECT_EQ(E_INVALIDARG, doc->load(CComVariant(5), &ok));
  ASSERT_EQ(S_OK, doc->loadXML(CComBSTR("<a/>"), &ok));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
            doc->save(PathVariant("/nonexistent-dir/x.xml")));
  EXPECT_EQ(E_INVALIDARG, doc->save(CComVariant(1.0)));
  EXPECT_EQ(E_FAIL, NewDocument()->save(PathVariant(TempPath("-empty.xml"))));
}

TEST(XmlDocumentLifetime, NodesAndListsKeepTheDocumentAlive) {
  CComPtr<IXMLDOMNode> node;
  CComPtr<IXMLDOMNodeList> list;
  CComPtr<IXMLDOMElement> detached;
  {
    CComPtr<IXMLDOMDocument> doc = LoadDocument("<a><b>1</b><b>2</b></a>");
    node = SelectOne(doc, "a/b");
    ASSERT_EQ(S_OK, doc->selectNodes(CComBSTR("a/b"), &list));
    detached = CreateElement(doc, "c");
  }
  // The host has released the document; under AddressSanitizer any dangling use shows here.
  EXPECT_EQ("1", TextOf(node));
  CComPtr<IXMLDOMNode> second;
  ASSERT_EQ(S_OK, list->get_item(1, &second));
  EXPECT_EQ("2", TextOf(second));
  ASSERT_EQ(S_OK, detached->appendChild(node, nullptr));
  EXPECT_EQ("<c><b>1</b></c>", XmlOf(detached));
  CComPtr<IXMLDOMDocument> owner;
  ASSERT_EQ(S_OK, node->get_ownerDocument(&owner));
  EXPECT_EQ("<a><b>2</b></a>\n", XmlOf(owner));
}

TEST(XmlDocumentArguments, NullPointersAndForeignArgumentsAreRefused) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument("<a b='1'/>");
  CComPtr<IXMLDOMElement> root;
  ASSERT_EQ(S_OK, doc->get_documentElement(&root));
  EXPECT_EQ(E_POINTER, ZrqCreateXMLDOMDocument(IID_IXMLDOMDocument, nullptr));
  void *unknown = reinterpret_cast<void *>(1);
  EXPECT_EQ(E_NOINTERFACE, ZrqCreateXMLDOMDocument(IID_IClassFactory, &unknown));
  EXPECT_EQ(nullptr, unknown);
  EXPECT_EQ(E_INVALIDARG, root->get_nodeName(nullptr));
  EXPECT_EQ(E_INVALIDARG, root->get_text(nullptr));
  EXPECT_EQ(E_INVALIDARG, root->get_xml(nullptr));
  EXPECT_EQ(E_INVALIDARG, root->get_nodeTypedValue(nullptr));
  EXPECT_EQ(E_INVALIDARG, root->get_dataType(nullptr));
  EXPECT_EQ(E_INVALIDARG, root->put_dataType(nullptr));
  EXPECT_EQ(E_INVALIDARG, root->get_ownerDocument(nullptr));
  EXPECT_EQ(E_INVALIDARG, root->get_childNodes(nullptr));
  EXPECT_EQ(E_INVALIDARG, root->selectNodes(CComBSTR("x"), nullptr));
  EXPECT_EQ(E_INVALIDARG, root->selectSingleNode(CComBSTR("x"), nullptr));
  EXPECT_EQ(E_INVALIDARG, root->appendChild(nullptr, nullptr));
  EXPECT_EQ(E_INVALIDARG, root->getAttribute(CComBSTR("b"), nullptr));
  EXPECT_EQ(E_INVALIDARG, root->getAttribute(nullptr, nullptr));
  EXPECT_EQ(E_INVALIDARG, root->setAttribute(nullptr, CComVariant(1)));
  EXPECT_EQ(E_INVALIDARG, root->setAttribute(CComBSTR("a b"), CComVariant(1)));
  EXPECT_EQ(E_INVALIDARG, doc->createElement(CComBSTR("x"), nullptr));
  EXPECT_EQ(E_INVALIDARG, doc->get_documentElement(nullptr));
  CComPtr<IXMLDOMElement> element;
  EXPECT_EQ(E_INVALIDARG, doc->createElement(nullptr, &element));
  for (const char *name : {"", "1x", "a b", "a<b", "a/b"}) {
    EXPECT_EQ(E_FAIL, doc->createElement(CComBSTR(name), &element)) << name;
    EXPECT_EQ(nullptr, element.p);
  }
  // A node of another document cannot be appended.
  CComPtr<IXMLDOMDocument> other = NewDocument();
  EXPECT_EQ(E_INVALIDARG, root->appendChild(CreateElement(other, "x"), nullptr));
  // The dispatch slots are present but not supported.
  UINT count = 0;
  EXPECT_EQ(E_NOTIMPL, root->GetTypeInfoCount(&count));
}

TEST(XmlDocumentAttributes, GetAttributeGivesTextOrNull) {
  CComPtr<IXMLDOMDocument> doc = LoadDocument("<a Name='Effect Value'/>");
  CComPtr<IXMLDOMElement> root;
  ASSERT_EQ(S_OK, doc->get_documentElement(&root));
  CComVariant value;
  ASSERT_EQ(S_OK, root->getAttribute(CComBSTR("Name"), &value));
  ASSERT_EQ(VT_BSTR, value.vt);
  EXPECT_EQ(u"Effect Value", std::u16string(value.bstrVal));
  VARIANT missing;
  missing.vt = VT_I4;
  EXPECT_EQ(S_FALSE, root->getAttribute(CComBSTR("Other"), &missing));
  EXPECT_EQ(VT_NULL, missing.vt);
  ASSERT_EQ(S_OK, root->setAttribute(CComBSTR("Count"), CComVariant(42)));
  ASSERT_EQ(S_OK, root->setAttribute(CComBSTR("Name"), CComVariant("x")));
  EXPECT_EQ("<a Name=\"x\" Count=\"42\"/>", XmlOf(root));
}
