// The frame's side of the property page: the page reports through it that it has changes to
// apply, and passes on keys it does not use (the studio has no accelerators of the frame's
// own, so none are taken).
#pragma once

#include <ocidl.h>
#include <windows.h>

#include <atomic>
#include <functional>

class PageSite final : public IPropertyPageSite {
public:
  // A new site, referenced once by *site. `onDirty` hears every status change with its flags.
  [[nodiscard]] static HRESULT Create(std::function<void(DWORD)> onStatusChange,
                                      IPropertyPageSite **site) noexcept;

  STDMETHODIMP QueryInterface(REFIID riid, void **object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP OnStatusChange(DWORD flags) override;
  STDMETHODIMP GetLocaleID(LCID *locale) override;
  STDMETHODIMP GetPageContainer(IUnknown **container) override;
  STDMETHODIMP TranslateAccelerator(MSG *message) override;

private:
  explicit PageSite(std::function<void(DWORD)> onStatusChange)
      : onStatusChange(std::move(onStatusChange)) {}
  ~PageSite() = default;

  std::atomic<ULONG> references{1};
  std::function<void(DWORD)> onStatusChange;
};
