// Where the preview's pictures go in its area: one picture, or the two paths side by side,
// each fitted to its pane or shown pixel for pixel (centred, and cut at the pane's edges).
#pragma once

#include "host/Frame.h"
#include "host/FrameRenderer.h"
#include "host/zrq-studio/PixelRect.h"

#include <vector>

enum class PreviewMode {
  Software, // the software path only
  Device,   // the device path only
  Split,    // software on the left, device on the right
};

enum class PreviewZoom {
  Fit,      // the whole picture, as large as the pane holds it
  OneToOne, // one picture pixel to one window pixel
};

struct PreviewPane {
  RenderPath path;
  PixelRect pane;    // the part of the window this path owns; nothing is drawn outside it
  PixelRect picture; // where the whole picture lands, possibly beyond the pane at 1:1
};

// The paths a mode shows, in the order of their panes.
std::vector<RenderPath> PathsOf(PreviewMode mode);

// The panes of `mode` in `area` for a picture of `size`. An empty area or picture gives none.
std::vector<PreviewPane> LayOutPreview(PixelRect area, FrameSize size, PreviewMode mode,
                                       PreviewZoom zoom);
