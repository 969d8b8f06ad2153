// Type libraries: ITypeLib and the functions that load, register and unregister them. The
// SDK spreads these over oaidl.h and oleauto.h; oleauto.h includes this file.
#pragma once

#include "oaidl.h"

typedef enum tagSYSKIND { SYS_WIN16 = 0, SYS_WIN32 = 1, SYS_MAC = 2, SYS_WIN64 = 3 } SYSKIND;

typedef enum tagTYPEKIND {
  TKIND_ENUM = 0,
  TKIND_RECORD = 1,
  TKIND_MODULE = 2,
  TKIND_INTERFACE = 3,
  TKIND_DISPATCH = 4,
  TKIND_COCLASS = 5,
  TKIND_ALIAS = 6,
  TKIND_UNION = 7,
  TKIND_MAX = 8
} TYPEKIND;

typedef enum tagREGKIND { REGKIND_DEFAULT = 0, REGKIND_REGISTER = 1, REGKIND_NONE = 2 } REGKIND;

#define LIBFLAG_FRESTRICTED 0x1
#define LIBFLAG_FCONTROL 0x2
#define LIBFLAG_FHIDDEN 0x4
#define LIBFLAG_FHASDISKIMAGE 0x8

typedef struct tagTLIBATTR {
  GUID guid;
  LCID lcid;
  SYSKIND syskind;
  WORD wMajorVerNum;
  WORD wMinorVerNum;
  WORD wLibFlags;
} TLIBATTR, *LPTLIBATTR;

typedef struct ITypeComp ITypeComp;

// {00020402-0000-0000-C000-000000000046}
DEFINE_GUID(IID_ITypeLib, 0x00020402, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
            0x46);

#ifdef __cplusplus

// The type descriptions themselves (ITypeInfo, ITypeComp) are not offered here: the calls
// that would hand them out answer E_NOTIMPL.
struct ITypeLib : public IUnknown {
  STDMETHOD_(UINT, GetTypeInfoCount)() PURE;
  STDMETHOD(GetTypeInfo)(UINT index, ITypeInfo **ppTInfo) PURE;
  STDMETHOD(GetTypeInfoType)(UINT index, TYPEKIND *pTKind) PURE;
  STDMETHOD(GetTypeInfoOfGuid)(REFGUID guid, ITypeInfo **ppTinfo) PURE;
  STDMETHOD(GetLibAttr)(TLIBATTR **ppTLibAttr) PURE;
  STDMETHOD(GetTypeComp)(ITypeComp **ppTComp) PURE;
  STDMETHOD(GetDocumentation)
  (INT index, BSTR *pBstrName, BSTR *pBstrDocString, DWORD *pdwHelpContext,
   BSTR *pBstrHelpFile) PURE;
  STDMETHOD(IsName)(LPOLESTR szNameBuf, ULONG lHashVal, BOOL *pfName) PURE;
  STDMETHOD(FindName)
  (LPOLESTR szNameBuf, ULONG lHashVal, ITypeInfo **ppTInfo, MEMBERID *rgMemId,
   USHORT *pcFound) PURE;
  STDMETHOD_(void, ReleaseTLibAttr)(TLIBATTR *pTLibAttr) PURE;
};
typedef ITypeLib *LPTYPELIB;
ZRQ_DECLARE_UUID_OF_IID(ITypeLib);

#else

typedef struct ITypeLib ITypeLib;
typedef struct ITypeLibVtbl {
  HRESULT(STDMETHODCALLTYPE *QueryInterface)(ITypeLib *This, REFIID riid, void **ppvObject);
  ULONG(STDMETHODCALLTYPE *AddRef)(ITypeLib *This);
  ULONG(STDMETHODCALLTYPE *Release)(ITypeLib *This);
  UINT(STDMETHODCALLTYPE *GetTypeInfoCount)(ITypeLib *This);
  HRESULT(STDMETHODCALLTYPE *GetTypeInfo)(ITypeLib *This, UINT index, ITypeInfo **ppTInfo);
  HRESULT(STDMETHODCALLTYPE *GetTypeInfoType)(ITypeLib *This, UINT index, TYPEKIND *pTKind);
  HRESULT(STDMETHODCALLTYPE *GetTypeInfoOfGuid)(ITypeLib *This, REFGUID guid, ITypeInfo **ppTinfo);
  HRESULT(STDMETHODCALLTYPE *GetLibAttr)(ITypeLib *This, TLIBATTR **ppTLibAttr);
  HRESULT(STDMETHODCALLTYPE *GetTypeComp)(ITypeLib *This, ITypeComp **ppTComp);
  HRESULT(STDMETHODCALLTYPE *GetDocumentation)
  (ITypeLib *This, INT index, BSTR *pBstrName, BSTR *pBstrDocString, DWORD *pdwHelpContext,
   BSTR *pBstrHelpFile);
  HRESULT(STDMETHODCALLTYPE *IsName)
  (ITypeLib *This, LPOLESTR szNameBuf, ULONG lHashVal, BOOL *pfName);
  HRESULT(STDMETHODCALLTYPE *FindName)
  (ITypeLib *This, LPOLESTR szNameBuf, ULONG lHashVal, ITypeInfo **ppTInfo, MEMBERID *rgMemId,
   USHORT *pcFound);
  void(STDMETHODCALLTYPE *ReleaseTLibAttr)(ITypeLib *This, TLIBATTR *pTLibAttr);
} ITypeLibVtbl;
struct ITypeLib {
  CONST_VTBL ITypeLibVtbl *lpVtbl;
};
typedef ITypeLib *LPTYPELIB;

#endif

// Loads a type library from a type-library file, or from resource "TYPELIB" 1 of a module
// (another resource with "path\N"). TYPE_E_CANTLOADLIBRARY when the file cannot be loaded
// or holds none, TYPE_E_INVDATAREAD when the library is damaged, TYPE_E_UNSUPFORMAT for a
// format other than the current binary one. LoadTypeLib and REGKIND_DEFAULT do not register.
WINOLEAUTAPI LoadTypeLib(LPCOLESTR szFile, ITypeLib **pptlib);
WINOLEAUTAPI LoadTypeLibEx(LPCOLESTR szFile, REGKIND regkind, ITypeLib **pptlib);

// Writes HKEY_CLASSES_ROOT\TypeLib\{libid}\major.minor (hexadecimal) with the help string
// (or the library's name), its "lcid\win64" (or win32, ...) path, FLAGS and HELPDIR.
// Registry failures give TYPE_E_REGISTRYACCESS.
WINOLEAUTAPI RegisterTypeLib(ITypeLib *ptlib, LPCOLESTR szFullPath, LPCOLESTR szHelpDir);
// Removes what RegisterTypeLib wrote for that locale and system, and the version's and the
// library's keys once nothing else is left in them. TYPE_E_REGISTRYACCESS when the library
// is not registered in that version.
WINOLEAUTAPI UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID lcid,
                               SYSKIND syskind);
