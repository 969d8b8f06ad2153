// OLE controls: the property-page query that an object answers with the class identifiers of
// its pages, and the property page with the site its frame gives it.
#pragma once

#include "objbase.h"

// A counted array of GUIDs in memory from the task allocator; the receiver frees pElems.
typedef struct tagCAUUID {
  ULONG cElems;
  GUID *pElems;
} CAUUID, *LPCAUUID;

// {B196B28B-BAB4-101A-B69C-00AA00341D07}
DEFINE_GUID(IID_ISpecifyPropertyPages, 0xB196B28B, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00,
            0x34, 0x1D, 0x07);

#ifdef __cplusplus

struct ISpecifyPropertyPages : public IUnknown {
  STDMETHOD(GetPages)(CAUUID *pPages) PURE;
};
ZRQ_DECLARE_UUID_OF_IID(ISpecifyPropertyPages);

#else

typedef struct ISpecifyPropertyPages ISpecifyPropertyPages;
typedef struct ISpecifyPropertyPagesVtbl {
  HRESULT(STDMETHODCALLTYPE *QueryInterface)
  (ISpecifyPropertyPages *This, REFIID riid, void **ppvObject);
  ULONG(STDMETHODCALLTYPE *AddRef)(ISpecifyPropertyPages *This);
  ULONG(STDMETHODCALLTYPE *Release)(ISpecifyPropertyPages *This);
  HRESULT(STDMETHODCALLTYPE *GetPages)(ISpecifyPropertyPages *This, CAUUID *pPages);
} ISpecifyPropertyPagesVtbl;
struct ISpecifyPropertyPages {
  CONST_VTBL ISpecifyPropertyPagesVtbl *lpVtbl;
};

#endif

// What a page tells its frame about itself. The three strings come from the task allocator and
// belong to the caller; size is in pixels.
typedef struct tagPROPPAGEINFO {
  ULONG cb;
  LPOLESTR pszTitle;
  SIZE size;
  LPOLESTR pszDocString;
  LPOLESTR pszHelpFile;
  DWORD dwHelpContext;
} PROPPAGEINFO, *LPPROPPAGEINFO;

// IPropertyPageSite::OnStatusChange flags.
#define PROPPAGESTATUS_DIRTY 0x1
#define PROPPAGESTATUS_VALIDATE 0x2
#define PROPPAGESTATUS_CLEAN 0x4

// A window message, as winuser.h defines it; pages only pass it on.
typedef struct tagMSG MSG;
typedef DWORD LCID;
typedef const RECT *LPCRECT;

// {B196B28C-BAB4-101A-B69C-00AA00341D07}
DEFINE_GUID(IID_IPropertyPageSite, 0xB196B28C, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34,
            0x1D, 0x07);
// {B196B28D-BAB4-101A-B69C-00AA00341D07}
DEFINE_GUID(IID_IPropertyPage, 0xB196B28D, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D,
            0x07);

#ifdef __cplusplus

// The frame's side of one page: the page reports changes and passes keys it does not use.
struct IPropertyPageSite : public IUnknown {
  STDMETHOD(OnStatusChange)(DWORD dwFlags) PURE;
  STDMETHOD(GetLocaleID)(LCID *pLocaleID) PURE;
  STDMETHOD(GetPageContainer)(IUnknown **ppUnk) PURE;
  STDMETHOD(TranslateAccelerator)(MSG *pMsg) PURE;
};
ZRQ_DECLARE_UUID_OF_IID(IPropertyPageSite);

// One page of a property frame: a child dialog over the objects the frame hands in.
struct IPropertyPage : public IUnknown {
  STDMETHOD(SetPageSite)(IPropertyPageSite *pPageSite) PURE;
  STDMETHOD(Activate)(HWND hWndParent, LPCRECT pRect, BOOL bModal) PURE;
  STDMETHOD(Deactivate)() PURE;
  STDMETHOD(GetPageInfo)(PROPPAGEINFO *pPageInfo) PURE;
  STDMETHOD(SetObjects)(ULONG cObjects, IUnknown **ppUnk) PURE;
  STDMETHOD(Show)(UINT nCmdShow) PURE;
  STDMETHOD(Move)(LPCRECT pRect) PURE;
  STDMETHOD(IsPageDirty)() PURE;
  STDMETHOD(Apply)() PURE;
  STDMETHOD(Help)(LPCOLESTR pszHelpDir) PURE;
  STDMETHOD(TranslateAccelerator)(MSG *pMsg) PURE;
};
ZRQ_DECLARE_UUID_OF_IID(IPropertyPage);

#else

typedef struct IPropertyPageSite IPropertyPageSite;
typedef struct IPropertyPageSiteVtbl {
  HRESULT(STDMETHODCALLTYPE *QueryInterface)
  (IPropertyPageSite *This, REFIID riid, void **ppvObject);
  ULONG(STDMETHODCALLTYPE *AddRef)(IPropertyPageSite *This);
  ULONG(STDMETHODCALLTYPE *Release)(IPropertyPageSite *This);
  HRESULT(STDMETHODCALLTYPE *OnStatusChange)(IPropertyPageSite *This, DWORD dwFlags);
  HRESULT(STDMETHODCALLTYPE *GetLocaleID)(IPropertyPageSite *This, LCID *pLocaleID);
  HRESULT(STDMETHODCALLTYPE *GetPageContainer)(IPropertyPageSite *This, IUnknown **ppUnk);
  HRESULT(STDMETHODCALLTYPE *TranslateAccelerator)(IPropertyPageSite *This, MSG *pMsg);
} IPropertyPageSiteVtbl;
struct IPropertyPageSite {
  CONST_VTBL IPropertyPageSiteVtbl *lpVtbl;
};

typedef struct IPropertyPage IPropertyPage;
typedef struct IPropertyPageVtbl {
  HRESULT(STDMETHODCALLTYPE *QueryInterface)(IPropertyPage *This, REFIID riid, void **ppvObject);
  ULONG(STDMETHODCALLTYPE *AddRef)(IPropertyPage *This);
  ULONG(STDMETHODCALLTYPE *Release)(IPropertyPage *This);
  HRESULT(STDMETHODCALLTYPE *SetPageSite)(IPropertyPage *This, IPropertyPageSite *pPageSite);
  HRESULT(STDMETHODCALLTYPE *Activate)
  (IPropertyPage *This, HWND hWndParent, LPCRECT pRect, BOOL bModal);
  HRESULT(STDMETHODCALLTYPE *Deactivate)(IPropertyPage *This);
  HRESULT(STDMETHODCALLTYPE *GetPageInfo)(IPropertyPage *This, PROPPAGEINFO *pPageInfo);
  HRESULT(STDMETHODCALLTYPE *SetObjects)(IPropertyPage *This, ULONG cObjects, IUnknown **ppUnk);
  HRESULT(STDMETHODCALLTYPE *Show)(IPropertyPage *This, UINT nCmdShow);
  HRESULT(STDMETHODCALLTYPE *Move)(IPropertyPage *This, LPCRECT pRect);
  HRESULT(STDMETHODCALLTYPE *IsPageDirty)(IPropertyPage *This);
  HRESULT(STDMETHODCALLTYPE *Apply)(IPropertyPage *This);
  HRESULT(STDMETHODCALLTYPE *Help)(IPropertyPage *This, LPCOLESTR pszHelpDir);
  HRESULT(STDMETHODCALLTYPE *TranslateAccelerator)(IPropertyPage *This, MSG *pMsg);
} IPropertyPageVtbl;
struct IPropertyPage {
  CONST_VTBL IPropertyPageVtbl *lpVtbl;
};

#ifdef COBJMACROS
#define IPropertyPage_QueryInterface(This, riid, ppv)                                              \
  (This)->lpVtbl->QueryInterface(This, riid, ppv)
#define IPropertyPage_AddRef(This) (This)->lpVtbl->AddRef(This)
#define IPropertyPage_Release(This) (This)->lpVtbl->Release(This)
#define IPropertyPage_SetPageSite(This, site) (This)->lpVtbl->SetPageSite(This, site)
#define IPropertyPage_Activate(This, parent, rect, modal)                                          \
  (This)->lpVtbl->Activate(This, parent, rect, modal)
#define IPropertyPage_Deactivate(This) (This)->lpVtbl->Deactivate(This)
#define IPropertyPage_GetPageInfo(This, info) (This)->lpVtbl->GetPageInfo(This, info)
#define IPropertyPage_SetObjects(This, count, objects)                                             \
  (This)->lpVtbl->SetObjects(This, count, objects)
#define IPropertyPage_Show(This, cmd) (This)->lpVtbl->Show(This, cmd)
#define IPropertyPage_Move(This, rect) (This)->lpVtbl->Move(This, rect)
#define IPropertyPage_IsPageDirty(This) (This)->lpVtbl->IsPageDirty(This)
#define IPropertyPage_Apply(This) (This)->lpVtbl->Apply(This)
#define IPropertyPage_Help(This, dir) (This)->lpVtbl->Help(This, dir)
#define IPropertyPage_TranslateAccelerator(This, msg)                                              \
  (This)->lpVtbl->TranslateAccelerator(This, msg)
#endif

#endif
