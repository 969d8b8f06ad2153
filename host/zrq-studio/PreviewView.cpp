#include "host/zrq-studio/PreviewView.h"

#include "host/Drawing.h"
#include "host/FrameShrink.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr Colour kBackdrop{48, 48, 52};

const Frame *PictureOf(const std::vector<PreviewPicture> &pictures, RenderPath path) {
  for (const PreviewPicture &shown : pictures)
    if (shown.path == path) return shown.picture;
  return nullptr;
}

// The picture over the backdrop by its alpha, so what the device path left transparent shows
// as the backdrop rather than as whatever colour its transparent pixels hold. A shrunk picture
// shows the average of the pixels under each window pixel, so fine lines do not break up.
void Blit(Frame &canvas, const PreviewPane &pane, const Frame &picture) {
  const PixelRect to = pane.picture;
  const int left = std::max({pane.pane.x, to.x, 0});
  const int right = std::min({pane.pane.Right(), to.Right(), canvas.Width()});
  const int top = std::max({pane.pane.y, to.y, 0});
  const int bottom = std::min({pane.pane.Bottom(), to.Bottom(), canvas.Height()});
  if (left >= right || top >= bottom) return;
  const std::vector<SourceSpan> columns = SourceSpans(to.width, picture.Width());
  const std::vector<SourceSpan> rows = SourceSpans(to.height, picture.Height());
  for (int y = top; y < bottom; ++y) {
    const SourceSpan rowSpan = rows[size_t(y - to.y)];
    BYTE *out = canvas.ViewPixel(0, y);
    for (int x = left; x < right; ++x) {
      const SourceSpan columnSpan = columns[size_t(x - to.x)];
      unsigned sum[3] = {0, 0, 0};
      unsigned count = 0;
      for (int sy = rowSpan.first; sy < rowSpan.last; ++sy) {
        const BYTE *p = picture.ViewPixel(columnSpan.first, sy);
        for (int sx = columnSpan.first; sx < columnSpan.last; ++sx, p += 4) {
          const unsigned a = p[3];
          sum[0] += (p[0] * a + kBackdrop.blue * (255 - a) + 127) / 255;
          sum[1] += (p[1] * a + kBackdrop.green * (255 - a) + 127) / 255;
          sum[2] += (p[2] * a + kBackdrop.red * (255 - a) + 127) / 255;
          ++count;
        }
      }
      BYTE *q = out + 4 * size_t(x);
      for (int c = 0; c < 3; ++c) q[c] = BYTE((sum[c] + count / 2) / count);
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
