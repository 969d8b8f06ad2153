#include "platform/xml/XmlNodeList.h"

#include <new>

XmlNodeList::XmlNodeList(XmlDocument &owner, std::vector<XmlNodeRef> items)
    : owner(&owner), items(std::move(items)) {}

HRESULT XmlNodeList::Create(XmlDocument &owner, std::vector<XmlNodeRef> items,
                            IXMLDOMNodeList **list) {
  *list = nullptr;
  auto *object = new (std::nothrow) XmlNodeList(owner, std::move(items));
  if (!object) return E_OUTOFMEMORY;
  *list = object;
  return S_OK;
}

HRESULT XmlNodeList::QueryInterface(REFIID riid, void **ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDispatch && riid != IID_IXMLDOMNodeList)
    return E_NOINTERFACE;
  *ppv = static_cast<IXMLDOMNodeList *>(this);
  AddRef();
  return S_OK;
}

ULONG XmlNodeList::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refCount)); }

ULONG XmlNodeList::Release() {
  const LONG count = InterlockedDecrement(&refCount);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

HRESULT XmlNodeList::get_item(LONG index, IXMLDOMNode **item) {
  if (!item) return E_INVALIDARG;
  *item = nullptr;
  if (index < 0 || static_cast<size_t>(index) >= items.size()) return S_FALSE;
  return owner->WrapNode(items[static_cast<size_t>(index)], item);
}

HRESULT XmlNodeList::get_length(LONG *length) {
  if (!length) return E_INVALIDARG;
  *length = static_cast<LONG>(items.size());
  return S_OK;
}

HRESULT XmlNodeList::nextNode(IXMLDOMNode **item) {
  if (!item) return E_INVALIDARG;
  *item = nullptr;
  if (cursor >= items.size()) return S_FALSE;
  const HRESULT hr = owner->WrapNode(items[cursor], item);
  if (SUCCEEDED(hr)) ++cursor;
  return hr;
}

HRESULT XmlNodeList::reset() {
  cursor = 0;
  return S_OK;
}
