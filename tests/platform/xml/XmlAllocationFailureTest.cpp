// The DOM when memory runs out: every method answers E_OUTOFMEMORY and leaves the document as
// it was. This program's allocation functions fail the n-th allocation on demand.
#include "XmlTestSupport.h"

#include "support/FailingAllocator.h"

#include <gtest/gtest.h>

namespace {

constexpr const char *kSample = "<root a=\"1\"><child>text</child><child b=\"2\"/></root>";

// Runs `edit` on the sample document with each allocation failing in turn: a failed edit
// leaves the document's XML as it was.
template <typename Edit> void EditFailsWhole(Edit edit) {
  CComPtr<IXMLDOMDocument> document = LoadDocument(kSample);
  const std::string before = XmlOf(document);
  const long failed = WithEachAllocationFailing([&] { return edit(document.p); },
                                                [&](HRESULT hr) {
                                                  if (hr != S_OK) {
                                                    EXPECT_EQ(XmlOf(document), before);
                                                  }
                                                });
  EXPECT_GT(failed, 0) << "the edit allocates, so some attempts must fail";
  EXPECT_NE(XmlOf(document), before) << "the edit that succeeded changed the document";
}

TEST(XmlAllocationFailure, EditsFailWholeWithOutOfMemory) {
  EditFailsWhole([](IXMLDOMDocument *document) {
    CComPtr<IXMLDOMElement> element;
    HRESULT hr = document->createElement(CComBSTR(u"added"), &element);
    CComPtr<IXMLDOMElement> root;
    if (SUCCEEDED(hr)) hr = document->get_documentElement(&root);
    CComPtr<IXMLDOMNode> appended;
    if (SUCCEEDED(hr)) hr = root->appendChild(element, &appended);
    return hr;
  });
  EditFailsWhole([](IXMLDOMDocument *document) {
    CComPtr<IXMLDOMElement> root;
    HRESULT hr = document->get_documentElement(&root);
    return SUCCEEDED(hr) ? root->setAttribute(CComBSTR(u"c"), CComVariant(u"three")) : hr;
  });
  EditFailsWhole([](IXMLDOMDocument *document) {
    CComPtr<IXMLDOMElement> root;
    HRESULT hr = document->get_documentElement(&root);
    return SUCCEEDED(hr) ? root->put_text(CComBSTR(u"all new")) : hr;
  });
}

TEST(XmlAllocationFailure, ReadsReportOutOfMemoryAndThenSucceed) {
  CComPtr<IXMLDOMDocument> document = LoadDocument(kSample);
  WithEachAllocationFailing(
      [&] {
        CComBSTR xml;
        return document->get_xml(&xml);
      },
      [](HRESULT) {});
  WithEachAllocationFailing(
      [&] {
        CComPtr<IXMLDOMNodeList> list;
        HRESULT hr = document->selectNodes(CComBSTR(u"//child"), &list);
        LONG length = 0;
        if (SUCCEEDED(hr)) hr = list->get_length(&length);
        return SUCCEEDED(hr) && length != 2 ? E_FAIL : hr;
      },
      [](HRESULT) {});
}

TEST(XmlAllocationFailure, ALoadThatRunsOutOfMemorySaysSo) {
  WithEachAllocationFailing(
      [] {
        CComPtr<IXMLDOMDocument> document;
        HRESULT hr =
            ZrqCreateXMLDOMDocument(IID_IXMLDOMDocument, reinterpret_cast<void **>(&document));
        VARIANT_BOOL loaded = VARIANT_FALSE;
        if (SUCCEEDED(hr)) hr = document->loadXML(CComBSTR(u"<a><b c='d'>e</b></a>"), &loaded);
        return hr == S_OK && loaded != VARIANT_TRUE ? E_FAIL : hr;
      },
      [](HRESULT) {});
}

} // namespace
