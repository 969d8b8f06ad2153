// Combo boxes of the drop-down list kind (the others behave as it does). A choice the user
// makes, with the mouse on the open list or with the keys, sends CBN_SELCHANGE; CB_SETCURSEL
// does not.
#include <algorithm>
#include <new>

#include "platform/ui/CatchAllocation.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Painters.h"
#include "platform/ui/ThreadState.h"
#include "platform/ui/Typeface.h"
#include "platform/ui/WindowClasses.h"

namespace zrq::ui {
namespace {

constexpr int kFieldHeight = kTextHeight + 8;
constexpr int kItemHeight = kTextHeight + 2;
constexpr int kButtonWidth = 17;

struct ComboState : WindowState {
  std::vector<std::u16string> items;
  std::vector<LPARAM> data;
  int selection = -1;
  bool dropped = false;
  int hot = -1;            // the entry under the mouse or the keys on the open list
  int requestedHeight = 0; // the height asked for at creation: field and list together
};

int Count(const ComboState &s) { return static_cast<int>(s.items.size()); }

// The open list, in the combo's client coordinates: under the field, as tall as the height asked
// for at creation allows and at least one entry.
RECT ListRect(const Window &w, const ComboState &s) {
  const int room = std::max(s.requestedHeight - w.Height(), kItemHeight);
  const int rows = std::max(1, std::min(Count(s), room / kItemHeight));
  return RECT{0, w.Height(), w.Width(), w.Height() + rows * kItemHeight + 2};
}

int EntryAt(const Window &w, const ComboState &s, int x, int y) {
  const RECT list = ListRect(w, s);
  if (x < list.left || x >= list.right || y < list.top + 1 || y >= list.bottom - 1) return -1;
  const int index = (y - list.top - 1) / kItemHeight;
  return index < Count(s) ? index : -1;
}

void Select(HWND hwnd, int index, bool notify) {
  auto *s = StateOf<ComboState>(hwnd);
  Window *w = FindWindow(hwnd);
  if (!s || !w || index < 0 || index >= Count(*s)) return;
  s->hot = index;
  w->invalid = true;
  if (s->selection == index) return;
  s->selection = index;
  if (notify) NotifyParent(hwnd, CBN_SELCHANGE);
}

void Open(HWND hwnd) {
  auto *s = StateOf<ComboState>(hwnd);
  if (!s || s->dropped) return;
  NotifyParent(hwnd, CBN_DROPDOWN);
  if (!(s = StateOf<ComboState>(hwnd))) return;
  s->dropped = true;
  s->hot = s->selection;
  if (Window *w = FindWindow(hwnd)) w->invalid = true;
  SetCapture(hwnd);
}

void Close(HWND hwnd, bool accepted) {
  auto *s = StateOf<ComboState>(hwnd);
  if (!s || !s->dropped) return;
  s->dropped = false;
  if (Window *w = FindWindow(hwnd)) w->invalid = true;
  if (GetCapture() == hwnd) ReleaseCapture();
  NotifyParent(hwnd, accepted ? CBN_SELENDOK : CBN_SELENDCANCEL);
  NotifyParent(hwnd, CBN_CLOSEUP);
}

void Key(HWND hwnd, WPARAM vk, bool alt) {
  auto *s = StateOf<ComboState>(hwnd);
  if (!s) return;
  if (vk == VK_F4 || (alt && (vk == VK_DOWN || vk == VK_UP)))
    return s->dropped ? Close(hwnd, true) : Open(hwnd);
  if (s->dropped && vk == VK_RETURN) return Close(hwnd, true);
  if (s->dropped && vk == VK_ESCAPE) return Close(hwnd, false);
  const int last = Count(*s) - 1;
  const int page = 8;
  const int from = s->selection;
  int to = from;
  switch (vk) {
  case VK_UP:
  case VK_LEFT:
    to = from < 0 ? 0 : std::max(from - 1, 0);
    break;
  case VK_DOWN:
  case VK_RIGHT:
    to = std::min(from + 1, last);
    break;
  case VK_PRIOR:
    to = std::max(from - page, 0);
    break;
  case VK_NEXT:
    to = std::min(std::max(from, 0) + page, last);
    break;
  case VK_HOME:
    to = 0;
    break;
  case VK_END:
    to = last;
    break;
  default:
    return;
  }
  Select(hwnd, to, true);
}

// A typed character picks the next entry that starts with it.
void TypeAhead(HWND hwnd, WCHAR ch) {
  auto *s = StateOf<ComboState>(hwnd);
  if (!s || ch < 0x20) return;
  auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
  const int n = Count(*s);
  for (int i = 1; i <= n; ++i) {
    const int index = (std::max(s->selection, -1) + i + n) % n;
    if (!s->items[index].empty() && fold(s->items[index][0]) == fold(ch))
      return Select(hwnd, index, true);
  }
}

LRESULT Insert(ComboState &s, int at, LPCWSTR text, bool sorted) {
  if (!text) text = u"";
  try {
    const std::u16string entry = text;
    if (sorted) {
      at = static_cast<int>(std::upper_bound(s.items.begin(), s.items.end(), entry) -
                            s.items.begin());
    } else if (at < 0 || at > Count(s)) {
      at = Count(s);
    }
    s.items.insert(s.items.begin() + at, entry);
    s.data.insert(s.data.begin() + at, 0);
  } catch (const std::bad_alloc &) {
    if (s.data.size() < s.items.size()) s.items.erase(s.items.begin() + at);
    return CB_ERRSPACE;
  }
  if (s.selection >= at) ++s.selection;
  return at;
}

LRESULT Find(const ComboState &s, WPARAM after, LPCWSTR text, bool exact) {
  if (!text) return CB_ERR;
  const std::u16string wanted = text;
  const int n = Count(s);
  const int start =
      static_cast<int>(after) < -1 || static_cast<int>(after) >= n ? -1 : static_cast<int>(after);
  for (int i = 1; i <= n; ++i) {
    const int index = (start + i + n) % n;
    const std::u16string &item = s.items[index];
    const bool match = exact ? EqualIgnoringCase(item, wanted)
                             : item.size() >= wanted.size() &&
                                   EqualIgnoringCase(item.substr(0, wanted.size()), wanted);
    if (match) return index;
  }
  return CB_ERR;
}

} // namespace

static LRESULT ComboBoxProcUnguarded(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window *w = FindWindow(hwnd);
  if (!w) return 0;
  auto *s = dynamic_cast<ComboState *>(w->state.get());
  if (!s && message != WM_NCCREATE) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
  case WM_NCCREATE:
    try {
      auto state = std::make_unique<ComboState>();
      state->requestedHeight = reinterpret_cast<const CREATESTRUCTW *>(lParam)->cy;
      w->state = std::move(state);
    } catch (const std::bad_alloc &) {
      return FALSE;
    }
    return TRUE; // the field shows the selected entry, not a window text
  case WM_CREATE:
    // The field is one line tall; the rest of the height asked for is the list's.
    SetWindowPos(hwnd, nullptr, 0, 0, w->Width(), kFieldHeight, SWP_NOMOVE | SWP_NOZORDER);
    return 0;
  case WM_GETDLGCODE: {
    LRESULT code = DLGC_WANTCHARS | DLGC_WANTARROWS;
    const auto *msg = reinterpret_cast<const MSG *>(lParam);
    if (s->dropped && msg && msg->message == WM_KEYDOWN &&
        (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE))
      code |= DLGC_WANTMESSAGE;
    return code;
  }
  case CB_ADDSTRING:
  case CB_INSERTSTRING: {
    const bool sorted = message == CB_ADDSTRING && (w->style & CBS_SORT);
    const LRESULT at = Insert(*s, message == CB_ADDSTRING ? -1 : static_cast<int>(wParam),
                              reinterpret_cast<LPCWSTR>(lParam), sorted);
    w->invalid = true;
    return at;
  }
  case CB_DELETESTRING: {
    const int index = static_cast<int>(wParam);
    if (index < 0 || index >= Count(*s)) return CB_ERR;
    s->items.erase(s->items.begin() + index);
    s->data.erase(s->data.begin() + index);
    if (s->selection == index) s->selection = -1;
    if (s->selection > index) --s->selection;
    w->invalid = true;
    return Count(*s);
  }
  case CB_RESETCONTENT:
    s->items.clear();
    s->data.clear();
    s->selection = s->hot = -1;
    w->invalid = true;
    return CB_OKAY;
  case CB_GETCOUNT:
    return Count(*s);
  case CB_GETCURSEL:
    return s->selection;
  case CB_SETCURSEL: {
    const int index = static_cast<int>(wParam);
    w->invalid = true;
    if (index < 0 || index >= Count(*s)) {
      s->selection = -1;
      return CB_ERR;
    }
    s->selection = s->hot = index;
    return index;
  }
  case CB_GETLBTEXT:
  case CB_GETLBTEXTLEN: {
    const int index = static_cast<int>(wParam);
    if (index < 0 || index >= Count(*s)) return CB_ERR;
    const std::u16string &item = s->items[index];
    if (message == CB_GETLBTEXT && lParam) {
      std::copy(item.begin(), item.end(), reinterpret_cast<LPWSTR>(lParam));
      reinterpret_cast<LPWSTR>(lParam)[item.size()] = 0;
    }
    return static_cast<LRESULT>(item.size());
  }
  case CB_FINDSTRING:
    return Find(*s, wParam, reinterpret_cast<LPCWSTR>(lParam), false);
  case CB_FINDSTRINGEXACT:
    return Find(*s, wParam, reinterpret_cast<LPCWSTR>(lParam), true);
  case CB_SELECTSTRING: {
    const LRESULT index = Find(*s, wParam, reinterpret_cast<LPCWSTR>(lParam), false);
    if (index != CB_ERR) s->selection = static_cast<int>(index), w->invalid = true;
    return index;
  }
  case CB_GETITEMDATA: {
    const int index = static_cast<int>(wParam);
    return index < 0 || index >= Count(*s) ? CB_ERR : s->data[index];
  }
  case CB_SETITEMDATA: {
    const int index = static_cast<int>(wParam);
    if (index < 0 || index >= Count(*s)) return CB_ERR;
    s->data[index] = lParam;
    return CB_OKAY;
  }
  case CB_SHOWDROPDOWN:
    if (wParam)
      Open(hwnd);
    else
      Close(hwnd, false);
    return TRUE;
  case CB_GETDROPPEDSTATE:
    return s->dropped ? TRUE : FALSE;
  case CB_GETDROPPEDCONTROLRECT: {
    auto *r = reinterpret_cast<RECT *>(lParam);
    if (!r) return CB_ERR;
    *r = ListRect(*w, *s);
    r->top = 0;
    POINT corner{0, 0};
    ClientToScreen(hwnd, &corner);
    r->left += corner.x, r->right += corner.x, r->top += corner.y, r->bottom += corner.y;
    return CB_OKAY;
  }
  case WM_GETTEXT: {
    auto *buffer = reinterpret_cast<LPWSTR>(lParam);
    if (!buffer || wParam == 0) return 0;
    const std::u16string text = s->selection >= 0 ? s->items[s->selection] : u"";
    const size_t n = std::min(text.size(), static_cast<size_t>(wParam - 1));
    std::copy_n(text.begin(), n, buffer);
    buffer[n] = 0;
    return static_cast<LRESULT>(n);
  }
  case WM_GETTEXTLENGTH:
    return s->selection >= 0 ? static_cast<LRESULT>(s->items[s->selection].size()) : 0;
  case WM_SETTEXT: {
    const LRESULT index =
        Find(*s, static_cast<WPARAM>(-1), reinterpret_cast<LPCWSTR>(lParam), true);
    if (index == CB_ERR) return CB_ERR;
    s->selection = static_cast<int>(index);
    w->invalid = true;
    return TRUE;
  }
  case WM_LBUTTONDOWN: {
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    if (!s->dropped) {
      SetFocus(hwnd);
      Open(hwnd);
      return 0;
    }
    if (EntryAt(*w, *s, x, y) < 0) Close(hwnd, false); // outside the list: closes it
    return 0;
  }
  case WM_MOUSEMOVE:
    if (s->dropped) {
      const int entry = EntryAt(*w, *s, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      if (entry >= 0 && entry != s->hot) s->hot = entry, w->invalid = true;
    }
    return 0;
  case WM_LBUTTONUP: {
    if (!s->dropped) return 0;
    const int entry = EntryAt(*w, *s, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    if (entry < 0) return 0; // released on the field: the list stays open
    Select(hwnd, entry, true);
    Close(hwnd, true);
    return 0;
  }
  case WM_CAPTURECHANGED:
    if (s->dropped && reinterpret_cast<HWND>(lParam) != hwnd) Close(hwnd, false);
    return 0;
  case WM_KEYDOWN:
    Key(hwnd, wParam, false);
    return 0;
  case WM_SYSKEYDOWN:
    if (wParam == VK_DOWN || wParam == VK_UP) return Key(hwnd, wParam, true), 0;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  case WM_CHAR:
    TypeAhead(hwnd, static_cast<WCHAR>(wParam));
    return 0;
  case WM_SETFOCUS:
    w->invalid = true;
    NotifyParent(hwnd, CBN_SETFOCUS);
    return 0;
  case WM_KILLFOCUS:
    w->invalid = true;
    Close(hwnd, false);
    NotifyParent(hwnd, CBN_KILLFOCUS);
    return 0;
  default:
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

LRESULT CALLBACK ComboBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return zrq::ui::CatchAllocation<LRESULT>(
      0, [&] { return ComboBoxProcUnguarded(hwnd, message, wParam, lParam); });
}

void PaintComboBox(const Window &w, Canvas &canvas) {
  const auto *s = dynamic_cast<const ComboState *>(w.state.get());
  if (!s) return;
  const bool disabled = (w.style & WS_DISABLED) != 0;
  const RECT all{0, 0, w.Width(), w.Height()};
  canvas.Fill(all, disabled ? kFace : kWindow);
  canvas.Sunken(all);
  // The drop button with its arrow.
  const RECT button{all.right - 2 - kButtonWidth, 2, all.right - 2, all.bottom - 2};
  canvas.Fill(button, kFace);
  canvas.Raised(button);
  const int cx = (button.left + button.right) / 2, cy = (button.top + button.bottom) / 2 - 1;
  for (int i = 0; i < 4; ++i)
    canvas.Fill(RECT{cx - 3 + i, cy + i, cx + 4 - i, cy + i + 1}, disabled ? kGrayText : kText);
  const RECT field{3, 3, button.left - 1, all.bottom - 3};
  const bool focused = HasFocus(w) && !s->dropped;
  if (focused) canvas.Fill(field, kHighlight);
  if (s->selection >= 0) {
    const Canvas::Frame outer = canvas.Current();
    canvas.Enter(field);
    canvas.Text(2, (field.bottom - field.top - kTextHeight) / 2, s->items[s->selection],
                disabled  ? kGrayText
                : focused ? kHighlightText
                          : kText);
    canvas.Restore(outer);
  }
  if (focused) canvas.FocusRect(field);
}

void PaintComboList(const Window &w, Canvas &canvas) {
  const auto *s = dynamic_cast<const ComboState *>(w.state.get());
  if (!s || !s->dropped) return;
  const RECT list = ListRect(w, *s);
  canvas.Fill(list, kWindow);
  canvas.Outline(list, kText);
  const Canvas::Frame outer = canvas.Current();
  canvas.Enter(RECT{list.left + 1, list.top + 1, list.right - 1, list.bottom - 1});
  for (int i = 0; i < Count(*s); ++i) {
    const int top = i * kItemHeight;
    const bool hot = i == s->hot;
    if (hot) canvas.Fill(RECT{0, top, list.right - 2, top + kItemHeight}, kHighlight);
    canvas.Text(2, top + 1, s->items[i], hot ? kHighlightText : kText);
  }
  canvas.Restore(outer);
}

} // namespace zrq::ui
