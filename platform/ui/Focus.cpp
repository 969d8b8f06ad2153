// Keyboard focus, mouse capture and the key state.
#include <winerror.h>

#include "platform/ui/ThreadState.h"

using zrq::ui::ThreadState;

HWND SetFocus(HWND hWnd) {
  ThreadState &thread = ThreadState::Current();
  if (hWnd && !IsWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  const HWND old = thread.focus;
  if (old == hWnd) return old;
  if (old) SendMessageW(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
  // The window may have gone while the old focus let go.
  thread.focus = IsWindow(hWnd) ? hWnd : nullptr;
  if (thread.focus)
    SendMessageW(thread.focus, WM_SETFOCUS, reinterpret_cast<WPARAM>(IsWindow(old) ? old : nullptr),
                 0);
  return IsWindow(old) ? old : nullptr;
}

HWND GetFocus(void) { return ThreadState::Current().focus; }

HWND SetCapture(HWND hWnd) {
  ThreadState &thread = ThreadState::Current();
  const HWND old = thread.capture;
  if (old == hWnd || (hWnd && !IsWindow(hWnd))) return old;
  thread.capture = hWnd;
  if (old) SendMessageW(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hWnd));
  return old;
}

BOOL ReleaseCapture(void) {
  ThreadState &thread = ThreadState::Current();
  const HWND old = thread.capture;
  thread.capture = nullptr;
  if (old) SendMessageW(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture(void) { return ThreadState::Current().capture; }

SHORT GetKeyState(int nVirtKey) {
  if (nVirtKey < 0 || nVirtKey > 255) return 0;
  return ThreadState::Current().keyDown[static_cast<size_t>(nVirtKey)] ? static_cast<SHORT>(0x8000)
                                                                       : 0;
}
