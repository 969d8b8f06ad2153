// One window: what the table keeps about it between messages.
#pragma once

#include <winuser.h>

#include <memory>
#include <string>
#include <vector>

namespace zrq::ui {

// What a control or a dialog keeps beside the common fields; freed with its window.
struct WindowState {
  virtual ~WindowState() = default;
};

struct Window {
  HWND handle = nullptr;
  std::u16string className;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect{}; // in the parent's client coordinates, or the screen's for a top-level window
  HWND parent = nullptr;      // child windows only
  HWND owner = nullptr;       // top-level windows only
  std::vector<HWND> children; // the top of the z-order first
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  std::vector<unsigned char> extra; // the class's window extra bytes (a dialog's DWLP_* values)
  std::u16string text;
  HFONT font = nullptr;
  std::unique_ptr<WindowState> state;
  bool destroying = false;
  bool invalid = true; // waits for WM_PAINT

  LONG Width() const { return rect.right - rect.left; }
  LONG Height() const { return rect.bottom - rect.top; }
};

} // namespace zrq::ui
