// The DOM objects here offer no late binding: the four IDispatch slots of each of them answer
// E_NOTIMPL, and hosts call the interfaces' own slots.
#pragma once

#include <msxml2.h>

template <class Interface> class XmlWithoutDispatch : public Interface {
public:
  STDMETHODIMP GetTypeInfoCount(UINT *) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *,
                      UINT *) override {
    return E_NOTIMPL;
  }
};
