// Static text and frames. Labels let the mouse through to what lies beneath them.
#include "platform/ui/CatchAllocation.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Painters.h"
#include "platform/ui/Typeface.h"

namespace zrq::ui {
namespace {

// Lines of a label, broken between words to fit the width (a word wider than the line is cut).
std::vector<std::u16string> WrapLines(const std::u16string &text, int width, bool prefixes) {
  std::vector<std::u16string> lines;
  std::u16string line;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find_first_of(u" \n", at);
    if (end == std::u16string::npos) end = text.size();
    const std::u16string word = text.substr(at, end - at);
    const std::u16string joined = line.empty() ? word : line + u" " + word;
    if (!line.empty() && TextWidth(joined, prefixes) > width) {
      lines.push_back(line);
      line = word;
    } else {
      line = joined;
    }
    if (end < text.size() && text[end] == u'\n') {
      lines.push_back(line);
      line.clear();
    }
    at = end + 1;
  }
  lines.push_back(line);
  return lines;
}

} // namespace

static LRESULT StaticProcUnguarded(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_GETDLGCODE:
    return DLGC_STATIC;
  case WM_NCHITTEST: {
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    return (style & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
  }
  default:
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return zrq::ui::CatchAllocation<LRESULT>(
      0, [&] { return StaticProcUnguarded(hwnd, message, wParam, lParam); });
}

void PaintStatic(const Window &w, Canvas &canvas) {
  const RECT all{0, 0, w.Width(), w.Height()};
  switch (w.style & SS_TYPEMASK) {
  case SS_BLACKRECT:
    return canvas.Fill(all, kText);
  case SS_GRAYRECT:
    return canvas.Fill(all, kShadow);
  case SS_WHITERECT:
    return canvas.Fill(all, kWindow);
  case SS_BLACKFRAME:
    return canvas.Outline(all, kText);
  case SS_GRAYFRAME:
    return canvas.Outline(all, kShadow);
  case SS_WHITEFRAME:
    return canvas.Outline(all, kWindow);
  case SS_ETCHEDHORZ:
    canvas.Fill(RECT{0, 0, all.right, 1}, kShadow);
    return canvas.Fill(RECT{0, 1, all.right, 2}, kLight);
  case SS_ETCHEDVERT:
    canvas.Fill(RECT{0, 0, 1, all.bottom}, kShadow);
    return canvas.Fill(RECT{1, 0, 2, all.bottom}, kLight);
  case SS_ETCHEDFRAME:
    canvas.Outline(RECT{0, 0, all.right - 1, all.bottom - 1}, kShadow);
    return canvas.Outline(RECT{1, 1, all.right, all.bottom}, kLight);
  default:
    break;
  }
  const bool prefixes = !(w.style & SS_NOPREFIX);
  const DWORD colour = (w.style & WS_DISABLED) ? kGrayText : kText;
  const DWORD type = w.style & SS_TYPEMASK;
  const std::vector<std::u16string> lines = type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP
                                                ? std::vector<std::u16string>{w.text}
                                                : WrapLines(w.text, w.Width(), prefixes);
  int y = 0;
  for (const std::u16string &line : lines) {
    const int width = TextWidth(line, prefixes);
    int x = 0;
    if (type == SS_CENTER) x = (w.Width() - width) / 2;
    if (type == SS_RIGHT) x = w.Width() - width;
    canvas.Text(x, y, line, colour, prefixes);
    y += kTextHeight;
  }
}

} // namespace zrq::ui
