// What the preview and the timeline show of an effect's parameter set, read through
// IEffectParameters: "Effect ID", the own value and every key frame of "Effect Value", and
// "Current Time". Reading one each frame is how the studio notices what the page changed,
// without looking at the page's controls; the preview's own effects are brought to it.
#pragma once

#include "host/Status.h"

#include <ZRQDistortion2D.h>
#include <atlcomcli.h>

#include <vector>

struct KeyFrameMark {
  double time;
  LONG group; // the time base: 1 start offset, 2 end offset, 4 percentage
  CComVariant value;
};

class ParameterSnapshot {
public:
  [[nodiscard]] static Result<ParameterSnapshot> Read(IEffectParameters *parameters);

  LONG EffectId() const { return effectId; }
  const CComVariant &EffectValue() const { return effectValue; }
  double CurrentTime() const { return currentTime; }
  const std::vector<KeyFrameMark> &KeyFrames() const { return keyFrames; }
  // The times of the start-offset key frames, ascending.
  std::vector<double> StartOffsetTimes() const;

  // Whether a frame rendered with the two sets could differ: everything but "Current Time".
  bool RendersLike(const ParameterSnapshot &other) const;

  // Gives `target` this set's effect, value and key frames (its key frames of "Effect Value"
  // replaced), and has it take up a changed "Effect ID" (ApplyParameters). A set without key
  // frames gives `target` one at time 0 holding its own value, so that it renders.
  Status ApplyTo(IEffectParameters *target) const;

private:
  LONG effectId = 0;
  CComVariant effectValue;
  double currentTime = 0.0;
  std::vector<KeyFrameMark> keyFrames;
};
