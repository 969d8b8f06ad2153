// The timeline drawn into the studio's picture: the track with its grid, the spline faint and
// the straight line over it, a mark under the track for each start-offset key frame, and the
// cursor with its handle.
#pragma once

#include "host/Frame.h"
#include "host/zrq-studio/TimelineCurve.h"
#include "host/zrq-studio/TimelineGeometry.h"

#include <vector>

void DrawTimeline(Frame &canvas, const TimelineGeometry &geometry, const TimelineCurve &curve,
                  const std::vector<double> &keyTimes, double cursor, bool focused);
