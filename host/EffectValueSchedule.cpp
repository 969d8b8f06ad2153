#include "host/EffectValueSchedule.h"

#include "host/EffectParameterIds.h"
#include "host/MessageText.h"
#include "host/StatusCode.h"

#include <cmath>

double EffectValueSchedule::TimeOf(int64_t frame) const {
  if (frames <= 1) return time;
  if (frame >= frames - 1) return 1.0;
  return frame <= 0 ? 0.0 : double(frame) / double(frames - 1);
}

Result<double> EffectValueSchedule::ValueAt(int64_t frame) const {
  Result<double> percent = Evaluate(parameters, TimeOf(frame));
  ZRQ_RETURN_IF_FAILED(percent);
  return percent.value() * 0.01;
}

Result<double> EffectValueSchedule::Evaluate(IEffectParameters *parameters, double time, Law law) {
  const bool spline = law == Law::Spline;
  CComVariant value;
  HRESULT hr = spline ? parameters->GetCurveValueAtTime(time, kEffectValueParameter, TRUE, &value)
                      : parameters->GetValueAtTime(time, kEffectValueParameter, &value);
  if (FAILED(hr))
    return Error{"\"Effect Value\" cannot be evaluated at time " + NumberText(time) + " (" +
                 StatusCode(hr) + ")"};
  // A held value that does not convert to a number keeps its own type; reading it as a
  // 64-bit float would read another member of the variant.
  if (value.vt != VT_R8)
    return Error{"\"Effect Value\" at time " + NumberText(time) +
                 " is not a number (a key frame holds a value of type " + std::to_string(value.vt) +
                 ")"};
  // Finite key frames can still meet in a sum too large for a double. (The spline, shown
  // only, may overflow; the curve table says so.)
  if (!spline && !std::isfinite(value.dblVal))
    return Error{"\"Effect Value\" at time " + NumberText(time) + " comes to " +
                 NumberText(value.dblVal) + ", which is not a finite number"};
  return value.dblVal;
}
