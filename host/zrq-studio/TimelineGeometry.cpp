#include "host/zrq-studio/TimelineGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSideMargin = 10;
constexpr int kTopMargin = 8;
// Room under the track for the key-frame marks.
constexpr int kBottomMargin = 14;

} // namespace

TimelineGeometry::TimelineGeometry(PixelRect area) : area(area) {
  track = {area.x + kSideMargin, area.y + kTopMargin, std::max(1, area.width - 2 * kSideMargin),
           std::max(1, area.height - kTopMargin - kBottomMargin)};
}

int TimelineGeometry::XOfTime(double time) const {
  const double held = std::clamp(time, 0.0, 1.0);
  return track.x + int(std::lround(held * (track.width - 1)));
}

double TimelineGeometry::TimeOfX(int x) const {
  if (track.width <= 1) return 0.0;
  return std::clamp(double(x - track.x) / double(track.width - 1), 0.0, 1.0);
}

int TimelineGeometry::YOfValue(double percent) const {
  const double held = std::isnan(percent) ? 0.0 : std::clamp(percent, 0.0, 100.0);
  return track.Bottom() - 1 - int(std::lround(held / 100.0 * (track.height - 1)));
}

double StepFrames(double time, int frames, int steps) {
  if (frames < 2) return 0.0;
  const double last = frames - 1;
  const double nearest = std::round(std::clamp(time, 0.0, 1.0) * last);
  return std::clamp(nearest + steps, 0.0, last) / last;
}
