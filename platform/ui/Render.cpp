// The picture of a window and its children.
#include <commctrl.h>
#include <winerror.h>
#include <zrqui.h>

#include "platform/ui/CatchAllocation.h"
#include "platform/ui/Painters.h"
#include "platform/ui/ThreadState.h"
#include "platform/ui/WindowClasses.h"

using namespace zrq::ui;

namespace {

void PaintOne(const Window &w, Canvas &canvas) {
  const struct {
    const char16_t *name;
    void (*paint)(const Window &, Canvas &);
  } painters[] = {
      {WC_STATICW, PaintStatic},     {WC_BUTTONW, PaintButton},        {WC_EDITW, PaintEdit},
      {WC_COMBOBOXW, PaintComboBox}, {TRACKBAR_CLASSW, PaintTrackbar},
  };
  for (const auto &p : painters)
    if (EqualIgnoringCase(w.className, p.name)) return p.paint(w, canvas);
  // Dialogs and windows of other classes show the plain face colour.
  canvas.Fill(RECT{0, 0, w.Width(), w.Height()}, kFace);
}

// Children are drawn bottom of the z-order first, each clipped to itself; open combo lists are
// collected to be drawn over everything.
void PaintTree(HWND hwnd, Canvas &canvas, std::vector<std::pair<HWND, POINT>> &lists) {
  Window *w = FindWindow(hwnd);
  if (!w || !(w->style & WS_VISIBLE)) return;
  PaintOne(*w, canvas);
  w->invalid = false;
  if (EqualIgnoringCase(w->className, WC_COMBOBOXW))
    lists.emplace_back(hwnd, canvas.Current().origin);
  const std::vector<HWND> children = w->children;
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    Window *child = FindWindow(*it);
    if (!child) continue;
    const Canvas::Frame outer = canvas.Current();
    canvas.Enter(child->rect);
    PaintTree(*it, canvas, lists);
    canvas.Restore(outer);
  }
}

} // namespace

static HRESULT ZrqUiRenderWindowUnguarded(HWND hwnd, const ZRQUISURFACE *surface) {
  if (!surface || !surface->bits || surface->width < 0 || surface->height < 0 ||
      surface->pitch < surface->width * 4)
    return E_POINTER;
  Window *w = FindWindow(hwnd);
  if (!w) return E_INVALIDARG;
  Canvas canvas(*surface);
  const Canvas::Frame whole = canvas.Current();
  canvas.Enter(RECT{0, 0, w->Width(), w->Height()});
  std::vector<std::pair<HWND, POINT>> lists;
  // A hidden window is drawn all the same: the caller asked for its picture.
  const DWORD style = w->style;
  w->style |= WS_VISIBLE;
  PaintTree(hwnd, canvas, lists);
  if ((w = FindWindow(hwnd))) w->style = style;
  for (const auto &[combo, origin] : lists) {
    Window *c = FindWindow(combo);
    if (!c) continue;
    canvas.Restore(Canvas::Frame{origin, whole.clip});
    PaintComboList(*c, canvas);
  }
  return S_OK;
}

HRESULT ZrqUiRenderWindow(HWND hwnd, const ZRQUISURFACE *surface) {
  return zrq::ui::CatchAllocation<HRESULT>(
      E_OUTOFMEMORY, [&] { return ZrqUiRenderWindowUnguarded(hwnd, surface); });
}
