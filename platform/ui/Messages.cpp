// Sending, posting and retrieving messages, and the default window procedure.
#include <winerror.h>

#include <algorithm>
#include <new>

#include "platform/ui/CatchAllocation.h"
#include "platform/ui/ThreadState.h"

using zrq::ui::FindWindow;
using zrq::ui::ThreadState;
using zrq::ui::Window;

namespace {

bool Matches(const MSG &m, HWND hWnd, UINT first, UINT last) {
  if (hWnd == reinterpret_cast<HWND>(-1)) {
    if (m.hwnd) return false;
  } else if (hWnd && m.hwnd != hWnd && !IsChild(hWnd, m.hwnd)) {
    return false;
  }
  return (first == 0 && last == 0) || (m.message >= first && m.message <= last);
}

// The character a key gives on a US keyboard, or 0: enough for a test or a front end to type.
WCHAR KeyCharacter(WPARAM vk) {
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  if (vk >= 'A' && vk <= 'Z') return static_cast<WCHAR>(shift ? vk : vk + 32);
  if (vk >= '0' && vk <= '9' && !shift) return static_cast<WCHAR>(vk);
  switch (vk) {
  case VK_SPACE:
    return u' ';
  case VK_BACK:
    return 8;
  case VK_TAB:
    return 9;
  case VK_RETURN:
    return 13;
  case VK_ESCAPE:
    return 27;
  default:
    return 0;
  }
}

} // namespace

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Window *w = FindWindow(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return w->proc(hWnd, Msg, wParam, lParam);
}

LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (hWnd && !IsWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  ThreadState &thread = ThreadState::Current();
  try {
    thread.queue.push_back(
        zrq::ui::QueuedMessage{MSG{hWnd, Msg, wParam, lParam, ++thread.clock, POINT{0, 0}}});
  } catch (const std::bad_alloc &) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  return TRUE;
}

void PostQuitMessage(int nExitCode) {
  ThreadState &thread = ThreadState::Current();
  thread.quitPosted = true;
  thread.quitCode = nExitCode;
}

static BOOL PeekMessageWUnguarded(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                                  UINT wRemoveMsg) {
  if (!lpMsg) return FALSE;
  ThreadState &thread = ThreadState::Current();
  // By index: routing input asks windows for hit tests, and they may post meanwhile.
  for (size_t i = 0; i < thread.queue.size();) {
    zrq::ui::QueuedMessage &queued = thread.queue[i];
    if (queued.input != zrq::ui::InputKind::None && !zrq::ui::RouteInput(queued)) {
      thread.queue.erase(thread.queue.begin() + static_cast<ptrdiff_t>(i));
      continue;
    }
    if (!Matches(thread.queue[i].msg, hWnd, wMsgFilterMin, wMsgFilterMax)) {
      ++i;
      continue;
    }
    *lpMsg = thread.queue[i].msg;
    if (wRemoveMsg & PM_REMOVE)
      thread.queue.erase(thread.queue.begin() + static_cast<ptrdiff_t>(i));
    return TRUE;
  }
  // WM_QUIT comes once every posted message has been taken.
  if (thread.quitPosted &&
      (wMsgFilterMin == 0 || (WM_QUIT >= wMsgFilterMin && WM_QUIT <= wMsgFilterMax))) {
    *lpMsg =
        MSG{nullptr, WM_QUIT, static_cast<WPARAM>(thread.quitCode), 0, ++thread.clock, POINT{0, 0}};
    if (wRemoveMsg & PM_REMOVE) thread.quitPosted = false;
    return TRUE;
  }
  return FALSE;
}

BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
  return zrq::ui::CatchAllocation<BOOL>(FALSE, [&] {
    return PeekMessageWUnguarded(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg);
  });
}

BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  if (!lpMsg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (!PeekMessageW(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, PM_REMOVE)) {
    // Only this thread can post to its queue, so nothing can ever arrive: rather than wait
    // forever (or have a loop spin on -1), the loop is told to end.
    *lpMsg = MSG{nullptr, WM_QUIT, 0, 0, ++ThreadState::Current().clock, POINT{0, 0}};
    return FALSE;
  }
  return lpMsg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG *lpMsg) {
  if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN)) return FALSE;
  const WCHAR c = KeyCharacter(lpMsg->wParam);
  if (c)
    PostMessageW(lpMsg->hwnd, lpMsg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, c,
                 lpMsg->lParam);
  return TRUE;
}

LRESULT DispatchMessageW(const MSG *lpMsg) {
  if (!lpMsg || !lpMsg->hwnd) return 0;
  return SendMessageW(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

static LRESULT DefWindowProcWUnguarded(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Window *w = FindWindow(hWnd);
  if (!w) return 0;
  switch (Msg) {
  case WM_NCCREATE: {
    const auto *cs = reinterpret_cast<const CREATESTRUCTW *>(lParam);
    if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w->text = cs->lpszName;
    return TRUE;
  }
  case WM_SETTEXT:
    w->text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"";
    w->invalid = true;
    return TRUE;
  case WM_GETTEXT: {
    auto *buffer = reinterpret_cast<LPWSTR>(lParam);
    if (!buffer || wParam == 0) return 0;
    const size_t n = std::min(w->text.size(), static_cast<size_t>(wParam - 1));
    std::copy_n(w->text.begin(), n, buffer);
    buffer[n] = 0;
    return static_cast<LRESULT>(n);
  }
  case WM_GETTEXTLENGTH:
    return static_cast<LRESULT>(w->text.size());
  case WM_CLOSE:
    DestroyWindow(hWnd);
    return 0;
  case WM_PAINT:
    w->invalid = false;
    return 0;
  case WM_SETFONT:
    w->font = reinterpret_cast<HFONT>(wParam);
    if (lParam) w->invalid = true;
    return 0;
  case WM_GETFONT:
    return reinterpret_cast<LRESULT>(w->font);
  case WM_NCHITTEST:
    return HTCLIENT;
  default:
    return 0;
  }
}

LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return zrq::ui::CatchAllocation<LRESULT>(
      0, [&] { return DefWindowProcWUnguarded(hWnd, Msg, wParam, lParam); });
}
