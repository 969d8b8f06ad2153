// Input as a user gives it: device messages posted to the thread's queue, routed by hit
// testing, capture and focus.
#include <zrqui.h>

#include "platform/ui/DialogState.h"
#include "platform/ui/ThreadState.h"

using zrq::ui::DialogState;
using zrq::ui::FindWindow;
using zrq::ui::ThreadState;
using zrq::ui::Window;

namespace {

bool Contains(HWND hwnd, POINT screen) {
  RECT r;
  return GetWindowRect(hwnd, &r) && screen.x >= r.left && screen.x < r.right && screen.y >= r.top && screen.y < r.bottom;
}

// The window that takes a mouse message at the point: the topmost visible child containing it,
// deepest first. Disabled windows pass it to their parent, and windows answering HTTRANSPARENT
// (labels, group boxes) to what lies beneath them.
HWND HitTest(HWND hwnd, POINT screen) {
  Window *w = FindWindow(hwnd);
  if (!w || !(w->style & WS_VISIBLE) || !Contains(hwnd, screen)) return nullptr;
  const std::vector<HWND> children = w->children;
  for (HWND child : children)
    if (HWND hit = HitTest(child, screen)) return hit;
  if (!IsWindowEnabled(hwnd)) return nullptr;
  POINT client = screen;
  ScreenToClient(hwnd, &client);
  if (SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)) == HTTRANSPARENT) return nullptr;
  return hwnd;
}

WPARAM MouseKeys() {
  WPARAM keys = 0;
  if (GetKeyState(VK_LBUTTON) < 0) keys |= MK_LBUTTON;
  if (GetKeyState(VK_RBUTTON) < 0) keys |= MK_RBUTTON;
  if (GetKeyState(VK_SHIFT) < 0) keys |= MK_SHIFT;
  if (GetKeyState(VK_CONTROL) < 0) keys |= MK_CONTROL;
  return keys;
}

BOOL PostMouse(HWND root, int x, int y, UINT message) {
  RECT r;
  if (!GetWindowRect(root, &r)) return FALSE;
  const POINT screen{r.left + x, r.top + y};
  HWND target = GetCapture();
  if (!target) target = HitTest(root, screen);
  if (!target) return FALSE;
  POINT client = screen;
  ScreenToClient(target, &client);
  return PostMessageW(target, message, MouseKeys(), MAKELPARAM(client.x, client.y));
}

// The outermost dialog holding hwnd, whose IsDialogMessageW sees the message first.
HWND DialogOf(HWND hwnd) {
  HWND dialog = nullptr;
  for (Window *w = FindWindow(hwnd); w; w = FindWindow(w->parent))
    if (dynamic_cast<DialogState *>(w->state.get())) dialog = w->handle;
  return dialog;
}

}  // namespace

BOOL ZrqUiMouseMove(HWND root, int x, int y) { return PostMouse(root, x, y, WM_MOUSEMOVE); }

BOOL ZrqUiMouseButton(HWND root, int x, int y, BOOL down) {
  if (!IsWindow(root)) return FALSE;
  ThreadState::Current().keyDown[VK_LBUTTON] = down != FALSE;
  return PostMouse(root, x, y, down ? WM_LBUTTONDOWN : WM_LBUTTONUP);
}

BOOL ZrqUiKey(UINT vk, BOOL down) {
  if (vk > 255) return FALSE;
  ThreadState &thread = ThreadState::Current();
  thread.keyDown[vk] = down != FALSE;
  if (!thread.focus) return FALSE;
  const bool alt = thread.keyDown[VK_MENU] && vk != VK_MENU;
  const UINT message = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  const LPARAM lParam = down ? 1 : static_cast<LPARAM>(0xC0000001u);
  return PostMessageW(thread.focus, message, vk, lParam);
}

BOOL ZrqUiChar(WCHAR ch) {
  ThreadState &thread = ThreadState::Current();
  if (!thread.focus) return FALSE;
  return PostMessageW(thread.focus, thread.keyDown[VK_MENU] ? WM_SYSCHAR : WM_CHAR, ch, 1);
}

int ZrqUiPumpMessages(void) {
  int ran = 0;
  MSG msg;
  // A bound, so a window that keeps posting to itself cannot hold the caller forever.
  while (ran < 100000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    ++ran;
    HWND dialog = DialogOf(msg.hwnd);
    if (!dialog || !IsDialogMessageW(dialog, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return ran;
}
