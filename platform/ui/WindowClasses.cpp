#include "platform/ui/WindowClasses.h"

#include <commctrl.h>
#include <winerror.h>

#include "platform/ui/Controls.h"

namespace zrq::ui {
namespace {

char16_t Fold(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

} // namespace

bool EqualIgnoringCase(const std::u16string &a, const std::u16string &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

WindowClasses &WindowClasses::Process() {
  static WindowClasses classes;
  return classes;
}

WindowClasses::WindowClasses() {
  const struct {
    const char16_t *name;
    ATOM atom;
    WNDPROC proc;
    int extra;
  } predefined[] = {
      {WC_BUTTONW, 0x8010, ButtonProc, 0},
      {WC_EDITW, 0x8011, EditProc, 0},
      {WC_STATICW, 0x8012, StaticProc, 0},
      {WC_COMBOBOXW, 0x8013, ComboBoxProc, 0},
      {TRACKBAR_CLASSW, 0x8014, TrackbarProc, 0},
      {u"#32770", kDialogClassAtom, DefDlgProcW, DLGWINDOWEXTRA},
  };
  for (const auto &p : predefined) {
    WindowClass c;
    c.name = p.name;
    c.atom = p.atom;
    c.proc = p.proc;
    c.windowExtra = p.extra;
    c.predefined = true;
    classes.push_back(std::move(c));
  }
}

ATOM WindowClasses::Register(const WNDCLASSEXW &wc) {
  std::lock_guard<std::mutex> hold(classesLock);
  const std::u16string name = wc.lpszClassName;
  for (const WindowClass &c : classes) {
    if (!c.predefined && c.instance == wc.hInstance && EqualIgnoringCase(c.name, name)) {
      SetLastError(ERROR_CLASS_ALREADY_EXISTS);
      return 0;
    }
  }
  WindowClass c;
  c.name = name;
  c.atom = nextAtom++;
  c.style = wc.style;
  c.proc = wc.lpfnWndProc;
  c.classExtra = wc.cbClsExtra;
  c.windowExtra = wc.cbWndExtra;
  c.instance = wc.hInstance;
  classes.push_back(std::move(c));
  return classes.back().atom;
}

BOOL WindowClasses::Unregister(LPCWSTR name, HINSTANCE instance) {
  std::lock_guard<std::mutex> hold(classesLock);
  for (auto it = classes.begin(); it != classes.end(); ++it) {
    const bool match =
        IS_INTRESOURCE(name) ? it->atom == LOWORD(name) : EqualIgnoringCase(it->name, name);
    if (match && !it->predefined && it->instance == instance) {
      classes.erase(it);
      return TRUE;
    }
  }
  SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
  return FALSE;
}

std::optional<WindowClass> WindowClasses::Find(LPCWSTR nameOrAtom, HINSTANCE instance) {
  if (!nameOrAtom) return std::nullopt;
  std::lock_guard<std::mutex> hold(classesLock);
  const WindowClass *best = nullptr;
  int bestRank = 0;
  for (const WindowClass &c : classes) {
    const bool match = IS_INTRESOURCE(nameOrAtom) ? c.atom == LOWORD(nameOrAtom)
                                                  : EqualIgnoringCase(c.name, nameOrAtom);
    if (!match) continue;
    const int rank = c.predefined ? 1 : c.instance == instance ? 3 : 2;
    if (rank > bestRank) best = &c, bestRank = rank;
  }
  if (!best) return std::nullopt;
  return *best;
}

} // namespace zrq::ui
