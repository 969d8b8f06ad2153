#include "platform/ui/ThreadState.h"

#include <algorithm>
#include <atomic>

namespace zrq::ui {
namespace {

// Handles are unique in the process, so a handle of another thread's window or of a destroyed
// one is never mistaken for a live window here.
HWND NewHandle() {
  static std::atomic<uintptr_t> next{1};
  return reinterpret_cast<HWND>(0x10000 + 4 * next.fetch_add(1));
}

} // namespace

ThreadState &ThreadState::Current() {
  thread_local ThreadState state;
  return state;
}

Window *ThreadState::Find(HWND hwnd) {
  auto it = windows.find(hwnd);
  return it == windows.end() ? nullptr : it->second.get();
}

Window &ThreadState::Add(std::unique_ptr<Window> window) {
  window->handle = NewHandle();
  Window &w = *window;
  if (!(w.style & WS_CHILD)) topLevel.push_back(w.handle);
  windows.emplace(w.handle, std::move(window));
  return w;
}

void ThreadState::Remove(HWND hwnd) {
  topLevel.erase(std::remove(topLevel.begin(), topLevel.end(), hwnd), topLevel.end());
  windows.erase(hwnd);
}

Window *FindWindow(HWND hwnd) { return ThreadState::Current().Find(hwnd); }

} // namespace zrq::ui
