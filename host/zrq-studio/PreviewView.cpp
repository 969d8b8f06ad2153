#include "host/zrq-studio/PreviewView.h"

#include "host/Drawing.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr Colour kBackdrop{48, 48, 52};

const Frame *PictureOf(const std::vector<PreviewPicture> &pictures, RenderPath path) {
  for (const PreviewPicture &shown : pictures)
    if (shown.path == path) return shown.picture;
  return nullptr;
}

// The picture over the backdrop by its alpha, so what the device path left transparent shows
// as the backdrop rather than as whatever colour its transparent pixels hold.
void Blit(Frame &canvas, const PreviewPane &pane, const Frame &picture) {
  const PixelRect to = pane.picture;
  const int left = std::max({pane.pane.x, to.x, 0});
  const int right = std::min({pane.pane.Right(), to.Right(), canvas.Width()});
  const int top = std::max({pane.pane.y, to.y, 0});
  const int bottom = std::min({pane.pane.Bottom(), to.Bottom(), canvas.Height()});
  for (int y = top; y < bottom; ++y) {
    const int sy = int((int64_t(y - to.y) * picture.Height()) / to.height);
    const BYTE *row = picture.ViewRow(sy);
    BYTE *out = canvas.ViewPixel(0, y);
    for (int x = left; x < right; ++x) {
      const int sx = int((int64_t(x - to.x) * picture.Width()) / to.width);
      const BYTE *p = row + 4 * size_t(sx);
      BYTE *q = out + 4 * size_t(x);
      const unsigned a = p[3];
      q[0] = BYTE((p[0] * a + kBackdrop.blue * (255 - a) + 127) / 255);
      q[1] = BYTE((p[1] * a + kBackdrop.green * (255 - a) + 127) / 255);
      q[2] = BYTE((p[2] * a + kBackdrop.red * (255 - a) + 127) / 255);
      q[3] = 255;
    }
  }
}

} // namespace

void DrawPreview(Frame &canvas, PixelRect area, const std::vector<PreviewPane> &panes,
                 const std::vector<PreviewPicture> &pictures) {
  FillRect(canvas, area.x, area.y, area.width, area.height, Colour{236, 236, 236});
  for (const PreviewPane &pane : panes) {
    FillRect(canvas, pane.pane.x, pane.pane.y, pane.pane.width, pane.pane.height, kBackdrop);
    if (const Frame *picture = PictureOf(pictures, pane.path)) Blit(canvas, pane, *picture);
  }
}
