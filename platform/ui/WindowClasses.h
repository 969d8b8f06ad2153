// The window classes of the process: the predefined controls and dialogs, and those that hosts
// and modules register.
#pragma once

#include <winuser.h>

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zrq::ui {

struct WindowClass {
  std::u16string name;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int classExtra = 0;
  int windowExtra = 0;
  HINSTANCE instance = nullptr;
  bool predefined = false;
};

// The dialog class "#32770", by its atom.
constexpr ATOM kDialogClassAtom = 0x8002;

class WindowClasses {
public:
  static WindowClasses &Process();

  // 0 with ERROR_CLASS_ALREADY_EXISTS when the instance has a class of that name already.
  ATOM Register(const WNDCLASSEXW &wc);
  BOOL Unregister(LPCWSTR name, HINSTANCE instance);
  // A name or an atom (MAKEINTATOM). The instance's own class wins over another's of the same
  // name, and any registered class over a predefined one.
  std::optional<WindowClass> Find(LPCWSTR nameOrAtom, HINSTANCE instance);

private:
  WindowClasses();
  std::mutex classesLock; // guards classes and nextAtom
  std::vector<WindowClass> classes;
  ATOM nextAtom = 0xC000;
};

// Names of classes and fonts compare without case, as Windows compares them (ASCII letters).
bool EqualIgnoringCase(const std::u16string &a, const std::u16string &b);

} // namespace zrq::ui
