// GetWindowLongPtrW and friends: styles, ids, user data, the procedure and the extra bytes.
#include <winerror.h>

#include <cstring>

#include "platform/ui/ThreadState.h"

using zrq::ui::FindWindow;
using zrq::ui::Window;

namespace {

// The window's extra bytes at index, or null (ERROR_INVALID_INDEX) when they do not fit.
unsigned char *ExtraBytes(Window &w, int index, size_t size) {
  if (index < 0 || static_cast<size_t>(index) + size > w.extra.size()) {
    SetLastError(ERROR_INVALID_INDEX);
    return nullptr;
  }
  return w.extra.data() + index;
}

// Style changes go through WM_STYLECHANGING, whose receiver may change the new style.
LONG_PTR ChangeStyle(HWND hwnd, int index, DWORD requested) {
  Window *w = FindWindow(hwnd);
  DWORD &field = index == GWL_STYLE ? w->style : w->exStyle;
  STYLESTRUCT change{field, requested};
  SendMessageW(hwnd, WM_STYLECHANGING, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&change));
  w = FindWindow(hwnd);
  if (!w) return 0;
  DWORD &again = index == GWL_STYLE ? w->style : w->exStyle;
  const DWORD old = again;
  again = change.styleNew;
  change.styleOld = old;
  SendMessageW(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&change));
  return static_cast<LONG_PTR>(old);
}

} // namespace

LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex) {
  Window *w = FindWindow(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (nIndex) {
  case GWL_STYLE:
    return static_cast<LONG_PTR>(w->style);
  case GWL_EXSTYLE:
    return static_cast<LONG_PTR>(w->exStyle);
  case GWLP_WNDPROC:
    return reinterpret_cast<LONG_PTR>(w->proc);
  case GWLP_HINSTANCE:
    return reinterpret_cast<LONG_PTR>(w->instance);
  case GWLP_HWNDPARENT:
    return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) ? w->parent : w->owner);
  case GWLP_ID:
    return w->id;
  case GWLP_USERDATA:
    return w->userData;
  default:
    break;
  }
  const unsigned char *bytes = ExtraBytes(*w, nIndex, sizeof(LONG_PTR));
  LONG_PTR value = 0;
  if (bytes) std::memcpy(&value, bytes, sizeof value);
  return value;
}

LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  Window *w = FindWindow(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR old = 0;
  switch (nIndex) {
  case GWL_STYLE:
  case GWL_EXSTYLE:
    return ChangeStyle(hWnd, nIndex, static_cast<DWORD>(dwNewLong));
  case GWLP_WNDPROC:
    if (!dwNewLong) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    old = reinterpret_cast<LONG_PTR>(w->proc);
    w->proc = reinterpret_cast<WNDPROC>(dwNewLong);
    return old;
  case GWLP_HINSTANCE:
    old = reinterpret_cast<LONG_PTR>(w->instance);
    w->instance = reinterpret_cast<HINSTANCE>(dwNewLong);
    return old;
  case GWLP_HWNDPARENT:
    // Changes the owner of a top-level window; a child keeps its parent.
    if (w->style & WS_CHILD) return reinterpret_cast<LONG_PTR>(w->parent);
    old = reinterpret_cast<LONG_PTR>(w->owner);
    w->owner = reinterpret_cast<HWND>(dwNewLong);
    return old;
  case GWLP_ID:
    old = w->id;
    w->id = dwNewLong;
    return old;
  case GWLP_USERDATA:
    old = w->userData;
    w->userData = dwNewLong;
    return old;
  default:
    break;
  }
  unsigned char *bytes = ExtraBytes(*w, nIndex, sizeof(LONG_PTR));
  if (!bytes) return 0;
  std::memcpy(&old, bytes, sizeof old);
  std::memcpy(bytes, &dwNewLong, sizeof dwNewLong);
  return old;
}

LONG GetWindowLongW(HWND hWnd, int nIndex) {
  Window *w = FindWindow(hWnd);
  if (w && nIndex >= 0) {
    const unsigned char *bytes = ExtraBytes(*w, nIndex, sizeof(LONG));
    LONG value = 0;
    if (bytes) std::memcpy(&value, bytes, sizeof value);
    return value;
  }
  return static_cast<LONG>(GetWindowLongPtrW(hWnd, nIndex));
}

LONG SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong) {
  Window *w = FindWindow(hWnd);
  if (w && nIndex >= 0) {
    unsigned char *bytes = ExtraBytes(*w, nIndex, sizeof(LONG));
    LONG old = 0;
    if (!bytes) return 0;
    std::memcpy(&old, bytes, sizeof old);
    std::memcpy(bytes, &dwNewLong, sizeof dwNewLong);
    return old;
  }
  return static_cast<LONG>(SetWindowLongPtrW(hWnd, nIndex, dwNewLong));
}
