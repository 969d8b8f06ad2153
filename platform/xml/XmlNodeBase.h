// The shared implementation of IUnknown and IXMLDOMNode behind the document object
// and the node objects: one interlocked reference count, no late binding
// (XmlWithoutDispatch), and node slots that forward to XmlNodeOps.
#pragma once

#include "platform/xml/XmlWithoutDispatch.h"

#include <objbase.h>

#include "platform/xml/XmlNodeAccess.h"
#include "platform/xml/XmlNodeOps.h"

template <class Interface>
class XmlNodeBase : public XmlWithoutDispatch<Interface>, public XmlNodeAccess {
public:
  XmlNodeBase(const XmlNodeBase &) = delete;
  XmlNodeBase &operator=(const XmlNodeBase &) = delete;

  STDMETHODIMP_(ULONG) AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&refCount));
  }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG count = InterlockedDecrement(&refCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
  }

  STDMETHODIMP get_nodeName(BSTR *name) override { return XmlNodeOps::GetNodeName(Ref(), name); }
  STDMETHODIMP get_nodeValue(VARIANT *value) override {
    return XmlNodeOps::GetNodeValue(Ref(), value);
  }
  STDMETHODIMP put_nodeValue(VARIANT value) override {
    return XmlNodeOps::PutNodeValue(Ref(), value);
  }
  STDMETHODIMP get_nodeType(DOMNodeType *type) override {
    return XmlNodeOps::GetNodeType(Ref(), type);
  }
  STDMETHODIMP get_parentNode(IXMLDOMNode **parent) override {
    return XmlNodeOps::GetParentNode(Owner(), Ref(), parent);
  }
  STDMETHODIMP get_childNodes(IXMLDOMNodeList **list) override {
    return XmlNodeOps::GetChildNodes(Owner(), Ref(), list);
  }
  STDMETHODIMP get_firstChild(IXMLDOMNode **node) override {
    return XmlNodeOps::GetRelative(Owner(), Ref(), XmlNodeOps::Relative::FirstChild, node);
  }
  STDMETHODIMP get_lastChild(IXMLDOMNode **node) override {
    return XmlNodeOps::GetRelative(Owner(), Ref(), XmlNodeOps::Relative::LastChild, node);
  }
  STDMETHODIMP get_previousSibling(IXMLDOMNode **node) override {
    return XmlNodeOps::GetRelative(Owner(), Ref(), XmlNodeOps::Relative::PreviousSibling, node);
  }
  STDMETHODIMP get_nextSibling(IXMLDOMNode **node) override {
    return XmlNodeOps::GetRelative(Owner(), Ref(), XmlNodeOps::Relative::NextSibling, node);
  }
  STDMETHODIMP get_attributes(IXMLDOMNamedNodeMap **) override { return E_NOTIMPL; }
  STDMETHODIMP insertBefore(IXMLDOMNode *, VARIANT, IXMLDOMNode **) override { return E_NOTIMPL; }
  STDMETHODIMP replaceChild(IXMLDOMNode *, IXMLDOMNode *, IXMLDOMNode **) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP removeChild(IXMLDOMNode *child, IXMLDOMNode **oldChild) override {
    return XmlNodeOps::RemoveChild(Ref(), child, oldChild);
  }
  STDMETHODIMP appendChild(IXMLDOMNode *newChild, IXMLDOMNode **outNewChild) override {
    return XmlNodeOps::AppendChild(Ref(), newChild, outNewChild);
  }
  STDMETHODIMP hasChildNodes(VARIANT_BOOL *hasChild) override {
    return XmlNodeOps::HasChildNodes(Ref(), hasChild);
  }
  STDMETHODIMP get_ownerDocument(IXMLDOMDocument **document) override {
    return XmlNodeOps::GetOwnerDocument(Owner(), Ref(), document);
  }
  STDMETHODIMP cloneNode(VARIANT_BOOL, IXMLDOMNode **) override { return E_NOTIMPL; }
  STDMETHODIMP get_nodeTypeString(BSTR *typeName) override {
    return XmlNodeOps::GetNodeTypeString(Ref(), typeName);
  }
  STDMETHODIMP get_text(BSTR *text) override { return XmlNodeOps::GetText(Ref(), text); }
  STDMETHODIMP put_text(BSTR text) override { return XmlNodeOps::PutText(Ref(), text); }
  STDMETHODIMP get_specified(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP get_definition(IXMLDOMNode **) override { return E_NOTIMPL; }
  STDMETHODIMP get_nodeTypedValue(VARIANT *value) override {
    return XmlNodeOps::GetNodeTypedValue(Ref(), value);
  }
  STDMETHODIMP put_nodeTypedValue(VARIANT value) override {
    return XmlNodeOps::PutNodeTypedValue(Ref(), value);
  }
  STDMETHODIMP get_dataType(VARIANT *typeName) override {
    return XmlNodeOps::GetDataType(Ref(), typeName);
  }
  STDMETHODIMP put_dataType(BSTR typeName) override {
    return XmlNodeOps::PutDataType(Ref(), typeName);
  }
  STDMETHODIMP get_xml(BSTR *xml) override { return XmlNodeOps::GetXml(Ref(), xml); }
  STDMETHODIMP transformNode(IXMLDOMNode *, BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP selectNodes(BSTR query, IXMLDOMNodeList **list) override {
    return XmlNodeOps::SelectNodes(Owner(), Ref(), query, list);
  }
  STDMETHODIMP selectSingleNode(BSTR query, IXMLDOMNode **node) override {
    return XmlNodeOps::SelectSingleNode(Owner(), Ref(), query, node);
  }
  STDMETHODIMP get_parsed(VARIANT_BOOL *isParsed) override {
    if (!isParsed) return E_INVALIDARG;
    *isParsed = VARIANT_TRUE; // loading is always synchronous
    return S_OK;
  }
  STDMETHODIMP get_namespaceURI(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP get_prefix(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP get_baseName(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP transformNodeToObject(IXMLDOMNode *, VARIANT) override { return E_NOTIMPL; }

  const XmlNodeRef &AccessNodeRef() const override { return Ref(); }
  IUnknown *AccessUnknown() override { return static_cast<Interface *>(this); }

protected:
  XmlNodeBase() = default;
  virtual ~XmlNodeBase() = default;

  virtual XmlDocument &Owner() = 0;
  virtual const XmlNodeRef &Ref() const = 0;

  // The answers every node object gives; the derived QueryInterface adds its own.
  bool QueryCommon(REFIID riid, void **ppv) {
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IXMLDOMNode) {
      *ppv = static_cast<Interface *>(this);
    } else if (riid == IID_ZrqXmlNodeAccess) {
      *ppv = static_cast<XmlNodeAccess *>(this);
    } else {
      return false;
    }
    AddRef();
    return true;
  }

private:
  LONG refCount = 1;
};
