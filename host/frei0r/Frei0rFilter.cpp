#include "host/frei0r/Frei0rFilter.h"

#include "host/EffectParameterIds.h"
#include "host/MessageText.h"
#include "host/SoftwareFrameRenderer.h"
#include "host/StatusCode.h"

#include <cstdio>
#include <cstring>

namespace {

// frei0r gives a plugin no way to say why it failed, so the reason goes where a user of a
// command-line host sees it.
void Report(const std::string &message) {
  std::fprintf(stderr, "zrq frei0r: %s\n", Printable(message).c_str());
}

// Copies `rows` rows of `rowBytes` each from `from` to `to` in the opposite order.
void CopyTurnedOver(const BYTE *from, BYTE *to, size_t rowBytes, int rows) {
  for (int y = 0; y < rows; ++y)
    std::memcpy(to + rowBytes * size_t(rows - 1 - y), from + rowBytes * size_t(y), rowBytes);
}

} // namespace

Frei0rFilter::Frei0rFilter(CComPtr<IUnknown> effect, CComPtr<IEffectParameters> parameters,
                           std::unique_ptr<FrameRenderer> renderer, Frame source, Frame destination)
    : effect(std::move(effect)), parameters(std::move(parameters)), renderer(std::move(renderer)),
      source(std::move(source)), destination(std::move(destination)) {}

std::unique_ptr<Frei0rFilter> Frei0rFilter::Create(const EffectModule &module, EffectId id,
                                                   unsigned width, unsigned height) {
  if (width < 1 || height < 1 || width > unsigned(kMaxFrameSide) ||
      height > unsigned(kMaxFrameSide)) {
    Report("a frame of " + std::to_string(width) + "x" + std::to_string(height) +
           " pixels is outside 1.." + std::to_string(kMaxFrameSide) + " a side");
    return nullptr;
  }
  const FrameSize size{int(width), int(height)};
  Result<CComPtr<IUnknown>> effect = module.CreateEffect();
  if (!effect.ok()) {
    Report(effect.message());
    return nullptr;
  }
  CComPtr<IEffectParameters> parameters;
  HRESULT hr = effect.value().QueryInterface(&parameters);
  // The value starts as the parameter's own, held from the start of the clip as a key frame,
  // which is where frames take it from.
  CComVariant value;
  if (SUCCEEDED(hr))
    hr = parameters->SetValue(kEffectIdParameter, CComVariant(static_cast<int>(id)));
  if (SUCCEEDED(hr)) hr = parameters->GetValue(kEffectValueParameter, &value);
  if (SUCCEEDED(hr))
    hr = parameters->SetKeyFrameValue(0.0, kStartOffsetKeyFrames, kEffectValueParameter, value);
  if (FAILED(hr)) {
    Report("the effect would not take its parameters (" + StatusCode(hr) + ")");
    return nullptr;
  }
  Result<std::unique_ptr<FrameRenderer>> renderer =
      SoftwareFrameRenderer::Create(effect.value(), size);
  Result<Frame> source = Frame::Allocate(size);
  Result<Frame> destination = Frame::Allocate(size);
  for (const Status &status : {renderer.status(), source.status(), destination.status()})
    if (!status.ok()) {
      Report(status.message());
      return nullptr;
    }
  std::unique_ptr<Frei0rFilter> filter(new (std::nothrow) Frei0rFilter(
      std::move(effect.value()), std::move(parameters), std::move(renderer.value()),
      std::move(source.value()), std::move(destination.value())));
  if (!filter) {
    Report("out of memory");
    return nullptr;
  }
  filter->wantedEffect = filter->appliedEffect = id;
  CComVariant percent;
  if (SUCCEEDED(percent.ChangeType(VT_R8, &value)))
    filter->wantedPercent = filter->appliedPercent = percent.dblVal;
  return filter;
}

bool Frei0rFilter::ApplyWanted() {
  HRESULT hr = S_OK;
  if (wantedEffect != appliedEffect) {
    // The new effect's renderer is built now, not at the frame's render.
    hr = parameters->SetValue(kEffectIdParameter, CComVariant(static_cast<int>(wantedEffect)));
    if (SUCCEEDED(hr)) hr = parameters->ApplyParameters();
    if (FAILED(hr)) {
      Report("the effect would not change to " + std::to_string(wantedEffect) + " (" +
             StatusCode(hr) + ")");
      return false;
    }
    appliedEffect = wantedEffect;
  }
  if (wantedPercent != appliedPercent) {
    // Replacing the one key frame's value stores a number in place: nothing is allocated.
    hr = parameters->SetKeyFrameValue(0.0, kStartOffsetKeyFrames, kEffectValueParameter,
                                      KeyFrameValue(wantedPercent));
    if (FAILED(hr)) {
      Report("the effect would not take the value " + std::to_string(wantedPercent) + " (" +
             StatusCode(hr) + ")");
      return false;
    }
    appliedPercent = wantedPercent;
  }
  return true;
}

void Frei0rFilter::Update(const uint32_t *in, uint32_t *out) {
  const size_t rowBytes = source.RowBytes();
  const int rows = source.Height();
  bool rendered = false;
  if (in && out && ApplyWanted()) {
    CopyTurnedOver(reinterpret_cast<const BYTE *>(in), source.Data(), rowBytes, rows);
    // A clip's frames all take the value the host set last: the key frame holds from the start.
    Status status = renderer->Render(source, destination, 0.0);
    rendered = status.ok();
    if (rendered) CopyTurnedOver(destination.Data(), reinterpret_cast<BYTE *>(out), rowBytes, rows);
  }
  if (!rendered && in && out && in != out) std::memcpy(out, in, rowBytes * size_t(rows));
}
