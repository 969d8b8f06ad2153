// Keyboard navigation in dialogs: Tab and Shift+Tab between tab stops, arrow keys within a
// group, mnemonics, Enter and Escape.
#include <algorithm>
#include <vector>

#include "platform/ui/CatchAllocation.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogState.h"
#include "platform/ui/ThreadState.h"
#include "platform/ui/WindowClasses.h"

using zrq::ui::FindWindow;
using zrq::ui::Window;

namespace {

bool Usable(const Window &w) { return (w.style & WS_VISIBLE) && !(w.style & WS_DISABLED); }

// The dialog's controls in tab order; a child that is a control parent stands for its own
// controls, as on Windows.
void CollectControls(HWND parent, std::vector<HWND> &out) {
  Window *w = FindWindow(parent);
  if (!w) return;
  for (HWND child : w->children) {
    Window *c = FindWindow(child);
    if (!c) continue;
    if ((c->exStyle & WS_EX_CONTROLPARENT) && Usable(*c))
      CollectControls(child, out);
    else
      out.push_back(child);
  }
}

HWND Step(const std::vector<HWND> &controls, HWND from, BOOL previous,
          bool (*accept)(const Window &)) {
  if (controls.empty()) return nullptr;
  const auto at = std::find(controls.begin(), controls.end(), from);
  const size_t n = controls.size();
  size_t index =
      at == controls.end() ? (previous ? 0 : n - 1) : static_cast<size_t>(at - controls.begin());
  for (size_t tried = 0; tried < n; ++tried) {
    index = previous ? (index + n - 1) % n : (index + 1) % n;
    Window *c = FindWindow(controls[index]);
    if (c && accept(*c)) return controls[index];
  }
  return nullptr;
}

bool IsTabStop(const Window &w) { return Usable(w) && (w.style & WS_TABSTOP); }
bool IsUsable(const Window &w) { return Usable(w); }

LRESULT DialogCode(HWND control, MSG *msg) {
  return control ? SendMessageW(control, WM_GETDLGCODE, msg ? msg->wParam : 0,
                                reinterpret_cast<LPARAM>(msg))
                 : 0;
}

// A dialog moves its focus itself (WM_NEXTDLGCTL, which selects an edit's text); for another
// window used as one, such as a host's frame holding a page, the same is done here.
void MoveFocus(HWND dialog, HWND target) {
  if (!target || !IsWindow(target)) return;
  if (zrq::ui::StateOf<zrq::ui::DialogState>(dialog)) {
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
    return;
  }
  SetFocus(target);
  if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
    SendMessageW(target, EM_SETSEL, 0, -1);
}

// The control whose text marks ch with "&", from the one after the focus on, or null.
HWND FindMnemonic(HWND dialog, WCHAR ch) {
  if (ch >= u'a' && ch <= u'z') ch = static_cast<WCHAR>(ch - 32);
  std::vector<HWND> controls;
  CollectControls(dialog, controls);
  const auto focus = std::find(controls.begin(), controls.end(), GetFocus());
  const size_t n = controls.size();
  const size_t start =
      focus == controls.end() ? 0 : static_cast<size_t>(focus - controls.begin()) + 1;
  for (size_t i = 0; i < n; ++i) {
    HWND c = controls[(start + i) % n];
    Window *w = FindWindow(c);
    if (!w || !Usable(*w)) continue;
    // Only labels and buttons carry mnemonics; an edit's text is the user's.
    const LRESULT code = DialogCode(c, nullptr);
    if (!(code & (DLGC_STATIC | DLGC_BUTTON))) continue;
    if (zrq::ui::EqualIgnoringCase(w->className, u"Static") && (w->style & SS_NOPREFIX)) continue;
    if (zrq::ui::Mnemonic(w->text) == ch) return c;
  }
  return nullptr;
}

// A label's mnemonic moves to the control after it; a button's presses it.
void ActivateMnemonic(HWND dialog, HWND control) {
  const LRESULT code = DialogCode(control, nullptr);
  if (code & DLGC_STATIC) {
    std::vector<HWND> controls;
    CollectControls(dialog, controls);
    if (HWND next = Step(controls, control, FALSE, IsTabStop)) MoveFocus(dialog, next);
  } else if (code & DLGC_BUTTON) {
    MoveFocus(dialog, control);
    SendMessageW(control, BM_CLICK, 0, 0);
  } else {
    MoveFocus(dialog, control);
  }
}

// Enter presses the focused push button, else the default one, else sends IDOK.
void PressDefault(HWND dialog) {
  HWND focus = GetFocus();
  const LRESULT code = DialogCode(focus, nullptr);
  if (focus && (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
    SendMessageW(focus, BM_CLICK, 0, 0);
    return;
  }
  std::vector<HWND> controls;
  CollectControls(dialog, controls);
  for (HWND c : controls) {
    if (DialogCode(c, nullptr) & DLGC_DEFPUSHBUTTON) {
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c), BN_CLICKED),
                   reinterpret_cast<LPARAM>(c));
      return;
    }
  }
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

} // namespace

static HWND GetNextDlgTabItemUnguarded(HWND hDlg, HWND hCtl, BOOL bPrevious) {
  std::vector<HWND> controls;
  CollectControls(hDlg, controls);
  HWND next = Step(controls, hCtl, bPrevious, IsTabStop);
  return next ? next : hCtl;
}

HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
  return zrq::ui::CatchAllocation<HWND>(
      nullptr, [&] { return GetNextDlgTabItemUnguarded(hDlg, hCtl, bPrevious); });
}

static HWND GetNextDlgGroupItemUnguarded(HWND hDlg, HWND hCtl, BOOL bPrevious) {
  std::vector<HWND> controls;
  CollectControls(hDlg, controls);
  const auto at = std::find(controls.begin(), controls.end(), hCtl);
  if (at == controls.end()) return Step(controls, nullptr, bPrevious, IsUsable);
  // The group runs from a WS_GROUP control up to the next one.
  auto first = at;
  while (first != controls.begin() &&
         !(FindWindow(*first) && (FindWindow(*first)->style & WS_GROUP)))
    --first;
  auto last = at + 1;
  while (last != controls.end() && !(FindWindow(*last) && (FindWindow(*last)->style & WS_GROUP)))
    ++last;
  const std::vector<HWND> group(first, last);
  HWND next = Step(group, hCtl, bPrevious, IsUsable);
  return next ? next : hCtl;
}

HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
  return zrq::ui::CatchAllocation<HWND>(
      nullptr, [&] { return GetNextDlgGroupItemUnguarded(hDlg, hCtl, bPrevious); });
}

static BOOL IsDialogMessageWUnguarded(HWND hDlg, LPMSG lpMsg) {
  if (!lpMsg || !IsWindow(hDlg) || (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd)))
    return FALSE;
  const UINT message = lpMsg->message;
  if (message == WM_KEYDOWN || message == WM_CHAR || message == WM_SYSCHAR) {
    const LRESULT code = DialogCode(lpMsg->hwnd, lpMsg);
    const bool wantsAll = code & DLGC_WANTALLKEYS;
    if (message == WM_KEYDOWN) {
      switch (lpMsg->wParam) {
      case VK_TAB:
        if (wantsAll || (code & DLGC_WANTTAB)) break;
        MoveFocus(hDlg, GetNextDlgTabItem(hDlg, GetFocus() == hDlg ? nullptr : GetFocus(),
                                          GetKeyState(VK_SHIFT) < 0));
        return TRUE;
      case VK_LEFT:
      case VK_UP:
      case VK_RIGHT:
      case VK_DOWN: {
        if (wantsAll || (code & DLGC_WANTARROWS)) break;
        const BOOL previous = lpMsg->wParam == VK_LEFT || lpMsg->wParam == VK_UP;
        // Labels in a group are passed over.
        HWND from = GetFocus();
        for (int guard = 0; guard < 4096; ++guard) {
          HWND next = GetNextDlgGroupItem(hDlg, from, previous);
          if (!next || next == from || next == GetFocus()) break;
          if (!(DialogCode(next, nullptr) & DLGC_STATIC)) {
            MoveFocus(hDlg, next);
            break;
          }
          from = next;
        }
        return TRUE;
      }
      case VK_RETURN:
        if (wantsAll) break;
        PressDefault(hDlg);
        return TRUE;
      case VK_ESCAPE:
        if (wantsAll) break;
        SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
        return TRUE;
      default:
        break;
      }
    } else {
      const WCHAR ch = static_cast<WCHAR>(lpMsg->wParam);
      // The characters of navigation keys the control did not take are dropped.
      if (!wantsAll && (ch == u'\t' || ch == u'\r' || ch == 27) && message == WM_CHAR &&
          !(code & DLGC_WANTCHARS))
        return TRUE;
      if (message == WM_SYSCHAR || !(code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS))) {
        if (HWND target = FindMnemonic(hDlg, ch)) {
          ActivateMnemonic(hDlg, target);
          return TRUE;
        }
      }
    }
  }
  TranslateMessage(lpMsg);
  DispatchMessageW(lpMsg);
  return TRUE;
}

BOOL IsDialogMessageW(HWND hDlg, LPMSG lpMsg) {
  return zrq::ui::CatchAllocation<BOOL>(FALSE,
                                        [&] { return IsDialogMessageWUnguarded(hDlg, lpMsg); });
}
