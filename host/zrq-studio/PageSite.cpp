#include "host/zrq-studio/PageSite.h"

#include <new>

namespace {
// English (United States), what the page's strings are written in.
constexpr LCID kEnglishUnitedStates = 0x0409;
} // namespace

HRESULT PageSite::Create(std::function<void(DWORD)> onStatusChange,
                         IPropertyPageSite **site) noexcept {
  if (!site) return E_POINTER;
  *site = new (std::nothrow) PageSite(std::move(onStatusChange));
  return *site ? S_OK : E_OUTOFMEMORY;
}

HRESULT PageSite::QueryInterface(REFIID riid, void **object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IPropertyPageSite) {
    *object = static_cast<IPropertyPageSite *>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG PageSite::AddRef() { return ++references; }

ULONG PageSite::Release() {
  const ULONG left = --references;
  if (left == 0) delete this;
  return left;
}

HRESULT PageSite::OnStatusChange(DWORD flags) {
  if (onStatusChange) onStatusChange(flags);
  return S_OK;
}

HRESULT PageSite::GetLocaleID(LCID *locale) {
  if (!locale) return E_POINTER;
  *locale = kEnglishUnitedStates;
  return S_OK;
}

HRESULT PageSite::GetPageContainer(IUnknown **container) {
  if (container) *container = nullptr;
  return E_NOTIMPL;
}

HRESULT PageSite::TranslateAccelerator(MSG *) { return S_FALSE; }
