#include "platform/ole/TypeLibrary.h"

#include <objbase.h>

#include <new>

namespace zrq::ole {
namespace {

// Hands out a copy of `text`, or null for none; false when it cannot be allocated.
bool Give(const std::u16string &text, BSTR *out) {
  if (out == nullptr) return true;
  *out = nullptr;
  if (text.empty()) return true;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out != nullptr;
}

} // namespace

HRESULT TypeLibrary::Create(TypeLibDescription description, ITypeLib **library) noexcept {
  if (library == nullptr) return E_POINTER;
  *library = new (std::nothrow) TypeLibrary(std::move(description));
  return *library ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP TypeLibrary::QueryInterface(REFIID riid, void **ppvObject) {
  if (ppvObject == nullptr) return E_POINTER;
  *ppvObject = nullptr;
  if (riid != IID_IUnknown && riid != IID_ITypeLib) return E_NOINTERFACE;
  AddRef();
  *ppvObject = static_cast<ITypeLib *>(this);
  return S_OK;
}

STDMETHODIMP_(ULONG) TypeLibrary::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&referenceCount));
}

STDMETHODIMP_(ULONG) TypeLibrary::Release() {
  const LONG count = InterlockedDecrement(&referenceCount);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

STDMETHODIMP_(UINT) TypeLibrary::GetTypeInfoCount() {
  return static_cast<UINT>(description.types.size());
}

STDMETHODIMP TypeLibrary::GetTypeInfo(UINT, ITypeInfo **ppTInfo) {
  if (ppTInfo == nullptr) return E_INVALIDARG;
  *ppTInfo = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP TypeLibrary::GetTypeInfoType(UINT index, TYPEKIND *pTKind) {
  if (pTKind == nullptr) return E_INVALIDARG;
  if (index >= description.types.size()) return TYPE_E_ELEMENTNOTFOUND;
  *pTKind = description.types[index].kind;
  return S_OK;
}

STDMETHODIMP TypeLibrary::GetTypeInfoOfGuid(REFGUID, ITypeInfo **ppTinfo) {
  if (ppTinfo == nullptr) return E_INVALIDARG;
  *ppTinfo = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP TypeLibrary::GetLibAttr(TLIBATTR **ppTLibAttr) {
  if (ppTLibAttr == nullptr) return E_INVALIDARG;
  *ppTLibAttr = static_cast<TLIBATTR *>(CoTaskMemAlloc(sizeof(TLIBATTR)));
  if (*ppTLibAttr == nullptr) return E_OUTOFMEMORY;
  **ppTLibAttr = description.attributes;
  return S_OK;
}

STDMETHODIMP TypeLibrary::GetTypeComp(ITypeComp **ppTComp) {
  if (ppTComp == nullptr) return E_INVALIDARG;
  *ppTComp = nullptr;
  return E_NOTIMPL;
}

// Index -1 documents the library itself.
STDMETHODIMP TypeLibrary::GetDocumentation(INT index, BSTR *pBstrName, BSTR *pBstrDocString,
                                           DWORD *pdwHelpContext, BSTR *pBstrHelpFile) {
  if (index < -1 || (index >= 0 && static_cast<size_t>(index) >= description.types.size()))
    return TYPE_E_ELEMENTNOTFOUND;
  const bool library = index == -1;
  const std::u16string &name = library ? description.name : description.types[index].name;
  const std::u16string &doc = library ? description.docString : description.types[index].docString;
  BSTR *outputs[] = {pBstrName, pBstrDocString, pBstrHelpFile};
  if (!Give(name, pBstrName) || !Give(doc, pBstrDocString) ||
      !Give(description.helpFile, pBstrHelpFile)) {
    for (BSTR *out : outputs) {
      if (out != nullptr) SysFreeString(*out), *out = nullptr;
    }
    return E_OUTOFMEMORY;
  }
  if (pdwHelpContext != nullptr)
    *pdwHelpContext = library ? description.helpContext : description.types[index].helpContext;
  return S_OK;
}

STDMETHODIMP TypeLibrary::IsName(LPOLESTR szNameBuf, ULONG, BOOL *pfName) {
  if (szNameBuf == nullptr || pfName == nullptr) return E_INVALIDARG;
  *pfName = FALSE;
  return E_NOTIMPL;
}

STDMETHODIMP TypeLibrary::FindName(LPOLESTR szNameBuf, ULONG, ITypeInfo **ppTInfo, MEMBERID *,
                                   USHORT *pcFound) {
  if (szNameBuf == nullptr || ppTInfo == nullptr || pcFound == nullptr) return E_INVALIDARG;
  *pcFound = 0;
  return E_NOTIMPL;
}

STDMETHODIMP_(void) TypeLibrary::ReleaseTLibAttr(TLIBATTR *pTLibAttr) { CoTaskMemFree(pTLibAttr); }

} // namespace zrq::ole
