// Trackbars, horizontal or (TBS_VERT) vertical with the minimum at the top. Moves report
// WM_HSCROLL (WM_VSCROLL) to the parent; letting go of the mouse reports NM_RELEASEDCAPTURE
// through WM_NOTIFY.
#include <commctrl.h>

#include <algorithm>
#include <new>

#include "platform/ui/CatchAllocation.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Painters.h"
#include "platform/ui/ThreadState.h"

namespace zrq::ui {
namespace {

constexpr int kThumbWidth = 11;
constexpr int kInset = 8; // from either end to the first and last thumb centre

struct TrackbarState : WindowState {
  LONG min = 0, max = 100, pos = 0;
  LONG line = 1, page = 20;
  bool dragging = false;
  int grip = 0;          // where on the thumb the mouse took it, from its centre
  bool tracking = false; // the mouse is down on the control
};

LONG Clamp(const TrackbarState &s, LONG v) {
  return s.max <= s.min ? s.min : std::clamp(v, s.min, s.max);
}

bool Vertical(const Window &w) { return (w.style & TBS_VERT) != 0; }

// The control's extent along the channel, and a point's place along it.
int Length(const Window &w) { return Vertical(w) ? w.Height() : w.Width(); }
int Along(const Window &w, LPARAM point) {
  return Vertical(w) ? GET_Y_LPARAM(point) : GET_X_LPARAM(point);
}

int Span(const Window &w) { return std::max(Length(w) - 2 * kInset, 0); }

int CentreOf(const Window &w, const TrackbarState &s) {
  if (s.max <= s.min) return kInset;
  const long long offset = static_cast<long long>(s.pos - s.min) * Span(w);
  return kInset + static_cast<int>((offset + (s.max - s.min) / 2) / (s.max - s.min));
}

LONG PositionAt(const Window &w, const TrackbarState &s, int x) {
  if (s.max <= s.min || Span(w) == 0) return s.min;
  const long long along = std::clamp(x - kInset, 0, Span(w));
  const long long range = static_cast<long long>(s.max) - s.min;
  return Clamp(s, static_cast<LONG>(s.min + (along * range + Span(w) / 2) / Span(w)));
}

RECT ThumbRect(const Window &w, const TrackbarState &s) {
  const int centre = CentreOf(w, s);
  if (Vertical(w))
    return RECT{2, centre - kThumbWidth / 2, std::max(w.Width() - 2, 4),
                centre + kThumbWidth / 2 + 1};
  return RECT{centre - kThumbWidth / 2, 2, centre + kThumbWidth / 2 + 1,
              std::max(w.Height() - 2, 4)};
}

RECT ChannelRect(const Window &w) {
  if (Vertical(w)) {
    const int mid = w.Width() / 2;
    return RECT{mid - 2, kInset - 2, mid + 2, w.Height() - kInset + 2};
  }
  const int mid = w.Height() / 2;
  return RECT{kInset - 2, mid - 2, w.Width() - kInset + 2, mid + 2};
}

void Scroll(HWND hwnd, WORD code, LONG pos) {
  Window *w = FindWindow(hwnd);
  if (!w || !w->parent) return;
  const UINT message = (w->style & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
  SendMessageW(w->parent, message, MAKEWPARAM(code, static_cast<WORD>(pos)),
               reinterpret_cast<LPARAM>(hwnd));
}

void Notify(HWND hwnd, UINT code) {
  Window *w = FindWindow(hwnd);
  if (!w || !w->parent) return;
  NMHDR header{hwnd, static_cast<UINT_PTR>(w->id), code};
  SendMessageW(w->parent, WM_NOTIFY, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(&header));
}

// Moves the thumb to v and reports the move with code; no report when it stays.
void MoveTo(HWND hwnd, LONG v, WORD code) {
  Window *w = FindWindow(hwnd);
  auto *s = StateOf<TrackbarState>(hwnd);
  if (!w || !s) return;
  v = Clamp(*s, v);
  if (v == s->pos && code != TB_THUMBTRACK) return Scroll(hwnd, code, s->pos);
  if (v == s->pos) return;
  s->pos = v;
  w->invalid = true;
  Scroll(hwnd, code, v);
}

void Key(HWND hwnd, WPARAM vk) {
  auto *s = StateOf<TrackbarState>(hwnd);
  if (!s) return;
  switch (vk) {
  case VK_LEFT:
  case VK_UP:
    return MoveTo(hwnd, s->pos - s->line, TB_LINEUP);
  case VK_RIGHT:
  case VK_DOWN:
    return MoveTo(hwnd, s->pos + s->line, TB_LINEDOWN);
  case VK_PRIOR:
    return MoveTo(hwnd, s->pos - s->page, TB_PAGEUP);
  case VK_NEXT:
    return MoveTo(hwnd, s->pos + s->page, TB_PAGEDOWN);
  case VK_HOME:
    return MoveTo(hwnd, s->min, TB_TOP);
  case VK_END:
    return MoveTo(hwnd, s->max, TB_BOTTOM);
  default:
    return;
  }
}

bool IsMoveKey(WPARAM vk) {
  return vk == VK_LEFT || vk == VK_UP || vk == VK_RIGHT || vk == VK_DOWN || vk == VK_PRIOR ||
         vk == VK_NEXT || vk == VK_HOME || vk == VK_END;
}

void SetRange(Window &w, TrackbarState &s, LONG min, LONG max) {
  s.min = min;
  s.max = max;
  s.pos = Clamp(s, s.pos);
  w.invalid = true;
}

} // namespace

static LRESULT TrackbarProcUnguarded(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window *w = FindWindow(hwnd);
  if (!w) return 0;
  auto *s = dynamic_cast<TrackbarState *>(w->state.get());
  if (!s && message != WM_NCCREATE) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
  case WM_NCCREATE:
    w->state = std::make_unique<TrackbarState>();
    return DefWindowProcW(hwnd, message, wParam, lParam);
  case WM_GETDLGCODE:
    return DLGC_WANTARROWS;
  case TBM_GETPOS:
    return s->pos;
  case TBM_GETRANGEMIN:
    return s->min;
  case TBM_GETRANGEMAX:
    return s->max;
  case TBM_SETPOS:
    s->pos = Clamp(*s, static_cast<LONG>(lParam));
    w->invalid = true;
    return 0;
  case TBM_SETRANGE:
    SetRange(*w, *s, static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam)));
    return 0;
  case TBM_SETRANGEMIN:
    SetRange(*w, *s, static_cast<LONG>(lParam), s->max);
    return 0;
  case TBM_SETRANGEMAX:
    SetRange(*w, *s, s->min, static_cast<LONG>(lParam));
    return 0;
  case TBM_SETPAGESIZE: {
    const LONG old = s->page;
    s->page = static_cast<LONG>(lParam);
    return old;
  }
  case TBM_GETPAGESIZE:
    return s->page;
  case TBM_SETLINESIZE: {
    const LONG old = s->line;
    s->line = static_cast<LONG>(lParam);
    return old;
  }
  case TBM_GETLINESIZE:
    return s->line;
  case TBM_GETNUMTICS:
    return (w->style & TBS_NOTICKS) ? 0 : 2;
  case TBM_SETTICFREQ:
  case TBM_CLEARTICS:
    return 0;
  case TBM_GETTHUMBRECT:
    if (lParam) *reinterpret_cast<RECT *>(lParam) = ThumbRect(*w, *s);
    return 0;
  case TBM_GETCHANNELRECT:
    if (lParam) *reinterpret_cast<RECT *>(lParam) = ChannelRect(*w);
    return 0;
  case WM_LBUTTONDOWN: {
    SetFocus(hwnd);
    if (!(s = StateOf<TrackbarState>(hwnd)) || !(w = FindWindow(hwnd))) return 0;
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    const RECT thumb = ThumbRect(*w, *s);
    s->tracking = true;
    SetCapture(hwnd);
    if (x >= thumb.left && x < thumb.right && y >= thumb.top && y < thumb.bottom) {
      s->dragging = true;
      s->grip = Along(*w, lParam) - CentreOf(*w, *s);
      w->invalid = true;
    } else {
      // A press beside the thumb moves it a page towards the press.
      const bool before = Along(*w, lParam) < CentreOf(*w, *s);
      MoveTo(hwnd, before ? s->pos - s->page : s->pos + s->page, before ? TB_PAGEUP : TB_PAGEDOWN);
    }
    return 0;
  }
  case WM_MOUSEMOVE:
    if (s->dragging) MoveTo(hwnd, PositionAt(*w, *s, Along(*w, lParam) - s->grip), TB_THUMBTRACK);
    return 0;
  case WM_LBUTTONUP: {
    if (!s->tracking) return 0;
    const bool dragged = s->dragging;
    s->tracking = s->dragging = false;
    w->invalid = true;
    if (dragged) Scroll(hwnd, TB_THUMBPOSITION, s->pos);
    Scroll(hwnd, TB_ENDTRACK, StateOf<TrackbarState>(hwnd) ? StateOf<TrackbarState>(hwnd)->pos : 0);
    if (GetCapture() == hwnd) ReleaseCapture();
    Notify(hwnd, NM_RELEASEDCAPTURE);
    return 0;
  }
  case WM_CAPTURECHANGED:
    if (reinterpret_cast<HWND>(lParam) != hwnd) s->tracking = s->dragging = false;
    return 0;
  case WM_KEYDOWN:
    Key(hwnd, wParam);
    return 0;
  case WM_KEYUP:
    if (IsMoveKey(wParam)) Scroll(hwnd, TB_ENDTRACK, s->pos);
    return 0;
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
    w->invalid = true;
    return 0;
  default:
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

LRESULT CALLBACK TrackbarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return zrq::ui::CatchAllocation<LRESULT>(
      0, [&] { return TrackbarProcUnguarded(hwnd, message, wParam, lParam); });
}

void PaintTrackbar(const Window &w, Canvas &canvas) {
  const auto *s = dynamic_cast<const TrackbarState *>(w.state.get());
  if (!s) return;
  const RECT channel = ChannelRect(w);
  canvas.Fill(channel, kWindow);
  canvas.Sunken(channel);
  if (!(w.style & TBS_NOTICKS)) {
    for (int at : {kInset, Length(w) - kInset}) {
      canvas.Fill(Vertical(w) ? RECT{w.Width() - 3, at, w.Width() - 1, at + 1}
                              : RECT{at, w.Height() - 3, at + 1, w.Height() - 1},
                  kText);
    }
  }
  const RECT thumb = ThumbRect(w, *s);
  const bool disabled = (w.style & WS_DISABLED) != 0;
  canvas.Fill(thumb, s->dragging ? kShadow : kFace);
  if ((w.style & TBS_BOTH) || Vertical(w)) {
    canvas.Raised(thumb);
  } else {
    // Pointing down: a square body over a point, outlined in the raised style.
    const int half = kThumbWidth / 2;
    const int body = thumb.bottom - half;
    const RECT top{thumb.left, thumb.top, thumb.right, body};
    canvas.Fill(RECT{thumb.left, body, thumb.right, thumb.bottom}, kFace);
    canvas.Fill(RECT{top.left, top.top, top.right - 1, top.top + 1}, kLight);
    canvas.Fill(RECT{top.left, top.top, top.left + 1, body}, kLight);
    canvas.Fill(RECT{top.right - 1, top.top, top.right, body}, kDarkShadow);
    for (int i = 0; i < half + 1; ++i) {
      // Clear the corners beside the point, then draw its two edges.
      canvas.Fill(RECT{thumb.left, body + i, thumb.left + i, body + i + 1}, kFace);
      canvas.Pixel(thumb.left + i, body + i, kLight);
      canvas.Pixel(thumb.right - 1 - i, body + i, kDarkShadow);
    }
  }
  if (disabled)
    canvas.Fill(RECT{thumb.left + 3, thumb.top + 3, thumb.right - 3, thumb.top + 4}, kShadow);
  if (HasFocus(w)) canvas.FocusRect(RECT{0, 0, w.Width(), w.Height()});
}

} // namespace zrq::ui
