// The effect's property page: a child dialog in which the user picks the effect by name, sets
// its value and key-frames that value along the clip's normalised time. Every change goes to
// the effect at once through its IEffectParameters, so the page never has pending changes.
//
// The page runs on the thread that owns its window and takes no lock; the effect guards its
// own state.
#pragma once

#include <ocidl.h>
#include <windows.h>
#include <winuser.h>

#include <atlcomcli.h>

#include <vector>

#include <ZRQDistortion2D.h>

#include "proppage/IDistortionPage.h"
#include "proppage/SyncSliderAndField.h"

class ZRQDistortion2DProp final : public IPropertyPage, public IDistortionPage {
public:
  // The class object's instance creator. Aggregation is refused (CLASS_E_NOAGGREGATION).
  [[nodiscard]] static HRESULT CreateInstance(IUnknown *outer, REFIID riid, void **ppv) noexcept;

  ZRQDistortion2DProp(const ZRQDistortion2DProp &) = delete;
  ZRQDistortion2DProp &operator=(const ZRQDistortion2DProp &) = delete;

  // IUnknown, shared by both interfaces.
  STDMETHODIMP QueryInterface(REFIID riid, void **ppvObject) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IPropertyPage.
  STDMETHODIMP SetPageSite(IPropertyPageSite *pageSite) override;
  STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  STDMETHODIMP Deactivate() override;
  STDMETHODIMP GetPageInfo(PROPPAGEINFO *pageInfo) override;
  STDMETHODIMP SetObjects(ULONG count, IUnknown **objects) override;
  STDMETHODIMP Show(UINT showCommand) override;
  STDMETHODIMP Move(LPCRECT rect) override;
  STDMETHODIMP IsPageDirty() override;
  STDMETHODIMP Apply() override;
  STDMETHODIMP Help(LPCOLESTR helpDirectory) override;
  STDMETHODIMP TranslateAccelerator(MSG *message) override;

private:
  ZRQDistortion2DProp() noexcept;
  ~ZRQDistortion2DProp();

  // The dialog procedure: the page rides in the dialog's user data from WM_INITDIALOG on.
  // Each handler's status is the message's result (DWLP_MSGRESULT).
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The handler for a command or notification; false when the page does not handle it.
  bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, HRESULT &result);

  // Handlers. Until the page holds the effect's IEffectParameters they change nothing and
  // answer E_UNEXPECTED.
  void OnInitPage();
  HRESULT OnEffectSelected();
  HRESULT OnEffectValueInput(SyncMode from);
  HRESULT OnTimeInput(SyncMode from);
  HRESULT OnAddKeyFrame();
  HRESULT OnKeyFrameButton(int buttonId);
  // Shows the effect, the time cursor and the value at the cursor. The fields' text-changed
  // notifications write the shown time and value back to the effect.
  HRESULT RefreshControls();
  // Greys out every control, for a page that has no effect to edit.
  void DisableControls();

  LONG referenceCount = 0;
  CComPtr<IPropertyPageSite> site;
  std::vector<CComPtr<IUnknown>> objects;
  bool dirty = false;
  HWND dialog = nullptr;
  SIZE size = {0, 0};
  CComPtr<IEffectParameters> parameters;
  bool connected = false;
};
