#include "host/EffectValueSchedule.h"

#include <cmath>

EffectValueSchedule EffectValueSchedule::Constant(double percent) {
  return EffectValueSchedule(percent, percent, 1);
}

EffectValueSchedule EffectValueSchedule::Ramp(double first, double last, int64_t frames) {
  return EffectValueSchedule(first, last, frames);
}

double EffectValueSchedule::ValueAt(int64_t frame) const {
  if (frames <= 1 || frame <= 0)
    return first;
  if (frame >= frames - 1)
    return last;
  // lerp is exact at both ends and stays within them.
  return std::lerp(first, last, double(frame) / double(frames - 1));
}
