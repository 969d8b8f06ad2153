// PNG files in and out, through libpng's simplified interface (which keeps libpng's error
// handling to itself). Pictures come in and go out the right way up; in memory they are
// bottom-up Frames.
#pragma once

#include "host/Frame.h"
#include "host/Status.h"

#include <string>

struct PngPicture {
  Frame frame;
  bool hasAlpha; // the file had an alpha channel or a transparent colour
};

enum class PngChannels {
  Rgb,  // alpha dropped: for pictures that had none
  Rgba, // alpha kept
};

// Reads any PNG (palette, grey, 16-bit, interlaced) as 8-bit B, G, R, A. The size is checked
// against kMaxFrameSide before any pixel memory is taken, so a small file that claims a huge
// picture fails cleanly.
Result<PngPicture> ReadPngFile(const std::string &path);

// Writes through AtomicOutputFile (the file appears only when complete), one row at a time:
// no copy of the picture is made.
Status WritePngFile(const std::string &path, const Frame &frame, PngChannels channels);
