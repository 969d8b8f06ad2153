// Reduces a picture by averaging the source pixels that fall on each target pixel.
#pragma once

#include "host/Frame.h"
#include "host/Status.h"

#include <vector>

// The source pixels [first, last) under each of `to` target pixels along a side of `from`
// source pixels: at least one, so enlarging repeats pixels and shrinking averages them.
struct SourceSpan {
  int first;
  int last;
};
std::vector<SourceSpan> SourceSpans(int to, int from);

// `target` may not be larger than the source in either direction.
Result<Frame> ShrinkFrame(const Frame &source, FrameSize target);

// The size of a thumbnail at most `maxWidth` wide with the source's aspect ratio.
FrameSize ThumbnailSize(FrameSize source, int maxWidth);
