// Position, size, visibility, enabling and invalidation. Windows have no non-client area here:
// a window's client rectangle is its whole window rectangle.
#include <winerror.h>

#include <algorithm>

#include "platform/ui/ThreadState.h"

using zrq::ui::FindWindow;
using zrq::ui::ThreadState;
using zrq::ui::Window;

namespace {

// The screen position of a window's top-left corner.
POINT Origin(const Window &w) {
  POINT p{w.rect.left, w.rect.top};
  for (Window *parent = FindWindow(w.parent); parent; parent = FindWindow(parent->parent)) {
    p.x += parent->rect.left;
    p.y += parent->rect.top;
  }
  return p;
}

void MoveInZOrder(Window &w, HWND insertAfter) {
  Window *parent = FindWindow(w.parent);
  if (!parent) return;
  auto &siblings = parent->children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), w.handle), siblings.end());
  if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
    siblings.insert(siblings.begin(), w.handle);
  } else if (insertAfter == HWND_BOTTOM) {
    siblings.push_back(w.handle);
  } else {
    auto at = std::find(siblings.begin(), siblings.end(), insertAfter);
    siblings.insert(at == siblings.end() ? at : at + 1, w.handle);
  }
}

} // namespace

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
  Window *w = FindWindow(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  WINDOWPOS pos{hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags};
  if (uFlags & SWP_NOMOVE) pos.x = w->rect.left, pos.y = w->rect.top;
  if (uFlags & SWP_NOSIZE) pos.cx = w->Width(), pos.cy = w->Height();
  if (!(uFlags & SWP_NOSENDCHANGING))
    SendMessageW(hWnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
  if (!(w = FindWindow(hWnd))) return FALSE;
  const RECT before = w->rect;
  w->rect = {pos.x, pos.y, pos.x + std::max(pos.cx, 0), pos.y + std::max(pos.cy, 0)};
  if (!(pos.flags & SWP_NOZORDER)) MoveInZOrder(*w, pos.hwndInsertAfter);
  if (pos.flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (pos.flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
  if (!(pos.flags & SWP_NOREDRAW)) w->invalid = true;
  SendMessageW(hWnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  if (!(w = FindWindow(hWnd))) return TRUE;
  const RECT after = w->rect;
  if (after.left != before.left || after.top != before.top)
    SendMessageW(hWnd, WM_MOVE, 0, MAKELPARAM(after.left, after.top));
  if (after.right - after.left != before.right - before.left ||
      after.bottom - after.top != before.bottom - before.top)
    SendMessageW(hWnd, WM_SIZE, 0, MAKELPARAM(after.right - after.left, after.bottom - after.top));
  return TRUE;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
  return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight,
                      SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW));
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
  Window *w = FindWindow(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
  const bool show = nCmdShow != SW_HIDE && nCmdShow != SW_MINIMIZE;
  if (show != static_cast<bool>(wasVisible)) {
    SendMessageW(hWnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if ((w = FindWindow(hWnd))) {
      w->style = show ? (w->style | WS_VISIBLE) : (w->style & ~WS_VISIBLE);
      w->invalid = true;
    }
    ThreadState &thread = ThreadState::Current();
    if (!show && thread.focus && (thread.focus == hWnd || IsChild(hWnd, thread.focus)))
      SetFocus(nullptr);
  }
  return wasVisible;
}

BOOL IsWindowVisible(HWND hWnd) {
  for (Window *w = FindWindow(hWnd); w; w = FindWindow(w->parent)) {
    if (!(w->style & WS_VISIBLE)) return FALSE;
    if (!(w->style & WS_CHILD)) return TRUE;
  }
  return FALSE;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
  Window *w = FindWindow(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (static_cast<bool>(bEnable) == static_cast<bool>(wasDisabled)) {
    w->style = bEnable ? (w->style & ~WS_DISABLED) : (w->style | WS_DISABLED);
    w->invalid = true;
    ThreadState &thread = ThreadState::Current();
    if (!bEnable && thread.focus && (thread.focus == hWnd || IsChild(hWnd, thread.focus)))
      SetFocus(nullptr);
    SendMessageW(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
  }
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hWnd) {
  Window *w = FindWindow(hWnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) {
  Window *w = FindWindow(hWnd);
  if (!w || !lpRect) {
    SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const POINT o = Origin(*w);
  *lpRect = {o.x, o.y, o.x + w->Width(), o.y + w->Height()};
  return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) {
  Window *w = FindWindow(hWnd);
  if (!w || !lpRect) {
    SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *lpRect = {0, 0, w->Width(), w->Height()};
  return TRUE;
}

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
  Window *w = FindWindow(hWnd);
  if (!w || !lpPoint) return FALSE;
  const POINT o = Origin(*w);
  lpPoint->x += o.x;
  lpPoint->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
  Window *w = FindWindow(hWnd);
  if (!w || !lpPoint) return FALSE;
  const POINT o = Origin(*w);
  lpPoint->x -= o.x;
  lpPoint->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints) {
  POINT from{0, 0}, to{0, 0};
  if ((hWndFrom && !ClientToScreen(hWndFrom, &from)) || (hWndTo && !ClientToScreen(hWndTo, &to)) ||
      !lpPoints) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  const LONG dx = from.x - to.x, dy = from.y - to.y;
  for (UINT i = 0; i < cPoints; ++i) lpPoints[i].x += dx, lpPoints[i].y += dy;
  SetLastError(0);
  return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

BOOL InvalidateRect(HWND hWnd, const RECT *, BOOL) {
  Window *w = FindWindow(hWnd);
  if (!w) return FALSE;
  w->invalid = true;
  return TRUE;
}

BOOL UpdateWindow(HWND hWnd) {
  Window *w = FindWindow(hWnd);
  if (!w) return FALSE;
  if (w->invalid && IsWindowVisible(hWnd)) SendMessageW(hWnd, WM_PAINT, 0, 0);
  return TRUE;
}
