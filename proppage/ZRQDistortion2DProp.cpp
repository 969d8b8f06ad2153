// The page object: its interfaces, its lifetime and IPropertyPage. The dialog and its handlers
// are in ZRQDistortion2DPropDialog.cpp.
#include "proppage/ZRQDistortion2DProp.h"

#include <zrqresource.h>
#include <zrqui.h>

#include <cstring>
#include <new>
#include <string>

#include "module/ModuleLockCount.h"
#include "proppage/PageControlIds.h"

namespace {

// A string of the module's string table in task-allocator memory, or null.
LPOLESTR TaskString(UINT id) {
  LPCWSTR text = nullptr;
  const int length = LoadStringW(ZrqThisModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return nullptr;
  auto *copy = static_cast<LPOLESTR>(CoTaskMemAlloc((size_t(length) + 1) * sizeof(OLECHAR)));
  if (!copy) return nullptr;
  std::memcpy(copy, text, size_t(length) * sizeof(OLECHAR));
  copy[length] = 0;
  return copy;
}

} // namespace

ZRQDistortion2DProp::ZRQDistortion2DProp() noexcept { ModuleAddLock(); }

ZRQDistortion2DProp::~ZRQDistortion2DProp() {
  // The dialog calls back into the page, so it cannot outlive it.
  if (dialog) DestroyWindow(dialog);
  parameters.Release();
  objects.clear();
  site.Release();
  ModuleReleaseLock();
}

HRESULT ZRQDistortion2DProp::CreateInstance(IUnknown *outer, REFIID riid, void **ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  auto *page = new (std::nothrow) ZRQDistortion2DProp();
  if (!page) return E_OUTOFMEMORY;
  page->AddRef();
  const HRESULT hr = page->QueryInterface(riid, ppv);
  page->Release();
  return hr;
}

HRESULT ZRQDistortion2DProp::QueryInterface(REFIID riid, void **ppvObject) {
  if (!ppvObject) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IPropertyPage) {
    *ppvObject = static_cast<IPropertyPage *>(this);
  } else if (riid == IID_IDistortionPage) {
    *ppvObject = static_cast<IDistortionPage *>(this);
  } else {
    *ppvObject = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG ZRQDistortion2DProp::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&referenceCount));
}

ULONG ZRQDistortion2DProp::Release() {
  const LONG left = InterlockedDecrement(&referenceCount);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT ZRQDistortion2DProp::SetPageSite(IPropertyPageSite *pageSite) {
  if (pageSite && site) return E_UNEXPECTED;
  site = pageSite;
  return S_OK;
}

HRESULT ZRQDistortion2DProp::Activate(HWND parent, LPCRECT rect, BOOL) {
  if (!rect) return E_POINTER;
  // A second activation replaces the dialog rather than leaving the first one behind.
  if (dialog) DestroyWindow(dialog);
  dialog = nullptr;
  HWND created = CreateDialogParamW(ZrqThisModule(), MAKEINTRESOURCEW(kPageDialogId), parent,
                                    DialogProc, reinterpret_cast<LPARAM>(this));
  if (!created) return E_FAIL;
  dialog = created;
  size = {rect->right - rect->left, rect->bottom - rect->top};
  MoveWindow(dialog, rect->left, rect->top, size.cx, size.cy, TRUE);
  return S_OK;
}

HRESULT ZRQDistortion2DProp::Deactivate() {
  if (dialog) DestroyWindow(dialog);
  dialog = nullptr;
  return S_OK;
}

HRESULT ZRQDistortion2DProp::GetPageInfo(PROPPAGEINFO *pageInfo) {
  if (!pageInfo) return E_POINTER;
  // The template's size in pixels, from the base units of the font it names.
  HMODULE module = ZrqThisModule();
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(kPageDialogId), RT_DIALOG);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void *dialogTemplate = loaded ? LockResource(loaded) : nullptr;
  SIZE pixels = {0, 0};
  if (!dialogTemplate ||
      FAILED(ZrqUiGetDialogTemplateSize(static_cast<LPCDLGTEMPLATEW>(dialogTemplate),
                                        SizeofResource(module, found), &pixels)))
    return E_UNEXPECTED;
  LPOLESTR title = TaskString(kPageTitleString);
  LPOLESTR helpFile = TaskString(kPageHelpFileString);
  LPOLESTR docString = TaskString(kPageDocString);
  if (!title || !helpFile || !docString) {
    CoTaskMemFree(title);
    CoTaskMemFree(helpFile);
    CoTaskMemFree(docString);
    return E_OUTOFMEMORY;
  }
  pageInfo->cb = sizeof(PROPPAGEINFO);
  pageInfo->pszTitle = title;
  pageInfo->size = pixels;
  pageInfo->pszHelpFile = helpFile;
  pageInfo->pszDocString = docString;
  pageInfo->dwHelpContext = 0;
  return S_OK;
}

HRESULT ZRQDistortion2DProp::SetObjects(ULONG count, IUnknown **newObjects) {
  if (!newObjects) return E_POINTER;
  std::vector<CComPtr<IUnknown>> held;
  try {
    held.assign(newObjects, newObjects + count);
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  }
  objects.swap(held);
  return S_OK;
}

HRESULT ZRQDistortion2DProp::Show(UINT showCommand) {
  if (!dialog) return E_UNEXPECTED;
  ShowWindow(dialog, static_cast<int>(showCommand));
  return S_OK;
}

HRESULT ZRQDistortion2DProp::Move(LPCRECT rect) {
  if (!dialog) return E_UNEXPECTED;
  if (!rect) return E_POINTER;
  MoveWindow(dialog, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
             TRUE);
  return S_OK;
}

HRESULT ZRQDistortion2DProp::IsPageDirty() { return dirty ? S_OK : S_FALSE; }

HRESULT ZRQDistortion2DProp::Apply() {
  // Every change reached the effect when it was made; there is nothing left to write.
  dirty = false;
  return S_OK;
}

HRESULT ZRQDistortion2DProp::Help(LPCOLESTR helpDirectory) {
  if (!helpDirectory) return E_POINTER;
  LPCWSTR fileName = nullptr;
  const int length =
      LoadStringW(ZrqThisModule(), kPageHelpFileString, reinterpret_cast<LPWSTR>(&fileName), 0);
  if (length <= 0 || !fileName) return E_OUTOFMEMORY;
  std::u16string path;
  try {
    path.append(helpDirectory).append(u"\\").append(fileName, size_t(length));
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  }
  WinHelpW(dialog, path.c_str(), HELP_CONTEXTPOPUP, 0);
  return S_OK;
}

HRESULT ZRQDistortion2DProp::TranslateAccelerator(MSG *message) {
  if (!message) return E_POINTER;
  // The key and mouse messages as the page has always known them, up to WM_UNICHAR and the
  // horizontal wheel exclusive.
  const bool keyboard = message->message >= WM_KEYDOWN && message->message <= 0x108;
  const bool mouse = message->message >= WM_MOUSEMOVE && message->message <= WM_MOUSEWHEEL;
  if (!keyboard && !mouse) return S_FALSE;
  return dialog && IsDialogMessageW(dialog, message) ? S_OK : S_FALSE;
}
