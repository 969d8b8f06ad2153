// "Effect Value" along the timeline's track, one sample per pixel column: the straight line
// frames render with, and the natural spline through the key frames, which the timeline shows
// as a faint second line.
#pragma once

#include "host/Status.h"

#include <ZRQDistortion2D.h>

#include <vector>

struct TimelineCurve {
  std::vector<double> straight; // percent at column i, time i / (columns - 1)
  std::vector<double> spline;   // the same; NaN where the spline cannot be evaluated
};

// `columns` (at least 2) samples of each law from time 0 to 1; without key frames, the
// parameter's own value throughout.
[[nodiscard]] Result<TimelineCurve> SampleTimelineCurve(IEffectParameters *parameters, int columns);
