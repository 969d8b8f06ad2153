#include "host/zrq-studio/ParameterSnapshot.h"

#include "host/EffectParameterIds.h"
#include "host/StatusCode.h"

#include <algorithm>
#include <string_view>

namespace {

// "Current Time", where the page keeps its time cursor.
constexpr LONG kCurrentTimeParameter = 20;
// Every time base at once, for RemoveAllKeyFrameValues.
constexpr LONG kAllKeyFrameGroups = 7;

Error Failed(const std::string &what, HRESULT hr) {
  return Error{what + " (" + StatusCode(hr) + ")"};
}

// Two values hold the same thing: the same type and the same text of their value.
bool SameValue(const VARIANT &a, const VARIANT &b) {
  if (a.vt != b.vt) return false;
  if (a.vt == VT_EMPTY) return true;
  CComVariant first;
  CComVariant second;
  if (FAILED(first.ChangeType(VT_BSTR, &a)) || FAILED(second.ChangeType(VT_BSTR, &b))) return false;
  return std::u16string_view(first.bstrVal, SysStringLen(first.bstrVal)) ==
         std::u16string_view(second.bstrVal, SysStringLen(second.bstrVal));
}

} // namespace

Result<ParameterSnapshot> ParameterSnapshot::Read(IEffectParameters *parameters) {
  ParameterSnapshot snapshot;
  CComVariant id;
  HRESULT hr = parameters->GetValue(kEffectIdParameter, &id);
  if (SUCCEEDED(hr)) hr = id.ChangeType(VT_I4);
  if (FAILED(hr)) return Failed("cannot read \"Effect ID\"", hr);
  snapshot.effectId = id.lVal;
  hr = parameters->GetValue(kEffectValueParameter, &snapshot.effectValue);
  if (FAILED(hr)) return Failed("cannot read \"Effect Value\"", hr);
  CComVariant time;
  hr = parameters->GetValue(kCurrentTimeParameter, &time);
  if (SUCCEEDED(hr)) hr = time.ChangeType(VT_R8);
  if (FAILED(hr)) return Failed("cannot read \"Current Time\"", hr);
  snapshot.currentTime = time.dblVal;

  ULONG count = 0;
  hr = parameters->GetKeyFrameCount(kEffectValueParameter, &count);
  if (FAILED(hr)) return Failed("cannot count the key frames of \"Effect Value\"", hr);
  if (count == 0) return snapshot;
  std::vector<double> times(count);
  std::vector<LONG> groups(count);
  hr = parameters->GetKeyFrameTimes(kEffectValueParameter, times.data(), groups.data());
  if (FAILED(hr)) return Failed("cannot list the key frames of \"Effect Value\"", hr);
  snapshot.keyFrames.reserve(count);
  for (ULONG i = 0; i < count; ++i) {
    KeyFrameMark mark{times[i], groups[i], CComVariant()};
    hr = parameters->GetKeyFrameValue(times[i], groups[i], kEffectValueParameter, &mark.value);
    if (FAILED(hr)) return Failed("cannot read a key frame of \"Effect Value\"", hr);
    snapshot.keyFrames.push_back(std::move(mark));
  }
  return snapshot;
}

std::vector<double> ParameterSnapshot::StartOffsetTimes() const {
  std::vector<double> times;
  for (const KeyFrameMark &mark : keyFrames)
    if (mark.group == kStartOffsetKeyFrames) times.push_back(mark.time);
  std::sort(times.begin(), times.end());
  return times;
}

bool ParameterSnapshot::RendersLike(const ParameterSnapshot &other) const {
  if (effectId != other.effectId || !SameValue(effectValue, other.effectValue) ||
      keyFrames.size() != other.keyFrames.size())
    return false;
  for (size_t i = 0; i < keyFrames.size(); ++i) {
    const KeyFrameMark &a = keyFrames[i];
    const KeyFrameMark &b = other.keyFrames[i];
    if (a.time != b.time || a.group != b.group || !SameValue(a.value, b.value)) return false;
  }
  return true;
}

Status ParameterSnapshot::ApplyTo(IEffectParameters *target) const {
  CComVariant held;
  HRESULT hr = target->GetValue(kEffectIdParameter, &held);
  if (SUCCEEDED(hr)) hr = held.ChangeType(VT_I4);
  const bool newEffect = FAILED(hr) || held.lVal != effectId;
  hr = target->SetValue(kEffectIdParameter, CComVariant(static_cast<int>(effectId)));
  if (SUCCEEDED(hr)) hr = target->SetValue(kEffectValueParameter, effectValue);
  if (SUCCEEDED(hr))
    hr = target->RemoveAllKeyFrameValues(kEffectValueParameter, kAllKeyFrameGroups);
  for (const KeyFrameMark &mark : keyFrames) {
    if (FAILED(hr)) break;
    hr = target->SetKeyFrameValue(mark.time, mark.group, kEffectValueParameter, mark.value);
  }
  // Frames take their value from key frames only; until the user sets one, the value the page
  // shows holds from the start, as zrq-render holds it for a new project.
  if (SUCCEEDED(hr) && keyFrames.empty())
    hr = target->SetKeyFrameValue(0.0, kStartOffsetKeyFrames, kEffectValueParameter, effectValue);
  if (SUCCEEDED(hr) && newEffect) hr = target->ApplyParameters();
  if (FAILED(hr))
    return Status::Fail("the preview's effect did not take the parameters (" + StatusCode(hr) +
                        ")");
  return Status::Ok();
}
