// Where the studio's parts lie in its window: the property page and its frame's buttons in
// the left column with the studio's own controls under them, the preview to the right, the
// timeline across the bottom and the message line under it.
#pragma once

#include "host/zrq-studio/PixelRect.h"

#include <windows.h>

// The smallest window the parts fit in; a smaller one is laid out as this size.
inline constexpr int kMinimumStudioWidth = 900;
inline constexpr int kMinimumStudioHeight = 640;

struct StudioLayout {
  PixelRect page;
  PixelRect frameButtons; // OK, Cancel, Apply, Help, right-aligned in it
  PixelRect fileRow;      // the file name field
  PixelRect commandRow;   // open, save, export
  PixelRect viewRow;      // path, zoom, play
  PixelRect progress;     // the export's progress bar
  PixelRect preview;
  PixelRect timeline;
  PixelRect message;
};

// The layout of a width x height window around a page of `pageSize` pixels.
StudioLayout LayOutStudio(int width, int height, SIZE pageSize);
