// Input as a user gives it: device messages queued unrouted and routed when taken from the
// queue, by capture, hit testing and focus.
#include <winerror.h>
#include <zrqui.h>

#include <new>

#include "platform/ui/DialogState.h"
#include "platform/ui/ThreadState.h"

using zrq::ui::DialogState;
using zrq::ui::FindWindow;
using zrq::ui::InputKind;
using zrq::ui::QueuedMessage;
using zrq::ui::ThreadState;
using zrq::ui::Window;

namespace {

bool Contains(HWND hwnd, POINT screen) {
  RECT r;
  return GetWindowRect(hwnd, &r) && screen.x >= r.left && screen.x < r.right && screen.y >= r.top &&
         screen.y < r.bottom;
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
  if (SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)) == HTTRANSPARENT)
    return nullptr;
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

BOOL Queue(InputKind kind, HWND root, UINT message, WPARAM wParam, POINT pt) {
  ThreadState &thread = ThreadState::Current();
  try {
    thread.queue.push_back(QueuedMessage{MSG{root, message, wParam, 0, ++thread.clock, pt}, kind});
  } catch (const std::bad_alloc &) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  return TRUE;
}

BOOL QueueMouse(HWND root, int x, int y, UINT message) {
  RECT r;
  if (!GetWindowRect(root, &r)) return FALSE;
  return Queue(InputKind::Mouse, root, message, 0, POINT{r.left + x, r.top + y});
}

// The outermost dialog holding hwnd, whose IsDialogMessageW sees the message first.
HWND DialogOf(HWND hwnd) {
  HWND dialog = nullptr;
  for (Window *w = FindWindow(hwnd); w; w = FindWindow(w->parent))
    if (dynamic_cast<DialogState *>(w->state.get())) dialog = w->handle;
  return dialog;
}

} // namespace

namespace zrq::ui {

bool RouteInput(QueuedMessage &queued) {
  ThreadState &thread = ThreadState::Current();
  MSG &msg = queued.msg;
  const InputKind kind = queued.input;
  queued.input = InputKind::None;
  switch (kind) {
  case InputKind::None:
    return true;
  case InputKind::Mouse: {
    if (msg.message == WM_LBUTTONDOWN) thread.keyDown[VK_LBUTTON] = true;
    if (msg.message == WM_LBUTTONUP) thread.keyDown[VK_LBUTTON] = false;
    HWND target = thread.capture ? thread.capture : HitTest(msg.hwnd, msg.pt);
    if (!target) return false;
    POINT client = msg.pt;
    ScreenToClient(target, &client);
    msg.hwnd = target;
    msg.wParam = MouseKeys();
    msg.lParam = MAKELPARAM(client.x, client.y);
    return true;
  }
  case InputKind::Key: {
    const bool down = msg.message == WM_KEYDOWN;
    const UINT vk = static_cast<UINT>(msg.wParam);
    thread.keyDown[vk] = down;
    if (!thread.focus) return false;
    const bool alt = thread.keyDown[VK_MENU] && vk != VK_MENU;
    msg.hwnd = thread.focus;
    msg.message = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : msg.message;
    msg.lParam = down ? 1 : static_cast<LPARAM>(0xC0000001u);
    return true;
  }
  case InputKind::Character:
    if (!thread.focus) return false;
    msg.hwnd = thread.focus;
    msg.message = thread.keyDown[VK_MENU] ? WM_SYSCHAR : WM_CHAR;
    msg.lParam = 1;
    return true;
  }
  return false;
}

} // namespace zrq::ui

BOOL ZrqUiMouseMove(HWND root, int x, int y) { return QueueMouse(root, x, y, WM_MOUSEMOVE); }

BOOL ZrqUiMouseButton(HWND root, int x, int y, BOOL down) {
  return QueueMouse(root, x, y, down ? WM_LBUTTONDOWN : WM_LBUTTONUP);
}

BOOL ZrqUiKey(UINT vk, BOOL down) {
  if (vk > 255) return FALSE;
  return Queue(InputKind::Key, nullptr, down ? WM_KEYDOWN : WM_KEYUP, vk, POINT{0, 0});
}

BOOL ZrqUiChar(WCHAR ch) { return Queue(InputKind::Character, nullptr, WM_CHAR, ch, POINT{0, 0}); }

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
