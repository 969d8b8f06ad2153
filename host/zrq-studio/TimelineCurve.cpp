#include "host/zrq-studio/TimelineCurve.h"

#include "host/EffectParameterIds.h"
#include "host/EffectValueSchedule.h"

#include <algorithm>
#include <limits>

Result<TimelineCurve> SampleTimelineCurve(IEffectParameters *parameters, int columns) {
  columns = std::max(columns, 2);
  TimelineCurve curve;
  curve.straight.reserve(size_t(columns));
  curve.spline.reserve(size_t(columns));
  ULONG keyFrames = 0;
  HRESULT hr = parameters->GetKeyFrameCount(kEffectValueParameter, &keyFrames);
  if (SUCCEEDED(hr) && keyFrames == 0) {
    // Without key frames the parameter's own value holds throughout (see ParameterSnapshot).
    CComVariant own;
    hr = parameters->GetValue(kEffectValueParameter, &own);
    if (SUCCEEDED(hr)) hr = own.ChangeType(VT_R8);
    if (FAILED(hr)) return Error{"cannot read \"Effect Value\""};
    curve.straight.assign(size_t(columns), own.dblVal);
    curve.spline = curve.straight;
    return curve;
  }
  for (int i = 0; i < columns; ++i) {
    const double time = double(i) / double(columns - 1);
    Result<double> straight = EffectValueSchedule::Evaluate(parameters, time);
    if (!straight.ok()) return Error{straight.message()};
    curve.straight.push_back(straight.value());
    // The spline is only shown: where it fails the line just has a gap.
    Result<double> spline =
        EffectValueSchedule::Evaluate(parameters, time, EffectValueSchedule::Law::Spline);
    curve.spline.push_back(spline.ok() ? spline.value() : std::numeric_limits<double>::quiet_NaN());
  }
  return curve;
}
