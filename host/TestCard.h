// The built-in test card: a picture on which every effect shows plainly what it did.
#pragma once

#include "host/Frame.h"
#include "host/Status.h"

inline constexpr FrameSize kDefaultTestCardSize{1280, 720};

// Colour bars along the top, a fine grid, a circle with a cross, an up arrow marked "TOP" and
// a right arrow marked "RIGHT", blocks of 1 and 2 pixel white, red, green and blue lines (a
// colour shift of a pixel or two splits them), and grey and hue ramps along the bottom.
// The same size always gives the same pixels; every size from 1x1 up works.
Result<Frame> MakeTestCard(FrameSize size);
