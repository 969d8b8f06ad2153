// A list of nodes as IXMLDOMNodeList: a snapshot taken when the list was made (the result of
// a selection, or the children at that moment), walked by index or with nextNode.
#pragma once

#include "platform/xml/XmlWithoutDispatch.h"

#include <vector>

#include <atlcomcli.h>

#include "platform/xml/XmlDocument.h"

class XmlNodeList final : public XmlWithoutDispatch<IXMLDOMNodeList> {
public:
  static HRESULT Create(XmlDocument &owner, std::vector<XmlNodeRef> items, IXMLDOMNodeList **list);

  STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP get_item(LONG index, IXMLDOMNode **item) override;
  STDMETHODIMP get_length(LONG *length) override;
  STDMETHODIMP nextNode(IXMLDOMNode **item) override;
  STDMETHODIMP reset() override;
  STDMETHODIMP get__newEnum(IUnknown **) override { return E_NOTIMPL; }

private:
  XmlNodeList(XmlDocument &owner, std::vector<XmlNodeRef> items);
  ~XmlNodeList() = default;

  LONG refCount = 1;
  CComPtr<XmlDocument> owner;
  std::vector<XmlNodeRef> items;
  // The next item nextNode hands out. Walking one list from two threads at once is not supported.
  size_t cursor = 0;
};
