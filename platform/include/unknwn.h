// The root interface and the class factory. Interfaces are structs of pure virtual methods in
// slot order without a virtual destructor, so a C caller indexing the table of functions sees
// the same slots as on Windows.
#pragma once

#include "basetyps.h"
#include "guiddef.h"
#include "winerror.h"

// {00000000-0000-0000-C000-000000000046}
DEFINE_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
            0x46);
// {00000001-0000-0000-C000-000000000046}
DEFINE_GUID(IID_IClassFactory, 0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
            0x46);

#ifdef __cplusplus

struct IUnknown {
  STDMETHOD(QueryInterface)(REFIID riid, void **ppvObject) PURE;
  STDMETHOD_(ULONG, AddRef)() PURE;
  STDMETHOD_(ULONG, Release)() PURE;
};
typedef IUnknown *LPUNKNOWN;
ZRQ_DECLARE_UUID_OF_IID(IUnknown);

struct IClassFactory : public IUnknown {
  STDMETHOD(CreateInstance)(IUnknown *pUnkOuter, REFIID riid, void **ppvObject) PURE;
  STDMETHOD(LockServer)(BOOL fLock) PURE;
};
typedef IClassFactory *LPCLASSFACTORY;
ZRQ_DECLARE_UUID_OF_IID(IClassFactory);

#else // C: each interface is a pointer to its table of functions, first argument `This`.

typedef struct IUnknown IUnknown;
typedef struct IUnknownVtbl {
  HRESULT(STDMETHODCALLTYPE *QueryInterface)(IUnknown *This, REFIID riid, void **ppvObject);
  ULONG(STDMETHODCALLTYPE *AddRef)(IUnknown *This);
  ULONG(STDMETHODCALLTYPE *Release)(IUnknown *This);
} IUnknownVtbl;
struct IUnknown {
  CONST_VTBL IUnknownVtbl *lpVtbl;
};
typedef IUnknown *LPUNKNOWN;

typedef struct IClassFactory IClassFactory;
typedef struct IClassFactoryVtbl {
  HRESULT(STDMETHODCALLTYPE *QueryInterface)(IClassFactory *This, REFIID riid, void **ppvObject);
  ULONG(STDMETHODCALLTYPE *AddRef)(IClassFactory *This);
  ULONG(STDMETHODCALLTYPE *Release)(IClassFactory *This);
  HRESULT(STDMETHODCALLTYPE *CreateInstance)
  (IClassFactory *This, IUnknown *pUnkOuter, REFIID riid, void **ppvObject);
  HRESULT(STDMETHODCALLTYPE *LockServer)(IClassFactory *This, BOOL fLock);
} IClassFactoryVtbl;
struct IClassFactory {
  CONST_VTBL IClassFactoryVtbl *lpVtbl;
};
typedef IClassFactory *LPCLASSFACTORY;

#endif
