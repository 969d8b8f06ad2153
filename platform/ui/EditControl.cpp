// Single-line edit controls. Every change of the text, typed or set, reaches the parent as
// EN_UPDATE and then EN_CHANGE.
#include <algorithm>
#include <new>

#include "platform/ui/CatchAllocation.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Painters.h"
#include "platform/ui/ThreadState.h"
#include "platform/ui/Typeface.h"

namespace zrq::ui {
namespace {

constexpr size_t kDefaultLimit = 32767; // what a user may type before EM_LIMITTEXT
constexpr int kMargin = 2;

struct EditState : WindowState {
  size_t anchor = 0; // the selection runs from anchor to caret
  size_t caret = 0;
  size_t limit = kDefaultLimit;
  size_t scroll = 0; // the first character shown
  bool modified = false;
};

int BorderOf(const Window &w) {
  return (w.exStyle & WS_EX_CLIENTEDGE) ? 2 : (w.style & WS_BORDER) ? 1 : 0;
}

// Where the text goes: inside the border and margins.
RECT TextArea(const Window &w) {
  const int b = BorderOf(w);
  return RECT{b + kMargin, b, w.Width() - b - kMargin, w.Height() - b};
}

// The x of the text's first shown character, as aligned by the style.
int TextLeft(const Window &w, const EditState &s) {
  const RECT area = TextArea(w);
  const int width =
      TextWidth(std::u16string_view(w.text).substr(std::min(s.scroll, w.text.size())));
  const int room = area.right - area.left;
  if (width < room && (w.style & ES_RIGHT)) return area.right - width;
  if (width < room && (w.style & ES_CENTER)) return area.left + (room - width) / 2;
  return area.left;
}

// Keeps the caret in view by scrolling, for auto-scrolling edits.
void ScrollToCaret(const Window &w, EditState &s) {
  s.scroll = std::min(s.scroll, s.caret);
  const RECT area = TextArea(w);
  const int room = std::max<int>(area.right - area.left - 1, 0);
  while (s.scroll < s.caret &&
         TextWidth(std::u16string_view(w.text).substr(s.scroll, s.caret - s.scroll)) > room)
    ++s.scroll;
}

void Changed(HWND hwnd) {
  NotifyParent(hwnd, EN_UPDATE);
  NotifyParent(hwnd, EN_CHANGE);
}

// Replaces the selection with text, as far as the limit and (without ES_AUTOHSCROLL) the width
// allow; what does not fit is refused with EN_MAXTEXT.
void ReplaceSelection(HWND hwnd, std::u16string text) {
  Window *w = FindWindow(hwnd);
  auto *s = StateOf<EditState>(hwnd);
  if (!w || !s) return;
  const size_t from = std::min(s->anchor, s->caret), to = std::max(s->anchor, s->caret);
  const size_t kept = w->text.size() - (to - from);
  bool refused = false;
  if (kept + text.size() > s->limit) {
    text.resize(s->limit > kept ? s->limit - kept : 0);
    refused = true;
  }
  std::u16string next = w->text.substr(0, from) + text + w->text.substr(to);
  if (!(w->style & ES_AUTOHSCROLL)) {
    const RECT area = TextArea(*w);
    while (!text.empty() && TextWidth(next) > area.right - area.left) {
      text.pop_back();
      next = w->text.substr(0, from) + text + w->text.substr(to);
      refused = true;
    }
  }
  if (text.empty() && from == to) {
    if (refused) NotifyParent(hwnd, EN_MAXTEXT);
    return;
  }
  w->text = std::move(next);
  s->anchor = s->caret = from + text.size();
  s->modified = true;
  w->invalid = true;
  ScrollToCaret(*w, *s);
  Changed(hwnd);
  if (refused) NotifyParent(hwnd, EN_MAXTEXT);
}

void Type(HWND hwnd, WCHAR ch) {
  Window *w = FindWindow(hwnd);
  auto *s = StateOf<EditState>(hwnd);
  if (!w || !s || (w->style & ES_READONLY)) return;
  if (ch == 8) {
    if (s->anchor == s->caret) {
      if (s->caret == 0) return;
      s->anchor = s->caret - 1;
    }
    return ReplaceSelection(hwnd, u"");
  }
  if (ch < 0x20 || ch == 0x7F) return;
  if ((w->style & ES_NUMBER) && (ch < u'0' || ch > u'9')) return;
  if ((w->style & ES_UPPERCASE) && ch >= u'a' && ch <= u'z') ch = static_cast<WCHAR>(ch - 32);
  if ((w->style & ES_LOWERCASE) && ch >= u'A' && ch <= u'Z') ch = static_cast<WCHAR>(ch + 32);
  ReplaceSelection(hwnd, std::u16string(1, ch));
}

void Key(HWND hwnd, WPARAM vk) {
  Window *w = FindWindow(hwnd);
  auto *s = StateOf<EditState>(hwnd);
  if (!w || !s) return;
  const bool extend = GetKeyState(VK_SHIFT) < 0;
  size_t caret = s->caret;
  switch (vk) {
  case VK_LEFT:
    caret = caret > 0 ? caret - 1 : 0;
    break;
  case VK_RIGHT:
    caret = std::min(caret + 1, w->text.size());
    break;
  case VK_HOME:
    caret = 0;
    break;
  case VK_END:
    caret = w->text.size();
    break;
  case VK_DELETE:
    if (w->style & ES_READONLY) return;
    if (s->anchor == s->caret) {
      if (s->caret >= w->text.size()) return;
      s->anchor = s->caret + 1;
    }
    return ReplaceSelection(hwnd, u"");
  default:
    return;
  }
  // Without Shift an arrow first collapses a selection to its near end.
  if (!extend && s->anchor != s->caret && (vk == VK_LEFT || vk == VK_RIGHT))
    caret = vk == VK_LEFT ? std::min(s->anchor, s->caret) : std::max(s->anchor, s->caret);
  s->caret = caret;
  if (!extend) s->anchor = caret;
  w->invalid = true;
  ScrollToCaret(*w, *s);
}

// The character boundary nearest to x.
size_t CharacterAt(const Window &w, const EditState &s, int x) {
  int pen = TextLeft(w, s);
  for (size_t i = s.scroll; i < w.text.size(); ++i) {
    const int advance = Advance(w.text[i]);
    if (x < pen + advance / 2) return i;
    pen += advance;
  }
  return w.text.size();
}

} // namespace

static LRESULT EditProcUnguarded(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window *w = FindWindow(hwnd);
  if (!w) return 0;
  auto *s = dynamic_cast<EditState *>(w->state.get());
  if (!s && message != WM_NCCREATE) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
  case WM_NCCREATE:
    w->state = std::make_unique<EditState>();
    return DefWindowProcW(hwnd, message, wParam, lParam);
  case WM_GETDLGCODE: {
    LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    if (w->style & ES_MULTILINE) code |= DLGC_WANTALLKEYS;
    return code;
  }
  case WM_SETTEXT:
    try {
      DefWindowProcW(hwnd, message, wParam, lParam);
    } catch (const std::bad_alloc &) {
      NotifyParent(hwnd, EN_ERRSPACE);
      return FALSE;
    }
    s->anchor = s->caret = s->scroll = 0;
    s->modified = false;
    Changed(hwnd);
    return TRUE;
  case WM_CHAR:
    Type(hwnd, static_cast<WCHAR>(wParam));
    return 0;
  case WM_KEYDOWN:
    Key(hwnd, wParam);
    return 0;
  case WM_LBUTTONDOWN:
    SetFocus(hwnd);
    if ((s = StateOf<EditState>(hwnd)) && (w = FindWindow(hwnd))) {
      s->anchor = s->caret = CharacterAt(*w, *s, GET_X_LPARAM(lParam));
      w->invalid = true;
    }
    return 0;
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
    w->invalid = true;
    NotifyParent(hwnd, message == WM_SETFOCUS ? EN_SETFOCUS : EN_KILLFOCUS);
    return 0;
  case EM_SETSEL: {
    const auto start = static_cast<LONG_PTR>(static_cast<int>(wParam));
    const auto end = static_cast<LONG_PTR>(static_cast<int>(lParam));
    const size_t size = w->text.size();
    if (start < 0) {
      s->anchor = s->caret;
    } else {
      s->anchor = std::min(static_cast<size_t>(start), size);
      s->caret = end < 0 ? size : std::min(static_cast<size_t>(end), size);
    }
    w->invalid = true;
    ScrollToCaret(*w, *s);
    return 0;
  }
  case EM_GETSEL: {
    const auto from = static_cast<DWORD>(std::min(s->anchor, s->caret));
    const auto to = static_cast<DWORD>(std::max(s->anchor, s->caret));
    if (wParam) *reinterpret_cast<DWORD *>(wParam) = from;
    if (lParam) *reinterpret_cast<DWORD *>(lParam) = to;
    return MAKELRESULT(std::min<DWORD>(from, 0xFFFF), std::min<DWORD>(to, 0xFFFF));
  }
  case EM_REPLACESEL:
    try {
      ReplaceSelection(hwnd, lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"");
    } catch (const std::bad_alloc &) {
      NotifyParent(hwnd, EN_ERRSPACE);
    }
    return 0;
  case EM_LIMITTEXT:
    s->limit = wParam ? static_cast<size_t>(wParam) : 0x7FFFFFFE;
    return 0;
  case EM_GETLIMITTEXT:
    return static_cast<LRESULT>(s->limit);
  case EM_GETMODIFY:
    return s->modified ? TRUE : FALSE;
  case EM_SETMODIFY:
    s->modified = wParam != 0;
    return 0;
  case EM_SETREADONLY:
    w->style = wParam ? (w->style | ES_READONLY) : (w->style & ~ES_READONLY);
    w->invalid = true;
    return TRUE;
  default:
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return zrq::ui::CatchAllocation<LRESULT>(
      0, [&] { return EditProcUnguarded(hwnd, message, wParam, lParam); });
}

void PaintEdit(const Window &w, Canvas &canvas) {
  const auto *s = dynamic_cast<const EditState *>(w.state.get());
  if (!s) return;
  const RECT all{0, 0, w.Width(), w.Height()};
  const bool disabled = (w.style & WS_DISABLED) != 0;
  canvas.Fill(all, disabled || (w.style & ES_READONLY) ? kFace : kWindow);
  if (w.exStyle & WS_EX_CLIENTEDGE)
    canvas.Sunken(all);
  else if (w.style & WS_BORDER)
    canvas.Outline(all, kDarkShadow);
  const RECT area = TextArea(w);
  const Canvas::Frame outer = canvas.Current();
  canvas.Enter(RECT{0, area.top, w.Width() - BorderOf(w), area.bottom});
  const int top = (area.bottom - area.top - kTextHeight) / 2;
  const bool focused = HasFocus(w);
  const size_t from = std::min(s->anchor, s->caret), to = std::max(s->anchor, s->caret);
  int x = TextLeft(w, *s);
  int caretX = x;
  for (size_t i = s->scroll; i < w.text.size(); ++i) {
    const char16_t c = w.text[i];
    const bool selected = focused && i >= from && i < to;
    if (i == s->caret) caretX = x;
    if (selected) canvas.Fill(RECT{x, top, x + Advance(c), top + kTextHeight}, kHighlight);
    x = canvas.Text(x, top, std::u16string_view(&c, 1),
                    disabled   ? kGrayText
                    : selected ? kHighlightText
                               : kText);
  }
  if (s->caret >= w.text.size()) caretX = x;
  if (focused && from == to) canvas.Fill(RECT{caretX, top, caretX + 1, top + kTextHeight}, kText);
  canvas.Restore(outer);
}

} // namespace zrq::ui
