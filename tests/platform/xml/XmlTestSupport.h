// Helpers for the DOM tests: documents from snippets, and node text as UTF-8.
#pragma once

#include <string>

#include <atlcomcli.h>
#include <msxml2.h>

CComPtr<IXMLDOMDocument> NewDocument();
// A document loaded from xml; the test fails when it does not load.
CComPtr<IXMLDOMDocument> LoadDocument(const char *xml);
std::string XmlOf(IXMLDOMNode *node);
std::string TextOf(IXMLDOMNode *node);
CComPtr<IXMLDOMElement> CreateElement(IXMLDOMDocument *doc, const char *name);
CComPtr<IXMLDOMNode> SelectOne(IXMLDOMNode *node, const char *query);
