// A loaded type library, as ITypeLib: its attributes, its documentation and its types'
// kinds. The type descriptions themselves (ITypeInfo) are not offered.
#pragma once

#include "platform/ole/TypeLibReader.h"

namespace zrq::ole {

class TypeLibrary final : public ITypeLib {
public:
  [[nodiscard]] static HRESULT Create(TypeLibDescription description, ITypeLib **library) noexcept;

  STDMETHODIMP QueryInterface(REFIID riid, void **ppvObject) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP_(UINT) GetTypeInfoCount() override;
  STDMETHODIMP GetTypeInfo(UINT index, ITypeInfo **ppTInfo) override;
  STDMETHODIMP GetTypeInfoType(UINT index, TYPEKIND *pTKind) override;
  STDMETHODIMP GetTypeInfoOfGuid(REFGUID guid, ITypeInfo **ppTinfo) override;
  STDMETHODIMP GetLibAttr(TLIBATTR **ppTLibAttr) override;
  STDMETHODIMP GetTypeComp(ITypeComp **ppTComp) override;
  STDMETHODIMP GetDocumentation(INT index, BSTR *pBstrName, BSTR *pBstrDocString,
                                DWORD *pdwHelpContext, BSTR *pBstrHelpFile) override;
  STDMETHODIMP IsName(LPOLESTR szNameBuf, ULONG lHashVal, BOOL *pfName) override;
  STDMETHODIMP FindName(LPOLESTR szNameBuf, ULONG lHashVal, ITypeInfo **ppTInfo, MEMBERID *rgMemId,
                        USHORT *pcFound) override;
  STDMETHODIMP_(void) ReleaseTLibAttr(TLIBATTR *pTLibAttr) override;

private:
  explicit TypeLibrary(TypeLibDescription description) : description(std::move(description)) {}
  ~TypeLibrary() = default;

  LONG referenceCount = 1;
  const TypeLibDescription description;
};

} // namespace zrq::ole
