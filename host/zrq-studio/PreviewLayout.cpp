#include "host/zrq-studio/PreviewLayout.h"

#include <algorithm>
#include <cmath>

namespace {

// Between the two panes of the split view.
constexpr int kSplitGap = 6;

PixelRect Place(PixelRect pane, FrameSize size, PreviewZoom zoom) {
  int width = size.width;
  int height = size.height;
  if (zoom == PreviewZoom::Fit) {
    const double scale =
        std::min(double(pane.width) / size.width, double(pane.height) / size.height);
    width = std::max(1, int(std::lround(size.width * scale)));
    height = std::max(1, int(std::lround(size.height * scale)));
  }
  // Centred; at 1:1 a picture larger than the pane shows its middle.
  return {pane.x + (pane.width - width) / 2, pane.y + (pane.height - height) / 2, width, height};
}

} // namespace

std::vector<RenderPath> PathsOf(PreviewMode mode) {
  switch (mode) {
  case PreviewMode::Software:
    return {RenderPath::Software};
  case PreviewMode::Device:
    return {RenderPath::Device};
  case PreviewMode::Split:
    return {RenderPath::Software, RenderPath::Device};
  }
  return {};
}

std::vector<PreviewPane> LayOutPreview(PixelRect area, FrameSize size, PreviewMode mode,
                                       PreviewZoom zoom) {
  if (area.width <= 0 || area.height <= 0 || size.width <= 0 || size.height <= 0) return {};
  const std::vector<RenderPath> paths = PathsOf(mode);
  std::vector<PreviewPane> panes;
  if (paths.size() == 1) {
    panes.push_back({paths.front(), area, Place(area, size, zoom)});
    return panes;
  }
  const int width = (area.width - kSplitGap) / 2;
  if (width <= 0) return {};
  const PixelRect left{area.x, area.y, width, area.height};
  const PixelRect right{area.Right() - width, area.y, width, area.height};
  panes.push_back({paths[0], left, Place(left, size, zoom)});
  panes.push_back({paths[1], right, Place(right, size, zoom)});
  return panes;
}
