// Documents and parameter sets for the XML tests: documents parsed from snippets, typed
// elements written the way the DOM writes them, and a text description of a whole parameter
// set to compare before and after.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <atlcomcli.h>
#include <msxml2.h>

#include "params/IEffectParameters.h"

CComPtr<IXMLDOMDocument> NewDocument();
// A document parsed from xml; the test fails when it does not parse.
CComPtr<IXMLDOMDocument> ParseDocument(const std::string &xml);
CComPtr<IXMLDOMElement> DocumentElement(IXMLDOMDocument *document);
// A new document whose element is named name.
CComPtr<IXMLDOMElement> NewHostElement(const char *name = "Host");

// <tag xmlns:dt="..." dt:dt="type">text</tag>
std::string Typed(const std::string &tag, const std::string &type, const std::string &text);

std::string XmlOf(IXMLDOMNode *node);
std::string TextOf(IXMLDOMNode *node);
std::string NameOf(IXMLDOMNode *node);
// The data type an element is written with (its dt:dt attribute), or "" when it has none.
std::string DataTypeOf(IXMLDOMNode *node);
std::vector<CComPtr<IXMLDOMNode>> ChildElements(IXMLDOMNode *node);
std::vector<std::string> ChildNames(IXMLDOMNode *node);

// A new effect's parameter set: "Inputs" 1000, "Effect ID" 0, "Effect Value" 21 and
// "Current Time" 20, with no key frames.
CComPtr<IEffectParameters> NewEffectParameters();
// Loads xml's document element into parameters.
HRESULT LoadXml(IEffectParameters *parameters, const std::string &xml);

// Every record (all fields) and every key frame of the given ids, in one string.
std::string Describe(IEffectParameters *parameters,
                     const std::vector<LONG> &keyFrameIds = {0, 1000, 20, 21, 77});
