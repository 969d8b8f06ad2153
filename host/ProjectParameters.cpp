#include "host/ProjectParameters.h"

#include "host/AtomicOutputFile.h"
#include "host/EffectParameterIds.h"
#include "host/EffectSetup.h"
#include "host/MessageText.h"
#include "params/ParameterSetDocument.h"

#include <msxml2.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>

namespace {

Status Failed(const std::string &what, HRESULT hr) {
  return Status::Fail(what + " (" + StatusCode(hr) + ")");
}

// A reason from the parameter-set files, with its status once.
std::string WithStatus(std::string reason, const std::string &otherwise, HRESULT hr) {
  if (reason.empty()) reason = otherwise;
  if (reason.find(StatusCode(hr)) == std::string::npos) reason += " (" + StatusCode(hr) + ")";
  return reason;
}

// Stands in "Effect ID" while a document loads: a document that leaves it so gave none.
constexpr LONG kNoEffectId = INT32_MIN;

// Beyond this the spans of time the spline squares would overflow.
constexpr double kFarthestKeyTime = 1e150;

// "1 key frame of "Effect Value" lies", "3 key frames of "Effect Value" lie".
std::string KeyFramesThat(size_t count, const std::string &verb) {
  return count == 1 ? "1 key frame of \"Effect Value\" " + verb + "s"
                    : std::to_string(count) + " key frames of \"Effect Value\" " + verb;
}

// A key frame's value as the straight line computes with it: held, it is converted to a
// double; between key frames it is multiplied by a weight that is a double.
Result<double> StraightLineNumber(const VARIANT &held) {
  CComVariant number;
  if (FAILED(VariantChangeType(&number, &held, 0, VT_R8)))
    return Error{"holds a value that is not a number (of type " + std::to_string(held.vt) + ")"};
  CComVariant weight(1.0);
  CComVariant product;
  HRESULT hr = VarMul(const_cast<VARIANT *>(&held), &weight, &product);
  if (FAILED(hr) || product.vt != VT_R8)
    return Error{"holds a value of type " + std::to_string(held.vt) +
                 ", which the straight line cannot compute with (" +
                 StatusCode(FAILED(hr) ? hr : DISP_E_TYPEMISMATCH) + ")"};
  if (!std::isfinite(number.dblVal))
    return Error{"holds " + NumberText(number.dblVal) + ", which is not a finite number"};
  return number.dblVal;
}

} // namespace

Result<ProjectParameters> ProjectParameters::Create(const EffectModule &module) {
  Result<CComPtr<IUnknown>> effect = module.CreateEffect();
  ZRQ_RETURN_IF_FAILED(effect);
  CComPtr<IEffectParameters> parameters;
  HRESULT hr = effect.value().QueryInterface(&parameters);
  // Until a render path takes the effect it waits on the software path, where a load's
  // Reapply only makes the pixel processor, whatever "Effect ID" says. On the device path it
  // would build a renderer with no device to attach it to, and refuse an identifier outside
  // the catalogue before --effect could replace it. The size is replaced by the render path.
  CComPtr<ISoftwareEffect> software;
  if (SUCCEEDED(hr)) hr = effect.value().QueryInterface(&software);
  if (SUCCEEDED(hr)) hr = software->SetFrameSize(1, 1, 0, 0);
  if (FAILED(hr))
    return Error{Failed("the module's effect offers no usable parameter set", hr).message()};
  return ProjectParameters(std::move(parameters));
}

Result<ProjectParameters> ProjectParameters::Copy(const EffectModule &module) const {
  Result<ProjectParameters> copy = Create(module);
  ZRQ_RETURN_IF_FAILED(copy);
  CComPtr<IXMLDOMDocument> document;
  HRESULT hr = ZrqCreateXMLDOMDocument(IID_IXMLDOMDocument, reinterpret_cast<void **>(&document));
  CComBSTR name("ParameterSetCopy");
  CComPtr<IXMLDOMElement> element;
  if (SUCCEEDED(hr)) hr = name ? document->createElement(name, &element) : E_OUTOFMEMORY;
  if (SUCCEEDED(hr)) hr = document->appendChild(element, nullptr);
  if (SUCCEEDED(hr)) hr = parameters->SaveParameters(element);
  if (SUCCEEDED(hr)) hr = copy.value().parameters->LoadParameters(element);
  if (FAILED(hr))
    return Error{Failed("cannot copy the parameter set to a second effect", hr).message()};
  return copy;
}

Status ProjectParameters::Load(const std::string &path, std::vector<std::string> *warnings,
                               bool *namesEffect) {
  // A load keeps what the document does not mention, so a stand-in "Effect ID" that is still
  // there afterwards shows that the document named no effect.
  CComVariant effectId;
  HRESULT hr = parameters->GetValue(kEffectIdParameter, &effectId);
  if (SUCCEEDED(hr))
    hr = parameters->SetValue(kEffectIdParameter, CComVariant(static_cast<int>(kNoEffectId)));
  if (FAILED(hr))
    return Failed("--params: cannot prepare the parameter set for " + Quoted(path), hr);
  std::string reason;
  HRESULT loaded = LoadParameterSetDocument(path, parameters, &reason);
  CComVariant after;
  const bool given = FAILED(parameters->GetValue(kEffectIdParameter, &after)) ||
                     after.vt != VT_I4 || after.lVal != kNoEffectId;
  if (!given) {
    if (HRESULT restored = parameters->SetValue(kEffectIdParameter, effectId); FAILED(restored))
      return Failed("--params: cannot give \"Effect ID\" its value back", restored);
  }
  if (FAILED(loaded))
    return Status::Fail("--params: " + WithStatus(reason, "cannot load " + Quoted(path), loaded));
  if (namesEffect) *namesEffect = given;
  if (loaded != S_OK && warnings) warnings->push_back(reason);
  return Status::Ok();
}

Status ProjectParameters::SetEffectId(LONG effectId) {
  // A document may have given "Effect ID" another integer type; the new identifier takes
  // whatever type the parameter has now, since the set refuses a change of type.
  CComVariant current;
  HRESULT hr = parameters->GetValue(kEffectIdParameter, &current);
  CComVariant given(static_cast<int>(effectId));
  CComVariant wanted(given);
  if (SUCCEEDED(hr) && current.vt != VT_I4) hr = VariantChangeType(&wanted, &given, 0, current.vt);
  if (SUCCEEDED(hr)) hr = parameters->SetValue(kEffectIdParameter, wanted);
  if (FAILED(hr)) return Failed("cannot set \"Effect ID\" to " + std::to_string(effectId), hr);
  return Status::Ok();
}

Status ProjectParameters::ReplaceKeyFrames(std::span<const KeyFrameArgument> keys) {
  HRESULT hr = parameters->RemoveAllKeyFrameValues(kEffectValueParameter, kStartOffsetKeyFrames);
  for (size_t i = 0; SUCCEEDED(hr) && i < keys.size(); ++i)
    hr = parameters->SetKeyFrameValue(keys[i].time, kStartOffsetKeyFrames, kEffectValueParameter,
                                      KeyFrameValue(keys[i].percent));
  if (FAILED(hr)) return Failed("cannot set the key frames of \"Effect Value\"", hr);
  return Status::Ok();
}

Status ProjectParameters::Apply() const {
  HRESULT hr = parameters->ApplyParameters();
  if (FAILED(hr)) return Failed("the effect cannot take up its parameters", hr);
  return Status::Ok();
}

Result<LONG> ProjectParameters::EffectId() const {
  CComVariant value;
  HRESULT hr = parameters->GetValue(kEffectIdParameter, &value);
  if (FAILED(hr)) return Error{Failed("cannot read \"Effect ID\"", hr).message()};
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
  ZRQ_RETURN_IF_FAILED(count);
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

Status ProjectParameters::CheckKeyFrames(std::vector<std::string> *warnings) const {
  Result<ULONG> count = KeyFrameCount();
  ZRQ_RETURN_IF_FAILED(count);
  std::vector<double> times(count.value());
  std::vector<LONG> codes(count.value());
  if (!times.empty()) {
    HRESULT hr = parameters->GetKeyFrameTimes(kEffectValueParameter, times.data(), codes.data());
    if (FAILED(hr)) return Failed("cannot list the key frames of \"Effect Value\"", hr);
  }
  const std::string keyFrame = "a key frame of \"Effect Value\"";
  std::vector<double> outsideClip;                     // times
  std::vector<std::pair<double, double>> outsideRange; // time and value
  for (size_t i = 0; i < times.size(); ++i) {
    const double time = times[i];
    if (!std::isfinite(time))
      return Status::Fail(keyFrame + " is at time " + NumberText(time) +
                          ", which is not a finite number");
    if (std::fabs(time) > kFarthestKeyTime)
      return Status::Fail(keyFrame + " is at time " + NumberText(time) +
                          ", too far outside the clip (0 to 1) to compute a curve with");
    CComVariant held;
    HRESULT hr = parameters->GetKeyFrameValue(time, codes[i], kEffectValueParameter, &held);
    if (FAILED(hr)) return Failed("cannot read " + keyFrame + " at time " + NumberText(time), hr);
    Result<double> value = StraightLineNumber(held);
    if (!value.ok())
      return Status::Fail(keyFrame + " at time " + NumberText(time) + " " + value.message());
    if (time < 0.0 || time > 1.0) outsideClip.push_back(time);
    if (value.value() < 0.0 || value.value() > 100.0)
      outsideRange.emplace_back(time, value.value());
  }
  if (warnings && !outsideClip.empty())
    warnings->push_back(
        KeyFramesThat(outsideClip.size(), "lie") + " outside the clip's times 0..1 (the first at " +
        NumberText(outsideClip.front()) + "); frames render with what the module evaluates");
  if (warnings && !outsideRange.empty())
    warnings->push_back(KeyFramesThat(outsideRange.size(), "hold") +
                        (outsideRange.size() == 1 ? " a value" : " values") +
                        " outside 0..100 (the first, " + NumberText(outsideRange.front().second) +
                        ", at time " + NumberText(outsideRange.front().first) +
                        "); frames render with what the module evaluates");
  return Status::Ok();
}

Status ProjectParameters::Save(const std::string &path) const {
  std::string text;
  std::string reason;
  HRESULT hr = FormatParameterSetDocument(parameters, kProjectElementName, &text, &reason);
  if (FAILED(hr))
    return Status::Fail("--save-params: " +
                        WithStatus(reason, "cannot write the parameter set", hr));
  Result<std::unique_ptr<AtomicOutputFile>> file = AtomicOutputFile::Create(path);
  if (!file.ok()) return Status::Fail("--save-params: " + file.message());
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), file.value()->Stream()) != text.size())
    return Status::Fail("--save-params: " + file.value()->WriteFailure(errno ? errno : EIO));
  if (Status committed = file.value()->Commit(); !committed.ok())
    return Status::Fail("--save-params: " + committed.message());
  return Status::Ok();
}

Result<ProjectParameters> ProjectFromOptions(const RenderOptions &options,
                                             const EffectModule &module,
                                             std::vector<std::string> *warnings) {
  Result<ProjectParameters> created = ProjectParameters::Create(module);
  ZRQ_RETURN_IF_FAILED(created);
  ProjectParameters &project = created.value();
  std::string from = options.paramsFile.empty() ? "" : Quoted(options.paramsFile) + ": ";
  if (!options.paramsFile.empty()) {
    bool namesEffect = true;
    ZRQ_RETURN_IF_FAILED(project.Load(options.paramsFile, warnings, &namesEffect));
    if (!namesEffect && !options.effectId && warnings) {
      Result<LONG> id = project.EffectId();
      if (id.ok())
        warnings->push_back(from + "the project names no effect (\"Effect ID\"); the default, " +
                            std::string(module.Names().DisplayName(id.value())) + " (" +
                            std::to_string(id.value()) + "), is used");
    }
  }
  if (options.effectId) {
    ZRQ_RETURN_IF_FAILED(project.SetEffectId(*options.effectId));
  }
  if (!options.keys.empty()) {
    ZRQ_RETURN_IF_FAILED(project.ReplaceKeyFrames(options.keys));
  } else if (options.paramsFile.empty()) {
    // A new project holds the parameter's own value (50) from the start.
    CComVariant value;
    HRESULT hr = project.Interface()->GetValue(kEffectValueParameter, &value);
    if (SUCCEEDED(hr))
      hr = project.Interface()->SetKeyFrameValue(0.0, kStartOffsetKeyFrames, kEffectValueParameter,
                                                 value);
    if (FAILED(hr))
      return Error{Failed("cannot set the key frames of \"Effect Value\"", hr).message()};
  }

  if (Result<LONG> id = project.EffectId(); !id.ok()) return Error{from + id.message()};
  Result<ULONG> count = project.KeyFrameCount();
  if (!count.ok()) return Error{from + count.message()};
  // The effect renders nothing without a key frame of its value.
  if (count.value() == 0)
    return Error{from + "no key frame of \"Effect Value\" (frames take their value from key "
                        "frames); give --value V or --key T=V"};
  return created;
}
