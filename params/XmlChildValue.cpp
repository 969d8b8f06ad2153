#include "params/XmlChildValue.h"

#include <atlcomcli.h>

LPCOLESTR XmlDataTypeNameOf(VARTYPE vt) noexcept {
  switch (vt) {
  case VT_BOOL:
    return u"boolean";
  case VT_I2:
    return u"i2";
  case VT_I4:
    return u"i4";
  case VT_R4:
    return u"r4";
  case VT_R8:
    return u"r8";
  case VT_I1:
  case VT_UI1:
    return u"ui1";
  case VT_UI2:
    return u"ui2";
  case VT_UI4:
    return u"ui4";
  case VT_BSTR:
    return u"string";
  default:
    return nullptr;
  }
}

namespace {

// The value as it is written: a Boolean is true for any non-zero value, a signed byte goes
// out as its unsigned bits. Everything else is written as it is held.
VARIANT WrittenForm(const VARIANT &value) {
  VARIANT written = value;
  if (value.vt == VT_BOOL) {
    written.boolVal = value.boolVal != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (value.vt == VT_I1) {
    written.vt = VT_UI1;
    written.bVal = static_cast<BYTE>(value.cVal);
  }
  return written;
}

} // namespace

HRESULT WriteChildValue(IXMLDOMDocument *document, IXMLDOMNode *parent, LPCOLESTR tag,
                        const VARIANT &value) noexcept {
  const LPCOLESTR typeName = XmlDataTypeNameOf(value.vt);
  if (typeName == nullptr) return S_FALSE;
  CComBSTR tagName(tag);
  CComBSTR dataType(typeName);
  if (!tagName || !dataType) return E_OUTOFMEMORY;
  CComPtr<IXMLDOMElement> element;
  HRESULT hr = document->createElement(tagName, &element);
  if (FAILED(hr)) return hr;
  if (!element) return E_FAIL;
  hr = element->put_dataType(dataType);
  if (FAILED(hr)) return hr;
  // The written form borrows a string value; the DOM copies what it is given.
  hr = element->put_nodeTypedValue(WrittenForm(value));
  if (FAILED(hr)) return hr;
  return parent->appendChild(element, nullptr);
}

HRESULT ReadChildValue(IXMLDOMNode *element, LPCOLESTR tag, VARIANT *value) noexcept {
  VariantClear(value);
  CComBSTR query(tag);
  if (!query) return E_OUTOFMEMORY;
  CComPtr<IXMLDOMNode> child;
  const HRESULT hr = element->selectSingleNode(query, &child);
  if (hr != S_OK) return hr;
  if (!child) return E_FAIL;
  return child->get_nodeTypedValue(value);
}

HRESULT ReadChildValueAs(IXMLDOMNode *element, LPCOLESTR tag, VARTYPE vt, VARIANT *value) noexcept {
  HRESULT hr = ReadChildValue(element, tag, value);
  if (hr != S_OK) return hr;
  hr = VariantChangeType(value, value, 0, vt);
  if (FAILED(hr)) VariantClear(value);
  return hr;
}

HRESULT ReadChildText(IXMLDOMNode *element, LPCOLESTR tag, BSTR *text) noexcept {
  CComVariant value;
  HRESULT hr = ReadChildValue(element, tag, &value);
  if (hr != S_OK) return hr;
  if (value.vt == VT_NULL) {
    value.Clear();
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(u"");
    if (value.bstrVal == nullptr) return E_OUTOFMEMORY;
  } else if (value.vt != VT_BSTR) {
    hr = VariantChangeType(&value, &value, 0, VT_BSTR);
    if (FAILED(hr)) return hr;
  }
  SysFreeString(*text);
  *text = value.bstrVal;
  value.vt = VT_EMPTY;
  return S_OK;
}
