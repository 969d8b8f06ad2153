// A COM object for one node of a document (element, text, comment, attribute, ...). It holds
// a reference on the document object, so the document outlives every node a host still
// holds. It answers IXMLDOMElement only when the node is an element.
#pragma once

#include <atlcomcli.h>

#include "platform/xml/XmlDocument.h"
#include "platform/xml/XmlNodeBase.h"

class XmlNodeObject final : public XmlNodeBase<IXMLDOMElement> {
public:
  // Hands out a new node object for ref as IXMLDOMNode.
  static HRESULT Create(XmlDocument &owner, XmlNodeRef ref, IXMLDOMNode **node);

  STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;

  STDMETHODIMP get_tagName(BSTR *tagName) override;
  STDMETHODIMP getAttribute(BSTR name, VARIANT *value) override;
  STDMETHODIMP setAttribute(BSTR name, VARIANT value) override;
  STDMETHODIMP removeAttribute(BSTR name) override;
  STDMETHODIMP getAttributeNode(BSTR, IXMLDOMAttribute **) override { return E_NOTIMPL; }
  STDMETHODIMP setAttributeNode(IXMLDOMAttribute *, IXMLDOMAttribute **) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP removeAttributeNode(IXMLDOMAttribute *, IXMLDOMAttribute **) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP getElementsByTagName(BSTR tagName, IXMLDOMNodeList **list) override;
  STDMETHODIMP normalize() override { return E_NOTIMPL; }

protected:
  XmlDocument &Owner() override { return *owner.p; }
  const XmlNodeRef &Ref() const override { return ref; }

private:
  XmlNodeObject(XmlDocument &owner, XmlNodeRef ref);

  CComPtr<XmlDocument> owner;
  XmlNodeRef ref;
};
