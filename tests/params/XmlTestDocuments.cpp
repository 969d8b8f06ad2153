#include "XmlTestDocuments.h"

#include <sstream>

#include "effect/EffectParameterTable.h"
#include "params/EffectParameters.h"

CComPtr<IXMLDOMDocument> NewDocument() {
  CComPtr<IXMLDOMDocument> document;
  EXPECT_EQ(ZrqCreateXMLDOMDocument(IID_IXMLDOMDocument, reinterpret_cast<void **>(&document)),
            S_OK);
  return document;
}

CComPtr<IXMLDOMDocument> ParseDocument(const std::string &xml) {
  CComPtr<IXMLDOMDocument> document = NewDocument();
  VARIANT_BOOL loaded = VARIANT_FALSE;
  EXPECT_EQ(document->loadXML(CComBSTR(xml.c_str()), &loaded), S_OK) << xml.substr(0, 200);
  EXPECT_EQ(loaded, VARIANT_TRUE);
  return document;
}

CComPtr<IXMLDOMElement> DocumentElement(IXMLDOMDocument *document) {
  CComPtr<IXMLDOMElement> element;
  EXPECT_EQ(document->get_documentElement(&element), S_OK);
  return element;
}

CComPtr<IXMLDOMElement> NewHostElement(const char *name) {
  CComPtr<IXMLDOMDocument> document = NewDocument();
  CComPtr<IXMLDOMElement> element;
  EXPECT_EQ(document->createElement(CComBSTR(name), &element), S_OK);
  EXPECT_EQ(document->appendChild(element, nullptr), S_OK);
  return element;
}

std::string Typed(const std::string &tag, const std::string &type, const std::string &text) {
  return "<" + tag + " xmlns:dt=\"urn:schemas-microsoft-com:datatypes\" dt:dt=\"" + type + "\">" +
         text + "</" + tag + ">";
}

namespace {
std::string Utf8(BSTR text) { return ZrqToUtf8(text, SysStringLen(text)); }
} // namespace

std::string XmlOf(IXMLDOMNode *node) {
  CComBSTR xml;
  EXPECT_EQ(node->get_xml(&xml), S_OK);
  return Utf8(xml);
}

std::string TextOf(IXMLDOMNode *node) {
  CComBSTR text;
  EXPECT_EQ(node->get_text(&text), S_OK);
  return Utf8(text);
}

std::string NameOf(IXMLDOMNode *node) {
  CComBSTR name;
  EXPECT_EQ(node->get_nodeName(&name), S_OK);
  return Utf8(name);
}

std::string DataTypeOf(IXMLDOMNode *node) {
  // The attribute as written: get_dataType reports no type for "string", as it is the default.
  CComPtr<IXMLDOMElement> element;
  CComVariant type;
  if (FAILED(node->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void **>(&element))) ||
      element->getAttribute(CComBSTR("dt:dt"), &type) != S_OK) {
    return "";
  }
  return type.vt == VT_BSTR ? Utf8(type.bstrVal) : "";
}

std::vector<CComPtr<IXMLDOMNode>> ChildElements(IXMLDOMNode *node) {
  std::vector<CComPtr<IXMLDOMNode>> children;
  CComPtr<IXMLDOMNodeList> list;
  EXPECT_EQ(node->selectNodes(CComBSTR("*"), &list), S_OK);
  for (;;) {
    CComPtr<IXMLDOMNode> child;
    if (list->nextNode(&child) != S_OK) break;
    children.push_back(child);
  }
  return children;
}

std::vector<std::string> ChildNames(IXMLDOMNode *node) {
  std::vector<std::string> names;
  for (const auto &child : ChildElements(node)) names.push_back(NameOf(child));
  return names;
}

CComPtr<IEffectParameters> NewEffectParameters() {
  CComPtr<IEffectParameters> parameters;
  EXPECT_EQ(EffectParameters::Create(IID_IEffectParameters, reinterpret_cast<void **>(&parameters)),
            S_OK);
  EXPECT_EQ(RegisterEffectParameters(*static_cast<EffectParameters *>(parameters.p)), S_OK);
  return parameters;
}

HRESULT LoadXml(IEffectParameters *parameters, const std::string &xml) {
  CComPtr<IXMLDOMDocument> document = ParseDocument(xml);
  return parameters->LoadParameters(DocumentElement(document));
}

namespace {

// The type and a text of the value: exact for numbers, as it is for strings.
std::string ValueText(const VARIANT &value) {
  std::ostringstream out;
  out << "vt" << value.vt << ":";
  CComVariant text;
  if (value.vt == VT_R8) {
    out.precision(17);
    out << value.dblVal;
  } else if (SUCCEEDED(text.ChangeType(VT_BSTR, &value))) {
    out << Utf8(text.bstrVal);
  }
  return out.str();
}

} // namespace

std::string Describe(IEffectParameters *parameters, const std::vector<LONG> &keyFrameIds) {
  std::ostringstream out;
  for (ULONG index = 0;; ++index) {
    LONG id = 0;
    if (parameters->GetParameterId(index, &id) != S_OK) break;
    CComVariant value, low, high, def;
    CComBSTR name, desc;
    LONG usage = 0;
    EXPECT_EQ(parameters->GetParameterInfo(id, &value, &low, &high, &def, &name, &desc, &usage),
              S_OK);
    out << "record " << id << " value " << ValueText(value) << " min " << ValueText(low) << " max "
        << ValueText(high) << " def " << ValueText(def) << " name '"
        << (name ? Utf8(name) : "<absent>") << "' desc '" << (desc ? Utf8(desc) : "<absent>")
        << "' usage " << usage << "\n";
  }
  for (const LONG id : keyFrameIds) {
    ULONG count = 0;
    EXPECT_EQ(parameters->GetKeyFrameCount(id, &count), S_OK);
    std::vector<double> times(count);
    std::vector<LONG> codes(count);
    if (count > 0) {
      EXPECT_EQ(parameters->GetKeyFrameTimes(id, times.data(), codes.data()), S_OK);
    }
    for (ULONG i = 0; i < count; ++i) {
      CComVariant value;
      EXPECT_EQ(parameters->GetKeyFrameValue(times[i], codes[i], id, &value), S_OK);
      out << "key frame " << id << " group " << codes[i] << " at " << times[i] << " "
          << ValueText(value) << "\n";
    }
  }
  return out.str();
}
