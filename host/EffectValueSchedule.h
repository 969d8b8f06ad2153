// The effect value of each frame of a run, in percent. Every job asks this one place, so a
// later schedule (key frames over time) only has to replace it.
#pragma once

#include <cstdint>

class EffectValueSchedule {
public:
  // The same value for every frame.
  static EffectValueSchedule Constant(double percent);
  // A straight line from `first` at frame 0 to `last` at frame frames - 1 (one frame: first).
  static EffectValueSchedule Ramp(double first, double last, int64_t frames);

  double ValueAt(int64_t frame) const;

private:
  EffectValueSchedule(double first, double last, int64_t frames)
      : first(first), last(last), frames(frames) {}

  double first;
  double last;
  int64_t frames;
};
