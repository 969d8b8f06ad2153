#include "platform/xml/XmlNodeObject.h"

#include "platform/xml/XmlSupport.h"

XmlNodeObject::XmlNodeObject(XmlDocument &owner, XmlNodeRef ref)
    : owner(&owner), ref(std::move(ref)) {}

HRESULT XmlNodeObject::Create(XmlDocument &owner, XmlNodeRef ref, IXMLDOMNode **node) {
  *node = nullptr;
  auto *object = new (std::nothrow) XmlNodeObject(owner, std::move(ref));
  if (!object) return E_OUTOFMEMORY;
  *node = object; // the object starts with the one reference handed out
  return S_OK;
}

HRESULT XmlNodeObject::QueryInterface(REFIID riid, void **ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (QueryCommon(riid, ppv)) return S_OK;
  if (riid == IID_IXMLDOMElement && ref.IsElement()) {
    *ppv = static_cast<IXMLDOMElement *>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT XmlNodeObject::get_tagName(BSTR *tagName) {
  if (!tagName) return E_INVALIDARG;
  *tagName = nullptr;
  if (!ref.IsElement()) return E_FAIL;
  return ZrqComBoundary([&] { return XmlMakeBstr(ref.node.name(), tagName); });
}

HRESULT XmlNodeObject::getAttribute(BSTR name, VARIANT *value) {
  if (!name || !value) return E_INVALIDARG;
  return ZrqComBoundary([&] {
    if (!ref.IsElement()) return E_FAIL;
    const pugi::xml_attribute attribute = ref.node.attribute(XmlFromBstr(name).c_str());
    if (!attribute) {
      value->vt = VT_NULL;
      return S_FALSE;
    }
    BSTR text = nullptr;
    const HRESULT hr = XmlMakeBstr(attribute.value(), &text);
    if (FAILED(hr)) return hr;
    value->vt = VT_BSTR;
    value->bstrVal = text;
    return S_OK;
  });
}

HRESULT XmlNodeObject::setAttribute(BSTR name, VARIANT value) {
  if (!name) return E_INVALIDARG;
  return ZrqComBoundary([&] {
    if (!ref.IsElement()) return E_FAIL;
    const std::string attributeName = XmlFromBstr(name);
    if (!XmlIsValidName(attributeName)) return E_INVALIDARG;
    CComVariant text;
    const HRESULT hr = VariantChangeType(&text, &value, 0, VT_BSTR);
    if (FAILED(hr)) return hr;
    pugi::xml_attribute attribute = ref.node.attribute(attributeName.c_str());
    if (!attribute) attribute = pugi::xml_node(ref.node).append_attribute(attributeName.c_str());
    return attribute && attribute.set_value(XmlFromBstr(text.bstrVal).c_str()) ? S_OK
                                                                               : E_OUTOFMEMORY;
  });
}

HRESULT XmlNodeObject::removeAttribute(BSTR name) {
  if (!name) return E_INVALIDARG;
  return ZrqComBoundary([&] {
    if (!ref.IsElement()) return E_FAIL;
    // Removing an attribute that is not there is not an error.
    pugi::xml_node(ref.node).remove_attribute(XmlFromBstr(name).c_str());
    return S_OK;
  });
}

HRESULT XmlNodeObject::getElementsByTagName(BSTR tagName, IXMLDOMNodeList **list) {
  return XmlNodeOps::GetElementsByTagName(*owner.p, ref, tagName, list);
}
