// The preview drawn into the studio's picture: each path's picture in its pane, scaled to the
// pane's layout with the nearest picture pixel, on a dark backdrop that shows where the
// effect left the picture transparent.
#pragma once

#include "host/Frame.h"
#include "host/zrq-studio/PreviewLayout.h"

#include <vector>

struct PreviewPicture {
  RenderPath path;
  const Frame *picture; // null while the path has nothing to show yet
};

void DrawPreview(Frame &canvas, PixelRect area, const std::vector<PreviewPane> &panes,
                 const std::vector<PreviewPicture> &pictures);
