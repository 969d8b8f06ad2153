// OLE controls: the property-page query that an object answers with the class identifiers of
// its pages.
#pragma once

#include "objbase.h"

// A counted array of GUIDs in memory from the task allocator; the receiver frees pElems.
typedef struct tagCAUUID {
  ULONG cElems;
  GUID *pElems;
} CAUUID, *LPCAUUID;

// {B196B28B-BAB4-101A-B69C-00AA00341D07}
DEFINE_GUID(IID_ISpecifyPropertyPages, 0xB196B28B, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);

#ifdef __cplusplus

struct ISpecifyPropertyPages : public IUnknown {
  STDMETHOD(GetPages)(CAUUID *pPages) PURE;
};
ZRQ_DECLARE_UUID(ISpecifyPropertyPages, 0xB196B28B, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D,
                 0x07);

#else

typedef struct ISpecifyPropertyPages ISpecifyPropertyPages;
typedef struct ISpecifyPropertyPagesVtbl {
  HRESULT(STDMETHODCALLTYPE *QueryInterface)(ISpecifyPropertyPages *This, REFIID riid, void **ppvObject);
  ULONG(STDMETHODCALLTYPE *AddRef)(ISpecifyPropertyPages *This);
  ULONG(STDMETHODCALLTYPE *Release)(ISpecifyPropertyPages *This);
  HRESULT(STDMETHODCALLTYPE *GetPages)(ISpecifyPropertyPages *This, CAUUID *pPages);
} ISpecifyPropertyPagesVtbl;
struct ISpecifyPropertyPages {
  CONST_VTBL ISpecifyPropertyPagesVtbl *lpVtbl;
};

#endif
