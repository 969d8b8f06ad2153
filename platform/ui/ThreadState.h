// Everything the window layer keeps per thread: the window table, the message queue, focus,
// capture and the keyboard state. Windows belong to the thread that made them; a handle made
// on another thread is not found here.
#pragma once

#include <array>
#include <deque>
#include <map>

#include "platform/ui/Window.h"

namespace zrq::ui {

// A queued message. Input from ZrqUi* waits in the queue unrouted: it goes to the capture,
// the window under the point or the focus as they are when it is taken from the queue, after
// every message before it has been handled, as device input does on Windows.
enum class InputKind { None, Mouse, Key, Character };
struct QueuedMessage {
  MSG msg;
  InputKind input = InputKind::None;
};

// Routes a queued input message to its window; false when no window takes it (it is dropped).
bool RouteInput(QueuedMessage &queued);

class ThreadState {
public:
  static ThreadState &Current();

  // Null for a handle that is not a live window of this thread.
  Window *Find(HWND hwnd);
  Window &Add(std::unique_ptr<Window> window);
  void Remove(HWND hwnd);
  // Top-level windows, the most recently made last.
  const std::vector<HWND> &TopLevel() const { return topLevel; }

  std::deque<QueuedMessage> queue;
  bool quitPosted = false;
  int quitCode = 0;
  HWND focus = nullptr;
  HWND capture = nullptr;
  std::array<bool, 256> keyDown{};
  DWORD clock = 0; // message times: a counter, so runs repeat exactly

private:
  std::map<HWND, std::unique_ptr<Window>> windows;
  std::vector<HWND> topLevel;
};

// Shorthand for ThreadState::Current().Find(hwnd).
Window *FindWindow(HWND hwnd);

// The state a control or dialog keeps, or null when the window has none of that kind.
template <typename State> State *StateOf(HWND hwnd) {
  Window *w = FindWindow(hwnd);
  return w ? dynamic_cast<State *>(w->state.get()) : nullptr;
}

} // namespace zrq::ui
