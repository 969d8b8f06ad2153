// Dialog boxes made from templates, and the dialog procedure protocol.
#include <winerror.h>
#include <zrqui.h>

#include <new>

#include "platform/ui/CatchAllocation.h"
#include "platform/ui/DialogState.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/ThreadState.h"
#include "platform/ui/WindowClasses.h"

using namespace zrq::ui;

namespace {

// A template from a caller's pointer carries no size; reads stop at this bound instead.
constexpr size_t kUnsizedTemplateLimit = 1 << 20;

LPCWSTR ClassOf(const NameOrOrdinal &name, LPCWSTR fallback) {
  if (!name.name.empty()) return name.name.c_str();
  if (const char16_t *predefined = PredefinedClassName(name.ordinal)) return predefined;
  if (name.ordinal) return MAKEINTRESOURCEW(name.ordinal);
  return fallback;
}

bool CreateControls(HWND dialog, const DialogTemplate &t, const BaseUnits &units,
                    HINSTANCE instance) {
  for (const DialogItemTemplate &item : t.items) {
    const LPCWSTR text = item.text.name.c_str(); // an ordinal text (an icon) shows as none
    HWND control = CreateWindowExW(
        item.exStyle | WS_EX_NOPARENTNOTIFY, ClassOf(item.windowClass, nullptr), text,
        item.style | WS_CHILD, DialogUnitsToPixelsX(item.x, units),
        DialogUnitsToPixelsY(item.y, units), DialogUnitsToPixelsX(item.cx, units),
        DialogUnitsToPixelsY(item.cy, units), dialog,
        reinterpret_cast<HMENU>(static_cast<LONG_PTR>(static_cast<LONG>(item.id))), instance,
        item.creationData.empty() ? nullptr : const_cast<BYTE *>(item.creationData.data()));
    if (!control && !(t.style & DS_NOFAILCREATE)) return false;
    if (!IsWindow(dialog)) return false;
  }
  return true;
}

HWND CreateDialogFromTemplate(HINSTANCE instance, const void *data, size_t size, HWND parent,
                              DLGPROC proc, LPARAM param) {
  std::optional<DialogTemplate> t;
  try {
    t = ReadDialogTemplate(data, size);
  } catch (const std::bad_alloc &) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (!t) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const BaseUnits units = t->hasFont ? FontBaseUnits(t->typeface, t->pointSize) : kSystemBaseUnits;
  DWORD style = t->style & ~WS_VISIBLE;
  DWORD exStyle = t->exStyle;
  // A dialog made to sit inside another is a control parent and has no caption of its own.
  if (style & DS_CONTROL) {
    style &= ~(WS_CAPTION | WS_SYSMENU);
    exStyle |= WS_EX_CONTROLPARENT;
  }
  HWND dialog =
      CreateWindowExW(exStyle, ClassOf(t->windowClass, MAKEINTRESOURCEW(kDialogClassAtom)),
                      t->caption.c_str(), style, DialogUnitsToPixelsX(t->x, units),
                      DialogUnitsToPixelsY(t->y, units), DialogUnitsToPixelsX(t->cx, units),
                      DialogUnitsToPixelsY(t->cy, units), parent, nullptr, instance, nullptr);
  if (!dialog) return nullptr;
  try {
    Window *w = FindWindow(dialog);
    if (w->extra.size() < DLGWINDOWEXTRA) w->extra.resize(DLGWINDOWEXTRA, 0);
    auto state = std::make_unique<DialogState>();
    state->units = units;
    w->state = std::move(state);
  } catch (const std::bad_alloc &) {
    DestroyWindow(dialog);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
  if (!CreateControls(dialog, *t, units, instance)) {
    if (IsWindow(dialog)) DestroyWindow(dialog);
    return nullptr;
  }
  const HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
  const LRESULT focusFirst =
      SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
  if (!IsWindow(dialog)) return nullptr;
  if (focusFirst && first && IsWindow(first))
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
  if (t->style & WS_VISIBLE) ShowWindow(dialog, SW_SHOWNORMAL);
  return IsWindow(dialog) ? dialog : nullptr;
}

} // namespace

HWND CreateDialogIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW lpTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  return CreateDialogFromTemplate(hInstance, lpTemplate, kUnsizedTemplateLimit, hWndParent,
                                  lpDialogFunc, dwInitParam);
}

HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                        DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  HRSRC found = FindResourceW(reinterpret_cast<HMODULE>(hInstance), lpTemplateName, RT_DIALOG);
  if (!found) return nullptr;
  const void *data = LockResource(LoadResource(reinterpret_cast<HMODULE>(hInstance), found));
  const DWORD size = SizeofResource(reinterpret_cast<HMODULE>(hInstance), found);
  if (!data) return nullptr;
  return CreateDialogFromTemplate(hInstance, data, size, hWndParent, lpDialogFunc, dwInitParam);
}

HRESULT ZrqUiGetDialogTemplateSize(LPCDLGTEMPLATEW dialogTemplate, DWORD size, SIZE *pixels) {
  if (!dialogTemplate || !pixels) return E_POINTER;
  std::optional<DialogTemplate> t;
  try {
    t = ReadDialogTemplate(dialogTemplate, size);
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  }
  if (!t) return E_INVALIDARG;
  const BaseUnits units = t->hasFont ? FontBaseUnits(t->typeface, t->pointSize) : kSystemBaseUnits;
  pixels->cx = DialogUnitsToPixelsX(t->cx, units);
  pixels->cy = DialogUnitsToPixelsY(t->cy, units);
  return S_OK;
}

static LRESULT DefDlgProcWUnguarded(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(hDlg)) return 0;
  const auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(hDlg, DWLP_DLGPROC));
  if (proc) {
    SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, 0);
    const INT_PTR handled = proc(hDlg, Msg, wParam, lParam);
    if (!IsWindow(hDlg)) return handled;
    if (handled) {
      switch (Msg) {
      case WM_INITDIALOG:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORDLG:
      case WM_CTLCOLORSTATIC:
      case 0x0039: // WM_COMPAREITEM
      case 0x002E: // WM_VKEYTOITEM
      case 0x002F: // WM_CHARTOITEM
      case 0x0037: // WM_QUERYDRAGICON
        return handled;
      default:
        return GetWindowLongPtrW(hDlg, DWLP_MSGRESULT);
      }
    }
  }
  switch (Msg) {
  case WM_NEXTDLGCTL: {
    const HWND target = lParam ? reinterpret_cast<HWND>(wParam)
                               : GetNextDlgTabItem(hDlg, GetFocus(), wParam ? TRUE : FALSE);
    if (!target || !IsWindow(target)) return 0;
    SetFocus(target);
    if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
      SendMessageW(target, EM_SETSEL, 0, -1);
    return 0;
  }
  case WM_SETFOCUS:
    if (HWND first = GetNextDlgTabItem(hDlg, nullptr, FALSE)) SetFocus(first);
    return 0;
  case WM_CLOSE:
    PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
    return 0;
  default:
    return DefWindowProcW(hDlg, Msg, wParam, lParam);
  }
}

LRESULT DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return zrq::ui::CatchAllocation<LRESULT>(
      0, [&] { return DefDlgProcWUnguarded(hDlg, Msg, wParam, lParam); });
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult) {
  auto *state = StateOf<DialogState>(hDlg);
  if (!state) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  // A modeless dialog has no loop of its own to leave: it is hidden, and its owner destroys it.
  state->ended = true;
  state->result = nResult;
  ShowWindow(hDlg, SW_HIDE);
  return TRUE;
}

BOOL MapDialogRect(HWND hDlg, LPRECT lpRect) {
  auto *state = StateOf<DialogState>(hDlg);
  if (!state || !lpRect) {
    SetLastError(state ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  lpRect->left = DialogUnitsToPixelsX(lpRect->left, state->units);
  lpRect->right = DialogUnitsToPixelsX(lpRect->right, state->units);
  lpRect->top = DialogUnitsToPixelsY(lpRect->top, state->units);
  lpRect->bottom = DialogUnitsToPixelsY(lpRect->bottom, state->units);
  return TRUE;
}

LONG GetDialogBaseUnits(void) { return MAKELONG(kSystemBaseUnits.x, kSystemBaseUnits.y); }
