#include "host/zrq-studio/TimelineView.h"

#include "host/Drawing.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr Colour kBackground{236, 236, 236};
constexpr Colour kTrack{255, 255, 255};
constexpr Colour kGrid{222, 222, 222};
constexpr Colour kBorder{128, 128, 128};
constexpr Colour kStraight{32, 64, 176};
constexpr Colour kSpline{176, 192, 232};
constexpr Colour kMark{24, 24, 24};
constexpr Colour kCursor{208, 32, 32};
constexpr Colour kFocus{64, 64, 64};

// One column of a curve, joined to the previous column's point by a vertical run.
void DrawCurve(Frame &canvas, const TimelineGeometry &geometry, const std::vector<double> &values,
               Colour colour) {
  const PixelRect track = geometry.Track();
  const size_t columns = values.size();
  int previous = 0;
  bool havePrevious = false;
  for (size_t i = 0; i < columns; ++i) {
    if (std::isnan(values[i])) {
      havePrevious = false;
      continue;
    }
    const int x = track.x + int(i);
    const int y = geometry.YOfValue(values[i]);
    const int top = havePrevious ? std::min(previous, y) : y;
    const int bottom = havePrevious ? std::max(previous, y) : y;
    FillRect(canvas, x, top, 1, bottom - top + 1, colour);
    previous = y;
    havePrevious = true;
  }
}

void Outline(Frame &canvas, PixelRect r, Colour colour) {
  FillRect(canvas, r.x, r.y, r.width, 1, colour);
  FillRect(canvas, r.x, r.Bottom() - 1, r.width, 1, colour);
  FillRect(canvas, r.x, r.y, 1, r.height, colour);
  FillRect(canvas, r.Right() - 1, r.y, 1, r.height, colour);
}

} // namespace

void DrawTimeline(Frame &canvas, const TimelineGeometry &geometry, const TimelineCurve &curve,
                  const std::vector<double> &keyTimes, double cursor, bool focused) {
  const PixelRect area = geometry.Area();
  const PixelRect track = geometry.Track();
  FillRect(canvas, area.x, area.y, area.width, area.height, kBackground);
  if (focused) Outline(canvas, area, kFocus);
  FillRect(canvas, track.x, track.y, track.width, track.height, kTrack);
  for (int percent = 25; percent < 100; percent += 25)
    FillRect(canvas, track.x, geometry.YOfValue(percent), track.width, 1, kGrid);
  for (int tenth = 1; tenth < 10; ++tenth)
    FillRect(canvas, geometry.XOfTime(tenth / 10.0), track.y, 1, track.height, kGrid);
  Outline(canvas, {track.x - 1, track.y - 1, track.width + 2, track.height + 2}, kBorder);

  DrawCurve(canvas, geometry, curve.spline, kSpline);
  DrawCurve(canvas, geometry, curve.straight, kStraight);

  // Each key frame: a tick across the track's foot and a small triangle under it.
  for (double time : keyTimes) {
    if (time < 0.0 || time > 1.0) continue;
    const int x = geometry.XOfTime(time);
    FillRect(canvas, x, track.Bottom() - 6, 1, 6, kMark);
    for (int row = 0; row < 5; ++row)
      FillRect(canvas, x - row, track.Bottom() + 2 + row, 2 * row + 1, 1, kMark);
  }

  const int x = geometry.XOfTime(cursor);
  FillRect(canvas, x, track.y - 4, 1, track.height + 6, kCursor);
  FillRect(canvas, x - 4, track.y - 6, 9, 6, kCursor);
}
