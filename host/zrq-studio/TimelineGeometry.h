// Where the timeline draws what: the clip's normalised time 0..1 runs left to right across
// the track, "Effect Value" 0..100 bottom to top, and the cursor can be caught a few pixels
// either side of its line.
#pragma once

#include "host/zrq-studio/PixelRect.h"

class TimelineGeometry {
public:
  // The track lies inside `area`, a margin in from its sides so that the cursor's handle and
  // the marks at times 0 and 1 stay inside it.
  explicit TimelineGeometry(PixelRect area);

  PixelRect Area() const { return area; }
  PixelRect Track() const { return track; }

  int XOfTime(double time) const;
  // The time under a pixel column, held to 0..1 for columns beyond the track's ends.
  double TimeOfX(int x) const;
  // Values beyond 0..100 are held to the track's edges.
  int YOfValue(double percent) const;

  bool Contains(int x, int y) const { return area.Contains(x, y); }

private:
  PixelRect area;
  PixelRect track;
};

// The clip's frames lie at i / (frames - 1); `steps` frames on from the frame nearest `time`,
// held to the clip. A clip of fewer than two frames stays at 0.
double StepFrames(double time, int frames, int steps);
