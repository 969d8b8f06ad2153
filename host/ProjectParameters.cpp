#include "host/ProjectParameters.h"

#include "host/EffectParameterIds.h"
#include "params/ParameterSetDocument.h"

#include <msxml2.h>

#include <algorithm>
#include <cmath>

namespace {

// A key frame's value as the property page would store it: a whole percentage as the
// parameter's own type (VT_I2), anything finer as VT_R8. Both evaluate the same way, the
// arithmetic of the straight-line law turning each into a 64-bit float.
CComVariant KeyFrameValue(double percent) {
  if (std::trunc(percent) == percent && percent >= -32768.0 && percent <= 32767.0)
    return CComVariant(short(percent));
  return CComVariant(percent);
}

Status Failed(const std::string &what, HRESULT hr) {
  return Status::Fail(what + " (" + StatusCode(hr) + ")");
}

} // namespace

Result<ProjectParameters> ProjectParameters::Create(const EffectModule &module) {
  Result<CComPtr<IUnknown>> effect = module.CreateEffect();
  if (!effect.ok())
    return Error{effect.message()};
  CComPtr<IEffectParameters> parameters;
  HRESULT hr = effect.value().QueryInterface(&parameters);
  // Until a render path takes the effect it waits on the software path, where a load's
  // Reapply only makes the pixel processor, whatever "Effect ID" says. On the device path it
  // would build a renderer with no device to attach it to, and refuse an identifier outside
  // the catalogue before --effect could replace it. The size is replaced by the render path.
  CComPtr<ISoftwareEffect> software;
  if (SUCCEEDED(hr))
    hr = effect.value().QueryInterface(&software);
  if (SUCCEEDED(hr))
    hr = software->SetFrameSize(1, 1, 0, 0);
  if (FAILED(hr))
    return Error{Failed("the module's effect offers no usable parameter set", hr).message()};
  return ProjectParameters(std::move(parameters));
}

Result<ProjectParameters> ProjectParameters::Copy(const EffectModule &module) const {
  Result<ProjectParameters> copy = Create(module);
  if (!copy.ok())
    return copy;
  CComPtr<IXMLDOMDocument> document;
  HRESULT hr = ZrqCreateXMLDOMDocument(IID_IXMLDOMDocument, reinterpret_cast<void **>(&document));
  CComBSTR name("ParameterSetCopy");
  CComPtr<IXMLDOMElement> element;
  if (SUCCEEDED(hr))
    hr = name ? document->createElement(name, &element) : E_OUTOFMEMORY;
  if (SUCCEEDED(hr))
    hr = document->appendChild(element, nullptr);
  if (SUCCEEDED(hr))
    hr = parameters->SaveParameters(element);
  if (SUCCEEDED(hr))
    hr = copy.value().parameters->LoadParameters(element);
  if (FAILED(hr))
    return Error{Failed("cannot copy the parameter set to a second effect", hr).message()};
  return copy;
}

Status ProjectParameters::Load(const std::string &path, std::string *warning) {
  std::string reason;
  HRESULT hr = LoadParameterSetDocument(path, parameters, &reason);
  if (FAILED(hr)) {
    if (reason.empty())
      reason = "cannot load " + path;
    // The reason names some statuses itself; the code is always given once.
    if (reason.find(StatusCode(hr)) == std::string::npos)
      reason += " (" + StatusCode(hr) + ")";
    return Status::Fail("--params: " + reason);
  }
  if (hr != S_OK && warning)
    *warning = reason;
  return Status::Ok();
}

Status ProjectParameters::SetEffectId(LONG effectId) {
  // A document may have given "Effect ID" another integer type; the new identifier takes
  // whatever type the parameter has now, since the set refuses a change of type.
  CComVariant current;
  HRESULT hr = parameters->GetValue(kEffectIdParameter, &current);
  CComVariant given(static_cast<int>(effectId));
  CComVariant wanted(given);
  if (SUCCEEDED(hr) && current.vt != VT_I4)
    hr = VariantChangeType(&wanted, &given, 0, current.vt);
  if (SUCCEEDED(hr))
    hr = parameters->SetValue(kEffectIdParameter, wanted);
  if (FAILED(hr))
    return Failed("cannot set \"Effect ID\" to " + std::to_string(effectId), hr);
  return Status::Ok();
}

Status ProjectParameters::ReplaceKeyFrames(std::span<const KeyFrameArgument> keys) {
  HRESULT hr =
      parameters->RemoveAllKeyFrameValues(kEffectValueParameter, kStartOffsetKeyFrames);
  for (size_t i = 0; SUCCEEDED(hr) && i < keys.size(); ++i)
    hr = parameters->SetKeyFrameValue(keys[i].time, kStartOffsetKeyFrames, kEffectValueParameter,
                                      KeyFrameValue(keys[i].percent));
  if (FAILED(hr))
    return Failed("cannot set the key frames of \"Effect Value\"", hr);
  return Status::Ok();
}

Status ProjectParameters::Apply() const {
  HRESULT hr = parameters->ApplyParameters();
  if (FAILED(hr))
    return Failed("the effect cannot take up its parameters", hr);
  return Status::Ok();
}

Result<LONG> ProjectParameters::EffectId() const {
  CComVariant value;
  HRESULT hr = parameters->GetValue(kEffectIdParameter, &value);
  if (FAILED(hr))
    return Error{Failed("cannot read \"Effect ID\"", hr).message()};
  // Read as a number whatever type a document gave it, never as the wrong union member.
  CComVariant id;
  hr = VariantChangeType(&id, &value, 0, VT_I4);
  if (FAILED(hr) || !IsValidEffectId(id.lVal))
    return Error{"\"Effect ID\" is " +
                 (SUCCEEDED(hr) ? std::to_string(id.lVal) : std::string("not a number")) +
                 ", not an effect (" + std::to_string(kFirstEffectId) + " to " +
                 std::to_string(kLastEffectId) + "); give --effect NAME"};
  return LONG(id.lVal);
}

Result<ULONG> ProjectParameters::KeyFrameCount() const {
  ULONG count = 0;
  HRESULT hr = parameters->GetKeyFrameCount(kEffectValueParameter, &count);
  if (FAILED(hr))
    return Error{Failed("cannot count the key frames of \"Effect Value\"", hr).message()};
  return count;
}

Result<std::vector<double>> ProjectParameters::KeyFrameTimes() const {
  Result<ULONG> count = KeyFrameCount();
  if (!count.ok())
    return Error{count.message()};
  std::vector<double> times(count.value());
  std::vector<LONG> codes(count.value());
  if (!times.empty()) {
    HRESULT hr = parameters->GetKeyFrameTimes(kEffectValueParameter, times.data(), codes.data());
    if (FAILED(hr))
      return Error{Failed("cannot list the key frames of \"Effect Value\"", hr).message()};
  }
  // The groups are listed one after the other; the axis they share is what matters here.
  std::sort(times.begin(), times.end());
  times.erase(std::unique(times.begin(), times.end()), times.end());
  return times;
}

Status ProjectParameters::Save(const std::string &path) const {
  std::string reason;
  HRESULT hr = SaveParameterSetDocument(path, parameters, kProjectElementName, &reason);
  if (FAILED(hr)) {
    if (reason.empty())
      reason = "cannot write " + path;
    if (reason.find(StatusCode(hr)) == std::string::npos)
      reason += " (" + StatusCode(hr) + ")";
    return Status::Fail("--save-params: " + reason);
  }
  return Status::Ok();
}

Result<ProjectParameters> ProjectFromOptions(const RenderOptions &options,
                                             const EffectModule &module, std::string *warning) {
  Result<ProjectParameters> created = ProjectParameters::Create(module);
  if (!created.ok())
    return created;
  ProjectParameters &project = created.value();
  if (!options.paramsFile.empty()) {
    if (Status loaded = project.Load(options.paramsFile, warning); !loaded.ok())
      return Error{loaded.message()};
  }
  if (options.effectId) {
    if (Status set = project.SetEffectId(*options.effectId); !set.ok())
      return Error{set.message()};
  }
  if (!options.keys.empty()) {
    if (Status set = project.ReplaceKeyFrames(options.keys); !set.ok())
      return Error{set.message()};
  } else if (options.paramsFile.empty()) {
    // A new project holds the parameter's own value (50) from the start.
    CComVariant value;
    HRESULT hr = project.Interface()->GetValue(kEffectValueParameter, &value);
    if (SUCCEEDED(hr))
      hr = project.Interface()->SetKeyFrameValue(0.0, kStartOffsetKeyFrames,
                                                 kEffectValueParameter, value);
    if (FAILED(hr))
      return Error{Failed("cannot set the key frames of \"Effect Value\"", hr).message()};
  }

  std::string from = options.paramsFile.empty() ? "" : options.paramsFile + ": ";
  if (Result<LONG> id = project.EffectId(); !id.ok())
    return Error{from + id.message()};
  Result<ULONG> count = project.KeyFrameCount();
  if (!count.ok())
    return Error{from + count.message()};
  // The effect renders nothing without a key frame of its value.
  if (count.value() == 0)
    return Error{from + "no key frame of \"Effect Value\" (frames take their value from key "
                        "frames); give --value V or --key T=V"};
  return created;
}
