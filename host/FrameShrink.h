// Reduces a picture by averaging the source pixels that fall on each target pixel.
#pragma once

#include "host/Frame.h"
#include "host/Status.h"

// `target` may not be larger than the source in either direction.
Result<Frame> ShrinkFrame(const Frame &source, FrameSize target);

// The size of a thumbnail at most `maxWidth` wide with the source's aspect ratio.
FrameSize ThumbnailSize(FrameSize source, int maxWidth);
