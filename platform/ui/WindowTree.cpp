// Creating and destroying windows, and walking the tree.
#include <winerror.h>

#include <algorithm>
#include <new>

#include "platform/ui/CatchAllocation.h"
#include "platform/ui/ThreadState.h"
#include "platform/ui/WindowClasses.h"

using zrq::ui::FindWindow;
using zrq::ui::ThreadState;
using zrq::ui::Window;

namespace {

// WM_DESTROY goes to a window before its children, WM_NCDESTROY after them.
void SendDestroy(HWND hwnd) {
  SendMessageW(hwnd, WM_DESTROY, 0, 0);
  if (Window *w = FindWindow(hwnd)) {
    const std::vector<HWND> children = w->children;
    for (HWND child : children) {
      if (Window *c = FindWindow(child)) c->destroying = true;
      SendDestroy(child);
    }
  }
}

void SendNcDestroyAndFree(HWND hwnd) {
  if (Window *w = FindWindow(hwnd)) {
    const std::vector<HWND> children = w->children;
    for (HWND child : children) SendNcDestroyAndFree(child);
  }
  SendMessageW(hwnd, WM_NCDESTROY, 0, 0);
  ThreadState &thread = ThreadState::Current();
  if (thread.focus == hwnd) thread.focus = nullptr;
  if (thread.capture == hwnd) thread.capture = nullptr;
  thread.Remove(hwnd);
}

// Every descendant, depth first, until the callback says stop; a window destroyed by the
// callback is skipped.
bool EnumDescendants(HWND parent, WNDENUMPROC callback, LPARAM lParam) {
  Window *w = FindWindow(parent);
  if (!w) return true;
  const std::vector<HWND> children = w->children;
  for (HWND child : children) {
    if (!IsWindow(child)) continue;
    if (!callback(child, lParam) || !EnumDescendants(child, callback, lParam)) return false;
  }
  return true;
}

} // namespace

HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle,
                     int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                     HINSTANCE hInstance, LPVOID lpParam) {
  const auto cls = zrq::ui::WindowClasses::Process().Find(lpClassName, hInstance);
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  Window *parent = hWndParent ? FindWindow(hWndParent) : nullptr;
  if (hWndParent && !parent) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if ((dwStyle & WS_CHILD) && !parent) {
    SetLastError(ERROR_TLW_WITH_WSCHILD);
    return nullptr;
  }
  // A window without a size or position of its own gets none: there is no screen to place it on.
  if (X == CW_USEDEFAULT) X = 0, Y = 0;
  if (nWidth == CW_USEDEFAULT) nWidth = 0, nHeight = 0;

  HWND hwnd = nullptr;
  try {
    auto window = std::make_unique<Window>();
    window->className = cls->name;
    window->proc = cls->proc;
    window->instance = hInstance;
    window->style = dwStyle;
    window->exStyle = dwExStyle;
    window->rect = {X, Y, X + std::max(nWidth, 0), Y + std::max(nHeight, 0)};
    window->extra.assign(static_cast<size_t>(std::max(cls->windowExtra, 0)), 0);
    if (dwStyle & WS_CHILD) {
      window->parent = hWndParent;
      window->id = reinterpret_cast<LONG_PTR>(hMenu);
    } else {
      window->owner = hWndParent;
    }
    parent = hWndParent ? FindWindow(hWndParent) : nullptr;
    if (parent && (dwStyle & WS_CHILD)) parent->children.reserve(parent->children.size() + 1);
    hwnd = ThreadState::Current().Add(std::move(window)).handle;
    // Children join the bottom of their siblings' z-order, so a dialog's controls keep the
    // template's order (its tab order) from GW_CHILD on.
    if (parent && (dwStyle & WS_CHILD)) parent->children.push_back(hwnd);
  } catch (const std::bad_alloc &) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }

  CREATESTRUCTW cs{lpParam,
                   hInstance,
                   hMenu,
                   hWndParent,
                   nHeight,
                   nWidth,
                   Y,
                   X,
                   static_cast<LONG>(dwStyle),
                   lpWindowName,
                   lpClassName,
                   dwExStyle};
  if (!SendMessageW(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) ||
      SendMessageW(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;
  RECT r;
  GetClientRect(hwnd, &r);
  SendMessageW(hwnd, WM_SIZE, 0, MAKELPARAM(r.right, r.bottom));
  if (Window *w = FindWindow(hwnd))
    SendMessageW(hwnd, WM_MOVE, 0, MAKELPARAM(w->rect.left, w->rect.top));
  return IsWindow(hwnd) ? hwnd : nullptr;
}

static BOOL DestroyWindowUnguarded(HWND hWnd) {
  Window *w = FindWindow(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->destroying) return TRUE;
  w->destroying = true;
  ThreadState &thread = ThreadState::Current();
  if (thread.focus && (thread.focus == hWnd || IsChild(hWnd, thread.focus))) SetFocus(nullptr);
  if (thread.capture && (thread.capture == hWnd || IsChild(hWnd, thread.capture))) ReleaseCapture();
  // Top-level windows it owns go first, as on Windows.
  for (HWND top : std::vector<HWND>(thread.TopLevel()))
    if (Window *t = FindWindow(top); t && t->owner == hWnd) DestroyWindow(top);
  SendDestroy(hWnd);
  if (Window *again = FindWindow(hWnd); again && again->parent) {
    if (Window *p = FindWindow(again->parent)) {
      auto &siblings = p->children;
      siblings.erase(std::remove(siblings.begin(), siblings.end(), hWnd), siblings.end());
    }
  }
  SendNcDestroyAndFree(hWnd);
  return TRUE;
}

BOOL DestroyWindow(HWND hWnd) {
  return zrq::ui::CatchAllocation<BOOL>(FALSE, [&] { return DestroyWindowUnguarded(hWnd); });
}

BOOL IsWindow(HWND hWnd) { return FindWindow(hWnd) != nullptr; }

BOOL IsChild(HWND hWndParent, HWND hWnd) {
  for (Window *w = FindWindow(hWnd); w && w->parent; w = FindWindow(w->parent))
    if (w->parent == hWndParent) return TRUE;
  return FALSE;
}

HWND GetParent(HWND hWnd) {
  Window *w = FindWindow(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return (w->style & WS_CHILD) ? w->parent : w->owner;
}

HWND GetWindow(HWND hWnd, UINT uCmd) {
  Window *w = FindWindow(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (uCmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (uCmd == GW_OWNER) return (w->style & WS_CHILD) ? nullptr : w->owner;
  Window *parent = FindWindow(w->parent);
  const std::vector<HWND> &siblings = parent ? parent->children : ThreadState::Current().TopLevel();
  const auto at = std::find(siblings.begin(), siblings.end(), hWnd);
  if (at == siblings.end()) return nullptr;
  switch (uCmd) {
  case GW_HWNDFIRST:
    return siblings.front();
  case GW_HWNDLAST:
    return siblings.back();
  case GW_HWNDNEXT:
    return at + 1 == siblings.end() ? nullptr : *(at + 1);
  case GW_HWNDPREV:
    return at == siblings.begin() ? nullptr : *(at - 1);
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

static BOOL EnumChildWindowsUnguarded(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam) {
  if (!FindWindow(hWndParent) || !lpEnumFunc) return FALSE;
  return EnumDescendants(hWndParent, lpEnumFunc, lParam) ? TRUE : FALSE;
}

BOOL EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam) {
  return zrq::ui::CatchAllocation<BOOL>(
      FALSE, [&] { return EnumChildWindowsUnguarded(hWndParent, lpEnumFunc, lParam); });
}

int GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) {
  Window *w = FindWindow(hWnd);
  if (!w || !lpClassName || nMaxCount <= 0) return 0;
  const size_t n = std::min(w->className.size(), static_cast<size_t>(nMaxCount - 1));
  std::copy_n(w->className.begin(), n, lpClassName);
  lpClassName[n] = 0;
  return static_cast<int>(n);
}

ATOM RegisterClassExW(const WNDCLASSEXW *lpwcx) {
  if (!lpwcx || lpwcx->cbSize != sizeof(WNDCLASSEXW) || !lpwcx->lpszClassName ||
      IS_INTRESOURCE(lpwcx->lpszClassName) || !lpwcx->lpfnWndProc || lpwcx->cbWndExtra < 0 ||
      lpwcx->cbClsExtra < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  try {
    return zrq::ui::WindowClasses::Process().Register(*lpwcx);
  } catch (const std::bad_alloc &) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
}

BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance) {
  return lpClassName ? zrq::ui::WindowClasses::Process().Unregister(lpClassName, hInstance) : FALSE;
}

BOOL GetClassInfoExW(HINSTANCE hInstance, LPCWSTR lpszClass, LPWNDCLASSEXW lpwcx) {
  if (!lpwcx) return FALSE;
  const auto cls = zrq::ui::WindowClasses::Process().Find(lpszClass, hInstance);
  if (!cls) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  *lpwcx = WNDCLASSEXW{};
  lpwcx->cbSize = sizeof(WNDCLASSEXW);
  lpwcx->style = cls->style;
  lpwcx->lpfnWndProc = cls->proc;
  lpwcx->cbClsExtra = cls->classExtra;
  lpwcx->cbWndExtra = cls->windowExtra;
  lpwcx->hInstance = cls->instance;
  lpwcx->lpszClassName = lpszClass;
  return TRUE;
}
