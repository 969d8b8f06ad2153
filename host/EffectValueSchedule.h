// The effect value of each frame of a run. Every job asks this one place, and it computes
// the value as the effect's own render entry does: "Effect Value" evaluated with the
// straight-line law at the frame's normalised time, times 0.01.
#pragma once

#include "host/Status.h"
#include <ZRQDistortion2D.h>

#include <atlcomcli.h>

#include <cstdint>
#include <optional>

class EffectValueSchedule {
public:
  // With a frame count N > 1, frame i is at time i / (N - 1), so the first frame is the
  // start of the clip and the last its end; otherwise every frame is at `time`.
  EffectValueSchedule(IEffectParameters *parameters, std::optional<int64_t> frames, double time)
      : parameters(parameters), frames(frames.value_or(1)), time(time) {}

  // The normalised time of a frame.
  double TimeOf(int64_t frame) const;
  // The effect value of a frame as the processor takes it (nominally 0..1).
  Result<double> ValueAt(int64_t frame) const;

  // How key frames are joined.
  enum class Law {
    StraightLine, // with held ends: what a frame renders with (always a finite number)
    Spline,       // the natural spline through them, continued past the end ones; shown only,
                  // and not finite where it overflows
  };

  // "Effect Value" in percent at a normalised time, by `law`.
  static Result<double> Evaluate(IEffectParameters *parameters, double time,
                                 Law law = Law::StraightLine);

private:
  CComPtr<IEffectParameters> parameters;
  int64_t frames;
  double time;
};
