// Push buttons, check boxes, radio buttons and group boxes.
#include <new>

#include "platform/ui/CatchAllocation.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Painters.h"
#include "platform/ui/ThreadState.h"
#include "platform/ui/Typeface.h"
#include "platform/ui/WindowClasses.h"

namespace zrq::ui {
namespace {

struct ButtonState : WindowState {
  bool pushed = false;
  WPARAM check = BST_UNCHECKED;
};

DWORD TypeOf(const Window &w) { return w.style & BS_TYPEMASK; }

bool IsPushButton(DWORD type) {
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_USERBUTTON;
}

void SetPushed(HWND hwnd, bool pushed) {
  Window *w = FindWindow(hwnd);
  auto *state = StateOf<ButtonState>(hwnd);
  if (!w || !state || state->pushed == pushed) return;
  state->pushed = pushed;
  w->invalid = true;
}

// A chosen auto radio button clears the other auto radio buttons of its group.
void UncheckGroup(HWND hwnd) {
  const HWND parent = GetParent(hwnd);
  for (HWND other = GetNextDlgGroupItem(parent, hwnd, FALSE); other && other != hwnd;
       other = GetNextDlgGroupItem(parent, other, FALSE)) {
    Window *o = FindWindow(other);
    if (o && EqualIgnoringCase(o->className, u"Button") && TypeOf(*o) == BS_AUTORADIOBUTTON)
      SendMessageW(other, BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

void Click(HWND hwnd) {
  Window *w = FindWindow(hwnd);
  auto *state = StateOf<ButtonState>(hwnd);
  if (!w || !state) return;
  switch (TypeOf(*w)) {
  case BS_AUTOCHECKBOX:
    state->check = state->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    break;
  case BS_AUTO3STATE:
    state->check = (state->check + 1) % 3;
    break;
  case BS_AUTORADIOBUTTON:
    state->check = BST_CHECKED;
    UncheckGroup(hwnd);
    break;
  default:
    break;
  }
  w->invalid = true;
  NotifyParent(hwnd, BN_CLICKED);
}

bool Inside(HWND hwnd, LPARAM lParam) {
  RECT r;
  GetClientRect(hwnd, &r);
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

} // namespace

static LRESULT ButtonProcUnguarded(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window *w = FindWindow(hwnd);
  if (!w) return 0;
  const DWORD type = TypeOf(*w);
  auto *state = dynamic_cast<ButtonState *>(w->state.get());
  if (!state && message != WM_NCCREATE) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
  case WM_NCCREATE:
    w->state = std::make_unique<ButtonState>();
    return DefWindowProcW(hwnd, message, wParam, lParam);
  case WM_GETDLGCODE:
    if (type == BS_GROUPBOX) return DLGC_STATIC;
    if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) return DLGC_BUTTON | DLGC_RADIOBUTTON;
    return IsPushButton(type) ? DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON : DLGC_BUTTON;
  case WM_NCHITTEST:
    return type == BS_GROUPBOX ? HTTRANSPARENT : HTCLIENT;
  case WM_LBUTTONDOWN:
    if (type == BS_GROUPBOX) return 0;
    SetFocus(hwnd);
    SetCapture(hwnd);
    SetPushed(hwnd, true);
    return 0;
  case WM_MOUSEMOVE:
    if (GetCapture() == hwnd) SetPushed(hwnd, Inside(hwnd, lParam));
    return 0;
  case WM_LBUTTONUP:
    if (GetCapture() != hwnd) return 0;
    ReleaseCapture(); // WM_CAPTURECHANGED lifts the button
    if (Inside(hwnd, lParam)) Click(hwnd);
    return 0;
  case WM_CAPTURECHANGED:
    SetPushed(hwnd, false);
    return 0;
  case WM_KEYDOWN:
    if (wParam == VK_SPACE && type != BS_GROUPBOX) SetPushed(hwnd, true);
    return 0;
  case WM_KEYUP:
    if (wParam == VK_SPACE && state->pushed) {
      SetPushed(hwnd, false);
      Click(hwnd);
    }
    return 0;
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
    w->invalid = true;
    if (message == WM_KILLFOCUS) SetPushed(hwnd, false);
    if (w->style & BS_NOTIFY)
      NotifyParent(hwnd, message == WM_SETFOCUS ? BN_SETFOCUS : BN_KILLFOCUS);
    return 0;
  case BM_CLICK:
    // As on Windows: a press and a release at the button's corner.
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageW(hwnd, WM_LBUTTONUP, 0, 0);
    return 0;
  case BM_GETCHECK:
    return static_cast<LRESULT>(state->check);
  case BM_SETCHECK:
    state->check = wParam > BST_INDETERMINATE ? BST_UNCHECKED : wParam;
    w->invalid = true;
    return 0;
  case BM_GETSTATE:
    return static_cast<LRESULT>(state->check | (state->pushed ? BST_PUSHED : 0) |
                                (HasFocus(*w) ? BST_FOCUS : 0));
  case BM_SETSTATE:
    SetPushed(hwnd, wParam != 0);
    return 0;
  case BM_SETSTYLE:
    w->style = (w->style & ~0xFFFFu) | LOWORD(wParam);
    w->invalid = true;
    return 0;
  case WM_SETTEXT:
    w->invalid = true;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  default:
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return zrq::ui::CatchAllocation<LRESULT>(
      0, [&] { return ButtonProcUnguarded(hwnd, message, wParam, lParam); });
}

void PaintButton(const Window &w, Canvas &canvas) {
  const auto *state = dynamic_cast<const ButtonState *>(w.state.get());
  const RECT all{0, 0, w.Width(), w.Height()};
  const DWORD type = TypeOf(w);
  const DWORD colour = (w.style & WS_DISABLED) ? kGrayText : kText;
  const int width = TextWidth(w.text, true);
  if (type == BS_GROUPBOX) {
    // An etched frame whose top edge runs through the middle of the caption.
    const int top = kTextHeight / 2;
    canvas.Outline(RECT{0, top, all.right - 1, all.bottom - 1}, kShadow);
    canvas.Outline(RECT{1, top + 1, all.right, all.bottom}, kLight);
    if (!w.text.empty()) {
      canvas.Fill(RECT{6, 0, 6 + width + 4, kTextHeight}, kFace);
      canvas.Text(8, 0, w.text, colour, true);
    }
    return;
  }
  const bool focused = HasFocus(w);
  if (IsPushButton(type)) {
    const bool pushed = state && state->pushed;
    RECT face = all;
    if (type == BS_DEFPUSHBUTTON || focused) {
      canvas.Outline(all, kText);
      face = RECT{1, 1, all.right - 1, all.bottom - 1};
    }
    if (pushed) {
      canvas.Outline(face, kShadow);
    } else {
      canvas.Raised(face);
    }
    const int shift = pushed ? 1 : 0;
    const int x = (w.Width() - width) / 2 + shift;
    const int y = (w.Height() - kTextHeight) / 2 + shift;
    canvas.Text(x, y, w.text, colour, true);
    if (focused) canvas.FocusRect(RECT{4, 4, all.right - 4, all.bottom - 4});
    return;
  }
  // Check boxes and radio buttons: a 13-pixel box, then the text.
  const int boxTop = (w.Height() - 13) / 2;
  const RECT box{0, boxTop, 13, boxTop + 13};
  canvas.Fill(box, kWindow);
  canvas.Sunken(box);
  if (state && state->check == BST_CHECKED) canvas.Fill(RECT{4, boxTop + 4, 9, boxTop + 9}, colour);
  if (state && state->check == BST_INDETERMINATE)
    canvas.Fill(RECT{4, boxTop + 4, 9, boxTop + 9}, kShadow);
  canvas.Text(17, (w.Height() - kTextHeight) / 2, w.text, colour, true);
  if (focused)
    canvas.FocusRect(RECT{15, (w.Height() - kTextHeight) / 2 - 1, 17 + width + 2,
                          (w.Height() + kTextHeight) / 2 + 1});
}

} // namespace zrq::ui
