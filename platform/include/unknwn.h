// The root interface and the class factory. Interfaces are structs of pure virtual methods in
// slot order without a virtual destructor, so a C caller indexing the table of functions sees
// the same slots as on Windows.
#pragma once

#include <type_traits>

#include "guiddef.h"
#include "winerror.h"

// {00000000-0000-0000-C000-000000000046}
DEFINE_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
// {00000001-0000-0000-C000-000000000046}
DEFINE_GUID(IID_IClassFactory, 0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

struct IUnknown {
  STDMETHOD(QueryInterface)(REFIID riid, void **ppvObject) PURE;
  STDMETHOD_(ULONG, AddRef)() PURE;
  STDMETHOD_(ULONG, Release)() PURE;
};
typedef IUnknown *LPUNKNOWN;
ZRQ_DECLARE_UUID(IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

struct IClassFactory : public IUnknown {
  STDMETHOD(CreateInstance)(IUnknown *pUnkOuter, REFIID riid, void **ppvObject) PURE;
  STDMETHOD(LockServer)(BOOL fLock) PURE;
};
typedef IClassFactory *LPCLASSFACTORY;
ZRQ_DECLARE_UUID(IClassFactory, 0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
